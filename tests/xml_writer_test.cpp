// Namespace scoping and prefix invention of CXmlWriter, observed through the
// text writer's exact output and checked with libxml2.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "support/TreeDump.h"
#include "support/XmlOracle.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlTextWriter.h"

using namespace QbXmlLib5;
using QbTest::MessageOf;
using QbTest::ExpectedAttribute;
using QbTest::ExpectedElement;

namespace {

const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";

// Exposes the protected prefix helpers.
class CPrefixProbe : public CXmlTextWriter {
public:
    using CXmlWriter::GetUniquePrefix;
    using CXmlWriter::NsIntToString;
};

#ifdef QB_HAVE_LIBXML2
// The document as libxml2 reads it strictly (namespace-well-formed), as one line.
std::string Reparsed(const std::string& xml) {
    QbTest::XmlDocPtr doc = QbTest::ParseStrict(xml);
    return doc ? QbTest::Dump(xmlDocGetRootElement(doc.get())) : "(rejected)";
}
#endif

// A text writer without formatting, the usual starting point here.
struct Plain {
    CXmlTextWriter w;
    Plain() { w.SetFormatted(false); }
};

TEST(XmlWriterTest, InventedPrefixesFollowTheTwoLetterSequence) {
    EXPECT_EQ(CPrefixProbe::NsIntToString(0), "AA");
    EXPECT_EQ(CPrefixProbe::NsIntToString(1), "AB");
    EXPECT_EQ(CPrefixProbe::NsIntToString(25), "AZ");
    EXPECT_EQ(CPrefixProbe::NsIntToString(26), "BA");
    EXPECT_EQ(CPrefixProbe::NsIntToString(675), "ZZ");
    CXmlWriter::NamespaceMap map;
    EXPECT_EQ(CPrefixProbe::GetUniquePrefix(map), "AA");
    map["urn:1"] = "AA";
    map["urn:2"] = "AC";
    map["urn:3"] = "ab";
    EXPECT_EQ(CPrefixProbe::GetUniquePrefix(map), "AB");
    map["urn:4"] = "AB";
    EXPECT_EQ(CPrefixProbe::GetUniquePrefix(map), "AD");
}

TEST(XmlWriterTest, NamespacesRegisteredBeforeTheRootAreAllDeclaredOnIt) {
    Plain p;
    p.w.AddNamespace("b", "urn:b");
    p.w.AddNamespace("a", "urn:a");
    p.w.AddNamespace("old", "urn:c");
    p.w.AddNamespace("c", "urn:c");  // replaces "old"
    p.w.SetDefaultNamespace("urn:d");
    p.w.WriteStartElement("root", "urn:d");
    p.w.WriteStartElement("child", "urn:a");
    p.w.WriteAttribute("x", "urn:b", "1");
    p.w.WriteStartElement("leaf", "urn:c");
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    p.w.WriteStartElement("same", "urn:d");
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    p.w.WriteEndDocument();
    const std::string xml = p.w.GetXml();
    EXPECT_EQ(xml,
              "<root xmlns=\"urn:d\" xmlns:a=\"urn:a\" xmlns:b=\"urn:b\" xmlns:c=\"urn:c\">"
              "<a:child b:x=\"1\"><c:leaf/></a:child><same/></root>");
#ifdef QB_HAVE_LIBXML2
    EXPECT_EQ(Reparsed(xml), "{urn:d}root({urn:a}child[{urn:b}x=1]({urn:c}leaf) {urn:d}same)");
#endif
}

TEST(XmlWriterTest, InventedPrefixIsScopedToTheElementThatDeclaresIt) {
    Plain p;
    p.w.WriteStartElement("root", "");
    p.w.WriteStartElement("first", "urn:x");
    p.w.WriteStartElement("inner", "urn:x");  // reuses AA, no new declaration
    p.w.WriteStartElement("other", "urn:y");  // AA is taken in this scope
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    p.w.WriteStartElement("second", "urn:x");  // AA's scope ended with "first"
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    const std::string xml = p.w.GetXml();
    EXPECT_EQ(xml,
              "<root><AA:first xmlns:AA=\"urn:x\"><AA:inner><AB:other xmlns:AB=\"urn:y\"/>"
              "</AA:inner></AA:first><AA:second xmlns:AA=\"urn:x\"/></root>");

    Plain q;  // an application prefix AA moves invention on to AB
    q.w.AddNamespace("AA", "urn:app");
    q.w.WriteStartElement("root", "urn:x");
    q.w.WriteEndElement();
    EXPECT_EQ(q.w.GetXml(), "<AB:root xmlns:AB=\"urn:x\" xmlns:AA=\"urn:app\"/>");
#ifdef QB_HAVE_LIBXML2
    EXPECT_EQ(Reparsed(xml), "root({urn:x}first({urn:x}inner({urn:y}other)) {urn:x}second)");
    EXPECT_EQ(Reparsed(q.w.GetXml()), "{urn:x}root");
#endif
}

TEST(XmlWriterTest, AttributesAlwaysCarryAPrefixForTheirNamespace) {
    Plain p;
    p.w.SetDefaultNamespace("urn:d");
    p.w.WriteStartElement("root", "urn:d");
    p.w.WriteAttribute("plain", "", "1");
    p.w.WriteAttribute("x", "urn:d", "2");  // default namespace: still prefixed
    p.w.WriteAttribute("y", "urn:d", "3");  // prefix now in scope
    p.w.WriteAttribute("lang", "http://www.w3.org/XML/1998/namespace", "en");
    p.w.WriteStartElement("nons", "");  // no undeclaration is written
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    EXPECT_EQ(p.w.GetXml(),
              "<root xmlns=\"urn:d\" plain=\"1\" xmlns:AA=\"urn:d\" AA:x=\"2\" AA:y=\"3\" "
              "xml:lang=\"en\"><nons/></root>");
#ifdef QB_HAVE_LIBXML2
    EXPECT_EQ(Reparsed(p.w.GetXml()),  // nons inherits the default namespace
              "{urn:d}root[plain=1,{urn:d}x=2,{urn:d}y=3,"
              "{http://www.w3.org/XML/1998/namespace}lang=en]({urn:d}nons)");
#endif
}

TEST(XmlWriterTest, XsiTypeResolvesItsTypeNamespaceAndTheXsiPrefix) {
    Plain p;
    p.w.WriteStartElement("root", "");
    p.w.WriteXsiType("urn:t", "T");
    p.w.WriteStartElement("child", "urn:t");
    p.w.WriteXsiType("urn:t", "U");  // both prefixes in scope now
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    const std::string xml = p.w.GetXml();
    EXPECT_EQ(xml, std::string("<root xmlns:AA=\"urn:t\"  xmlns:AB=\"") + kXsi +
                       "\" AB:type=\"AA:T\"><AA:child AB:type=\"AA:U\"/></root>");

    Plain q;
    q.w.AddNamespace("xsi", kXsi);
    q.w.SetDefaultNamespace("urn:d");
    q.w.WriteStartElement("root", "urn:d");
    q.w.WriteXsiType("urn:d", "D");  // the default namespace needs no prefix
    q.w.WriteEndElement();
    EXPECT_EQ(q.w.GetXml(),
              std::string("<root xmlns=\"urn:d\" xmlns:xsi=\"") + kXsi + "\" xsi:type=\"D\"/>");
#ifdef QB_HAVE_LIBXML2
    const auto typed = [](const char* name, const char* ns, const char* type) {
        ExpectedElement e{name, ns};
        e.hasXsiType = true;
        e.xsiTypeNamespace = "urn:t";
        e.xsiTypeName = type;
        return e;
    };
    ExpectedElement root = typed("root", "", "T");
    root.children.push_back(typed("child", "urn:t", "U"));
    QbTest::ExpectDocument(xml, root, true);
#endif
}

TEST(XmlWriterTest, RegistrationsOnAnOpenElementReachItsSubtreeOnly) {
    Plain p;
    p.w.WriteStartElement("root", "");
    p.w.WriteStartElement("a", "");
    p.w.AddNamespace("AA", "urn:z");  // copy on write: a's own scope
    p.w.SetDefaultNamespace("urn:e");
    p.w.WriteStartElement("b", "urn:y");
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    p.w.WriteStartElement("c", "urn:y");  // root's scope never saw AA
    p.w.WriteEndElement();
    p.w.WriteStartElement("d", "urn:e");  // nor the default namespace
    p.w.WriteEndElement();
    p.w.WriteEndElement();
    EXPECT_EQ(p.w.GetXml(),
              "<root><a><AB:b xmlns:AB=\"urn:y\"/></a><AA:c xmlns:AA=\"urn:y\"/>"
              "<AA:d xmlns:AA=\"urn:e\"/></root>");
}

TEST(XmlWriterTest, MisuseIsReportedWithTheLibraryMessages) {
    Plain p;
    p.w.WriteStartElement("root", "");
    p.w.WriteText("t");
    EXPECT_EQ(MessageOf([&] { p.w.WriteAttribute("a", "", "v"); }),
              "Attributes must be added before elements");
    EXPECT_EQ(MessageOf([&] { p.w.WriteXsiType("urn:t", "T"); }),
              "Attributes must be added before elements");
    p.w.WriteStartElement("child", "");
    p.w.WriteEndElement();
    EXPECT_EQ(MessageOf([&] { p.w.WriteAttribute("a", "", "v"); }),
              "Attributes must be added before elements");
    EXPECT_EQ(MessageOf([&] { p.w.WriteEndDocument(); }), "An Element has not been closed.");
    p.w.WriteEndElement();
    EXPECT_EQ(MessageOf([&] { p.w.WriteEndDocument(); }), "(no exception)");
    EXPECT_EQ(p.w.GetXml(), "<root>t<child/></root>");
    // Events with no element open are refused, not followed.
    EXPECT_EQ(MessageOf([&] { p.w.WriteEndElement(); }), "No element is open.");
    EXPECT_EQ(MessageOf([&] { p.w.WriteText("x"); }), "No element is open.");
    EXPECT_EQ(MessageOf([&] { p.w.WriteAttribute("a", "", "v"); }),
              "Attributes must be added before elements");
    EXPECT_EQ(p.w.GetXml(), "<root>t<child/></root>");
}

TEST(XmlWriterTest, VeryDeepDocumentsAreWrittenAndReleased) {
    const int depth = 200000;
    {
        Plain abandoned;  // destroyed with every element still open
        for (int i = 0; i < depth; ++i) abandoned.w.WriteStartElement("e", "urn:n");
    }
    Plain p;
    for (int i = 0; i < depth; ++i) p.w.WriteStartElement("e", i % 2 ? "urn:n" : "");
    for (int i = 0; i < depth; ++i) p.w.WriteEndElement();
    p.w.WriteEndDocument();
    std::string expected = "<e><AA:e xmlns:AA=\"urn:n\">";
    for (int i = 2; i < depth - 1; ++i) expected += i % 2 ? "<AA:e>" : "<e>";
    expected += "<AA:e/>";
    for (int i = depth - 2; i >= 0; --i) expected += i % 2 ? "</AA:e>" : "</e>";
    EXPECT_TRUE(p.w.GetXml() == expected);
}

#ifdef QB_HAVE_LIBXML2

// Writes random documents through the writer's events while recording what
// was meant, then checks the text with libxml2.
class RandomDocument {
public:
    explicit RandomDocument(unsigned seed) : m_rng(seed) {}

