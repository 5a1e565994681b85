// CElementInfo: metadata of one child element of a generated class, and the
// record family built on it.
//
// A record knows its item's XML name and namespace, the index of the property
// that holds it, and how to move the value between that property and XML.
// The family is named CElementInfo + group (Seq, Choice, All) + item kind
// (Cls, AbsCls, Prim, Enum, Untpd) + cardinality (Mnd, Opt, Col). The names
// below are aliases of three templates:
//   TElementInfo<group, kind, cardinality>  single members (Mnd, Opt),
//   TElementInfoCol<group>                  a member held as a collection,
//   TElementInfoTypedCol<group, kind>       the same, typed by item kind.
// Records are built once per generated class and are immutable afterwards.
#ifndef QBXMLLIB5_BINDING_CELEMENTINFO_H
#define QBXMLLIB5_BINDING_CELEMENTINFO_H

#include <string>
#include <type_traits>

#include "binding/CParentElementInfo.h"
#include "binding/TRecordMarks.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {
class CXmlGeneratedClass;
class CXmlWriter;
class CXmlElement;
}  // namespace QbXmlLib5

namespace QbXmlLib5Data {

// Creates the object of an ordinary class member: (class selector, element
// name) -> new object.
typedef CSmartPtr<QbXmlLib5::CXmlObjectBase> (*ClassFactoryFunction)(int classSelector,
                                                                     const char* elementName);
// Chooses and creates the concrete class of an abstract or substitutable
// member from the element being read (normally from its xsi:type); null when
// no class fits.
typedef CSmartPtr<QbXmlLib5::CXmlObjectBase> (*AbstractClassFactoryFunction)(
    const QbXmlLib5::CXmlElement* element);
typedef const char* (*EnumToStringFunction)(int value);
typedef int (*EnumFromStringFunction)(const char* text);

class CElementInfo : public TRecordMarks<CElementInfo> {
public:
    virtual ~CElementInfo();

    // Slot 1: writes the member of `object`; whether anything was written.
    virtual bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                              const QbXmlLib5::CXmlGeneratedClass* object,
                              QbXmlLib5::CXmlWriter* writer) const = 0;
    // Slot 2: reads the member from *current (a child of `element`), moving
    // *current past what it consumed.
    virtual bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                QbXmlLib5::CXmlGeneratedClass* object,
                                const QbXmlLib5::CXmlElement* element,
                                const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                                XmlElementType classType) = 0;
    // Slot 3: the check after an all-group was read.
    virtual bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                          const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                          bool checkMissing) const = 0;
    // Slot 4: writes the attributes of a model-group member onto the element
    // being written; nothing here.
    virtual void PseudoChildAttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                           const QbXmlLib5::CXmlGeneratedClass* object,
                                           QbXmlLib5::CXmlWriter* writer) const;

    // Marks the record's element as declared nillable (xsi:nil allowed);
    // called once, where the record is built. Returns the record.
    CElementInfo* SetNillable() {
        m_nillable = true;
        return this;
    }
    bool IsNillable() const { return m_nillable; }
    // Checks an element the wildcard took, as its processContents says.
    void CheckWildcardElement(const QbXmlLib5::CXmlSerializationContext& ctx,
                              const QbXmlLib5::CXmlElement* element) const;

    std::string GetElementName() const { return m_name; }
    const std::string& GetElementNameRef() const { return m_name; }
    std::string GetElementNamespace() const { return m_namespace; }
    int GetPropertyIndex() const { return m_propertyIndex; }
    bool IsPrimitive() const { return m_isPrimitive; }
    QbXmlLib5::ItemType GetItemType() const { return m_itemType; }

    // Whether the record reads only elements of its own name: false for
    // wildcards, substitution groups and model groups, which read elements
    // named otherwise from the enclosing element's children.
    bool TakesOwnNameOnly() const;
    // For a member of a generated class with its own element: a new object
    // of the class reading gives it (the member's declared class). Null for
    // any other record.
    CSmartPtr<QbXmlLib5::CXmlObjectBase> NewMemberObject() const;
    // Not null, same local name, and the same namespace unless the context
    // ignores namespaces.
    bool IsThisElement(const QbXmlLib5::CXmlSerializationContext& ctx,
                       const QbXmlLib5::CXmlElement* element) const;
    // Checks a primitive value against the record's facets; any other record
    // throws.
    void CheckRestriction(const QbXmlLib5::QbVariant& value) const;
    void AccessProperty(QbXmlLib5::CXmlGeneratedClass* object, bool read,
                        QbXmlLib5::QbVariant& value) const;
    void ReadProperty(const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::QbVariant& value) const;

    // Bridges to the protected operations of another object.
    static const QbXmlLib5::CXmlElement* FromXml_Int(QbXmlLib5::CXmlObjectBase* object,
                                                     const QbXmlLib5::CXmlElement* element,
                                                     const QbXmlLib5::CXmlElement* current,
                                                     const QbXmlLib5::CXmlSerializationContext& ctx,
                                                     bool choiceMember);
    void AttributesToXml_Int(const QbXmlLib5::CXmlObjectBase* object, QbXmlLib5::CXmlWriter* writer,
                             const QbXmlLib5::CXmlSerializationContext& ctx) const;
    // Lets an untyped collection read the run of siblings named exactly
    // name and namespaceUri; the first element not read.
    static const QbXmlLib5::CXmlElement* ReadNamedElements(
        QbXmlLib5::CXmlObjectBase* collection, const std::string& name,
        const std::string& namespaceUri, const QbXmlLib5::CXmlElement* element,
        const QbXmlLib5::CXmlElement* current, const QbXmlLib5::CXmlSerializationContext& ctx);

    // The wildcard namespace test (CXmlObjectBase::IsNamespaceValid).
    static bool NamespaceAllowed(const std::string& namespaceUri, const std::string& restriction,
                                 const std::string& targetNamespace);
    // The namespace a new untyped wildcard element receives: `a` is the
    // generated object's namespace, `b` the record's target namespace.
    static std::string GetAnyDefaultNamespace(const std::string& restriction, const std::string& a,
                                              const std::string& b);

