// CElement: an untyped element (xs:any content, or any XML held without a
// generated class): name, namespace URI, text, attributes and child
// elements.
//
// Every element carries a wildcard namespace restriction and the target
// namespace it refers to; construction, CElementCol::Add and
// SetNamespaceRestrictions test the element's namespace against them. The
// setters change fields without any check.
//
// Text keeps its place between the child elements (CMixedText): GetText is
// all of it, joined; GetMixedText gives the segments between the children.
// An element with text and child elements is written exactly so, with
// nothing added inside it by formatting. Text set with SetText is one
// segment, written after the children.
//
// The loading entry points of a CElement (FromXml, FromXmlFile,
// FromXmlStream) read the document element itself into this element, so any
// XML, compressed or Fast Infoset file loads whole into a CElement. When the
// document element's namespace fails this element's restriction, nothing is
// read and no error is raised.
#ifndef QBXMLLIB5_BINDING_CELEMENT_H
#define QBXMLLIB5_BINDING_CELEMENT_H

#include <string>
#include <vector>

#include "binding/CAttributeCol.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "xml/CMixedText.h"

namespace QbXmlLib5 {

class CElementCol;

class CElement : public CXmlObjectBase {
public:
    // Namespace "", restriction "##any", target namespace "".
    explicit CElement(const char* name);
    // The namespace may not be a wildcard keyword ("Invalid Namespace [%s]");
    // it becomes the restriction too; target namespace "".
    CElement(const char* name, const char* namespaceUri);
    CElement(const char* name, const char* namespaceUri, const char* restriction,
             const char* targetNamespace);
    // A copy of any bindable object, made by writing it and reading it back.
    explicit CElement(CXmlObjectBase* object);
    CElement(const CElement&) = delete;
    CElement& operator=(const CElement&) = delete;

    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return m_namespaceUri; }

    std::string GetName() const { return m_name; }
    std::string GetText() const { return m_text.GetText(); }
    // The text in segments around the child elements (see CMixedText).
    CMixedText* GetMixedText() { return &m_text; }
    const CMixedText* GetMixedText() const { return &m_text; }
    // Null arguments are taken as empty strings.
    void SetName(const char* name);
    void SetText(const char* text);
    void SetNamespace(const char* namespaceUri);

    CSmartPtr<CAttributeCol> GetAttributes() const { return m_attributes; }
    CSmartPtr<CElementCol> GetChildElements() const;

    std::string GetNamespaceRestriction() const { return m_restriction; }
    std::string GetRestrictionTargetNamespace() const { return m_targetNamespace; }
    // Tests this element's namespace, its attributes' and, recursively, its
    // children's against the new restriction, then stores it here and in
    // every child element. On failure nothing changes.
    void SetNamespaceRestrictions(const char* restriction, const char* targetNamespace);

    // Loading (these and the inherited FromXmlFile, FromXmlStream) read the
    // document element itself (see above). Each replaces the element's name,
    // namespace, text, attributes and children; on failure the element is
    // unchanged.
    void FromXml(const char* xml);
    void FromXml(const char* xml, const CXmlSerializationContext& ctx);
    void FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx =
                                         CXmlSerializationContext::GetDefaultContext());

protected:
    friend class CElementCol;
    ~CElement() override;

    // The element's own namespace URI.
    std::string GetTargetNamespace() override { return m_namespaceUri; }
    // Start tag, attributes, children, text, end tag. The root flag is
    // ignored.
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    // Reads `current` itself into this element and returns its next sibling;
    // returns current unchanged when its namespace fails the restriction.
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool flag) override;

    // Replaces everything but the restriction with a copy of element.
    void CopyXmlElement(const CXmlElement* element);

    // Change notifications for derived classes; nothing here.
    virtual void FireOnChangeName() {}
    virtual void FireOnChangeNamespace() {}
    virtual void FireOnChangeText() {}

private:
    void Init(const char* name, const char* namespaceUri, const char* restriction,
              const char* targetNamespace);
    // Throws when this subtree does not satisfy the restriction.
    void CheckRestriction(const std::string& restriction, const std::string& targetNamespace) const;
    // The same for this element's namespace and attributes only.
    void CheckOwnRestriction(const std::string& restriction,
                             const std::string& targetNamespace) const;
    std::string RestrictionMismatch(const std::string& restriction) const;
    struct Visit;
    static const CElement* NextToVisit(std::vector<Visit>& open);
    void WriteStartTag(CXmlWriter* writer, const char* namespaceUri,
                       const CXmlSerializationContext& ctx, std::vector<Visit>& open) const;
    void StoreRestriction(const std::string& restriction, const std::string& targetNamespace);
    // Fills this new element's text and empty collections from `source` and
    // its descendants; the copies get restriction ##any and targetNamespace.
    void CopyTree(const CXmlElement* source, const std::string& targetNamespace);

    std::string m_name;
    CMixedText m_text;
    std::string m_namespaceUri;
    std::string m_restriction;
    std::string m_targetNamespace;
    CSmartPtr<CAttributeCol> m_attributes;
    CSmartPtr<CElementCol> m_childElements;
};

}  // namespace QbXmlLib5

// Users of CElement get the complete child collection class too.
#include "binding/CElementCol.h"

#endif  // QBXMLLIB5_BINDING_CELEMENT_H
