#!/bin/sh
# Demo: the bundled sample document goes from XML text to Fast Infoset and
# back with qbxml; prints the sizes and checks that the round trip kept the
# document (the XML written from the Fast Infoset copy is byte-identical to
# the XML written straight from the original).
set -e
QBXML=${1:-build/tools/qbxml}
SAMPLE=${2:-examples/data/sample.xml}
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

echo "== qbxml stats $SAMPLE"
"$QBXML" stats "$SAMPLE"

"$QBXML" convert "$SAMPLE" "$OUT/sample.fi"
"$QBXML" convert "$OUT/sample.fi" "$OUT/roundtrip.xml"
"$QBXML" convert "$SAMPLE" "$OUT/direct.xml"

echo
echo "== sizes"
printf '  %-34s %8d bytes\n' "original XML ($SAMPLE)" "$(wc -c <"$SAMPLE")"
printf '  %-34s %8d bytes\n' "Fast Infoset" "$(wc -c <"$OUT/sample.fi")"
printf '  %-34s %8d bytes\n' "XML written back from Fast Infoset" "$(wc -c <"$OUT/roundtrip.xml")"

if cmp -s "$OUT/direct.xml" "$OUT/roundtrip.xml"; then
    echo "Round trip XML -> Fast Infoset -> XML kept the document."
else
    echo "Round trip changed the document:" >&2
    diff "$OUT/direct.xml" "$OUT/roundtrip.xml" | head -20 >&2
    exit 1
fi
