#include "types/QbVariant.h"

#include <new>
#include <type_traits>
#include <utility>

#include "binding/CXmlCollectionBase.h"
#include "core/CQbException.h"
#include "types/CConversions.h"

namespace QbXmlLib5 {

namespace {

bool IsBinary(ItemType kind) { return kind == it_hexBinary || kind == it_base64Binary; }

bool IsDateTime(ItemType kind) {
    return kind == it_yearMonth || kind == it_monthDay || kind == it_date || kind == it_datetime ||
           kind == it_time;
}

bool IsInline(ItemType kind) {
    return (kind >= it_i1 && kind <= it_r8) || kind == it_year || kind == it_month ||
           kind == it_day || kind == it_char || kind == it_boolean;
}

}  // namespace

// --- lifecycle -------------------------------------------------------------

QbVariant::QbVariant(const QbVariant& other) : QbVariant() { CopyFrom(other); }

QbVariant::QbVariant(QbVariant&& other) noexcept : QbVariant() { TakeFrom(other); }

QbVariant& QbVariant::operator=(const QbVariant& other) {
    if (this != &other) {
        QbVariant copy(other);  // the new value (and reference) first
        *this = std::move(copy);
    }
    return *this;
}

QbVariant& QbVariant::operator=(QbVariant&& other) noexcept {
    if (this != &other) TakeFrom(other);
    return *this;
}

void QbVariant::Clear() noexcept {
    const ItemType kind = m_kind;
    if (kind == it_none) return;
    const Payload value = m_value;
    // Invalid before anything is released: a released object may reach this
    // variant again from its destructor.
    m_kind = it_none;
    m_value.bits = 0;
    switch (kind) {
        case it_hexBinary:
        case it_base64Binary:
            delete value.binary;
            break;
        case it_yearMonth:
        case it_monthDay:
        case it_date:
        case it_datetime:
        case it_time:
            value.dateTime->~CDateTime();
            break;
        case it_duration:
            delete value.duration;
            break;
        case it_string: {
            using std::string;
            value.text->~string();
            break;
        }
        case it_decimal:
            value.decimal->~CDecimal();
            break;
        case it_integer:
            value.integer->~CBigInteger();
            break;
        case it_XmlObject:
            if (value.object) value.object->Release();
            break;
        case it_XmlCollection:
            if (value.collection) value.collection->Release();
            break;
        default:  // the inline kinds own nothing
            break;
    }
}

void QbVariant::Replace(ItemType kind, Payload value) noexcept {
    Clear();
    m_kind = kind;
    m_value = value;
}

template <class T>
void QbVariant::Emplace(ItemType kind, T&& value) noexcept {
    using V = std::decay_t<T>;
    static_assert(sizeof(V) <= kLocalSize && alignof(V) <= 8, "fits the variant");
    static_assert(std::is_nothrow_move_constructible_v<V>, "moves without fail");
    Clear();
    V* const held = ::new (static_cast<void*>(m_local)) V(std::move(value));
    if constexpr (std::is_same_v<V, std::string>) {
        m_value.text = held;
    } else if constexpr (std::is_same_v<V, CDecimal>) {
        m_value.decimal = held;
    } else if constexpr (std::is_same_v<V, CBigInteger>) {
        m_value.integer = held;
    } else {
        static_assert(std::is_same_v<V, CDateTime>, "a kind kept in the variant");
        m_value.dateTime = held;
    }
    m_kind = kind;
}

// The value leaves `other` before this variant releases its own: `other`
// may belong to what this variant holds.
template <class T>
void QbVariant::TakeLocal(QbVariant& other, T* held) noexcept {
    const ItemType kind = other.m_kind;
    T value(std::move(*held));
    other.Clear();
    Emplace(kind, std::move(value));
}

void QbVariant::TakeFrom(QbVariant& other) noexcept {
    const ItemType kind = other.m_kind;
    if (kind == it_string) return TakeLocal(other, other.m_value.text);
    if (kind == it_decimal) return TakeLocal(other, other.m_value.decimal);
    if (kind == it_integer) return TakeLocal(other, other.m_value.integer);
    if (IsDateTime(kind)) return TakeLocal(other, other.m_value.dateTime);
    const Payload value = other.m_value;
    other.m_kind = it_none;
    other.m_value.bits = 0;
    Replace(kind, value);
}

void QbVariant::CopyFrom(const QbVariant& other) {
    const Payload& from = other.m_value;
    Payload value{};
    const ItemType kind = other.m_kind;
    if (kind == it_none || IsInline(kind)) {
        value = from;
    } else if (IsBinary(kind)) {
        value.binary = new CBinaryData(*from.binary);
    } else if (IsDateTime(kind)) {
        return Emplace(kind, CDateTime(*from.dateTime));
    } else if (kind == it_duration) {
        value.duration = new CDateTimeSpan(*from.duration);
    } else if (kind == it_string) {
        return Emplace(kind, std::string(*from.text));
    } else if (kind == it_decimal) {
        return Emplace(kind, CDecimal(*from.decimal));
    } else if (kind == it_integer) {
        return Emplace(kind, CBigInteger(*from.integer));
    } else if (kind == it_XmlObject) {
        value.object = from.object;
        if (value.object) value.object->AddRef();
    } else if (kind == it_XmlCollection) {
        value.collection = from.collection;
        if (value.collection) value.collection->AddRef();
    } else {
        throw CQbException("Unknown Type");
    }
    Replace(kind, value);
}

// --- setters ---------------------------------------------------------------

namespace {

// An inline value in the payload member of its width, the rest zero.
template <class P, class U>
P Inline(U value) {
    P p{};
    if constexpr (std::is_same_v<U, float>) {
        p.r4 = value;
    } else if constexpr (std::is_same_v<U, double>) {
        p.r8 = value;
    } else if constexpr (sizeof(U) == 1) {
        p.u8 = static_cast<std::uint8_t>(value);
    } else if constexpr (sizeof(U) == 2) {
        p.u16 = static_cast<std::uint16_t>(value);
    } else if constexpr (sizeof(U) == 4) {
        p.u32 = static_cast<std::uint32_t>(value);
    } else {
        p.bits = static_cast<std::uint64_t>(value);
    }
    return p;
}

}  // namespace

void QbVariant::SetHexBinary(const CBinaryData& value) {
    Payload p{};
    p.binary = new CBinaryData(value);
    Replace(it_hexBinary, p);
}

void QbVariant::SetBase64Binary(const CBinaryData& value) {
    Payload p{};
    p.binary = new CBinaryData(value);
    Replace(it_base64Binary, p);
}

void QbVariant::SetI1(char value) { Replace(it_i1, Inline<Payload>(value)); }
void QbVariant::SetI2(std::int16_t value) { Replace(it_i2, Inline<Payload>(value)); }
void QbVariant::SetI4(std::int32_t value) { Replace(it_i4, Inline<Payload>(value)); }
void QbVariant::SetI8(std::int64_t value) { Replace(it_i8, Inline<Payload>(value)); }
void QbVariant::SetUI1(std::uint8_t value) { Replace(it_ui1, Inline<Payload>(value)); }
void QbVariant::SetUI2(std::uint16_t value) { Replace(it_ui2, Inline<Payload>(value)); }
void QbVariant::SetUI4(std::uint32_t value) { Replace(it_ui4, Inline<Payload>(value)); }
void QbVariant::SetUI8(std::uint64_t value) { Replace(it_ui8, Inline<Payload>(value)); }
void QbVariant::SetR4(float value) { Replace(it_r4, Inline<Payload>(value)); }
void QbVariant::SetR8(double value) { Replace(it_r8, Inline<Payload>(value)); }
void QbVariant::SetYear(std::uint16_t value) { Replace(it_year, Inline<Payload>(value)); }
void QbVariant::SetMonth(std::uint8_t value) { Replace(it_month, Inline<Payload>(value)); }
void QbVariant::SetDay(std::uint8_t value) { Replace(it_day, Inline<Payload>(value)); }
void QbVariant::SetChar(char value) { Replace(it_char, Inline<Payload>(value)); }
void QbVariant::SetBoolean(bool value) { Replace(it_boolean, Inline<Payload>(value)); }

void QbVariant::SetDuration(const CDateTimeSpan& value) {
    Payload p{};
    p.duration = new CDateTimeSpan(value);
    Replace(it_duration, p);
}

// The value is copied before the old one goes: it may be the one held.
void QbVariant::SetDateKind(ItemType kind, const CDateTime& value) {
    Emplace(kind, CDateTime(value));
}

void QbVariant::SetYearMonth(const CDateTime& value) { SetDateKind(it_yearMonth, value); }
void QbVariant::SetMonthDay(const CDateTime& value) { SetDateKind(it_monthDay, value); }
void QbVariant::SetDate(const CDateTime& value) { SetDateKind(it_date, value); }
void QbVariant::SetDateTime(const CDateTime& value) { SetDateKind(it_datetime, value); }
void QbVariant::SetTime(const CDateTime& value) { SetDateKind(it_time, value); }

void QbVariant::SetString(std::string value) { Emplace(it_string, std::move(value)); }

void QbVariant::SetDecimal(const CDecimal& value) { Emplace(it_decimal, CDecimal(value)); }

void QbVariant::SetInteger(const CBigInteger& value) { Emplace(it_integer, CBigInteger(value)); }

void QbVariant::SetXmlObject(CXmlObjectBase* value) {
    if (value) value->AddRef();
    Payload p{};
    p.object = value;
    Replace(it_XmlObject, p);
}

void QbVariant::SetXmlCollection(CXmlCollectionBase* value) {
    if (value) value->AddRef();
    Payload p{};
    p.collection = value;
    Replace(it_XmlCollection, p);
}

// --- getters ---------------------------------------------------------------

void QbVariant::Expect(bool matches, const char* wanted) const {
    if (!matches) {
        throw CQbInvalidStateException(FormatString(
            "The variant holds a value of type %d, not a %s", static_cast<int>(m_kind), wanted));
    }
}

CBinaryData QbVariant::GetHexBinary() const {
    Expect(IsBinary(m_kind), "hexBinary");
    return *m_value.binary;
}

CBinaryData QbVariant::GetBase64Binary() const {
    Expect(IsBinary(m_kind), "base64Binary");
    return *m_value.binary;
}

CDateTimeSpan QbVariant::GetDuration() const {
    Expect(m_kind == it_duration, "duration");
    return *m_value.duration;
}

CDateTime QbVariant::GetDateValue(const char* wanted) const {
    Expect(IsDateTime(m_kind), wanted);
    return *m_value.dateTime;
}

CDateTime QbVariant::GetYearMonth() const { return GetDateValue("yearMonth"); }
CDateTime QbVariant::GetMonthDay() const { return GetDateValue("monthDay"); }
CDateTime QbVariant::GetDate() const { return GetDateValue("date"); }
CDateTime QbVariant::GetDateTime() const { return GetDateValue("datetime"); }
CDateTime QbVariant::GetTime() const { return GetDateValue("time"); }

std::string QbVariant::GetString() const {
    Expect(m_kind == it_string, "string");
    return *m_value.text;
}

const std::string& QbVariant::GetStringRef() const {
    Expect(m_kind == it_string, "string");
    return *m_value.text;
}

CDecimal QbVariant::GetDecimal() const {
    Expect(m_kind == it_decimal, "decimal");
    return *m_value.decimal;
}

CBigInteger QbVariant::GetInteger() const {
    Expect(m_kind == it_integer, "integer");
    return *m_value.integer;
}

std::string QbVariant::TakeString() {
    Expect(m_kind == it_string, "string");
    std::string out = std::move(*m_value.text);
    Clear();
    return out;
}

CDecimal QbVariant::TakeDecimal() {
    Expect(m_kind == it_decimal, "decimal");
    CDecimal out = std::move(*m_value.decimal);
    Clear();
    return out;
}

CBigInteger QbVariant::TakeInteger() {
    Expect(m_kind == it_integer, "integer");
    CBigInteger out = std::move(*m_value.integer);
    Clear();
    return out;
}

// An invalid variant reads as a null reference: the property is absent.
CSmartPtr<CXmlObjectBase> QbVariant::GetXmlObject() const {
    if (m_kind == it_none) return nullptr;
    Expect(m_kind == it_XmlObject, "XmlObject");
    return CSmartPtr<CXmlObjectBase>(m_value.object);
}

CSmartPtr<CXmlCollectionBase> QbVariant::GetXmlCollection() const {
    if (m_kind == it_none) return nullptr;
    Expect(m_kind == it_XmlCollection, "XmlCollection");
    return CSmartPtr<CXmlCollectionBase>(m_value.collection);
}

// --- text ------------------------------------------------------------------

std::string QbVariant::GetType() const {
    const char* name = GetItemTypeName(m_kind);
    if (!name) throw CQbException(FormatString("Invalid Type %d", static_cast<int>(m_kind)));
    return name;
}

std::string QbVariant::ToString(const char* format) const {
    using C = CConversions;
    switch (m_kind) {
        case it_hexBinary:
            return C::hexBinaryToString(*m_value.binary);
        case it_base64Binary:
            return C::base64BinaryToString(*m_value.binary);
        case it_i1:
            return C::i1ToString(GetI1());
        case it_i2:
            return C::i2ToString(GetI2());
        case it_i4:
            return C::i4ToString(GetI4());
        case it_i8:
            return C::i8ToString(GetI8());
        case it_ui1:
            return C::ui1ToString(GetUI1());
        case it_ui2:
            return C::ui2ToString(GetUI2());
        case it_ui4:
            return C::ui4ToString(GetUI4());
        case it_ui8:
            return C::ui8ToString(GetUI8());
        case it_r4:
            return C::r4ToString(GetR4(), format);
        case it_r8:
            return C::r8ToString(GetR8(), format);
        case it_duration:
            return C::durationToString(*m_value.duration);
        case it_yearMonth:
        case it_monthDay:
        case it_date:
        case it_datetime:
        case it_time:
            return C::datetimeToString(*m_value.dateTime);
        case it_year:
            return C::yearToString(GetYear());
        case it_month:
            return C::monthToString(GetMonth());
        case it_day:
            return C::dayToString(GetDay());
        case it_char:
            return C::charToString(GetChar());
        case it_string:
            return C::stringToString(*m_value.text);
        case it_boolean:
            return C::booleanToString(GetBoolean());
        case it_decimal:
            return C::decimalToString(*m_value.decimal, format);
        case it_integer:
            return C::integerToString(*m_value.integer);
        default:
            break;
    }
    throw CQbException(
        FormatString("Invalid Type %d to convert to string", static_cast<int>(m_kind)));
}

void QbVariant::FromString(const std::string& value, ItemType kind,
                           CWhitespaceUtils::WhitespaceRule rule) {
    using C = CConversions;
    // Each value is converted before it replaces the one held: a failed
    // conversion changes nothing.
    switch (kind) {
        case it_hexBinary:
            SetHexBinary(C::hexBinaryFromString(value, rule));
            break;
        case it_base64Binary:
            SetBase64Binary(C::base64BinaryFromString(value, rule));
            break;
        case it_i1:
            SetI1(C::i1FromString(value, rule));
            break;
        case it_i2:
            SetI2(C::i2FromString(value, rule));
            break;
        case it_i4:
            SetI4(C::i4FromString(value, rule));
            break;
        case it_i8:
            SetI8(C::i8FromString(value, rule));
            break;
        case it_ui1:
            SetUI1(C::ui1FromString(value, rule));
            break;
        case it_ui2:
            SetUI2(C::ui2FromString(value, rule));
            break;
        case it_ui4:
            SetUI4(C::ui4FromString(value, rule));
            break;
        case it_ui8:
            SetUI8(C::ui8FromString(value, rule));
            break;
        case it_r4:
            SetR4(C::r4FromString(value, rule));
            break;
        case it_r8:
            SetR8(C::r8FromString(value, rule));
            break;
        case it_duration:
            SetDuration(C::durationFromString(value, rule));
            break;
        case it_yearMonth:
            SetYearMonth(C::yearMonthFromString(value, rule));
            break;
        case it_monthDay:
            SetMonthDay(C::monthDayFromString(value, rule));
            break;
        case it_year:
            SetYear(C::yearFromString(value, rule));
            break;
        case it_month:
            SetMonth(C::monthFromString(value, rule));
            break;
        case it_day:
            SetDay(C::dayFromString(value, rule));
            break;
        case it_date:
            SetDate(C::dateFromString(value, rule));
            break;
        case it_datetime:
            SetDateTime(C::datetimeFromString(value, rule));
            break;
        case it_time:
            SetTime(C::timeFromString(value, rule));
            break;
        case it_char:
            SetChar(C::charFromString(value, rule));
            break;
        case it_string:
            Emplace(it_string, C::stringFromString(value, rule));
            break;
        case it_boolean:
            SetBoolean(C::booleanFromString(value, rule));
            break;
        // The parsed number is moved into the variant, not copied: the
        // readers convert every value of a document through here.
        case it_decimal:
            Emplace(it_decimal, C::decimalFromString(value, rule));
            break;
        case it_integer:
            Emplace(it_integer, C::integerFromString(value, rule));
            break;
        default:
            throw CQbException(
                FormatString("Invalid Type %d to convert to string", static_cast<int>(kind)));
    }
}

}  // namespace QbXmlLib5
