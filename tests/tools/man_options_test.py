#!/usr/bin/env python3
"""A tool's --help and its manual page name the same options, and the page
carries the version that --version prints.

Usage: man_options_test.py TOOL MANPAGE"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[a-zA-Z][\w-]*)")


def options_in(text):
    return set(OPTION.findall(text))


def man_text(path):
    """The page's words with roff escapes and font changes removed."""
    with open(path, encoding="utf-8") as f:
        lines = [l for l in f if not l.startswith(".\\\"")]
    text = "".join(lines)
    text = re.sub(r"\\f[BIRP]", "", text)
    text = text.replace("\\-", "-").replace("\\(em", " ")
    # Macro names at the start of a line (.TP, .BR, ...) are not options.
    return re.sub(r"^\.[A-Z]+", "", text, flags=re.M)


def main():
    tool, page = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([tool, "--help"], capture_output=True, text=True, check=True).stdout
    version = subprocess.run([tool, "--version"], capture_output=True, text=True,
                             check=True).stdout.split()
    text = man_text(page)
    in_help, in_man = options_in(help_text), options_in(text)
    failures = []
    if in_help - in_man:
        failures.append("in --help but not in the manual page: " + " ".join(sorted(in_help - in_man)))
    if in_man - in_help:
        failures.append("in the manual page but not in --help: " + " ".join(sorted(in_man - in_help)))
    title = re.search(r'^\.TH .*"QbXmlLib5 ([^"]+)"', open(page, encoding="utf-8").read(), re.M)
    if len(version) != 2 or not title or title.group(1) != version[1]:
        failures.append("--version printed %r; the page's title names %r"
                        % (" ".join(version), title.group(1) if title else None))
    for failure in failures:
        print("FAIL: %s: %s" % (page, failure))
    if not failures:
        print("%s: %d options agree with --help" % (page, len(in_help)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
