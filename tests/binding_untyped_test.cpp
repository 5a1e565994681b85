#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/ExceptionMessage.h"
#include "support/InertObject.h"
#include "support/TreeDump.h"
#include "binding/CAttribute.h"
#include "binding/CAttributeCol.h"
#include "binding/CElement.h"
#include "binding/CElementCol.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlSerializationContext.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlTextWriter.h"

using namespace QbXmlLib5;

namespace {

const char kInvalidNs[] =
    "Invalid namespace [%s]. The namespace must be one of [%s] where the target namespace is "
    "[%s]";

using QbTest::ExpectThrow;

// Counts the change events of the collections it listens to.
class CListener : public QbTest::CInertObject<CXmlObjectBase> {
public:
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }
    int events = 0;

protected:
    std::string GetTargetNamespace() override { return ""; }
    void OnEvent(CXmlObjectBase*, MsgType, void*) override { ++events; }
};

// Writes any bindable object as one line of XML text through the text
// writer (independent of the ToXml entry point).
std::string Write(const CXmlObjectBase* object) {
    CXmlTextWriter writer;
    writer.SetFormatted(false);
    writer.SetEOLType(EOL_LF);
    CXmlObjectBase::ToXml_Int(object, &writer, true, "", CXmlSerializationContext(), false);
    return writer.GetXml();
}

std::vector<std::string> Names(const CElementCol& col) {
    std::vector<std::string> names;
    for (CElement* e : col) names.push_back(e->GetName());
    return names;
}

TEST(UntypedTest, ElementConstructionChecksItsArguments) {
    CSmartPtr<CElement> plain = new CElement("a");
    EXPECT_EQ(plain->GetName(), "a");
    EXPECT_EQ(plain->GetNamespace(), "");
    EXPECT_EQ(plain->GetNamespaceRestriction(), "##any");
    EXPECT_EQ(plain->GetRestrictionTargetNamespace(), "");
    // A name-only element accepts children and attributes of any namespace.
    EXPECT_NO_THROW(plain->GetChildElements()->Add("c", "urn:any"));
    EXPECT_NO_THROW(plain->GetAttributes()->Add("x", "1", "urn:other"));

    CSmartPtr<CElement> qualified = new CElement("b", "urn:b");
    EXPECT_EQ(qualified->GetNamespaceRestriction(), "urn:b");
    EXPECT_EQ(qualified->GetNamespace(), "urn:b");

    for (const char* keyword : {"##any", "##other", "##local", "##targetNamespace"}) {
        ExpectThrow<CQbInvalidNamespaceException>([&] { new CElement("b", keyword); },
                                                  std::string("Invalid Namespace [") + keyword +
                                                      "]");
    }
    const char* const a = "a";
    for (const char* missing : {"Element Name", "Namespace Restriction", "Target Namespace"}) {
        const bool n = missing[0] == 'E', r = missing[0] == 'N', t = missing[0] == 'T';
        ExpectThrow<CQbInvalidNamespaceException>(
            [&] { new CElement(n ? nullptr : a, "", r ? nullptr : "##any", t ? nullptr : ""); },
            std::string(missing) + " must have a value");
    }
    ExpectThrow<CQbInvalidNamespaceException>(
        [] { new CElement("a", "urn:t", "##other", "urn:t"); },
        FormatString(kInvalidNs, "urn:t", "##other", "urn:t"));
    EXPECT_NO_THROW(CSmartPtr<CElement>(new CElement("a", "", "##targetNamespace ##local", "t")));
    ExpectThrow<CQbInvalidNamespaceException>(
        [] { new CElement("a", "u", "##targetNamespace ##local", "t"); },
        FormatString(kInvalidNs, "u", "##targetNamespace ##local", "t"));
}

