// Values that a round trip cannot show, read through the classes qbxsd
// generated from values.xsd: attribute defaults (the round-trip comparison
// applies schema defaults to both sides) and enumerations whose whitespace
// rule normalises the text before the lookup (the written value is the
// normalised one). libxml2 judges each document beside the library.
#include "values.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <string>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"

using namespace QbXmlLib5;
namespace V = qbtest_values;

namespace {

void Quiet(void*, const char*, ...) {}

// libxml2's verdict on `xml` against values.xsd.
bool LibxmlValid(const std::string& xml) {
    xmlSetGenericErrorFunc(nullptr, Quiet);
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(QBXSD_VALUES_SCHEMA);
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    xmlSchemaValidCtxtPtr ctx = xmlSchemaNewValidCtxt(schema);
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "doc.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool valid = doc && xmlSchemaValidateDoc(ctx, doc) == 0;
    xmlFreeDoc(doc);
    xmlSchemaFreeValidCtxt(ctx);
    xmlSchemaFree(schema);
    return valid;
}

// The members of <r> as the getters give them; "-" for an absent optional.
std::string Describe(const V::CR& r) {
    const auto opt = [](bool valid, const std::string& text) { return valid ? text : "-"; };
    return "c=" + opt(r.IsValidC(), V::ColourToString(r.GetC())) +
           " size=" + opt(r.IsValidSize(), V::SizeToString(r.GetSize())) +
           " mark=" + opt(r.IsValidMark(), V::MarkToString(r.GetMark())) +
           " a=" + opt(r.IsValidA(), V::ColourToString(r.GetA())) +
           " level=" + std::to_string(r.GetLevel()) + " unit=" + r.GetUnit() +
           " shade=" + V::ColourToString(r.GetShade());
}

TEST(QbxsdValues, DefaultsAndNormalisedEnumerationsReadAsLibxml2Judges) {
    struct Row {
        std::string attributes, content;
        bool valid;
        std::string expected;  // Describe() of the object read, or part of the refusal
    };
    // clang-format off
    const Row rows[] = {
        {"", "", true, "c=- size=- mark=- a=- level=5 unit=cm shade=green"},
        {" level=\"7\" unit=\"mm\" shade=\" red\"", "", true,
         "c=- size=- mark=- a=- level=7 unit=mm shade=red"},
        // token: leading, trailing and inner runs collapse.
        {" a=\" green \"", "<v:c> red </v:c>", true, "c=red size=- mark=- a=green level=5 unit=cm shade=green"},
        {" a=\"&#9;red&#10;\"", "<v:c>&#10;green&#9;</v:c>", true,
         "c=green size=- mark=- a=red level=5 unit=cm shade=green"},
        // normalizedString: tabs and line feeds become spaces, nothing is trimmed.
        {"", "<v:size>extra&#9;large</v:size>", true,
         "c=- size=extra large mark=- a=- level=5 unit=cm shade=green"},
        {"", "<v:size> small</v:size>", false, "[ small] is not a valid Size"},
        {"", "<v:size>extra  large</v:size>", false, "is not a valid Size"},
        // string: the text as it stands.
        {"", "<v:mark>y</v:mark>", true, "c=- size=- mark=y a=- level=5 unit=cm shade=green"},
        {"", "<v:mark> x</v:mark>", false, "[ x] is not a valid Mark"},
        {" a=\"re d\"", "", false, "[re d] is not a valid Colour"},
        {"", "<v:c>r ed</v:c>", false, "is not a valid Colour"},
    };
    // clang-format on
    for (const Row& row : rows) {
        const std::string xml =
            "<v:r xmlns:v=\"urn:qbtest:values\"" + row.attributes + ">" + row.content + "</v:r>";
        EXPECT_EQ(LibxmlValid(xml), row.valid) << xml;
        CSmartPtr<V::CR> r = new V::CR();
        const std::string refusal = QbTest::FullMessageOf([&] { r->FromXml(xml.c_str()); });
        if (row.valid) {
            EXPECT_EQ(refusal, "(no exception)") << xml;
            EXPECT_EQ(Describe(*r), row.expected) << xml;
        } else {
            EXPECT_NE(refusal.find(row.expected), std::string::npos) << xml << "\n" << refusal;
        }
    }
}

}  // namespace
