// libFuzzer target: hostile text through the value parsers. The first byte
// picks a parser, the rest is its input. A CQbException is an expected
// answer to bad text; any other exception, a crash, a sanitizer report or a
// broken round trip (text -> value -> text -> value must give the same value)
// is a bug, reported by abort().
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CConversions.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/QbVariant.h"

using namespace QbXmlLib5;

namespace {

// Operands longer than this (in printed digits) skip the quadratic
// operations, so that each input stays fast.
const std::size_t kMaxArithmeticDigits = 2000;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_values: %s [%s]\n", what, detail.c_str());
    std::abort();
}

void Check(bool condition, const char* what, const std::string& detail) {
    if (!condition) Fail(what, detail);
}

// The input after the selector: a text up to the first zero byte, and the
// text after it (the second operand of binary operations).
struct Input {
    std::string first;
    std::string second;
    const std::uint8_t* bytes;
    std::size_t size;
};

// Runs `body`, swallowing the library's own exceptions only.
template <typename Body>
void Expect(Body body) {
    try {
        body();
    } catch (const CQbException&) {
    }
}

// ------------------------------------------------------------- numbers

CDecimal ParseDecimalRoundTrip(const std::string& text) {
    const CDecimal value(text);
    const std::string printed = value.ToString();
    const CDecimal again(printed);
    // Not the same text: a value rounded to the maximum places prints them
    // all, trailing zeros included, and reads back without them.
    Check(again == value, "CDecimal round trip", text + " -> " + printed);
    return value;
}

// 10^exponent, exactly.
CDecimal Pow10Decimal(int exponent) { return CDecimal("1e" + std::to_string(exponent)); }

// Fractional digits of a value as printed (0 for a whole number).
std::size_t PlacesOf(const CDecimal& value) {
    const std::string text = value.ToString();
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : text.size() - point - 1;
}

void DecimalArithmetic(const CDecimal& a, const CDecimal& b) {
    (void)a.ToBigInteger();
    const CDecimal sum = a + b;
    Check(sum - b == a, "CDecimal (a + b) - b != a", a.ToString() + " " + b.ToString());
    const CDecimal product = a * b;
    if (b != CDecimal(0)) {
        // |a / b - q| is at most half a unit of the last place, and the
        // check's own product rounds once more: |q * b - a| <= (|b| + 1) ulp.
        const CDecimal q = a / b;
        CDecimal error = q * b - a;
        if (error < CDecimal(0)) error.Negate();
        CDecimal bound = b < CDecimal(0) ? b.GetNegative() : b;
        bound += CDecimal(2);
        bound = bound * Pow10Decimal(-CDecimal::GetMaxDecimalPlaces());
        Check(error <= bound, "CDecimal quotient not within a unit of the last place",
              a.ToString() + " / " + b.ToString() + " = " + q.ToString());
        if (PlacesOf(a) + PlacesOf(b) <=
            static_cast<std::size_t>(CDecimal::GetMaxDecimalPlaces())) {
            Check(product / b == a, "CDecimal exact product / b != a",
                  a.ToString() + " " + b.ToString());
        }
    } else {
        Expect([&] { (void)(a / b); });
    }
    const bool less = a<b, greater = a> b, equal = a == b;
    Check(less + greater + equal == 1, "CDecimal order", a.ToString() + " " + b.ToString());
    Check((a <= b) == (less || equal), "CDecimal <=", a.ToString() + " " + b.ToString());
    Check(a.GetNegative().GetNegative() == a, "CDecimal negation", a.ToString());
}

// Parses both operands (checking the round trip), runs `single` on the
// first and, when both are short enough, `pair` on the two.
template <typename T, typename Single, typename Pair>
void FuzzNumber(const Input& in, T (*parse)(const std::string&), Single single, Pair pair) {
    T a, b;
    try {
        a = parse(in.first);
        b = parse(in.second);
    } catch (const CQbException&) {
        return;
    }
    single(a);
    if (a.ToString().size() > kMaxArithmeticDigits || b.ToString().size() > kMaxArithmeticDigits) {
        return;
    }
    pair(a, b);
}

