// The non-template part of the element records: fields, matching, property
// access, the bridges and the write behaviours shared by the family.
#include "binding/CElementInfo.h"

#include "binding/CElementCol.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlNameCheck.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5Data {

using namespace QbXmlLib5;

namespace {

const char* Safe(const char* text) { return text ? text : ""; }

// Reads the record's property into a fresh variant.
QbVariant Read(const CElementInfo& record, const CXmlGeneratedClass* object) {
    QbVariant value;
    record.ReadProperty(object, value);
    return value;
}

}  // namespace

CElementInfo::CElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex)
    : m_name(Safe(elementName)),
      m_namespace(Safe(elementNamespace)),
      m_nameChecked(IsAsciiXmlNCName(m_name)),
      m_propertyIndex(propertyIndex),
      m_itemType(it_none),
      m_format(nullptr),
      m_whitespaceRule(CWhitespaceUtils::WhitespaceRule_Preserve),
      m_isPrimitive(false) {}

CElementInfo::CElementInfo(const char* elementName, const char* elementNamespace, int propertyIndex,
                           ItemType itemType, const char* format,
                           CWhitespaceUtils::WhitespaceRule whitespaceRule,
                           const CPrimitiveRestrictions& restrictions)
    : m_name(Safe(elementName)),
      m_namespace(Safe(elementNamespace)),
      m_nameChecked(IsAsciiXmlNCName(m_name)),
      m_propertyIndex(propertyIndex),
      m_restrictions(restrictions),
      m_itemType(itemType),
      m_format(format),
      m_whitespaceRule(whitespaceRule),
      m_isPrimitive(true) {}

CElementInfo::~CElementInfo() = default;

void CElementInfo::PseudoChildAttributeToXml(const CXmlSerializationContext& /*ctx*/,
                                             const CXmlGeneratedClass* /*object*/,
                                             CXmlWriter* /*writer*/) const {}

bool CElementInfo::IsThisElement(const CXmlSerializationContext& ctx,
                                 const CXmlElement* element) const {
    if (!element || element->GetLocalName() != m_name) return false;
    return ctx.GetIgnoreNamespaces() || element->GetNamespaceURI() == m_namespace;
}

void CElementInfo::CheckRestriction(const QbVariant& value) const {
    if (!m_isPrimitive) {
        throw CQbException("Cannot CheckRestriction for type: " + value.GetType());
    }
    CheckPrimitiveValue(m_itemType, m_restrictions, m_name.c_str(), value);
}

void CElementInfo::AccessProperty(CXmlGeneratedClass* object, bool read, QbVariant& value) const {
    object->AccessProperty(m_propertyIndex, read, value);
}

void CElementInfo::ReadProperty(const CXmlGeneratedClass* object, QbVariant& value) const {
    object->ReadProperty(m_propertyIndex, value);
}

const CXmlElement* CElementInfo::FromXml_Int(CXmlObjectBase* object, const CXmlElement* element,
                                             const CXmlElement* current,
                                             const CXmlSerializationContext& ctx,
                                             bool choiceMember) {
    return object->FromXml_Int(element, current, ctx, choiceMember);
}

void CElementInfo::CheckWildcardElement(const CXmlSerializationContext& ctx,
                                        const CXmlElement* element) const {
    if (const CGlobalDeclarations* globals = GetGlobalDeclarations()) {
        globals->CheckElement(element, GetProcessContents(), ctx);
    }
}

const CXmlElement* CElementInfo::ReadNamedElements(
    CXmlObjectBase* collection, const std::string& name, const std::string& namespaceUri,
    const CXmlElement* element, const CXmlElement* current, const CXmlSerializationContext& ctx) {
    auto* elements = dynamic_cast<CElementCol*>(collection->GetBase());
    if (!elements) return FromXml_Int(collection, element, current, ctx, false);
    return elements->FromXmlLockElementName_Int(name, namespaceUri, element, current, ctx);
}

void CElementInfo::AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                       const CXmlSerializationContext& ctx) const {
    CXmlObjectBase::AttributesToXml_Int(object, writer, ctx);
}

bool CElementInfo::NamespaceAllowed(const std::string& namespaceUri, const std::string& restriction,
                                    const std::string& targetNamespace) {
    return CXmlObjectBase::NamespaceAllowed(namespaceUri.c_str(), restriction.c_str(),
                                            targetNamespace.c_str());
}

