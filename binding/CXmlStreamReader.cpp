#include "binding/CXmlStreamReader.h"

#include <functional>
#include <utility>
#include <vector>

#include "binding/CReadLocation.h"
#include "binding/CXmlStreamPath.h"
#include "core/CPlatformStreamFile.h"
#include "core/CQbException.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElementConsumer.h"
#include "xml/CXmlStreamInput.h"

namespace QbXmlLib5 {

namespace {

// Items between two releases of a mapped input's pages.
const std::size_t kItemsPerRelease = 4096;

// Follows the load of the document: hands over each element at the path
// once it is complete and lets the document free it, with the layout around
// it. What remains is the skeleton that a parent object is read from; the
// first streamed element stays in it, standing in for them all. Without a
// parent object the other elements go too.
//
// The document holds the elements of a run until kBatch of them are
// complete (or the run ends), and they are handed over together: parsing
// and reading in turn would run the parser and the reading code
// alternately, which together do not fit in the instruction cache.
class CStreamConsumer : public CXmlElementConsumer {
public:
    CStreamConsumer(const CXmlStreamPath& path, const CXmlStreamReader::ElementHandler& handler,
                    bool keepSkeleton)
        : m_path(path), m_handler(handler), m_keepSkeleton(keepSkeleton) {
        m_held.reserve(kBatch);
    }

    std::size_t GetCount() const { return m_count; }
    void SetItemHook(std::function<void(std::size_t)> hook) { m_itemHook = std::move(hook); }

    void ElementOpened(const CXmlElement* element) override {
        if (m_item != nullptr) return;
        const std::size_t level = m_depth++;
        const bool onPath =
            m_matched == level && level < m_path.GetDepth() &&
            m_path.Matches(level, element->GetNamespaceURI(), element->GetLocalName());
        if (level == 0 && !onPath) {
            throw CQbInvalidParamException(
                FormatString("The document element [%s] does not match the path [%s]",
                             element->GetLocalName().c_str(), m_path.GetText().c_str()));
        }
        if (!onPath) return;
        m_matched = level + 1;
        if (m_matched == m_path.GetDepth()) m_item = element;
    }

    Taken ElementClosed(const CXmlElement* element) override {
        if (m_item != nullptr && element != m_item) return Taken::kNothing;
        if (m_matched > --m_depth) m_matched = m_depth;
        if (m_item == nullptr) {
            return m_keepSkeleton || m_depth == 0 ? Taken::kNothing : Taken::kElementAndSpace;
        }
        m_item = nullptr;
        ++m_count;
        if (m_keepSkeleton && m_count == 1) {
            // The stand-in stays.
            HandOver(element, m_count);
            return Taken::kNothing;
        }
        if (m_depth == 0) {
            // The document element has no siblings to be held with.
            HandOver(element, m_count);
            return Taken::kContent;
        }
        m_held.push_back(element);
        if (m_held.size() < kBatch) return Taken::kHold;
        HandOverHeld();
        return Taken::kElementAndSpace;
    }

    Taken HeldRunEnds(const CXmlElement*) override {
        HandOverHeld();
        return Taken::kElementAndSpace;
    }

    // The document is read again from its start by another parser: the
    // items handed over so far are passed over this time.
    void Restart() override {
        m_skip = m_handed;
        m_count = m_handed = 0;
        m_depth = m_matched = 0;
        m_item = nullptr;
        m_held.clear();
    }

private:
    static constexpr std::size_t kBatch = 32;

    void HandOver(const CXmlElement* element, std::size_t index) {
        m_handed = index;
        if (index > m_skip) m_handler(*element, index);
        if (m_itemHook) m_itemHook(index);
    }

    // The held items, m_count being the index of the last.
    void HandOverHeld() {
        const std::size_t first = m_count - m_held.size() + 1;
        try {
            for (std::size_t i = 0; i < m_held.size(); ++i) HandOver(m_held[i], first + i);
        } catch (...) {
            // Those after a failing item are not handed over.
            m_held.clear();
            throw;
        }
        m_held.clear();
    }