// Sets CDecimal's maximum places for one input, then restores the default.
struct MaxPlacesScope {
    explicit MaxPlacesScope(int places) { CDecimal::SetMaxDecimalPlaces(places); }
    ~MaxPlacesScope() { CDecimal::SetMaxDecimalPlaces(30); }
    MaxPlacesScope(const MaxPlacesScope&) = delete;
    MaxPlacesScope& operator=(const MaxPlacesScope&) = delete;
};

void DecimalConversions(const CDecimal& a) {
    for (int places : {0, 1, 3, 40}) (void)a.ToString(places);
    Expect([&] { (void)a.ToLong(); });
    Expect([&] { (void)a.ToLongLong(); });
    Expect([&] { (void)a.ToDouble(); });
}

CBigInteger ParseBigIntegerRoundTrip(const std::string& text) {
    const CBigInteger value(text);
    const std::string printed = value.ToString();
    const CBigInteger again(printed);
    Check(again == value, "CBigInteger round trip", text + " -> " + printed);
    Check(again.ToString() == printed, "CBigInteger printing not canonical", printed);
    return value;
}

void BigIntegerArithmetic(const CBigInteger& a, const CBigInteger& b) {
    const std::string operands = a.ToString() + " " + b.ToString();
    Check((a + b) - b == a, "CBigInteger (a + b) - b != a", operands);
    const CBigInteger product = a * b;
    if (!b.IsZero()) {
        const CBigInteger q = a / b, r = a % b;
        Check(q * b + r == a, "CBigInteger q * b + r != a", operands);
        Check(r.GetAbs() < b.GetAbs(), "CBigInteger |r| >= |b|", operands);
        Check(product / b == a, "CBigInteger a * b / b != a", operands);
    } else {
        Expect([&] { (void)(a / b); });
        Expect([&] { (void)(a % b); });
    }
    const bool less = a<b, greater = a> b, equal = a == b;
    Check(less + greater + equal == 1, "CBigInteger order", operands);
    Expect([&] {
        const CBigInteger root = a.SquareRoot();
        Check(root * root <= a && (root + 1) * (root + 1) > a, "CBigInteger square root",
              a.ToString());
    });
}

void BigIntegerConversions(const CBigInteger& a) {
    // Integer texts read the same through CDecimal.
    const std::string text = a.ToString();
    Check(CDecimal(text).ToBigInteger() == a, "CDecimal and CBigInteger disagree", text);
    Expect([&] { (void)static_cast<std::int32_t>(a); });
    Expect([&] { (void)static_cast<std::int64_t>(a); });
}

// ------------------------------------------------------------- dates

void CheckDateRoundTrip(const CDateTime& value, const std::string& text) {
    const std::string printed = value.ToString();
    CDateTime again;
    if (value.GetType() == CDateTime::dt_dateTime) {
        again.ParseXSDDateTime(printed.c_str());
    } else if (value.GetType() == CDateTime::dt_time) {
        again.ParseXSDTime(printed.c_str());
    } else {
        again.ParseXSDDate(printed.c_str());
    }
    Check(again.GetType() == value.GetType(), "CDateTime round trip kind", text + " -> " + printed);
    Check(again == value, "CDateTime round trip", text + " -> " + printed);
    Check(again.ToString() == printed, "CDateTime printing not canonical", printed);
}

void ExerciseDate(const CDateTime& value) {
    for (int to = CDateTime::dt_dateTime; to <= CDateTime::dt_gMonthDay; ++to) {
        Expect([&] {
            CDateTime converted;
            converted.SetDateTime(value, static_cast<CDateTime::DTType>(to));
            (void)converted.ToString();
        });
    }
    Expect([&] { (void)value.GetTime(); });
    Expect([&] { (void)value.GetAsSystemTime(); });
    Expect([&] { (void)value.GetDayOfWeek(); });
    Expect([&] { (void)value.GetDayOfYear(); });
    Expect([&] {
        const CDateTime normalized = value.GetNormalized();
        // A zoned time is ordered on one reference day: moving it to UTC can
        // cross midnight, which moves it by a day there, so only kinds with
        // a whole date must compare equal to their normalized form.
        if (value.GetType() == CDateTime::dt_time) return;
        Check(normalized.CompareTo(value) == CDateTime::Equal,
              "CDateTime normalization moved the value",
              value.ToString() + " -> " + normalized.ToString());
    });
}

