#include "binding/CXmlStreamWriter.h"

#include <algorithm>

#include "binding/CAttributeInfo.h"
#include "binding/CElementInfo.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlStreamPath.h"
#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "fastinfoset/CFastInfosetWriter.h"
#include "types/CBinaryData.h"
#include "xml/CXmlStreamOutput.h"
#include "xml/CXmlTextWriter.h"

namespace QbXmlLib5 {

namespace {

// Output the writers may gather before it is passed on.
const std::size_t kDrainSize = 256 * 1024;

// Thrown past the root's own writing where Begin stops. Not a CQbException,
// so no object on the way wraps it.
struct CCutReached {};

// Passes a root object's writing on to the real writer either up to the
// place of the streamed elements (the head) or from there on (the tail).
// That place is inside the streamed elements' parent, before its first
// member written after them or before its end tag.
class CCutWriter : public CXmlWriter {
public:
    CCutWriter(CXmlWriter& target, const CXmlStreamPath& path,
               const std::vector<std::string>& namesAfter, bool head)
        : CXmlWriter("CCutWriter"),
          m_target(target),
          m_path(path),
          m_namesAfter(namesAfter),
          m_passing(head),
          m_head(head) {}

    bool IsCutReached() const { return m_cutReached; }

    void SetDefaultNamespace(const std::string& namespaceUri) override {
        if (m_passing) m_target.SetDefaultNamespace(namespaceUri);
    }
    void AddNamespace(const std::string& prefix, const std::string& namespaceUri) override {
        if (m_passing) m_target.AddNamespace(prefix, namespaceUri);
    }
    void WriteComment(const std::string& text) override {
        if (m_passing) m_target.WriteComment(text);
    }
    void WriteProcessingInstruction(const std::string& text) override {
        if (m_passing) m_target.WriteProcessingInstruction(text);
    }
    void WriteInLineSchema(const std::string& text) override {
        if (m_passing) m_target.WriteInLineSchema(text);
    }
    void WriteStartElement(const std::string& localName, const std::string& namespaceUri) override {
        if (InParent() &&
            std::find(m_namesAfter.begin(), m_namesAfter.end(), localName) != m_namesAfter.end()) {
            ReachCut();
        }
        const std::size_t level = m_depth;
        const bool onPath = m_matched == level && level + 1 < m_path.GetDepth() &&
                            m_path.Matches(level, namespaceUri, localName);
        if (level == 0 && !onPath) {
            throw CQbInvalidParamException(
                FormatString("The document element [%s] does not match the path [%s]",
                             localName.c_str(), m_path.GetText().c_str()));
        }
        if (onPath) m_matched = level + 1;
        ++m_depth;
        if (m_passing) m_target.WriteStartElement(localName, namespaceUri);
    }
    void WriteText(const std::string& text) override {
        if (m_passing) m_target.WriteText(text);
    }
    void WriteEndElement() override {
        if (InParent()) ReachCut();
        --m_depth;
        m_matched = std::min(m_matched, m_depth);
        if (m_passing) m_target.WriteEndElement();
    }
    void WriteAttribute(const std::string& localName, const std::string& namespaceUri,
                        const std::string& value) override {
        if (m_passing) m_target.WriteAttribute(localName, namespaceUri, value);
    }
    void WriteXsiType(const std::string& typeNamespaceUri, const std::string& typeName) override {
        if (m_passing) m_target.WriteXsiType(typeNamespaceUri, typeName);
    }

private:
    bool InParent() const {
        return !m_cutReached && m_depth + 1 == m_path.GetDepth() && m_matched == m_depth;
    }
    void ReachCut() {
        m_cutReached = true;
        if (m_head) throw CCutReached();
        m_passing = true;
    }

