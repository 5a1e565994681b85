// CXmlTypeCollection: the base of the collections of plain values that a
// generated class uses for a repeated element of simple type (CstringCol,
// Ci4Col, CdateCol, ...).
//
// It keeps the item's facets, kind, whitespace rule and number format next to
// the element name, namespace and occurrence bounds of CXmlCollectionBase.
// Every value added, by the application or by reading, is checked against
// the facets first; a value that fails changes nothing and fires no event.
// Reading takes a run of sibling elements with the collection's name and
// namespace and stops at the first that differs; writing emits one element
// per value.
//
// All members but the date-time ones are TXmlTypeCol, one template over the
// value type; the date-time members share CdatetimeBaseCol, whose Add, AddAt
// and Item are virtual because the kind of a CDateTime is only known at run
// time. A copy has the settings and all values of its source and no
// listeners; assignment keeps the target's listeners and fires nothing.
#ifndef QBXMLLIB5_BINDING_CXMLTYPECOLLECTION_H
#define QBXMLLIB5_BINDING_CXMLTYPECOLLECTION_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binding/CXmlCollectionBase.h"
#include "core/CXmlSerializationContext.h"
#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {

class CXmlElement;
class CXmlWriter;

class CXmlTypeCollection : public CXmlCollectionBase {
public:
    using WhitespaceRule = CWhitespaceUtils::WhitespaceRule;

    ItemType GetItemType() const { return m_itemType; }
    const CPrimitiveRestrictions& GetRestrictions() const;
    WhitespaceRule GetWhitespaceRule() const { return m_whitespaceRule; }
    // The printf format of r4 and r8 values, or the number of places of
    // decimal ones; null when the default form is written.
    const char* GetNumberFormat() const {
        return m_shared && m_shared->hasNumberFormat ? m_shared->numberFormat.c_str() : nullptr;
    }

protected:
    // The format is copied, so the caller's string need not outlive the
    // collection.
    CXmlTypeCollection(ItemType itemType, const char* elementName, const char* namespaceUri,
                       int minOccurs, int maxOccurs, const char* pattern, int minLength,
                       int maxLength, const char* minInclusive, const char* maxInclusive,
                       const char* minExclusive, const char* maxExclusive, int length,
                       WhitespaceRule whitespaceRule, const char* numberFormat);
    CXmlTypeCollection(const CXmlTypeCollection& other) = default;
    CXmlTypeCollection& operator=(const CXmlTypeCollection& other) = default;
    ~CXmlTypeCollection() override;

    // Reads every leading sibling, from current on, whose name and namespace
    // are the collection's, through AddFromString; returns the first element
    // that is not one of them (null at the end). Counts are left to the
    // caller.
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool flag) override;
    // Parses one value with the kind's conversion and the whitespace rule,
    // and appends it as Add does.
    virtual void AddFromString(std::string text) = 0;

    // Throws the facet check's exception when `value` breaks a facet. While
    // an item is read, its pattern is matched against the text read, and
    // nothing is checked when the context ignores invalid values.
    void CheckValue(const QbVariant& value) const;
    // "Index out of range" unless 0 <= index <= count.
    void CheckInsertIndex(int index) const;
    // "Index %d is out of range, use 0 - %d" unless 0 <= index < count.
    void CheckItemIndex(int index) const;
    // One element of the collection's name and namespace holding `text`.
    void WriteItem(CXmlWriter* writer, const std::string& text) const;

private:
    // What the schema fixed for the items, shared by copies and null when
    // the items have neither facets nor a number format: most collections
    // have none, and a generated object makes one collection per repeated
    // member.
    struct CShared {
        CPrimitiveRestrictions facets;
        std::string numberFormat;
        bool hasNumberFormat;
    };
    std::shared_ptr<const CShared> m_shared;
    // The item FromXml_Int is reading (null otherwise): its text, and
    // whether its facets are checked.
    struct CReadItem {
        const std::string* text;
        bool check;
    };
    const CReadItem* m_reading = nullptr;
    ItemType m_itemType;
    WhitespaceRule m_whitespaceRule;
};

// One member of the family: values of type T, of kind `Kind`, moved in and
// out of a QbVariant with `Setter` and `Getter` to be checked, parsed and
// written by the kind's own conversions. `Arg` is how Add takes a value.
template <class T, ItemType Kind, auto Setter, auto Getter, class Arg = const T&>
class TXmlTypeCol : public CXmlTypeCollection {
public:
    using value_type = T;
    using const_iterator = typename std::vector<T>::const_iterator;

