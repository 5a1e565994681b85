// Decoding of Fast Infoset documents (ITU-T X.891) into a CXmlDocument tree.
#ifndef QBXMLLIB5_FASTINFOSET_CFASTINFOSETREADER_H
#define QBXMLLIB5_FASTINFOSET_CFASTINFOSETREADER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace QbXmlLib5 {

class CBinaryData;
class CXmlAttribute;
class CXmlEventSink;
class CXmlDocument;
class CXmlElement;
struct CXmlName;

// Decodes one Fast Infoset document held in memory and builds the document
// tree from it, as the text reader does for XML text.
//
// The whole vocabulary mechanism is supported: the tables built while the
// document is read, an initial vocabulary carried in the document (honoured,
// its external-vocabulary URI ignored), UTF-8 and big-endian UTF-16 strings,
// the built-in and document-defined restricted alphabets and the ten built-in
// encoding algorithms. Notations, unparsed entities, processing instructions,
// comments, document type declarations and entity references are decoded and
// dropped, also before the root element. Decoding stops after the root
// element; whatever follows it is not examined. Prefixes are not kept on the
// nodes; namespace attributes and the prefixes of literal names go to the
// document's alias map (LookupNamespaceFromAlias).
//
// The tables grow exactly as the writer's do (see CFastInfosetEncoder), up to
// 2^20 entries each. Every read is bounds-checked, nothing is allocated for a
// length the input cannot back, nesting is handled without recursion, names
// are held once by the document however often they are referenced, and the
// attribute values and character chunks copied out of the tables by index may
// not exceed 16 MiB plus 256 times the input length, so hostile input ends in
// a CQbException ("Failed to parse FastInfoset. ...").
//
// With an event sink (SetEventSink), the reader builds no tree: it hands the
// document to the sink as it decodes it, names with their prefixes, namespace
// attributes as declarations, text, and the comments and processing
// instructions of the whole document (before, inside and after the root
// element); the document then only holds the names. Entity references,
// notations and the document type declaration are dropped in either mode.
//
// The reader borrows the document, the input and the sink; all must outlive
// it.
class CFastInfosetReader {
public:
    CFastInfosetReader(CXmlDocument* document, const CBinaryData& data);
    CFastInfosetReader(CXmlDocument* document, const unsigned char* data, std::size_t length);
    ~CFastInfosetReader();
    CFastInfosetReader(const CFastInfosetReader&) = delete;
    CFastInfosetReader& operator=(const CFastInfosetReader&) = delete;

    // Returns false, consuming nothing, when the input does not start like a
    // Fast Infoset document (optionally behind an XML declaration naming the
    // encoding finf); returns true once the root element has been decoded
    // into the document. Throws CQbException on a malformed document; the
    // elements added before the fault stay in the document.
    bool Read();
    // Where the document's header starts behind its magic octets (and the
    // XML declaration naming finf, if any); 0 when `data` does not start like
    // a Fast Infoset document.
    static std::size_t StartOfDocument(const unsigned char* data, std::size_t length);
    // Events instead of a tree (see above); null returns to building the
    // tree. The local character encoding must be UTF-8 while reading so.
    void SetEventSink(CXmlEventSink* sink) { m_sink = sink; }

private:
    // Attribute values and character chunks: views of the input where it
    // holds them as they are, otherwise of m_decodedStrings.
    using StringTable = std::vector<std::string_view>;
    // Prefixes, namespace names and local names: the document's own copies.
    using NameTable = std::vector<const std::string*>;

    // An entry of the element or attribute name tables: the document's
    // qualified name, which keeps its strings even when a table of its parts
    // was full.
    using NameSurrogate = const CXmlName*;

    // A restricted alphabet: its characters in UTF-8, `starts[i]` being the
    // offset of character i (with one extra entry marking the end).
    struct Alphabet {
        std::string utf8;
        std::vector<std::uint32_t> starts;
        std::size_t Size() const { return starts.empty() ? 0 : starts.size() - 1; }
    };

    // Where a literal string comes from: the two bits that select UTF-8,
    // UTF-16, a restricted alphabet or an encoding algorithm, and the 8-bit
    // table field of the latter two.
    struct StringFormat {
        unsigned kind;
        unsigned field;
    };

    // A literal character string as it lies in the input.
    struct EncodedString {
        StringFormat format;
        const unsigned char* data;
        std::size_t length;
    };

    // Document structure.
    bool Recognize();
    void ReadHeader();
    void ReadDocumentChildren();
    void ReadRootElement(unsigned char first);
    void ReadElementStart(unsigned char first);
    void ReadNamespaceAttributes();
    // Event mode: the element just named, with the namespace attributes and
    // the attributes read into the pending lists.
    void SendStartElement(unsigned char first);
    void SendProcessingInstruction();
    void SendComment();
    // Event mode: the comments and instructions after the root element.
    void ReadDocumentEpilog();
    void ReadElementName(unsigned char octet);
    void ReadLiteralName(unsigned char octet, std::vector<NameSurrogate>& table,
                         std::vector<const std::string*>& prefixes);
    void ResolveName(const std::vector<NameSurrogate>& table,
                     const std::vector<const std::string*>& prefixes, std::uint32_t index);
    bool ReadAttributes();
    void ReadAttribute(unsigned char first);
    void EndElement();
    CXmlElement* CurrentElement() const;

