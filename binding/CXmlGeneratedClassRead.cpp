// CXmlGeneratedClass: the reading side, and the nesting guard both sides
// share.
#include <vector>

#include "binding/CAttributeInfo.h"
#include "binding/CDocumentIds.h"
#include "binding/CElementInfo.h"
#include "binding/CGeneratedNesting.h"
#include "binding/CReadLocation.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "core/CStackGuard.h"
#include "xml/CMixedText.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

using QbXmlLib5Data::CAttributeInfo;
using QbXmlLib5Data::CElementInfo;
using QbXmlLib5Data::XmlElementType;

namespace {

// A plain int: safe to touch from any destructor, even at thread exit.
thread_local int t_nesting = 0;

[[noreturn]] void ThrowUnexpected(const CXmlElement* element, const CXmlElement* current) {
    // The unexpected element is where the document goes wrong.
    CReadLocation::Record(current, nullptr);
    throw CQbValidationException(
        FormatString("Failed read all the elements held within the element [%s]. The unexpected "
                     "element [%s] remains un processed",
                     element->GetLocalName().c_str(), current->GetLocalName().c_str()));
}

bool IsNilAttribute(const CXmlAttribute* attribute) {
    return attribute->GetLocalName() == "nil" &&
           attribute->GetNamespaceURI() == CXmlWriter::kXsiNamespace;
}

const CXmlAttribute* FindNil(const CXmlElement* element) {
    for (const CXmlAttribute* attribute : element->GetAttributes()) {
        if (IsNilAttribute(attribute)) return attribute;
    }
    return nullptr;
}

template <typename Record>
int CountRecords(Record** records) {
    int count = 0;
    while (records && records[count]) ++count;
    return count;
}

}  // namespace

CGeneratedNesting::CGeneratedNesting() {
    if (t_nesting >= CXmlGeneratedClass::kMaxNestingDepth) {
        throw CQbException(FormatString("Generated objects are nested more than %d levels deep",
                                        CXmlGeneratedClass::kMaxNestingDepth));
    }
    // The level limit suits a main thread's stack; smaller stacks end sooner.
    CStackGuard::Check(t_nesting);
    ++t_nesting;
}

CGeneratedNesting::~CGeneratedNesting() { --t_nesting; }

CGeneratedNesting::CLevels::CLevels(int levels) : m_levels(levels) { t_nesting += levels; }

CGeneratedNesting::CLevels::~CLevels() { t_nesting -= m_levels; }

const CXmlElement* CXmlGeneratedClass::FromXml_Int(const CXmlElement* element,
                                                   const CXmlElement* current,
                                                   const CXmlSerializationContext& ctx,
                                                   bool choiceMember) {
    try {
        const CGeneratedNesting nesting;
        CDocumentIds::CScope ids;
        if (!element) throw CQbException("No element to read from");
        const CXmlElement* next = CReadLocation::At(element, [&]() -> const CXmlElement* {
            ResetProperties();
            const QbXmlLib5Data::CParentElementInfo* info = GetClassInfo();
            if (info->GetElementType() == QbXmlLib5Data::Element) {
                SetElementName(element->GetLocalName().c_str());
            }
            m_nil = info->GetElementType() == QbXmlLib5Data::Element && ReadsAsNil(element);
            ProcessAttributesFromXml(ctx, element, info->GetFromXmlFailIfAttributeUnknown());
            // A nil element has nothing else: its members stay as reset.
            if (m_nil) return current;
            const CXmlElement* after = ReadContent(ctx, element, current, choiceMember);
            if (info->GetElementType() == QbXmlLib5Data::Element) {
                if (CMixedText* text = GetMixedText()) text->Read(element);
            }
            if (info->GetElementTextPropertyIndex() != -1) {
                QbVariant text;
                text.SetString(element->GetText());
                AccessProperty(info->GetElementTextPropertyIndex(), false, text);
                // The generated accessor checks the text's facets when the value
                // is read out.
                if (!ctx.GetIgnoreInvalidValues()) {
                    AccessProperty(info->GetElementTextPropertyIndex(), true, text);
                }
            }
            return after;
        });
        ids.Finish();
        return next;
    } catch (const CQbException& e) {
        throw CQbValidationException(FormatString("Failed to process the element [%s]",
                                                  element ? element->GetLocalName().c_str() : ""),
                                     e);
    }
}

