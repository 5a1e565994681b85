#!/bin/bash
# Command-line behaviour of qbxml: formats, options, standard streams, exit
# codes. Usage: qbxml_cli_test.sh QBXML SOURCE_DIR WORK_DIR
set -u
QBXML=$1
SRC=$2
WORK=$3/qbxml_cli
SAMPLE=$SRC/examples/data/sample.xml
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# starts_with FILE HEX: the file's first bytes are HEX.
starts_with() { [ "$(head -c $(( ${#2} / 2 )) "$1" | od -An -tx1 | tr -d ' \n')" = "$2" ]; }

# Help documents every option and exits 0.
"$QBXML" --help > help.txt || fail "--help exit status"
for word in convert stats --to --formatted --compact --lf --crlf --encoding --no-declaration \
            --fi-declaration --compress --gzip --zlib --schema-type; do
    grep -q -- "$word" help.txt || fail "--help does not mention $word"
done

# XML to Fast Infoset by extension, with and without declaration, gzip.
"$QBXML" convert "$SAMPLE" out.fi || fail "convert to .fi"
starts_with out.fi e000000100 || fail "out.fi lacks the Fast Infoset header"
"$QBXML" convert --fi-declaration 1.0 "$SAMPLE" out.finf || fail "convert with declaration"
[ "$(head -c 37 out.finf)" = "<?xml version='1.0' encoding='finf'?>" ] || fail "FI declaration"
"$QBXML" convert --gzip "$SAMPLE" out.fi.gz --to fi || fail "convert gzip"
starts_with out.fi.gz 1f8b || fail "gzip magic"
gzip -dc out.fi.gz | cmp -s - out.fi || fail "gzip content differs from the plain stream"
"$QBXML" convert --zlib "$SAMPLE" out.zfi --to fi || fail "zlib output to a file"

# XML output: formatting, line ends, encoding, declaration.
printf '<a>\n <b/></a>' > spaced.xml
"$QBXML" convert --to xml --compact --no-declaration spaced.xml compact.xml || fail "compact"
[ "$(cat compact.xml)" = '<a><b/></a>' ] || fail "compact: $(cat compact.xml)"

# The converter keeps the document: mixed content in order, the default
# namespace and prefixes as written, comments and processing instructions,
# through Fast Infoset and back (byte for byte, as text read and written).
printf '%s\n' '<?pi x?><html xmlns="http://www.w3.org/1999/xhtml" xmlns:q="urn:q"><p>Found at:' \
    ' <code>/var/lib</code> on disk<!-- c --><q:b q:a="1"/>.</p></html>' > mixed.xml
"$QBXML" convert --to xml --no-declaration mixed.xml - > mixed-direct.xml || fail "text to text"
"$QBXML" convert mixed.xml mixed.fi && "$QBXML" convert --no-declaration mixed.fi mixed-back.xml ||
    fail "mixed content through Fast Infoset"
cmp -s mixed-direct.xml mixed-back.xml || fail "mixed content changed: $(cat mixed-back.xml)"
grep -q '<p>Found at:'$'$' mixed-back.xml && grep -q '^ <code>/var/lib</code> on disk<!-- c --><q:b q:a="1"/>.</p></html>$' mixed-back.xml ||
    fail "mixed content not as written: $(cat mixed-back.xml)"
"$QBXML" --version | grep -Eq '^qbxml [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
"$QBXML" convert --crlf "$SAMPLE" crlf.xml || fail "crlf"
grep -q $'\r$' crlf.xml || fail "no CRLF line ends"
"$QBXML" convert --encoding utf-16 "$SAMPLE" utf16.xml || fail "utf-16"
starts_with utf16.xml fffe3c003f00 || fail "UTF-16 output lacks BOM or declaration"
iconv -f UTF-16 -t UTF-8 utf16.xml | grep -q 'encoding="UTF-16"' || fail "UTF-16 declaration"

# Standard streams; the output format is the other one when not named.
"$QBXML" convert - - < "$SAMPLE" > stdout.fi || fail "stdin to stdout"
cmp -s stdout.fi out.fi || fail "stdout differs from the file output"
printf '<a><b c="1">t</b></a>' | "$QBXML" convert --to xml --compact - - > small.xml
[ "$(cat small.xml)" = '<?xml version="1.0" encoding="UTF-8"?>'$'\n''<a><b c="1">t</b></a>' ] ||
    fail "small document: $(cat small.xml)"

# Fast Infoset input (needs the Fast Infoset reader) and stats.
"$QBXML" convert out.fi back.xml || fail "Fast Infoset to XML"
"$QBXML" convert back.xml again.fi && cmp -s again.fi out.fi || fail "round trip changes the FI"
"$QBXML" stats "$SAMPLE" > stats.txt || fail "stats exit status"
for word in "XML + gzip" "Fast Infoset + gzip" elements attributes "text bytes"; do
    grep -q "$word" stats.txt || fail "stats lacks '$word'"
done
grep -Eq 'elements +897$' stats.txt || fail "element count: $(grep elements stats.txt)"
grep -Eq 'attributes +793$' stats.txt || fail "attribute count: $(grep attributes stats.txt)"
"$QBXML" stats out.fi.gz > stats_fi.txt || fail "stats of gzip Fast Infoset"
grep -q "Fast Infoset compressed with gzip" stats_fi.txt || fail "input kind: $(head -1 stats_fi.txt)"

# Errors: the whole chain and status 1; usage mistakes status 2.
printf '<a><b>' > broken.xml
"$QBXML" convert broken.xml x.fi 2> err.txt; [ $? -eq 1 ] || fail "malformed input status"
grep -q "line" err.txt || fail "malformed input message: $(cat err.txt)"
"$QBXML" convert missing.xml x.fi 2> /dev/null; [ $? -eq 1 ] || fail "missing file status"
"$QBXML" convert --bogus a b 2> /dev/null; [ $? -eq 2 ] || fail "unknown option status"
"$QBXML" convert --to json a b 2> /dev/null; [ $? -eq 2 ] || fail "bad value status"
"$QBXML" frobnicate 2> /dev/null; [ $? -eq 2 ] || fail "unknown command status"

[ $failures -eq 0 ] && echo "all qbxml checks passed"
exit $((failures > 0))