    // Optional components of the header.
    void SkipAdditionalData();
    void ReadInitialVocabulary();
    void ReadStringTableItems(NameTable* table);
    void ReadCharacterTableItems(StringTable* table);
    void ReadAlphabetItems();
    void ReadNameSurrogateItems(std::vector<NameSurrogate>& table);
    const std::string* ReadIndexInto(const NameTable& table);
    void SkipNotations();
    void SkipUnparsedEntities();

    // Items that are decoded and dropped.
    void SkipProcessingInstruction();
    void SkipComment();
    bool SkipDocumentTypeDeclaration(unsigned char first);
    void SkipEntityReference(unsigned char first);
    void SkipIdentifyingString();
    void SkipNonIdentifyingString();
    void SkipOctetStringOnSecondBit();

    // Strings.
    const std::string* ReadIdentifyingString(NameTable& table);
    // Interns a literal for `table`, refusing what is not an XML name where
    // the table holds names.
    const std::string* InternName(const NameTable& table, const unsigned char* utf8,
                                  std::size_t length);
    std::string_view ReadNonIdentifyingString(StringTable& table);
    // `plain` tells that the chunk holds no carriage return or NUL, to be
    // kept exactly as it is.
    std::string_view ReadCharacterChunk(unsigned char first, bool& plain);
    EncodedString ReadEncodedString(unsigned char octet, bool fromThirdBit);
    // The characters in the local encoding: a view of the input itself when
    // it is UTF-8 as the local encoding, otherwise of m_literal. Valid until
    // the next string is decoded.
    std::string_view DecodeCharacters(const EncodedString& string);
    static Alphabet MakeAlphabet(const unsigned char* data, std::size_t length);
    const Alphabet& FindAlphabet(unsigned field) const;
    void DecodeAlphabet(unsigned field, const unsigned char* data, std::size_t length,
                        std::string& value);
    void DecodeAlgorithm(unsigned field, const unsigned char* data, std::size_t length,
                         std::string& value);
    std::string_view TableEntry(const StringTable& table, std::uint32_t index);
    const std::string* TableEntry(const NameTable& table, std::uint32_t index);
    template <typename Table, typename Entry>
    static void AddToTable(Table& table, Entry&& value);
    // Adds `value` (from DecodeCharacters) to `table`, copying it first
    // unless it lies in the input.
    void AddStringToTable(StringTable& table, std::string_view value);
    const std::string* Intern(const unsigned char* utf8, std::size_t length);

    // Integers and lengths, each starting at the named bit of `first`.
    std::uint32_t ReadIntegerOnSecondBit(unsigned char first, const char* message);
    std::uint32_t ReadIntegerOnThirdBit(unsigned char first);
    std::uint32_t ReadIntegerOnFourthBit(unsigned char first);
    std::uint32_t ReadIntegerInLowBits(unsigned char first, unsigned width, const char* message);
    std::uint64_t ReadLengthOnSecondBit(unsigned char first);
    std::uint64_t ReadLengthOnFifthBit(unsigned char first);
    std::uint64_t ReadLengthOnSeventhBit(unsigned char first);
    std::uint32_t ReadSequenceLength();
    std::uint32_t ReadBigEndian(unsigned count);

    // Octets.
    unsigned char ReadOctet();
    const unsigned char* ReadOctets(std::uint64_t count);

    void ResetTables();
    void ClearTables();

    CXmlDocument* m_document;
    bool m_localIsUtf8 = true;  // fixed for the duration of Read
    // The attributes of the element being read, given to it all at once.
    std::vector<CXmlAttribute*> m_pendingAttributes;
    const unsigned char* m_data;
    std::size_t m_length;
    std::size_t m_position;
    std::size_t m_depth;              // open elements below the document
    bool m_documentEnded = false;     // its terminator has been read
    std::uint64_t m_expansionBudget;  // bytes that indexed strings may still copy out

    // The name just read (document-owned strings).
    const std::string* m_prefix = nullptr;
    const std::string* m_namespace = nullptr;
    const std::string* m_localName = nullptr;
    const CXmlName* m_name = nullptr;  // the two above as a qualified name
    // Every entry of the character chunk table is plain (no carriage return,
    // no NUL), so a chunk referenced by index needs no look.
    bool m_plainChunks = true;
    std::string m_literal;
    std::string m_utf8;  // restricted-alphabet output before conversion

    std::vector<NameSurrogate> m_elementNames;
    std::vector<NameSurrogate> m_attributeNames;
    // The prefixes of the two name tables' entries (qualified names in the
    // document have none).
    std::vector<const std::string*> m_elementPrefixes;
    std::vector<const std::string*> m_attributePrefixes;
    // Tables only event mode refers to: processing instruction targets and
    // the content of comments and instructions.
    NameTable m_otherNCNames;
    StringTable m_otherStrings;

    // Event mode: the sink, and the start tag being read (strings copied,
    // as the decoded strings do not outlive the next one).
    CXmlEventSink* m_sink = nullptr;
    struct PendingName {
        const std::string* prefix;
        const CXmlName* name;
        std::string value;
    };
    std::vector<std::pair<const std::string*, const std::string*>> m_pendingDeclarations;
    std::vector<PendingName> m_pendingEventAttributes;
    std::size_t m_pendingEventAttributeCount = 0;
    std::vector<Alphabet> m_alphabets;
    NameTable m_localNames;
    NameTable m_namespaceNames;
    NameTable m_prefixes;
    StringTable m_attributeValues;
    StringTable m_characterChunks;
    std::deque<std::string> m_decodedStrings;  // a deque keeps the strings in place
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETREADER_H
