// Loading XML text into CXmlDocument, checked against libxml2 as an
// independent parser, plus the error paths and the stream routing.
#include <gtest/gtest.h>
#include <iconv.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "binding/CElement.h"
#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"
#include "support/TreeDump.h"
#include "types/CBinaryData.h"
#include "xml/CExpatReader.h"
#include "xml/CXmlDocument.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

namespace QbXmlLib5 {
namespace {

using QbTest::TempPath;
using QbTest::WriteFile;

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Deflates with zlib itself: windowBits 15 gives a zlib wrapper, 31 gzip.
std::vector<unsigned char> Deflate(const std::string& text, int windowBits) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<unsigned char> out(deflateBound(&z, text.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// UTF-8 to UTF-16 with a byte-order mark, little- or big-endian, by iconv.
std::vector<unsigned char> Utf16WithBom(const std::string& utf8, bool bigEndian) {
    iconv_t cd = iconv_open(bigEndian ? "UTF-16BE" : "UTF-16LE", "UTF-8");
    std::vector<unsigned char> out(utf8.size() * 4 + 2);
    out[bigEndian ? 0 : 1] = 0xFE;
    out[bigEndian ? 1 : 0] = 0xFF;
    char* in = const_cast<char*>(utf8.data());
    char* next = reinterpret_cast<char*>(out.data() + 2);
    std::size_t inLeft = utf8.size(), outLeft = out.size() - 2;
    EXPECT_NE(iconv(cd, &in, &inLeft, &next, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string DumpDocument(const CXmlDocument& doc) { return QbTest::Dump(doc.GetDocumentElement()); }

#ifdef QB_HAVE_LIBXML2
// The namespace declarations of an element and its descendants, in document
// order: the last declaration of a prefix wins, as in our alias map.
void CollectAliases(const xmlNode* e, std::map<std::string, std::string>& aliases) {
    for (const xmlNs* ns = e->nsDef; ns; ns = ns->next) {
        aliases[ns->prefix ? reinterpret_cast<const char*>(ns->prefix) : ""] =
            reinterpret_cast<const char*>(ns->href);
    }
    for (const xmlNode* c = e->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) CollectAliases(c, aliases);
    }
}

// Parses with libxml2 (entities substituted, DTD defaults applied) and checks
// that our tree and alias map say exactly the same.
void ExpectSameAsLibxml(const std::vector<unsigned char>& bytes, const CXmlDocument& ours) {
    xmlDoc* doc = xmlReadMemory(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                                nullptr, nullptr,
                                XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_NOERROR |
                                    XML_PARSE_NOWARNING);
    ASSERT_NE(doc, nullptr) << "libxml2 rejects the document";
    EXPECT_EQ(DumpDocument(ours), QbTest::Dump(xmlDocGetRootElement(doc)));
    std::map<std::string, std::string> aliases;
    CollectAliases(xmlDocGetRootElement(doc), aliases);
    xmlFreeDoc(doc);
    for (const auto& alias : aliases) {
        EXPECT_EQ(ours.LookupNamespaceFromAlias(alias.first.c_str()), alias.second) << alias.first;
    }
}

const char* const kDocuments[] = {
    // Default namespace, prefixed child, undeclaration, prefixed attributes.
    ("<?xml version='1.0'?>\n"
     "<root xmlns='urn:default' xmlns:p='urn:p' a='1' p:b='2' xml:lang='en'>\n"
     "  <p:child p:x='y' z='w'>text</p:child>\n"
     "  <plain xmlns=''><inner q='r'/></plain>\n"
     "  <p:re xmlns:p='urn:p2'><p:deep/></p:re>\n"
     "</root>"),
    // CDATA, comments and processing instructions splitting text; mixed content.
    "<m>one<![CDATA[<two> & ]]>three<!-- c -->four<?pi data?>five<e/>six&amp;&lt;&gt;&quot;&apos;</m>",
    // Entities from the internal subset, character references (also beyond
    // the BMP and a carriage return), DTD attribute defaults.
    ("<!DOCTYPE d [<!ENTITY e 'entity &#x41; text'><!ATTLIST d def CDATA 'dflt'>]>\n"
     "<d att='&e; &#x1F600;'>&e;|&#233;&#x1F600;|a&#13;b|&#10;</d>"),
    // CRLF line ends, whitespace in attribute values, non-ASCII names and text.
    "<caf\xC3\xA9 v='a\tb\r\nc'>\r\nline1\r\nline2\r\n<\xE6\x97\xA5 \xC3\xA9='\xF0\x9F\x98\x80'/></caf\xC3\xA9>",
    // Declared ISO-8859-1 encoding.
    "<?xml version='1.0' encoding='ISO-8859-1'?><l \xE9='\xE9'>\xE0\xFF</l>",
    // Empty-looking elements and whitespace-only text.
    "<w xmlns:a='urn:a' xmlns:b='urn:a'><a:x/><b:x a:k='1'/> \n\t </w>",
};

TEST(XmlLoad, TextMatchesLibxml2) {
    for (const char* text : kDocuments) {
        SCOPED_TRACE(text);
        const std::vector<unsigned char> bytes = Bytes(text);
        CXmlDocument fromString;
        fromString.LoadXml(text);
        ExpectSameAsLibxml(bytes, fromString);

        CXmlDocument fromStream;
        fromStream.LoadXmlStream(bytes.data(), bytes.size());
        EXPECT_EQ(DumpDocument(fromStream), DumpDocument(fromString));
    }
}

TEST(XmlLoad, Utf16AndCompressedStreamsMatchLibxml2) {
    for (const char* text : kDocuments) {
        SCOPED_TRACE(text);
        if (std::string(text).find("ISO-8859-1") != std::string::npos) continue;
        CXmlDocument reference;
        reference.LoadXml(text);
        const std::string expected = DumpDocument(reference);

        for (bool bigEndian : {false, true}) {
            const std::vector<unsigned char> utf16 = Utf16WithBom(text, bigEndian);
            CXmlDocument doc;
            doc.LoadXmlStream(utf16.data(), utf16.size());
            ExpectSameAsLibxml(utf16, doc);
        }
        for (int windowBits : {15, 31}) {
            const std::vector<unsigned char> packed = Deflate(text, windowBits);
            CXmlDocument doc;
            doc.LoadXmlStream(packed.data(), packed.size());
            EXPECT_EQ(DumpDocument(doc), expected);
            const std::string path = TempPath("packed.xml");
            WriteFile(path, packed);
            CXmlDocument fromFile;
            fromFile.Load(path.c_str());
            EXPECT_EQ(DumpDocument(fromFile), expected);
            std::remove(path.c_str());
        }
    }
    // A gzip file of two members (`cat a.gz b.gz`) loads as their concatenation.
    const std::string whole = kDocuments[1], cut = whole.substr(0, whole.size() / 2);
    std::vector<unsigned char> members = Deflate(cut, 31), rest = Deflate(whole.substr(cut.size()), 31);
    members.insert(members.end(), rest.begin(), rest.end());
    CXmlDocument joined, reference;
    joined.LoadXmlStream(members.data(), members.size());
    reference.LoadXml(whole.c_str());
    EXPECT_EQ(DumpDocument(joined), DumpDocument(reference));
    // Compressed UTF-16 goes through both steps.
    const std::vector<unsigned char> utf16 = Utf16WithBom(kDocuments[0], false);
    const std::vector<unsigned char> packed = Deflate(std::string(utf16.begin(), utf16.end()), 31);
    CXmlDocument doc;
    doc.LoadXmlStream(packed.data(), packed.size());
    ExpectSameAsLibxml(Bytes(kDocuments[0]), doc);
}
// Compressed text is parsed while it inflates. Whatever inflates from its
// first byte to its last loads as its inflated text would; anything else is
// read as it is, as uncompressed text, also when the inflated text was faulty
// or the fault lies far into a document already partly parsed.
TEST(XmlLoad, CompressedTextLoadsAsItInflates) {
    std::string big = "<?xml version='1.0'?>\n<r>\n";
    for (int i = 0; i < 40000; ++i) big += "  <item n='" + std::to_string(i) + "'>t</item>\n";
    const std::string quickDeclines = big + "<\xc3\xa9l/></r>";  // a name beyond ASCII
    const std::string utf16Text = "\xff\xfe<\0a\0/\0>\0";
    const std::string utf16(utf16Text.data(), 10);
    const auto cut = [](std::vector<unsigned char> v, std::size_t n) {
        v.resize(v.size() - n);
        return v;
    };
    const auto flip = [](std::vector<unsigned char> v, std::size_t at) {
        v[at] ^= 0x55;
        return v;
    };
    const auto joined = [](std::vector<unsigned char> a, const std::vector<unsigned char>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<unsigned char> bigGz = Deflate(big + "</r>", 31);
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        std::string inflated;  // empty: does not inflate
    } cases[] = {
        {"valid", Deflate("<a><b>x</b></a>", 31), "<a><b>x</b></a>"},
        {"zlib", Deflate("<a><b>x</b></a>", 15), "<a><b>x</b></a>"},
        {"faulty", Deflate("<a><b></a>", 31), "<a><b></a>"},
        {"nothing", Deflate("", 31), ""},
        {"two members", joined(Deflate("<a><b/>", 31), Deflate("<c/></a>", 31)), "<a><b/><c/></a>"},
        {"doctype", Deflate("<!DOCTYPE a [<!ENTITY e 'v'>]><a>&e;</a>", 31),
         "<!DOCTYPE a [<!ENTITY e 'v'>]><a>&e;</a>"},
        {"utf-16", Deflate(utf16, 31), utf16},
        {"large", bigGz, big + "</r>"},
        {"large, faulty at the end", Deflate(big + "<x></r>", 31), big + "<x></r>"},
        {"quick parser declines late", Deflate(quickDeclines, 31), quickDeclines},
        {"cut short", cut(Deflate("<a><b>x</b></a>", 31), 3), ""},
        {"faulty and cut short", cut(Deflate("<a><b></a>", 31), 3), ""},
        {"trailing bytes", joined(Deflate("<a/>", 31), Bytes("xy")), ""},
        {"zlib, trailing bytes", joined(Deflate("<a/>", 15), Bytes("x")), ""},
        {"large, damaged checksum", flip(bigGz, bigGz.size() - 6), ""},
        {"large, damaged middle", flip(bigGz, bigGz.size() / 2), ""},
        {"large, faulty, damaged checksum", flip(Deflate(big + "<x></r>", 31), bigGz.size() - 6),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string expected;
        if (c.name == std::string("nothing") || !c.inflated.empty()) {
            const std::vector<unsigned char> text = Bytes(c.inflated);
            CXmlDocument reference;
            expected =
                c.inflated.empty()
                    ? "Invalid or empty XML document"
                    : QbTest::MessageOf([&] { reference.LoadXmlStream(text.data(), text.size()); });
            if (expected == "(no exception)") expected = DumpDocument(reference);
        } else {
            // The raw bytes as text, through the loader that never inflates.
            std::size_t at = 0;
            CXmlDocument reference;
            expected = QbTest::MessageOf([&] {
                reference.LoadXmlFrom([&](unsigned char* buffer, std::size_t size) {
                    const std::size_t n = std::min(size, c.bytes.size() - at);
                    std::copy(c.bytes.begin() + at, c.bytes.begin() + at + n, buffer);
                    at += n;
                    return n;
                });
            });
            ASSERT_NE(expected, "(no exception)");
        }
        CXmlDocument doc;
        std::string got =
            QbTest::MessageOf([&] { doc.LoadXmlStream(c.bytes.data(), c.bytes.size()); });
        const bool failed = got != "(no exception)";
        if (!failed) got = DumpDocument(doc);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(doc.GetDocumentElement() == nullptr, failed);
    }
}

// Random documents: nested elements with namespace (re)declarations,
// prefixed and plain attributes, and text made of every kind of piece.
class RandomXml {
public:
    explicit RandomXml(unsigned seed) : m_rng(seed) {}

    std::string Document() {
        std::string out = "<?xml version='1.0' encoding='UTF-8'?>\n<!-- head -->";
        Element(out, 0);
        return out + "\n<!-- tail -->";
    }

private:
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }
    template <std::size_t N>
    const char* Pick(const char* const (&options)[N]) { return options[Pick(N)]; }

    void Element(std::string& out, int depth) {
        static const char* const kPrefixes[] = {"", "a:", "b:"};
        static const char* const kNames[] = {"e", "item", "caf\xC3\xA9", "\xE6\x97\xA5"};
        static const char* const kDecls[] = {"", "", " xmlns='urn:d1'", " xmlns=''", " xmlns:a='urn:a2'",
                                             " xmlns:b='urn:b2' xmlns='urn:d2'"};
        static const char* const kValues[] = {"v", "&quot;&lt;&amp;&gt;", "t\tn\nr\r\n.", "&#x1F600;\xC3\xA9",
                                              "", "&#13;&#10;&#9;"};
        const std::string name = std::string(Pick(kPrefixes)) + Pick(kNames);
        out += "<" + name + (depth == 0 ? " xmlns:a='urn:a1' xmlns:b='urn:b1'" : Pick(kDecls));
        const char* const attributes[] = {"x", "a:x", "b:x", "y", "a:y", "xml:lang"};
        for (const char* attribute : attributes) {
            if (Pick(3) == 0) out += std::string(" ") + attribute + "='" + Pick(kValues) + "'";
        }
        out += ">";
        const std::size_t children = depth < 5 ? Pick(5) : 0;
        for (std::size_t i = 0; i <= children; ++i) {
            Text(out);
            if (i < children) Element(out, depth + 1);
        }
        out += "</" + name + ">";
    }

    void Text(std::string& out) {
        static const char* const kPieces[] = {"plain ", "&amp;&lt;&gt;", "&#x1F600;&#233;", "&#13;", "\r\n",
                                              "<![CDATA[<cdata> & ]]>", "<!-- c -->", "<?pi data?>", " \t\n",
                                              "\xE2\x82\xAC"};
        for (std::size_t n = Pick(4); n > 0; --n) out += Pick(kPieces);
    }

    std::mt19937 m_rng;
};

TEST(XmlLoad, RandomDocumentsMatchLibxml2) {
    RandomXml generator(20261206);
    for (int i = 0; i < 300; ++i) {
        const std::string text = generator.Document();
        SCOPED_TRACE(text);
        CXmlDocument doc;
        doc.LoadXml(text.c_str());
        ExpectSameAsLibxml(Bytes(text), doc);
        if (HasFailure()) break;
    }
}
#endif  // QB_HAVE_LIBXML2

// A document loaded again reuses the storage of its previous tree: the trees
// must be the same as those of fresh documents, whatever the sizes and the
// order, also after a failed load.
TEST(XmlLoad, ReloadingOneDocumentGivesFreshTrees) {
    std::string big = "<big xmlns:p='urn:p'>";
    for (int i = 0; i < 1500; ++i) {
        big += "<e n='" + std::to_string(i) + "' p:long='a value longer than any inline buffer " +
               std::to_string(i) + "'>t" + std::to_string(i) + "</e>";
    }
    big += "</big>";
    const std::vector<std::string> texts = {
        "<r xmlns='urn:d' xmlns:p='urn:p1' a='1' p:b='2'><p:c xmlns:p='urn:p2'/>x</r>",
        big,
        "<m>one<![CDATA[<two>]]>three<e/>six&amp;</m>",
        big,
        "<small a='1'/>",
    };
    CXmlDocument reused;
    for (int round = 0; round < 2; ++round) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(text.substr(0, 60));
            reused.LoadXml(text.c_str());
            CXmlDocument fresh;
            fresh.LoadXml(text.c_str());
            EXPECT_EQ(DumpDocument(reused), DumpDocument(fresh));
            EXPECT_EQ(reused.GetDocumentElement()->GetDocument(), &reused);
        }
        EXPECT_THROW(reused.LoadXml("<broken>"), CQbException);
        EXPECT_EQ(reused.GetDocumentElement(), nullptr);
    }
}

TEST(XmlLoad, NamespaceDetails) {
    CXmlDocument doc;
    doc.LoadXml("<r xmlns='urn:d' xmlns:p='urn:p1' a='1' p:b='2'><p:c xmlns:p='urn:p2'/>"
                "<u xmlns=''/></r>");
    // An unprefixed attribute has no namespace; declarations are not attributes.
    EXPECT_EQ(QbTest::Dump(doc.GetDocumentElement()), "{urn:d}r[a=1,{urn:p1}b=2]({urn:p2}c u)");
    EXPECT_EQ(doc.LookupNamespaceFromAlias("p"), "urn:p2");  // the last declaration wins
    EXPECT_EQ(doc.LookupNamespaceFromAlias(""), "");         // xmlns='' came last
    EXPECT_EQ(doc.LookupNamespaceFromAlias("q"), "");

    // Expat refuses a namespace URI that contains its separator "|".
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml("<x:e xmlns:x='urn:a|b'/>"); }), "syntax error at line 1");