// Which date parser reads the text.
CDateTime ParseDate(const std::string& text, unsigned how) {
    CDateTime value;
    switch (how % 3) {
        case 0:
            value.ParseXSDDateTime(text.c_str());
            break;
        case 1:
            value.ParseXSDDate(text.c_str());
            break;
        default:
            value.ParseXSDTime(text.c_str());
            break;
    }
    return value;
}

void FuzzDateTime(const Input& in, unsigned how) {
    CDateTime a;
    try {
        a = ParseDate(in.first, how);
    } catch (const CQbException&) {
        return;
    }
    CheckDateRoundTrip(a, in.first);
    ExerciseDate(a);
    Expect([&] {
        const CDateTime b = ParseDate(in.second, how / 3);
        const CDateTime::DTCompareResult ab = a.CompareTo(b), ba = b.CompareTo(a);
        const bool consistent = (ab == CDateTime::Equal && ba == CDateTime::Equal) ||
                                (ab == CDateTime::LessThan && ba == CDateTime::GreaterThan) ||
                                (ab == CDateTime::GreaterThan && ba == CDateTime::LessThan) ||
                                (ab == CDateTime::Indeterminate && ba == CDateTime::Indeterminate);
        Check(consistent, "CDateTime comparison not antisymmetric",
              a.ToString() + " " + b.ToString());
    });
    Expect([&] {
        CDateTimeSpan span;
        span.ParseXSDDuration(in.second.c_str());
        const CDateTime later = a + span;
        (void)later.ToString();
        Expect([&] { (void)(later - span).ToString(); });
    });
}

void CheckSpanRoundTrip(const CDateTimeSpan& value, const std::string& text) {
    const std::string printed = value.ToString();
    CDateTimeSpan again;
    again.ParseXSDDuration(printed.c_str());
    const bool same =
        again.IsNegative() == value.IsNegative() && again.GetYears() == value.GetYears() &&
        again.GetMonths() == value.GetMonths() && again.GetDays() == value.GetDays() &&
        again.GetHours() == value.GetHours() && again.GetMinutes() == value.GetMinutes() &&
        again.GetSeconds() == value.GetSeconds() &&
        again.GetMilliSeconds() == value.GetMilliSeconds() &&
        again.GetMicroSeconds() == value.GetMicroSeconds() &&
        again.GetNanoSeconds() == value.GetNanoSeconds();
    Check(same, "CDateTimeSpan round trip", text + " -> " + printed);
    Check(again.ToString() == printed, "CDateTimeSpan printing not canonical", printed);
}

void FuzzDuration(const Input& in) {
    CDateTimeSpan a, b;
    try {
        a.ParseXSDDuration(in.first.c_str());
    } catch (const CQbException&) {
        return;
    }
    CheckSpanRoundTrip(a, in.first);
    const CDateTime::DTCompareResult self = a.CompareTo(a);
    Check(self == CDateTime::Equal || self == CDateTime::Indeterminate, "CDateTimeSpan self order",
          a.ToString());
    try {
        b.ParseXSDDuration(in.second.c_str());
    } catch (const CQbException&) {
        return;
    }
    const CDateTime::DTCompareResult ab = a.CompareTo(b), ba = b.CompareTo(a);
    Check((ab == CDateTime::LessThan) == (ba == CDateTime::GreaterThan) &&
              (ab == CDateTime::Equal) == (ba == CDateTime::Equal),
          "CDateTimeSpan comparison not antisymmetric", a.ToString() + " " + b.ToString());
}

// ------------------------------------------------------------- conversions

// Reads `s`, prints the value and reads it back: the value must survive.
template <typename T>
void ConversionRoundTrip(const std::string& s, CConversions::WhitespaceRule rule,
                         T (*from)(const std::string&, CConversions::WhitespaceRule),
                         std::string (*to)(T), const char* what) {
    Expect([&] {
        const T v = from(s, rule);
        Check(from(to(v), rule) == v, what, s);
    });
}

