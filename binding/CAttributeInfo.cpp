#include "binding/CAttributeInfo.h"

#include "binding/CAttributeCol.h"
#include "binding/CDocumentIds.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlNameCheck.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5Data {

using namespace QbXmlLib5;

namespace {

const char* Safe(const char* text) { return text ? text : ""; }

QbVariant Read(const CAttributeInfo& record, const CXmlGeneratedClass* object) {
    QbVariant value;
    record.ReadProperty(object, value);
    return value;
}

}  // namespace

CAttributeInfo::CAttributeInfo(const char* attributeName, const char* attributeNamespace,
                               int propertyIndex, bool optional)
    : m_name(Safe(attributeName)),
      m_namespace(Safe(attributeNamespace)),
      m_nameChecked(IsAsciiXmlNCName(m_name)),
      m_propertyIndex(propertyIndex),
      m_optional(optional) {}

CAttributeInfo::~CAttributeInfo() = default;

void CAttributeInfo::WriteAttribute(CXmlWriter* writer, const std::string& value) const {
    if (m_nameChecked) {
        writer->WriteCheckedAttribute(m_name, m_namespace, value);
    } else {
        writer->WriteAttribute(m_name, m_namespace, value);
    }
}

bool CAttributeInfo::IsThisAttribute(const CXmlSerializationContext& ctx,
                                     const CXmlAttribute* attribute) const {
    if (!attribute || attribute->GetLocalName() != m_name) return false;
    return ctx.GetIgnoreNamespaces() || attribute->GetNamespaceURI() == m_namespace;
}

void CAttributeInfo::AccessProperty(CXmlGeneratedClass* object, bool read, QbVariant& value) const {
    object->AccessProperty(m_propertyIndex, read, value);
}

void CAttributeInfo::ReadProperty(const CXmlGeneratedClass* object, QbVariant& value) const {
    object->ReadProperty(m_propertyIndex, value);
}

std::string CAttributeInfo::GetTargetNamespace(CXmlObjectBase* object) {
    return object->GetTargetNamespace();
}

void CAttributeInfo::TestNamespace(const std::string& namespaceUri, const std::string& restriction,
                                   const std::string& targetNamespace) {
    CXmlObjectBase::CheckNamespace(namespaceUri.c_str(), restriction.c_str(),
                                   targetNamespace.c_str());
}

void CAttributeInfo::ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isRoot,
                               const char* namespaceUri, const CXmlSerializationContext& ctx) {
    CXmlObjectBase::ToXml_Int(object, writer, isRoot, namespaceUri, ctx, false);
}

void CAttributeInfo::ValidatePresence(bool found) const {
    if (!m_optional && !found) {
        throw CQbValidationException(
            FormatString("Failed to find the required Attribute [%s]", m_name.c_str()));
    }
}

CAttributeInfoPrimitive::CAttributeInfoPrimitive(const char* attributeName,
                                                 const char* attributeNamespace, int propertyIndex,
                                                 bool optional, ItemType itemType,
                                                 const char* format,
                                                 CWhitespaceUtils::WhitespaceRule whitespaceRule,
                                                 const CPrimitiveRestrictions& restrictions)
    : CAttributeInfo(attributeName, attributeNamespace, propertyIndex, optional),
      m_itemType(itemType),
      m_format(format),
      m_whitespaceRule(whitespaceRule),
      m_restrictions(restrictions) {}

void CAttributeInfoPrimitive::AttributeToXml(const CXmlSerializationContext& /*ctx*/,
                                             const CXmlGeneratedClass* object,
                                             CXmlWriter* writer) const {
    const QbVariant value = Read(*this, object);
    if (IsOptional() && !value.IsValid()) return;
    if (value.GetKind() == it_string) {
        CheckRestriction(value);
        WriteAttribute(writer, value.GetStringRef());
    } else {
        // The pattern of a kind other than string holds for the text written.
        const std::string text = value.ToString(m_format);
        CheckPrimitiveValue(m_itemType, m_restrictions, GetAttributeName().c_str(), value, text);
        WriteAttribute(writer, text);
    }
}

bool CAttributeInfoPrimitive::AttributeFromXml(const CXmlSerializationContext& ctx,
                                               CXmlGeneratedClass* object,
                                               const CXmlAttribute* attribute) {
    // Primitive attributes always match their namespace exactly.
    if (attribute->GetLocalName() != GetAttributeName() ||
        attribute->GetNamespaceURI() != GetAttributeNamespace()) {
        return false;
    }
    QbVariant value;
    value.FromString(attribute->GetValue(), m_itemType, m_whitespaceRule);
    if (!ctx.GetIgnoreInvalidValues()) {
        CheckPrimitiveText(m_itemType, m_restrictions, GetAttributeName().c_str(), value,
                           attribute->GetValue(), m_whitespaceRule);
    }
    if (GetIdentity() != NoIdentity) {
        CDocumentIds::Register(GetIdentity(), value.ToString(), GetAttributeName().c_str());
    }
    AccessProperty(object, false, value);
    return true;
}

