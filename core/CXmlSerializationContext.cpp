#include "core/CXmlSerializationContext.h"

#include "binding/CAttributeCol.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

CXmlSerializationContext::CXmlSerializationContext()
    : m_ignoreInvalidCollectionCounts(false),
      m_ignoreInvalidValues(false),
      m_ignoreMissingChoice(false),
      m_ignoreMissingMandatoryElements(false),
      m_ignoreUnknownElements(false),
      m_ignoreUnknownAttributes(false),
      m_ignoreNamespaces(false),
      m_schemaType(ST_DEFAULT) {}

CXmlSerializationContext::CXmlSerializationContext(const CXmlSerializationContext&) = default;
CXmlSerializationContext& CXmlSerializationContext::operator=(const CXmlSerializationContext&) =
    default;
CXmlSerializationContext::~CXmlSerializationContext() = default;

CXmlSerializationContext& CXmlSerializationContext::GetDefaultContext() {
    // Built on first use, so other static initialisers may already use it.
    static CXmlSerializationContext defaultContext;
    return defaultContext;
}

void CXmlSerializationContext::SetIgnoreUnknownElements(bool value) {
    if (value && m_ignoreMissingMandatoryElements) {
        throw CQbInvalidStateException(
            "The parser can only ignore additional elements, or ignore the fact that some "
            "required ones are missing, you can not ignore both\n"
            "Set IgnoreMissingMandatoryElements to false before setting "
            "IgnoreUnknownElements to true");
    }
    m_ignoreUnknownElements = value;
}

void CXmlSerializationContext::SetIgnoreMissingMandatoryElements(bool value) {
    if (value && m_ignoreUnknownElements) {
        throw CQbInvalidStateException(
            "The parser can only ignore additional elements, or ignore the fact that some "
            "required ones are missing, you can not ignore both\n"
            "Set IgnoreUnknownElements to false before setting "
            "IgnoreMissingMandatoryElements to true");
    }
    m_ignoreMissingMandatoryElements = value;
}

CSmartPtr<CAttributeCol> CXmlSerializationContext::GetAdditionalRootAttributes() const {
    if (!m_additionalRootAttributes) {
        m_additionalRootAttributes = new CAttributeCol("", "##any", "");
    }
    return m_additionalRootAttributes;
}

bool CXmlSerializationContext::GetIgnoreNamespaces() const {
    return m_ignoreNamespaces || m_schemaType == ST_NO_NAMESPACES;
}

}  // namespace QbXmlLib5
