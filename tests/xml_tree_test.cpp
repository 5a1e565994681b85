// Document tree construction and navigation, driven through the construction
// operations the readers use.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "support/TreeDump.h"
#include "xml/CXmlDocument.h"

namespace QbXmlLib5 {
namespace {

const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";
const char kXmlns[] = "http://www.w3.org/2000/xmlns/";

// Exposes the construction operations the way a reader uses them.
class TreeBuilder : public CXmlDocument {
public:
    using CXmlDocument::AddChildElement;
    using CXmlDocument::AddDocElement;
    using CXmlDocument::AddElementAttribute;
    using CXmlDocument::AppendTextExcludingCR;
    using CXmlDocument::EndElement;
    using CXmlDocument::GetCurrentElement;
};

TEST(XmlTree, EmptyDocumentAndNavigation) {
    TreeBuilder doc;
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.LookupNamespaceFromAlias(""), "");

    CXmlElement* root = doc.AddDocElement("urn:r", "root");
    CXmlElement* a = doc.AddChildElement("", "a");
    doc.EndElement();
    CXmlElement* b = doc.AddChildElement("urn:b", "b");
    CXmlElement* c = doc.AddChildElement("", "c");
    EXPECT_EQ(doc.GetCurrentElement(), c);
    doc.EndElement();
    doc.EndElement();
    EXPECT_EQ(doc.GetCurrentElement(), root);

    ASSERT_EQ(doc.GetDocumentElement(), root);
    EXPECT_EQ(QbTest::Dump(root), "{urn:r}root(a {urn:b}b(c))");
    EXPECT_EQ(root->GetNextSiblingElement(), nullptr);
    EXPECT_EQ(root->GetFirstElement(), a);
    EXPECT_EQ(b->GetFirstElement(), c);
    EXPECT_EQ(root->GetDocument(), &doc);
    EXPECT_EQ(c->GetDocument(), &doc);

    // A second document element is a reader bug, refused without damage.
    EXPECT_THROW(doc.AddDocElement("", "x"), CQbInvalidStateException);
    doc.EndElement();
    EXPECT_THROW(doc.AddChildElement("", "x"), CQbInvalidStateException);
    doc.EndElement();  // popping an empty stack is harmless
    EXPECT_EQ(doc.GetDocumentElement(), root);

    doc.Cleanup();
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.GetCurrentElement(), nullptr);
    EXPECT_NE(doc.AddDocElement("", "again"), nullptr);
}

TEST(XmlTree, Attributes) {
    TreeBuilder doc;
    CXmlElement* e = doc.AddDocElement("", "e");
    TreeBuilder::AddElementAttribute(e, "a", "plain", "");
    TreeBuilder::AddElementAttribute(e, "a", "qualified", "urn:x");
    TreeBuilder::AddElementAttribute(e, "a", "duplicate", "");

    ASSERT_EQ(e->GetAttributes().size(), 3u);
    EXPECT_EQ(e->GetAttributes()[1]->GetValue(), "qualified");
    EXPECT_EQ(e->GetAttributes()[1]->GetNamespaceURI(), "urn:x");
    EXPECT_EQ(e->GetAttribute("a", ""), "plain");  // first match wins
    EXPECT_EQ(e->GetAttribute("a", "urn:x"), "qualified");
    EXPECT_EQ(e->GetAttribute("A", ""), "");  // case-sensitive
    EXPECT_EQ(e->GetAttribute("a", "urn:y"), "");

    // Every miss returns the same process-wide empty string.
    const std::string& miss1 = e->GetAttribute("nope", "");
    TreeBuilder other;
    const std::string& miss2 = other.AddDocElement("", "o")->GetAttribute("a", "");
    EXPECT_EQ(&miss1, &miss2);
    EXPECT_TRUE(miss1.empty());
}

TEST(XmlTree, IsNamespaceAttribute) {
    const char* machinery[] = {"xmlns", "type", "schemaLocation", "noNamespaceSchemaLocation"};
    for (const char* name : machinery) {
        EXPECT_TRUE(CXmlAttribute(name, "v", kXsi).IsNamespaceAttribute()) << name;
        EXPECT_TRUE(CXmlAttribute(name, "v", kXmlns).IsNamespaceAttribute()) << name;
        EXPECT_FALSE(CXmlAttribute(name, "v", "").IsNamespaceAttribute()) << name;
        EXPECT_FALSE(CXmlAttribute(name, "v", "urn:other").IsNamespaceAttribute()) << name;
    }
    EXPECT_FALSE(CXmlAttribute("nil", "true", kXsi).IsNamespaceAttribute());
    EXPECT_FALSE(CXmlAttribute("Type", "v", kXsi).IsNamespaceAttribute());
    EXPECT_FALSE(CXmlAttribute("type", "v", std::string(kXsi) + "/").IsNamespaceAttribute());
}

