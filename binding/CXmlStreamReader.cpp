#include "binding/CXmlStreamReader.h"

#include <string_view>
#include <utility>
#include <vector>

#include "binding/CReadLocation.h"
#include "binding/CXmlStreamPath.h"
#include "core/CCharEncoding.h"
#include "core/CPlatformStreamFile.h"
#include "core/CQbException.h"
#include "fastinfoset/CFastInfosetReader.h"
#include "xml/CQuickXmlReader.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlEventParser.h"
#include "xml/CXmlEventSink.h"
#include "xml/CXmlStreamInput.h"

namespace QbXmlLib5 {

namespace {

using QName = CXmlEventSink::QName;
using Declarations = std::vector<CXmlEventSink::Declaration>;
using Attributes = std::vector<CXmlEventSink::Attribute>;
// A namespace declaration in UTF-8: prefix, namespace URI.
using Binding = std::pair<std::string, std::string>;

const std::size_t kChunk = 64 * 1024;
// Items between two releases of a mapped input's pages.
const std::size_t kItemsPerRelease = 4096;

bool IsWhitespace(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// A document tree built from events: the element being handed over, or the
// skeleton of everything else.
class CStreamDocument : public CXmlDocument {
public:
    explicit CStreamDocument(SchemaType schemaType)
        : CXmlDocument(schemaType), m_utf8(IsLocalCharEncodingUtf8()) {}

    // `inherited` are declarations in scope from outside the tree.
    void Start(const QName& name, const Declarations& declarations, const Attributes& attributes,
               const std::vector<Binding>* inherited) {
        if (inherited) {
            for (const Binding& binding : *inherited) {
                AddNamespaceAlias(std::string(Local(binding.first, 0)),
                                  std::string(Local(binding.second, 1)));
            }
        }
        for (const auto& declaration : declarations) {
            AddNamespaceAlias(std::string(Local(declaration.prefix, 0)),
                              std::string(Local(declaration.namespaceUri, 1)));
        }
        const std::string_view uri = Local(name.namespaceUri, 0);
        const std::string_view localName = Local(name.localName, 1);
        CXmlElement* element =
            GetCurrentElement() ? AddChildElement(uri, localName) : AddDocElement(uri, localName);
        for (const auto& attribute : attributes) {
            AddElementAttribute(element, Local(attribute.name.localName, 0),
                                Local(attribute.value, 1), Local(attribute.name.namespaceUri, 2));
        }
    }
    void End() { EndElement(); }
    void Text(std::string_view text) {
        if (CXmlElement* element = GetCurrentElement()) {
            const std::string_view local = Local(text, 0);
            AppendTextExcludingCR(element, local.data(), local.size());
        }
    }
    // Ready for the next tree; the names stay.
    void Reset() { EmptyTree(); }

private:
    // The text in the local encoding: itself, or a conversion kept in one of
    // three slots until the next conversion into that slot.
    std::string_view Local(std::string_view utf8, int slot) {
        if (m_utf8) return utf8;
        m_converted[slot] = Utf8ToLocal(utf8.data(), utf8.size());
        return m_converted[slot];
    }
    bool m_utf8;
    std::string m_converted[3];
};

// Sorts the events: those of a streamed element build its tree, which is
// handed over when it ends; the others build the skeleton, when wanted.
class CStreamSink : public CXmlEventSink {
public:
    CStreamSink(const CXmlStreamPath& path, SchemaType schemaType,
                const CXmlStreamReader::ElementHandler& handler, bool keepSkeleton)
        : m_path(path), m_handler(handler), m_schemaType(schemaType), m_item(schemaType) {
        if (keepSkeleton) m_skeleton.reset(new CStreamDocument(schemaType));
    }

    // The document is read again from its start by another parser: the
    // items handed over so far are passed over this time.
    void Restart() {
        m_skip = m_count;
        m_count = 0;
        m_item.Reset();
        if (m_skeleton) m_skeleton.reset(new CStreamDocument(m_schemaType));
        m_depth = m_matched = m_itemLevel = 0;
        m_inItem = m_standIn = false;
        m_scope.clear();
        m_marks.clear();
    }

    std::size_t GetCount() const { return m_count; }
    const CXmlElement* GetSkeletonRoot() const {
        return m_skeleton ? m_skeleton->GetDocumentElement() : nullptr;
    }
    void SetItemHook(std::function<void(std::size_t)> hook) { m_itemHook = std::move(hook); }

    void StartElement(const QName& name, const Declarations& declarations,
                      const Attributes& attributes) override {
        if (m_inItem) {
            m_item.Start(name, declarations, attributes, nullptr);
            if (m_standIn) m_skeleton->Start(name, declarations, attributes, nullptr);
            ++m_depth;
            return;
        }
        const std::size_t level = m_depth;
        const bool onPath = m_matched == level && level < m_path.GetDepth() &&
                            m_path.Matches(level, name.namespaceUri, name.localName);
        if (level == 0 && !onPath) {
            throw CQbInvalidParamException(
                FormatString("The document element [%s] does not match the path [%s]",
                             std::string(name.localName).c_str(), m_path.GetText().c_str()));
        }
        if (onPath) m_matched = level + 1;
        m_marks.push_back(m_scope.size());
        for (const auto& declaration : declarations) {
            m_scope.emplace_back(std::string(declaration.prefix),
                                 std::string(declaration.namespaceUri));
        }
        if (onPath && level + 1 == m_path.GetDepth()) {
            m_inItem = true;
            m_itemLevel = level;
            m_item.Start(name, {}, attributes, &m_scope);
            m_standIn = m_skeleton && m_count == 0;
        }
        if (m_skeleton && (!m_inItem || m_standIn)) {
            m_skeleton->Start(name, declarations, attributes, nullptr);
        }
        ++m_depth;
    }

    void EndElement() override {
        --m_depth;
        if (m_inItem) m_item.End();
        if (m_skeleton && (!m_inItem || m_standIn)) m_skeleton->End();
        if (m_inItem && m_depth != m_itemLevel) return;
        m_scope.resize(m_marks.back());
        m_marks.pop_back();
        if (m_matched > m_depth) m_matched = m_depth;
        if (m_inItem) HandOver();
    }

    void Text(std::string_view text) override {
        if (m_inItem) {
            m_item.Text(text);
            if (m_standIn) m_skeleton->Text(text);
            return;
        }
        // Between streamed elements their parent has only layout, which
        // would otherwise pile up in the skeleton.
        const bool inParent = m_matched == m_depth && m_depth + 1 == m_path.GetDepth();
        if (m_skeleton && !(inParent && IsWhitespace(text))) m_skeleton->Text(text);
    }
    void Comment(std::string_view) override {}
    void ProcessingInstruction(std::string_view, std::string_view) override {}
    void EndDocument() override {}

private:
    void HandOver() {
        m_inItem = false;
        m_standIn = false;
        ++m_count;
        if (m_count > m_skip) m_handler(*m_item.GetDocumentElement(), m_count);
        m_item.Reset();
        if (m_itemHook) m_itemHook(m_count);
    }

    const CXmlStreamPath& m_path;
    const CXmlStreamReader::ElementHandler& m_handler;
    std::function<void(std::size_t)> m_itemHook;
    const SchemaType m_schemaType;
    CStreamDocument m_item;
    std::unique_ptr<CStreamDocument> m_skeleton;
    std::size_t m_depth = 0;    // open elements
    std::size_t m_matched = 0;  // leading open elements that follow the path
    bool m_inItem = false;
    bool m_standIn = false;       // the item goes to the skeleton too
    std::size_t m_itemLevel = 0;  // open elements around the streamed one
    std::size_t m_count = 0;
    std::size_t m_skip = 0;  // items already handed over before a restart
    // Namespace declarations in scope outside the streamed element, with
    // the scope size at each open element.
    std::vector<Binding> m_scope;
    std::vector<std::size_t> m_marks;
};

void ReadText(CXmlStreamInput& input, CStreamSink& sink, SchemaType schemaType) {
    CXmlEventParser parser(sink, schemaType != ST_NO_NAMESPACES);
    std::vector<unsigned char> buffer(kChunk);
    for (;;) {
        const std::size_t n = input.Read(buffer.data(), buffer.size());
        parser.Parse(buffer.data(), n, n == 0);
        if (n == 0) return;
    }
}

// An uncompressed file, mapped: read by the library's own parser, several
// times faster than Expat. Where it declines (see CQuickXmlReader), Expat
// reads the document again from its start, for its checks and messages.
void ReadMappedText(CXmlStreamInput& input, CStreamSink& sink, SchemaType schemaType) {
    const CPlatformMappedFile& mapping = input.Map();
    sink.SetItemHook([&mapping](std::size_t count) {
        if (count % kItemsPerRelease == 0) mapping.ReleasePages();
    });
    {
        // Keeps the names the reader interns; no tree is built in it.
        CXmlDocument names(schemaType);
        CQuickXmlReader reader(&names);
        reader.SetEventSink(&sink);
        if (reader.Parse(mapping.GetData(), mapping.GetSize())) return;
    }
    sink.Restart();
    CXmlEventParser parser(sink, true);
    const std::size_t size = mapping.GetSize();
    std::size_t done = 0;
    do {
        const std::size_t n = size - done < kChunk ? size - done : kChunk;
        parser.Parse(mapping.GetData() + done, n, done + n == size);
        done += n;
    } while (done < size);
}

void ReadFastInfoset(CXmlStreamInput& input, CStreamSink& sink, SchemaType schemaType) {
    if (!IsLocalCharEncodingUtf8()) {
        throw CQbInvalidStateException(
            "Streaming Fast Infoset needs UTF-8 as the local character encoding.");
    }
    const CPlatformMappedFile& mapping = input.Map();
    // Keeps the names the reader interns; no tree is built in it.
    CXmlDocument names(schemaType);
    CFastInfosetReader reader(&names, mapping.GetData(), mapping.GetSize());
    reader.SetEventSink(&sink);
    sink.SetItemHook([&mapping](std::size_t count) {
        if (count % kItemsPerRelease == 0) mapping.ReleasePages();
    });
    if (!reader.Read()) throw CQbException("Invalid or empty XML document");
}

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
    const SchemaType schemaType = m_ctx.GetSchemaType();
    CStreamSink sink(steps, schemaType, handler, parent != nullptr);
    if (m_input->IsFastInfoset()) {
        ReadFastInfoset(*m_input, sink, schemaType);
    } else if (m_input->MapsInPlace() && schemaType != ST_NO_NAMESPACES &&
               IsLocalCharEncodingUtf8()) {
        ReadMappedText(*m_input, sink, schemaType);
    } else {
        ReadText(*m_input, sink, schemaType);
    }
    if (parent) {
        ReadParent(parent, sink.GetSkeletonRoot());
        // The stand-in read with the parent is not one of its members.
        if (sink.GetCount() > 0) steps.Locate(parent).collection->Clear();
    }
    return sink.GetCount();
}

void CXmlStreamReader::ReadItem(CXmlObjectBase* item, const CXmlElement& element,
                                const std::string& path, std::size_t index) const {
    CReadLocation::Reset();
    try {
        CXmlObjectBase::FromXml_Int(item, &element, element.GetFirstElement(), m_ctx);
    } catch (const CQbException& e) {
        std::string message = FormatString("Failed to read item %zu at %s", index, path.c_str());
        const std::string where = CReadLocation::TakeFailure();
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