TEST(UntypedTest, AttributeCollectionAddsWithinItsRestriction) {
    std::string defaults;  // {given, restriction} -> default namespace
    for (auto c : {std::make_pair("urn:given", "urn:a"), {"", "  urn:a urn:b"}, {nullptr, "##other"},
                   {"", "u"}, {"", "u#x"}, {"", ""}}) {
        defaults += CAttributeCol::DefaultNamespace(c.first, c.second) + "|";
    }
    EXPECT_EQ(defaults, "urn:given|urn:a|||||");

    CSmartPtr<CAttributeCol> col = new CAttributeCol("", "urn:a urn:b", "urn:t");
    EXPECT_EQ(col->GetNamespace(), "urn:a");
    CSmartPtr<CListener> listener = new CListener;
    col->AddEventListener(listener);

    CSmartPtr<CAttribute> full = col->Add("x", "1", "urn:b");
    CSmartPtr<CAttribute> noNs = col->Add("y", "2");
    CSmartPtr<CAttribute> nameOnly = col->Add("z");
    EXPECT_EQ(noNs->GetNamespace(), "urn:a");
    EXPECT_EQ(nameOnly->GetValue(), "");
    EXPECT_EQ(nameOnly->GetNamespace(), "urn:a");
    EXPECT_EQ(listener->events, 3);

    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { col->Add("w", "3", "urn:c"); },
        FormatString(kInvalidNs, "urn:c", "urn:a urn:b", "urn:t"));
    EXPECT_EQ(col->GetCount(), 3);
    EXPECT_EQ(listener->events, 3);

    // The pointer forms test no namespace; the attribute is shared.
    CSmartPtr<CAttribute> outsider = CSmartPtr<CAttributeCol>(new CAttributeCol("", "##any", ""))
                                         ->Add("o", "9", "urn:elsewhere");
    EXPECT_EQ(col->Add(outsider).GetPtr(), outsider.GetPtr());
    CSmartPtr<CAttributeCol> other = new CAttributeCol("", "##local", "");
    other->Add("l", "0");
    col->AddAfter(full, other->Item(0));
    col->AddBefore(nullptr, other->Item(0));
    EXPECT_EQ(listener->events, 6);
    std::vector<std::string> names;
    for (CAttribute* a : *col) names.push_back(a->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"x", "l", "y", "z", "o", "l"}));
    EXPECT_EQ(col->Item(4)->GetValue(), "9");
    ExpectThrow<CQbInvalidParamException>([&] { col->Item(6); },
                                          "Index 6 is out of range, use 0 - 6");

    outsider->SetName("renamed");
    outsider->SetValue("v");
    outsider->SetNamespace("##notChecked");
    EXPECT_EQ(col->Item(4)->GetNamespace(), "##notChecked");
    col->RemoveEventListener(listener);
}

TEST(UntypedTest, ElementCollectionAddsWithinItsRestriction) {
    CSmartPtr<CElementCol> noNs = new CElementCol("", "##any", "urn:t", 0, -1);
    EXPECT_EQ(noNs->GetNamespace(), "urn:t");
    ExpectThrow<CQbInvalidStateException>([&] { noNs->Add("a"); },
                                          "A Namespace has not been set for this Collection");

    CSmartPtr<CElementCol> col = new CElementCol("", "urn:a ##local", "urn:t", 0, 2);
    EXPECT_EQ(col->GetCollectionNamespace(), "urn:a");
    CSmartPtr<CListener> listener = new CListener;
    col->AddEventListener(listener);
    CSmartPtr<CElement> a = col->Add("a");
    EXPECT_EQ(a->GetNamespace(), "urn:a");
    EXPECT_EQ(a->GetNamespaceRestriction(), "urn:a ##local");
    col->Add("b", "");
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { col->Add("c", "urn:t"); }, FormatString(kInvalidNs, "urn:t", "urn:a ##local", "urn:t"));
    CSmartPtr<CElement> stranger = new CElement("s", "urn:s");
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { col->Add(stranger); }, FormatString(kInvalidNs, "urn:s", "urn:a ##local", "urn:t"));
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { col->AddAfter(a, stranger); },
        FormatString(kInvalidNs, "urn:s", "urn:a ##local", "urn:t"));
    EXPECT_EQ(listener->events, 2);
    col->AddBefore(a, new CElement("first"));
    EXPECT_EQ(Names(*col), (std::vector<std::string>{"first", "a", "b"}));
    EXPECT_EQ(listener->events, 3);

    // maxOccurs 2 is checked when the collection is written.
    CSmartPtr<CElement> holder = new CElement("h");
    holder->GetChildElements()->Add(new CElement("x"));
    EXPECT_EQ(Write(holder), "<h><x/></h>");
    ExpectThrow<CQbValidationException>(
        [&] { Write(col); }, "The Maximum number of [] elements allowed in this collection is 2");
    col->RemoveEventListener(listener);

    ExpectThrow<CQbInvalidNamespaceException>(
        [] { new CElementCol("urn:z", "##other", "urn:z", 0, -1); },
        FormatString(kInvalidNs, "urn:z", "##other", "urn:z"));
}