void CAttributeInfoPrimitive::Validate(const CXmlSerializationContext& /*ctx*/, bool found) const {
    ValidatePresence(found);
}

void CAttributeInfoPrimitive::CheckRestriction(const QbVariant& value) const {
    CheckPrimitiveValue(m_itemType, m_restrictions, GetAttributeName().c_str(), value);
}

CAttributeInfoEnum::CAttributeInfoEnum(const char* attributeName, const char* attributeNamespace,
                                       int propertyIndex, bool optional,
                                       EnumToStringFunction toString,
                                       EnumFromStringFunction fromString)
    : CAttributeInfo(attributeName, attributeNamespace, propertyIndex, optional),
      m_toString(toString),
      m_fromString(fromString) {}

void CAttributeInfoEnum::AttributeToXml(const CXmlSerializationContext& /*ctx*/,
                                        const CXmlGeneratedClass* object,
                                        CXmlWriter* writer) const {
    const QbVariant value = Read(*this, object);
    if (IsOptional() && !value.IsValid()) return;
    WriteAttribute(writer, Safe(m_toString(value.GetI4())));
}

bool CAttributeInfoEnum::AttributeFromXml(const CXmlSerializationContext& ctx,
                                          CXmlGeneratedClass* object,
                                          const CXmlAttribute* attribute) {
    if (!IsThisAttribute(ctx, attribute)) return false;
    QbVariant value;
    value.SetI4(m_fromString(attribute->GetValue().c_str()));
    AccessProperty(object, false, value);
    return true;
}

void CAttributeInfoEnum::Validate(const CXmlSerializationContext& /*ctx*/, bool found) const {
    ValidatePresence(found);
}

CAttributeInfoAny::CAttributeInfoAny(const char* attributeName, const char* attributeNamespace,
                                     int propertyIndex, bool optional,
                                     const char* namespaceRestriction, const char* targetNamespace)
    : CAttributeInfo(attributeName, attributeNamespace, propertyIndex, optional),
      m_namespaceRestriction(Safe(namespaceRestriction)),
      m_targetNamespace(Safe(targetNamespace)) {}

namespace {

CSmartPtr<CAttributeCol> HeldAttributes(const CAttributeInfo& record,
                                        const CXmlGeneratedClass* object) {
    QbVariant value;
    record.ReadProperty(object, value);
    CSmartPtr<CXmlCollectionBase> items;
    if (value.GetKind() == it_XmlCollection) items = value.GetXmlCollection();
    if (!items) return nullptr;
    auto* attributes = dynamic_cast<CAttributeCol*>(items->GetBase());
    if (!attributes) {
        throw CQbException(
            "Serialization Data Error : The collection should be a CAttributeCol, it was not!");
    }
    return attributes;
}

}  // namespace

void CAttributeInfoAny::AttributeToXml(const CXmlSerializationContext& ctx,
                                       const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    const CSmartPtr<CAttributeCol> attributes = HeldAttributes(*this, object);
    if (!attributes) return;
    const std::string target = GetTargetNamespace(const_cast<CXmlGeneratedClass*>(object));
    ToXml_Int(attributes, writer, false, target.c_str(), ctx);
}

bool CAttributeInfoAny::AttributeFromXml(const CXmlSerializationContext& /*ctx*/,
                                         CXmlGeneratedClass* object,
                                         const CXmlAttribute* attribute) {
    TestNamespace(attribute->GetNamespaceURI(), m_namespaceRestriction, m_targetNamespace);
    if (const CGlobalDeclarations* globals = GetGlobalDeclarations()) {
        globals->CheckAttribute(attribute->GetLocalName(), attribute->GetNamespaceURI(),
                                attribute->GetValue(), GetProcessContents());
    }
    const CSmartPtr<CAttributeCol> attributes = HeldAttributes(*this, object);
    if (!attributes) {
        throw CQbException(
            "Serialization Data Error : The collection should be a CAttributeCol, it was not!");
    }
    attributes->Add(attribute->GetLocalName().c_str(), attribute->GetValue().c_str(),
                    attribute->GetNamespaceURI().c_str());
    return true;
}

void CAttributeInfoAny::Validate(const CXmlSerializationContext& /*ctx*/, bool /*found*/) const {}

}  // namespace QbXmlLib5Data
