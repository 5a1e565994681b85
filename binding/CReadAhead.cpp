#include "binding/CReadAhead.h"

#include <algorithm>

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
    CXmlCollectionBase* const collection = m_levels.back().collection;
    m_levels.pop_back();
    // The parent of held elements closes: they stay.
    if (!m_held.empty() && m_levels.size() < m_heldDepth) KeepHeld({}, nullptr);
    if (m_levels.empty()) return Taken::kNothing;
    CLevel& parent = m_levels.back();
    const std::size_t run = parent.run;
    parent.run = 0;
    const bool joins =
        collection && !m_stopped && run != 0 && parent.joins && parent.runCollection == collection;
    // So does a sibling that does not join them.
    if (!m_held.empty() && m_levels.size() == m_heldDepth && !joins) KeepHeld({}, nullptr);
    if (!collection || m_stopped) return Taken::kNothing;
    // Runs nested in held elements are read one element at a time.
    if (!joins || (!m_held.empty() && m_levels.size() != m_heldDepth)) {
        return Read(element, collection, parent, run);
    }
    if (m_held.empty()) m_heldDepth = m_levels.size();
    m_held.push_back(CHeld{element, collection});
    parent.run = run;
    return m_held.size() < kBatch ? Taken::kHold : ReadHeld(parent, run);
}

CXmlElementConsumer::Taken CReadAhead::HeldRunEnds(const CXmlElement*) {
    // The run is read as it stands and joins the objects before it.
    if (m_held.empty() || m_levels.size() != m_heldDepth) return Taken::kNothing;
    CLevel& parent = m_levels.back();
    return ReadHeld(parent, parent.run);
}

void CReadAhead::Restart() {
    m_levels.clear();
    m_reads.clear();
    m_next = 0;
    m_index.clear();
    m_stopped = false;
    m_held.clear();
    m_known.clear();
}

CReadAhead::CLevel CReadAhead::Level(CXmlGeneratedClass* prototype, CXmlCollectionBase* collection,
                                     bool joins) {
    std::vector<CKnown>* known = prototype ? &m_known[prototype] : nullptr;
    return {prototype, collection, joins, known, 0, nullptr, {}};
}

CReadAhead::CLevel CReadAhead::LevelOf(const CXmlElement* element) {
    if (m_levels.empty()) return FindLevel(element);
    // Below an element of unknown class (an item read whole, for one)
    // nothing is known.
    if (m_stopped || !m_levels.back().prototype) return CLevel{};
    CKnown& last = m_levels.back().lastChild;
    const std::string* name = &element->GetLocalName();
    const std::string* ns = &element->GetNamespaceURI();
    if (last.name != name || last.ns != ns) {
        std::vector<CKnown>& known = *m_levels.back().known;
        auto found = std::find_if(known.begin(), known.end(),
                                  [&](const CKnown& k) { return k.name == name && k.ns == ns; });
        if (found == known.end()) {
            const CLevel level = FindLevel(element);
            known.push_back(
                CKnown{name, ns, level.prototype, level.collection, level.joins, level.known});
            found = known.end() - 1;
        }
        last = *found;
    }
    return {last.prototype, last.collection, last.joins, last.children, 0, nullptr, {}};
}

CReadAhead::CLevel CReadAhead::FindLevel(const CXmlElement* element) {
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
        // Made for reading, it has its members (mandatory collections too)
        // once a read would have reset it.
        if (prototype->second) {
            if (auto* made = dynamic_cast<CXmlGeneratedClass*>(prototype->second->GetBase())) {
                made->ResetProperties();
            }
        }
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

CReadAhead::CAttempt CReadAhead::ReadOne(const CXmlElement* element, CXmlCollectionBase* collection,
                                         std::size_t depth) {
    CAttempt attempt;
    CReadLocation::Reset();
    {
        const CDocumentIds::CReadAhead ids;
        // As deep as the element's ancestors, which are generated objects.
        const CGeneratedNesting::CLevels levels(static_cast<int>(depth));
        try {
            attempt.object = collection->ReadItemAhead(element, m_ctx);
        } catch (...) {
            attempt.failure.reset(new CFailure{std::current_exception(), false, {}});
            attempt.failure->located = CReadLocation::Detach(element, attempt.failure->where);
        }
        attempt.touched = ids.Touched();
    }
    CReadLocation::Reset();
    return attempt;
}

CXmlElementConsumer::Taken CReadAhead::Read(const CXmlElement* element,
                                            CXmlCollectionBase* collection, CLevel& parent,
                                            std::size_t run) {
    CAttempt attempt = ReadOne(element, collection, m_levels.size());
    if (attempt.touched) {
        m_stopped = true;
        return Taken::kNothing;
    }
    if (attempt.failure) {
        // Alone, where the collection meets it after the items before it.
        m_reads.push_back(CRead{element, {}, std::move(attempt.failure)});
        return Taken::kContent;
    }
    if (!attempt.object) return Taken::kNothing;
    // The previous sibling began a run of the same collection (one name):
    // this element joins it and is freed.
    if (run != 0 && parent.joins && parent.runCollection == collection) {
        m_reads[run - 1].objects.push_back(attempt.object);
        parent.run = run;
        return Taken::kElement;
    }
    m_reads.push_back(CRead{element, {attempt.object}, nullptr});
    parent.run = m_reads.size();
    parent.runCollection = collection;
    return Taken::kContent;
}

CXmlElementConsumer::Taken CReadAhead::ReadHeld(CLevel& parent, std::size_t run) {
    std::vector<CSmartPtr<CXmlObjectBase>> objects;
    objects.reserve(m_held.size());
    for (const CHeld& held : m_held) {
        CAttempt attempt = ReadOne(held.element, held.collection, m_heldDepth);
        if (attempt.touched || attempt.failure || !attempt.object) {
            KeepHeld(objects, &attempt);
            parent.run = 0;
            return Taken::kNothing;
        }
        objects.push_back(std::move(attempt.object));
    }
    std::vector<CSmartPtr<CXmlObjectBase>>& joined = m_reads[run - 1].objects;
    joined.insert(joined.end(), objects.begin(), objects.end());
    m_held.clear();
    return Taken::kElement;
}

void CReadAhead::KeepHeld(const std::vector<CSmartPtr<CXmlObjectBase>>& read, CAttempt* next) {
    // As Read would have read them one at a time, each keeping its element:
    // those read already, the attempt that came next, then the rest.
    std::size_t i = 0;
    for (; i < read.size(); ++i) m_reads.push_back(CRead{m_held[i].element, {read[i]}, nullptr});
    CAttempt attempt;
    for (; i < m_held.size() && !m_stopped; ++i) {
        if (next) {
            attempt = std::move(*next);
            next = nullptr;
        } else {
            attempt = ReadOne(m_held[i].element, m_held[i].collection, m_heldDepth);
        }
        if (attempt.touched) {
            m_stopped = true;
        } else if (attempt.failure) {
            m_reads.push_back(CRead{m_held[i].element, {}, std::move(attempt.failure)});
        } else if (attempt.object) {
            m_reads.push_back(CRead{m_held[i].element, {attempt.object}, nullptr});
        }
    }
    m_held.clear();
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