TEST(UntypedTest, ElementWritesAttributesThenChildrenThenText) {
    CSmartPtr<CElement> e = new CElement("e", "urn:e");
    e->SetText("t & <u>");
    e->GetChildElements()->Add("c", "");
    e->GetAttributes()->Add("plain", "1", "");
    e->GetAttributes()->Add("q", "\"2\"", "urn:q");
    EXPECT_EQ(Write(e),
              "<AA:e xmlns:AA=\"urn:e\" plain=\"1\" xmlns:AB=\"urn:q\" AB:q=\"&quot;2&quot;\">"
              "<c/>t &amp; &lt;u&gt;</AA:e>");
    CSmartPtr<CElement> empty = new CElement("x");
    EXPECT_EQ(Write(empty), "<x/>");
}

TEST(UntypedTest, SetNamespaceRestrictionsChecksTheWholeTreeFirst) {
    CSmartPtr<CElement> root = new CElement("root", "urn:r", "##any", "");
    CSmartPtr<CElement> child = root->GetChildElements()->Add("child", "urn:r");
    CSmartPtr<CElement> grandchild = child->GetChildElements()->Add("g", "urn:g");

    // The element's own namespace: the namespace test's message.
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { root->SetNamespaceRestrictions("##other", "urn:r"); },
        FormatString(kInvalidNs, "urn:r", "##other", "urn:r"));
    // A descendant: wrapped once per level, naming the element.
    EXPECT_EQ(QbTest::FullMessageOf([&] { root->SetNamespaceRestrictions("urn:r", ""); }),
              "The namespace urn:r in the class root is invalid against restriction urn:r\n"
              "The namespace urn:r in the class child is invalid against restriction urn:r\n" +
                  FormatString(kInvalidNs, "urn:g", "urn:r", ""));
    EXPECT_THROW(root->SetNamespaceRestrictions("urn:r", ""), CQbInvalidNamespaceException);
    EXPECT_EQ(root->GetNamespaceRestriction(), "##any");
    EXPECT_EQ(child->GetNamespaceRestriction(), "##any");

    child->GetAttributes()->Add("a", "1", "urn:attr");
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { child->SetNamespaceRestrictions("urn:r urn:g", "t"); },
        "The namespace urn:r in the class child is invalid against restriction urn:r urn:g");

    root->SetNamespaceRestrictions("urn:r urn:g urn:attr", "t");
    for (CElement* e : {root.GetPtr(), child.GetPtr(), grandchild.GetPtr()}) {
        EXPECT_EQ(e->GetNamespaceRestriction(), "urn:r urn:g urn:attr");
        EXPECT_EQ(e->GetRestrictionTargetNamespace(), "t");
    }
}

TEST(UntypedTest, ContextSharesItsAdditionalRootAttributes) {
    CXmlSerializationContext ctx;
    CSmartPtr<CAttributeCol> first = ctx.GetAdditionalRootAttributes();
    EXPECT_EQ(first.GetPtr(), ctx.GetAdditionalRootAttributes().GetPtr());
    EXPECT_EQ(first->GetNamespaceRestriction(), "##any");
    EXPECT_EQ(first->GetNamespace(), "");
    first->Add("schemaLocation", "urn:x x.xsd", "http://www.w3.org/2001/XMLSchema-instance");

    CXmlSerializationContext copy(ctx);
    EXPECT_EQ(copy.GetAdditionalRootAttributes().GetPtr(), first.GetPtr());
    CXmlSerializationContext assigned;
    assigned = ctx;
    EXPECT_EQ(assigned.GetAdditionalRootAttributes()->GetCount(), 1);
    EXPECT_NE(CXmlSerializationContext().GetAdditionalRootAttributes().GetPtr(), first.GetPtr());
}

// Exposes the protected matching services of CXmlObjectBase.
class CMatcher : public CListener {
public:
    using CXmlObjectBase::Choice_Read_Collection;
    using CXmlObjectBase::DoesElementNameMatch;
};

std::unique_ptr<CXmlDocument> Load(const char* xml) {
    auto document = std::make_unique<CXmlDocument>(ST_DEFAULT);
    document->LoadXml(xml);
    return document;
}