// Every variant kind, and a few that are not: a failed read leaves the old
// value, and a written text reads back to itself (r4 and r8 print fewer
// digits than round trip; texts the reader does not take, such as the year
// 999, are skipped).
void FuzzVariant(const std::string& s, CConversions::WhitespaceRule rule) {
    for (int k = it_none; k <= it_XmlCollection + 1; ++k) {
        const ItemType kind = static_cast<ItemType>(k);
        QbVariant v;
        v.SetString("kept");
        try {
            v.FromString(s, kind, rule);
        } catch (const CQbException&) {
            Check(v.GetKind() == it_string && v.GetString() == "kept", "variant changed", s);
            continue;
        }
        if (kind == it_r4 || kind == it_r8) continue;
        const std::string text = v.ToString();
        QbVariant again(v);
        Expect([&] {
            again.FromString(text, kind, rule);
            // A decimal rounded to the maximum places prints the zeros the
            // rounding left, and reading drops them: compare the values.
            const bool same = kind == it_decimal ? again.GetDecimal() == v.GetDecimal()
                                                 : again.ToString() == text;
            Check(same, "variant text round trip", s + " -> " + text);
        });
    }
}

void FuzzConversions(const Input& in, unsigned selector) {
    using C = CConversions;
    const std::string& s = in.first;
    const auto rule = static_cast<C::WhitespaceRule>(selector % 4);  // 3 is unknown
    ConversionRoundTrip(s, rule, C::i4FromString, C::i4ToString, "i4 round trip");
    ConversionRoundTrip(s, rule, C::ui4FromString, C::ui4ToString, "ui4 round trip");
    ConversionRoundTrip(s, rule, C::i8FromString, C::i8ToString, "i8 round trip");
    ConversionRoundTrip(s, rule, C::ui8FromString, C::ui8ToString, "ui8 round trip");
    Expect([&] { (void)C::i1ToString(C::i1FromString(s, rule)); });
    Expect([&] { (void)C::i2ToString(C::i2FromString(s, rule)); });
    Expect([&] { (void)C::ui1ToString(C::ui1FromString(s, rule)); });
    Expect([&] { (void)C::ui2ToString(C::ui2FromString(s, rule)); });
    Expect([&] { (void)C::r4ToString(C::r4FromString(s, rule)); });
    Expect([&] { (void)C::r8ToString(C::r8FromString(s, rule)); });
    Expect([&] { (void)C::charToString(C::charFromString(s, rule)); });
    Expect([&] { (void)C::stringToString(C::stringFromString(s, rule)); });
    Expect([&] { (void)C::booleanToString(C::booleanFromString(s, rule)); });
    FuzzVariant(s, rule);
}

// ------------------------------------------------------------- binary data

void RenderAll(const CBinaryData& data) {
    for (int encoding = BE_STRING; encoding <= BE_UUID + 1; ++encoding) {
        Expect([&] { (void)data.GetAsString(static_cast<ByteEncoding>(encoding)); });
    }
}

void FuzzBinaryText(const Input& in) {
    CBinaryData hex;
    Expect([&] {
        hex.SetAsHexString(in.first.c_str());
        CBinaryData again;
        again.SetAsHexString(hex.GetAsHexString().c_str());
        Check(again == hex, "hex round trip", in.first);
    });
    RenderAll(hex);
    CBinaryData base64;
    Expect([&] {
        base64.SetAsBase64(in.first.c_str());
        CBinaryData again;
        again.SetAsBase64(base64.GetAsBase64().c_str());
        Check(again == base64, "base64 round trip", in.first);
    });
    RenderAll(base64);
}

void FuzzDecompress(const Input& in) {
    CBinaryData result;
    if (CBinaryData::Decompress(in.bytes, in.size, result)) RenderAll(result);
    CBinaryData buffer(const_cast<unsigned char*>(in.bytes), in.size, false);
    for (CompressionType type : {CT_GZIP, CT_ZLIB}) {
        CBinaryData packed = buffer;
        packed.CompressData(type);
        CBinaryData unpacked;
        Check(CBinaryData::Decompress(packed.GetData(), packed.GetLength(), unpacked),
              "compressed data does not inflate", std::to_string(in.size));
        Check(unpacked.GetString() == buffer.GetString(), "compression round trip",
              std::to_string(in.size));
    }
}

// ------------------------------------------------------------- encodings

