// QbVariant: one property value on its way between a bindable object and its
// text form. It holds nothing (invalid), one value of the simple kinds 1 to
// 26 of ItemType, or a counted reference to a child object (it_XmlObject) or
// collection (it_XmlCollection).
//
// Scalars live inline. Strings, decimals, integers and the date kinds live
// inside the variant too (the readers and writers pass every value of a
// document through one, so these must not cost an allocation each); binary
// data and durations are heap copies owned by the variant; the reference
// kinds hold one reference on their (possibly null) object. Copies copy
// values and share references.
//
// The getters do not check the kind for the inline kinds: the caller reads
// the kind it stored. Getters of heap and reference kinds throw
// CQbInvalidStateException when the variant holds another kind; the
// reference getters give null for an invalid variant (an absent property).
#ifndef QBXMLLIB5_TYPES_QBVARIANT_H
#define QBXMLLIB5_TYPES_QBVARIANT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"

namespace QbXmlLib5 {

class CXmlCollectionBase;

struct QbVariant {
public:
    QbVariant() noexcept : m_kind(it_none) { m_value.bits = 0; }
    QbVariant(const QbVariant& other);
    QbVariant(QbVariant&& other) noexcept;  // leaves `other` invalid
    // Copies heap values and adds a reference for the reference kinds; safe
    // when `other` is this variant. Throws CQbException "Unknown Type" for a
    // kind above it_XmlCollection, leaving this variant unchanged.
    QbVariant& operator=(const QbVariant& other);
    QbVariant& operator=(QbVariant&& other) noexcept;
    ~QbVariant() { Clear(); }

    // Releases what the kind owns; the variant becomes invalid.
    void Clear() noexcept;
    void SetInvalid() noexcept { Clear(); }
    bool IsValid() const noexcept { return m_kind != it_none; }
    ItemType GetKind() const noexcept { return m_kind; }

    // Each setter replaces the previous value with the kind it names.
    void SetHexBinary(const CBinaryData& value);
    void SetBase64Binary(const CBinaryData& value);
    void SetI1(char value);
    void SetI2(std::int16_t value);
    void SetI4(std::int32_t value);
    void SetI8(std::int64_t value);
    void SetUI1(std::uint8_t value);
    void SetUI2(std::uint16_t value);
    void SetUI4(std::uint32_t value);
    void SetUI8(std::uint64_t value);
    void SetR4(float value);
    void SetR8(double value);
    void SetDuration(const CDateTimeSpan& value);
    // The date setters keep the value's own date kind, which decides its
    // text form; the variant's kind is the setter's.
    void SetYearMonth(const CDateTime& value);
    void SetMonthDay(const CDateTime& value);
    void SetYear(std::uint16_t value);
    void SetMonth(std::uint8_t value);
    void SetDay(std::uint8_t value);
    void SetDate(const CDateTime& value);
    void SetDateTime(const CDateTime& value);
    void SetTime(const CDateTime& value);
    void SetChar(char value);
    void SetString(std::string value);
    void SetBoolean(bool value);
    void SetDecimal(const CDecimal& value);
    void SetInteger(const CBigInteger& value);
    // Add one reference to a non-null object; setting the object already
    // held keeps it alive.
    void SetXmlObject(CXmlObjectBase* value);
    void SetXmlCollection(CXmlCollectionBase* value);