TEST(UntypedTest, ReadingFillsNameNamespaceTextAttributesAndChildren) {
    CSmartPtr<CElement> e = new CElement("placeholder");
    e->FromXml("<a x=\"1\"><b/>text<c xmlns=\"urn:c\" y=\"2\">inner</c> tail</a>");
    EXPECT_EQ(QbTest::Dump(e), "a[x=1](b {urn:c}c[y=2]\"inner\")\"text tail\"");
    EXPECT_EQ(Write(e),
              "<a x=\"1\"><b/>text<AA:c xmlns:AA=\"urn:c\" y=\"2\">inner</AA:c> tail</a>");

    // Reading again replaces everything; a failed read changes nothing.
    e->FromXml("<z/>");
    EXPECT_EQ(Write(e), "<z/>");
    e->FromXml("<a x=\"1\"><b/></a>");
    EXPECT_THROW(e->FromXml("<a><b></a>"), CQbException);
    EXPECT_EQ(Write(e), "<a x=\"1\"><b/></a>");

    // A document element outside the restriction is silently not read.
    CSmartPtr<CElement> restricted = new CElement("keep", "urn:a");
    restricted->FromXml("<other xmlns=\"urn:b\"><x/></other>");
    EXPECT_EQ(Write(restricted), "<AA:keep xmlns:AA=\"urn:a\"/>");
    restricted->FromXml("<nons/>");  // a URI list takes only its URIs
    EXPECT_EQ(Write(restricted), "<AA:keep xmlns:AA=\"urn:a\"/>");
}

TEST(UntypedTest, WildcardRestrictionsRejectWhileReading) {
    const auto doc =
        Load("<r xmlns:t=\"urn:T\" xmlns:o=\"urn:O\" o:ok=\"1\" plain=\"2\" t:x=\"3\"/>");
    const CXmlElement* root = doc->GetDocumentElement();
    const CXmlSerializationContext ctx;

    CSmartPtr<CAttributeCol> other = new CAttributeCol("", "##other", "urn:T");
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { CXmlObjectBase::FromXml_Int(other, root, nullptr, ctx); },
        "Invalid Attribute [plain]. The attributes namespace is Inappropriate.");

    CSmartPtr<CAttributeCol> any = new CAttributeCol("", "##any", "");
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(any, root, root, ctx), root);
    ASSERT_EQ(any->GetCount(), 3);
    EXPECT_EQ(any->Item(2)->GetNamespace(), "urn:T");

    CSmartPtr<CAttribute> attribute = any->Item(0);
    ExpectThrow<CQbException>([&] { CXmlObjectBase::FromXml_Int(attribute, root, root, ctx); },
                              "This should be done by the collection");

    // An element collection stops at the first sibling outside its
    // restriction and returns it.
    const auto list = Load(
        "<l xmlns=\"urn:T\"><a/><b/><c xmlns=\"urn:O\"/><d/></l>");
    const CXmlElement* first = list->GetDocumentElement()->GetFirstElement();
    CSmartPtr<CElementCol> local = new CElementCol("", "##targetNamespace", "urn:T", 0, -1);
    const CXmlElement* rest =
        CXmlObjectBase::FromXml_Int(local, list->GetDocumentElement(), first, ctx);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->GetLocalName(), "c");
    EXPECT_EQ(Names(*local), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(local->Item(0)->GetNamespaceRestriction(), "##targetNamespace");
}

class CLockCol : public CElementCol {
public:
    CLockCol() : CElementCol("", "##any", "urn:t", 0, -1) {}
    using CElementCol::FromXmlLockElementName_Int;
};

TEST(UntypedTest, NameLockedReading) {
    const auto doc = Load("<r xmlns:n=\"urn:n\"><n:a/><n:a>2</n:a><a/><n:a/></r>");
    CSmartPtr<CLockCol> col = new CLockCol;
    const CXmlElement* first = doc->GetDocumentElement()->GetFirstElement();
    const CXmlElement* rest = col->FromXmlLockElementName_Int(
        "a", "urn:n", doc->GetDocumentElement(), first, CXmlSerializationContext());
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->GetNamespaceURI(), "");  // the unqualified <a/> stops the run
    ASSERT_EQ(col->GetCount(), 2);
    EXPECT_EQ(col->Item(1)->GetText(), "2");
    EXPECT_EQ(col->Item(1)->GetNamespaceRestriction(), "##any");
    EXPECT_EQ(col->Item(1)->GetRestrictionTargetNamespace(), "urn:t");

}

