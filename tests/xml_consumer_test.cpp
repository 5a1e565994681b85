// CXmlDocument with an element consumer: what the consumer takes is freed at
// once, and the rest of the tree is exactly what a load without a consumer
// builds, in XML text and Fast Infoset alike. The tree a plain load builds is
// the oracle, printed with what was taken left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/CElement.h"
#include "core/CQbException.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlElementConsumer.h"

using namespace QbXmlLib5;
using Taken = CXmlElementConsumer::Taken;

namespace {

// Takes the content of elements named "c" and whole elements named "w",
// and records the order of the calls.
class CTaker : public CXmlElementConsumer {
public:
    void ElementOpened(const CXmlElement* element) override {
        log += "<" + element->GetLocalName();
    }
    Taken ElementClosed(const CXmlElement* element) override {
        log += ">";
        // Complete when closed: its attributes and children are all there.
        closedAttributes += element->GetAttributes().size();
        if (element->GetLocalName() == "c") return Taken::kContent;
        if (element->GetLocalName() == "w") return Taken::kElement;
        if (element->GetLocalName() == "s") return Taken::kElementAndSpace;
        return Taken::kNothing;
    }
    void Restart() override {
        log.clear();
        closedAttributes = 0;
    }
    std::string log;
    std::size_t closedAttributes = 0;
};

// Holds elements named "h" three at a time, then takes them whole; answers
// for the runs that end otherwise as `ends` says, and logs the runs.
class CHolder : public CXmlElementConsumer {
public:
    void ElementOpened(const CXmlElement*) override {}
    Taken ElementClosed(const CXmlElement* element) override {
        if (element->GetLocalName() != "h") return Taken::kNothing;
        if (++held < 3) return Taken::kHold;
        held = 0;
        return Taken::kElementAndSpace;
    }
    Taken HeldRunEnds(const CXmlElement* parent) override {
        log += parent->GetLocalName() + std::to_string(held) + " ";
        held = 0;
        if (failWith) throw CQbException(failWith);
        return ends;
    }
    void Restart() override { held = 0; }
    Taken ends = Taken::kElementAndSpace;
    const char* failWith = nullptr;
    int held = 0;
    std::string log;
};

// The tree as text; `taken` leaves out what CTaker takes, as it takes it,
// and elements named `gone`.
std::string Print(const CXmlElement* element, bool taken, const std::string& gone = "w") {
    std::string out = element->GetLocalName() + "{" + element->GetNamespaceURI() + "}";
    const bool content = taken && element->GetLocalName() == "c";
    if (!content) {
        for (const CXmlAttribute* attribute : element->GetAttributes()) {
            out += " @" + attribute->GetLocalName() + "=" + attribute->GetValue();
        }
    }
    out += " '" + (content ? std::string() : element->GetText()) + "'";
    out += " L" + std::to_string(element->GetLineNumber());
    // The declarations in scope survive those freed with taken elements.
    out += " p=" + element->LookupNamespaceFromPrefix("p") +
           " q=" + element->LookupNamespaceFromPrefix("q");
    out += "(";
    for (const CXmlElement* child = content ? nullptr : element->GetFirstElement(); child;
         child = child->GetNextSiblingElement()) {
        if (taken && child->GetLocalName() == gone) continue;
        out += Print(child, taken, gone) + ",";
    }
    return out + ")";
}

// Many siblings, each with a subtree, so that freed slots are reused across
// the pools' blocks; long attribute values and texts live on the heap.
std::string Document() {
    const std::string longText(40, 'x');
    std::string text = "<r xmlns='urn:r' a='1'>head";
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        const char* name = i % 3 == 0 ? "c" : i % 3 == 1 ? "w" : "k";
        text += std::string("<") + name + " n='" + n + "' long='" + longText + n + "'" +
                (i % 4 == 0 ? " xmlns:q='urn:q" + n + "'" : std::string()) + ">" +
                "<d xmlns:p='urn:p' p:a='" + longText + "'>" + longText + "<e/></d>t" + n +
                "<c><f/></c></" + name + ">between";
    }
    return text + "<w/></r>";
}

CBinaryData FastInfoset(const std::string& text) {
    CSmartPtr<CElement> tree = new CElement("");
    tree->FromXml(text.c_str());
    return tree->ToFastInfosetStream(FI_DECL_NONE);
}

// Loads the text, or its Fast Infoset form `fi`, into both documents.
void LoadBoth(const std::string& text, const CBinaryData* fi, CXmlDocument& plain,
              CXmlDocument& consumed) {
    for (CXmlDocument* document : {&plain, &consumed}) {
        if (fi) {
            document->LoadXmlStream(fi->GetData(), fi->GetLength());
        } else {
            document->LoadXml(text.c_str());
        }
    }
}

TEST(ElementConsumer, FreesWhatItTakesAndKeepsTheRest) {
    const std::string text = Document();
    const CBinaryData fi = FastInfoset(text);
    for (const bool fastInfoset : {false, true}) {
        CXmlDocument plain;
        plain.SetKeepLineNumbers(true);
        CXmlDocument consumed;
        consumed.SetKeepLineNumbers(true);
        CTaker taker;
        consumed.SetElementConsumer(&taker);
        LoadBoth(text, fastInfoset ? &fi : nullptr, plain, consumed);
        EXPECT_EQ(Print(consumed.GetDocumentElement(), false),
                  Print(plain.GetDocumentElement(), true))
            << (fastInfoset ? "Fast Infoset" : "text");
        // One call each way per element, nested as the document is.
        EXPECT_EQ(taker.log.substr(0, 13), "<r<c<d<e>><c<") << taker.log.substr(0, 40);
        EXPECT_EQ(taker.closedAttributes, 1u + 3000u * 3u);
    }
}

