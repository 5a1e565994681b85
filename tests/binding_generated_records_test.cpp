// The metadata records on their own, the class factory look-ups, and the
// lifetime of generated objects.
#include <gtest/gtest.h>

#include "support/ExceptionMessage.h"
#include "support/GeneratedModel.h"

using namespace Model;
using QbTest::ExpectThrow;

namespace {

struct CDocument : CXmlDocument {
    explicit CDocument(const char* xml) { LoadXml(xml); }
    const CXmlElement* Root() const { return GetDocumentElement(); }
};

// Released at process exit, after this thread's locals are gone.
CSmartPtr<CItemCol> g_releasedAtExit;

}  // namespace

TEST(GeneratedRecords, MatchingChecksAndDefaults) {
    const CElementInfoSeqPrimMnd prim("a", "urn:a", 0, it_i4, nullptr, kCollapse,
                                      CPrimitiveRestrictions("", -1, -1, "", "5", "", "", -1));
    const CElementInfoSeqClsCol items("a", "urn:a", 1, Element);
    const CDocument doc("<a xmlns='urn:b'/>");
    CXmlSerializationContext ctx;
    EXPECT_FALSE(prim.IsThisElement(ctx, nullptr));
    EXPECT_FALSE(prim.IsThisElement(ctx, doc.Root()));
    ctx.SetIgnoreNamespaces(true);
    EXPECT_TRUE(prim.IsThisElement(ctx, doc.Root()));
    ctx.SetIgnoreNamespaces(false);
    ctx.SetSchemaType(ST_NO_NAMESPACES);
    EXPECT_TRUE(prim.IsThisElement(ctx, doc.Root()));

    QbVariant value;
    value.SetI4(6);
    ExpectThrow<CQbException>([&] { prim.CheckRestriction(value); }, "Invalid Value for a [6]");
    value.SetI4(5);
    EXPECT_NO_THROW(prim.CheckRestriction(value));
    ExpectThrow<CQbException>([&] { items.CheckRestriction(value); },
                              "Cannot CheckRestriction for type: i4");
    ExpectThrow<CQbException>([&] { items.Validate(ctx, nullptr, true, true); },
                              "Not implemented, should never be called");

    const struct {
        const char* restriction;
        const char* a;
        const char* expected;
    } defaults[] = {{"##any", "A", "A"},
                    {"##other", "A", ""},
                    {"##other", "", "DefaultNamespace"},
                    {"##local", "A", ""},
                    {"##targetNamespace", "A", "B"},
                    {"##local urn:x", "A", ""},
                    {"##targetNamespace urn:x", "A", "B"},
                    {"urn:x urn:y", "A", ""}};
    for (const auto& d : defaults) {
        EXPECT_EQ(CElementInfo::GetAnyDefaultNamespace(d.restriction, d.a, "B"), d.expected)
            << d.restriction;
    }
}

