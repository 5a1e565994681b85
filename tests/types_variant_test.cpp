// QbVariant: ownership of heap copies and references, text in both
// directions for every kind, and the structured CConversions.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"
#include "support/InertObject.h"

using namespace QbXmlLib5;
using QbTest::ExpectThrow;
using QbTest::MessageOf;

namespace {

constexpr auto kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
constexpr auto kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// Counts its destructions; serves as object and (through the base) collection.
class CCounted : public QbTest::CInertObject<CXmlCollection> {
public:
    explicit CCounted(int* deaths) : m_deaths(deaths) {}

protected:
    ~CCounted() override { ++*m_deaths; }

private:
    int* m_deaths;
};

QbVariant Parsed(const char* text, ItemType kind) {
    QbVariant v;
    v.FromString(text, kind, kPreserve);
    return v;
}

}  // namespace

// Copies, assignments, self-assignment, moves and overwrites of every kind
// that owns its value (on the heap or inside the variant, strings short and
// long); AddressSanitizer reports any double free, leak or use of a value
// left behind by a move.
TEST(VariantTest, HeapKindsAreOwnedCopies) {
    const std::vector<std::pair<ItemType, const char*>> values = {
        // clang-format off
        {it_hexBinary, "0AFF"}, {it_base64Binary, "AAEC"}, {it_duration, "P1DT2H"},
        {it_yearMonth, "2005-03"}, {it_monthDay, "--03-01"}, {it_date, "2005-03-01Z"},
        {it_datetime, "2005-03-01T10:00:00"}, {it_time, "10:00:00.5"}, {it_string, "text"},
        {it_decimal, "-1.5"}, {it_string, "longer than a string keeps in its own object"},
        // clang-format on
        {it_integer, "123456789012345678901234567890"}};
    for (const auto& [kind, text] : values) {
        QbVariant v = Parsed(text, kind);
        QbVariant copy(v), assigned;
        assigned = v;
        assigned = *&assigned;
        QbVariant moved(std::move(copy));
        EXPECT_FALSE(copy.IsValid());
        copy = std::move(moved);
        QbVariant other = Parsed("2005-03-01Z", it_date);
        other = std::move(copy);  // onto another kind kept inside the variant
        copy = std::move(other);
        v.SetI4(7);  // overwrite: the copies keep their own values
        for (const QbVariant* w : {&copy, &assigned}) {
            EXPECT_EQ(w->GetKind(), kind);
            EXPECT_EQ(w->ToString(), text);
        }
        assigned.Clear();
        EXPECT_FALSE(assigned.IsValid());
    }
    QbVariant s;
    s.SetString("a");
    QbVariant t(s);
    t.SetString(t.GetString() + "b");
    EXPECT_EQ(s.GetString(), "a");
    EXPECT_EQ(t.GetString(), "ab");
    // Taking moves the value out and empties the variant; the wrong kind
    // throws and leaves it as it was.
    QbVariant d = Parsed("-1.5", it_decimal),
              n = Parsed("123456789012345678901234567890", it_integer);
    EXPECT_THROW(d.TakeString(), CQbInvalidStateException);
    EXPECT_THROW(d.TakeInteger(), CQbInvalidStateException);
    EXPECT_EQ(d.TakeDecimal().ToString(), "-1.5");
    EXPECT_EQ(n.TakeInteger().ToString(), "123456789012345678901234567890");
    EXPECT_EQ(t.TakeString(), "ab");
    for (const QbVariant* w : {&d, &n, &t}) EXPECT_FALSE(w->IsValid());
}

// Each holder of a reference variant keeps the object alive; setting a
// variant to the object it already holds does not free it.
TEST(VariantTest, ReferenceKindsHoldOneReferenceEach) {
    using Setter = std::function<void(QbVariant&, CCounted*)>;
    const Setter setters[] = {[](QbVariant& v, CCounted* o) { v.SetXmlObject(o); },
                              [](QbVariant& v, CCounted* o) { v.SetXmlCollection(o); }};
    for (const Setter& set : setters) {
        int deaths = 0;
        CCounted* object = new CCounted(&deaths);
        QbVariant v;
        set(v, object);
        set(v, object);  // the only reference is replaced by itself
        v = *&v;
        QbVariant copy(v), assigned;
        assigned = copy;
        v.Clear();
        copy.SetI4(1);
        EXPECT_EQ(deaths, 0);
        QbVariant moved(std::move(assigned));
        moved.SetInvalid();
        EXPECT_EQ(deaths, 1);
    }
    int deaths = 0;
    CSmartPtr<CCounted> held(new CCounted(&deaths));
    QbVariant v;
    v.SetXmlObject(held);
    EXPECT_EQ(v.GetXmlObject().GetPtr(), held.GetPtr());
    v.SetXmlCollection(held);
    EXPECT_EQ(v.GetXmlCollection().GetPtr(), held.GetPtr());
    EXPECT_THROW(v.GetXmlObject(), CQbInvalidStateException);
    held = nullptr;
    EXPECT_EQ(deaths, 0);
    v.SetXmlObject(nullptr);  // a null reference is a valid value
    EXPECT_EQ(deaths, 1);
    QbVariant copy(v);
    EXPECT_TRUE(copy.GetXmlObject().IsNull());
    ExpectThrow<CQbException>([&] { copy.ToString(); }, "Invalid Type 27 to convert to string");
    ExpectThrow<CQbException>([&] { copy.GetType(); }, "Invalid Type 27");
}

