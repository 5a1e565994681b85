#include "binding/CParentElementInfo.h"

namespace QbXmlLib5Data {

CParentElementInfo::CParentElementInfo(XmlElementGroupType groupType, XmlElementType elementType,
                                       const char* elementName, const char* elementNamespace,
                                       int elementTextPropertyIndex, bool failIfAttributeUnknown,
                                       bool hasBaseClasses, bool contentMayBeEmpty)
    : m_groupType(groupType),
      m_elementType(elementType),
      m_elementName(elementName ? elementName : ""),
      m_elementNamespace(elementNamespace ? elementNamespace : ""),
      m_elementTextPropertyIndex(elementTextPropertyIndex),
      m_failIfAttributeUnknown(failIfAttributeUnknown),
      m_hasBaseClasses(hasBaseClasses),
      m_contentMayBeEmpty(contentMayBeEmpty) {}

}  // namespace QbXmlLib5Data