    // Without namespace processing names stay whole, declarations are attributes.
    CXmlDocument plain(ST_NO_NAMESPACES);
    plain.LoadXml("<p:a xmlns:p='urn:p' xmlns='urn:d' p:k='v'><p:b/></p:a>");
    EXPECT_EQ(QbTest::Dump(plain.GetDocumentElement()), "p:a[xmlns:p=urn:p,xmlns=urn:d,p:k=v](p:b)");
    EXPECT_EQ(plain.LookupNamespaceFromAlias("p"), "");
    EXPECT_EQ(plain.GetSchemaType(), ST_NO_NAMESPACES);
    // Unbound prefixes are an error only with namespace processing.
    plain.LoadXml("<u:a/>");
    EXPECT_EQ(plain.GetDocumentElement()->GetLocalName(), "u:a");
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml("<u:a/>"); }), "unbound prefix at line 1");
}

TEST(XmlLoad, WideStrings) {
    CXmlDocument doc;
    doc.LoadXml(L"<?xml version='1.0' encoding='UTF-8'?>"
                L"<w a='\u00E9\U0001F600'>x\u65E5\U0001F600\U0010FFFD</w>");
    EXPECT_EQ(QbTest::Dump(doc.GetDocumentElement()),
              "w[a=\xC3\xA9\xF0\x9F\x98\x80]\"x\xE6\x97\xA5\xF0\x9F\x98\x80\xF4\x8F\xBF\xBD\"");

    doc.LoadXml(L"\uFEFF<b/>");  // a leading byte-order mark character
    EXPECT_EQ(doc.GetDocumentElement()->GetLocalName(), "b");

    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(L""); }), "XML String is empty!");
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(L"<a>\n<b></a>"); }), "mismatched tag at line 2");
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
}