// Every kind read from text, its type name and the text written back.
TEST(VariantTest, TextRoundTripOfEveryKind) {
    struct Case {
        ItemType kind;
        const char* text;
        const char* written;
        const char* format;
    };
    // {kind, text, written (empty: the text itself), format (empty: none)}
    // clang-format off
    const Case cases[] = {
        {it_hexBinary, " 0aFf ", "0AFF", ""}, {it_base64Binary, "SGVs\n bG8=", "SGVsbG8=", ""},
        {it_i1, "-128", "", ""}, {it_i2, "32767", "", ""}, {it_i4, "-2147483648", "", ""},
        {it_i8, "-9223372036854775808", "", ""}, {it_ui1, "255", "", ""}, {it_ui2, "65535", "", ""},
        {it_ui4, "-1", "4294967295", ""}, {it_ui8, "9223372036854775807", "", ""},
        {it_r4, "0.1", "", ""}, {it_r4, "3.4028235e38", "3.40e+38", "%.2e"},
        {it_r8, "1e400", "INF", ""}, {it_r8, "0.1", "0.1000000000000000", "%.16f"},
        {it_duration, "-P0Y", "-PT0S", ""}, {it_yearMonth, "2005-03-01", "", ""},
        {it_monthDay, "--02-29", "", ""}, {it_year, "2005-03-01", "2005", ""},
        {it_month, "--05", "", ""},
        {it_day, "---07Z", "---07", ""}, {it_date, "-0044-03-15", "", ""},
        {it_time, "00:00:00Z", "", ""},
        {it_datetime, "2005-03-01T23:59:59.123456789-05:00", "", ""}, {it_char, "x", "", ""},
        {it_string, " a  b ", "a b", ""}, {it_boolean, " TRUE ", "true", ""},
        {it_decimal, "-123456789012345678901234567890.125",
         "-123456789012345678901234567890.13", "2"},
        {it_decimal, "0.50", "", ""}, {it_integer, "-18446744073709551617", "", ""}};
    // clang-format on
    for (const Case& c : cases) {
        QbVariant v;
        v.FromString(c.text, c.kind, kCollapse);
        EXPECT_EQ(v.GetKind(), c.kind) << c.text;
        EXPECT_EQ(v.GetType(), GetItemTypeName(c.kind));
        EXPECT_EQ(v.ToString(*c.format ? c.format : nullptr), *c.written ? c.written : c.text);
    }
    // A decimal rounded to the maximum places prints the zeros the rounding
    // left; reading that text back gives the same value.
    const QbVariant rounded = Parsed("-429496.299999999999999999999999999999999999111", it_decimal);
    EXPECT_EQ(rounded.ToString(), "-429496.3" + std::string(29, '0'));
    EXPECT_TRUE(Parsed(rounded.ToString().c_str(), it_decimal).GetDecimal() ==
                rounded.GetDecimal());
    EXPECT_EQ(Parsed("--05", it_month).GetMonth(), 5);
    EXPECT_EQ(Parsed("2005-03-01", it_yearMonth).GetYearMonth().GetType(), CDateTime::dt_date);
}

