#include "binding/CAttribute.h"

#include "core/CQbException.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

namespace {
const char* Safe(const char* s) { return s ? s : ""; }
}  // namespace

CAttribute::CAttribute(const char* name, const char* value, const char* namespaceUri)
    : m_name(Safe(name)), m_value(Safe(value)), m_namespaceUri(Safe(namespaceUri)) {}

CAttribute::~CAttribute() = default;

void CAttribute::SetName(const char* name) { m_name = Safe(name); }
void CAttribute::SetValue(const char* value) { m_value = Safe(value); }
void CAttribute::SetNamespace(const char* namespaceUri) { m_namespaceUri = Safe(namespaceUri); }

void CAttribute::ToXml_Int(CXmlWriter* writer, bool, const char*,
                           const CXmlSerializationContext&, bool) const {
    writer->WriteAttribute(m_name, m_namespaceUri, m_value);
}

const CXmlElement* CAttribute::FromXml_Int(const CXmlElement*, const CXmlElement*,
                                           const CXmlSerializationContext&, bool) {
    throw CQbException("This should be done by the collection");
}

}  // namespace QbXmlLib5
