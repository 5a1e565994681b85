// CAttributeInfo: metadata of one attribute of a generated class, and its
// three kinds: a primitive value, an enumeration, and an xs:anyAttribute
// wildcard whose property is a CAttributeCol.
#ifndef QBXMLLIB5_BINDING_CATTRIBUTEINFO_H
#define QBXMLLIB5_BINDING_CATTRIBUTEINFO_H

#include <string>

#include "binding/CElementInfo.h"
#include "core/CXmlSerializationContext.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {
class CXmlAttribute;
}

namespace QbXmlLib5Data {

class CAttributeInfo : public TRecordMarks<CAttributeInfo> {
public:
    CAttributeInfo(const char* attributeName, const char* attributeNamespace, int propertyIndex,
                   bool optional);
    CAttributeInfo(const CAttributeInfo& other) = default;
    virtual ~CAttributeInfo();

    // Slot 1: writes the attribute of `object`.
    virtual void AttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                const QbXmlLib5::CXmlGeneratedClass* object,
                                QbXmlLib5::CXmlWriter* writer) const = 0;
    // Slot 2: whether the record consumed `attribute`.
    virtual bool AttributeFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                                  QbXmlLib5::CXmlGeneratedClass* object,
                                  const QbXmlLib5::CXmlAttribute* attribute) = 0;
    // Slot 3: after all attributes were offered; throws for a missing
    // mandatory attribute.
    virtual void Validate(const QbXmlLib5::CXmlSerializationContext& ctx, bool found) const = 0;
    // Whether the record is an attribute wildcard, offered only what no
    // declared attribute takes.
    virtual bool IsWildcard() const { return false; }

    const std::string& GetAttributeName() const { return m_name; }
    const std::string& GetAttributeNamespace() const { return m_namespace; }
    int GetPropertyIndex() const { return m_propertyIndex; }
    bool IsOptional() const { return m_optional; }

    // Local name equal, and the namespace equal unless the context ignores
    // namespaces.
    bool IsThisAttribute(const QbXmlLib5::CXmlSerializationContext& ctx,
                         const QbXmlLib5::CXmlAttribute* attribute) const;
    void AccessProperty(QbXmlLib5::CXmlGeneratedClass* object, bool read,
                        QbXmlLib5::QbVariant& value) const;
    void ReadProperty(const QbXmlLib5::CXmlGeneratedClass* object,
                      QbXmlLib5::QbVariant& value) const;

    // Bridges to protected operations of another object.
    static std::string GetTargetNamespace(QbXmlLib5::CXmlObjectBase* object);
    static void TestNamespace(const std::string& namespaceUri, const std::string& restriction,
                              const std::string& targetNamespace);
    static void ToXml_Int(const QbXmlLib5::CXmlObjectBase* object, QbXmlLib5::CXmlWriter* writer,
                          bool isRoot, const char* namespaceUri,
                          const QbXmlLib5::CXmlSerializationContext& ctx);

protected:
    // The mandatory-attribute check shared by the primitive and enumerated
    // kinds.
    void ValidatePresence(bool found) const;
    // Writes the attribute, its name checked once, here.
    void WriteAttribute(QbXmlLib5::CXmlWriter* writer, const std::string& value) const;

private:
    std::string m_name;
    std::string m_namespace;
    bool m_nameChecked;  // m_name is an ASCII XML name
    int m_propertyIndex;
    bool m_optional;
};

class CAttributeInfoPrimitive : public CAttributeInfo {
public:
    CAttributeInfoPrimitive(const char* attributeName, const char* attributeNamespace,
                            int propertyIndex, bool optional, QbXmlLib5::ItemType itemType,
                            const char* format,
                            QbXmlLib5::CWhitespaceUtils::WhitespaceRule whitespaceRule,
                            const QbXmlLib5::CPrimitiveRestrictions& restrictions);
    CAttributeInfoPrimitive(const CAttributeInfoPrimitive& other) = default;

    void AttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        const QbXmlLib5::CXmlGeneratedClass* object,
                        QbXmlLib5::CXmlWriter* writer) const override;
    bool AttributeFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                          QbXmlLib5::CXmlGeneratedClass* object,
                          const QbXmlLib5::CXmlAttribute* attribute) override;
    void Validate(const QbXmlLib5::CXmlSerializationContext& ctx, bool found) const override;

    // Checks the value against the facets (throws on a violation).
    void CheckRestriction(const QbXmlLib5::QbVariant& value) const;

private:
    QbXmlLib5::ItemType m_itemType;
    const char* m_format;  // not owned
    QbXmlLib5::CWhitespaceUtils::WhitespaceRule m_whitespaceRule;
    QbXmlLib5::CPrimitiveRestrictions m_restrictions;
};

class CAttributeInfoEnum : public CAttributeInfo {
public:
    CAttributeInfoEnum(const char* attributeName, const char* attributeNamespace, int propertyIndex,
                       bool optional, EnumToStringFunction toString,
                       EnumFromStringFunction fromString);
    CAttributeInfoEnum(const CAttributeInfoEnum& other) = default;

    void AttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        const QbXmlLib5::CXmlGeneratedClass* object,
                        QbXmlLib5::CXmlWriter* writer) const override;
    bool AttributeFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                          QbXmlLib5::CXmlGeneratedClass* object,
                          const QbXmlLib5::CXmlAttribute* attribute) override;
    void Validate(const QbXmlLib5::CXmlSerializationContext& ctx, bool found) const override;

private:
    EnumToStringFunction m_toString;
    EnumFromStringFunction m_fromString;
};

// xs:anyAttribute: every attribute whose namespace passes the restriction is
// added to the CAttributeCol held by the property.
class CAttributeInfoAny : public CAttributeInfo {
public:
    CAttributeInfoAny(const char* attributeName, const char* attributeNamespace, int propertyIndex,
                      bool optional, const char* namespaceRestriction, const char* targetNamespace);
    CAttributeInfoAny(const CAttributeInfoAny& other) = default;

    void AttributeToXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                        const QbXmlLib5::CXmlGeneratedClass* object,
                        QbXmlLib5::CXmlWriter* writer) const override;
    bool AttributeFromXml(const QbXmlLib5::CXmlSerializationContext& ctx,
                          QbXmlLib5::CXmlGeneratedClass* object,
                          const QbXmlLib5::CXmlAttribute* attribute) override;
    void Validate(const QbXmlLib5::CXmlSerializationContext& ctx, bool found) const override;
    bool IsWildcard() const override { return true; }

private:
    std::string m_namespaceRestriction;
    std::string m_targetNamespace;
};

}  // namespace QbXmlLib5Data

#endif  // QBXMLLIB5_BINDING_CATTRIBUTEINFO_H