    TXmlTypeCol(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs,
                const char* pattern, int minLength, int maxLength, const char* minInclusive,
                const char* maxInclusive, const char* minExclusive, const char* maxExclusive,
                int length, WhitespaceRule whitespaceRule, const char* numberFormat)
        : CXmlTypeCollection(Kind, elementName, namespaceUri, minOccurs, maxOccurs, pattern,
                             minLength, maxLength, minInclusive, maxInclusive, minExclusive,
                             maxExclusive, length, whitespaceRule, numberFormat) {}
    TXmlTypeCol(const TXmlTypeCol& other) = default;
    // Copies the values before anything changes, so a failed copy leaves
    // this collection as it was.
    TXmlTypeCol& operator=(const TXmlTypeCol& other) {
        std::vector<T> values(other.m_values);
        CXmlTypeCollection::operator=(other);
        m_values.swap(values);
        return *this;
    }
    ~TXmlTypeCol() override = default;

    CXmlObjectBase* GetBase() override { return this; }

    void Add(Arg value) { AddAt(GetCount(), value); }
    // Index test, facet check, insertion before `index`, one change event.
    void AddAt(int index, Arg value);
    // A copy: it stays valid whatever later happens to the collection.
    T Item(int index) const {
        CheckItemIndex(index);
        return m_values[static_cast<std::size_t>(index)];
    }

    int GetCount() const override { return static_cast<int>(m_values.size()); }
    // Empties the collection without telling the listeners.
    void Clear() override { m_values.clear(); }
    void Remove(int index) override;

    const_iterator begin() const { return m_values.begin(); }
    const_iterator end() const { return m_values.end(); }

protected:
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    void AddFromString(std::string text) override;

private:
    std::vector<T> m_values;
};

template <class T, ItemType Kind, auto Setter, auto Getter, class Arg>
void TXmlTypeCol<T, Kind, Setter, Getter, Arg>::AddAt(int index, Arg value) {
    CheckInsertIndex(index);
    if (Kind != it_boolean) {
        QbVariant checked;
        (checked.*Setter)(value);
        CheckValue(checked);
    }
    m_values.insert(m_values.begin() + index, T(std::move(value)));
    FireOnCollectionChange();
}

template <class T, ItemType Kind, auto Setter, auto Getter, class Arg>
void TXmlTypeCol<T, Kind, Setter, Getter, Arg>::Remove(int index) {
    CheckItemIndex(index);
    m_values.erase(m_values.begin() + index);
    FireOnCollectionChange();
}

template <class T, ItemType Kind, auto Setter, auto Getter, class Arg>
void TXmlTypeCol<T, Kind, Setter, Getter, Arg>::ToXml_Int(CXmlWriter* writer, bool, const char*,
                                                          const CXmlSerializationContext& ctx,
                                                          bool) const {
    ValidateCount(ctx);
    QbVariant text;
    for (const T& value : m_values) {
        (text.*Setter)(value);
        WriteItem(writer, text.ToString(GetNumberFormat()));
    }
}

template <class T, ItemType Kind, auto Setter, auto Getter, class Arg>
void TXmlTypeCol<T, Kind, Setter, Getter, Arg>::AddFromString(std::string text) {
    QbVariant parsed;
    parsed.FromString(text, Kind, GetWhitespaceRule());
    Add((parsed.*Getter)());
}

// The date-time members: values are CDateTime, whose own kind must be the
// collection's. Add, AddAt and Item are virtual so that one CdatetimeBaseCol
// reference serves all five.
class CdatetimeBaseCol : public CXmlTypeCollection {
public:
    using const_iterator = std::vector<CDateTime>::const_iterator;

    CdatetimeBaseCol(const CdatetimeBaseCol& other) = default;
    CdatetimeBaseCol& operator=(const CdatetimeBaseCol& other);
    ~CdatetimeBaseCol() override;

    // AddAt(GetCount(), value).
    virtual void Add(const CDateTime& value);
    // Kind test, facet check, then insertion before `index` with one change
    // event.
    virtual void AddAt(int index, const CDateTime& value) = 0;
    virtual CDateTime Item(int index) const;

    int GetCount() const override { return static_cast<int>(m_values.size()); }
    // Empties the collection without telling the listeners.
    void Clear() override { m_values.clear(); }
    void Remove(int index) override;

    const_iterator begin() const { return m_values.begin(); }
    const_iterator end() const { return m_values.end(); }

protected:
    CdatetimeBaseCol(ItemType itemType, const char* elementName, const char* namespaceUri,
                     int minOccurs, int maxOccurs, const char* pattern, int minLength,
                     int maxLength, const char* minInclusive, const char* maxInclusive,
                     const char* minExclusive, const char* maxExclusive, int length,
                     WhitespaceRule whitespaceRule, const char* numberFormat);

    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    // The lexical form of one value.
    virtual std::string ItemToString(const CDateTime& value) const = 0;
    // The value must be of `dateKind` and pass the facets; then the index
    // test, the insertion and one change event.
    void AddOfKind(CDateTime::DTType dateKind, int index, const CDateTime& value);
    // The text read with the conversion of the collection's kind.
    CDateTime ParseValue(const std::string& text) const;

private:
    std::vector<CDateTime> m_values;
};