    CXmlWriter& m_target;
    const CXmlStreamPath& m_path;
    const std::vector<std::string>& m_namesAfter;
    bool m_passing;
    bool m_head;
    bool m_cutReached = false;
    std::size_t m_depth = 0;
    std::size_t m_matched = 0;
};

}  // namespace

CXmlStreamWriter::CXmlStreamWriter(const char* fileName, const COptions& options,
                                   const CXmlSerializationContext& ctx)
    : m_options(options), m_ctx(ctx) {
    if (options.compression == CT_ZLIB) {
        throw CQbException("ZLIB Compression only available for To Stream methods.");
    }
    Setup(options, true);
    m_output.reset(new CXmlStreamOutput(fileName, options.compression));
}

CXmlStreamWriter::CXmlStreamWriter(std::ostream& stream, const COptions& options,
                                   const CXmlSerializationContext& ctx)
    : m_options(options), m_ctx(ctx) {
    Setup(options, false);
    m_output.reset(new CXmlStreamOutput(stream, options.compression));
}

CXmlStreamWriter::CXmlStreamWriter(const char* fileName) : CXmlStreamWriter(fileName, COptions()) {}

CXmlStreamWriter::CXmlStreamWriter(std::ostream& stream) : CXmlStreamWriter(stream, COptions()) {}

CXmlStreamWriter::~CXmlStreamWriter() = default;

void CXmlStreamWriter::Setup(const COptions& options, bool file) {
    if (options.fastInfoset) {
        m_fastInfoset.reset(new CFastInfosetWriter());
        m_writer = m_fastInfoset.get();
        return;
    }
    if (options.encoding != XE_UTF8 && options.encoding != XE_UTF16 &&
        options.encoding != XE_UTF16_NO_DECL) {
        // The text writer's own refusal of the encoding.
        CXmlTextWriter().GetXmlBytes(options.encoding);
    }
    m_text.reset(new CXmlTextWriter());
    m_text->SetFormatted(options.formatted);
    m_text->SetEOLType(options.eol);
    m_writer = m_text.get();
    m_byteOrderMark = file && options.encoding != XE_UTF8;
}

void CXmlStreamWriter::CheckState(State expected, const char* call) const {
    if (m_state == State::Failed) throw CQbInvalidStateException("The stream writer has failed.");
    if (m_state != expected) {
        throw CQbInvalidStateException(
            FormatString("%s is out of order: the stream writer goes Begin, Write..., End.", call));
    }
}

void CXmlStreamWriter::Begin(CXmlObjectBase* root, const std::string& path) {
    CheckState(State::Created, "Begin");
    if (!root) throw CQbInvalidParamException("The root object is NULL");
    m_path.reset(new CXmlStreamPath(path));
    const CXmlStreamPath::CTarget target = m_path->Locate(root);
    m_namesAfter = target.namesAfter;
    m_itemNamespace = target.record->GetElementNamespace();
    m_root = root;
    m_state = State::Failed;  // until the head is out
    if (m_text) {
        if (m_options.declaration) m_text->WriteStartDocument(m_options.encoding);
    } else {
        m_fastInfoset->WriteHeader(m_options.fastInfosetDeclaration);
    }
    WriteRootPart(true);
    Drain(false);
    m_state = State::Open;
}

void CXmlStreamWriter::Write(const CXmlObjectBase* item) {
    CheckState(State::Open, "Write");
    if (!item) throw CQbInvalidParamException("The item to write is NULL");
    try {
        CXmlObjectBase::ToXml_Int(item, m_writer, false, m_itemNamespace.c_str(), m_ctx, false);
    } catch (const CQbException& e) {
        m_state = State::Failed;
        throw CQbValidationException(
            FormatString("Failed to write item %zu at %s", m_count + 1, m_path->GetText().c_str()),
            e);
    }
    ++m_count;
    m_state = State::Failed;
    Drain(false);
    m_state = State::Open;
}

void CXmlStreamWriter::End() {
    CheckState(State::Open, "End");
    m_state = State::Failed;
    WriteRootPart(false);
    if (m_fastInfoset || m_options.declaration) m_writer->WriteEndDocument();
    Drain(true);
    m_output->Finish();
    m_state = State::Ended;
    m_root = nullptr;
}

void CXmlStreamWriter::WriteRootPart(bool head) {
    CCutWriter cut(*m_writer, *m_path, m_namesAfter, head);
    const std::string targetNamespace = QbXmlLib5Data::CAttributeInfo::GetTargetNamespace(m_root);
    try {
        CXmlObjectBase::ToXml_Int(m_root, &cut, true, targetNamespace.c_str(), m_ctx, false);
    } catch (const CCutReached&) {
        return;
    }
    if (!cut.IsCutReached()) {
        throw CQbInvalidParamException(
            FormatString("The path [%s] does not lead to a collection: its parent was not written",
                         m_path->GetText().c_str()));
    }
}

void CXmlStreamWriter::Drain(bool all) {
    if (m_fastInfoset) {
        if (!all && m_fastInfoset->GetOutputLength() < kDrainSize) return;
        m_fastInfoset->TakeOutput(m_octets);
        m_output->Write(m_octets.data(), m_octets.size());
        return;
    }
    if (!all && m_text->GetXmlLength() < kDrainSize) return;
    SendText(m_text->TakeXml());
}

void CXmlStreamWriter::SendText(const std::string& text) {
    if (m_byteOrderMark) {
        static const unsigned char kBom[] = {0xFF, 0xFE};
        m_output->Write(kBom, sizeof kBom);
        m_byteOrderMark = false;
    }
    // Pieces end between two elements, so no character is ever split.
    if (m_options.encoding == XE_UTF8 && IsLocalCharEncodingUtf8()) {
        m_output->Write(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        return;
    }
    const CBinaryData bytes = m_options.encoding == XE_UTF8
                                  ? LocalToUtf8(text.data(), text.size())
                                  : LocalToUtf16(text.data(), text.size());
    m_output->Write(bytes.GetData(), bytes.GetLength());
}

}  // namespace QbXmlLib5