protected:
    // A record of any non-primitive kind.
    CElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex);
    // A primitive record.
    CElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 QbXmlLib5::ItemType itemType, const char* format,
                 QbXmlLib5::CWhitespaceUtils::WhitespaceRule whitespaceRule,
                 const QbXmlLib5::CPrimitiveRestrictions& restrictions);
    CElementInfo(const CElementInfo& other) = default;
    CElementInfo& operator=(const CElementInfo& other) = delete;

    // The write behaviours shared by the family.
    bool ElementToXmlCls(const QbXmlLib5::CXmlSerializationContext& ctx,
                         const QbXmlLib5::CXmlGeneratedClass* object, QbXmlLib5::CXmlWriter* writer,
                         bool choiceMember) const;
    bool ElementToXmlCol(const QbXmlLib5::CXmlSerializationContext& ctx,
                         const QbXmlLib5::CXmlGeneratedClass* object,
                         QbXmlLib5::CXmlWriter* writer) const;
    bool ElementToXmlPrim(const QbXmlLib5::CXmlSerializationContext& ctx,
                          const QbXmlLib5::CXmlGeneratedClass* object,
                          QbXmlLib5::CXmlWriter* writer) const;
    bool ElementToXmlPrimOpt(const QbXmlLib5::CXmlSerializationContext& ctx,
                             const QbXmlLib5::CXmlGeneratedClass* object,
                             QbXmlLib5::CXmlWriter* writer) const;
    bool ElementToXmlEnum(const QbXmlLib5::CXmlSerializationContext& ctx,
                          const QbXmlLib5::CXmlGeneratedClass* object,
                          QbXmlLib5::CXmlWriter* writer, EnumToStringFunction toString) const;
    bool ElementToXmlEnumOpt(const QbXmlLib5::CXmlSerializationContext& ctx,
                             const QbXmlLib5::CXmlGeneratedClass* object,
                             QbXmlLib5::CXmlWriter* writer, EnumToStringFunction toString) const;

    // Parses the text of `element` with the record's item type and
    // whitespace rule, checks it against the facets (unless the context
    // ignores invalid values) and stores it.
    void StorePrimitive(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element) const;

private:
    // Starts the record's element, its name checked once, here.
    void WriteStartElement(QbXmlLib5::CXmlWriter* writer) const;

    std::string m_name;
    std::string m_namespace;
    bool m_nameChecked;  // m_name is an ASCII XML name
    int m_propertyIndex;
    QbXmlLib5::CPrimitiveRestrictions m_restrictions;
    QbXmlLib5::ItemType m_itemType;
    const char* m_format;  // not owned
    QbXmlLib5::CWhitespaceUtils::WhitespaceRule m_whitespaceRule;
    bool m_isPrimitive;
    bool m_nillable = false;
};

