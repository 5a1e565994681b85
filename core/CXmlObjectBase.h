// CXmlObjectBase: the root of everything that can be written to or read from
// XML (generated classes, collections, untyped content).
//
// An object carries the local name of the element it is written as and an
// intrusive reference count that starts at 0, in a copy too (assignment
// leaves it alone). Create objects with new, hand them to a CSmartPtr, and
// they delete themselves when the last holder goes.
//
// The public entry points (ToXml, FromXml, ...) drive a writer or a document
// and call the object's own virtual ToXml_Int / FromXml_Int.
#ifndef QBXMLLIB5_CORE_CXMLOBJECTBASE_H
#define QBXMLLIB5_CORE_CXMLOBJECTBASE_H

#include <cstdint>
#include <string>

#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlSerializationContext.h"
#include "core/QbEnums.h"

namespace QbXmlLib5Data {
class CElementInfo;
class CAttributeInfo;
}  // namespace QbXmlLib5Data

namespace QbXmlLib5 {

class CXmlWriter;
class CXmlElement;
class CXmlCollectionBase;
class CBinaryData;
class CElement;

class CXmlObjectBase {
public:
    // Reference counting. Release deletes the object when the count reaches
    // 0 and then returns 0.
    std::int32_t AddRef();
    std::int32_t Release();

    // Slot 1: every concrete class returns itself.
    virtual CXmlObjectBase* GetBase() = 0;
    const CXmlObjectBase* GetBase() const;

    // Slot 4: namespace URI of the object's element.
    virtual std::string GetNamespace() = 0;

    // Writing as XML text (see the README for the meaning of each flag).
    std::string ToXml(
        bool declaration, bool formatted, EOLType eol,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext()) const;
    CBinaryData ToXmlStream(
        bool declaration, bool formatted, XmlEncoding encoding, EOLType eol,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext(),
        CompressionType compression = CT_NONE) const;
    void ToXmlFile(
        const char* fileName, bool declaration, bool formatted, XmlEncoding encoding, EOLType eol,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext(),
        CompressionType compression = CT_NONE) const;

    // Writing as Fast Infoset.
    CBinaryData ToFastInfosetStream(
        FInfoDecl decl,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext(),
        CompressionType compression = CT_NONE) const;
    void ToFastInfosetFile(
        const char* path, FInfoDecl decl,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext(),
        CompressionType compression = CT_NONE) const;

    // Reading; each replaces the object's content.
    void FromXml(const char* xml, const CXmlSerializationContext& ctx =
                                      CXmlSerializationContext::GetDefaultContext());
    void FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx =
                                         CXmlSerializationContext::GetDefaultContext());
    void FromXmlFile(const char* fileName, const CXmlSerializationContext& ctx =
                                               CXmlSerializationContext::GetDefaultContext());
    void FromXmlStream(
        const unsigned char* bytes, unsigned long length,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    void FromXmlStream(const CBinaryData& data, const CXmlSerializationContext& ctx =
                                                    CXmlSerializationContext::GetDefaultContext());
    void FromXmlElement(
        const CXmlElement* element,
        CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    void FromXmlElement(const CElement* element, CXmlSerializationContext& ctx =
                                                     CXmlSerializationContext::GetDefaultContext());

    // Static bridges: let metadata records and collections reach the
    // protected hooks of another object.
    static void SetElementName(CXmlObjectBase* object, const char* name);
    static void FireOnCollectionChangeEvent(CXmlObjectBase* listener,
                                            CXmlCollectionBase* collection);
    static void AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                    const CXmlSerializationContext& ctx);
    static void ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isRoot,
                          const char* namespaceUri, const CXmlSerializationContext& ctx,
                          bool choiceFlag);
    static const CXmlElement* FromXml_Int(CXmlObjectBase* object, const CXmlElement* parent,
                                          const CXmlElement* current,
                                          const CXmlSerializationContext& ctx);

protected:
    CXmlObjectBase();
    CXmlObjectBase(const CXmlObjectBase& other);
    CXmlObjectBase& operator=(const CXmlObjectBase& other);
    // Slot 2.
    virtual ~CXmlObjectBase();

    // Slot 3: target namespace of the schema that declared the type.
    virtual std::string GetTargetNamespace() = 0;
    // Slot 5: notification from a held collection; does nothing here.
    virtual void OnEvent(CXmlObjectBase* source, MsgType type, void* data);
    // Slot 6: writes the object's attributes; nothing here.
    virtual void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const;
    // Slot 7: writes the object through writer.
    virtual void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                           const CXmlSerializationContext& ctx, bool choiceFlag) const = 0;
    // Slot 8: reads the object from element; returns where reading goes on.
    virtual const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                           const CXmlSerializationContext& ctx, bool flag) = 0;

    std::string GetElementName() const;
    void SetElementName(const char* name);
    // The name without a copy, for the readers' per-element tests.
    const std::string& ElementNameRef() const { return m_elementName; }

    // Setter checks used by generated classes.
    void Throw_IfPropertyIsNull(const CXmlObjectBase* object, const char* propertyName) const;
    void Throw_IfElementNameDiffers(const CXmlObjectBase* object, const char* requiredName) const;

    // Bookkeeping of the one member of a choice that is set; `selection`
    // names it (empty: none).
    void Choice_SetElementValid(bool valid, const char* elementName, std::string& selection) const;
    void Choice_SelectElement(const char* elementName, const CXmlObjectBase* object,
                              std::string& selection) const;
    void Choice_CollectionChanged(const char* elementName, std::int32_t count,
                                  std::string& selection) const;
    void Choice_Read_Collection(CXmlObjectBase* collection, const CXmlElement* element,
                                const CXmlElement*& current, std::int32_t& count,
                                const CXmlSerializationContext& ctx) const;

    // Name and wildcard-namespace matching.
    bool DoesElementNameMatch(const CXmlSerializationContext& ctx, const CXmlElement* element,
                              const char* name, const char* namespaceUri) const;
    bool IsNamespaceValid(const char* namespaceUri, const char* restriction,
                          const char* targetNamespace) const;
    void TestNamespace(const char* namespaceUri, const char* restriction,
                       const char* targetNamespace) const;

private:
    // The metadata records reach the protected hooks of the objects they
    // describe only through their own static bridges.
    friend class QbXmlLib5Data::CElementInfo;
    friend class QbXmlLib5Data::CAttributeInfo;

    // The wildcard test and its throwing form; they read no object state.
    // As in XML Schema: ##other takes a namespace other than the target one
    // (never no namespace), a URI takes that namespace only, and only
    // ##local takes names in no namespace.
    static bool NamespaceAllowed(const char* namespaceUri, const char* restriction,
                                 const char* targetNamespace);
    static void CheckNamespace(const char* namespaceUri, const char* restriction,
                               const char* targetNamespace);

    std::string m_elementName;
    std::int32_t m_refCount;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CXMLOBJECTBASE_H