// Deep trees are built, written, read, copied, checked and freed without
// recursion.
TEST(UntypedTest, HundredThousandLevels) {
    const int depth = 100000;
    CSmartPtr<CElement> built = new CElement("d");
    CElement* leaf = built;
    for (int i = 1; i < depth; ++i) leaf = leaf->GetChildElements()->Add("d", "");
    std::string xml;
    for (int i = 1; i < depth; ++i) xml += "<d>";
    xml += "<d/>";
    for (int i = 1; i < depth; ++i) xml += "</d>";
    EXPECT_EQ(built->ToXml(false, false, EOL_LF), xml);

    const auto levels = [](CElement* e) {
        int count = 1;
        for (; e->GetChildElements()->GetCount() > 0; ++count) e = e->GetChildElements()->Item(0);
        return count;
    };
    CSmartPtr<CElement> read = new CElement("x");
    read->FromXml(xml.c_str());
    EXPECT_EQ(levels(read), depth);
    read->FromXmlStream(built->ToFastInfosetStream(FI_DECL_NONE));
    EXPECT_EQ(levels(read), depth);
    CSmartPtr<CElement> copy = new CElement(built.GetPtr());
    EXPECT_EQ(levels(copy), depth);

    // A failure deep down names the nearest ancestors only.
    leaf->SetNamespace("urn:x");
    const std::string full =
        QbTest::FullMessageOf([&] { built->SetNamespaceRestrictions("##local", ""); });
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 32);
    leaf->SetNamespace("");
    built->SetNamespaceRestrictions("##local", "");
    EXPECT_EQ(leaf->GetNamespaceRestriction(), "##local");
}

TEST(UntypedTest, ElementNameMatchingAndChoiceCollections) {
    const auto doc = Load("<r xmlns=\"urn:r\"><item/><item/><other/></r>");
    const CXmlElement* item = doc->GetDocumentElement()->GetFirstElement();
    CSmartPtr<CMatcher> m = new CMatcher;
    // {namespaces ignored (by flag or schema type), element, name, namespace, match}
    const std::tuple<int, const CXmlElement*, const char*, const char*, bool> cases[] = {
        {0, item, "item", "urn:r", true},         {0, item, "item", "", false},
        {0, item, "Item", "urn:r", false},        {0, nullptr, "item", "urn:r", false},
        {1, item, "item", "urn:elsewhere", true}, {2, item, "item", "urn:elsewhere", true},
        {2, item, "other", "urn:r", false}};
    for (const auto& [ignore, element, name, ns, match] : cases) {
        CXmlSerializationContext ctx;
        ctx.SetIgnoreNamespaces(ignore == 1);
        if (ignore == 2) ctx.SetSchemaType(ST_NO_NAMESPACES);
        EXPECT_EQ(m->DoesElementNameMatch(ctx, element, name, ns), match) << name << " " << ns;
    }

    // Choice_Read_Collection reads once, then counts the member as present.
    const CXmlSerializationContext plain;
    CSmartPtr<CElementCol> items = new CElementCol("", "##any", "", 0, 5);
    const CXmlElement* current = item;
    std::int32_t count = 0;
    m->Choice_Read_Collection(items, doc->GetDocumentElement(), current, count, plain);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(items->GetCount(), 3);
    current = item;
    m->Choice_Read_Collection(items, doc->GetDocumentElement(), current, count, plain);
    EXPECT_EQ(current, item);
    EXPECT_EQ(count, 1);

    CSmartPtr<CElementCol> nothing = new CElementCol("", "##local", "", 0, -1);
    count = 0;
    m->Choice_Read_Collection(nothing, doc->GetDocumentElement(), current, count, plain);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(current, item);

    CSmartPtr<CElementCol> tooFew = new CElementCol("", "##any", "", 4, -1);
    ExpectThrow<CQbValidationException>(
        [&] {
            m->Choice_Read_Collection(tooFew, doc->GetDocumentElement(), current, count, plain);
        },
        "The Minimum number of [] elements allowed in this collection is 4");
}

