#!/usr/bin/env python3
"""Mutation testing: applies one fault at a time to the sources, rebuilds and
runs the test suite, and reports which faults the tests kill.

    scripts/mutate.py [--build DIR] [--ctest-args ARGS] [--targets T,...] MUTANTS

MUTANTS is a text file with one fault a line, fields separated by " ||| ":
    path/to/file.cpp ||| original text ||| replacement ||| what the fault is
The original text must occur exactly once in the file; "\\n" in a field stands
for a line break. Lines starting with #
are comments. Every fault is reverted after its run, also on interruption.
A mutant that does not build is reported as such and not counted.
Builds run under nice; ctest runs the whole suite (by default without the
interop label) and stops at the first failure.
"""
import argparse
import os
import re
import subprocess
import sys
import time


def parse(path):
    mutants = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            fields = [x.strip().replace("\\n", "\n") for x in line.split(" ||| ")]
            if len(fields) != 4:
                sys.exit(f"{path}:{number}: expected 4 fields separated by ' ||| '")
            mutants.append(fields)
    return mutants


def run(command, log):
    with open(log, "w", encoding="utf-8") as out:
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(log):
    names = []
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"\s*\d+ - (\S+) \((Failed|Timeout|SEGFAULT|Subprocess aborted|"
                         r"Exception|Not Run)", line)
            if m:
                names.append(m.group(1))
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mutants")
    parser.add_argument("--build", default="build")
    parser.add_argument("--targets", default="", help="comma-separated; default: all")
    parser.add_argument("--ctest-args", default="-LE interop -j2 --timeout 300")
    parser.add_argument("--logs", default="mutation-logs")
    args = parser.parse_args()
    os.makedirs(args.logs, exist_ok=True)
    build = ["nice", "-n", "19", "cmake", "--build", args.build, "-j2"]
    for target in filter(None, args.targets.split(",")):
        build += ["--target", target]
    ctest = ["ctest", "--test-dir", args.build, "--stop-on-failure"] + args.ctest_args.split()
    killed = survived = broken = 0
    for index, (path, original, replacement, about) in enumerate(parse(args.mutants), 1):
        with open(path, encoding="utf-8") as f:
            source = f.read()
        if source.count(original) != 1:
            print(f"M{index} {path}: the original text occurs {source.count(original)} times; "
                  "skipped", flush=True)
            continue
        line = source[: source.index(original)].count("\n") + 1
        where = f"M{index} {path}:{line} {about}"
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(source.replace(original, replacement))
            if run(build, f"{args.logs}/M{index}.build.log") != 0:
                broken += 1
                print(f"{where}: DOES NOT BUILD", flush=True)
                continue
            if run(ctest, f"{args.logs}/M{index}.ctest.log") != 0:
                killed += 1
                names = failed_tests(f"{args.logs}/M{index}.ctest.log")
                print(f"{where}: killed by {', '.join(names) or '(see log)'} "
                      f"[{time.time() - started:.0f}s]", flush=True)
            else:
                survived += 1
                print(f"{where}: SURVIVED [{time.time() - started:.0f}s]", flush=True)
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(source)
    total = killed + survived
    rate = f"{100.0 * killed / total:.0f}%" if total else "n/a"
    print(f"killed {killed} of {total} ({rate}); {broken} did not build", flush=True)
    # Leave the build matching the sources again.
    run(build, f"{args.logs}/restore.build.log")


if __name__ == "__main__":
    main()