const CXmlElement* CXmlGeneratedClass::ReadContent(const CXmlSerializationContext& ctx,
                                                   const CXmlElement* element,
                                                   const CXmlElement* current, bool choiceMember) {
    const QbXmlLib5Data::CParentElementInfo* info = GetClassInfo();
    const XmlElementType classType = info->GetElementType();
    switch (info->GetElementGroupType()) {
        case QbXmlLib5Data::Seq:
            return ProcessElementSeqFromXml(ctx, element, current, classType);
        case QbXmlLib5Data::Choice:
            return ProcessElementChoiceFromXml(ctx, element, current, classType, choiceMember);
        case QbXmlLib5Data::All:
            return ProcessElementAllFromXml(ctx, element, current, classType);
    }
    throw CQbException("Unknow Group Type");
}

bool CXmlGeneratedClass::ReadsAsNil(const CXmlElement* element) {
    const CXmlAttribute* nil = FindNil(element);
    if (!nil) return false;
    const std::string& value = nil->GetValue();
    const bool isNil = value == "true" || value == "1";
    if (!isNil && value != "false" && value != "0") {
        throw CQbValidationException(FormatString("Invalid Value for nil [%s]", value.c_str()));
    }
    if (isNil && (element->GetFirstElement() || !element->GetText().empty())) {
        throw CQbValidationException(
            FormatString("The element [%s] is nil (xsi:nil=\"true\"), so it must be empty",
                         element->GetLocalName().c_str()));
    }
    return isNil;
}

void CXmlGeneratedClass::CheckNilAllowed(const CXmlElement* element, bool nillable) {
    if (!nillable && FindNil(element)) {
        throw CQbValidationException(
            FormatString("The element [%s] is not nillable: xsi:nil is not allowed on it",
                         element->GetLocalName().c_str()));
    }
}

void CXmlGeneratedClass::ProcessAttributesFromXml(const CXmlSerializationContext& ctx,
                                                  const CXmlElement* element, bool failIfUnknown) {
    CAttributeInfo** records = GetClassAttributeInfo();
    const int count = CountRecords(records);
    // On the stack for the usual handful of attributes: this runs for every
    // element read.
    bool local[16] = {};
    std::vector<bool> heap;
    if (count > 16) heap.assign(static_cast<std::size_t>(count), false);
    const auto mark = [&](int i) {
        if (count > 16) {
            heap[static_cast<std::size_t>(i)] = true;
        } else {
            local[i] = true;
        }
    };
    const auto wasFound = [&](int i) {
        return count > 16 ? static_cast<bool>(heap[static_cast<std::size_t>(i)]) : local[i];
    };
    for (const CXmlAttribute* attribute : element->GetAttributes()) {
        if (attribute->IsNamespaceAttribute() || IsNilAttribute(attribute)) continue;
        CReadLocation::At(element, attribute, [&] {
            // Declared attributes first: a wildcard never takes a name the
            // type declares, wherever its record stands.
            bool consumed = false;
            for (int pass = 0; pass < 2 && !consumed; ++pass) {
                for (int i = 0; i < count && !consumed; ++i) {
                    if (records[i]->IsWildcard() != (pass == 1)) continue;
                    consumed = records[i]->AttributeFromXml(ctx, this, attribute);
                    if (consumed) mark(i);
                }
            }
            if (!consumed && failIfUnknown && !ctx.GetIgnoreUnknownAttributes()) {
                throw CQbValidationException(FormatString("Unexpected Attribute [%s] found.",
                                                          attribute->GetLocalName().c_str()));
            }
        });
    }
    for (int i = 0; i < count; ++i) records[i]->Validate(ctx, wasFound(i));
}