TEST(XmlTree, TextAppendingDropsCarriageReturns) {
    TreeBuilder doc;
    CXmlElement* e = doc.AddDocElement("", "e");
    // {piece, length (-1: to the NUL), text after}: the length limit and the
    // NUL both stop copying.
    const std::tuple<const char*, int, const char*> appends[] = {
        {"a\r\nb", -1, "a\nb"},   {"\r\r\r", -1, "a\nb"},   {"\rc\r\rd\r", -1, "a\nbcd"},
        {"xy\rz", 3, "a\nbcdxy"}, {"p\0q", 3, "a\nbcdxyp"}, {"ignored", 0, "a\nbcdxyp"}};
    for (const auto& [piece, length, after] : appends) {
        if (length < 0) {
            TreeBuilder::AppendTextExcludingCR(e, piece);
        } else {
            TreeBuilder::AppendTextExcludingCR(e, piece, static_cast<std::size_t>(length));
        }
        EXPECT_EQ(e->GetText(), after);
    }

    // Text around a child is joined in the parent.
    TreeBuilder doc2;
    CXmlElement* p = doc2.AddDocElement("", "p");
    TreeBuilder::AppendTextExcludingCR(p, "x");
    doc2.AddChildElement("", "child");
    doc2.EndElement();
    TreeBuilder::AppendTextExcludingCR(doc2.GetCurrentElement(), "y");
    EXPECT_EQ(p->GetText(), "xy");
    EXPECT_EQ(p->GetFirstElement()->GetText(), "");

    // Many small appends build the exact concatenation.
    std::string expected;
    for (int i = 0; i < 10000; ++i) {
        const std::string piece = std::to_string(i) + "\r";
        TreeBuilder::AppendTextExcludingCR(p, piece.c_str());
        expected += std::to_string(i);
    }
    EXPECT_EQ(p->GetText(), "xy" + expected);
}

// Freeing a very deep tree must not recurse.
TEST(XmlTree, DeepTreeFreesIteratively) {
    TreeBuilder doc;
    doc.AddDocElement("", "d");
    for (int i = 0; i < 1000000; ++i) doc.AddChildElement("", "d");
    // Side branches near the bottom exercise the splice of siblings.
    for (int i = 0; i < 1000; ++i) {
        doc.EndElement();
        doc.AddChildElement("", "s");
        doc.EndElement();
    }
}

// Names are stored once per document and survive growth of the name table;
// a reload starts from a fresh table.
TEST(XmlTree, LineNumbersOnlyWhenAsked) {
    const char* text = "<a>\n  <b/>\n\n  <c\n x='1'/></a>";
    for (bool keep : {false, true}) {
        CXmlDocument doc;
        doc.SetKeepLineNumbers(keep);
        doc.LoadXml(text);
        const CXmlElement* a = doc.GetDocumentElement();
        const CXmlElement* b = a->GetFirstElement();
        const CXmlElement* c = b->GetNextSiblingElement();
        const std::vector<unsigned long> expected =
            keep ? std::vector<unsigned long>{1, 2, 4} : std::vector<unsigned long>{0, 0, 0};
        EXPECT_EQ(expected, (std::vector<unsigned long>{a->GetLineNumber(), b->GetLineNumber(),
                                                        c->GetLineNumber()}));
        // Columns count from 1, at the '<' of the start tag.
        const std::vector<unsigned long> columns =
            keep ? std::vector<unsigned long>{1, 3, 3} : std::vector<unsigned long>{0, 0, 0};
        EXPECT_EQ(columns, (std::vector<unsigned long>{a->GetColumnNumber(), b->GetColumnNumber(),
                                                       c->GetColumnNumber()}));
    }
}

TEST(XmlTree, SharedNamesStayValid) {
    TreeBuilder doc;
    CXmlElement* root = doc.AddDocElement("urn:r", "root");
    std::vector<CXmlElement*> children;
    for (int i = 0; i < 2000; ++i) {
        children.push_back(
            doc.AddChildElement("urn:n" + std::to_string(i % 300), "e" + std::to_string(i % 700)));
        TreeBuilder::AddElementAttribute(children.back(), "a", std::to_string(i), "");
        doc.EndElement();
    }
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(children[i]->GetNamespaceURI(), "urn:n" + std::to_string(i % 300));
        EXPECT_EQ(children[i]->GetLocalName(), "e" + std::to_string(i % 700));
        EXPECT_EQ(children[i]->GetAttribute("a", ""), std::to_string(i));
    }
    EXPECT_EQ(&children[0]->GetLocalName(), &children[700]->GetLocalName());
    EXPECT_EQ(root->GetLocalName(), "root");

    doc.LoadXml("<root xmlns='urn:r'><e0/></root>");
    EXPECT_EQ(doc.GetDocumentElement()->GetFirstElement()->GetLocalName(), "e0");
    EXPECT_EQ(doc.GetDocumentElement()->GetNamespaceURI(), "urn:r");
}

// With a local encoding other than UTF-8, names, values and text are
// converted; with UTF-8 they are taken as they are. Both give the same tree
// for ASCII-only content.
TEST(XmlTree, LoadingConvertsToTheLocalEncoding) {
    const char* xml = "<r xmlns='urn:\xC3\xA9' a='\xC3\xA9&#13;'>x\xC3\xA9&#13;y<\xC3\xA9l/>z</r>";
    const unsigned int saved = GetLocalCharEncoding();
    SetLocalCharEncoding(28591);  // ISO-8859-1
    CXmlDocument latin1;
    latin1.LoadXml(xml);
    SetLocalCharEncoding(saved);
    // Attribute values keep a referenced CR.
    EXPECT_EQ(QbTest::Dump(latin1.GetDocumentElement()),
              "{urn:\xE9}r[a=\xE9\r]({urn:\xE9}\xE9l)\"x\xE9yz\"");
    CXmlDocument utf8;
    utf8.LoadXml(xml);
    EXPECT_EQ(QbTest::Dump(utf8.GetDocumentElement()),
              "{urn:\xC3\xA9}r[a=\xC3\xA9\r]({urn:\xC3\xA9}\xC3\xA9l)\"x\xC3\xA9yz\"");
}

}  // namespace
}  // namespace QbXmlLib5
