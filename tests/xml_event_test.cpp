// The event path: XML text -> CXmlEventParser -> CFastInfosetEventWriter ->
// CFastInfosetReader (events) -> CXmlTextEventWriter must give back the
// document, judged by libxml2's canonical form (with comments), and the
// library's tree reader and the parser must accept what the writers produce.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/c14n.h>
#include <libxml/parser.h>
#endif

using namespace QbXmlLib5;

namespace {

// Documents a converter must keep: mixed content, default namespaces and
// their undeclaration, prefixes (also two for one namespace), comments and
// processing instructions inside and around the root, references, CDATA,
// non-ASCII text, and attribute values with blanks that must survive.
const char* const kDocuments[] = {
    "<p>Found at: <code>/var/lib</code> on disk</p>",
    "<?xml version=\"1.0\"?>\n<?xml-stylesheet href=\"s.xsl\"?>\n<!-- head -->\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><body><p>See <b>one</b> and "
    "<i>two</i>.</p><!-- c --><?pi some data?></body></html>\n<!-- tail --><?end?>",
    "<a:r xmlns:a=\"urn:a\" xmlns:b=\"urn:a\" xmlns=\"urn:d\"><b:x a:at=\"1\" b:bt=\"2\">"
    "<y xmlns=\"\"><z/></y></b:x><a:x xmlns:a=\"urn:other\"/></a:r>",
    "<d xml:lang=\"fr\" t=\"a&#9;b&#10;c&#13;d &quot;q&quot; &lt;&amp;&gt;\">"
    "&lt;tag&gt; &amp; <![CDATA[raw <cdata> & text]]> \xC3\xA9t\xC3\xA9 \xE2\x82\xAC "
    "\xF0\x9F\x98\x80 line1\r\nline2</d>",
    "<root>\n  <item n=\"1\">  padded  </item>\n  <item n=\"2\"/>\n  <!--\n multi\n line -->\n"
    "</root>",
};

struct Collected : CXmlEventSink {
    std::string out;
    void StartElement(const QName& n, const std::vector<Declaration>& d,
                      const std::vector<Attribute>& a) override {
        out += "<" + std::string(n.prefix) + "|" + std::string(n.namespaceUri) + "|" +
               std::string(n.localName) + " d" + std::to_string(d.size()) + " a" +
               std::to_string(a.size()) + ">";
    }
    void EndElement() override { out += "</>"; }
    void Text(std::string_view t) override { out += "[" + std::string(t) + "]"; }
    void Comment(std::string_view t) override { out += "{!" + std::string(t) + "}"; }
    void ProcessingInstruction(std::string_view t, std::string_view d) override {
        out += "{?" + std::string(t) + " " + std::string(d) + "}";
    }
    void EndDocument() override { out += "."; }
};

std::vector<unsigned char> ToFastInfoset(const std::string& xml) {
    std::vector<unsigned char> fi;
    CFastInfosetEventWriter writer(
        [&fi](const unsigned char* d, std::size_t n) { fi.insert(fi.end(), d, d + n); },
        FI_DECL_NONE);
    CXmlEventParser parser(writer);
    parser.Parse(reinterpret_cast<const unsigned char*>(xml.data()), xml.size(), true);
    return fi;
}

void ReadFastInfoset(const std::vector<unsigned char>& fi, CXmlEventSink& sink) {
    CXmlDocument names;
    CFastInfosetReader reader(&names, fi.data(), fi.size());
    reader.SetEventSink(&sink);
    ASSERT_TRUE(reader.Read());
}

std::string ToText(const std::vector<unsigned char>& fi,
                   CXmlTextEventWriter::WhitespaceMode mode = CXmlTextEventWriter::WS_AS_READ) {
    std::string xml;
    CXmlTextEventWriter writer([&xml](const char* d, std::size_t n) { xml.append(d, n); }, mode,
                               EOL_LF, "UTF-8");
    ReadFastInfoset(fi, writer);
    return xml;
}

#ifdef QB_HAVE_LIBXML2
// libxml2's canonical XML 1.0 with comments; "" when it cannot parse.
std::string Canonical(const std::string& xml) {
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "doc.xml", nullptr,
                                  XML_PARSE_NONET);
    if (!doc) return "";
    xmlChar* out = nullptr;
    const int size = xmlC14NDocDumpMemory(doc, nullptr, XML_C14N_1_0, nullptr, 1, &out);
    std::string result = size < 0 ? "" : std::string(reinterpret_cast<char*>(out), size);
    xmlFree(out);
    xmlFreeDoc(doc);
    return result;
}
#endif

TEST(XmlEventTest, TextToFastInfosetToTextKeepsTheDocument) {
    for (const char* document : kDocuments) {
        SCOPED_TRACE(document);
        const std::vector<unsigned char> fi = ToFastInfoset(document);
        const std::string back = ToText(fi);
        // The Fast Infoset written again from its own events is the same.
        EXPECT_EQ(ToFastInfoset(back), fi);
        // The tree reader reads it too (comments and instructions included).
        CSmartPtr<CElement> tree(new CElement(""));
        EXPECT_NO_THROW(tree->FromXmlStream(fi.data(), static_cast<unsigned long>(fi.size())));
#ifdef QB_HAVE_LIBXML2
        const std::string expected = Canonical(document);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Canonical(back), expected) << back;
#endif
    }
}

