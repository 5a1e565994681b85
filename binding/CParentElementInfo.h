// CParentElementInfo: the metadata a generated class gives about itself (its
// own element, its content model and how it treats unknown attributes), and
// the two enumerations shared by all metadata records.
#ifndef QBXMLLIB5_BINDING_CPARENTELEMENTINFO_H
#define QBXMLLIB5_BINDING_CPARENTELEMENTINFO_H

#include <cstdint>
#include <string>

namespace QbXmlLib5Data {

// Content model of a generated class.
enum XmlElementGroupType : std::int32_t { Seq = 0, Choice = 1, All = 2 };

// Element: the item has its own start and end tags. PseudoElement: the item
// is a model group; its attributes land on the enclosing element and its
// children live in the enclosing element's content.
enum XmlElementType : std::int32_t { Element = 0, PseudoElement = 1 };

class CParentElementInfo {
public:
    // elementTextPropertyIndex is -1 when the class has no simple text
    // content. contentMayBeEmpty: a choice of the class is satisfied by no
    // child at all, because one of its members can match nothing.
    CParentElementInfo(XmlElementGroupType groupType, XmlElementType elementType,
                       const char* elementName, const char* elementNamespace,
                       int elementTextPropertyIndex, bool failIfAttributeUnknown,
                       bool hasBaseClasses, bool contentMayBeEmpty = false);
    CParentElementInfo(const CParentElementInfo& other) = default;
    CParentElementInfo& operator=(const CParentElementInfo& other) = default;

    XmlElementGroupType GetElementGroupType() const { return m_groupType; }
    XmlElementType GetElementType() const { return m_elementType; }
    std::string GetElementName() const { return m_elementName; }
    std::string GetElementNamespace() const { return m_elementNamespace; }
    int GetElementTextPropertyIndex() const { return m_elementTextPropertyIndex; }
    bool GetFromXmlFailIfAttributeUnknown() const { return m_failIfAttributeUnknown; }
    bool GetHasBaseClasses() const { return m_hasBaseClasses; }
    bool GetContentMayBeEmpty() const { return m_contentMayBeEmpty; }

private:
    XmlElementGroupType m_groupType;
    XmlElementType m_elementType;
    std::string m_elementName;
    std::string m_elementNamespace;
    int m_elementTextPropertyIndex;
    bool m_failIfAttributeUnknown;
    bool m_hasBaseClasses;
    bool m_contentMayBeEmpty;
};

}  // namespace QbXmlLib5Data

#endif  // QBXMLLIB5_BINDING_CPARENTELEMENTINFO_H