// The group bases. Validate of sequences and choices is never called.
class CElementInfoSeq : public CElementInfo {
public:
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;

protected:
    using CElementInfo::CElementInfo;
};

class CElementInfoChoice : public CElementInfo {
public:
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;

protected:
    using CElementInfo::CElementInfo;
};

class CElementInfoAll : public CElementInfo {
protected:
    using CElementInfo::CElementInfo;
};

template <XmlElementGroupType G>
using TGroupBase =
    std::conditional_t<G == Seq, CElementInfoSeq,
                       std::conditional_t<G == Choice, CElementInfoChoice, CElementInfoAll>>;

enum class RecordKind { Cls, AbsCls, Prim, Enum, Untpd };
enum class RecordCard { Mnd, Opt };

// Single members; specialised by item kind below.
template <XmlElementGroupType G, RecordKind K, RecordCard C>
class TElementInfo;

// Members of a generated class type, created by a class factory (Opt) or
// already held by the property (Mnd).
template <XmlElementGroupType G, RecordCard C>
class TElementInfo<G, RecordKind::Cls, C> : public TGroupBase<G> {
public:
    // Opt: (type, factory, selector).
    template <RecordCard X = C, std::enable_if_t<X == RecordCard::Opt, int> = 0>
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 XmlElementType elementType, ClassFactoryFunction factory, int classSelector)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex),
          m_elementType(elementType),
          m_presence(false),
          m_factory(factory),
          m_classSelector(classSelector) {}
    // Mnd: (type, factory, selector, presence flag).
    template <RecordCard X = C, std::enable_if_t<X == RecordCard::Mnd, int> = 0>
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 XmlElementType elementType, ClassFactoryFunction factory, int classSelector,
                 bool presence)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex),
          m_elementType(elementType),
          m_presence(presence),
          m_factory(factory),
          m_classSelector(classSelector) {}
    TElementInfo(const TElementInfo& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;
    void PseudoChildAttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                   const QbXmlLib5::CXmlGeneratedClass* object,
                                   QbXmlLib5::CXmlWriter* writer) const override;

    XmlElementType GetElementType() const { return m_elementType; }
    // A new object of the member's class, as reading creates it; null
    // without a factory.
    CSmartPtr<QbXmlLib5::CXmlObjectBase> Create() const;

private:
    bool ReadMandatory(const QbXmlLib5::CXmlSerializationContext& ctx,
                       QbXmlLib5::CXmlGeneratedClass* object, const QbXmlLib5::CXmlElement* element,
                       const QbXmlLib5::CXmlElement** current, XmlElementType classType);
    bool ReadOptional(const QbXmlLib5::CXmlSerializationContext& ctx,
                      QbXmlLib5::CXmlGeneratedClass* object, const QbXmlLib5::CXmlElement* element,
                      const QbXmlLib5::CXmlElement** current);

    XmlElementType m_elementType;
    bool m_presence;
    ClassFactoryFunction m_factory;
    int m_classSelector;
};

// Members whose concrete class is chosen from the element being read.
template <XmlElementGroupType G, RecordCard C>
class TElementInfo<G, RecordKind::AbsCls, C> : public TGroupBase<G> {
public:
    // `extra` is the additional int of CElementInfoAllAbsClsMnd.
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 XmlElementType elementType, AbstractClassFactoryFunction factory, int extra = 0)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex),
          m_elementType(elementType),
          m_factory(factory),
          m_extra(extra) {}
    TElementInfo(const TElementInfo& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;
    void PseudoChildAttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                   const QbXmlLib5::CXmlGeneratedClass* object,
                                   QbXmlLib5::CXmlWriter* writer) const override;

    XmlElementType GetElementType() const { return m_elementType; }
    // The additional int given to the constructor.
    int GetExtra() const { return m_extra; }

private:
    XmlElementType m_elementType;
    AbstractClassFactoryFunction m_factory;
    int m_extra;
};

// Simple-typed members.
template <XmlElementGroupType G, RecordCard C>
class TElementInfo<G, RecordKind::Prim, C> : public TGroupBase<G> {
public:
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 QbXmlLib5::ItemType itemType, const char* format,
                 QbXmlLib5::CWhitespaceUtils::WhitespaceRule whitespaceRule,
                 const QbXmlLib5::CPrimitiveRestrictions& restrictions)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex, itemType, format,
                        whitespaceRule, restrictions) {}
    TElementInfo(const TElementInfo& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;
};