std::string CElementInfo::GetAnyDefaultNamespace(const std::string& restriction,
                                                 const std::string& a, const std::string& b) {
    if (restriction == "##any") return a;
    if (restriction == "##other") return a.empty() ? "DefaultNamespace" : "";
    if (restriction == "##local") return "";
    if (restriction == "##targetNamespace") return b;
    const std::size_t blank = restriction.find(' ');
    if (blank != std::string::npos && restriction.size() >= 3 &&
        restriction.compare(0, 2, "##") == 0) {
        return GetAnyDefaultNamespace(restriction.substr(0, blank), a, b);
    }
    return "";
}

bool CElementInfo::ElementToXmlCls(const CXmlSerializationContext& ctx,
                                   const CXmlGeneratedClass* object, CXmlWriter* writer,
                                   bool choiceMember) const {
    const QbVariant value = Read(*this, object);
    if (value.GetKind() != it_XmlObject) return false;
    const CSmartPtr<CXmlObjectBase> child = value.GetXmlObject();
    if (!child) return false;
    CXmlGeneratedClass::CheckNilWritable(child, m_nillable);
    CXmlObjectBase::ToXml_Int(child, writer, false, m_namespace.c_str(), ctx, choiceMember);
    return true;
}

bool CElementInfo::ElementToXmlCol(const CXmlSerializationContext& ctx,
                                   const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    // A collection not created yet is empty: writing creates none.
    const CSmartPtr<CXmlCollectionBase> items = object->PeekCollection(m_propertyIndex);
    if (!items || items->GetCount() <= 0) return false;
    CXmlObjectBase::ToXml_Int(items, writer, false, m_namespace.c_str(), ctx, false);
    return true;
}

void CElementInfo::WriteStartElement(CXmlWriter* writer) const {
    if (m_nameChecked) {
        writer->WriteStartCheckedElement(m_name, m_namespace);
    } else {
        writer->WriteStartElement(m_name, m_namespace);
    }
}

bool CElementInfo::ElementToXmlPrim(const CXmlSerializationContext& /*ctx*/,
                                    const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    const QbVariant value = Read(*this, object);
    if (!value.IsValid()) return false;
    // A string is written as it is held (its text form is itself); the
    // pattern of another kind is matched against the text written.
    if (value.GetKind() == it_string) {
        CheckRestriction(value);
        WriteStartElement(writer);
        writer->WriteText(value.GetStringRef());
    } else {
        const std::string text = value.ToString(m_format);
        CheckPrimitiveValue(m_itemType, m_restrictions, m_name.c_str(), value, text);
        WriteStartElement(writer);
        writer->WriteText(text);
    }
    writer->WriteEndElement();
    return true;
}

bool CElementInfo::ElementToXmlPrimOpt(const CXmlSerializationContext& ctx,
                                       const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    return ElementToXmlPrim(ctx, object, writer);
}

bool CElementInfo::ElementToXmlEnum(const CXmlSerializationContext& /*ctx*/,
                                    const CXmlGeneratedClass* object, CXmlWriter* writer,
                                    EnumToStringFunction toString) const {
    const QbVariant value = Read(*this, object);
    if (!value.IsValid()) return false;
    WriteStartElement(writer);
    writer->WriteText(Safe(toString(value.GetI4())));
    writer->WriteEndElement();
    return true;
}

bool CElementInfo::ElementToXmlEnumOpt(const CXmlSerializationContext& ctx,
                                       const CXmlGeneratedClass* object, CXmlWriter* writer,
                                       EnumToStringFunction toString) const {
    return ElementToXmlEnum(ctx, object, writer, toString);
}

void CElementInfo::StorePrimitive(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                  const CXmlElement* element) const {
    QbVariant value;
    value.FromString(element->GetText(), m_itemType, m_whitespaceRule);
    if (!ctx.GetIgnoreInvalidValues()) {
        CheckPrimitiveText(m_itemType, m_restrictions, m_name.c_str(), value, element->GetText(),
                           m_whitespaceRule);
    }
    if (GetIdentity() != NoIdentity) {
        CDocumentIds::Register(GetIdentity(), value.ToString(), m_name.c_str());
    }
    AccessProperty(object, false, value);
}

bool CElementInfoSeq::Validate(const CXmlSerializationContext& /*ctx*/,
                               const CXmlGeneratedClass* /*object*/, bool /*found*/,
                               bool /*checkMissing*/) const {
    throw CQbException("Not implemented, should never be called");
}

bool CElementInfoChoice::Validate(const CXmlSerializationContext& /*ctx*/,
                                  const CXmlGeneratedClass* /*object*/, bool /*found*/,
                                  bool /*checkMissing*/) const {
    throw CQbException("Not implemented, should never be called");
}

}  // namespace QbXmlLib5Data
