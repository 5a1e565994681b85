// CXmlGeneratedClass: metadata helpers and the writing side.
#include "binding/CXmlGeneratedClass.h"

#include "binding/CAttributeCol.h"
#include "binding/CAttributeInfo.h"
#include "binding/CElementInfo.h"
#include "binding/CGeneratedNesting.h"
#include "binding/CXmlCollectionBase.h"
#include "core/CNamespaceAliasMap.h"
#include "core/CQbException.h"
#include "xml/CMixedText.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

using QbXmlLib5Data::CAttributeInfo;
using QbXmlLib5Data::CElementInfo;
using QbXmlLib5Data::CParentElementInfo;

CXmlGeneratedClass::CXmlGeneratedClass() = default;
CXmlGeneratedClass::CXmlGeneratedClass(const CXmlGeneratedClass& other) = default;
CXmlGeneratedClass::~CXmlGeneratedClass() = default;

void CXmlGeneratedClass::ReadProperty(int propertyIndex, QbVariant& value) const {
    // Reading leaves the object unchanged; generated code has one access
    // operation for both directions.
    const_cast<CXmlGeneratedClass*>(this)->AccessProperty(propertyIndex, true, value);
}

CXmlCollectionBase* CXmlGeneratedClass::PeekCollection(int propertyIndex) const {
    QbVariant value;
    ReadProperty(propertyIndex, value);
    // The object holds the collection too: the pointer outlives the variant.
    return value.GetKind() == it_XmlCollection ? value.GetXmlCollection().GetPtr() : nullptr;
}

int CXmlGeneratedClass::GetClassElementInfoCount() const {
    CElementInfo** records = GetClassElementInfo();
    int count = 0;
    while (records && records[count]) ++count;
    return count;
}

void CXmlGeneratedClass::CleanMetaData(CParentElementInfo*& classInfo, CElementInfo**& elementInfo,
                                       CAttributeInfo**& attributeInfo) {
    delete classInfo;
    classInfo = nullptr;
    for (CElementInfo** record = elementInfo; record && *record; ++record) delete *record;
    delete[] elementInfo;
    elementInfo = nullptr;
    for (CAttributeInfo** record = attributeInfo; record && *record; ++record) delete *record;
    delete[] attributeInfo;
    attributeInfo = nullptr;
}

void CXmlGeneratedClass::ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                                   const CXmlSerializationContext& ctx, bool choiceMember) const {
    try {
        const CGeneratedNesting nesting;
        const CParentElementInfo* info = GetClassInfo();
        const bool ownElement = info->GetElementType() == QbXmlLib5Data::Element;
        const std::string ns = namespaceUri ? namespaceUri : "";
        if (ownElement && m_nil) {
            if (isRoot) WriteRootPrologue(writer, ctx);
            WriteNil(writer, ns, ctx);
            return;
        }
        if (ownElement) {
            if (isRoot) WriteRootPrologue(writer, ctx);
            writer->WriteStartElement(ElementNameRef(), ns);
            if (isRoot) {
                CXmlObjectBase::ToXml_Int(&ctx.AdditionalRootAttributes(), writer, false,
                                          ns.c_str(), ctx, choiceMember);
            }
            AttributesToXml_Int(writer, ctx);
            if (isRoot && !ctx.GetInLineSchema().empty()) {
                writer->WriteInLineSchema(ctx.GetInLineSchema());
            }
            if (CMixedText* text = const_cast<CXmlGeneratedClass*>(this)->GetMixedText()) {
                writer->SetMixedContent(text);
            }
        }
        WriteContent(writer, ctx, choiceMember);
        if (info->GetElementTextPropertyIndex() != -1) {
            QbVariant text;
            ReadProperty(info->GetElementTextPropertyIndex(), text);
            if (text.IsValid()) {
                writer->WriteText(text.GetKind() == it_string ? text.GetString() : text.ToString());
            }
        }
        if (ownElement) writer->WriteEndElement();
    } catch (const CQbException& e) {
        throw CQbValidationException(
            FormatString("Failed to convert the element [%s] to XML", GetElementName().c_str()), e);
    }
}

void CXmlGeneratedClass::WriteNil(CXmlWriter* writer, const std::string& namespaceUri,
                                  const CXmlSerializationContext& ctx) const {
    writer->WriteStartElement(ElementNameRef(), namespaceUri);
    AttributesToXml_Int(writer, ctx);
    writer->WriteAttribute("nil", CXmlWriter::kXsiNamespace, "true");
    writer->WriteEndElement();
}

void CXmlGeneratedClass::CheckNilWritable(const CXmlObjectBase* object, bool nillable) {
    const auto* generated = dynamic_cast<const CXmlGeneratedClass*>(object);
    if (generated) CheckNilWritable(generated, nillable);
}