TEST(ElementConsumer, LoadsAgainAndFailsCleanly) {
    CXmlDocument document;
    CTaker taker;
    document.SetElementConsumer(&taker);
    // The document element is never freed whole; its content may be.
    document.LoadXml("<w a='1'><k/></w>");
    ASSERT_NE(document.GetDocumentElement(), nullptr);
    EXPECT_EQ(document.GetDocumentElement()->GetLocalName(), "w");
    document.LoadXml("<c a='1'><k/>text</c>");
    EXPECT_EQ(document.GetDocumentElement()->GetFirstElement(), nullptr);
    EXPECT_TRUE(document.GetDocumentElement()->GetAttributes().empty());
    // A load that fails after taking elements leaves an empty document, and
    // the next load starts afresh.
    EXPECT_THROW(document.LoadXml("<r><w><k/></w><c/><k>"), CQbException);
    EXPECT_EQ(document.GetDocumentElement(), nullptr);
    document.SetElementConsumer(nullptr);
    document.LoadXml("<r><w/><c><k/></c></r>");
    const CXmlElement* first = document.GetDocumentElement()->GetFirstElement();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetLocalName(), "w");
    EXPECT_NE(first->GetNextSiblingElement()->GetFirstElement(), nullptr);
}

// Elements taken with the white space before them: only layout goes, back
// to the previous remaining sibling; other text stays where it was.
TEST(ElementConsumer, TakesLayoutBetweenTakenElements) {
    CXmlDocument document;
    CTaker taker;
    document.SetElementConsumer(&taker);
    document.LoadXml("<r>\n  <k/>\n  <s/>\n  <s><k/></s>\n  x<s/>\n  <k/>\n</r>");
    const CXmlElement* root = document.GetDocumentElement();
    EXPECT_EQ(root->GetText(), "\n  \n  x\n  \n");
    const CXmlElement* first = root->GetFirstElement();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->GetNextSiblingElement(), nullptr);
    EXPECT_EQ(first->GetTextOffset(), 3u);
    EXPECT_EQ(first->GetNextSiblingElement()->GetTextOffset(), 10u);
    EXPECT_EQ(first->GetNextSiblingElement()->GetNextSiblingElement(), nullptr);
    // Before any remaining sibling, from the parent's start.
    document.LoadXml("<r>\n<s/>\n</r>");
    EXPECT_EQ(document.GetDocumentElement()->GetText(), "\n");
    EXPECT_EQ(document.GetDocumentElement()->GetFirstElement(), nullptr);
}

// Held runs of every length, ended by an element of another name (which may
// declare prefixes: its declarations outlive the held ones' being freed), by
// the parent closing, or by the load failing.
TEST(ElementConsumer, HeldRunsEndAsTheDocumentGoesOn) {
    std::string text = "<r xmlns:p='urn:p0'>";
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        for (int h = 0; h < i % 8; ++h) {
            text += "<h a='" + n + "'" + (h % 2 ? " xmlns:p='urn:h" + n + "'" : "") + "><e/></h>";
        }
        text += "<k" + (i % 3 ? " xmlns:q='urn:q" + n + "'" : std::string()) + ">t" + n;
        for (int h = 0; h < i % 5; ++h) text += "<h/>";
        text += i % 2 ? "</k>" : "<d/></k>";
    }
    text += "<h/></r>";
    const CBinaryData fi = FastInfoset(text);
    for (const bool fastInfoset : {false, true}) {
        CXmlDocument plain;
        CXmlDocument consumed;
        CHolder holder;
        consumed.SetElementConsumer(&holder);
        LoadBoth(text, fastInfoset ? &fi : nullptr, plain, consumed);
        EXPECT_EQ(Print(consumed.GetDocumentElement(), false),
                  Print(plain.GetDocumentElement(), true, "h"));
        EXPECT_EQ(holder.log.substr(0, 24), "r1 k1 r2 k2 r1 k1 r2 k1 ") << holder.log;
    }
    // Kept for good when the consumer says so, with the layout between them.
    CXmlDocument document;
    CHolder keeper;
    keeper.ends = Taken::kNothing;
    document.SetElementConsumer(&keeper);
    document.LoadXml("<r>\n<h/>\n<h/>\n<h/>\n<h/>\n<k/>\n</r>");
    const CXmlElement* root = document.GetDocumentElement();
    EXPECT_EQ(root->GetText(), "\n\n\n");
    ASSERT_NE(root->GetFirstElement(), nullptr);
    EXPECT_EQ(root->GetFirstElement()->GetLocalName(), "h");
    EXPECT_EQ(root->GetFirstElement()->GetNextSiblingElement()->GetLocalName(), "k");
    // A failing load shows the consumer its complete held elements first;
    // what the consumer throws then is what the load throws.
    CHolder failing;
    document.SetElementConsumer(&failing);
    EXPECT_THROW(document.LoadXml("<r><h/><h/><h/><h/><h/><h"), CQbException);
    EXPECT_EQ(failing.log, "r2 ");
    failing.failWith = "held";
    try {
        document.LoadXml("<r><h/><h/><h/><h/><h></r>");
        ADD_FAILURE() << "no exception";
    } catch (const CQbException& e) {
        EXPECT_EQ(e.GetMessage(), "held");
    }
    EXPECT_EQ(document.GetDocumentElement(), nullptr);
}

}  // namespace