    ExpectedElement Write(CXmlWriter& w) {
        const std::vector<std::string> prefixes = {"p", "AA", "q1", "AC", "n-s"};
        for (std::size_t i = 1; i < kUris.size(); ++i) {
            if (Chance(30)) w.AddNamespace(prefixes[i - 1], kUris[i]);
        }
        if (Chance(40)) {
            m_default = Pick(kUris, 1);
            w.SetDefaultNamespace(m_default);
        }
        if (Chance(30)) w.WriteComment("before -the root");
        return Element(w, 0);
    }

private:
    const std::vector<std::string> kUris = {"", "urn:a", "urn:b", "http://example.com/c",
                                            "urn:d:e", "urn:f"};

    bool Chance(int percent) { return static_cast<int>(m_rng() % 100) < percent; }
    const std::string& Pick(const std::vector<std::string>& from, std::size_t first = 0) {
        return from[first + m_rng() % (from.size() - first)];
    }

    std::string Text() {
        static const std::vector<std::string> pieces = {
            "a", "Z", " ", "&", "<", ">", "\"", "'", "\n", "\r\n", "\t", "]]>", "\xC3\xA9",
            "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "&amp;", "x y"};
        std::string text;
        const int n = static_cast<int>(m_rng() % 6);
        for (int i = 0; i < n; ++i) text += Pick(pieces);
        return text;
    }

    // An element namespace; no empty one under a default namespace, which
    // the writer cannot undeclare.
    std::string ElementUri() { return Pick(kUris, m_default.empty() ? 0 : 1); }

    void Attributes(CXmlWriter& w, ExpectedElement& e) {
        static const std::vector<std::string> names = {"a", "b", "type", "x.y", "\xC3\xA9t"};
        const int n = static_cast<int>(m_rng() % 4);
        for (int i = 0; i < n; ++i) {
            ExpectedAttribute a{Pick(names), Pick(kUris), Text()};
            bool duplicate = false;
            for (const ExpectedAttribute& b : e.attributes) {
                duplicate |= a.localName == b.localName && a.namespaceUri == b.namespaceUri;
            }
            if (duplicate) continue;
            w.WriteAttribute(a.localName, a.namespaceUri, a.value);
            e.attributes.push_back(a);
        }
        if (Chance(25)) {
            e.hasXsiType = true;
            e.xsiTypeNamespace = ElementUri();
            e.xsiTypeName = Chance(50) ? "T" : "long-Type";
            w.WriteXsiType(e.xsiTypeNamespace, e.xsiTypeName);
        }
    }

    ExpectedElement Element(CXmlWriter& w, int depth) {
        static const std::vector<std::string> names = {"a", "item", "x-y", "_z", "\xC3\xA9l"};
        ExpectedElement e{Pick(names), ElementUri()};
        w.WriteStartElement(e.localName, e.namespaceUri);
        Attributes(w, e);
        const int items = depth < 4 ? static_cast<int>(m_rng() % 5) : 0;
        for (int i = 0; i < items; ++i) {
            const int kind = static_cast<int>(m_rng() % 3);
            if (kind == 0) {
                const std::string text = Text();
                w.WriteText(text);
                e.text += text;
            } else if (kind == 1) {
                e.children.push_back(Element(w, depth + 1));
            } else if (Chance(30)) {
                w.WriteComment("note & <remark>");
                e.text += "\n";  // a comment is always followed by a line end
            }
        }
        w.WriteEndElement();
        return e;
    }

    std::mt19937 m_rng;
    std::string m_default;
};

TEST(XmlWriterTest, RandomDocumentsAreNamespaceCorrectForLibxml2) {
    // Variants: plain LF text; CRLF with a declaration; formatted; UTF-16
    // bytes with a declaration naming UTF-16.
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(seed);
        for (int variant = 0; variant < 4; ++variant) {
            CXmlTextWriter w;
            w.SetFormatted(variant == 2);
            w.SetEOLType(variant == 1 ? EOL_CRLF : EOL_LF);
            if (variant != 0) w.WriteStartDocument(variant == 3 ? XE_UTF16 : XE_NONE);
            RandomDocument generator(seed);
            const ExpectedElement root = generator.Write(w);
            w.WriteEndDocument();
            // Formatting adds white space around elements, so text is
            // compared only when it is off.
            if (variant == 3) {
                QbTest::ExpectDocument(w.GetXmlBytes(XE_UTF16).GetString(), root, true,
                                       "UTF-16LE");
            } else {
                QbTest::ExpectDocument(w.GetXml(), root, variant != 2);
            }
            if (variant == 0) {  // our reader agrees with libxml2, so with `root` too
                CXmlDocument document;
                document.LoadXml(w.GetXml().c_str());
                EXPECT_EQ(QbTest::Dump(document.GetDocumentElement()), Reparsed(w.GetXml()));
            }
            if (HasFailure()) return;
        }
    }
}

#endif  // QB_HAVE_LIBXML2

}  // namespace
