#include "core/CXmlSerializationContext.h"

#include "binding/CAttributeCol.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// One counted reference, dropped when the last context sharing it goes.
std::shared_ptr<CAttributeCol> Held(CAttributeCol* collection) {
    collection->AddRef();
    return std::shared_ptr<CAttributeCol>(collection, [](CAttributeCol* held) { held->Release(); });
}

}  // namespace

CXmlSerializationContext::CXmlSerializationContext()
    : m_ignoreInvalidCollectionCounts(false),
      m_ignoreInvalidValues(false),
      m_ignoreMissingChoice(false),
      m_ignoreMissingMandatoryElements(false),
      m_ignoreUnknownElements(false),
      m_ignoreUnknownAttributes(false),
      m_ignoreNamespaces(false),
      m_schemaType(ST_DEFAULT),
      m_additionalRootAttributes(Held(new CAttributeCol("", "##any", ""))) {}

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
    return m_additionalRootAttributes.get();
}

bool CXmlSerializationContext::GetIgnoreNamespaces() const {
    return m_ignoreNamespaces || m_schemaType == ST_NO_NAMESPACES;
}

}  // namespace QbXmlLib5
