#!/bin/bash
# qbxml convert against Debian's Java Fast Infoset implementation, judged by
# libxml2: each document of tests/data/convert goes to Fast Infoset with qbxml
# and is decoded by Java, and is encoded by Java and decoded by qbxml; both
# results must have the canonical form (with comments) of the original.
# Usage: qbxml_interop_test.sh QBXML SOURCE_DIR WORK_DIR JAVA JAR
# Exits 77 (skipped) when Java, the jar or xmllint is missing.
set -u
QBXML=$1
DATA=$2/tests/data/convert
WORK=$3/qbxml_interop
JAVA=$4
JAR=$5
if [ -z "$JAVA" ] || [ ! -f "$JAR" ] || ! command -v xmllint >/dev/null; then
    echo "skipped: needs java, $JAR and xmllint"
    exit 77
fi
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
java_tool() { "$JAVA" -cp "$JAR" "com.sun.xml.fastinfoset.tools.$1" "$2" "$3" 2>"$3.log"; }
canonical() { xmllint --c14n "$1" 2>/dev/null; }

for doc in "$DATA"/*.xml; do
    name=$(basename "$doc" .xml)
    canonical "$doc" > "$name.c14n" || { fail "$name: xmllint rejects the original"; continue; }
    "$QBXML" convert "$doc" "$name.ours.fi" || fail "$name: qbxml to Fast Infoset"
    java_tool FI_SAX_XML "$name.ours.fi" "$name.java.xml" || fail "$name: Java rejects our document"
    canonical "$name.java.xml" | cmp -s - "$name.c14n" || fail "$name: changed through Java's decoder"
    java_tool XML_SAX_FI "$doc" "$name.java.fi" || fail "$name: Java encoder"
    "$QBXML" convert "$name.java.fi" "$name.ours.xml" || fail "$name: qbxml reading Java's document"
    canonical "$name.ours.xml" | cmp -s - "$name.c14n" || fail "$name: changed through our decoder"
done
[ $failures -eq 0 ] && echo "all qbxml interop checks passed"
exit $((failures > 0))
