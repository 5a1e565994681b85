// The behaviours of the element record family, one template per item kind,
// specialised by content-model group and cardinality.
//
// Reading works on one cursor, *current, a child of the element being read;
// a record that consumes moves it past what it consumed. Sequence records
// decide whether their member is missing, choice records report whether they
// consumed so that the choice can try the next one, and all-group records
// read only what matches and are checked afterwards by Validate.
#include "binding/CElement.h"
#include "binding/CElementInfo.h"
#include "binding/CReadLocation.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5Data {

using namespace QbXmlLib5;

namespace {

// The element name of wildcard records: any name.
constexpr const char* kAnyElement = "AnyElement";
constexpr const char* kRequired = "Failed to find a required element [%s]";
constexpr const char* kMandatory = "Failed to find the mandatory element [%s]";
constexpr const char* kSubstitution = "Failed to find a suitable substitution element for [%s]";
constexpr const char* kRequiredFromNamespace =
    "Failed to find the required element from namespace [%s]";
constexpr const char* kAllAbstract =
    "AllAbsClsMndElm.ProcessXml, has not been implemented fully (abstract members of an "
    "all-group cannot be read yet; please ask for it on the QbXmlLib5 issue tracker named in "
    "the README)";

[[noreturn]] void Fail(const char* format, const std::string& name) {
    throw CQbValidationException(FormatString(format, name.c_str()));
}

void Advance(const CXmlElement** current) { *current = (*current)->GetNextSiblingElement(); }

CSmartPtr<CXmlObjectBase> HeldObject(const CElementInfo& record, const CXmlGeneratedClass* object) {
    QbVariant value;
    record.ReadProperty(object, value);
    return value.GetKind() == it_XmlObject ? value.GetXmlObject() : nullptr;
}

CSmartPtr<CXmlCollectionBase> HeldCollection(const CElementInfo& record,
                                             const CXmlGeneratedClass* object) {
    QbVariant value;
    record.ReadProperty(object, value);
    return value.GetKind() == it_XmlCollection ? value.GetXmlCollection() : nullptr;
}

// Stores an object (or, for null, clears the property).
void StoreObject(const CElementInfo& record, CXmlGeneratedClass* object, CXmlObjectBase* item) {
    QbVariant value;
    if (item) value.SetXmlObject(item);
    record.AccessProperty(object, false, value);
}

// Lets `item` read the matched element *current, then moves past it.
void ReadMatched(const CElementInfo& record, const CXmlSerializationContext& ctx,
                 CXmlObjectBase* item, const CXmlElement** current, bool choiceMember) {
    const CXmlElement* matched = *current;
    CXmlGeneratedClass::CheckNilAllowed(matched, record.IsNillable());
    CElementInfo::FromXml_Int(item, matched, matched->GetFirstElement(), ctx, choiceMember);
    Advance(current);
}

// Lets a model-group member read from the enclosing element's cursor; the
// position it stops at.
const CXmlElement* ReadPseudo(const CXmlSerializationContext& ctx, CXmlObjectBase* item,
                              const CXmlElement* element, const CXmlElement* current) {
    return CElementInfo::FromXml_Int(item, element, current, ctx, false);
}

// The mandatory all-group check of the simple kinds.
bool ValidateMandatory(const CElementInfo& record, bool found, bool checkMissing) {
    if (found) return true;
    if (checkMissing) Fail(kMandatory, record.GetElementName());
    return false;
}

// The sequence search for a mandatory member: skips unknown elements when
// allowed. True when *current matches; false when the member may be missing.
// Throws when it may not.
bool SearchMandatory(const CElementInfo& record, const CXmlSerializationContext& ctx,
                     const CXmlElement** current) {
    while (!record.IsThisElement(ctx, *current)) {
        if (ctx.GetIgnoreMissingMandatoryElements()) return false;
        if (ctx.GetIgnoreUnknownElements() && *current) {
            Advance(current);
            continue;
        }
        Fail(kRequired, record.GetElementName());
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- Cls

template <XmlElementGroupType G, RecordCard C>
CSmartPtr<CXmlObjectBase> TElementInfo<G, RecordKind::Cls, C>::Create() const {
    if (!m_factory) return nullptr;
    return m_factory(m_classSelector, this->GetElementName().c_str());
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Cls, C>::ElementToXml(const CXmlSerializationContext& ctx,
                                                       const CXmlGeneratedClass* object,
                                                       CXmlWriter* writer) const {
    return this->ElementToXmlCls(ctx, object, writer, G == Choice);
}

template <XmlElementGroupType G, RecordCard C>
void TElementInfo<G, RecordKind::Cls, C>::PseudoChildAttributeToXml(
    const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
    CXmlWriter* writer) const {
    if (m_elementType != PseudoElement) return;
    const CSmartPtr<CXmlObjectBase> held = HeldObject(*this, object);
    if (held) this->AttributesToXml_Int(held, writer, ctx);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Cls, C>::ReadMandatory(const CXmlSerializationContext& ctx,
                                                        CXmlGeneratedClass* object,
                                                        const CXmlElement* element,
                                                        const CXmlElement** current,
                                                        XmlElementType classType) {
    CSmartPtr<CXmlObjectBase> held = HeldObject(*this, object);
    if (!held) {
        // Generated classes normally create mandatory members up front.
        held = Create();
        if (!held) Fail(kRequired, this->GetElementName());
        StoreObject(*this, object, held);
    }
    if (m_elementType == Element) {
        if (G == All || classType == PseudoElement) {
            if (!this->IsThisElement(ctx, *current)) return false;
        } else if (!SearchMandatory(*this, ctx, current)) {
            return true;
        }
        ReadMatched(*this, ctx, held, current, false);
        return true;
    }
    const CXmlElement* next = ReadPseudo(ctx, held, element, *current);
    const bool consumed = next != *current;
    if (G == All) {
        *current = next;
        return consumed;
    }
    if (!m_presence) {
        if (!consumed && *current && ctx.GetIgnoreUnknownElements() && classType == Element) {
            return false;
        }
    } else if (classType == PseudoElement) {
        if (!consumed) return false;
    } else if (!*current || !consumed) {
        Fail(kRequired, this->GetElementName());
    }
    *current = next;
    return true;
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Cls, C>::ReadOptional(const CXmlSerializationContext& ctx,
                                                       CXmlGeneratedClass* object,
                                                       const CXmlElement* element,
                                                       const CXmlElement** current) {
    if (m_elementType == Element) {
        if (!this->IsThisElement(ctx, *current)) return G == Seq;
        const CSmartPtr<CXmlObjectBase> item = Create();
        if (!item) return G == Seq;
        if (G == Choice) {
            // Stored first, so that the setter's choice bookkeeping runs.
            StoreObject(*this, object, item);
            ReadMatched(*this, ctx, item, current, true);
        } else {
            ReadMatched(*this, ctx, item, current, false);
            StoreObject(*this, object, item);
        }
        return true;
    }
    if (!*current) return G == Seq;
    const CSmartPtr<CXmlObjectBase> item = Create();
    if (!item) return G == Seq;
    if (G == Choice) StoreObject(*this, object, item);
    const CXmlElement* next = ReadPseudo(ctx, item, element, *current);
    const bool consumed = next != *current;
    if (consumed && G != Choice) StoreObject(*this, object, item);
    if (!consumed && G == Choice) StoreObject(*this, object, nullptr);
    *current = next;
    return G == Seq || consumed;
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Cls, C>::ElementFromXml(
    const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, const CXmlElement* element,
    const CXmlElement** current, const char* /*objectNamespace*/, XmlElementType classType) {
    if (C == RecordCard::Mnd) return ReadMandatory(ctx, object, element, current, classType);
    return ReadOptional(ctx, object, element, current);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Cls, C>::Validate(const CXmlSerializationContext& ctx,
                                                   const CXmlGeneratedClass* object, bool found,
                                                   bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    if (C == RecordCard::Opt || found) return true;
    if (!checkMissing) return false;
    if (m_elementType == PseudoElement || m_presence) Fail(kMandatory, this->GetElementName());
    return true;
}

// ---------------------------------------------------------------- AbsCls

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::AbsCls, C>::ElementToXml(const CXmlSerializationContext& ctx,
                                                          const CXmlGeneratedClass* object,
                                                          CXmlWriter* writer) const {
    return this->ElementToXmlCls(ctx, object, writer, false);
}

template <XmlElementGroupType G, RecordCard C>
void TElementInfo<G, RecordKind::AbsCls, C>::PseudoChildAttributeToXml(
    const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
    CXmlWriter* writer) const {
    if (m_elementType != PseudoElement) return;
    const CSmartPtr<CXmlObjectBase> held = HeldObject(*this, object);
    if (held) this->AttributesToXml_Int(held, writer, ctx);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::AbsCls, C>::ElementFromXml(
    const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, const CXmlElement* /*element*/,
    const CXmlElement** current, const char* /*objectNamespace*/, XmlElementType classType) {
    if (G == All) {
        if (*current) throw CQbException(kAllAbstract);
        return false;
    }
    CSmartPtr<CXmlObjectBase> item;
    if (this->IsThisElement(ctx, *current) && m_factory) item = m_factory(*current);
    if (!item) {
        if (C == RecordCard::Mnd && classType == Element) {
            Fail(kSubstitution, this->GetElementName());
        }
        return G == Seq && C == RecordCard::Opt;
    }
    ReadMatched(*this, ctx, item, current, false);
    StoreObject(*this, object, item);
    return true;
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::AbsCls, C>::Validate(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, bool found,
                                                      bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    return C == RecordCard::Opt || ValidateMandatory(*this, found, checkMissing);
}

// ---------------------------------------------------------------- Prim, Enum

namespace {

// The read behaviour shared by simple-typed and enumerated members; `store`
// parses and stores the matched element.
template <XmlElementGroupType G, RecordCard C, typename Store>
bool ReadSimple(const CElementInfo& record, const CXmlSerializationContext& ctx,
                const CXmlElement** current, XmlElementType classType, bool skipWhenPseudo,
                Store store) {
    if (G != Seq || C == RecordCard::Opt || classType == PseudoElement) {
        if (G == Seq && C == RecordCard::Mnd && skipWhenPseudo) {
            while (*current && !record.IsThisElement(ctx, *current) &&
                   ctx.GetIgnoreUnknownElements()) {
                Advance(current);
            }
        }
        if (!record.IsThisElement(ctx, *current)) return G == Seq && C == RecordCard::Opt;
    } else if (!SearchMandatory(record, ctx, current)) {
        return true;
    }
    CReadLocation::At(*current, [&] {
        // Simple elements are never nillable: nillable ones have a class.
        CXmlGeneratedClass::CheckNilAllowed(*current, false);
        store(*current);
    });
    Advance(current);
    return true;
}

}  // namespace

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Prim, C>::ElementToXml(const CXmlSerializationContext& ctx,
                                                        const CXmlGeneratedClass* object,
                                                        CXmlWriter* writer) const {
    if (C == RecordCard::Mnd) return this->ElementToXmlPrim(ctx, object, writer);
    return this->ElementToXmlPrimOpt(ctx, object, writer);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Prim, C>::ElementFromXml(
    const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, const CXmlElement* /*element*/,
    const CXmlElement** current, const char* /*objectNamespace*/, XmlElementType classType) {
    return ReadSimple<G, C>(*this, ctx, current, classType, true, [&](const CXmlElement* matched) {
        this->StorePrimitive(ctx, object, matched);
    });
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Prim, C>::Validate(const CXmlSerializationContext& ctx,
                                                    const CXmlGeneratedClass* object, bool found,
                                                    bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    return C == RecordCard::Opt || ValidateMandatory(*this, found, checkMissing);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Enum, C>::ElementToXml(const CXmlSerializationContext& ctx,
                                                        const CXmlGeneratedClass* object,
                                                        CXmlWriter* writer) const {
    if (C == RecordCard::Mnd) return this->ElementToXmlEnum(ctx, object, writer, m_toString);
    return this->ElementToXmlEnumOpt(ctx, object, writer, m_toString);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Enum, C>::ElementFromXml(
    const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, const CXmlElement* /*element*/,
    const CXmlElement** current, const char* /*objectNamespace*/, XmlElementType classType) {
    return ReadSimple<G, C>(*this, ctx, current, classType, false, [&](const CXmlElement* matched) {
        QbVariant value;
        value.SetI4(m_fromString(matched->GetText().c_str()));
        this->AccessProperty(object, false, value);
    });
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Enum, C>::Validate(const CXmlSerializationContext& ctx,
                                                    const CXmlGeneratedClass* object, bool found,
                                                    bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    return C == RecordCard::Opt || ValidateMandatory(*this, found, checkMissing);
}

// ---------------------------------------------------------------- Untpd

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::ElementToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    return this->ElementToXmlCls(ctx, object, writer, false);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::ReadInto(const CXmlSerializationContext& ctx,
                                                     CXmlObjectBase* item,
                                                     const CXmlElement* element,
                                                     const CXmlElement** current) const {
    const CXmlElement* next = CElementInfo::FromXml_Int(item, element, *current, ctx, false);
    if (next == *current) return false;
    this->CheckWildcardElement(ctx, *current);
    *current = next;
    return true;
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::TakesElement(const CXmlSerializationContext& ctx,
                                                         const CXmlElement* candidate) const {
    // A wildcard takes any name its restriction allows; an element of type
    // anyType only its own name.
    if (this->GetElementName() != kAnyElement) return this->IsThisElement(ctx, candidate);
    return CElementInfo::NamespaceAllowed(candidate->GetNamespaceURI(), m_namespaceRestriction,
                                          m_targetNamespace);
}

template <XmlElementGroupType G, RecordCard C>
CSmartPtr<CXmlObjectBase> TElementInfo<G, RecordKind::Untpd, C>::NewUntyped(
    const CXmlElement* source) const {
    // Named as the element it is about to read, so that its namespace is
    // one the restriction allows.
    return new CElement(this->GetElementName().c_str(), source->GetNamespaceURI().c_str(),
                        m_namespaceRestriction.c_str(), m_targetNamespace.c_str());
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::ReadHeld(const CXmlSerializationContext& ctx,
                                                     CXmlGeneratedClass* object,
                                                     const CXmlElement* element,
                                                     const CXmlElement** current) const {
    if (!TakesElement(ctx, *current)) return false;
    CSmartPtr<CXmlObjectBase> held = HeldObject(*this, object);
    if (!held) {
        held = NewUntyped(*current);
        StoreObject(*this, object, held);
    }
    return ReadInto(ctx, held, element, current);
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::ReadNew(const CXmlSerializationContext& ctx,
                                                    CXmlGeneratedClass* object,
                                                    const CXmlElement* element,
                                                    const CXmlElement** current) const {
    if (!TakesElement(ctx, *current)) return false;
    const CSmartPtr<CXmlObjectBase> item = NewUntyped(*current);
    if (!ReadInto(ctx, item, element, current)) return false;
    StoreObject(*this, object, item);
    return true;
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::ElementFromXml(
    const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, const CXmlElement* element,
    const CXmlElement** current, const char* /*objectNamespace*/, XmlElementType classType) {
    if (C == RecordCard::Opt) {
        const bool consumed = *current && ReadNew(ctx, object, element, current);
        return G == Seq || consumed;
    }
    if (G == All) return *current && ReadHeld(ctx, object, element, current);
    if (!*current) {
        if (classType == PseudoElement) return false;
        Fail(kRequired, this->GetElementName());
    }
    if (ReadHeld(ctx, object, element, current)) return true;
    if (classType == PseudoElement) return false;
    if (this->GetElementName() != kAnyElement) Fail(kRequired, this->GetElementName());
    Fail(kRequiredFromNamespace, this->GetElementNamespace());
}

template <XmlElementGroupType G, RecordCard C>
bool TElementInfo<G, RecordKind::Untpd, C>::Validate(const CXmlSerializationContext& ctx,
                                                     const CXmlGeneratedClass* object, bool found,
                                                     bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    return C == RecordCard::Opt || ValidateMandatory(*this, found, checkMissing);
}

// ---------------------------------------------------------------- collections

template <XmlElementGroupType G>
bool TElementInfoCol<G>::ElementToXml(const CXmlSerializationContext& ctx,
                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    return this->ElementToXmlCol(ctx, object, writer);
}

template <XmlElementGroupType G>
bool TElementInfoCol<G>::ElementFromXml(const CXmlSerializationContext& ctx,
                                        CXmlGeneratedClass* object, const CXmlElement* element,
                                        const CXmlElement** current,
                                        const char* /*objectNamespace*/,
                                        XmlElementType /*classType*/) {
    // A collection created when needed (null here) takes only its own name
    // and is optional: without an element of that name there is nothing to
    // read or count, as for an empty one.
    if (!object->PeekCollection(this->GetPropertyIndex()) &&
        !(*current && (*current)->GetLocalName() == this->GetElementNameRef())) {
        return G == Seq;
    }
    const CSmartPtr<CXmlCollectionBase> items = HeldCollection(*this, object);
    if (!items) return G == Seq;
    // An all-group offers every element to its collections on each pass.
    if (G == All && !*current) return false;
    // A repeated element of type anyType takes only its own name.
    const CXmlElement* next =
        this->GetElementName() != kAnyElement
            ? CElementInfo::ReadNamedElements(items, this->GetElementName(),
                                              this->GetElementNamespace(), element, *current, ctx)
            : CElementInfo::FromXml_Int(items, element, *current, ctx, false);
    const bool consumed = next != *current;
    for (const CXmlElement* taken = *current; taken != next;
         taken = taken->GetNextSiblingElement()) {
        this->CheckWildcardElement(ctx, taken);
    }
    *current = next;
    if (G == All) return false;
    if (G == Choice && !consumed) return false;
    items->ValidateCount(ctx);
    return true;
}

template <XmlElementGroupType G>
bool TElementInfoCol<G>::Validate(const CXmlSerializationContext& ctx,
                                  const CXmlGeneratedClass* object, bool found,
                                  bool checkMissing) const {
    if constexpr (G != All) {
        return TGroupBase<G>::Validate(ctx, object, found, checkMissing);
    }
    const CSmartPtr<CXmlCollectionBase> items = HeldCollection(*this, object);
    if (items) items->ValidateCount(ctx);
    return true;
}

template <XmlElementGroupType G, RecordKind K>
void TElementInfoTypedCol<G, K>::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                           const CXmlGeneratedClass* object,
                                                           CXmlWriter* writer) const {
    if (!kHoldsObjects || m_elementType != PseudoElement) return;
    const CSmartPtr<CXmlCollectionBase> items = HeldCollection(*this, object);
    if (items) this->AttributesToXml_Int(items, writer, ctx);
}

// ---------------------------------------------------------------- names taken

namespace {

template <class Record>
bool IsGroupRecord(const CElementInfo* record) {
    const auto* typed = dynamic_cast<const Record*>(record);
    return typed && typed->GetElementType() == PseudoElement;
}

template <class Record>
bool IsA(const CElementInfo* record) {
    return dynamic_cast<const Record*>(record) != nullptr;
}

// Substitution groups and model groups of the group kind G.
template <XmlElementGroupType G>
bool TakesOtherNames(const CElementInfo* record) {
    constexpr RecordCard kCard = G == Choice ? RecordCard::Opt : RecordCard::Mnd;
    return IsGroupRecord<TElementInfo<G, RecordKind::Cls, kCard>>(record) ||
           IsGroupRecord<TElementInfo<G, RecordKind::Cls, RecordCard::Opt>>(record) ||
           IsGroupRecord<TElementInfoTypedCol<G, RecordKind::Cls>>(record) ||
           IsA<TElementInfo<G, RecordKind::AbsCls, kCard>>(record) ||
           IsA<TElementInfo<G, RecordKind::AbsCls, RecordCard::Opt>>(record) ||
           IsA<TElementInfoTypedCol<G, RecordKind::AbsCls>>(record);
}

}  // namespace

namespace {

template <class Record>
bool CreateMember(const CElementInfo* record, CSmartPtr<CXmlObjectBase>& object) {
    const auto* typed = dynamic_cast<const Record*>(record);
    if (!typed || typed->GetElementType() != Element) return false;
    object = typed->Create();
    return true;
}

}  // namespace

CSmartPtr<CXmlObjectBase> CElementInfo::NewMemberObject() const {
    CSmartPtr<CXmlObjectBase> object;
    CreateMember<TElementInfo<Seq, RecordKind::Cls, RecordCard::Mnd>>(this, object) ||
        CreateMember<TElementInfo<Seq, RecordKind::Cls, RecordCard::Opt>>(this, object) ||
        CreateMember<TElementInfo<Choice, RecordKind::Cls, RecordCard::Opt>>(this, object) ||
        CreateMember<TElementInfo<All, RecordKind::Cls, RecordCard::Mnd>>(this, object) ||
        CreateMember<TElementInfo<All, RecordKind::Cls, RecordCard::Opt>>(this, object);
    return object;
}

bool CElementInfo::TakesOwnNameOnly() const {
    if (m_name == kAnyElement) return false;
    return !TakesOtherNames<Seq>(this) && !TakesOtherNames<Choice>(this) &&
           !TakesOtherNames<All>(this);
}

template class TElementInfo<Seq, RecordKind::Cls, RecordCard::Mnd>;
template class TElementInfo<Seq, RecordKind::Cls, RecordCard::Opt>;
template class TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Mnd>;
template class TElementInfo<Seq, RecordKind::AbsCls, RecordCard::Opt>;
template class TElementInfo<Seq, RecordKind::Prim, RecordCard::Mnd>;
template class TElementInfo<Seq, RecordKind::Prim, RecordCard::Opt>;
template class TElementInfo<Seq, RecordKind::Enum, RecordCard::Mnd>;
template class TElementInfo<Seq, RecordKind::Enum, RecordCard::Opt>;
template class TElementInfo<Seq, RecordKind::Untpd, RecordCard::Mnd>;
template class TElementInfo<Seq, RecordKind::Untpd, RecordCard::Opt>;
template class TElementInfo<Choice, RecordKind::Cls, RecordCard::Opt>;
template class TElementInfo<Choice, RecordKind::AbsCls, RecordCard::Opt>;
template class TElementInfo<Choice, RecordKind::Prim, RecordCard::Opt>;
template class TElementInfo<Choice, RecordKind::Enum, RecordCard::Opt>;
template class TElementInfo<Choice, RecordKind::Untpd, RecordCard::Opt>;
template class TElementInfo<All, RecordKind::Cls, RecordCard::Mnd>;
template class TElementInfo<All, RecordKind::Cls, RecordCard::Opt>;
template class TElementInfo<All, RecordKind::AbsCls, RecordCard::Mnd>;
template class TElementInfo<All, RecordKind::AbsCls, RecordCard::Opt>;
template class TElementInfo<All, RecordKind::Prim, RecordCard::Mnd>;
template class TElementInfo<All, RecordKind::Prim, RecordCard::Opt>;
template class TElementInfo<All, RecordKind::Enum, RecordCard::Mnd>;
template class TElementInfo<All, RecordKind::Enum, RecordCard::Opt>;
template class TElementInfo<All, RecordKind::Untpd, RecordCard::Mnd>;
template class TElementInfo<All, RecordKind::Untpd, RecordCard::Opt>;
template class TElementInfoCol<Seq>;
template class TElementInfoCol<Choice>;
template class TElementInfoCol<All>;
template class TElementInfoTypedCol<Seq, RecordKind::Cls>;
template class TElementInfoTypedCol<Seq, RecordKind::AbsCls>;
template class TElementInfoTypedCol<Seq, RecordKind::Prim>;
template class TElementInfoTypedCol<Seq, RecordKind::Enum>;
template class TElementInfoTypedCol<Seq, RecordKind::Untpd>;
template class TElementInfoTypedCol<Choice, RecordKind::Cls>;
template class TElementInfoTypedCol<Choice, RecordKind::AbsCls>;
template class TElementInfoTypedCol<Choice, RecordKind::Prim>;
template class TElementInfoTypedCol<Choice, RecordKind::Enum>;
template class TElementInfoTypedCol<Choice, RecordKind::Untpd>;
template class TElementInfoTypedCol<All, RecordKind::Cls>;
template class TElementInfoTypedCol<All, RecordKind::AbsCls>;
template class TElementInfoTypedCol<All, RecordKind::Prim>;
template class TElementInfoTypedCol<All, RecordKind::Untpd>;

}  // namespace QbXmlLib5Data
