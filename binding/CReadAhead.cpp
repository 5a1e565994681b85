#include "binding/CReadAhead.h"

#include "binding/CDocumentIds.h"
#include "binding/CElementInfo.h"
#include "binding/CGeneratedNesting.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlGeneratedClass.h"
#include "types/QbVariant.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

using QbXmlLib5Data::CElementInfo;

namespace {

thread_local CReadAhead* t_inUse = nullptr;

}  // namespace

CReadAhead::CReadAhead(CXmlGeneratedClass* root, const CXmlSerializationContext& ctx)
    : m_root(root), m_ctx(ctx) {}

CReadAhead::~CReadAhead() = default;

CReadAhead::CInUse::CInUse(CReadAhead& ahead) : m_outer(t_inUse) { t_inUse = &ahead; }

CReadAhead::CInUse::~CInUse() { t_inUse = m_outer; }

void CReadAhead::ElementOpened(const CXmlElement* element) { m_levels.push_back(LevelOf(element)); }

CXmlElementConsumer::Taken CReadAhead::ElementClosed(const CXmlElement* element) {
    if (m_levels.empty()) return Taken::kNothing;
    const CLevel level = m_levels.back();
    m_levels.pop_back();
    if (m_levels.empty()) return Taken::kNothing;
    CLevel& parent = m_levels.back();
    const std::size_t run = parent.run;
    parent.run = 0;
    if (!level.collection || m_stopped) return Taken::kNothing;
    return Read(element, level.collection, parent, run);
}

void CReadAhead::Restart() {
    m_levels.clear();
    m_reads.clear();
    m_next = 0;
    m_index.clear();
    m_stopped = false;
}

CReadAhead::CLevel CReadAhead::Level(CXmlGeneratedClass* prototype, CXmlCollectionBase* collection,
                                     bool joins) {
    return {prototype, collection, joins, 0, nullptr, nullptr, nullptr, nullptr, false};
}

CReadAhead::CLevel CReadAhead::LevelOf(const CXmlElement* element) {
    if (m_levels.empty() || m_stopped || !m_levels.back().prototype) return FindLevel(element);
    CLevel& parent = m_levels.back();
    if (parent.childName != &element->GetLocalName() ||
        parent.childNamespace != &element->GetNamespaceURI()) {
        const CLevel found = FindLevel(element);
        parent.childName = &element->GetLocalName();
        parent.childNamespace = &element->GetNamespaceURI();
        parent.childPrototype = found.prototype;
        parent.childCollection = found.collection;
        parent.childJoins = found.joins;
    }
    return Level(parent.childPrototype, parent.childCollection, parent.childJoins);
}

CReadAhead::CLevel CReadAhead::FindLevel(const CXmlElement* element) const {
    const CLevel unknown = Level(nullptr, nullptr, false);
    if (m_levels.empty()) {
        if (m_root->GetClassInfo()->GetElementType() != QbXmlLib5Data::Element) return unknown;
        return Level(m_root, nullptr, !m_root->GetMixedText());
    }
    CXmlGeneratedClass* parent = m_levels.back().prototype;
    if (m_stopped || !parent || !NamesDecide(parent)) return unknown;
    const CElementInfo* taker = nullptr;
    for (CElementInfo** record = parent->GetClassElementInfo(); record && *record; ++record) {
        if ((*record)->GetElementNameRef() != element->GetLocalName()) continue;
        if (taker) return unknown;  // the content model decides between them
        taker = *record;
    }
    if (!taker || !taker->IsThisElement(m_ctx, element)) return unknown;
    // One object of the member's class serves every element of the record.
    auto prototype = m_prototypes.find(taker);
    if (prototype == m_prototypes.end()) {
        prototype = m_prototypes.emplace(taker, taker->NewMemberObject()).first;
    }
    const CSmartPtr<CXmlObjectBase>& member = prototype->second;
    if (auto* child = member ? dynamic_cast<CXmlGeneratedClass*>(member->GetBase()) : nullptr) {
        if (child->GetClassInfo()->GetElementType() != QbXmlLib5Data::Element) return unknown;
        return Level(child, nullptr, !child->GetMixedText());
    }
    QbVariant held;
    taker->ReadProperty(parent, held);
    if (held.GetKind() != it_XmlCollection || !held.GetXmlCollection()) return unknown;
    return Level(nullptr, held.GetXmlCollection(), false);
}