const CXmlElement* CXmlGeneratedClass::ProcessElementSeqFromXml(const CXmlSerializationContext& ctx,
                                                                const CXmlElement* element,
                                                                const CXmlElement* current,
                                                                XmlElementType classType) {
    const CXmlElement* const entry = current;
    const std::string ns = GetNamespace();
    for (CElementInfo** record = GetClassElementInfo(); record && *record; ++record) {
        while (!(*record)->ElementFromXml(ctx, this, element, &current, ns.c_str(), classType)) {
            if (!ctx.GetIgnoreUnknownElements() || !current) return entry;
            current = current->GetNextSiblingElement();
        }
    }
    if (classType == QbXmlLib5Data::Element && current && !ctx.GetIgnoreUnknownElements()) {
        ThrowUnexpected(element, current);
    }
    return current;
}

bool CXmlGeneratedClass::OfferToRecords(const CXmlSerializationContext& ctx,
                                        const CXmlElement* element, const CXmlElement*& current,
                                        XmlElementType classType) {
    const std::string ns = GetNamespace();
    for (CElementInfo** record = GetClassElementInfo(); record && *record; ++record) {
        if ((*record)->ElementFromXml(ctx, this, element, &current, ns.c_str(), classType)) {
            return true;
        }
    }
    return false;
}

const CXmlElement* CXmlGeneratedClass::ProcessElementChoiceFromXml(
    const CXmlSerializationContext& ctx, const CXmlElement* element, const CXmlElement* current,
    XmlElementType classType, bool choiceMember) {
    const CXmlElement* const entry = current;
    const bool ownElement = classType == QbXmlLib5Data::Element;
    bool read = OfferToRecords(ctx, element, current, classType);
    while (!read && current && ctx.GetIgnoreUnknownElements() && ownElement) {
        current = current->GetNextSiblingElement();
        read = OfferToRecords(ctx, element, current, classType);
    }
    if (!read && !choiceMember) {
        if (!ownElement) return entry;
        // A member that can match nothing (an optional element, a group of
        // optional elements) satisfies the choice with no child at all.
        if (!GetClassInfo()->GetContentMayBeEmpty() &&
            !DoesElementContainOptionalElementCollections() && !ctx.GetIgnoreMissingChoice()) {
            throw CQbValidationException(FormatString(
                "No child elements within the element [%s] were populated. The element "
                "represents a choice, so one and only one element should be populated. The "
                "element contained no sutable child elements",
                element->GetLocalName().c_str()));
        }
    }
    if (ownElement && current && !ctx.GetIgnoreUnknownElements()) {
        ThrowUnexpected(element, current);
    }
    return current;
}

const CXmlElement* CXmlGeneratedClass::ProcessElementAllFromXml(const CXmlSerializationContext& ctx,
                                                                const CXmlElement* element,
                                                                const CXmlElement* current,
                                                                XmlElementType classType) {
    const CXmlElement* const entry = current;
    CElementInfo** records = GetClassElementInfo();
    const int count = CountRecords(records);
    const std::string ns = GetNamespace();
    std::vector<bool> found(static_cast<std::size_t>(count), false);
    while (current) {
        const CXmlElement* const before = current;
        for (int i = 0; i < count; ++i) {
            const auto slot = static_cast<std::size_t>(i);
            if (found[slot]) continue;
            found[slot] =
                records[i]->ElementFromXml(ctx, this, element, &current, ns.c_str(), classType);
        }
        if (current == before) break;
    }
    const bool ownElement = classType == QbXmlLib5Data::Element;
    for (int i = 0; i < count; ++i) {
        if (!records[i]->Validate(ctx, this, found[static_cast<std::size_t>(i)], ownElement)) {
            return entry;
        }
    }
    if (ownElement && current && !ctx.GetIgnoreUnknownElements()) ThrowUnexpected(element, current);
    return current;
}

bool CXmlGeneratedClass::IsElementInList(const CXmlSerializationContext& ctx,
                                         const CXmlElement* element) const {
    for (CElementInfo** record = GetClassElementInfo(); record && *record; ++record) {
        if ((*record)->IsThisElement(ctx, element)) return true;
    }
    return false;
}

}  // namespace QbXmlLib5