// Enumerated members, held as their int value.
template <XmlElementGroupType G, RecordCard C>
class TElementInfo<G, RecordKind::Enum, C> : public TGroupBase<G> {
public:
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 EnumToStringFunction toString, EnumFromStringFunction fromString)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex),
          m_toString(toString),
          m_fromString(fromString) {}
    TElementInfo(const TElementInfo& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;

private:
    EnumToStringFunction m_toString;
    EnumFromStringFunction m_fromString;
};

// xs:any members, held as an untyped CElement.
template <XmlElementGroupType G, RecordCard C>
class TElementInfo<G, RecordKind::Untpd, C> : public TGroupBase<G> {
public:
    TElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                 const char* namespaceRestriction, const char* targetNamespace)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex),
          m_namespaceRestriction(namespaceRestriction ? namespaceRestriction : ""),
          m_targetNamespace(targetNamespace ? targetNamespace : "") {}
    TElementInfo(const TElementInfo& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;

private:
    // Whether the record may take `candidate` at all.
    bool TakesElement(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlElement* candidate) const;
    // Lets an untyped element read from *current; whether it consumed.
    bool ReadInto(const QbXmlLib5::CXmlSerializationContext& ctx, QbXmlLib5::CXmlObjectBase* item,
                  const QbXmlLib5::CXmlElement* element,
                  const QbXmlLib5::CXmlElement** current) const;
    bool ReadHeld(const QbXmlLib5::CXmlSerializationContext& ctx,
                  QbXmlLib5::CXmlGeneratedClass* object, const QbXmlLib5::CXmlElement* element,
                  const QbXmlLib5::CXmlElement** current) const;
    bool ReadNew(const QbXmlLib5::CXmlSerializationContext& ctx,
                 QbXmlLib5::CXmlGeneratedClass* object, const QbXmlLib5::CXmlElement* element,
                 const QbXmlLib5::CXmlElement** current) const;
    // A new untyped element to read `source` into.
    CSmartPtr<QbXmlLib5::CXmlObjectBase> NewUntyped(const QbXmlLib5::CXmlElement* source) const;

    std::string m_namespaceRestriction;
    std::string m_targetNamespace;
};

// A member held as a collection: the collection writes and reads its own
// items.
template <XmlElementGroupType G>
class TElementInfoCol : public TGroupBase<G> {
public:
    TElementInfoCol(const char* elementName, const char* elementNamespace, int propertyIndex)
        : TGroupBase<G>(elementName, elementNamespace, propertyIndex) {}
    TElementInfoCol(const TElementInfoCol& other) = default;

    bool ElementToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                      const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::CXmlWriter* writer) const override;
    bool ElementFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        QbXmlLib5::CXmlGeneratedClass* object,
                        const QbXmlLib5::CXmlElement* element,
                        const QbXmlLib5::CXmlElement** current, const char* objectNamespace,
                        XmlElementType classType) override;
    bool Validate(const QbXmlLib5::CXmlSerializationContext& ctx,
                  const QbXmlLib5::CXmlGeneratedClass* object, bool found,
                  bool checkMissing) const override;
};

// Marks the typed collection records, whose minOccurs can excuse an empty
// choice.
class CTypedCollectionRecord {
protected:
    ~CTypedCollectionRecord() = default;
};

template <XmlElementGroupType G, RecordKind K>
class TElementInfoTypedCol : public TElementInfoCol<G>, public CTypedCollectionRecord {
public:
    static constexpr bool kHoldsObjects = K == RecordKind::Cls || K == RecordKind::AbsCls;

    // Collections of simple values and of untyped elements.
    template <bool X = kHoldsObjects, std::enable_if_t<!X, int> = 0>
    TElementInfoTypedCol(const char* elementName, const char* elementNamespace, int propertyIndex)
        : TElementInfoCol<G>(elementName, elementNamespace, propertyIndex),
          m_elementType(Element) {}
    // Collections of generated objects.
    template <bool X = kHoldsObjects, std::enable_if_t<X, int> = 0>
    TElementInfoTypedCol(const char* elementName, const char* elementNamespace, int propertyIndex,
                         XmlElementType elementType)
        : TElementInfoCol<G>(elementName, elementNamespace, propertyIndex),
          m_elementType(elementType) {}
    TElementInfoTypedCol(const TElementInfoTypedCol& other) = default;

    void PseudoChildAttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                   const QbXmlLib5::CXmlGeneratedClass* object,
                                   QbXmlLib5::CXmlWriter* writer) const override;

    XmlElementType GetElementType() const { return m_elementType; }

