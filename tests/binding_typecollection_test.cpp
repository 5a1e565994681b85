#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"
#include "support/InertObject.h"

using namespace QbXmlLib5;
using QbTest::ExpectThrow;

namespace {

using Rule = CWhitespaceUtils::WhitespaceRule;

class CListener : public QbTest::CInertObject<CXmlObjectBase> {
public:
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }
    int events = 0;

protected:
    std::string GetTargetNamespace() override { return ""; }
    void OnEvent(CXmlObjectBase*, MsgType, void*) override { ++events; }
};

struct Facets {
    const char* minInclusive = "";
    const char* maxInclusive = "";
    int maxLength = -1;
    const char* pattern = "";
    Rule rule = CWhitespaceUtils::WhitespaceRule_Collapse;
    const char* format = nullptr;
    int minOccurs = 0;
};

template <class C>
C* Make(const Facets& f = Facets()) {
    return new C("v", "urn:t", f.minOccurs, -1, f.pattern, -1, f.maxLength, f.minInclusive,
                 f.maxInclusive, "", "", -1, f.rule, f.format);
}

// The collection written inside <r xmlns="urn:t">, unformatted.
std::string Write(const CXmlObjectBase* col) {
    CXmlTextWriter writer;
    writer.SetFormatted(false);
    writer.SetDefaultNamespace("urn:t");
    writer.WriteStartElement("r", "urn:t");
    CXmlObjectBase::ToXml_Int(col, &writer, false, "", CXmlSerializationContext(), false);
    writer.WriteEndElement();
    return writer.GetXml();
}

// Reads the children of the document's root; returns the text of the first
// child left unread ("(end)" when all were read).
std::string Read(CXmlObjectBase* col, const std::string& xml) {
    CXmlDocument doc;
    doc.LoadXml(xml.c_str());
    const CXmlElement* root = doc.GetDocumentElement();
    const CXmlElement* rest =
        CXmlObjectBase::FromXml_Int(col, root, root->GetFirstElement(), CXmlSerializationContext());
    return rest ? rest->GetText() : "(end)";
}

std::string Doc(const std::vector<std::string>& texts, const std::string& tail = "") {
    std::string xml = "<r xmlns=\"urn:t\">";
    for (const std::string& t : texts) xml += t.empty() ? "<v/>" : "<v>" + t + "</v>";
    return xml + tail + "</r>";
}

struct KindRow {
    std::function<CXmlCollectionBase*()> make;
    std::vector<std::string> in;
    std::vector<std::string> out;  // empty: as `in`
};

const std::string k100 = std::string(100, '7');

const KindRow kKinds[] = {
    {[] { return Make<ChexBinaryCol>(); }, {"00ff1A", ""}, {"00FF1A", ""}},
    {[] { return Make<Cbase64BinaryCol>(); }, {"AAEC\n/w==", "AQID"}, {"AAEC/w==", "AQID"}},
    {[] { return Make<Ci1Col>(); }, {"-128", "127"}, {}},
    {[] { return Make<Ci2Col>(); }, {"-32768", "32767"}, {}},
    {[] { return Make<Ci4Col>(); }, {"-2147483648", " +7 "}, {"-2147483648", "7"}},
    {[] { return Make<Ci8Col>(); }, {"-9223372036854775808", "9223372036854775807"}, {}},
    {[] { return Make<Cui1Col>(); }, {"0", "255"}, {}},
    {[] { return Make<Cui2Col>(); }, {"65535"}, {}},
    {[] { return Make<Cui4Col>(); }, {"4294967295"}, {}},
    {[] { return Make<Cui8Col>(); }, {"9223372036854775807", "0"}, {}},
    {[] { return Make<Cr4Col>(); }, {"0.1", "-3.5e+30"}, {}},
    {[] { return Make<Cr8Col>(); }, {"0.1", "1.5e+300"}, {}},
    {[] { return Make<CdurationCol>(); }, {"P1Y2M3DT4H5M6.5S", "-PT1M"}, {}},
    {[] { return Make<CyearMonthCol>(); }, {"2005-01", "0001-12+05:30"}, {}},
    {[] { return Make<CmonthDayCol>(); }, {"--02-29Z", "--12-31-00:30"}, {}},
    {[] { return Make<CyearCol>(); }, {"0001", "2005"}, {}},
    {[] { return Make<CmonthCol>(); }, {"--05"}, {}},
    {[] { return Make<CdayCol>(); }, {"---07"}, {}},
    {[] { return Make<CdateCol>(); }, {"0001-01-01", "2005-03-01-00:30"}, {}},
    {[] { return Make<CdatetimeCol>(); },
     {"2005-03-01T12:00:00.125Z", "0001-01-01T00:00:00+14:00"},
     {}},
    {[] { return Make<CtimeCol>(); }, {"23:59:59-05:00", "00:00:00"}, {}},
    {[] {
         return Make<CstringCol>({"", "", -1, "", CWhitespaceUtils::WhitespaceRule_Preserve});
     },
     {" a  b ", "", "&lt;&amp;"},
     {}},
    {[] { return Make<CbooleanCol>(); }, {"TRUE", "0", "false"}, {"true", "false", "false"}},
    {[] { return Make<CdecimalCol>(); },
     {"-" + k100 + "." + k100, "0.1234567890123456789012345678901234567", "0.5000"},
     {"-" + k100 + ".777777777777777777777777777778", "0.123456789012345678901234567890", "0.5"}},
    {[] { return Make<CintegerCol>(); }, {"-" + k100, k100}, {}},
};

