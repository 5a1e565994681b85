// CQuickXmlReader: builds a CXmlDocument from the plain, common form of XML
// text without Expat, several times as fast. Internal to the library's
// loading code; applications use CXmlDocument::Load*.
//
// It reads UTF-8 text with namespaces: an optional byte-order mark and XML
// declaration (version 1.0, encoding UTF-8), elements and attributes with
// ASCII names, text, the five predefined entities, character references,
// CDATA sections, comments and processing instructions. It checks what
// Expat checks of such text and builds the tree Expat's reader builds, line
// and column numbers included. At the first thing beyond that form (a
// document type declaration, another encoding, a name with characters
// beyond ASCII, a namespace declaration of a reserved prefix or name, more
// than kMaxAttributes attributes on one element) and at anything that is not
// well-formed, it declines: Parse returns false, and the caller discards the
// partial tree and reads the document with Expat, which decides about the
// text and words any error.
#ifndef QBXMLLIB5_XML_CQUICKXMLREADER_H
#define QBXMLLIB5_XML_CQUICKXMLREADER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xml/CXmlEventSink.h"

namespace QbXmlLib5 {

class CXmlDocument;
class CXmlElement;
struct CXmlName;

class CQuickXmlReader {
public:
    explicit CQuickXmlReader(CXmlDocument* document);
    ~CQuickXmlReader();
    CQuickXmlReader(const CQuickXmlReader&) = delete;
    CQuickXmlReader& operator=(const CQuickXmlReader&) = delete;

    // Whether the reader can build `document` at all: it needs namespace
    // processing and UTF-8 as the local encoding.
    static bool Suits(const CXmlDocument& document);

    // Reads the `length` bytes as one complete document into the (empty)
    // document; once per reader. False when the reader declined; the
    // document then holds part of a tree. Passes on what the document throws.
    bool Parse(const unsigned char* data, std::size_t length);

    // The next bytes of a document into `buffer`, up to `size`; 0 at its end.
    using Source = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;
    // Reads the document piece by piece from `source`, as Parse reads it
    // whole: the reader holds the construct being read (a tag, a text, a
    // comment), not the document. False when it declined; the caller then
    // starts the source over for Expat.
    bool Parse(const Source& source);

    // Instead of a tree, hands the document to `sink` as CXmlEventParser
    // does (the document then only keeps the names); null builds the tree.
    // On a decline the sink has had the events up to that point. Passes on
    // what the sink throws.
    void SetEventSink(CXmlEventSink* sink) { m_sink = sink; }

    // Elements with more attributes are left to Expat: duplicates are
    // looked for pair by pair.
    static constexpr std::size_t kMaxAttributes = 64;

private:
    // Read in pieces: the size of the first buffer; the bytes that tell a
    // byte-order mark and XML declaration from what else may start a
    // document; the longest declaration waited for.
    static constexpr std::size_t kPiece = 256 * 1024;
    static constexpr std::ptrdiff_t kStartBytes = 9;
    static constexpr std::size_t kMaxDeclaration = 4096;

    struct CRawAttribute {
        const char* name;
        std::size_t length;
        std::size_t colon;  // offset of the prefix's colon; 0 when none
        const char* value;  // into the text, or null: at valueOffset in m_values
        std::size_t valueOffset;
        std::size_t valueLength;
    };
    struct COpenElement {
        CXmlElement* element;
        const char* name;  // as written, in the text
        std::size_t length;
        std::size_t bindings;  // m_bindings' size before the element's own
    };
    struct CBinding {
        std::string_view prefix;  // "" for the default namespace
        const std::string* uri;   // interned
        bool changes;             // whether it bound the prefix differently
        std::size_t shadowed;     // 1 + the index of the binding it hides, or 0
    };
    // Raw names resolved in the namespaces in force when m_generation was
    // what the entry holds.
    struct CCachedName {
        const char* raw = nullptr;
        std::size_t length = 0;
        std::uint32_t generation = 0;
        const CXmlName* name = nullptr;
    };
    using CNameCache = std::array<CCachedName, 256>;

    // Where the reader is: at the byte-order mark and XML declaration, before,
    // inside or after the document element.
    enum class Phase { kStart, kProlog, kContent, kEpilogue };