private:
    XmlElementType m_elementType;
};

// Abstract members of the family: never instantiated.
class CElementInfoSeqNonCol : public CElementInfoSeq {
protected:
    using CElementInfoSeq::CElementInfoSeq;
};
class CElementInfoAllEnumCol : public CElementInfoAll {
protected:
    using CElementInfoAll::CElementInfoAll;
};
class CElementInfoAllNonCol : public CElementInfoAll {
protected:
    using CElementInfoAll::CElementInfoAll;
};

// Sequences.
using CElementInfoSeqClsMnd = TElementInfo<Seq, RecordKind::Cls, RecordCard::Mnd>;
using CElementInfoSeqClsOpt = TElementInfo<Seq, RecordKind::Cls, RecordCard::Opt>;
using CElementInfoSeqAbsClsMnd = TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Mnd>;
using CElementInfoSeqAbsClsOpt = TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Opt>;
using CElementInfoSeqPrimMnd = TElementInfo<Seq, RecordKind::Prim, RecordCard::Mnd>;
using CElementInfoSeqPrimOpt = TElementInfo<Seq, RecordKind::Prim, RecordCard::Opt>;
using CElementInfoSeqEnumMnd = TElementInfo<Seq, RecordKind::Enum, RecordCard::Mnd>;
using CElementInfoSeqEnumOpt = TElementInfo<Seq, RecordKind::Enum, RecordCard::Opt>;
using CElementInfoSeqUntpdMnd = TElementInfo<Seq, RecordKind::Untpd, RecordCard::Mnd>;
using CElementInfoSeqUntpdOpt = TElementInfo<Seq, RecordKind::Untpd, RecordCard::Opt>;
using CElementInfoSeqCol = TElementInfoCol<Seq>;
using CElementInfoSeqClsCol = TElementInfoTypedCol<Seq, RecordKind::Cls>;
using CElementInfoSeqAbsClsCol = TElementInfoTypedCol<Seq, RecordKind::AbsCls>;
using CElementInfoSeqPrimCol = TElementInfoTypedCol<Seq, RecordKind::Prim>;
using CElementInfoSeqEnumCol = TElementInfoTypedCol<Seq, RecordKind::Enum>;
using CElementInfoSeqUntpdCol = TElementInfoTypedCol<Seq, RecordKind::Untpd>;

// Choices: every member is optional.
using CElementInfoChoiceClsOpt = TElementInfo<Choice, RecordKind::Cls, RecordCard::Opt>;
using CElementInfoChoiceAbsClsOpt = TElementInfo<Choice, RecordKind::AbsCls, RecordCard::Opt>;
using CElementInfoChoicePrimOpt = TElementInfo<Choice, RecordKind::Prim, RecordCard::Opt>;
using CElementInfoChoiceEnumOpt = TElementInfo<Choice, RecordKind::Enum, RecordCard::Opt>;
using CElementInfoChoiceUntpdOpt = TElementInfo<Choice, RecordKind::Untpd, RecordCard::Opt>;
using CElementInfoChoiceCol = TElementInfoCol<Choice>;
using CElementInfoChoiceClsCol = TElementInfoTypedCol<Choice, RecordKind::Cls>;
using CElementInfoChoiceAbsClsCol = TElementInfoTypedCol<Choice, RecordKind::AbsCls>;
using CElementInfoChoicePrimCol = TElementInfoTypedCol<Choice, RecordKind::Prim>;
using CElementInfoChoiceEnumCol = TElementInfoTypedCol<Choice, RecordKind::Enum>;
using CElementInfoChoiceUntpdCol = TElementInfoTypedCol<Choice, RecordKind::Untpd>;