    const CXmlStreamPath& m_path;
    const CXmlStreamReader::ElementHandler& m_handler;
    const bool m_keepSkeleton;
    std::function<void(std::size_t)> m_itemHook;
    std::size_t m_depth = 0;              // open elements outside the streamed one
    std::size_t m_matched = 0;            // leading open elements that follow the path
    const CXmlElement* m_item = nullptr;  // the streamed element being read
    std::size_t m_count = 0;              // items complete
    std::size_t m_handed = 0;             // items handed over (or passed over)
    std::size_t m_skip = 0;               // items already handed over before a restart
    std::vector<const CXmlElement*> m_held;
};

}  // namespace

CXmlStreamReader::CXmlStreamReader(const char* fileName, const CXmlSerializationContext& ctx)
    : m_input(new CXmlStreamInput(fileName)), m_ctx(ctx) {}

CXmlStreamReader::CXmlStreamReader(std::istream& stream, const CXmlSerializationContext& ctx)
    : m_input(new CXmlStreamInput(stream)), m_ctx(ctx) {}

CXmlStreamReader::~CXmlStreamReader() = default;

std::size_t CXmlStreamReader::ReadElements(const std::string& path, const ElementHandler& handler,
                                           CXmlObjectBase* parent) {
    const CXmlStreamPath steps(path);
    if (m_used) throw CQbInvalidStateException("The document has already been read.");
    if (parent && steps.GetDepth() < 2) {
        throw CQbInvalidParamException(FormatString(
            "The path [%s] names the document element: there is no parent to read", path.c_str()));
    }
    m_used = true;
    CStreamConsumer consumer(steps, handler, parent != nullptr);
    CXmlDocument document(m_ctx.GetSchemaType());
    document.SetElementConsumer(&consumer);
    if (m_input->IsFastInfoset() || m_input->MapsInPlace()) {
        // Decoded from a mapping whose pages are given back as items pass.
        const CPlatformMappedFile& mapping = m_input->Map();
        consumer.SetItemHook([&mapping](std::size_t count) {
            if (count % kItemsPerRelease == 0) mapping.ReleasePages();
        });
        document.LoadXmlStream(mapping.GetData(), mapping.GetSize());
    } else {
        // Text read piece by piece; an input that can start over lets the
        // library's own parser read it, Expat taking over where it declines.
        CXmlStreamInput& input = *m_input;
        const auto read = [&input](unsigned char* buffer, std::size_t size) {
            return input.Read(buffer, size);
        };
        const auto rewind = [&input] {
            if (!input.Rewind()) throw CQbException("Failed to read the XML stream.");
        };
        if (input.Rewind()) {
            document.LoadXmlFrom(read, rewind);
        } else {
            document.LoadXmlFrom(read);
        }
    }
    if (parent) {
        ReadParent(parent, document.GetDocumentElement());
        // The stand-in read with the parent is not one of its members.
        if (consumer.GetCount() > 0) steps.Locate(parent).collection->Clear();
    }
    return consumer.GetCount();
}

void CXmlStreamReader::ReadItem(CXmlObjectBase* item, const CXmlElement& element,
                                const std::string& path, std::size_t index) const {
    CReadLocation::Reset();
    try {
        CXmlObjectBase::FromXml_Int(item, &element, element.GetFirstElement(), m_ctx);
    } catch (const CQbException& e) {
        std::string message = FormatString("Failed to read item %zu at %s", index, path.c_str());
        // The place from the item down: the items before it are no longer
        // in the tree to count its position by.
        const std::string where = CReadLocation::TakeFailureBelow(&element);
        if (!where.empty()) message += " (" + where + ")";
        throw CQbValidationException(message, e);
    }
}

void CXmlStreamReader::ReadParent(CXmlObjectBase* parent, const CXmlElement* root) const {
    CReadLocation::Reset();
    try {
        CXmlObjectBase::FromXml_Int(parent, root, root->GetFirstElement(), m_ctx);
    } catch (const CQbException& e) {
        const std::string where = CReadLocation::TakeFailure();
        if (where.empty()) throw;
        throw CQbValidationException("Failed to read the document at " + where, e);
    }
}

}  // namespace QbXmlLib5
