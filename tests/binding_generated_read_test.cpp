// Reading generated objects: round trips through every input form, each
// content-model failure with its message chain and the switch that relaxes
// it, and xsi:type resolved in scope.
#include <gtest/gtest.h>

#include <functional>

#include "support/GeneratedModel.h"

using namespace Model;

namespace {

std::string Text(const CXmlObjectBase& object) {
    CXmlSerializationContext ctx;
    ctx.GetNamespaceAliases().Add("m", kNs);
    return object.ToXml(false, true, EOL_LF, ctx);
}

// The full message of what reading `xml` into a new order throws, or "".
std::string ReadError(const std::string& xml, const CXmlSerializationContext& ctx) {
    CSmartPtr<COrder> order = new COrder;
    try {
        order->FromXml(xml.c_str(), ctx);
    } catch (const CQbException& e) {
        return e.GetFullMessage();
    }
    return "";
}

std::string Order(const std::string& content, const std::string& attributes = "") {
    return "<order xmlns=\"urn:model\" version=\"1\"" + attributes + "><stamp>s</stamp>" + content +
           "</order>";
}

}  // namespace

TEST(GeneratedRead, ReadsBackWhatWasWrittenInEveryForm) {
    const CSmartPtr<COrder> written = SampleOrder();
    const std::string text = Text(*written);
    const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    const std::function<void(COrder&)> forms[] = {
        [&](COrder& o) { o.FromXml(text.c_str()); },
        [&](COrder& o) {
            o.FromXmlStream(written->ToXmlStream(true, false, XE_UTF16, EOL_LF, ctx, CT_GZIP));
        },
        [&](COrder& o) { o.FromXmlStream(written->ToFastInfosetStream(FI_DECL_NONE, ctx)); },
    };
    for (const auto& read : forms) {
        CSmartPtr<COrder> order = new COrder;
        read(*order);
        EXPECT_EQ(Text(*order), text);
        ASSERT_TRUE(dynamic_cast<CCircle*>(order->shape.GetPtr()));
        EXPECT_EQ(order->items->GetCount(), 2);
        EXPECT_EQ(order->dims->others->GetCount(), 1);
        EXPECT_EQ(order->status.GetI4(), 1);
    }
}

TEST(GeneratedRead, EachViolationHasItsChainAndItsSwitch) {
    using Setter = void (CXmlSerializationContext::*)(bool);
    const std::string order = "Failed to process the element [order]\n";
    const std::string item = order + "Failed to process the element [item]\n";
    // Where the refusal happened leads the chain.
    const auto at = [](int column, const char* path) {
        return "Failed to read the document at line 1, column " + std::to_string(column) + ": " +
               path + "\n";
    };
    std::string fourItems;
    for (int i = 0; i < 4; ++i) fourItems += "<item id=\"1\"><name>n</name></item>";
    const struct {
        std::string xml;
        std::string message;
        Setter relax;  // null: no switch excuses it
    } cases[] = {
        {Order("<bogus/>"),
         at(54, "/order/bogus") + order +
             "Failed read all the elements held within the element [order]. The unexpected "
             "element [bogus] remains un processed",
         &CXmlSerializationContext::SetIgnoreUnknownElements},
        {Order("<item id=\"1\"/>"),
         at(54, "/order/item") + item + "Failed to find a required element [name]",
         &CXmlSerializationContext::SetIgnoreMissingMandatoryElements},
        {Order("<item id=\"1\"><bogus/><name>n</name></item>"),
         at(54, "/order/item") + item + "Failed to find a required element [name]",
         &CXmlSerializationContext::SetIgnoreUnknownElements},
        {Order("<item id=\"1\"><name xmlns=\"urn:x\">n</name></item>"),
         at(54, "/order/item") + item + "Failed to find a required element [name]",
         &CXmlSerializationContext::SetIgnoreNamespaces},
        {Order("<item id=\"1\" foo=\"x\"><name>n</name></item>"),
         at(54, "/order/item/@foo") + item + "Unexpected Attribute [foo] found.",
         &CXmlSerializationContext::SetIgnoreUnknownAttributes},
        {Order("<payment/>"),
         at(54, "/order/payment") + order +
             "Failed to process the element [payment]\nNo child elements within the "
             "element [payment] were populated. The element represents a choice, so one and "
             "only one element should be populated. The element contained no sutable child "
             "elements",
         &CXmlSerializationContext::SetIgnoreMissingChoice},
        {Order(fourItems),
         at(1, "/order") + order +
             "The Maximum number of [item] elements allowed in this collection is 3",
         &CXmlSerializationContext::SetIgnoreInvalidCollectionCounts},
        {Order("<payment><voucher><code>v</code><fax/></voucher></payment>"),
         at(86, "/order/payment/voucher/fax") + order +
             "Failed to process the element [payment]\nFailed to process the element "
             "[voucher]\nFailed read all the elements held within the element [voucher]. The "
             "unexpected element [fax] remains un processed",
         &CXmlSerializationContext::SetIgnoreUnknownElements},
        {Order("<dims><height>1</height></dims>"),
         at(54, "/order/dims") + order +
             "Failed to process the element [dims]\nFailed to find the mandatory element "
             "[width]",
         nullptr},
        {"<order xmlns=\"urn:model\"><stamp>s</stamp></order>",
         at(1, "/order") + order + "Failed to find the required Attribute [version]", nullptr},
        {Order("<shape xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
               "xsi:type=\"triangle\"/>"),
         at(54, "/order/shape") + order +
             "Failed read all the elements held within the element [order]. The unexpected "
             "element [shape] remains un processed",
         &CXmlSerializationContext::SetIgnoreUnknownElements},
    };
    for (const auto& c : cases) {
        CXmlSerializationContext ctx;
        EXPECT_EQ(ReadError(c.xml, ctx), c.message) << c.xml;
        if (!c.relax) continue;
        (ctx.*c.relax)(true);
        EXPECT_EQ(ReadError(c.xml, ctx), "") << c.xml;
    }
}