TEST(XmlLoad, MalformedInput) {
    CXmlDocument doc;
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"<a><b>x</b>", "no element found at line 1"},  // unclosed
        {"<a>\n<b>x</b", "unclosed token at line 2"},    // truncated inside a tag
        {"<a>\n\n<b></c></a>", "mismatched tag at line 3"},
        {"<a>\x01</a>", "not well-formed (invalid token) at line 1"},
        {"<a>\xFF</a>", "not well-formed (invalid token) at line 1"},
        {"<a/><b/>", "junk after document element at line 1"},
        {"<a>&undefined;</a>", "undefined entity at line 1"},
        {"<?xml version='1.0'?>\n<!-- only a comment -->", "Invalid or empty XML document"},
        {"   ", "Invalid or empty XML document"},
        {"", "XML String is empty!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(c.text); }), c.message) << c.text;
        EXPECT_EQ(doc.GetDocumentElement(), nullptr) << c.text;
        const std::vector<unsigned char> bytes = Bytes(c.text);
        const std::string streamMessage = bytes.empty() ? "XML Stream is empty!" : c.message;
        EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXmlStream(bytes.data(), bytes.size()); }), streamMessage);
        EXPECT_EQ(doc.GetDocumentElement(), nullptr) << c.text;
    }
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXmlStream(nullptr, 0); }), "XML Stream is empty!");
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(static_cast<const char*>(nullptr)); }), "XML String is empty!");

    // Exponential entity expansion is stopped by Expat, not by memory.
    std::string laughs = "<!DOCTYPE l [<!ENTITY l0 'ha'>";
    for (int i = 1; i < 30; ++i) {
        const std::string prev = "&l" + std::to_string(i - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(i) + " '" + prev + prev + prev + prev + "'>";
    }
    laughs += "]><l>&l29;</l>";
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(laughs.c_str()); }).rfind("limit on input amplification", 0), 0u);

    // A compressed document is not text: only streams and files inflate it.
    const std::vector<unsigned char> packed = Deflate("<z/>", 15);
    const std::string packedText(packed.begin(), packed.end());
    EXPECT_NE(QbTest::MessageOf([&] { doc.LoadXml(packedText.c_str()); }), "(no exception)");
    // A cut-off compressed stream is not inflated, and fails as text.
    const std::vector<unsigned char> gz = Deflate("<z>some text to compress</z>", 31);
    EXPECT_NE(QbTest::MessageOf([&] { doc.LoadXmlStream(gz.data(), gz.size() - 3); }), "(no exception)");
    // Compressed nothing is an empty document.
    const std::vector<unsigned char> none = Deflate("", 31);
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXmlStream(none.data(), none.size()); }),
              "Invalid or empty XML document");

    // A load after a failure, and a second load, keep only the new tree.
    doc.LoadXml("<first><x/></first>");
    doc.LoadXml("<second/>");
    EXPECT_EQ(DumpDocument(doc), "second");
}

