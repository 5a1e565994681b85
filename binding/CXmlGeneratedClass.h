// CXmlGeneratedClass: the base of every class the code generator makes.
//
// A generated class holds no serialization code. It describes itself with
// static metadata (one CParentElementInfo, a null-terminated array of
// CElementInfo records in schema order, a null-terminated array of
// CAttributeInfo records) and exposes its properties through one indexed
// access operation; this class walks the metadata to write the object through
// any CXmlWriter and to read it back from a document tree, checking the
// content model on the way.
//
// Errors are wrapped once per level ("Failed to convert the element [%s] to
// XML" when writing, "Failed to process the element [%s]" when reading), so
// the message chain leads from the root to the fault. Object trees nested
// deeper than kMaxNestingDepth levels are refused with a CQbException rather
// than exhausting the stack.
#ifndef QBXMLLIB5_BINDING_CXMLGENERATEDCLASS_H
#define QBXMLLIB5_BINDING_CXMLGENERATEDCLASS_H

#include "binding/CParentElementInfo.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "types/QbVariant.h"

namespace QbXmlLib5Data {
class CElementInfo;
class CAttributeInfo;
}  // namespace QbXmlLib5Data

namespace QbXmlLib5 {

class CXmlWriter;
class CXmlElement;
class CMixedText;
class CXmlCollectionBase;

class CXmlGeneratedClass : public CXmlObjectBase {
public:
    // How deep generated objects may nest (counting each generated object on
    // the path from the root) while one thread writes or reads them.
    static constexpr int kMaxNestingDepth = 1000;

    // Slot 9. read true: store the property's value in `value` (objects and
    // collections as references, enumerations as their int, an empty variant
    // for an unset optional value). read false: take `value` into the
    // property (an empty variant clears it).
    virtual void AccessProperty(int propertyIndex, bool read, QbVariant& value) = 0;
    // Slot 10: the class's own metadata.
    virtual QbXmlLib5Data::CParentElementInfo* GetClassInfo() const = 0;
    // Slot 11: the child element records in schema order, null-terminated.
    virtual QbXmlLib5Data::CElementInfo** GetClassElementInfo() const = 0;
    // Slot 12: the attribute records, null-terminated.
    virtual QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const = 0;
    // Slot 13: called at the start of every read.
    virtual void ResetProperties() = 0;

    // The collection a repeated member holds, without creating it: generated
    // classes create the collection of an optional repeated element only when
    // it is first asked for (AccessProperty creates it), and an object that
    // has none yet answers null, which stands for an empty collection. By
    // default: what AccessProperty reads (null for anything but a collection).
    virtual CXmlCollectionBase* PeekCollection(int propertyIndex) const;
    // The text of a class with mixed content, kept between its children
    // (see CMixedText); null for any other class. Classes with mixed
    // content override it.
    virtual CMixedText* GetMixedText() { return nullptr; }

    // xsi:nil. A nil object is written as its element with xsi:nil="true",
    // its attributes and no content; reading such an element makes the
    // object nil. Only elements declared nillable may be nil: their records
    // and collections say so, and refuse xsi:nil elsewhere.
    bool IsNil() const { return m_nil; }
    void SetNil(bool nil) { m_nil = nil; }
    // Refuses an xsi:nil attribute on `element` unless it is nillable.
    static void CheckNilAllowed(const CXmlElement* element, bool nillable);
    // Refuses to write a nil `object` (a generated object, or anything
    // else, which is never nil) where its element is not nillable.
    static void CheckNilWritable(const CXmlObjectBase* object, bool nillable);
    // As above, for an object known to be generated: no type test.
    static void CheckNilWritable(const CXmlGeneratedClass* object, bool nillable) {
        if (object->m_nil && !nillable) RefuseNil(object);
    }

    // AccessProperty with read true.
    void ReadProperty(int propertyIndex, QbVariant& value) const;
    // Number of element records before the terminating null.
    int GetClassElementInfoCount() const;

