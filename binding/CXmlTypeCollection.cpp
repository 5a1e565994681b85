#include "binding/CXmlTypeCollection.h"

#include "binding/CReadLocation.h"
#include "core/CQbException.h"
#include "types/CConversions.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

namespace {

bool IsUnset(const char* text) { return text && !*text; }

// True when every facet is unset (a null text is not: the facets'
// constructor refuses it).
bool NoFacets(const char* pattern, int minLength, int maxLength, const char* minInclusive,
              const char* maxInclusive, const char* minExclusive, const char* maxExclusive,
              int length) {
    return IsUnset(pattern) && minLength < 0 && maxLength < 0 && IsUnset(minInclusive) &&
           IsUnset(maxInclusive) && IsUnset(minExclusive) && IsUnset(maxExclusive) && length < 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// CXmlTypeCollection

CXmlTypeCollection::CXmlTypeCollection(ItemType itemType, const char* elementName,
                                       const char* namespaceUri, int minOccurs, int maxOccurs,
                                       const char* pattern, int minLength, int maxLength,
                                       const char* minInclusive, const char* maxInclusive,
                                       const char* minExclusive, const char* maxExclusive,
                                       int length, WhitespaceRule whitespaceRule,
                                       const char* numberFormat)
    : CXmlCollectionBase(elementName, namespaceUri, minOccurs, maxOccurs),
      m_itemType(itemType),
      m_whitespaceRule(whitespaceRule) {
    if (!numberFormat && NoFacets(pattern, minLength, maxLength, minInclusive, maxInclusive,
                                  minExclusive, maxExclusive, length)) {
        return;
    }
    m_shared = std::make_shared<const CShared>(
        CShared{CPrimitiveRestrictions(pattern, minLength, maxLength, minInclusive, maxInclusive,
                                       minExclusive, maxExclusive, length),
                numberFormat ? numberFormat : "", numberFormat != nullptr});
}

CXmlTypeCollection::~CXmlTypeCollection() = default;

const CPrimitiveRestrictions& CXmlTypeCollection::GetRestrictions() const {
    static const CPrimitiveRestrictions none;
    return m_shared ? m_shared->facets : none;
}

const CXmlElement* CXmlTypeCollection::FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                                   const CXmlSerializationContext& ctx, bool) {
    // Most collections are empty where they are read: leave without copies.
    if (!current || current->GetLocalName() != ElementNameRef()) return current;
    const std::string name = GetElementName();
    const std::string namespaceUri = GetNamespace();
    const bool check = !ctx.GetIgnoreInvalidValues();
    while (current && DoesElementNameMatch(ctx, current, name.c_str(), namespaceUri.c_str())) {
        const CReadItem item{&current->GetText(), check};
        m_reading = &item;
        try {
            CReadLocation::At(current, [&] { AddFromString(current->GetText()); });
        } catch (...) {
            m_reading = nullptr;
            throw;
        }
        m_reading = nullptr;
        current = current->GetNextSiblingElement();
    }
    return current;
}

void CXmlTypeCollection::CheckValue(const QbVariant& value) const {
    if (!m_reading) {
        CheckPrimitiveValue(m_itemType, GetRestrictions(), GetElementName().c_str(), value);
    } else if (m_reading->check) {
        CheckPrimitiveText(m_itemType, GetRestrictions(), GetElementName().c_str(), value,
                           *m_reading->text, m_whitespaceRule);
    }
}

void CXmlTypeCollection::CheckInsertIndex(int index) const {
    if (index < 0 || index > GetCount()) throw CQbInvalidParamException("Index out of range");
}

void CXmlTypeCollection::CheckItemIndex(int index) const {
    const int count = GetCount();
    if (index < 0 || index >= count) {
        throw CQbInvalidParamException(
            FormatString("Index %d is out of range, use 0 - %d", index, count));
    }
}

void CXmlTypeCollection::WriteItem(CXmlWriter* writer, const std::string& text) const {
    // GetNamespace only reads; it is not const because it is a slot of the
    // object base.
    writer->WriteStartElement(GetElementName(),
                              const_cast<CXmlTypeCollection*>(this)->GetNamespace());
    writer->WriteText(text);
    writer->WriteEndElement();
}

// ---------------------------------------------------------------------------
// CdatetimeBaseCol

CdatetimeBaseCol::CdatetimeBaseCol(ItemType itemType, const char* elementName,
                                   const char* namespaceUri, int minOccurs, int maxOccurs,
                                   const char* pattern, int minLength, int maxLength,
                                   const char* minInclusive, const char* maxInclusive,
                                   const char* minExclusive, const char* maxExclusive, int length,
                                   WhitespaceRule whitespaceRule, const char* numberFormat)
    : CXmlTypeCollection(itemType, elementName, namespaceUri, minOccurs, maxOccurs, pattern,
                         minLength, maxLength, minInclusive, maxInclusive, minExclusive,
                         maxExclusive, length, whitespaceRule, numberFormat) {}

CdatetimeBaseCol& CdatetimeBaseCol::operator=(const CdatetimeBaseCol& other) {
    std::vector<CDateTime> values(other.m_values);
    CXmlTypeCollection::operator=(other);
    m_values.swap(values);
    return *this;
}

CdatetimeBaseCol::~CdatetimeBaseCol() = default;

void CdatetimeBaseCol::Add(const CDateTime& value) { AddAt(GetCount(), value); }

CDateTime CdatetimeBaseCol::Item(int index) const {
    CheckItemIndex(index);
    return m_values[static_cast<std::size_t>(index)];
}

void CdatetimeBaseCol::Remove(int index) {
    CheckItemIndex(index);
    m_values.erase(m_values.begin() + index);
    FireOnCollectionChange();
}

void CdatetimeBaseCol::ToXml_Int(CXmlWriter* writer, bool, const char*,
                                 const CXmlSerializationContext& ctx, bool) const {
    ValidateCount(ctx);
    for (const CDateTime& value : m_values) WriteItem(writer, ItemToString(value));
}

void CdatetimeBaseCol::AddOfKind(CDateTime::DTType dateKind, int index, const CDateTime& value) {
    if (value.GetType() != dateKind) {
        throw CQbInvalidParamException("Dates added to this collection must be of type dt_" +
                                       CDateTime::GetTypeAsString(dateKind));
    }
    QbVariant checked;
    switch (GetItemType()) {
        case it_yearMonth:
            checked.SetYearMonth(value);
            break;
        case it_monthDay:
            checked.SetMonthDay(value);
            break;
        case it_date:
            checked.SetDate(value);
            break;
        case it_time:
            checked.SetTime(value);
            break;
        default:
            checked.SetDateTime(value);
            break;
    }
    CheckValue(checked);
    CheckInsertIndex(index);
    m_values.insert(m_values.begin() + index, value);
    FireOnCollectionChange();
}

CDateTime CdatetimeBaseCol::ParseValue(const std::string& text) const {
    using C = CConversions;
    const WhitespaceRule rule = GetWhitespaceRule();
    switch (GetItemType()) {
        case it_yearMonth:
            return C::yearMonthFromString(text, rule);
        case it_monthDay:
            return C::monthDayFromString(text, rule);
        case it_date:
            return C::dateFromString(text, rule);
        case it_time:
            return C::timeFromString(text, rule);
        default:
            return C::datetimeFromString(text, rule);
    }
}

}  // namespace QbXmlLib5
