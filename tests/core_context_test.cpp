#include <gtest/gtest.h>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"

using namespace QbXmlLib5;
using QbTest::ExpectThrow;

namespace {

TEST(ContextTest, DefaultsAndSchemaTypeTwo) {
    CXmlSerializationContext ctx;
    for (bool flag : {ctx.GetIgnoreUnknownAttributes(), ctx.GetIgnoreUnknownElements(),
                      ctx.GetIgnoreMissingMandatoryElements(), ctx.GetIgnoreMissingChoice(),
                      ctx.GetIgnoreInvalidCollectionCounts(), ctx.GetIgnoreNamespaces(),
                      ctx.GetIgnoreInvalidValues()}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_EQ(ctx.GetDefaultNamespaceURI(), "");
    EXPECT_EQ(ctx.GetInLineSchema(), "");
    EXPECT_EQ(ctx.GetSchemaType(), ST_DEFAULT);
    EXPECT_EQ(ctx.GetNamespaceAliases().GetNamespaceCount(), 0);
    EXPECT_TRUE(ctx.GetProcessingInstructions().empty());

    ctx.SetSchemaType(ST_NO_NAMESPACES);
    EXPECT_TRUE(ctx.GetIgnoreNamespaces());
    ctx.SetSchemaType(ST_XSD);
    EXPECT_FALSE(ctx.GetIgnoreNamespaces());
    ctx.SetIgnoreNamespaces(true);
    EXPECT_TRUE(ctx.GetIgnoreNamespaces());
}

TEST(ContextTest, ExclusionRuleKeepsOldValueAndNamesTheOtherFlag) {
    const auto message = [](const char* set, const char* other) {
        return std::string(
                   "The parser can only ignore additional elements, or ignore the fact "
                   "that some required ones are missing, you can not ignore both\nSet ") +
               set + " to false before setting " + other + " to true";
    };
    CXmlSerializationContext ctx;
    ctx.SetIgnoreUnknownElements(true);
    ExpectThrow<CQbInvalidStateException>(
        [&] { ctx.SetIgnoreMissingMandatoryElements(true); },
        message("IgnoreUnknownElements", "IgnoreMissingMandatoryElements"));
    EXPECT_FALSE(ctx.GetIgnoreMissingMandatoryElements());
    EXPECT_TRUE(ctx.GetIgnoreUnknownElements());
    EXPECT_NO_THROW(ctx.SetIgnoreMissingMandatoryElements(false));

    ctx.SetIgnoreUnknownElements(false);
    ctx.SetIgnoreMissingMandatoryElements(true);
    EXPECT_TRUE(ctx.GetIgnoreMissingMandatoryElements());
    ExpectThrow<CQbInvalidStateException>(
        [&] { ctx.SetIgnoreUnknownElements(true); },
        message("IgnoreMissingMandatoryElements", "IgnoreUnknownElements"));
    EXPECT_FALSE(ctx.GetIgnoreUnknownElements());
}

TEST(ContextTest, CopiesAreDeepAndDefaultContextIsShared) {
    CXmlSerializationContext a;
    a.GetNamespaceAliases().Add("p", "urn:p");
    a.GetProcessingInstructions().push_back("<?pi x?>");
    a.SetInLineSchema("<xs:schema/>");
    a.SetDefaultNamespaceURI("urn:d");
    a.SetIgnoreMissingChoice(true);
    CXmlSerializationContext b(a);
    b.GetNamespaceAliases().Add("q", "urn:q");
    b.GetProcessingInstructions().clear();
    EXPECT_EQ(a.GetNamespaceAliases().GetNamespaceCount(), 1);
    EXPECT_EQ(a.GetProcessingInstructions().size(), 1u);
    EXPECT_TRUE(b.GetIgnoreMissingChoice());
    EXPECT_EQ(b.GetDefaultNamespaceURI(), "urn:d");
    CXmlSerializationContext c;
    c = b;
    EXPECT_EQ(c.GetNamespaceAliases().GetNamespaceCount(), 2);
    EXPECT_EQ(c.GetInLineSchema(), "<xs:schema/>");

    CXmlSerializationContext& def = CXmlSerializationContext::GetDefaultContext();
    EXPECT_EQ(&def, &CXmlSerializationContext::GetDefaultContext());
    def.SetIgnoreUnknownAttributes(true);
    EXPECT_TRUE(CXmlSerializationContext::GetDefaultContext().GetIgnoreUnknownAttributes());
    def.SetIgnoreUnknownAttributes(false);
}

TEST(AliasMapTest, OrderLookupAndImplicitInsertion) {
    CNamespaceAliasMap map;
    map.Add("z", "urn:zeta");
    map.Add("a", "urn:alpha");
    map.Add("b", "urn:Beta");  // upper case sorts first byte-wise
    ASSERT_EQ(map.GetNamespaceCount(), 3);
    EXPECT_EQ(map.GetNamespaceAt(0) + map.GetNamespaceAt(1) + map.GetNamespaceAt(2),
              "urn:Betaurn:alphaurn:zeta");
    EXPECT_THROW(map.GetNamespaceAt(3), CQbInvalidParamException);
    EXPECT_THROW(map.GetNamespaceAt(-1), CQbInvalidParamException);

    map.Add("zz", "urn:zeta");  // replaces the alias of the URI
    EXPECT_EQ(map.GetNamespaceCount(), 3);
    EXPECT_EQ(map.GetAliasFromNamespace("urn:zeta"), "zz");
    EXPECT_FALSE(map.DoesAliasExist("z"));
    EXPECT_TRUE(map.DoesAliasExist("zz"));

    map.Add("s", "urn:two");  // two URIs sharing one alias
    map.Add("s", "urn:one");
    EXPECT_EQ(map.GetNamespaceFromAlias("s"), "urn:one");
    ExpectThrow<CQbException>([&] { map.GetNamespaceFromAlias("nobody"); },
                              "Namespace alias [nobody] not found");

    const int before = map.GetNamespaceCount();
    EXPECT_EQ(map.GetAliasFromNamespace("urn:new"), "");
    EXPECT_EQ(map.GetNamespaceCount(), before + 1);
    EXPECT_TRUE(map.DoesNamespaceExist("urn:new"));
    map.RemoveNamespace("urn:new");
    map.RemoveNamespace("urn:never");
    EXPECT_FALSE(map.DoesNamespaceExist("urn:new"));
    EXPECT_EQ(map.GetNamespaceCount(), before);

    CNamespaceAliasMap copy(map);
    copy.RemoveNamespace("urn:one");
    EXPECT_TRUE(map.DoesNamespaceExist("urn:one"));
}

}  // namespace