// An exception raised while building the tree stops Expat and reaches the
// caller unchanged, without unwinding through the parser.
TEST(XmlLoad, ExceptionInsideCallbackStopsTheParse) {
    class ClosedDocument : public CXmlDocument {
    public:
        ClosedDocument() {
            AddDocElement("", "closed");
            EndElement();  // nothing open: adding a child now throws
        }
    };
    ClosedDocument doc;
    CExpatReader reader(&doc);
    const std::string text = "<a><b/>" + std::string(100000, 'x') + "</a>";
    EXPECT_THROW(reader.Parse(reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr),
                 CQbInvalidStateException);
    EXPECT_EQ(doc.GetDocumentElement()->GetFirstElement(), nullptr);
}

TEST(XmlLoad, Files) {
    const std::string path = TempPath("plain.xml");
    WriteFile(path, Bytes("<f a='b'>c</f>"));
    CXmlDocument doc;
    doc.Load(path.c_str());
    EXPECT_EQ(DumpDocument(doc), "f[a=b]\"c\"");

    WriteFile(path, std::string());
    EXPECT_EQ(QbTest::MessageOf([&] { doc.Load(path.c_str()); }), "Invalid or empty XML document");
    std::remove(path.c_str());

    const std::string missing = TempPath("missing/none.xml");
    EXPECT_EQ(QbTest::MessageOf([&] { doc.Load(missing.c_str()); }),
              "Failed to open the file [" + missing + "] Error [0x00000002]");
    EXPECT_EQ(QbTest::MessageOf([&] { doc.Load("/"); }),
              "Failed to get the size of the file [/] Error [0x00000015]");
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
}