TEST(UntypedTest, ConversionsThroughTheEntryPoints) {
    CSmartPtr<CElement> source = new CElement("src", "urn:s");
    source->GetAttributes()->Add("a", "1", "urn:x");
    source->GetChildElements()->Add("kid", "urn:s")->SetText("k");
    source->SetText("t");

    CSmartPtr<CElement> copy = new CElement(static_cast<CXmlObjectBase*>(source.GetPtr()));
    EXPECT_EQ(Write(copy), Write(source));
    EXPECT_EQ(copy->GetNamespaceRestriction(), "##any");

    CSmartPtr<CElement> holder = new CElement("h");
    holder->GetAttributes()->FromXmlElement(source.GetPtr());
    EXPECT_EQ(QbTest::Dump(holder), "h[{urn:x}a=1]");

    CSmartPtr<CElement> target = new CElement("target");
    target->FromXmlElement(source.GetPtr());
    EXPECT_EQ(Write(target), Write(source));

    // Every loading entry point reads the document element itself, also
    // when called through the base class.
    const std::string xml = Write(source);
    CSmartPtr<CElement> wide = new CElement("w");
    wide->FromXml(L"<a xmlns=\"urn:\u00e9\"><b>\U0001F600</b></a>");
    EXPECT_EQ(Write(wide), "<AA:a xmlns:AA=\"urn:\xc3\xa9\"><AA:b>\xf0\x9f\x98\x80</AA:b></AA:a>");
    CSmartPtr<CElement> viaBase = new CElement("b");
    CXmlObjectBase* base = viaBase;
    base->FromXml(xml.c_str());
    EXPECT_EQ(Write(viaBase), xml);
    base->FromXml("<other/>");
    base->FromXmlStream(source->ToXmlStream(false, false, XE_UTF16, EOL_CRLF,
                                            CXmlSerializationContext(), CT_GZIP));
    EXPECT_EQ(Write(viaBase), xml);
}

}  // namespace

// Text between child elements stays where it stood, through text and Fast
// Infoset, and formatted writing adds nothing inside an element that has
// text of its own and children (so formatted round trips do not grow).
TEST(UntypedTest, MixedContentKeepsItsTextInPlace) {
    const std::string mixed = "<p>See <b>one</b> and <i>two <u>x</u></i>.</p>";
    CSmartPtr<CElement> p = new CElement("p");
    p->FromXml(mixed.c_str());
    EXPECT_EQ(p->ToXml(false, false, EOL_LF), mixed);
    EXPECT_EQ(p->ToXml(false, true, EOL_LF), mixed + "\n");
    EXPECT_EQ(p->GetText(), "See  and .");
    const CMixedText* text = p->GetMixedText();
    ASSERT_EQ(text->GetSegmentCount(), 3);
    EXPECT_EQ(text->GetSegment(0), "See ");
    EXPECT_EQ(text->GetSegment(1), " and ");
    EXPECT_EQ(text->GetSegment(2), ".");
    EXPECT_EQ(text->GetSegment(3), "");

    CSmartPtr<CElement> viaFi = new CElement("p");
    viaFi->FromXmlStream(p->ToFastInfosetStream(FI_DECL_NONE));
    EXPECT_EQ(viaFi->ToXml(false, false, EOL_LF), mixed);

    // Element-only content is indented; mixed content inside it is not, and
    // neither is a document whose own whitespace was read with it.
    const std::string outer = "<doc><a><b>x</b><c/></a>" + mixed + "</doc>";
    CSmartPtr<CElement> doc = new CElement("doc");
    doc->FromXml(outer.c_str());
    const std::string formatted = doc->ToXml(false, true, EOL_LF);
    EXPECT_EQ(formatted, "<doc>\n\t<a>\n\t\t<b>x</b>\n\t\t<c/>\n\t</a>\n\t" + mixed + "\n</doc>\n");
    CSmartPtr<CElement> again = new CElement("doc");
    again->FromXml(formatted.c_str());
    EXPECT_EQ(again->ToXml(false, true, EOL_LF), formatted);
    EXPECT_EQ(again->ToXml(false, false, EOL_LF), formatted.substr(0, formatted.size() - 1));

    // Built by hand: segment i before child i, the last after the last child.
    CSmartPtr<CElement> built = new CElement("p");
    built->GetChildElements()->Add("b", "")->SetText("one");
    built->GetChildElements()->Add("i", "")->SetText("two");
    built->GetMixedText()->SetSegment(2, ".");
    built->GetMixedText()->SetSegment(0, "See ");
    built->GetMixedText()->SetSegment(1, " and ");
    EXPECT_EQ(Write(built), "<p>See <b>one</b> and <i>two</i>.</p>");
    built->GetMixedText()->SetSegment(1, "");
    EXPECT_EQ(Write(built), "<p>See <b>one</b><i>two</i>.</p>");
    // Segments beyond the children follow the last child; SetText is one
    // segment after the children.
    built->GetMixedText()->SetSegment(4, "!");
    EXPECT_EQ(Write(built), "<p>See <b>one</b><i>two</i>.!</p>");
    built->SetText("only");
    EXPECT_EQ(Write(built), "<p><b>one</b><i>two</i>only</p>");
    ExpectThrow<CQbInvalidParamException>([&] { built->GetMixedText()->SetSegment(-1, "x"); },
                                          "Invalid text segment index [-1]");
}
