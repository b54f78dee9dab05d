"""Runs `ansible-test sanity` on a copy of the collection, with Debian's
python3 and its packages (pylint, pycodestyle, yamllint, voluptuous) in place
of the virtual environments that ansible-test fills from PyPI, which a
Debian host has no need to reach; then ansible-lint on the same copy.

    python3 tests/sites/sanity.py COLLECTION_DIR [SKIPPED_TEST...]

Each SKIPPED_TEST needs what Debian does not package, and is left out."""
import os
import shutil
import subprocess
import sys
import tempfile

from ansible_test._internal import main as ansible_test_main
from ansible_test._internal.commands import sanity
from ansible_test._internal.host_configs import VirtualPythonConfig


def system_python(args, python, name, coverage=False, minimize=False):
    """This interpreter, with the packages it has, as the test's own: as a
    virtual environment's, a folder whose `python` it is, which ansible-test
    puts first on the path."""
    folder = os.path.join(os.environ["HOME"], "python")
    if not os.path.exists(folder):
        os.makedirs(folder)
        os.symlink(sys.executable, os.path.join(folder, "python"))
    return VirtualPythonConfig(version=python.version, path=os.path.join(folder, "python"))


def copy(collection, work):
    """The collection alone, where ansible-test wants it and may write."""
    target = os.path.join(work, "ansible_collections", "vandrel", "fleet")
    shutil.copytree(collection, target, ignore=shutil.ignore_patterns("__pycache__", "output", "*.tar.gz"))
    return target


def run_sanity(skipped):
    sanity.create_sanity_virtualenv = system_python
    sanity.check_sanity_virtualenv_yaml = lambda python: True  # Debian's PyYAML is built with libyaml
    args = ["sanity", "--local", "--python", f"{sys.version_info[0]}.{sys.version_info[1]}", "--color", "no"]
    sys.argv = ["ansible-test"] + args + [f"--skip-test={test}" for test in skipped]
    try:
        ansible_test_main()
    except SystemExit as end:
        return end.code or 0
    return 0


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as work:
        os.chdir(copy(sys.argv[1], work))
        os.environ.update(HOME=work, ANSIBLE_HOME=os.path.join(work, ".ansible"))
        failed = run_sanity(sys.argv[2:])
        lint = subprocess.run(["ansible-lint", "--offline", "--nocolor", "-p"], check=False).returncode
        print(f"sanity: {'failed' if failed else 'passed'}, ansible-lint: {'failed' if lint else 'passed'}")
        sys.exit(1 if failed or lint else 0)