// All-groups.
using CElementInfoAllClsMnd = TElementInfo<All, RecordKind::Cls, RecordCard::Mnd>;
using CElementInfoAllClsOpt = TElementInfo<All, RecordKind::Cls, RecordCard::Opt>;
using CElementInfoAllAbsClsMnd = TElementInfo<All, RecordKind::AbsCls, RecordCard::Mnd>;
using CElementInfoAllAbsClsOpt = TElementInfo<All, RecordKind::AbsCls, RecordCard::Opt>;
using CElementInfoAllPrimMnd = TElementInfo<All, RecordKind::Prim, RecordCard::Mnd>;
using CElementInfoAllPrimOpt = TElementInfo<All, RecordKind::Prim, RecordCard::Opt>;
using CElementInfoAllEnumMnd = TElementInfo<All, RecordKind::Enum, RecordCard::Mnd>;
using CElementInfoAllEnumOpt = TElementInfo<All, RecordKind::Enum, RecordCard::Opt>;
using CElementInfoAllUntpdMnd = TElementInfo<All, RecordKind::Untpd, RecordCard::Mnd>;
using CElementInfoAllUntpdOpt = TElementInfo<All, RecordKind::Untpd, RecordCard::Opt>;
using CElementInfoAllCol = TElementInfoCol<All>;
using CElementInfoAllClsCol = TElementInfoTypedCol<All, RecordKind::Cls>;
using CElementInfoAllAbsClsCol = TElementInfoTypedCol<All, RecordKind::AbsCls>;
using CElementInfoAllPrimCol = TElementInfoTypedCol<All, RecordKind::Prim>;
using CElementInfoAllUntpdCol = TElementInfoTypedCol<All, RecordKind::Untpd>;

// The instantiations live in the library.
extern template class TElementInfo<Seq, RecordKind::Cls, RecordCard::Mnd>;
extern template class TElementInfo<Seq, RecordKind::Cls, RecordCard::Opt>;
extern template class TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Mnd>;
extern template class TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Opt>;
extern template class TElementInfo<Seq, RecordKind::Prim, RecordCard::Mnd>;
extern template class TElementInfo<Seq, RecordKind::Prim, RecordCard::Opt>;
extern template class TElementInfo<Seq, RecordKind::Enum, RecordCard::Mnd>;
extern template class TElementInfo<Seq, RecordKind::Enum, RecordCard::Opt>;
extern template class TElementInfo<Seq, RecordKind::Untpd, RecordCard::Mnd>;
extern template class TElementInfo<Seq, RecordKind::Untpd, RecordCard::Opt>;
extern template class TElementInfo<Choice, RecordKind::Cls, RecordCard::Opt>;
extern template class TElementInfo<Choice, RecordKind::AbsCls, RecordCard::Opt>;
extern template class TElementInfo<Choice, RecordKind::Prim, RecordCard::Opt>;
extern template class TElementInfo<Choice, RecordKind::Enum, RecordCard::Opt>;
extern template class TElementInfo<Choice, RecordKind::Untpd, RecordCard::Opt>;
extern template class TElementInfo<All, RecordKind::Cls, RecordCard::Mnd>;
extern template class TElementInfo<All, RecordKind::Cls, RecordCard::Opt>;
extern template class TElementInfo<All, RecordKind::AbsCls, RecordCard::Mnd>;
extern template class TElementInfo<All, RecordKind::AbsCls, RecordCard::Opt>;
extern template class TElementInfo<All, RecordKind::Prim, RecordCard::Mnd>;
extern template class TElementInfo<All, RecordKind::Prim, RecordCard::Opt>;
extern template class TElementInfo<All, RecordKind::Enum, RecordCard::Mnd>;
extern template class TElementInfo<All, RecordKind::Enum, RecordCard::Opt>;
extern template class TElementInfo<All, RecordKind::Untpd, RecordCard::Mnd>;
extern template class TElementInfo<All, RecordKind::Untpd, RecordCard::Opt>;
extern template class TElementInfoCol<Seq>;
extern template class TElementInfoCol<Choice>;
extern template class TElementInfoCol<All>;
extern template class TElementInfoTypedCol<Seq, RecordKind::Cls>;
extern template class TElementInfoTypedCol<Seq, RecordKind::AbsCls>;
extern template class TElementInfoTypedCol<Seq, RecordKind::Prim>;
extern template class TElementInfoTypedCol<Seq, RecordKind::Enum>;
extern template class TElementInfoTypedCol<Seq, RecordKind::Untpd>;
extern template class TElementInfoTypedCol<Choice, RecordKind::Cls>;
extern template class TElementInfoTypedCol<Choice, RecordKind::AbsCls>;
extern template class TElementInfoTypedCol<Choice, RecordKind::Prim>;
extern template class TElementInfoTypedCol<Choice, RecordKind::Enum>;
extern template class TElementInfoTypedCol<Choice, RecordKind::Untpd>;
extern template class TElementInfoTypedCol<All, RecordKind::Cls>;
extern template class TElementInfoTypedCol<All, RecordKind::AbsCls>;
extern template class TElementInfoTypedCol<All, RecordKind::Prim>;
extern template class TElementInfoTypedCol<All, RecordKind::Untpd>;

}  // namespace QbXmlLib5Data

#endif  // QBXMLLIB5_BINDING_CELEMENTINFO_H