void CXmlGeneratedClass::RefuseNil(const CXmlGeneratedClass* object) {
    throw CQbValidationException(FormatString("The element [%s] is nil, but it is not nillable",
                                              object->GetElementName().c_str()));
}

void CXmlGeneratedClass::WriteRootPrologue(CXmlWriter* writer,
                                           const CXmlSerializationContext& ctx) const {
    for (const std::string& instruction : ctx.GetProcessingInstructions()) {
        writer->WriteProcessingInstruction(instruction);
    }
    // The alias look-up is not const; the map is small.
    CNamespaceAliasMap aliases = ctx.GetNamespaceAliases();
    for (int i = 0; i < aliases.GetNamespaceCount(); ++i) {
        const std::string uri = aliases.GetNamespaceAt(i);
        writer->AddNamespace(aliases.GetAliasFromNamespace(uri.c_str()), uri);
    }
    if (!ctx.GetDefaultNamespaceURI().empty()) {
        writer->SetDefaultNamespace(ctx.GetDefaultNamespaceURI());
    }
}

void CXmlGeneratedClass::WriteContent(CXmlWriter* writer, const CXmlSerializationContext& ctx,
                                      bool choiceMember) const {
    CElementInfo** records = GetClassElementInfo();
    switch (GetClassInfo()->GetElementGroupType()) {
        case QbXmlLib5Data::Seq:
        case QbXmlLib5Data::All:
            for (CElementInfo** record = records; record && *record; ++record) {
                (*record)->ElementToXml(ctx, this, writer);
            }
            return;
        case QbXmlLib5Data::Choice:
            ProcessElementChoiceToXml(ctx, records, writer, choiceMember);
            return;
    }
    throw CQbException("Unknown XML Group Type");
}

void CXmlGeneratedClass::ProcessElementChoiceToXml(const CXmlSerializationContext& ctx,
                                                   CElementInfo** records, CXmlWriter* writer,
                                                   bool choiceMember) const {
    for (CElementInfo** record = records; record && *record; ++record) {
        if ((*record)->ElementToXml(ctx, this, writer)) return;
    }
    if (GetClassInfo()->GetContentMayBeEmpty() || DoesElementContainOptionalElementCollections() ||
        choiceMember || ctx.GetIgnoreMissingChoice()) {
        return;
    }
    throw CQbValidationException(
        "This element is a choice, and as such must have at one (and only one) valid item, "
        "currently there are none set");
}

void CXmlGeneratedClass::AttributesToXml_Int(CXmlWriter* writer,
                                             const CXmlSerializationContext& ctx) const {
    const CParentElementInfo* info = GetClassInfo();
    // Written in the place of a base type: say which type this is, also
    // under an element that happens to bear the type's name (its declared
    // type may still be the base). Elements declared with the type itself
    // take AttributesToXml_WithoutXsiType.
    if (info->GetHasBaseClasses()) {
        try {
            writer->WriteXsiType(info->GetElementNamespace(), info->GetElementName());
        } catch (const CQbException& e) {
            throw CQbException("Failed to convert attributes to XML", e);
        }
    }
    AttributesToXml_WithoutXsiType(writer, ctx);
}

void CXmlGeneratedClass::AttributesToXml_WithoutXsiType(CXmlWriter* writer,
                                                        const CXmlSerializationContext& ctx) const {
    try {
        ProcessAttributesToXml(ctx, GetClassElementInfo(), GetClassAttributeInfo(), writer);
    } catch (const CQbException& e) {
        throw CQbException("Failed to convert attributes to XML", e);
    }
}

void CXmlGeneratedClass::ProcessAttributesToXml(const CXmlSerializationContext& ctx,
                                                CElementInfo** elementRecords,
                                                CAttributeInfo** attributeRecords,
                                                CXmlWriter* writer) const {
    for (CAttributeInfo** record = attributeRecords; record && *record; ++record) {
        (*record)->AttributeToXml(ctx, this, writer);
    }
    for (CElementInfo** record = elementRecords; record && *record; ++record) {
        (*record)->PseudoChildAttributeToXml(ctx, this, writer);
    }
}

bool CXmlGeneratedClass::DoesElementContainOptionalElementCollections() const {
    for (CElementInfo** record = GetClassElementInfo(); record && *record; ++record) {
        if (!dynamic_cast<const QbXmlLib5Data::CTypedCollectionRecord*>(*record) ||
            !dynamic_cast<const QbXmlLib5Data::CElementInfoChoice*>(*record)) {
            continue;
        }
        QbVariant value;
        (*record)->ReadProperty(this, value);
        if (value.GetKind() != it_XmlCollection) continue;
        const CSmartPtr<CXmlCollectionBase> items = value.GetXmlCollection();
        if (items && items->GetMinOccurs() == 0) return true;
    }
    return false;
}

}  // namespace QbXmlLib5
