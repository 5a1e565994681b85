#!/usr/bin/env python3
"""Regenerates the generated members of the untyped round-trip corpus.

The hand-written documents (plain.xml, unicode.xml, ...) are kept as they
are; this script derives the large, UTF-16 and compressed ones from them so
that the corpus is reproducible. Run it from this directory.
"""
import gzip
import zlib


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def deep(levels):
    parts = ['<?xml version="1.0"?>\n<deep xmlns="urn:deep" xmlns:n="urn:deep:n">']
    for i in range(levels):
        ns = ' xmlns="urn:deep:%d"' % i if i % 50 == 49 else ""
        parts.append('<n:level depth="%d"%s>t%d' % (i, ns, i))
    parts.append("bottom")
    parts.extend("</n:level>" for _ in range(levels))
    parts.append("</deep>\n")
    return "".join(parts).encode("utf-8")


def long_text(chars):
    unit = "Lorem ipsum dolor sit amet &amp; consectetur &lt;adipiscing&gt; elit. "
    body = (unit * (chars // len(unit) + 1))
    return ('<?xml version="1.0"?>\n<long><text>%s</text><after>done</after></long>\n'
            % body).encode("utf-8")


def wide(count):
    rows = "".join('<row n="%d" b:flag="%s">%d</row>\n' % (i, "yes" if i % 2 else "no", i * i)
                   for i in range(count))
    return ('<?xml version="1.0"?>\n<table xmlns:b="urn:flags">\n%s</table>\n' % rows).encode()


def many_namespaces(count):
    decls = "".join(' xmlns:p%d="urn:many:%d"' % (i, i) for i in range(count))
    kids = "".join('<p%d:e p%d:a="%d"/>' % (i, (i + 1) % count, i) for i in range(count))
    return ('<?xml version="1.0"?>\n<root%s>%s</root>\n' % (decls, kids)).encode()


def utf16(source, encoding, bom):
    text = open(source, encoding="utf-8").read()
    text = text.replace('encoding="UTF-8"', 'encoding="UTF-16"', 1)
    return bom + text.encode(encoding)


write("deep.xml", deep(300))
write("long_text.xml", long_text(200000))
write("wide.xml", wide(3000))
write("many_namespaces.xml", many_namespaces(40))
write("utf16le_bom.xml", utf16("unicode.xml", "utf-16-le", b"\xff\xfe"))
write("utf16be_bom.xml", utf16("prefixed.xml", "utf-16-be", b"\xfe\xff"))
# mtime 0 keeps the gzip bytes reproducible.
write("default_ns.xml.gz", gzip.compress(open("default_ns.xml", "rb").read(), mtime=0))
write("wide.xml.gz", gzip.compress(wide(3000), mtime=0))
write("unicode_utf16.xml.gz",
      gzip.compress(utf16("unicode.xml", "utf-16-le", b"\xff\xfe"), mtime=0))
write("attrs_ns.xml.zz", zlib.compress(open("attrs_ns.xml", "rb").read()))
