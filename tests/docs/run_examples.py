"""Runs every example of the README and of docs/ as written, in order, in a
private network namespace beside vandrel-sim's built-in fleet.

A fenced block is an example by its language: sh runs in sh -e, python in
Debian's python3, c is compiled against the build and run. An HTML comment on
the line before a block says otherwise:
  <!-- file: NAME -->      the block is written to NAME for the blocks after it;
  <!-- own simulator -->   the block starts a simulator of its own, so the
                           built-in fleet is stopped while it runs;
  <!-- not run: REASON --> the block is shown, not run, for the reason given.
A text block is output and is not run; any other block needs a comment.
Each file's examples run in a fresh folder holding `scripts`, `build` (links
to the checkout's and the build's) and a copy of `python`, with a fresh fleet;
Ansible finds the checkout's collection.

    python3 tests/docs/run_examples.py SOURCE_DIR BUILD_DIR [FILE.md...]
"""
import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

# A fenced block, with the marker comment on the last line before it that
# is not blank.
BLOCK = re.compile(r"^(?:[ \t]*<!--\s*(file:|own simulator|not run:)\s*(.*?)\s*-->[ \t]*\n(?:[ \t]*\n)*)?"
                   r"(```)(\w*)[ \t]*\n(.*?)^```$", re.M | re.S)
TIME_LIMIT = 180


def blocks(path):
    """(line, language, marker, argument, text) of every fenced block."""
    text = open(path, encoding="utf-8").read()
    return [(text.count("\n", 0, m.start(3)) + 1, m[4], m[1], m[2] or "", m[5]) for m in BLOCK.finditer(text)]


def start_fleet(work, env):
    """The built-in fleet, once it is ready."""
    log = os.path.join(work, ".sim.log")
    with open(log, "wb") as out:
        process = subprocess.Popen(["vandrel-sim", "--quiet"], stdout=out, stderr=subprocess.STDOUT, env=env, cwd=work)
    if subprocess.run(["sh", os.path.join(env["VANDREL_SOURCE"], "scripts", "sim-ready.sh"), log, str(process.pid)]).returncode:
        raise RuntimeError("vandrel-sim did not start")
    return process


def stop_fleet(process):
    if process:
        process.terminate()
        process.wait()


def end_group(group, signal_number):
    """Signals the process group and waits, ten seconds at most, until its
    processes are gone, so that the next example finds their ports free."""
    for _ in range(200):
        try:
            os.killpg(group, signal_number if _ == 0 else 0)
        except ProcessLookupError:
            return
        time.sleep(0.05)
    os.killpg(group, signal.SIGKILL)


def run(command, work, env):
    """Runs command in a process group of its own, which goes when it ends
    (with what the command left running in the background)."""
    with tempfile.TemporaryFile() as output:
        process = subprocess.Popen(command, cwd=work, env=env, stdout=output, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            process.wait(timeout=TIME_LIMIT)
            ok, late = process.returncode == 0, ""
        except subprocess.TimeoutExpired:
            ok, late = False, f"\n(no end after {TIME_LIMIT} s)"
        end_group(process.pid, signal.SIGKILL if late else signal.SIGTERM)
        process.wait()
        output.seek(0)
        return ok, output.read().decode(errors="replace") + late


def example_command(language, text, work, source, build, name):
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)
    if language == "sh":
        return ["sh", "-e", path]
    if language == "python":
        return ["/usr/bin/python3", path]
    return ["sh", "-c", 'cc -Wall -Werror -x c "$1" -I"$2" -L"$3" -Wl,-rpath,"$3" -lvandrel -o "$1.bin" && "$1.bin"',
            "cc", path, os.path.join(source, "include"), os.path.join(build, "lib")]


def run_file(path, source, build):
    """Failures of the file's examples, and a line for each block."""
    work = tempfile.mkdtemp()
    os.symlink(os.path.join(source, "scripts"), os.path.join(work, "scripts"))
    os.symlink(build, os.path.join(work, "build"))
    shutil.copytree(os.path.join(source, "python"), os.path.join(work, "python"),
                    ignore=shutil.ignore_patterns("__pycache__", "tests"))
    env = dict(os.environ, PATH=os.path.join(build, "bin") + os.pathsep + os.environ["PATH"],
               PYTHONPATH=os.path.join(source, "python"), VANDREL_LIB=os.path.join(build, "lib"),
               VANDREL_SOURCE=source, XDG_STATE_HOME=os.path.join(work, ".state"),
               ANSIBLE_COLLECTIONS_PATH=os.path.join(source, "ansible"), ANSIBLE_HOME=os.path.join(work, ".ansible"))
    fleet, failures, name = None, [], os.path.relpath(path, source)
    try:
        for n, (line, language, marker, argument, text) in enumerate(blocks(path)):
            where = f"{name}:{line}"
            if marker == "not run:":
                if not argument:
                    failures.append(f"{where}: 'not run' without a reason")
                print(f"{where}: not run ({argument})")
            elif marker == "file:":
                with open(os.path.join(work, argument), "w", encoding="utf-8") as out:
                    out.write(text)
            elif language in ("sh", "python", "c"):
                if marker == "own simulator":
                    stop_fleet(fleet)
                    fleet = None
                elif not fleet:
                    fleet = start_fleet(work, env)
                ok, output = run(example_command(language, text, work, source, build, f".example{n}"), work, env)
                print(f"{where}: {'ran' if ok else 'FAILED'}")
                if not ok:
                    failures.append(f"{where}: the example failed:\n{text}--- its output:\n{output}")
            elif language != "text":
                failures.append(f"{where}: a {language or 'plain'} block neither runs nor says why not")
    finally:
        stop_fleet(fleet)
        shutil.rmtree(work, ignore_errors=True)
    return failures


def main():
    if [name for _, name in socket.if_nameindex()] != ["lo"]:
        sys.exit("refusing to run outside a private network namespace (scripts/in-netns.sh)")
    source, build = (os.path.abspath(p) for p in sys.argv[1:3])
    files = sys.argv[3:] or [os.path.join(source, "README.md")] + sorted(glob.glob(os.path.join(source, "docs", "*.md")))
    failures = [f for path in files for f in run_file(os.path.abspath(path), source, build)]
    for failure in failures:
        print("FAILED: " + failure, file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