// A failed conversion names its cause and leaves the previous value.
TEST(VariantTest, BadTextThrowsAndKeepsTheValue) {
    const std::string decimal = "The string representing a Decimal, contained an invalid char at ";
    const std::string base64 = "] can not be converted to a base64Binary";
    // clang-format off
    const std::tuple<ItemType, const char*, std::string> cases[] = {
        {it_i1, "300", "The value [300] is to large to fit in a i1"},
        {it_hexBinary, "0G", "Invalid char in hex string [G]"},
        {it_base64Binary, "SGV", "The value [SGV" + base64},
        {it_base64Binary, "S=Vs", "The value [S=Vs" + base64},
        {it_duration, "P1Q",
         "Invalid XSD Duration [P1Q] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]"},
        {it_date, "2005-02-29", "Invalid Day [29] (1 <= day <= days in month"},
        {it_datetime, "2005-03-01", "Invalid XSD DateTime [2005-03-01]"},
        {it_time, "24:00:01", "Invalid XSD Time [24:00:01] expected hh:mm:ss[.ff]"},
        {it_year, "--03", "Failed to GetYear. Invalid Date Type: gMonth."},
        {it_year, "-0005", "The value [-0005] can not be converted to a year"},
        {it_day, "2005-03", "Failed to GetDay. Invalid Date Type: gYearMonth."},
        {it_decimal, "1.2.3", decimal + "position 3 [1.2.3]"},
        {it_integer, "12a", decimal + "position 2 [12a]"},
        {it_none, "1", "Invalid Type 0 to convert to string"},
        {it_XmlObject, "1", "Invalid Type 27 to convert to string"},
        {static_cast<ItemType>(99), "1", "Invalid Type 99 to convert to string"}};
    // clang-format on
    for (const auto& c : cases) {
        QbVariant v;
        v.SetString("kept");
        EXPECT_EQ(MessageOf([&] { v.FromString(std::get<1>(c), std::get<0>(c), kPreserve); }),
                  std::get<2>(c));
        EXPECT_EQ(v.GetString(), "kept");
    }
    // The text may be the variant's own: it is read before it is replaced.
    QbVariant own;
    own.SetString(" a long text that does not fit in a string object ");
    own.FromString(own.GetStringRef(), it_string, kCollapse);
    EXPECT_EQ(own.GetString(), "a long text that does not fit in a string object");
    own.SetString("12");
    own.FromString(own.GetStringRef(), it_integer, kCollapse);
    EXPECT_EQ(own.ToString(), "12");
    QbVariant empty;
    EXPECT_FALSE(empty.IsValid());
    ExpectThrow<CQbException>([&] { empty.ToString(); }, "Invalid Type 0 to convert to string");
    ExpectThrow<CQbException>([&] { empty.GetType(); }, "Invalid Type 0");
    EXPECT_TRUE(empty.GetXmlObject().IsNull());
    EXPECT_THROW(empty.GetString(), CQbInvalidStateException);
}

// Values keep their own ordering through the variant: partial orders stay
// partial, and numbers beyond 64 bits stay exact.
TEST(VariantTest, ValuesKeepTheirOwnOrder) {
    const auto dt = [](const char* text) { return Parsed(text, it_datetime).GetDateTime(); };
    EXPECT_EQ(dt("2005-01-01T00:00:00").CompareTo(dt("2005-01-01T00:00:00Z")),
              CDateTime::Indeterminate);
    EXPECT_EQ(dt("2005-01-01T00:00:00+01:00").CompareTo(dt("2004-12-31T23:00:00Z")),
              CDateTime::Equal);
    const auto span = [](const char* text) { return Parsed(text, it_duration).GetDuration(); };
    EXPECT_EQ(span("P1M").CompareTo(span("P30D")), CDateTime::Indeterminate);
    EXPECT_TRUE(span("PT36H") == span("P1DT12H"));
    const CDecimal big = Parsed("18446744073709551616.5", it_decimal).GetDecimal();
    EXPECT_TRUE(big > CDecimal("18446744073709551616.49"));
    EXPECT_TRUE(Parsed("-9223372036854775809", it_integer).GetInteger() < CBigInteger(INT64_MIN));
    EXPECT_EQ(Parsed("3.4028235e38", it_r4).GetR4(), FLT_MAX);
    EXPECT_EQ(Parsed("1e-50", it_r4).GetR4(), 0.0f);
}

// The structured conversions on their own: the date readers take any date
// form and report the kind of the text.
TEST(ConversionsStructuredTest, DateFormsAndComponents) {
    const CDateTime ym = CConversions::yearMonthFromString("2005-03-01", kPreserve);
    EXPECT_EQ(ym.GetType(), CDateTime::dt_date);
    EXPECT_EQ(CConversions::yearMonthToString(ym), "2005-03-01");
    EXPECT_EQ(CConversions::yearFromString("2005-03-01", kPreserve), 2005);
    EXPECT_EQ(CConversions::monthFromString("2005-03-01", kPreserve), 3);
    EXPECT_EQ(CConversions::dayFromString("2005-03-01", kPreserve), 1);
    EXPECT_EQ(CConversions::monthFromString("--03", kPreserve), 3);
    EXPECT_THROW(CConversions::dayFromString("--03", kPreserve), CQbInvalidStateException);
    const CBinaryData hex = CConversions::hexBinaryFromString("0aFf", kPreserve);
    ASSERT_EQ(hex.GetLength(), 2u);
    EXPECT_EQ(hex[0], 0x0A);
    EXPECT_EQ(hex[1], 0xFF);
    EXPECT_EQ(CConversions::base64BinaryFromString("", kPreserve).GetLength(), 0u);
}
