#!/usr/bin/env python3
"""The mutation check: applies each single-point change of a list of mutants
(tests/mutation/mutants.txt) to the library or the tool, one at a time,
builds, runs the tests that must catch it, puts the file back, and reports
each mutant as killed (a test failed) or survived, with the kill rate.

  python3 scripts/mutate.py            every mutant (builds in $BUILD, default build)
  python3 scripts/mutate.py N...       only mutants N... (numbered as --list shows)
  python3 scripts/mutate.py --list     lists the mutants and checks that each
                                       one's text is found exactly once (fast)
  python3 scripts/mutate.py --help     this text

A mutant that does not build counts as neither. Tests that already fail
on the sources as they are are left out of the mutants' runs, and named.
The sources must hold no uncommitted change of their own; whatever happens,
each file is put back.
"""
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MUTANTS = os.path.join(ROOT, "tests", "mutation", "mutants.txt")
BUILD = os.path.join(ROOT, os.environ.get("BUILD", "build"))
# What the tests of the mutants run: the library, the tools and the test
# programs outside the stress tests.
TARGETS = ["vandrel", "vandrel-cli", "vandrel-sim", "vandrel_unit_tests", "vandrel_integration_tests",
           "vandrel_lab_tests", "vandrel_fleetdb_tests"]
TEST_LIMIT_S = 900


class Mutant:
    def __init__(self, number, why):
        self.number, self.why = number, why
        self.path = self.old = self.new = self.tests = None


def read_mutants():
    mutants, why = [], ""
    with open(MUTANTS) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("# "):
                why = line[2:]
            elif line.startswith("file "):
                mutants.append(Mutant(len(mutants) + 1, why))
                mutants[-1].path = line[5:]
            elif line.startswith("- "):
                mutants[-1].old = line[2:]
            elif line.startswith("+"):
                mutants[-1].new = line[2:]
            elif line.startswith("tests "):
                mutants[-1].tests = line[6:]
    return mutants


def check(mutant):
    """What is wrong with a mutant's entry, or None."""
    if None in (mutant.path, mutant.old, mutant.new, mutant.tests):
        return "needs file, -, + and tests lines"
    try:
        with open(os.path.join(ROOT, mutant.path)) as f:
            found = f.read().count(mutant.old)
    except OSError as e:
        return str(e)
    return None if found == 1 else "its text is found %d times in %s" % (found, mutant.path)


def run(command, limit):
    try:
        return subprocess.run(command, cwd=BUILD, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=limit).returncode
    except subprocess.TimeoutExpired:
        return -1


def ctest(regex, excluded):
    """The names of the tests of regex that fail (or time out)."""
    command = ["ctest", "-LE", "stress", "-R", regex, "-j2", "--timeout", "180"]
    if excluded:
        command += ["-E", "^(" + "|".join(re.escape(t) for t in excluded) + ")$"]
    try:
        out = subprocess.run(command, cwd=BUILD, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=TEST_LIMIT_S, text=True).stdout
    except subprocess.TimeoutExpired:
        return ["(the tests ran past %d s)" % TEST_LIMIT_S]
    # A parameterised test's name goes on after a space ("T/1  # GetParam() = 4"):
    # the name is all up to the status in parentheses that ends the line.
    return re.findall(r"^\s*\d+ - (.*\S) \([^()]*\)\s*$", out.split("The following tests FAILED:")[-1], re.M) \
        if "The following tests FAILED:" in out else []


def try_mutant(mutant, excluded):
    """killed, survived or broken (does not build)."""
    path = os.path.join(ROOT, mutant.path)
    with open(path) as f:
        original = f.read()
    try:
        with open(path, "w") as f:
            f.write(original.replace(mutant.old, mutant.new))
        if run(["cmake", "--build", ".", "-j2", "--target"] + TARGETS, TEST_LIMIT_S) != 0:
            return "broken"
        # A test that runs past its limit also catches the mutant.
        return "killed" if ctest(mutant.tests, excluded) else "survived"
    finally:
        with open(path, "w") as f:
            f.write(original)


def main(args):
    if args[:1] in (["-h"], ["--help"]):
        print(__doc__.strip())
        return 0
    mutants = read_mutants()
    problems = [(m, check(m)) for m in mutants if check(m)]
    if args[:1] == ["--list"]:
        for m in mutants:
            print("%2d  %-45s  %s" % (m.number, m.path, m.why))
        for m, problem in problems:
            print("mutant %d: %s" % (m.number, problem), file=sys.stderr)
        return 1 if problems else 0
    if problems:
        for m, problem in problems:
            print("mutant %d: %s" % (m.number, problem), file=sys.stderr)
        return 2
    if subprocess.run(["git", "diff", "--quiet", "--", "src", "tools"], cwd=ROOT).returncode != 0:
        print("mutate.py: src or tools has uncommitted changes; commit them first", file=sys.stderr)
        return 2
    chosen = [m for m in mutants if not args or str(m.number) in args]
    start = time.time()
    if not os.path.isfile(os.path.join(BUILD, "CMakeCache.txt")):
        print("mutate.py: %s is not a build folder; make it first: BUILD=%s sh scripts/build.sh" %
              (BUILD, os.path.relpath(BUILD, ROOT)), file=sys.stderr)
        return 2
    if run(["cmake", "--build", ".", "-j2", "--target"] + TARGETS, TEST_LIMIT_S) != 0:
        print("mutate.py: the sources as they are do not build in %s" % BUILD, file=sys.stderr)
        return 2
    excluded = ctest("|".join("(%s)" % m.tests for m in chosen), [])
    if excluded:
        print("failing without a mutant, left out: " + ", ".join(excluded), flush=True)
    verdicts = {}
    for m in chosen:
        verdict = try_mutant(m, excluded)
        verdicts[verdict] = verdicts.get(verdict, 0) + 1
        print("%2d  %-8s  %s: %s" % (m.number, verdict, m.path, m.why), flush=True)
    run(["cmake", "--build", ".", "-j2", "--target"] + TARGETS, TEST_LIMIT_S)  # the sources as they are
    killed, survived = verdicts.get("killed", 0), verdicts.get("survived", 0)
    rate = 100.0 * killed / (killed + survived) if killed + survived else 0.0
    print("%d killed, %d survived, %d did not build: %.0f%% killed in %.0f minutes" %
          (killed, survived, verdicts.get("broken", 0), rate, (time.time() - start) / 60))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