bool CReadAhead::NamesDecide(const CXmlGeneratedClass* prototype) const {
    CElementInfo** records = prototype->GetClassElementInfo();
    const auto known = m_namesDecide.find(records);
    if (known != m_namesDecide.end()) return known->second;
    bool decide = true;
    for (CElementInfo** record = records; record && *record && decide; ++record) {
        decide = (*record)->TakesOwnNameOnly();
    }
    m_namesDecide.emplace(records, decide);
    return decide;
}

CXmlElementConsumer::Taken CReadAhead::Read(const CXmlElement* element,
                                            CXmlCollectionBase* collection, CLevel& parent,
                                            std::size_t run) {
    CSmartPtr<CXmlObjectBase> object;
    std::unique_ptr<CFailure> failure;
    bool touched = false;
    CReadLocation::Reset();
    {
        const CDocumentIds::CReadAhead ids;
        // As deep as the element's ancestors, which are generated objects.
        const CGeneratedNesting::CLevels levels(static_cast<int>(m_levels.size()));
        try {
            object = collection->ReadItemAhead(element, m_ctx);
        } catch (...) {
            failure.reset(new CFailure{std::current_exception(), false, {}});
            failure->located = CReadLocation::Detach(element, failure->where);
        }
        touched = ids.Touched();
    }
    CReadLocation::Reset();
    if (touched) {
        m_stopped = true;
        return Taken::kNothing;
    }
    if (failure) {
        // Alone, where the collection meets it after the items before it.
        m_reads.push_back(CRead{element, {}, std::move(failure)});
        return Taken::kContent;
    }
    if (!object) return Taken::kNothing;
    // The previous sibling began a run of the same collection (one name):
    // this element joins it and is freed.
    if (run != 0 && parent.joins) {
        m_reads[run - 1].objects.push_back(object);
        parent.run = run;
        return Taken::kElement;
    }
    m_reads.push_back(CRead{element, {object}, nullptr});
    parent.run = m_reads.size();
    return Taken::kContent;
}

const std::vector<CSmartPtr<CXmlObjectBase>>* CReadAhead::Take(const CXmlElement* element) {
    CReadAhead* ahead = t_inUse;
    if (!ahead) return nullptr;
    const CRead* read = nullptr;
    if (ahead->m_next < ahead->m_reads.size() && ahead->m_reads[ahead->m_next].element == element) {
        read = &ahead->m_reads[ahead->m_next++];
    } else {
        read = ahead->Find(element);
        if (!read) return nullptr;
    }
    if (read->failure) {
        if (read->failure->located) CReadLocation::Restore(element, read->failure->where);
        std::rethrow_exception(read->failure->error);
    }
    return &read->objects;
}

std::size_t CReadAhead::Weight(const CXmlElement* element) {
    const CRead* read = t_inUse ? t_inUse->Find(element) : nullptr;
    return read && !read->objects.empty() ? read->objects.size() : 1;
}

const CReadAhead::CRead* CReadAhead::Find(const CXmlElement* element) {
    if (m_index.size() != m_reads.size()) {
        for (std::size_t i = 0; i < m_reads.size(); ++i) m_index.emplace(m_reads[i].element, i);
    }
    const auto found = m_index.find(element);
    if (found == m_index.end()) return nullptr;
    m_next = found->second + 1;
    return &m_reads[found->second];
}

}  // namespace QbXmlLib5
