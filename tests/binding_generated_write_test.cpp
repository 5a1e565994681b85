// Writing generated objects: exact output for every group and member kind,
// the root's prologue, and the error chains.
#include <gtest/gtest.h>

#include "support/ExceptionMessage.h"
#include "support/GeneratedModel.h"

using namespace Model;

namespace {

CXmlSerializationContext PrefixedContext() {
    CXmlSerializationContext ctx;
    ctx.GetNamespaceAliases().Add("m", kNs);
    return ctx;
}

}  // namespace

TEST(GeneratedWrite, EveryGroupAndMemberKindByteExact) {
    const CSmartPtr<COrder> order = SampleOrder();
    const CXmlSerializationContext ctx = PrefixedContext();
    // Audit is a model group: its attribute and child land on <order>.
    EXPECT_EQ(order->ToXml(false, false, EOL_LF, ctx),
              "<m:order xmlns:m=\"urn:model\" version=\"2\" status=\"closed\" by=\"ann\">"
              "<m:stamp>t1</m:stamp>"
              "<m:item id=\"7\"><m:name>a&lt;b</m:name><m:qty>3</m:qty><m:colour>green</m:colour>"
              "</m:item><m:item id=\"8\"><m:name>c</m:name></m:item>"
              "<m:payment><m:card>visa</m:card></m:payment>"
              "<m:shape xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" "
              "AA:type=\"m:circle\"><m:radius>1.5</m:radius></m:shape>"
              "<m:dims xmlns:AA=\"urn:other\" AA:lang=\"en\"><m:width>2</m:width>"
              "<m:height>3</m:height></m:dims>"
              "<AA:x xmlns:AA=\"urn:other\">free</AA:x></m:order>");
    EXPECT_EQ(order->ToXml(true, true, EOL_CRLF, ctx),
              "<?xml version=\"1.0\"?>\r\n"
              "<m:order xmlns:m=\"urn:model\" version=\"2\" status=\"closed\" by=\"ann\">\r\n"
              "\t<m:stamp>t1</m:stamp>\r\n"
              "\t<m:item id=\"7\">\r\n\t\t<m:name>a&lt;b</m:name>\r\n\t\t<m:qty>3</m:qty>\r\n"
              "\t\t<m:colour>green</m:colour>\r\n\t</m:item>\r\n"
              "\t<m:item id=\"8\">\r\n\t\t<m:name>c</m:name>\r\n\t</m:item>\r\n"
              "\t<m:payment>\r\n\t\t<m:card>visa</m:card>\r\n\t</m:payment>\r\n"
              "\t<m:shape xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" "
              "AA:type=\"m:circle\">\r\n\t\t<m:radius>1.5</m:radius>\r\n\t</m:shape>\r\n"
              "\t<m:dims xmlns:AA=\"urn:other\" AA:lang=\"en\">\r\n\t\t<m:width>2</m:width>\r\n"
              "\t\t<m:height>3</m:height>\r\n\t</m:dims>\r\n"
              "\t<AA:x xmlns:AA=\"urn:other\">free</AA:x>\r\n</m:order>\r\n");
}

TEST(GeneratedWrite, RootPrologueComesFromTheContext) {
    CSmartPtr<COrder> order = new COrder;
    order->version.SetString("1");
    order->audit->stamp.SetString("s");
    CXmlSerializationContext ctx;
    ctx.SetDefaultNamespaceURI(kNs);
    ctx.GetProcessingInstructions().push_back("<?pi data?>");
    ctx.GetNamespaceAliases().Add("z", "urn:z");
    ctx.GetAdditionalRootAttributes()->Add("schemaLocation", "urn:model order.xsd",
                                           "http://www.w3.org/2001/XMLSchema-instance");
    ctx.SetInLineSchema("<schema/>");
    EXPECT_EQ(order->ToXml(false, false, EOL_LF, ctx),
              "<?pi data?>\n\n<order xmlns=\"urn:model\" xmlns:z=\"urn:z\" "
              "xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" "
              "AA:schemaLocation=\"urn:model order.xsd\" version=\"1\">\n<schema/>\n"
              "<stamp>s</stamp></order>");
}

TEST(GeneratedWrite, ChoiceWritesOneMemberAndNeedsOne) {
    // The output, or the full message of the failure.
    const auto write = [](const CXmlObjectBase& object, const CXmlSerializationContext& ctx) {
        try {
            return object.ToXml(false, false, EOL_LF, ctx);
        } catch (const CQbException& e) {
            return e.GetFullMessage();
        }
    };
    const std::string none =
        "This element is a choice, and as such must have at one (and only one) valid item, "
        "currently there are none set";
    const std::string payment = "Failed to convert the element [payment] to XML\n";
    CSmartPtr<CPayment> p = new CPayment;
    p->card.SetString("visa");
    p->voucher = new CVoucher;
    p->voucher->code.SetString("v");
    CXmlSerializationContext ctx;
    ctx.SetDefaultNamespaceURI(kNs);
    EXPECT_EQ(write(*p, ctx), "<payment xmlns=\"urn:model\"><card>visa</card></payment>");
    p->card.Clear();
    // The voucher's Contact model group is a choice of its own.
    EXPECT_EQ(write(*p, ctx), payment + "Failed to convert the element [voucher] to XML\n" +
                                  "Failed to convert the element [Contact] to XML\n" + none);
    p->voucher->contact->email.SetString("e");
    EXPECT_EQ(write(*p, ctx),
              "<payment xmlns=\"urn:model\"><voucher><code>v</code><email>e</email></voucher>"
              "</payment>");
    p->voucher = nullptr;
    EXPECT_EQ(write(*p, ctx), payment + none);
    ctx.SetIgnoreMissingChoice(true);
    EXPECT_EQ(write(*p, ctx), "<payment xmlns=\"urn:model\"/>");
}

TEST(GeneratedWrite, FailuresNameEveryLevel) {
    CSmartPtr<COrder> order = SampleOrder();
    order->items->Item(0)->qty.SetI4(-1);
    std::string message;
    try {
        order->ToXml(false, false, EOL_LF, PrefixedContext());
    } catch (const CQbValidationException& e) {
        message = e.GetFullMessage();
    }
    EXPECT_EQ(message,
              "Failed to convert the element [order] to XML\n"
              "Failed to convert the element [item] to XML\nInvalid Value for qty [-1]");
    order = SampleOrder();
    order->version.SetI4(1);  // a mandatory attribute of the wrong kind
    try {
        order->ToXml(false, false, EOL_LF, PrefixedContext());
    } catch (const CQbException& e) {
        message = e.GetFullMessage();
    }
    EXPECT_EQ(message.rfind("Failed to convert the element [order] to XML\n"
                            "Failed to convert attributes to XML\n",
                            0),
              0u)
        << message;
}

TEST(GeneratedWrite, NestingDeeperThanTheLimitIsRefused) {
    CSmartPtr<CNested> root = new CNested;
    CNested* last = root;
    for (int i = 1; i < CXmlGeneratedClass::kMaxNestingDepth; ++i) {
        last->child = new CNested;
        last = last->child;
    }
    EXPECT_NO_THROW(root->ToXml(false, false, EOL_LF));
    last->child = new CNested;
    try {
        root->ToXml(false, false, EOL_LF);
        ADD_FAILURE() << "no exception";
    } catch (const CQbException& e) {
        const CQbException* inner = &e;
        while (inner->GetInnerException()) inner = inner->GetInnerException();
        EXPECT_EQ(inner->GetMessage(), "Generated objects are nested more than 1000 levels deep");
    }
}
