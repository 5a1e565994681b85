#include "binding/CXmlCollectionBase.h"

#include <algorithm>

#include "core/CQbException.h"

namespace QbXmlLib5 {

CXmlCollectionBase::CXmlCollectionBase() : m_minOccurs(0), m_maxOccurs(-1) {}

CXmlCollectionBase::CXmlCollectionBase(const char* elementName, const char* namespaceUri,
                                       int minOccurs, int maxOccurs)
    : m_namespaceUri(namespaceUri ? namespaceUri : ""),
      m_minOccurs(minOccurs),
      m_maxOccurs(maxOccurs) {
    SetElementName(elementName);
}

// Listeners registered with `other` asked to hear about `other` only.
CXmlCollectionBase::CXmlCollectionBase(const CXmlCollectionBase& other)
    : CXmlObjectBase(other),
      m_namespaceUri(other.m_namespaceUri),
      m_minOccurs(other.m_minOccurs),
      m_maxOccurs(other.m_maxOccurs) {}

CXmlCollectionBase& CXmlCollectionBase::operator=(const CXmlCollectionBase& other) {
    CXmlObjectBase::operator=(other);
    m_namespaceUri = other.m_namespaceUri;
    m_minOccurs = other.m_minOccurs;
    m_maxOccurs = other.m_maxOccurs;
    return *this;
}

CXmlCollectionBase::~CXmlCollectionBase() = default;

std::string CXmlCollectionBase::GetTargetNamespace() {
    throw CQbException(
        "CXmlCollectionBase::GetTargetNamespace Should not be used from within a Collection "
        "(program logic error)");
}

void CXmlCollectionBase::AddEventListener(CXmlObjectBase* listener) {
    m_listeners.push_back(listener);
}

void CXmlCollectionBase::RemoveEventListener(CXmlObjectBase* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
}

void CXmlCollectionBase::FireOnCollectionChange() {
    // A listener may (un)register listeners while it is being told: those
    // registered when the change happened are told, unless removed by then.
    const std::vector<CXmlObjectBase*> listeners = m_listeners;
    for (CXmlObjectBase* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
            continue;
        }
        FireOnCollectionChangeEvent(listener, this);
    }
}

void CXmlCollectionBase::ValidateCount(const CXmlSerializationContext& ctx) const {
    if (ctx.GetIgnoreInvalidCollectionCounts()) return;
    const int count = GetCount();
    const std::string name = GetElementName();
    if (m_maxOccurs != -1 && count > m_maxOccurs) {
        throw CQbValidationException(
            FormatString("The Maximum number of [%s] elements allowed in this collection is %d",
                         name.c_str(), static_cast<int>(m_maxOccurs)));
    }
    if (count < m_minOccurs) {
        throw CQbValidationException(
            FormatString("The Minimum number of [%s] elements allowed in this collection is %d",
                         name.c_str(), static_cast<int>(m_minOccurs)));
    }
}

CSmartPtr<CXmlObjectBase> CXmlCollectionBase::ReadItemAhead(const CXmlElement*,
                                                            const CXmlSerializationContext&) {
    return nullptr;
}

}  // namespace QbXmlLib5
