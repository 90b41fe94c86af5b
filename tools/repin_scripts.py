#!/usr/bin/env python3
"""Re-pins the change-detector lines of tests/data/scripts after an intended search change.

Pinned lines are the engine's own past output: exact node counts, seldepths, scores, lines and
best moves of "info depth", "bestmove", "Nodes searched:" and "info string bench" steps. This
builds the release preset, runs the script tests, and for each failure at such a step rewrites
that step from what the engine actually answered (times and speeds stay patterns), then runs
them again until they pass. It prints the diff it applied and refuses to touch any other step:
a failure elsewhere is a fault to look at, not a pin to move.

    tools/repin_scripts.py
"""
import difflib
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPTS = os.path.join(ROOT, "tests", "data", "scripts")
FILTER = "Uci/Script.*:SlowBench.*:Process.AnInstalledEngineFindsItsData"
PINNED = ("info depth ", "bestmove ", "Nodes searched: ", "info string bench ")
VOLATILE = ("time", "nps", "(ms):", "Nodes/second:")  # the word after these is a time or speed
META = set("[]()*+?|\\^$.{}")


def run_tests(test_filter):
    environment = dict(os.environ, QUENDAL_SLOW="1")
    command = [os.path.join(ROOT, "build", "release", "quendal_tests"), "--gtest_filter=" + test_filter]
    return subprocess.run(command, env=environment, capture_output=True, text=True)


def failures():
    """(script, line number, step, pinned text, actual line) for each failed script test."""
    found = []
    failed = re.findall(r"^\[  FAILED  \] (\S+\.\S+?),? ", run_tests(FILTER).stdout, re.M)
    for test in dict.fromkeys(failed):
        run = run_tests(test)  # alone, so that its exchange with the engine (on stderr) is its own
        trace = re.search(r"^\S+:\d+: (\S+?):(\d+): (\S+) (.*)$", run.stdout, re.M)
        if not trace:
            sys.exit(f"{test} failed without a script step:\n{run.stdout}{run.stderr}")
        name, number, step, text = trace.group(1), int(trace.group(2)), trace.group(3), trace.group(4)
        received = re.findall(r"^  < (.*)$", run.stderr, re.M)
        if not text.startswith(PINNED) or step not in ("<", "~", "...") or not received:
            sys.exit(f"{name}:{number}: not a pinned line, look at it:\n{run.stdout}{run.stderr}")
        actual = received[-1]
        if step == "...":  # the step read on past its line: take the last line of its kind
            kind = text.split()[:3] if text.startswith("info depth") else text.split()[:2]
            same = [line for line in received if line.split()[: len(kind)] == kind]
            actual = same[-1] if same else next(
                (line for line in reversed(received) if line.startswith(text.split()[0] + " ")),
                actual)
        found.append((name, number, step, text, actual))
    return found


def pattern_for(old, actual):
    """The actual line as a pattern: volatile numbers and the old pattern's own wildcards kept."""
    words, old_words = actual.split(" "), old.split(" ")
    result = []
    for i, word in enumerate(words):
        previous = words[i - 1] if i else ""
        if previous in VOLATILE:
            result.append("[0-9]+")
        elif i < len(old_words) and META & set(old_words[i]) and re.fullmatch(old_words[i], word):
            result.append(old_words[i])
        else:
            result.append(re.sub(r"([][()*+?|\\^$.{}])", r"\\\1", word))
    return " ".join(result)


def main():
    subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True, capture_output=True)
    subprocess.run(["cmake", "--build", "--preset", "release"], cwd=ROOT, check=True)
    before = {name: open(os.path.join(SCRIPTS, name)).read() for name in os.listdir(SCRIPTS)}
    for _ in range(100):
        found = failures()
        if not found:
            break
        for name, number, step, text, actual in found:
            path = os.path.join(SCRIPTS, name)
            lines = open(path).read().split("\n")
            new = actual if step == "<" else pattern_for(text, actual)
            if lines[number - 1] == f"{step} {new}":
                sys.exit(f"{name}:{number}: re-pinned and still failing")
            lines[number - 1] = f"{step} {new}"
            open(path, "w").write("\n".join(lines))
    else:
        sys.exit("still failing after 100 rounds")
    for name, text in sorted(before.items()):
        after = open(os.path.join(SCRIPTS, name)).read()
        sys.stdout.writelines(difflib.unified_diff(
            text.splitlines(True), after.splitlines(True), "a/tests/data/scripts/" + name,
            "b/tests/data/scripts/" + name))
    print("all script tests pass")


if __name__ == "__main__":
    main()