// One date-time member: `DateKind` is the CDateTime kind its values must
// have.
template <ItemType Kind, CDateTime::DTType DateKind>
class TDateTimeCol : public CdatetimeBaseCol {
public:
    TDateTimeCol(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs,
                 const char* pattern, int minLength, int maxLength, const char* minInclusive,
                 const char* maxInclusive, const char* minExclusive, const char* maxExclusive,
                 int length, WhitespaceRule whitespaceRule, const char* numberFormat)
        : CdatetimeBaseCol(Kind, elementName, namespaceUri, minOccurs, maxOccurs, pattern,
                           minLength, maxLength, minInclusive, maxInclusive, minExclusive,
                           maxExclusive, length, whitespaceRule, numberFormat) {}
    TDateTimeCol(const TDateTimeCol& other) = default;
    TDateTimeCol& operator=(const TDateTimeCol& other) = default;
    ~TDateTimeCol() override = default;

    CXmlObjectBase* GetBase() override { return this; }

    // CQbInvalidParamException "Dates added to this collection must be of
    // type dt_..." for a value of another kind.
    void AddAt(int index, const CDateTime& value) override { AddOfKind(DateKind, index, value); }

protected:
    std::string ItemToString(const CDateTime& value) const override { return value.ToString("s"); }
    // A text of another date form is refused by the kind test.
    void AddFromString(std::string text) override { Add(ParseValue(text)); }
};

// The members, named after their kinds.
#define QB_TYPE_COL(Name, T, Kind, Set, Get, Arg)                                     \
    class Name : public TXmlTypeCol<T, Kind, &QbVariant::Set, &QbVariant::Get, Arg> { \
    public:                                                                           \
        using TXmlTypeCol::TXmlTypeCol;                                               \
    }
QB_TYPE_COL(ChexBinaryCol, CBinaryData, it_hexBinary, SetHexBinary, GetHexBinary,
            const CBinaryData&);
QB_TYPE_COL(Cbase64BinaryCol, CBinaryData, it_base64Binary, SetBase64Binary, GetBase64Binary,
            const CBinaryData&);
QB_TYPE_COL(Ci1Col, char, it_i1, SetI1, GetI1, char);
QB_TYPE_COL(Ci2Col, std::int16_t, it_i2, SetI2, GetI2, std::int16_t);
QB_TYPE_COL(Ci4Col, std::int32_t, it_i4, SetI4, GetI4, std::int32_t);
QB_TYPE_COL(Ci8Col, std::int64_t, it_i8, SetI8, GetI8, std::int64_t);
QB_TYPE_COL(Cui1Col, std::uint8_t, it_ui1, SetUI1, GetUI1, std::uint8_t);
QB_TYPE_COL(Cui2Col, std::uint16_t, it_ui2, SetUI2, GetUI2, std::uint16_t);
QB_TYPE_COL(Cui4Col, std::uint32_t, it_ui4, SetUI4, GetUI4, std::uint32_t);
QB_TYPE_COL(Cui8Col, std::uint64_t, it_ui8, SetUI8, GetUI8, std::uint64_t);
QB_TYPE_COL(Cr4Col, float, it_r4, SetR4, GetR4, float);
QB_TYPE_COL(Cr8Col, double, it_r8, SetR8, GetR8, double);
QB_TYPE_COL(CdurationCol, CDateTimeSpan, it_duration, SetDuration, GetDuration,
            const CDateTimeSpan&);
QB_TYPE_COL(CyearCol, std::uint16_t, it_year, SetYear, GetYear, std::uint16_t);
QB_TYPE_COL(CmonthCol, std::uint8_t, it_month, SetMonth, GetMonth, std::uint8_t);
QB_TYPE_COL(CdayCol, std::uint8_t, it_day, SetDay, GetDay, std::uint8_t);
QB_TYPE_COL(CstringCol, std::string, it_string, SetString, GetString, std::string);
QB_TYPE_COL(CbooleanCol, bool, it_boolean, SetBoolean, GetBoolean, bool);
QB_TYPE_COL(CdecimalCol, CDecimal, it_decimal, SetDecimal, GetDecimal, const CDecimal&);
QB_TYPE_COL(CintegerCol, CBigInteger, it_integer, SetInteger, GetInteger, const CBigInteger&);
#undef QB_TYPE_COL

#define QB_DATE_COL(Name, Kind, DateKind)              \
    class Name : public TDateTimeCol<Kind, DateKind> { \
    public:                                            \
        using TDateTimeCol::TDateTimeCol;              \
    }
QB_DATE_COL(CyearMonthCol, it_yearMonth, CDateTime::dt_gYearMonth);
QB_DATE_COL(CmonthDayCol, it_monthDay, CDateTime::dt_gMonthDay);
QB_DATE_COL(CdateCol, it_date, CDateTime::dt_date);
QB_DATE_COL(CdatetimeCol, it_datetime, CDateTime::dt_dateTime);
QB_DATE_COL(CtimeCol, it_time, CDateTime::dt_time);
#undef QB_DATE_COL

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLTYPECOLLECTION_H
