#!/usr/bin/env python3
"""Doxygen input filter for the library's headers.

The headers are commented with ordinary // comments. This filter hands them
to Doxygen as documentation: the comment block that opens a file describes the
file, a block in front of a declaration at namespace or class level documents
it, and a comment after a member on its line documents that member. Comments
inside function bodies, in front of preprocessor lines or closing braces, and
separator lines stay ordinary comments. Characters that Doxygen would read as
commands or markup are escaped outside `code spans`. Line numbers
shift by the one line that marks the file comment.

Usage: doxygen-filter.py FILE (the result goes to standard output)."""
import re
import sys

SCOPE_OPENER = re.compile(r"\b(namespace|class|struct|union|enum)\b")
SEPARATOR = re.compile(r"^\s*//\s*[-=*]{5,}\s*$")
SPECIAL = re.compile(r"([\\@<>&#%$])")


def escape(text):
    """Escapes Doxygen's special characters outside backtick spans."""
    parts = text.split("`")
    for i in range(0, len(parts), 2):  # even parts lie outside code spans
        parts[i] = SPECIAL.sub(r"\\\1", parts[i])
    if len(parts) % 2 == 0:  # an unmatched backtick: keep it literal
        parts[-2] += "\\`" + parts.pop()
    return "`".join(parts)


def code_part(line):
    """The line without a trailing // comment (string literals respected),
    and the comment's column or -1."""
    in_string = None
    i = 0
    while i < len(line):
        c = line[i]
        if in_string:
            if c == "\\":
                i += 1
            elif c == in_string:
                in_string = None
        elif c in "\"'":
            in_string = c
        elif line.startswith("//", i):
            return line[:i], i
        i += 1
    return line, -1


def is_comment(line):
    return line.lstrip().startswith("//")


def next_code_line(lines, start):
    for line in lines[start:]:
        if line.strip() and not is_comment(line):
            return line.strip()
    return ""


def convert(lines):
    out = []
    scopes = []  # True for a namespace or type scope, False for any other brace
    pending_type_scope = False
    at_file_start = True
    i = 0
    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if is_comment(line):
            # A block of comment lines: decide for the whole block.
            j = i
            while j < len(lines) and is_comment(lines[j]):
                j += 1
            block = lines[i:j]
            following = next_code_line(lines, j)
            at_declaration_level = all(scopes)
            if at_file_start:
                body = [escape(l.strip()[2:]) for l in block]
                # \file takes a name on its own line: the one line added.
                out.append("/// \\file\n")
                out.extend("///" + b + "\n" for b in body)
            elif (at_declaration_level and following and not following.startswith(("#", "}"))
                  and not any(SEPARATOR.match(l) for l in block)):
                for l in block:
                    indent = l[: len(l) - len(l.lstrip())]
                    out.append(indent + "///" + escape(l.strip()[2:]) + "\n")
            else:
                out.extend(block)
            at_file_start = False
            i = j
            continue
        if stripped:
            at_file_start = False
        code, column = code_part(line)
        if column >= 0 and code.strip() and all(scopes) and code.rstrip().endswith((";", ",")):
            comment = line[column + 2:].rstrip("\n")
            line = code + "///<" + escape(comment) + "\n"
        # Track braces outside strings and comments; a brace opens a scope
        # for declarations when a namespace or type was named before it.
        bare = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', "", code)
        if SCOPE_OPENER.search(bare) and "(" not in bare.split("{")[0]:
            pending_type_scope = True
        elif "(" in bare:
            pending_type_scope = False
        for c in bare:
            if c == "{":
                scopes.append(pending_type_scope)
                pending_type_scope = False
            elif c == "}":
                if scopes:
                    scopes.pop()
            elif c == ";":
                pending_type_scope = False
        out.append(line)
        i += 1
    return out


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        lines = f.readlines()
    sys.stdout.write("".join(convert(lines)))


if __name__ == "__main__":
    main()
