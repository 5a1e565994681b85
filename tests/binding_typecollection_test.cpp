#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"
#include "support/GeneratedModel.h"
#include "support/InertObject.h"

using namespace QbXmlLib5;
using QbTest::ExpectThrow;

namespace {

using WS = CWhitespaceUtils;

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
    Facets(const char* maxInc = "", int maxLen = -1, const char* pat = "",
           WS::WhitespaceRule ws = WS::WhitespaceRule_Collapse, const char* fmt = nullptr)
        : maxInclusive(maxInc), maxLength(maxLen), pattern(pat), rule(ws), format(fmt) {}
    const char* maxInclusive;
    int maxLength;
    const char* pattern;
    WS::WhitespaceRule rule;
    const char* format;
};
using Maker = CXmlCollectionBase* (*)(const Facets&);

template <class C>
C* Make(const Facets& f = Facets()) {
    return new C("v", "urn:t", 0, -1, f.pattern, -1, f.maxLength, "", f.maxInclusive, "", "", -1,
                 f.rule, f.format);
}
template <class C>
CXmlCollectionBase* New(const Facets& f) {
    return Make<C>(f);
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

std::string Doc(const std::vector<std::string>& texts, const std::string& tail = "") {
    std::string xml = "<r xmlns=\"urn:t\">";
    for (const std::string& t : texts) xml += t.empty() ? "<v/>" : "<v>" + t + "</v>";
    return xml + tail + "</r>";
}

// Reads the root's children from the first on; returns the text of the
// first child left unread, "(end)" when none is.
std::string Read(CXmlObjectBase* col, const std::string& xml) {
    CXmlDocument doc;
    doc.LoadXml(xml.c_str());
    const CXmlElement* root = doc.GetDocumentElement();
    const CXmlElement* rest =
        CXmlObjectBase::FromXml_Int(col, root, root->GetFirstElement(), CXmlSerializationContext());
    return rest ? rest->GetText() : "(end)";
}

const std::string k100 = std::string(100, '7');
const std::string kDates = "Dates added to this collection must be of type dt_";

struct KindRow {
    KindRow(Maker m, std::vector<std::string> i, std::vector<std::string> o, Facets f = {})
        : make(m), in(std::move(i)), out(std::move(o)), facets(f) {}
    Maker make;
    std::vector<std::string> in, out;  // out empty: as in
    Facets facets;
} const kKinds[] = {
    {New<ChexBinaryCol>, {"00ff1A", ""}, {"00FF1A", ""}},
    {New<Cbase64BinaryCol>, {"AAEC\n/w==", "AQID"}, {"AAEC/w==", "AQID"}},
    {New<Ci1Col>, {"-128", "127"}, {}},
    {New<Ci2Col>, {"-32768", "32767"}, {}},
    {New<Ci4Col>, {"-2147483648", " +7 "}, {"-2147483648", "7"}},
    {New<Ci8Col>, {"-9223372036854775808", "9223372036854775807"}, {}},
    {New<Cui1Col>, {"0", "255"}, {}},
    {New<Cui2Col>, {"65535"}, {}},
    {New<Cui4Col>, {"4294967295"}, {}},
    {New<Cui8Col>, {"18446744073709551615", "0"}, {}},
    {New<Cr4Col>, {"0.1", "-3.5e+30"}, {}},
    {New<Cr8Col>, {"0.1", "1.5e+300"}, {}},
    {New<CdurationCol>, {"P1Y2M3DT4H5M6.5S", "-PT1M"}, {}},
    {New<CyearMonthCol>, {"2005-01", "0001-12+05:30"}, {}},
    {New<CmonthDayCol>, {"--02-29Z", "--12-31-00:30"}, {}},
    {New<CyearCol>, {"0001", "12", "2005"}, {"1", "12", "2005"}},
    {New<CmonthCol>, {"--05"}, {}},
    {New<CdayCol>, {"---07"}, {}},
    {New<CdateCol>, {"0001-01-01", "2005-03-01-00:30"}, {}},
    {New<CdatetimeCol>, {"2005-03-01T12:00:00.125Z", "0001-01-01T00:00:00+14:00"}, {}},
    {New<CtimeCol>, {"23:59:59-05:00", "00:00:00"}, {}},
    {New<CstringCol>, {" a  b ", "", "&lt;&amp;"}, {}, {"", -1, "", WS::WhitespaceRule_Preserve}},
    {New<CstringCol>, {"  b \n c "}, {"b c"}},
    {New<Cr8Col>, {"1.5"}, {"1.50"}, {"", -1, "", {}, "%.2f"}},
    {New<CdecimalCol>, {"2.345"}, {"2.35"}, {"", -1, "", {}, "2"}},
    {New<CbooleanCol>, {"TRUE", "0", "false"}, {"true", "false", "false"}},
    {New<CdecimalCol>,
     {"-" + k100 + "." + k100, "0.1234567890123456789012345678915", "0.5000"},
     {"-" + k100 + ".777777777777777777777777777778", "0.123456789012345678901234567891",
      "0.5000"}},
    {New<CintegerCol>, {"-" + k100, k100}, {}},
};

TEST(TypeCollection, EveryKindReadsARunAndRoundTrips) {
    for (const KindRow& row : kKinds) {
        CSmartPtr<CXmlCollectionBase> col(row.make(row.facets)), again(row.make(row.facets));
        // The run ends at the first sibling in another namespace.
        EXPECT_EQ(Read(col, Doc(row.in, "<v xmlns=\"urn:u\">x</v><v>y</v>")), "x") << row.in[0];
        ASSERT_EQ(col->GetCount(), static_cast<int>(row.in.size())) << row.in[0];
        const std::string written = Write(col);
        EXPECT_EQ(written, Doc(row.out.empty() ? row.in : row.out)) << row.in[0];
        EXPECT_EQ(Read(again, written), "(end)");
        EXPECT_EQ(Write(again), written) << row.in[0];
    }
}

TEST(TypeCollection, RefusedValueChangesNothingAndFiresNothing) {
    struct Row {
        Maker make;
        Facets facets;
        std::string good, bad, message;
    };
    // clang-format off
    const Row rows[] = {
        {New<Ci4Col>, {"10"}, "10", "11", "Invalid Value for v [11]"},
        {New<CstringCol>, {"", 3, "[a-c]*"}, "abc", "abd", "Invalid Value for v [abd]"},
        {New<Cbase64BinaryCol>, {"", 2}, "AQI=", "AQID", "Invalid Value for v [010203]"},
        {New<CintegerCol>, {k100.c_str()}, k100, k100 + "8", "Invalid Value for v [" + k100 + "8]"},
        {New<CdateCol>, {"2000-01-01Z"}, "2000-01-01", "2000-01-02Z",
         "Invalid Value for v [2000-01-02Z]"},
        {New<CdateCol>, {}, "2005-01-01", "2005-01", kDates + "date"},
        {New<CyearMonthCol>, {}, "2005-01", "2005-01-01", kDates + "gYearMonth"},
        {New<Cui1Col>, {}, "255", "256", "The value [256] is to large to fit in a ui1"},
    };
    // clang-format on
    for (const Row& row : rows) {
        CSmartPtr<CXmlCollectionBase> col(row.make(row.facets));
        CSmartPtr<CListener> listener(new CListener);
        Read(col, Doc({row.good}));
        col->AddEventListener(listener);
        EXPECT_EQ(QbTest::MessageOf([&] { Read(col, Doc({row.bad})); }), row.message);
        EXPECT_EQ(col->GetCount() * 10 + listener->events, 10) << row.message;
        Read(col, Doc({row.good}));
        EXPECT_EQ(col->GetCount() * 10 + listener->events, 21) << row.message;
        col->RemoveEventListener(listener);
    }
}

TEST(TypeCollection, IndexesEventsAndCopies) {
    CSmartPtr<Ci4Col> col(Make<Ci4Col>({"10"}));
    CSmartPtr<CListener> listener(new CListener);
    col->AddEventListener(listener);
    col->Add(1);
    col->AddAt(0, 0);
    col->AddAt(2, 3);
    col->AddAt(2, 2);
    ExpectThrow<CQbException>([&] { col->Add(11); }, "Invalid Value for v [11]");
    ExpectThrow<CQbInvalidParamException>([&] { col->AddAt(5, 9); }, "Index out of range");
    ExpectThrow<CQbInvalidParamException>([&] { col->AddAt(-1, 9); }, "Index out of range");
    ExpectThrow<CQbInvalidParamException>([&] { col->Item(4); },
                                          "Index 4 is out of range, use 0 - 4");
    ExpectThrow<CQbInvalidParamException>([&] { col->Remove(-1); },
                                          "Index -1 is out of range, use 0 - 4");
    EXPECT_EQ(std::vector<int>(col->begin(), col->end()), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(listener->events, 4);
    col->Remove(0);
    EXPECT_EQ(col->Item(0) * 10 + listener->events, 15);

    // A copy has the settings and values, not the listeners; assignment
    // keeps the target's listeners and fires nothing, nor does Clear.
    CSmartPtr<Ci4Col> copy(new Ci4Col(*col));
    copy->Add(4);
    ExpectThrow<CQbException>([&] { copy->Add(11); }, "Invalid Value for v [11]");
    EXPECT_EQ(Write(copy), Doc({"1", "2", "3", "4"}));
    *col = *copy;
    EXPECT_EQ(Write(col), Write(copy));
    col->Clear();
    EXPECT_EQ(col->GetCount() * 10 + listener->events, 5);
    col->Add(5);
    EXPECT_EQ(listener->events, 6);
    col->RemoveEventListener(listener);

    CSmartPtr<CdateCol> dates(Make<CdateCol>());
    ExpectThrow<CQbInvalidParamException>([&] { dates->Add(CDateTime(2005, 3, 1, 12, 0, 0)); },
                                          kDates + "date");
    dates->Add(CDateTime(2005, 3, 1));
    CSmartPtr<CdateCol> dateCopy(new CdateCol(*dates));
    *dates = *CSmartPtr<CdateCol>(Make<CdateCol>());
    EXPECT_EQ(dateCopy->Item(0).ToString("s") + std::to_string(dates->GetCount()), "2005-03-010");
}

// Every kind tells its listeners once per value added (reading adds through
// Add and AddAt) and once per value removed; the date kinds share their own
// Add, AddAt and Remove, so they are called directly as well.
TEST(TypeCollection, EveryKindFiresOneEventPerChange) {
    for (const KindRow& row : kKinds) {
        CSmartPtr<CXmlCollectionBase> col(row.make(row.facets));
        CSmartPtr<CListener> listener(new CListener);
        col->AddEventListener(listener);
        Read(col, Doc(row.in));
        const int added = static_cast<int>(row.in.size());
        EXPECT_EQ(listener->events, added) << row.in[0];
        col->Remove(0);
        EXPECT_EQ(col->GetCount() * 10 + listener->events, (added - 1) * 10 + added + 1)
            << row.in[0];
        col->RemoveEventListener(listener);
    }
    CSmartPtr<CdatetimeCol> dates(Make<CdatetimeCol>());
    CSmartPtr<CListener> listener(new CListener);
    dates->AddEventListener(listener);
    dates->Add(CDateTime(2005, 3, 1, 12, 0, 0));
    EXPECT_EQ(listener->events, 1);
    dates->AddAt(0, CDateTime(2004, 3, 1, 12, 0, 0));
    EXPECT_EQ(listener->events, 2);
    dates->Remove(1);
    EXPECT_EQ(listener->events, 3);
    EXPECT_EQ(dates->GetCount(), 1);
    EXPECT_EQ(dates->Item(0).ToString("s"), "2004-03-01T12:00:00");
    dates->RemoveEventListener(listener);
}

TEST(TypeCollection, TooFewValuesWriteNothing) {
    CSmartPtr<CstringCol> strings(
        new CstringCol("v", "urn:t", 2, -1, "", -1, -1, "", "", "", "", -1, {}, nullptr));
    strings->Add(" a ");
    CXmlTextWriter writer;
    ExpectThrow<CQbValidationException>(
        [&] { CXmlObjectBase::ToXml_Int(strings, &writer, false, "", {}, false); },
        "The Minimum number of [v] elements allowed in this collection is 2");
    EXPECT_EQ(writer.GetXml(), "");
    strings->Add(" b ");  // kept as given
    EXPECT_EQ(Write(strings), Doc({" a ", " b "}));
}

}  // namespace

// Inside a generated class: the records write and read the collections.

namespace {

using namespace QbXmlLib5Data;
using Model::kNs;

class CList : public Model::TGenerated<CList> {
public:
    CList() { SetElementName("list"); }
    CSmartPtr<CstringCol> names = new CstringCol("name", kNs, 1, -1, "", -1, 5, "", "", "", "", -1,
                                                 Model::kCollapse, nullptr);
    CSmartPtr<Ci4Col> numbers =
        new Ci4Col("n", kNs, 0, 3, "", -1, -1, "0", "", "", "", -1, Model::kCollapse, nullptr);
    CSmartPtr<CdateCol> dates =
        new CdateCol("when", kNs, 0, -1, "", -1, -1, "", "", "", "", -1, Model::kCollapse, nullptr);
    CXmlCollectionBase* Col(int index) const {
        CXmlCollectionBase* cols[] = {names, numbers, dates};
        return cols[index];
    }
    void AccessProperty(int index, bool read, QbVariant& value) override {
        if (read) value.SetXmlCollection(Col(index));
    }
    void ResetProperties() override {
        for (int i = 0; i < 3; ++i) Col(i)->Clear();
    }
    static Model::CMeta& Meta() {
        static Model::CMeta meta{
            new CParentElementInfo(Seq, Element, "list", kNs, -1, true, false),
            Model::Records<CElementInfo>({new CElementInfoSeqPrimCol("name", kNs, 0),
                                          new CElementInfoSeqPrimCol("n", kNs, 1),
                                          new CElementInfoSeqPrimCol("when", kNs, 2)}),
            Model::Records<CAttributeInfo>({})};
        return meta;
    }
};

TEST(TypeCollection, GeneratedClassWritesAndReadsItsCollections) {
    CSmartPtr<CList> list(new CList), back(new CList);
    list->names->Add("a b");
    list->numbers->Add(1);
    list->numbers->Add(2);
    list->dates->Add(CDateTime(1, 1, 1));
    const std::string xml = list->ToXml(false, false, EOL_LF);
    back->FromXml(xml.c_str());
    EXPECT_EQ(back->ToXml(false, false, EOL_LF), xml);
    back->FromXmlStream(list->ToFastInfosetStream(FI_DECL_NONE));
    EXPECT_EQ(back->ToXml(false, false, EOL_LF) + std::to_string(back->numbers->GetCount()),
              xml + "2");
    // {content, where the refusal happened, message}
    const std::string bad[][3] = {
        {"<name>a</name><n>1</n><n>2</n><n>3</n><n>4</n>", "1: /list",
         "The Maximum number of [n] elements allowed in this collection is 3"},
        {"<name>a</name><n>-1</n>", "39: /list/n", "Invalid Value for n [-1]"},
        {"<name>a</name><when>2005-01</when>", "39: /list/when", kDates + "date"},
        {"<n>1</n>", "1: /list",
         "The Minimum number of [name] elements allowed in this collection is 1"},
    };
    for (const auto& [content, where, message] : bad) {
        const std::string doc = "<list xmlns=\"urn:model\">" + content + "</list>";
        EXPECT_EQ(QbTest::FullMessageOf([&] { back->FromXml(doc.c_str()); }),
                  "Failed to read the document at line 1, column " + where +
                      "\nFailed to process the element [list]\n" + message);
    }
}

}  // namespace