// Files beyond a megabyte are parsed as they are read (compressed ones and
// Fast Infoset are read whole): every outcome is that of the same bytes
// loaded from memory, also where the library's parser gives up late and
// Expat reads the file again from its start.
TEST(XmlLoad, LargeFilesLoadAsTheirBytes) {
    std::string items;
    for (int i = 0; items.size() < 1300 * 1000; ++i) {
        items += "<item n='" + std::to_string(i) + "'>t &amp; " + std::to_string(i) + "</item>\n";
    }
    const std::string big = "<?xml version='1.0'?>\n<r>\n" + items + "</r>\n";
    const std::string late = "<r>\n" + items + "<\xc3\xa9l/></r>";  // a name beyond ASCII
    CSmartPtr<CElement> tree = new CElement("");
    tree->FromXml(big.c_str());
    const CBinaryData fi = tree->ToFastInfosetStream(FI_DECL_NONE);
    const std::vector<unsigned char> inputs[] = {
        Bytes(big),
        Bytes(late),
        Bytes("<r>\n" + items + "<x></r>"),
        Bytes("<r>\n" + items),
        Bytes(big + "<trailing/>"),
        Utf16WithBom(big, false),
        Deflate(big, 31),
        {fi.GetData(), fi.GetData() + fi.GetLength()},
    };
    const std::string path = TempPath("large.xml");
    for (const std::vector<unsigned char>& bytes : inputs) {
        SCOPED_TRACE(std::string(bytes.begin() + 100, bytes.begin() + 110));
        WriteFile(path, bytes);
        CXmlDocument fromMemory, fromFile;
        std::string expected = QbTest::MessageOf([&] { fromMemory.LoadXmlStream(bytes.data(), bytes.size()); });
        if (expected == "(no exception)") expected = DumpDocument(fromMemory);
        std::string got = QbTest::MessageOf([&] { fromFile.Load(path.c_str()); });
        if (got == "(no exception)") got = DumpDocument(fromFile);
        EXPECT_TRUE(got == expected) << got.substr(0, 200);  // (too long to print whole)
    }
    std::remove(path.c_str());
}