TEST(TypeCollection, EveryKindReadsRunsAndRoundTrips) {
    for (const KindRow& row : kKinds) {
        const std::vector<std::string>& out = row.out.empty() ? row.in : row.out;
        CSmartPtr<CXmlCollectionBase> col(row.make());
        // The run ends at the first sibling in another namespace.
        EXPECT_EQ(Read(col, Doc(row.in, "<v xmlns=\"urn:u\">x</v><v>y</v>")), "x") << row.in[0];
        ASSERT_EQ(col->GetCount(), static_cast<int>(row.in.size())) << row.in[0];
        const std::string written = Write(col);
        EXPECT_EQ(written, Doc(out)) << row.in[0];
        CSmartPtr<CXmlCollectionBase> again(row.make());
        EXPECT_EQ(Read(again, written), "(end)");
        EXPECT_EQ(Write(again), written) << row.in[0];
    }
}

TEST(TypeCollection, FacetOrKindViolationChangesNothing) {
    struct Row {
        std::function<CXmlCollectionBase*()> make;
        std::function<void(CXmlCollectionBase*)> addBad, addGood;
        std::string message;
    };
    const Row rows[] = {
        {[] {
             return Make<Ci4Col>({"", "10"});
         },
         [](CXmlCollectionBase* c) { static_cast<Ci4Col*>(c)->Add(11); },
         [](CXmlCollectionBase* c) { static_cast<Ci4Col*>(c)->AddAt(0, 10); },
         "Invalid Value for v [11]"},
        {[] {
             return Make<CstringCol>({"", "", 3, "[a-c]*"});
         },
         [](CXmlCollectionBase* c) { static_cast<CstringCol*>(c)->Add("abd"); },
         [](CXmlCollectionBase* c) { static_cast<CstringCol*>(c)->Add("abc"); },
         "Invalid Value for v [abd]"},
        {[] { return Make<CintegerCol>({("-" + k100).c_str()}); },
         [](CXmlCollectionBase* c) {
             static_cast<CintegerCol*>(c)->Add(CBigInteger(("-" + k100 + "8").c_str()));
         },
         [](CXmlCollectionBase* c) {
             static_cast<CintegerCol*>(c)->Add(CBigInteger(k100.c_str()));
         },
         "Invalid Value for v [-" + k100 + "8]"},
        {[] { return Make<CdateCol>({"2000-01-01Z"}); },
         [](CXmlCollectionBase* c) {
             static_cast<CdateCol*>(c)->Add(CDateTime(1999, 12, 31, 0, 0, 0));
         },
         [](CXmlCollectionBase* c) { static_cast<CdateCol*>(c)->Add(CDateTime(2000, 1, 1)); },
         "Dates added to this collection must be of type dt_date"},
        {[] { return Make<CdateCol>({"2000-01-01Z"}); },
         [](CXmlCollectionBase* c) { Read(c, Doc({"2005-01"})); },
         [](CXmlCollectionBase* c) { Read(c, Doc({"2005-01-01"})); },
         "Dates added to this collection must be of type dt_date"},
        {[] { return Make<CdateCol>({"2000-01-01Z"}); },
         [](CXmlCollectionBase* c) { Read(c, Doc({"1999-12-30Z"})); },
         [](CXmlCollectionBase* c) {
             static_cast<CdatetimeBaseCol*>(c)->Add(CConversions::dateFromString("2000-01-01", {}));
         },
         "Invalid Value for v [1999-12-30Z]"},
        {[] { return Make<Cui1Col>(); }, [](CXmlCollectionBase* c) { Read(c, Doc({"256"})); },
         [](CXmlCollectionBase* c) { Read(c, Doc({"255"})); },
         "The value [256] is to large to fit in a ui1"},
    };
    for (const Row& row : rows) {
        CSmartPtr<CXmlCollectionBase> col(row.make());
        CSmartPtr<CListener> listener(new CListener);
        row.addGood(col);
        col->AddEventListener(listener);
        EXPECT_EQ(QbTest::MessageOf([&] { row.addBad(col); }), row.message);
        EXPECT_EQ(col->GetCount(), 1) << row.message;
        EXPECT_EQ(listener->events, 0) << row.message;
        row.addGood(col);
        EXPECT_EQ(col->GetCount(), 2) << row.message;
        EXPECT_EQ(listener->events, 1) << row.message;
        col->RemoveEventListener(listener);
    }
}