TEST(XmlEventTest, ReadersReportTheSameEvents) {
    // Text runs arrive whole; names keep prefix and namespace; declarations
    // and attributes are counted separately.
    const std::string xml =
        "<!--c--><a:r xmlns:a=\"urn:a\" x=\"1\">one &amp; two<a:e/>three<?p d?></a:r><?q?>";
    Collected fromText;
    CXmlEventParser(fromText).Parse(reinterpret_cast<const unsigned char*>(xml.data()), xml.size(),
                                    true);
    EXPECT_EQ(fromText.out,
              "{!c}<a|urn:a|r d1 a1>[one & two]<a|urn:a|e d0 a0></>[three]{?p d}</>{?q }.");
    Collected fromFi;
    ReadFastInfoset(ToFastInfoset(xml), fromFi);
    EXPECT_EQ(fromFi.out, fromText.out);
    // Without namespace processing names and xmlns pass as written.
    Collected raw;
    CXmlEventParser(raw, false)
        .Parse(reinterpret_cast<const unsigned char*>(xml.data()), xml.size(), true);
    EXPECT_NE(raw.out.find("<||a:r d0 a2>"), std::string::npos) << raw.out;
}

TEST(XmlEventTest, WhitespaceModes) {
    const std::vector<unsigned char> fi =
        ToFastInfoset("<r>\n <a> <b/> </a>\n <p>x <i>y</i> <j/></p>\n</r>");
    const struct {
        CXmlTextEventWriter::WhitespaceMode mode;
        const char* expected;
    } kCases[] = {
        {CXmlTextEventWriter::WS_AS_READ, "<r>\n <a> <b/> </a>\n <p>x <i>y</i> <j/></p>\n</r>\n"},
        {CXmlTextEventWriter::WS_COMPACT, "<r><a><b/></a><p>x <i>y</i><j/></p></r>\n"},
        // No indentation inside the mixed <p>.
        {CXmlTextEventWriter::WS_FORMATTED,
         "<r>\n\t<a>\n\t\t<b/>\n\t</a>\n\t<p>x <i>y</i><j/></p>\n</r>\n"},
    };
    for (const auto& c : kCases) {
        const std::string xml = ToText(fi, c.mode);
        EXPECT_EQ(xml.substr(xml.find("?>\n") + 3), c.expected);
    }
}

TEST(XmlEventTest, BadInputThrowsAndSinkFailuresPassThrough) {
    const std::string broken = "<a><b></a>";
    Collected sink;
    EXPECT_NE(QbTest::MessageOf([&] {
                  CXmlEventParser(sink).Parse(reinterpret_cast<const unsigned char*>(broken.data()),
                                              broken.size(), true);
              }).find("at line 1"),
              std::string::npos);
    const std::string open = "<a><b/>";
    EXPECT_EQ(QbTest::MessageOf([&] {
                  CXmlEventParser(sink).Parse(reinterpret_cast<const unsigned char*>(open.data()),
                                              open.size(), true);
              }),
              "no element found at line 1");
    // Every truncation of a Fast Infoset document fails cleanly.
    const std::vector<unsigned char> fi = ToFastInfoset(kDocuments[1]);
    for (std::size_t n = 5; n < fi.size(); ++n) {
        const std::vector<unsigned char> cut(fi.begin(), fi.begin() + static_cast<long>(n));
        Collected partial;
        EXPECT_THROW(ReadFastInfoset(cut, partial), CQbException) << n;
    }
    // What Fast Infoset can carry but XML text cannot is refused, not written.
    CXmlTextEventWriter writer([](const char*, std::size_t) {}, CXmlTextEventWriter::WS_AS_READ,
                               EOL_LF, nullptr);
    const std::pair<std::function<void()>, const char*> kRefused[] = {
        {[&] {
             writer.StartElement({"", "", "a b"}, {}, {});
         },
         "Cannot write the element name [a b] as XML: it is not a valid XML name"},
        {[&] {
             writer.StartElement({"1p", "urn:x", "a"}, {}, {});
         },
         "Cannot write the namespace prefix [1p] as XML: it is not a valid XML name"},
        {[&] { writer.Comment("a--b"); },
         "Cannot write the comment [a--b] as XML: it contains \"--\""},
        {[&] { writer.ProcessingInstruction("t", "x?>"); },
         "Cannot write the processing instruction [x?>] as XML: it contains \"?>\""},
    };
    for (const auto& refused : kRefused)
        EXPECT_EQ(QbTest::MessageOf(refused.first), refused.second);
    writer.StartElement({"", "", "a"}, {}, {});
    EXPECT_EQ(QbTest::MessageOf([&] { writer.Text(std::string(1, '\x01')); }),
              "Cannot write the character 0x1 as XML 1.0: it has no representation");
    // A writer's own failure (an element left open) reaches the caller.
    EXPECT_EQ(QbTest::MessageOf([&] { writer.EndDocument(); }), "An Element has not been closed.");
}

}  // namespace