TEST(GeneratedRead, AllGroupInAnyOrderAndModelGroupOnTheCursor) {
    CSmartPtr<COrder> order = new COrder;
    order->FromXml(Order("<payment><voucher><code>v</code><phone>p</phone></voucher></payment>"
                         "<dims><note>n</note><height>2</height><width>1</width></dims>",
                         " by=\"bob\"")
                       .c_str());
    EXPECT_EQ(order->payment->voucher->contact->phone.GetString(), "p");
    EXPECT_EQ(order->dims->width.GetI4(), 1);
    EXPECT_EQ(order->dims->height.GetI4(), 2);
    EXPECT_EQ(order->dims->note.GetString(), "n");
    EXPECT_EQ(order->audit->stamp.GetString(), "s");
    EXPECT_EQ(order->audit->by.GetString(), "bob");
}

TEST(GeneratedRead, XsiTypePrefixesResolveInScope) {
    const std::string xsi = " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
    // p names the model namespace only where the shape stands.
    const std::string inScope = "<order xmlns=\"urn:model\" xmlns:p=\"urn:other\" version=\"1\"" +
                                xsi + "><stamp>s</stamp><shape xmlns:p=\"urn:model\" " +
                                "xsi:type=\"p:square\"><side>4</side></shape></order>";
    CSmartPtr<COrder> order = new COrder;
    order->FromXml(inScope.c_str());
    auto* square = dynamic_cast<CSquare*>(order->shape.GetPtr());
    ASSERT_TRUE(square);
    EXPECT_EQ(square->size.GetI4(), 4);
    // A later declaration elsewhere in the document does not leak back.
    const std::string outOfScope =
        "<order xmlns=\"urn:model\" xmlns:p=\"urn:other\" "
        "version=\"1\"" +
        xsi + "><stamp>s</stamp><shape xsi:type=\"p:square\">" +
        "<side>4</side></shape><x xmlns:p=\"urn:model\"/></order>";
    CXmlSerializationContext ctx;
    ctx.SetIgnoreUnknownElements(true);
    order->FromXml(outOfScope.c_str(), ctx);
    EXPECT_FALSE(order->shape);
}

TEST(GeneratedRead, NestingDeeperThanTheLimitIsRefused) {
    const auto nested = [](int depth) {
        std::string xml;
        for (int i = 0; i < depth; ++i) xml += "<node xmlns=\"urn:model\">";
        for (int i = 0; i < depth; ++i) xml += "</node>";
        return xml;
    };
    CSmartPtr<CNested> root = new CNested;
    EXPECT_NO_THROW(root->FromXml(nested(CXmlGeneratedClass::kMaxNestingDepth).c_str()));
    try {
        root->FromXml(nested(5000).c_str());
        ADD_FAILURE() << "no exception";
    } catch (const CQbValidationException& e) {
        const CQbException* inner = &e;
        while (inner->GetInnerException()) inner = inner->GetInnerException();
        EXPECT_EQ(inner->GetMessage(), "Generated objects are nested more than 1000 levels deep");
    }
}