// Records check their names once; a name that is not an XML name is still
// refused by the text writer, one beyond ASCII is written as it is.
TEST(GeneratedRecords, RecordNamesAreCheckedBeforeTheyAreWritten) {
    CSmartPtr<CItem> item = new CItem;
    item->id.SetString("v");
    item->name.SetString("n");
    const struct {
        const char* name;
        const char* output;  // null: refused
    } cases[] = {{"good", "<root good=\"v\"><good>n</good></root>"},
                 {"caf\xC3\xA9", "<root caf\xC3\xA9=\"v\"><caf\xC3\xA9>n</caf\xC3\xA9></root>"},
                 {"1bad", nullptr},
                 {"a:b", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CAttributeInfoPrimitive attribute(c.name, "", 0, false, it_string, nullptr, kCollapse,
                                                CPrimitiveRestrictions());
        const CElementInfoSeqPrimMnd element(c.name, "", 1, it_string, nullptr, kCollapse,
                                             CPrimitiveRestrictions());
        const CXmlSerializationContext ctx;
        CXmlTextWriter writer;
        writer.SetFormatted(false);
        writer.WriteStartElement("root", "");
        if (c.output) {
            attribute.AttributeToXml(ctx, item, &writer);
            EXPECT_TRUE(element.ElementToXml(ctx, item, &writer));
            writer.WriteEndElement();
            EXPECT_EQ(writer.GetXml(), c.output);
        } else {
            const std::string tail =
                std::string(" [") + c.name + "] as XML: it is not a valid XML name";
            ExpectThrow<CQbException>([&] { attribute.AttributeToXml(ctx, item, &writer); },
                                      "Cannot write the attribute name" + tail);
            ExpectThrow<CQbException>([&] { element.ElementToXml(ctx, item, &writer); },
                                      "Cannot write the element name" + tail);
        }
    }
}

TEST(GeneratedRecords, AbstractMembersOfAllGroupsCannotBeRead) {
    CElementInfoAllAbsClsMnd record("shape", kNs, 0, Element, CShapeFactory::Create, 1);
    const CDocument doc("<order xmlns='urn:model'><shape/></order>");
    const CXmlElement* current = doc.Root()->GetFirstElement();
    CSmartPtr<COrder> order = new COrder;
    EXPECT_EQ(QbTest::MessageOf([&] {
                  record.ElementFromXml(CXmlSerializationContext(), order, doc.Root(), &current,
                                        kNs, Element);
              }).rfind("AllAbsClsMndElm.ProcessXml, has not been implemented fully", 0),
              0u);
    ExpectThrow<CQbValidationException>(
        [&] { record.Validate(CXmlSerializationContext(), order, false, true); },
        "Failed to find the mandatory element [shape]");
}

TEST(GeneratedRecords, MandatoryAbstractAndUntypedMembersMustBeFound) {
    CElementInfoSeqAbsClsMnd shape("shape", kNs, 6, Element, CShapeFactory::Create);
    CElementInfoSeqUntpdMnd any("AnyElement", "urn:other", 8, "##other", kNs);
    const CDocument doc(
        "<order xmlns='urn:model' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>"
        "<shape xsi:type='triangle'/></order>");
    const CXmlSerializationContext ctx;
    CSmartPtr<COrder> order = new COrder;
    order->any = new CElement("AnyElement", "urn:other", "##other", kNs);
    const CXmlElement* current = doc.Root()->GetFirstElement();
    ExpectThrow<CQbValidationException>(
        [&] { shape.ElementFromXml(ctx, order, doc.Root(), &current, kNs, Element); },
        "Failed to find a suitable substitution element for [shape]");
    ExpectThrow<CQbValidationException>(
        [&] { any.ElementFromXml(ctx, order, doc.Root(), &current, kNs, Element); },
        "Failed to find the required element from namespace [urn:other]");
    // A model group's mandatory members are missing quietly.
    EXPECT_FALSE(shape.ElementFromXml(ctx, order, doc.Root(), &current, kNs, PseudoElement));
    EXPECT_FALSE(any.ElementFromXml(ctx, order, doc.Root(), &current, kNs, PseudoElement));
    EXPECT_EQ(current, doc.Root()->GetFirstElement());
}

TEST(GeneratedRecords, FactoryResolvesXsiTypeWhereItStands) {
    const CDocument doc(
        "<r xmlns='urn:d' xmlns:p='urn:p' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>"
        "<a/><b xsi:type='p:t'/><c xsi:type='q:t'/><d xsi:type='t'/>"
        "<e xmlns:p='urn:inner' xsi:type='p:t'><f xsi:type='p:u'/></e><g xsi:type='p:t'/></r>");
    const struct {
        const char* type;
        const char* uri;
    } expected[] = {{"", "urn:d"},  {"t", "urn:p"},     {"t", "urn:d"},
                    {"t", "urn:d"}, {"t", "urn:inner"}, {"t", "urn:p"}};
    const CXmlElement* element = doc.Root()->GetFirstElement();
    for (const auto& e : expected) {
        ASSERT_TRUE(element);
        EXPECT_EQ(CShapeFactory::GetElementType(element), e.type) << element->GetLocalName();
        EXPECT_EQ(CShapeFactory::GetElementTypeNamespaceUri(element), e.uri)
            << element->GetLocalName();
        element = element->GetNextSiblingElement();
    }
    const CXmlElement* inner = doc.Root()->GetFirstElement();
    while (inner->GetLocalName() != "e") inner = inner->GetNextSiblingElement();
    EXPECT_EQ(inner->GetFirstElement()->LookupNamespaceFromPrefix("p"), "urn:inner");
    EXPECT_EQ(doc.Root()->LookupNamespaceFromPrefix(""), "urn:d");
    EXPECT_EQ(doc.Root()->LookupNamespaceFromPrefix("none"), "");
}

TEST(GeneratedRecords, MetadataAndReferencesAreReleased) {
    CParentElementInfo* info = new CParentElementInfo(Seq, Element, "x", "", -1, false, false);
    CElementInfo** elements = Records<CElementInfo>(
        {new CElementInfoSeqUntpdOpt("AnyElement", "", 0, "##any", ""),
         new CElementInfoChoiceEnumCol("e", "", 1), new CElementInfoAllPrimCol("p", "", 2)});
    CAttributeInfo** attributes =
        Records<CAttributeInfo>({new CAttributeInfoAny("any", "", 0, true, "##any", "")});
    CXmlGeneratedClass::CleanMetaData(info, elements, attributes);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(elements, nullptr);
    EXPECT_EQ(attributes, nullptr);
    CXmlGeneratedClass::CleanMetaData(info, elements, attributes);

    CSmartPtr<COrder> order = SampleOrder();
    EXPECT_EQ(order->GetClassElementInfoCount(), 6);
    CSmartPtr<CItem> item = order->items->Item(0);
    const std::string text = order->ToXml(false, false, EOL_LF);
    CSmartPtr<COrder> copy = new COrder;
    copy->FromXml(text.c_str());
    copy->FromXml(text.c_str());
    EXPECT_EQ(item->AddRef(), 3);  // this pointer, the collection, and now
    item->Release();
    EXPECT_EQ(copy->AddRef(), 2);
    copy->Release();

    g_releasedAtExit = new CItemCol;
    g_releasedAtExit->Add(item);
}

TEST(GeneratedRecords, DeepTreesAreFreedWithoutRecursion) {
    CSmartPtr<CNested> root = new CNested;
    CNested* last = root;
    for (int i = 0; i < 300000; ++i) {
        last->child = new CNested;
        last = last->child;
    }
    root = nullptr;  // would overflow the stack if each level freed the next
}