// Binary input goes through Fast Infoset first; text input never does.
TEST(XmlLoad, FastInfosetRouting) {
    const std::string dir = QB_TEST_DATA_DIR "/fastinfoset/";
    const std::vector<unsigned char> xml = Bytes(QbTest::ReadFile(dir + "java_sample.xml"));
    const std::vector<unsigned char> fi = Bytes(QbTest::ReadFile(dir + "java_sample.finf"));
    ASSERT_FALSE(xml.empty());
    ASSERT_FALSE(fi.empty());
    CXmlDocument text;
    text.LoadXmlStream(xml.data(), xml.size());
    const std::string expected = DumpDocument(text);

    CXmlDocument doc;
    doc.Load((dir + "java_sample.finf").c_str());
    EXPECT_EQ(DumpDocument(doc), expected);
    doc.LoadXmlStream(fi.data(), fi.size());
    EXPECT_EQ(DumpDocument(doc), expected);
    const std::vector<unsigned char> packed = Deflate(std::string(fi.begin(), fi.end()), 31);
    doc.LoadXmlStream(packed.data(), packed.size());
    EXPECT_EQ(DumpDocument(doc), expected);
    std::string declared = "<?xml version='1.0' encoding='finf'?>";
    declared.append(fi.begin(), fi.end());
    doc.LoadXmlStream(reinterpret_cast<const unsigned char*>(declared.data()), declared.size());
    EXPECT_EQ(DumpDocument(doc), expected);
    EXPECT_NE(QbTest::MessageOf([&] { doc.LoadXml(declared.c_str()); }), "(no exception)");

    // A gzip file of a Fast Infoset document inflates, then decodes.
    doc.Load((dir + "java_big.finf.gz").c_str());
    ASSERT_NE(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.GetDocumentElement()->GetNamespaceURI(), "urn:big");

    // A truncated Fast Infoset document fails as Fast Infoset, not as text.
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXmlStream(fi.data(), fi.size() / 2); }),
              "Failed to parse FastInfoset. Unexpected End of File.");
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
}

TEST(XmlLoad, DeepDocumentLoadsAndFrees) {
    const int depth = 1000000;
    std::string text;
    text.reserve(depth * 7);
    for (int i = 0; i < depth; ++i) text += "<d>";
    text += "leaf";
    for (int i = 0; i < depth; ++i) text += "</d>";
    {
        CXmlDocument doc;
        doc.LoadXml(text.c_str());
        int levels = 0;
        const CXmlElement* e = doc.GetDocumentElement();
        for (; e->GetFirstElement(); e = e->GetFirstElement()) ++levels;
        EXPECT_EQ(levels, depth - 1);
        EXPECT_EQ(e->GetText(), "leaf");
    }
    // The same depth left unclosed is an error, and the partial tree is freed.
    text.resize(depth * 3);
    CXmlDocument doc;
    EXPECT_EQ(QbTest::MessageOf([&] { doc.LoadXml(text.c_str()); }), "no element found at line 1");
}

}  // namespace
}  // namespace QbXmlLib5