TEST(TypeCollection, IndexesEventsAndCopies) {
    CSmartPtr<Ci4Col> col(Make<Ci4Col>());
    CSmartPtr<CListener> listener(new CListener);
    col->AddEventListener(listener);
    col->Add(1);
    col->AddAt(0, 0);
    col->AddAt(2, 3);
    col->AddAt(2, 2);
    EXPECT_EQ(std::vector<int>(col->begin(), col->end()), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(listener->events, 4);
    ExpectThrow<CQbInvalidParamException>([&] { col->AddAt(5, 9); }, "Index out of range");
    ExpectThrow<CQbInvalidParamException>([&] { col->AddAt(-1, 9); }, "Index out of range");
    ExpectThrow<CQbInvalidParamException>([&] { col->Item(4); },
                                          "Index 4 is out of range, use 0 - 4");
    ExpectThrow<CQbInvalidParamException>([&] { col->Remove(-1); },
                                          "Index -1 is out of range, use 0 - 4");
    col->Remove(0);
    EXPECT_EQ(col->Item(0), 1);
    EXPECT_EQ(listener->events, 5);

    // A copy has the settings and values but not the listeners.
    CSmartPtr<Ci4Col> copy(new Ci4Col(*col));
    copy->Add(4);
    EXPECT_EQ(copy->GetCount(), 4);
    EXPECT_EQ(col->GetCount(), 3);
    EXPECT_EQ(listener->events, 5);
    EXPECT_EQ(Write(copy), Doc({"1", "2", "3", "4"}));
    *col = *copy;  // keeps the target's listeners, fires nothing
    EXPECT_EQ(col->GetCount(), 4);
    EXPECT_EQ(listener->events, 5);
    col->Clear();
    EXPECT_EQ(col->GetCount(), 0);
    EXPECT_EQ(listener->events, 5);
    col->Add(5);
    EXPECT_EQ(listener->events, 6);
    col->RemoveEventListener(listener);

    CSmartPtr<CdatetimeCol> dates(Make<CdatetimeCol>());
    dates->Add(CDateTime(2005, 3, 1, 12, 0, 0));
    CSmartPtr<CdatetimeCol> dateCopy(new CdatetimeCol(*dates));
    EXPECT_EQ(dateCopy->Item(0).ToString("s"), "2005-03-01T12:00:00");
    CSmartPtr<CdatetimeCol> empty(Make<CdatetimeCol>());
    *dates = *empty;
    EXPECT_EQ(dates->GetCount(), 0);
}

TEST(TypeCollection, WritingHonoursCountsFormatsAndWhitespace) {
    CSmartPtr<CstringCol> strings(
        Make<CstringCol>({"", "", -1, "", CWhitespaceUtils::WhitespaceRule_Collapse, nullptr, 2}));
    strings->Add(" a ");
    CXmlTextWriter writer;
    ExpectThrow<CQbValidationException>(
        [&] {
            CXmlObjectBase::ToXml_Int(strings, &writer, false, "", CXmlSerializationContext(),
                                      false);
        },
        "The Minimum number of [v] elements allowed in this collection is 2");
    EXPECT_EQ(writer.GetXml(), "");
    Read(strings, Doc({"  b \n c "}));
    EXPECT_EQ(Write(strings), Doc({" a ", "b c"}));

    CSmartPtr<Cr8Col> formatted(Make<Cr8Col>({"", "", -1, "", {}, "%.2f"}));
    CSmartPtr<Cr8Col> plain(Make<Cr8Col>());
    formatted->Add(1.5);
    plain->Add(1.5);
    EXPECT_EQ(Write(formatted), Doc({"1.50"}));
    EXPECT_EQ(Write(plain), Doc({"1.5"}));
    CSmartPtr<CdecimalCol> decimals(Make<CdecimalCol>({"", "", -1, "", {}, "2"}));
    decimals->Add(CDecimal("2.345"));
    EXPECT_EQ(Write(decimals), Doc({"2.35"}));
}

}  // namespace