    CBinaryData GetHexBinary() const;  // a copy sharing the bytes
    CBinaryData GetBase64Binary() const;
    char GetI1() const noexcept { return static_cast<char>(m_value.u8); }
    std::int16_t GetI2() const noexcept { return static_cast<std::int16_t>(m_value.u16); }
    std::int32_t GetI4() const noexcept { return static_cast<std::int32_t>(m_value.u32); }
    std::int64_t GetI8() const noexcept { return static_cast<std::int64_t>(m_value.bits); }
    std::uint8_t GetUI1() const noexcept { return m_value.u8; }
    std::uint16_t GetUI2() const noexcept { return m_value.u16; }
    std::uint32_t GetUI4() const noexcept { return m_value.u32; }
    std::uint64_t GetUI8() const noexcept { return m_value.bits; }
    float GetR4() const noexcept { return m_value.r4; }
    double GetR8() const noexcept { return m_value.r8; }
    CDateTimeSpan GetDuration() const;
    CDateTime GetYearMonth() const;
    CDateTime GetMonthDay() const;
    std::uint16_t GetYear() const noexcept { return m_value.u16; }
    std::uint8_t GetMonth() const noexcept { return m_value.u8; }
    std::uint8_t GetDay() const noexcept { return m_value.u8; }
    CDateTime GetDate() const;
    CDateTime GetDateTime() const;
    CDateTime GetTime() const;
    char GetChar() const noexcept { return static_cast<char>(m_value.u8); }
    std::string GetString() const;
    // The string held, without a copy; valid while the variant holds it.
    // CQbInvalidValueException like GetString for another kind.
    const std::string& GetStringRef() const;
    bool GetBoolean() const noexcept { return m_value.u8 != 0; }
    CDecimal GetDecimal() const;
    CBigInteger GetInteger() const;
    // As the getters above, but the value is moved out and the variant left
    // invalid: the readers hand each converted value to its member this way,
    // without a copy. The same exception as the getter for another kind, the
    // variant then unchanged.
    std::string TakeString();
    CDecimal TakeDecimal();
    CBigInteger TakeInteger();
    // A new holder of the reference; null stays null.
    CSmartPtr<CXmlObjectBase> GetXmlObject() const;
    CSmartPtr<CXmlCollectionBase> GetXmlCollection() const;

    // The type name of kinds 1 to 26; else CQbException "Invalid Type %d".
    std::string GetType() const;
    // The lexical form of the value. `format` is the printf format of r4
    // and r8 and the number of decimal places (as text) of decimal; null
    // means the default form. Kinds outside 1 to 26 throw CQbException
    // "Invalid Type %d to convert to string".
    std::string ToString(const char* format = nullptr) const;
    // Parses `value` as `kind` after applying `rule` and stores the result
    // with that kind. On failure the variant keeps its previous value.
    void FromString(const std::string& value, ItemType kind, CWhitespaceUtils::WhitespaceRule rule);

private:
    union Payload {
        std::uint64_t bits;
        std::uint8_t u8;
        std::uint16_t u16;
        std::uint32_t u32;
        float r4;
        double r8;
        CBinaryData* binary;
        CDateTimeSpan* duration;
        CDateTime* dateTime;
        std::string* text;
        CDecimal* decimal;
        CBigInteger* integer;
        CXmlObjectBase* object;
        CXmlCollectionBase* collection;
    };

    // Releases the old value, then takes `value` (already owned) as `kind`.
    // Callers build the new payload first, so a failed copy changes nothing
    // and a reference to the object already held is taken before the old
    // one is released.
    void Replace(ItemType kind, Payload value) noexcept;
    // Copies `other`'s value into this empty variant.
    void CopyFrom(const QbVariant& other);
    void SetDateKind(ItemType kind, const CDateTime& value);
    // Releases the old value, then moves `value` into m_local as `kind`.
    template <class T>
    void Emplace(ItemType kind, T&& value) noexcept;
    // Moves `other`'s value here (the old one released), leaving it invalid.
    void TakeFrom(QbVariant& other) noexcept;
    template <class T>
    void TakeLocal(QbVariant& other, T* held) noexcept;
    // The heap getters' kind check.
    void Expect(bool matches, const char* wanted) const;
    CDateTime GetDateValue(const char* wanted) const;

    // Room for the largest kind kept inside the variant (std::string,
    // CDecimal); for those the payload points here.
    static constexpr std::size_t kLocalSize = 32;

    ItemType m_kind;
    Payload m_value;
    alignas(8) unsigned char m_local[kLocalSize];
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_QBVARIANT_H
