// CReadAhead: reads generated objects out of a document while it loads, so
// that the document tree never holds all of its elements at once.
//
// Reading generated objects walks a complete tree: a content model may look
// ahead and step back. But most of a large document is a run of repeated
// elements whose class nothing can dispute: each is read by one collection,
// whatever comes after it. When such an element is complete, CReadAhead
// reads it into its object at once, as the collection would, and lets the
// document free the element's content; the empty element stays in the tree,
// and the collection takes the object when its read reaches it. A run of
// such siblings keeps only its first element, which stands for them all
// (messages still count each). The others are read a few dozen at a time,
// the document holding them until then (Taken::kHold): parsing one element
// and reading it in turn would run the parser and the reading code
// alternately, which together do not fit in the instruction cache. A
// failure is kept with its element and thrown then, so the message, and
// which fault is reported first, are those of a read of the whole tree.
//
// An element is read ahead when the classes of all its ancestors are known
// from the root down and its parent's class has exactly one record that can
// take its name, a collection of a generated class that reads its items one
// by one, and no wildcard, substitution group or model group that could
// take it instead. Objects with ID or IDREF values are read in their turn
// (their order matters to the checks): the first such object stops reading
// ahead for the rest of the document.
#ifndef QBXMLLIB5_BINDING_CREADAHEAD_H
#define QBXMLLIB5_BINDING_CREADAHEAD_H

#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding/CReadLocation.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "xml/CXmlElementConsumer.h"

namespace QbXmlLib5Data {
class CElementInfo;
}  // namespace QbXmlLib5Data

namespace QbXmlLib5 {

class CXmlCollectionBase;
class CXmlGeneratedClass;

class CReadAhead : public CXmlElementConsumer {
public:
    // For a read of the document element into `root` with `ctx`; both must
    // outlive the reader ahead. `root` is only looked at (it may create the
    // collections it creates when asked for).
    CReadAhead(CXmlGeneratedClass* root, const CXmlSerializationContext& ctx);
    ~CReadAhead() override;
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    void ElementOpened(const CXmlElement* element) override;
    Taken ElementClosed(const CXmlElement* element) override;
    void Restart() override;
    Taken HeldRunEnds(const CXmlElement* parent) override;

    // While it lives, Take finds on this thread what `ahead` read.
    class CInUse {
    public:
        explicit CInUse(CReadAhead& ahead);
        ~CInUse();
        CInUse(const CInUse&) = delete;
        CInUse& operator=(const CInUse&) = delete;

    private:
        CReadAhead* m_outer;
    };

    // The objects read ahead from `element` and the siblings it stands for,
    // in document order; null when there are none. Throws what reading it
    // threw, where it threw it.
    static const std::vector<CSmartPtr<CXmlObjectBase>>* Take(const CXmlElement* element);
    // How many elements of the document `element` stands for: 1 but for
    // the first of a run.
    static std::size_t Weight(const CXmlElement* element);

private:
    // What is known of an open element: its class, through an object of it
    // (null: unknown), and the collection that reads it, if it is read ahead.
    // The objects are the root, new objects of the members' declared classes
    // (what reading creates) and collections they hold.
    // What a child element of a class was found to be, by its interned name:
    // the same for every element of that name under that class.
    struct CKnown {
        const std::string* name;
        const std::string* ns;
        CXmlGeneratedClass* prototype;
        CXmlCollectionBase* collection;
        bool joins;
        std::vector<CKnown>* children;  // what children of `prototype` were found to be
    };
    struct CLevel {
        CXmlGeneratedClass* prototype;
        CXmlCollectionBase* collection;
        // Whether runs of children may be joined: not where mixed content
        // keeps the text between them.
        bool joins;
        std::vector<CKnown>* known;  // of the children of `prototype`; null without one
        // 1 + the index in m_reads of the run its last child belongs to; 0
        // when that child was not read ahead. Only elements of the run's
        // collection join it.
        std::size_t run;
        CXmlCollectionBase* runCollection;
        // The last child opened (siblings mostly repeat one name).
        CKnown lastChild;
    };
    struct CFailure {
        std::exception_ptr error;
        bool located;
        CReadLocation::CDetached where;
    };
    // One element read ahead, or a run of them that succeeded.
    struct CRead {
        const CXmlElement* element;
        std::vector<CSmartPtr<CXmlObjectBase>> objects;
        std::unique_ptr<CFailure> failure;
    };

    CLevel Level(CXmlGeneratedClass* prototype, CXmlCollectionBase* collection, bool joins);
    CLevel LevelOf(const CXmlElement* element);
    CLevel FindLevel(const CXmlElement* element);
    // Whether records of the class may be told apart by element name alone.
    bool NamesDecide(const CXmlGeneratedClass* prototype) const;
    // What reading one element ahead gave: its object, or its failure, or
    // neither when the collection leaves it to the whole read; `touched`
    // when it met IDs (nothing is read ahead from there on).
    struct CAttempt {
        CSmartPtr<CXmlObjectBase> object;
        std::unique_ptr<CFailure> failure;
        bool touched = false;
    };
    // `depth`: the number of the element's ancestors.
    CAttempt ReadOne(const CXmlElement* element, CXmlCollectionBase* collection, std::size_t depth);
    // Reads `element`, a child of `parent`, ahead through `collection`.
    Taken Read(const CXmlElement* element, CXmlCollectionBase* collection, CLevel& parent,
               std::size_t run);
    // Reads the held elements, which join run `run` of `parent` and are then
    // freed with the last of them: Taken::kElement. Where one of them does
    // not read so, each keeps its element and its own read: kNothing.
    Taken ReadHeld(CLevel& parent, std::size_t run);
    // The held elements stay in the tree, each with its own read: the first
    // ones were `read` already, the next one gave `next` (may be null).
    void KeepHeld(const std::vector<CSmartPtr<CXmlObjectBase>>& read, CAttempt* next);
    const CRead* Find(const CXmlElement* element);

    CXmlGeneratedClass* const m_root;
    const CXmlSerializationContext& m_ctx;
    std::vector<CLevel> m_levels;
    // In document order: the collections take them in that order, so the
    // next one is looked at first; the index serves any other order. (A
    // deque grows without copying what it holds.)
    std::deque<CRead> m_reads;
    std::size_t m_next = 0;
    std::unordered_map<const CXmlElement*, std::size_t> m_index;
    // By class: what its children were found to be (a node-based map keeps
    // the vectors where they are).
    std::unordered_map<const CXmlGeneratedClass*, std::vector<CKnown>> m_known;
    // The classes seen, by their record arrays: whether names decide.
    mutable std::unordered_map<const void*, bool> m_namesDecide;
    // By record: an object of the member's class, or null for a record of
    // anything else.
    mutable std::unordered_map<const QbXmlLib5Data::CElementInfo*, CSmartPtr<CXmlObjectBase>>
        m_prototypes;
    bool m_stopped = false;
    // Elements that join a run, held by the document until kBatch of them
    // are read at once: reading them one by one as the parser completes
    // them runs the parser and the reading code in turn, and together they
    // do not fit in the processor's instruction cache. Their parent is
    // m_levels[m_heldDepth - 1].
    struct CHeld {
        const CXmlElement* element;
        CXmlCollectionBase* collection;
    };
    static constexpr std::size_t kBatch = 32;
    std::vector<CHeld> m_held;
    std::size_t m_heldDepth = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CREADAHEAD_H