bool IsValidUtf8(const std::string& s) {
    const CBinaryData units = LocalToUtf16(s.c_str(), s.size());
    const std::size_t n = units.GetLength() / 2;
    std::vector<char16_t> u(n);
    for (std::size_t i = 0; i < n; ++i) {
        u[i] = static_cast<char16_t>(units.GetData()[2 * i] | units.GetData()[2 * i + 1] << 8);
        if (u[i] == 0xFFFD) return false;  // a replacement: not (provably) valid
    }
    return true;
}

void FuzzEncodings(const Input& in, unsigned selector) {
    static const unsigned kCodePages[] = {65001, 1200, 1201, 20127, 28591, 1252, 0, 932, 54321};
    const unsigned codePage = kCodePages[selector % (sizeof kCodePages / sizeof kCodePages[0])];
    const char* text = reinterpret_cast<const char*>(in.bytes);
    SetLocalCharEncoding(65001);
    if (IsValidUtf8(in.first)) {
        const CBinaryData units = LocalToUtf16(in.first.c_str(), in.first.size());
        std::vector<char16_t> u(units.GetLength() / 2);
        for (std::size_t i = 0; i < u.size(); ++i) {
            u[i] = static_cast<char16_t>(units.GetData()[2 * i] | units.GetData()[2 * i + 1] << 8);
        }
        const CBinaryData back = Utf16ToUtf8(u.data(), u.size());
        Check(back.GetString() == in.first, "UTF-8 -> UTF-16 -> UTF-8", in.first);
    }
    try {
        SetLocalCharEncoding(codePage);
    } catch (const CQbInvalidParamException&) {
        return;  // not ASCII-compatible, or unknown: refused, setting kept
    }
    (void)Utf8ToLocal(text, in.size);
    char scratch[7];
    (void)Utf8ToLocal(text, in.size, scratch, sizeof scratch);
    (void)LocalToUtf8(text, in.size);
    (void)LocalToUtf8(in.first.c_str());
    (void)LocalToUtf16(text, in.size);
    std::vector<char16_t> units(in.size / 2 + 1, 0);
    std::memcpy(units.data(), in.bytes, in.size / 2 * 2);
    (void)Utf16ToLocal(units.data(), in.size / 2);
    (void)Utf16ToUtf8(units.data(), in.size / 2);
    (void)Utf16ToUtf8(units.data());
    std::vector<wchar_t> wide(in.size / sizeof(wchar_t) + 1, 0);
    std::memcpy(wide.data(), in.bytes, in.size / sizeof(wchar_t) * sizeof(wchar_t));
    (void)WideToUtf16(wide.data());
    SetLocalCharEncoding(65001);
}

void Dispatch(unsigned selector, const Input& in) {
    const unsigned parameter = selector / 16;
    switch (selector % 16) {
        case 0:
        case 1: {
            static const int kPlaces[] = {30, 0, 1, 3, 50, 30, 30, 30};
            const MaxPlacesScope places(kPlaces[parameter % 8]);
            FuzzNumber(in, ParseDecimalRoundTrip, DecimalConversions, DecimalArithmetic);
            break;
        }
        case 2:
        case 3:
            FuzzNumber(in, ParseBigIntegerRoundTrip, BigIntegerConversions, BigIntegerArithmetic);
            break;
        case 4:
        case 5:
        case 6:
            FuzzDateTime(in, parameter);
            break;
        case 7:
        case 8:
            FuzzDuration(in);
            break;
        case 9:
        case 10:
            FuzzConversions(in, parameter);
            break;
        case 11:
        case 12:
            FuzzBinaryText(in);
            break;
        case 13:
            FuzzDecompress(in);
            break;
        default:
            FuzzEncodings(in, parameter);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Input in;
    in.bytes = data + 1;
    in.size = size - 1;
    const char* text = reinterpret_cast<const char*>(in.bytes);
    const std::size_t firstLength = strnlen(text, in.size);
    in.first.assign(text, firstLength);
    if (firstLength < in.size) {
        const char* rest = text + firstLength + 1;
        in.second.assign(rest, strnlen(rest, in.size - firstLength - 1));
    }
    try {
        Dispatch(data[0], in);
    } catch (const CQbException&) {
        // Bad text is expected to end here.
    } catch (const std::exception& e) {
        Fail("unexpected std::exception", e.what());
    }
    return 0;
}