    // Deletes the parent record, every element record and the element array
    // (allocated with new[]), every attribute record and the attribute array,
    // and sets the three pointers to null. Null arguments are allowed.
    static void CleanMetaData(QbXmlLib5Data::CParentElementInfo*& classInfo,
                              QbXmlLib5Data::CElementInfo**& elementInfo,
                              QbXmlLib5Data::CAttributeInfo**& attributeInfo);

protected:
    CXmlGeneratedClass();
    CXmlGeneratedClass(const CXmlGeneratedClass& other);
    CXmlGeneratedClass& operator=(const CXmlGeneratedClass& other) = default;
    ~CXmlGeneratedClass() override;

    void AttributesToXml_Int(CXmlWriter* writer,
                             const CXmlSerializationContext& ctx) const override;
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceMember) const override;
    const CXmlElement* FromXml_Int(const CXmlElement* element, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool choiceMember) override;

    // The attributes alone, without the xsi:type AttributesToXml_Int adds for
    // an object named differently from its class record. Generated classes
    // call it for the elements whose declared type is their own class, where
    // xsi:type would say nothing.
    void AttributesToXml_WithoutXsiType(CXmlWriter* writer,
                                        const CXmlSerializationContext& ctx) const;
    // Reads the element's attributes into the properties.
    void ProcessAttributesFromXml(const CXmlSerializationContext& ctx, const CXmlElement* element,
                                  bool failIfUnknown);
    // Whether some element record of the class accepts `element`.
    bool IsElementInList(const CXmlSerializationContext& ctx, const CXmlElement* element) const;
    // Whether a choice collection member with minOccurs 0 lets the choice
    // stay empty.
    bool DoesElementContainOptionalElementCollections() const;

private:
    [[noreturn]] static void RefuseNil(const CXmlGeneratedClass* object);
    void WriteRootPrologue(CXmlWriter* writer, const CXmlSerializationContext& ctx) const;
    void WriteContent(CXmlWriter* writer, const CXmlSerializationContext& ctx,
                      bool choiceMember) const;
    void ProcessElementChoiceToXml(const CXmlSerializationContext& ctx,
                                   QbXmlLib5Data::CElementInfo** records, CXmlWriter* writer,
                                   bool choiceMember) const;
    void ProcessAttributesToXml(const CXmlSerializationContext& ctx,
                                QbXmlLib5Data::CElementInfo** elementRecords,
                                QbXmlLib5Data::CAttributeInfo** attributeRecords,
                                CXmlWriter* writer) const;

    const CXmlElement* ReadContent(const CXmlSerializationContext& ctx, const CXmlElement* element,
                                   const CXmlElement* current, bool choiceMember);
    const CXmlElement* ProcessElementSeqFromXml(const CXmlSerializationContext& ctx,
                                                const CXmlElement* element,
                                                const CXmlElement* current,
                                                QbXmlLib5Data::XmlElementType classType);
    const CXmlElement* ProcessElementChoiceFromXml(const CXmlSerializationContext& ctx,
                                                   const CXmlElement* element,
                                                   const CXmlElement* current,
                                                   QbXmlLib5Data::XmlElementType classType,
                                                   bool choiceMember);
    const CXmlElement* ProcessElementAllFromXml(const CXmlSerializationContext& ctx,
                                                const CXmlElement* element,
                                                const CXmlElement* current,
                                                QbXmlLib5Data::XmlElementType classType);
    // Offers `current` to the records in order until one consumes it.
    bool OfferToRecords(const CXmlSerializationContext& ctx, const CXmlElement* element,
                        const CXmlElement*& current, QbXmlLib5Data::XmlElementType classType);
    // The nil form of the element: attributes, xsi:nil, no content.
    void WriteNil(CXmlWriter* writer, const std::string& namespaceUri,
                  const CXmlSerializationContext& ctx) const;
    // Whether `element` says xsi:nil="true"; throws for an invalid value.
    static bool ReadsAsNil(const CXmlElement* element);

    bool m_nil = false;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLGENERATEDCLASS_H