    // Reads on from m_p; true at the end of the document (declines, by
    // throwing, otherwise).
    bool Run();
    // After a decline while more text may follow: whether the construct at
    // m_construct may go on beyond m_end, so that the decline may be for
    // want of text rather than a fault.
    bool CutShort() const;
    // Goes back to the start of the construct being read, keeps it and the
    // names in use, and reads more text behind it.
    void TakeMore(const Source& source);
    // Copies the names of open elements and bound prefixes out of the text,
    // which is about to move.
    void KeepNames();
    // The byte-order mark and XML declaration, if any.
    void ReadStart();
    // Up to the document element's start tag.
    void ReadProlog();
    void ReadXmlDeclaration();
    // Whitespace, comments and processing instructions.
    void SkipMisc();
    void SkipComment();
    // Moves m_p to the first `first` that `second` follows and returns it.
    const char* FindPair(char first, char second);
    void SkipProcessingInstruction();
    void ReadCData();
    void ReadText();
    void ReadStartTag();
    void ReadEndTag();
    void ReadAttributeValue(CRawAttribute& attribute);
    // The attribute's value with references replaced and white space
    // normalised, appended to m_values; [start, m_end) holds the rest of
    // the value and its closing quote.
    void NormaliseAttributeValue(const char* start, char quote, CRawAttribute& attribute);
    // Appends the character that the reference at m_p stands for and moves
    // past it; returns the character.
    std::uint32_t ReadReference(std::string& out);
    void StartElement(const char* name, std::size_t length, std::size_t colon, bool empty);
    // The element of the tag just read, with its resolved names.
    void BuildStart(const CXmlName* elementName, std::size_t outerBindings);
    void EmitStart(const char* name, std::size_t colon, const CXmlName* elementName,
                   std::size_t outerBindings);
    std::string_view ValueOf(const CRawAttribute& attribute) const;
    // Where text goes: the open element's text, or the run for the sink.
    std::string& TextTarget();
    void FlushText();
    // The text with each line end as one line feed (in `buffer` when that
    // changes anything).
    static std::string_view WithLineFeeds(const char* from, const char* to, std::string& buffer);
    void Declare(std::string_view prefix, std::string_view uri);
    void CloseElement();
    // The URI bound to `prefix` (interned), or null.
    const std::string* Bound(std::string_view prefix) const;
    const CXmlName* NameOf(CNameCache& cache, const char* raw, std::size_t length,
                           std::size_t colon, bool element);
    const CXmlName* Resolve(const char* raw, std::size_t length, std::size_t colon, bool element);
    void CheckDuplicates(const std::vector<const CXmlName*>& names) const;
    // Counts lines and columns up to `to` as Expat does.
    void AdvancePosition(const char* to);

    // Scanning helpers; each declines at the end of the text.
    std::size_t ScanName(std::size_t& colon);
    // The same for names that may hold letters beyond ASCII.
    std::size_t ScanNameBeyondAscii(std::size_t& colon);
    // One of the letters beyond ASCII that names may hold here, or decline.
    void ScanNameLetter();
    bool SkipSpace();
    void Expect(std::string_view literal);
    bool LooksAt(std::string_view literal) const;
    std::string_view QuotedLiteral();
    void AppendText(const char* from, const char* to, bool nonAscii);

    CXmlDocument* const m_document;
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    // Whether m_end is the end of the document (not of a piece of it).
    bool m_final = true;
    Phase m_phase = Phase::kStart;
    // Where the construct being read began; for a text, how much of it the
    // text target held before.
    const char* m_construct = nullptr;
    bool m_inText = false;
    std::size_t m_textMark = 0;
    // Read piece by piece: the text held, and the names copied out of it.
    std::vector<char> m_buffer;
    std::vector<char> m_kept;
    bool m_keepLines = false;
    const char* m_linePtr = nullptr;  // counted up to here
    // Whether the text since m_linePtr may hold a line end or a byte from
    // 0x80 up: only then do its bytes need counting.
    bool m_positionDirty = true;
    unsigned long m_line = 1;
    unsigned long m_column = 0;
    std::vector<COpenElement> m_open;
    std::vector<CBinding> m_bindings;
    // By prefix, 1 + the index of its innermost binding: a lookup costs the
    // same however many declarations are in force.
    std::unordered_map<std::string_view, std::size_t> m_innermost;
    std::uint32_t m_generation = 1;
    CNameCache m_elementNames{};
    CNameCache m_attributeNames{};
    std::vector<CRawAttribute> m_attributes;
    std::vector<const CXmlName*> m_attributeNamesResolved;
    std::string m_values;
    std::string m_scratch;
    const char* m_tagName = nullptr;  // of the start tag being read
    std::size_t m_tagLength = 0;
    CXmlEventSink* m_sink = nullptr;
    std::string m_run;  // text for the sink, handed over before the next event
    std::vector<CXmlEventSink::Declaration> m_eventDeclarations;
    std::vector<CXmlEventSink::Attribute> m_eventAttributes;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CQUICKXMLREADER_H
