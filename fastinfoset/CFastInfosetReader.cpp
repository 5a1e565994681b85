#include "fastinfoset/CFastInfosetReader.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <functional>
#include <string_view>
#include <utility>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "core/QbEnums.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlEventSink.h"
#include "xml/CXmlNameCheck.h"

namespace QbXmlLib5 {

namespace {

const char kEndOfFile[] = "Failed to parse FastInfoset. Unexpected End of File.";
const char kInvalidIndex[] = "Failed to parse FastInfoset. Invalid table index.";
const char kInvalidElement[] = "Failed to parse FastInfoset. Invalid Encoding of Element type.";
const char kInvalidComponent[] =
    "Failed to parse FastInfoset. Invalid Encoding of optional component.";
const char kPrefixWithoutNamespace[] =
    "Failed to parse FastInfoset. Invalid QName type Prefix without Namespace.";
const char kInvalidAlgorithm[] =
    "Failed to parse FastInfoset. Invalid NonEmptyOctetEncryptedString.";
const char kInvalidAlphabetSize[] =
    "Failed to parse FastInfoset. Invalid Encoding of Restricted Alphabet. Alphabet must contain "
    "between 2 and 2^20 characters.";
const char kInvalidUtf8[] = "Failed to parse FastInfoset. Invalid UTF-8 character string.";
const char kInvalidUtf16[] = "Failed to parse FastInfoset. Invalid UTF-16 character string length.";
const char kNotXmlCharacter[] =
    "Failed to parse FastInfoset. A character string holds a character that XML does not allow.";
const char kNotXmlName[] =
    "Failed to parse FastInfoset. A prefix, local name or processing instruction target is not "
    "a valid XML name.";
const char kTooLarge[] =
    "Failed to parse FastInfoset. The document expands beyond the supported size.";
const char kLengthOnSecondBit[] =
    "Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the second bit of an octet.";
const char kLengthOnFifthBit[] =
    "Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the fifth bit of an octet.";
const char kIndexOnSecondBit[] =
    "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the second bit "
    "of an octet.";
const char kIndexOrZeroOnSecondBit[] =
    "Failed to parse FastInfoset. Invalid Encoding of integers 0 To 2^20 type  on the second bit "
    "of an octet.";
const char kIndexOnThirdBit[] =
    "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the third bit "
    "of an octet.";
const char kIndexOnFourthBit[] =
    "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the fourth bit "
    "of an octet.";

// Identification and version 1 of X.891.
const unsigned char kMagic[4] = {0xE0, 0x00, 0x00, 0x01};

// XML declarations that may precede the binary header, in the order of
// FInfoDecl.
const char* const kDeclarations[] = {
    "<?xml encoding='finf'?>",
    "<?xml encoding='finf' standalone='yes'?>",
    "<?xml encoding='finf' standalone='no'?>",
    "<?xml version='1.0' encoding='finf'?>",
    "<?xml version='1.0' encoding='finf' standalone='yes'?>",
    "<?xml version='1.0' encoding='finf' standalone='no'?>",
    "<?xml version='1.1' encoding='finf'?>",
    "<?xml version='1.1' encoding='finf' standalone='yes'?>",
    "<?xml version='1.1' encoding='finf' standalone='no'?>",
};

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

// Structural octets.
const unsigned char kTerminator = 0xF0;
const unsigned char kDoubleTerminator = 0xFF;
const unsigned char kProcessingInstruction = 0xE1;
const unsigned char kComment = 0xE2;

// The two alternatives of an encoded character string that carry an 8-bit
// table field.
const unsigned kUtf8 = 0;
const unsigned kUtf16 = 1;
const unsigned kRestrictedAlphabet = 2;

// Tables stop growing at 2^20 entries, the largest index X.891 can express
// (the writer stops adding at the same size, so both sides stay in step).
const std::size_t kMaxTableSize = 1u << 20;

// Restricted alphabets 1 and 2 are built in, 3 to 32 are reserved, and the
// alphabets of an initial vocabulary take 33 onwards (the 8-bit field holds
// the index minus one, so they start at field value 32 as other X.891
// implementations number them). The field cannot address more than 256.
const unsigned kFirstDocumentAlphabet = 33;
const std::size_t kMaxDocumentAlphabets = 256 - kFirstDocumentAlphabet + 1;
const char kNumericAlphabet[] = "0123456789-+.E ";
const char kDateTimeAlphabet[] = "0123456789-:TZ ";
const unsigned kCdataAlgorithm = 10;

// Strings copied out of the tables by index may not exceed this many bytes
// plus a multiple of the input length: a short document cannot make the
// reader build an enormous tree by repeating a long table entry.
const std::uint64_t kExpansionAllowance = 16u << 20;
const std::uint64_t kExpansionFactor = 256;

[[noreturn]] void Fail(const char* message) { throw CQbException(message); }

// Binary input passes no XML parser: bytes that are not UTF-8 are refused
// here, or they would reach text output that no reader accepts.
std::string FromUtf8(const unsigned char* data, std::size_t length) {
    const char* text = reinterpret_cast<const char*>(data);
    if (!QbXmlLib5::IsValidUtf8(text, length)) Fail(kInvalidUtf8);
    return QbXmlLib5::Utf8ToLocal(text, length);
}

// Most strings are ASCII, which needs no closer look: 32 octets at a time
// for long text, then eight.
bool IsAscii(const unsigned char* data, std::size_t length) {
    const std::uint64_t high = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, data + i, 32);
        if ((words[0] | words[1] | words[2] | words[3]) & high) return false;
    }
    if (length - i >= 8) {
        std::uint64_t word;
        for (; i + 8 <= length; i += 8) {
            std::memcpy(&word, data + i, 8);
            if (word & high) return false;
        }
        // The rest within the last eight octets, read again.
        std::memcpy(&word, data + length - 8, 8);
        return (word & high) == 0;
    }
    if (length - i >= 4) {
        // Four to seven octets: two words of four that overlap.
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, data + i, 4);
        std::memcpy(&last, data + length - 4, 4);
        return ((first | last) & 0x80808080u) == 0;
    }
    for (; i < length; ++i) {
        if (data[i] & 0x80) return false;
    }
    return true;
}

// Text that goes into the tree as it is (carriage returns are dropped, and a
// NUL ends what is kept).
bool HasNoCarriageReturnOrNul(std::string_view text) {
    if (text.size() > 32) {
        return std::memchr(text.data(), '\r', text.size()) == nullptr &&
               std::memchr(text.data(), '\0', text.size()) == nullptr;
    }
    for (const char c : text) {
        if (c == '\r' || c == '\0') return false;
    }
    return true;
}

// Binary input may carry what no XML text can: control characters (a NUL
// would even cut the text short) and U+FFFE or U+FFFF. Such a string is
// refused, as an XML parser refuses the same characters in text. Octets below
// 0x20 are looked for 32 at a time (SSE2) or 8 at a time (a word holds one
// where (w - 0x20..20) & ~w has a high bit set); tab, line feed and carriage
// return are then let through one by one.
bool MayHoldControl(const unsigned char* data, std::size_t length, std::size_t& i) {
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8(0x1F);
    for (; i + 32 <= length; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
        const __m128i low = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(a, limit), a),
                                         _mm_cmpeq_epi8(_mm_min_epu8(b, limit), b));
        if (_mm_movemask_epi8(low) != 0) return true;
    }
#endif
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        if ((word - 0x2020202020202020u) & ~word & 0x8080808080808080u) return true;
    }
    return false;
}

void CheckXmlCharacters(std::string_view text, bool ascii) {
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t length = text.size();
    std::size_t i = 0;
    if (MayHoldControl(data, length, i)) {
        for (; i < length; ++i) {
            const unsigned char c = data[i];
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') Fail(kNotXmlCharacter);
        }
    }
    for (; i < length; ++i) {
        const unsigned char c = data[i];
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') Fail(kNotXmlCharacter);
    }
    if (ascii) return;
    // U+FFFE and U+FFFF are EF BF BE and EF BF BF in UTF-8.
    for (const void* at = std::memchr(data, 0xEF, length); at;) {
        const std::size_t k =
            static_cast<std::size_t>(static_cast<const unsigned char*>(at) - data);
        if (k + 2 < length && data[k + 1] == 0xBF && data[k + 2] >= 0xBE) Fail(kNotXmlCharacter);
        at = k + 1 < length ? std::memchr(data + k + 1, 0xEF, length - k - 1) : nullptr;
    }
}

// A UTF-8 literal used where it lies must be UTF-8 and hold only characters
// XML allows (see CheckXmlCharacters), all found in one pass; true when it
// holds a carriage return (a NUL is refused with the other controls).
bool CheckUtf8Text(std::string_view text) {
    switch (QbXmlLib5::ScanUtf8XmlText(text.data(), text.size())) {
        case Utf8XmlScan::Plain:
            return false;
        case Utf8XmlScan::CarriageReturn:
            return true;
        case Utf8XmlScan::NotXmlCharacter:
            Fail(kNotXmlCharacter);
        default:
            Fail(kInvalidUtf8);
    }
}

// UTF-16 character strings are big-endian.
std::u16string BigEndianUnits(const unsigned char* data, std::size_t length) {
    if (length % 2 != 0) Fail(kInvalidUtf16);
    std::u16string units(length / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>((data[2 * i] << 8) | data[2 * i + 1]);
    }
    return units;
}

}  // namespace

// Used everywhere: defined first, so that they can be inlined.
inline unsigned char CFastInfosetReader::ReadOctet() {
    if (m_position >= m_length) Fail(kEndOfFile);
    return m_data[m_position++];
}

// Checks the count against what is left before anything is read or
// allocated for it.
inline const unsigned char* CFastInfosetReader::ReadOctets(std::uint64_t count) {
    if (count > m_length - m_position) Fail(kEndOfFile);
    const unsigned char* octets = m_data + m_position;
    m_position += static_cast<std::size_t>(count);
    return octets;
}

// Integers 1 to 2^20 (X.891 C.25 to C.28).
inline std::uint32_t CFastInfosetReader::ReadIntegerOnSecondBit(unsigned char first,
                                                                const char* message) {
    const unsigned bits = first & 0x7Fu;
    if (bits < 0x40) return bits + 1;
    if ((bits & 0x60) == 0x40) return (((bits & 0x1Fu) << 8) | ReadOctet()) + 65;
    if ((bits & 0x70) == 0x60) return (((bits & 0x0Fu) << 16) | ReadBigEndian(2)) + 8257;
    Fail(message);
}

// The integer encodings on the third and fourth bit share one shape over the
// `width` low bits of `first`: a 0 and width-1 bits; or a 3-bit selector 100,
// 101 or 110 followed by the rest of the octet and one, two or three more
// octets (of the last, the top four bits are padding).
inline std::uint32_t CFastInfosetReader::ReadIntegerInLowBits(unsigned char first, unsigned width,
                                                              const char* message) {
    const unsigned bits = first & ((1u << width) - 1);
    const unsigned rest = width - 3;
    const unsigned high = bits & ((1u << rest) - 1);
    const std::uint32_t small = 1u << (width - 1);
    const std::uint32_t medium = small + (1u << (rest + 8));
    const std::uint32_t large = medium + (1u << (rest + 16));
    if (bits < small) return bits + 1;
    switch (bits >> rest) {
        case 4:
            return ((high << 8) | ReadOctet()) + small + 1;
        case 5:
            return ((high << 16) | ReadBigEndian(2)) + medium + 1;
        case 6:
            return (ReadBigEndian(3) & 0xFFFFFu) + large + 1;
        default:
            Fail(message);
    }
}

inline std::uint32_t CFastInfosetReader::ReadIntegerOnThirdBit(unsigned char first) {
    return ReadIntegerInLowBits(first, 6, kIndexOnThirdBit);
}

inline std::uint32_t CFastInfosetReader::ReadIntegerOnFourthBit(unsigned char first) {
    return ReadIntegerInLowBits(first, 5, kIndexOnFourthBit);
}

inline void CFastInfosetReader::ResolveName(const std::vector<NameSurrogate>& table,
                                            const std::vector<const std::string*>& prefixes,
                                            std::uint32_t index) {
    if (index == 0 || index > table.size()) Fail(kInvalidIndex);
    m_name = table[index - 1];
    m_prefix = prefixes[index - 1];
}

CFastInfosetReader::CFastInfosetReader(CXmlDocument* document, const CBinaryData& data)
    : CFastInfosetReader(document, data.GetData(), data.GetLength()) {}

CFastInfosetReader::CFastInfosetReader(CXmlDocument* document, const unsigned char* data,
                                       std::size_t length)
    : m_document(document),
      m_data(data),
      m_length(data ? length : 0),
      m_position(0),
      m_depth(0),
      m_expansionBudget(0) {}

CFastInfosetReader::~CFastInfosetReader() = default;

bool CFastInfosetReader::Read() {
    m_position = 0;
    if (!Recognize()) {
        m_position = 0;
        return false;
    }
    ResetTables();
    m_localIsUtf8 = QbXmlLib5::IsLocalCharEncodingUtf8();
    if (m_sink && !m_localIsUtf8) {
        throw CQbException("Fast Infoset events need UTF-8 as the local character encoding");
    }
    try {
        ReadHeader();
        ReadDocumentChildren();
        if (m_sink) ReadDocumentEpilog();
    } catch (...) {
        ClearTables();
        throw;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Document structure

bool CFastInfosetReader::Recognize() {
    m_position = StartOfDocument(m_data, m_length);
    return m_position != 0;
}

std::size_t CFastInfosetReader::StartOfDocument(const unsigned char* data, std::size_t length) {
    if (data == nullptr) return 0;
    if (length > sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) == 0) {
        return sizeof kMagic;
    }
    for (const char* declaration : kDeclarations) {
        const std::size_t size = std::strlen(declaration);
        if (length >= size && std::memcmp(data, declaration, size) == 0) {
            if (length - size < sizeof kMagic ||
                std::memcmp(data + size, kMagic, sizeof kMagic) != 0) {
                return 0;
            }
            return size + sizeof kMagic;
        }
    }
    return 0;
}

void CFastInfosetReader::ReadHeader() {
    const unsigned char flags = ReadOctet();
    if (flags & 0x40) SkipAdditionalData();
    if (flags & 0x20) ReadInitialVocabulary();
    if (flags & 0x10) SkipNotations();
    if (flags & 0x08) SkipUnparsedEntities();
    if (flags & 0x04) SkipOctetStringOnSecondBit();  // character encoding scheme
    if (flags & 0x02) ReadOctet();                   // standalone
    if (flags & 0x01) SkipNonIdentifyingString();    // version
}

// Processing instructions, comments and a document type declaration may come
// before the root element; the root element ends the reading.
void CFastInfosetReader::ReadDocumentChildren() {
    for (;;) {
        const unsigned char octet = ReadOctet();
        if (octet < 0x80) {
            ReadRootElement(octet);
            return;
        }
        if (octet == kProcessingInstruction) {
            SendProcessingInstruction();
        } else if (octet == kComment) {
            SendComment();
        } else if ((octet & 0xFC) == 0xC4) {
            if (SkipDocumentTypeDeclaration(octet)) {
                m_documentEnded = true;
                return;
            }
        } else if (octet == kTerminator || octet == kDoubleTerminator) {
            m_documentEnded = true;
            return;  // a document without element: the caller reports it
        } else {
            Fail(kInvalidElement);
        }
    }
}

// Elements are read in a loop over the open elements, not recursively, so
// the nesting depth is bounded by the input length only.
void CFastInfosetReader::ReadRootElement(unsigned char first) {
    m_depth = 0;
    ReadElementStart(first);
    while (m_depth > 0) {
        const unsigned char octet = ReadOctet();
        if (octet < 0x80) {
            ReadElementStart(octet);
        } else if (octet == kTerminator) {
            EndElement();
        } else if (octet == kDoubleTerminator) {
            // Ends this element and its parent; at the root the second
            // terminator is the document's.
            EndElement();
            if (m_depth > 0) {
                EndElement();
            } else {
                m_documentEnded = true;
            }
        } else if ((octet & 0xC0) == 0x80) {
            bool plain = false;
            const std::string_view text = ReadCharacterChunk(octet, plain);
            if (m_sink) {
                m_sink->Text(text);
                continue;
            }
            CXmlElement* element = CurrentElement();
            if (plain || HasNoCarriageReturnOrNul(text)) {
                element->m_text.append(text.data(), text.size());
            } else {
                CXmlDocument::AppendTextExcludingCR(element, text.data(), text.size());
            }
        } else if (octet == kProcessingInstruction) {
            SendProcessingInstruction();
        } else if (octet == kComment) {
            SendComment();
        } else if ((octet & 0xFC) == 0xC8) {
            SkipEntityReference(octet);
        } else {
            Fail(kInvalidElement);
        }
    }
}

void CFastInfosetReader::ReadElementStart(unsigned char first) {
    unsigned char octet = first;
    if ((octet & 0x3C) == 0x38) {
        ReadNamespaceAttributes();
        octet = ReadOctet();
    }
    ReadElementName(octet);
    if (m_sink) {
        SendStartElement(first);
        return;
    }
    if (m_depth == 0) {
        m_document->AddInternedDocElement(m_name);
    } else {
        m_document->AddInternedChildElement(m_name);
    }
    ++m_depth;
    if ((first & 0x40) && ReadAttributes()) EndElement();
}

void CFastInfosetReader::SendStartElement(unsigned char first) {
    const std::string* prefix = m_prefix;
    const CXmlName* name = m_name;
    m_pendingEventAttributeCount = 0;
    bool ended = false;
    if (first & 0x40) ended = ReadAttributes();
    std::vector<CXmlEventSink::Declaration> declarations;
    declarations.reserve(m_pendingDeclarations.size());
    for (const auto& declaration : m_pendingDeclarations) {
        declarations.push_back({*declaration.first, *declaration.second});
    }
    std::vector<CXmlEventSink::Attribute> attributes;
    attributes.reserve(m_pendingEventAttributeCount);
    for (std::size_t i = 0; i < m_pendingEventAttributeCount; ++i) {
        const PendingName& a = m_pendingEventAttributes[i];
        attributes.push_back({{*a.prefix, *a.name->namespaceUri, *a.name->localName}, a.value});
    }
    m_pendingDeclarations.clear();
    m_sink->StartElement({*prefix, *name->namespaceUri, *name->localName}, declarations,
                         attributes);
    ++m_depth;
    if (ended) EndElement();
}

void CFastInfosetReader::ReadNamespaceAttributes() {
    for (;;) {
        const unsigned char octet = ReadOctet();
        if (octet == kTerminator) return;
        if ((octet & 0xFC) != 0xCC) Fail(kInvalidElement);
        const std::string* prefix = &CXmlDocument::EmptyName();
        const std::string* namespaceName = &CXmlDocument::EmptyName();
        if (octet & 0x02) prefix = ReadIdentifyingString(m_prefixes);
        if (octet & 0x01) namespaceName = ReadIdentifyingString(m_namespaceNames);
        if (m_sink) {
            m_pendingDeclarations.emplace_back(prefix, namespaceName);
        } else {
            m_document->AddInternedAlias(prefix, namespaceName);
        }
    }
}

void CFastInfosetReader::ReadElementName(unsigned char octet) {
    if ((octet & 0x3C) == 0x3C) {
        ReadLiteralName(octet, m_elementNames, m_elementPrefixes);
        return;
    }
    ResolveName(m_elementNames, m_elementPrefixes, ReadIntegerOnThirdBit(octet));
}

// Reads a literal qualified name whose prefix and namespace flags are the two
// low bits of `octet` into m_namespace, m_localName and m_name, and adds it to the
// name table. The name is added even when one of its parts found its own
// table full, as the writer (and X.891) add it.
void CFastInfosetReader::ReadLiteralName(unsigned char octet, std::vector<NameSurrogate>& table,
                                         std::vector<const std::string*>& prefixes) {
    const bool hasPrefix = (octet & 0x02) != 0;
    const bool hasNamespace = (octet & 0x01) != 0;
    if (hasPrefix && !hasNamespace) Fail(kPrefixWithoutNamespace);
    m_prefix = hasPrefix ? ReadIdentifyingString(m_prefixes) : &CXmlDocument::EmptyName();
    m_namespace =
        hasNamespace ? ReadIdentifyingString(m_namespaceNames) : &CXmlDocument::EmptyName();
    m_localName = ReadIdentifyingString(m_localNames);
    // Prefixes are not kept on nodes, but a prefix may be needed to resolve
    // an xsi:type value, and writers need not declare every prefix they use.
    if (hasPrefix && !m_sink) m_document->AddInternedAlias(m_prefix, m_namespace);
    m_name = m_document->InternQualifiedName(m_namespace, m_localName);
    if (table.size() < kMaxTableSize) prefixes.push_back(m_prefix);
    AddToTable(table, m_name);
}

// Returns true when the list ended with the double terminator, which also
// ends the element.
bool CFastInfosetReader::ReadAttributes() {
    // Collected first, so that the element's list is allocated once, at its
    // size.
    m_pendingAttributes.clear();
    for (;;) {
        const unsigned char octet = ReadOctet();
        if (octet < 0x80) {
            ReadAttribute(octet);
        } else if (octet == kTerminator || octet == kDoubleTerminator) {
            if (m_sink) return octet == kDoubleTerminator;
            CurrentElement()->m_attributes.assign(m_pendingAttributes.begin(),
                                                  m_pendingAttributes.end());
            return octet == kDoubleTerminator;
        } else {
            Fail(kInvalidElement);
        }
    }
}

void CFastInfosetReader::ReadAttribute(unsigned char first) {
    if ((first & 0x7C) == 0x78) {
        ReadLiteralName(first, m_attributeNames, m_attributePrefixes);
    } else {
        ResolveName(m_attributeNames, m_attributePrefixes,
                    ReadIntegerOnSecondBit(first, kIndexOnSecondBit));
    }
    const std::string_view value = ReadNonIdentifyingString(m_attributeValues);
    if (m_sink) {
        // Slots are reused, so their strings keep their storage.
        if (m_pendingEventAttributeCount == m_pendingEventAttributes.size()) {
            m_pendingEventAttributes.emplace_back();
        }
        PendingName& pending = m_pendingEventAttributes[m_pendingEventAttributeCount++];
        pending.prefix = m_prefix;
        pending.name = m_name;
        pending.value.assign(value.data(), value.size());
        return;
    }
    m_pendingAttributes.push_back(m_document->CreateAttribute(m_name, value));
}

void CFastInfosetReader::EndElement() {
    if (m_sink) {
        m_sink->EndElement();
    } else {
        m_document->EndElement();
    }
    --m_depth;
}

CXmlElement* CFastInfosetReader::CurrentElement() const { return m_document->GetCurrentElement(); }

// ---------------------------------------------------------------------------
// Optional components of the header

void CFastInfosetReader::SkipAdditionalData() {
    const std::uint32_t count = ReadSequenceLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        SkipOctetStringOnSecondBit();  // id
        SkipOctetStringOnSecondBit();  // data
    }
}

// The initial vocabulary's tables are appended to the built-in ones, as
// X.891 says; an external vocabulary cannot be known and is ignored.
void CFastInfosetReader::ReadInitialVocabulary() {
    const unsigned char first = ReadOctet();
    const unsigned char second = ReadOctet();
    if (first & 0x10) SkipOctetStringOnSecondBit();  // external vocabulary URI
    if (first & 0x08) ReadAlphabetItems();
    if (first & 0x04) ReadStringTableItems(nullptr);  // encoding algorithm URIs
    if (first & 0x02) ReadStringTableItems(&m_prefixes);
    if (first & 0x01) ReadStringTableItems(&m_namespaceNames);
    if (second & 0x80) ReadStringTableItems(&m_localNames);
    if (second & 0x40) ReadStringTableItems(&m_otherNCNames);
    if (second & 0x20) ReadStringTableItems(nullptr);  // other URIs
    if (second & 0x10) ReadCharacterTableItems(&m_attributeValues);
    if (second & 0x08) {
        ReadCharacterTableItems(&m_characterChunks);
        m_plainChunks = false;  // not looked at
    }
    if (second & 0x04) ReadCharacterTableItems(&m_otherStrings);
    if (second & 0x02) ReadNameSurrogateItems(m_elementNames);
    if (second & 0x01) ReadNameSurrogateItems(m_attributeNames);
}

void CFastInfosetReader::ReadStringTableItems(NameTable* table) {
    const std::uint32_t count = ReadSequenceLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t length = ReadLengthOnSecondBit(ReadOctet());
        const unsigned char* data = ReadOctets(length);
        if (table) AddToTable(*table, InternName(*table, data, static_cast<std::size_t>(length)));
    }
}

void CFastInfosetReader::ReadCharacterTableItems(StringTable* table) {
    const std::uint32_t count = ReadSequenceLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        // The first two bits are padding.
        const EncodedString item = ReadEncodedString(ReadOctet(), true);
        if (!table) continue;
        AddStringToTable(*table, DecodeCharacters(item));
    }
}

void CFastInfosetReader::ReadAlphabetItems() {
    const std::uint32_t count = ReadSequenceLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        // Written like the attribute values of the vocabulary, as other
        // implementations (the Java one) read them.
        const EncodedString item = ReadEncodedString(ReadOctet(), true);
        if (m_alphabets.size() >= kMaxDocumentAlphabets) continue;
        if (item.format.kind == kUtf8) {
            m_alphabets.push_back(MakeAlphabet(item.data, item.length));
        } else if (item.format.kind == kUtf16) {
            const std::u16string units = BigEndianUnits(item.data, item.length);
            const CBinaryData utf8 = Utf16ToUtf8(units.data(), units.size());
            m_alphabets.push_back(MakeAlphabet(utf8.GetData(), utf8.GetLength()));
        } else {
            Fail(kInvalidComponent);
        }
    }
}

void CFastInfosetReader::ReadNameSurrogateItems(std::vector<NameSurrogate>& table) {
    const std::uint32_t count = ReadSequenceLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char flags = ReadOctet();
        if ((flags & 0x03) == 0x02) Fail(kPrefixWithoutNamespace);
        const std::string* namespaceName = &CXmlDocument::EmptyName();
        const std::string* prefix = &CXmlDocument::EmptyName();
        if (flags & 0x02) prefix = ReadIndexInto(m_prefixes);
        if (flags & 0x01) namespaceName = ReadIndexInto(m_namespaceNames);
        const std::string* localName = ReadIndexInto(m_localNames);
        if (table.size() < kMaxTableSize) {
            (&table == &m_elementNames ? m_elementPrefixes : m_attributePrefixes).push_back(prefix);
        }
        AddToTable(table, m_document->InternQualifiedName(namespaceName, localName));
    }
}

// An index on the second bit of its own octet that must address `table`.
const std::string* CFastInfosetReader::ReadIndexInto(const NameTable& table) {
    return TableEntry(table, ReadIntegerOnSecondBit(ReadOctet(), kIndexOnSecondBit));
}

void CFastInfosetReader::SkipNotations() {
    unsigned char octet = ReadOctet();
    while ((octet & 0xFC) == 0xC0) {
        SkipIdentifyingString();                    // name
        if (octet & 0x02) SkipIdentifyingString();  // system identifier
        if (octet & 0x01) SkipIdentifyingString();  // public identifier
        octet = ReadOctet();
    }
    if (octet != kTerminator) Fail(kInvalidComponent);
}

void CFastInfosetReader::SkipUnparsedEntities() {
    unsigned char octet = ReadOctet();
    while ((octet & 0xFE) == 0xD0) {
        SkipIdentifyingString();                    // name
        SkipIdentifyingString();                    // system identifier
        if (octet & 0x01) SkipIdentifyingString();  // public identifier
        SkipIdentifyingString();                    // notation name
        octet = ReadOctet();
    }
    if (octet != kTerminator) Fail(kInvalidComponent);
}

// ---------------------------------------------------------------------------
// Items that are decoded and dropped

void CFastInfosetReader::SkipProcessingInstruction() {
    SkipIdentifyingString();     // target
    SkipNonIdentifyingString();  // content
}

void CFastInfosetReader::SkipComment() { SkipNonIdentifyingString(); }

void CFastInfosetReader::SendProcessingInstruction() {
    if (!m_sink) {
        SkipProcessingInstruction();
        return;
    }
    const std::string* target = ReadIdentifyingString(m_otherNCNames);
    m_sink->ProcessingInstruction(*target, ReadNonIdentifyingString(m_otherStrings));
}

void CFastInfosetReader::SendComment() {
    if (!m_sink) {
        SkipComment();
        return;
    }
    m_sink->Comment(ReadNonIdentifyingString(m_otherStrings));
}

void CFastInfosetReader::ReadDocumentEpilog() {
    while (!m_documentEnded) {
        const unsigned char octet = ReadOctet();
        if (octet == kProcessingInstruction) {
            SendProcessingInstruction();
        } else if (octet == kComment) {
            SendComment();
        } else if (octet == kTerminator || octet == kDoubleTerminator) {
            m_documentEnded = true;
        } else {
            Fail(kInvalidElement);
        }
    }
    m_sink->EndDocument();
}

// Returns true when the declaration ended with the double terminator, which
// also ends the document.
bool CFastInfosetReader::SkipDocumentTypeDeclaration(unsigned char first) {
    if (first & 0x02) SkipIdentifyingString();  // system identifier
    if (first & 0x01) SkipIdentifyingString();  // public identifier
    for (;;) {
        const unsigned char octet = ReadOctet();
        if (octet == kProcessingInstruction) {
            SkipProcessingInstruction();
        } else if (octet == kTerminator) {
            return false;
        } else if (octet == kDoubleTerminator) {
            return true;
        } else {
            Fail(kInvalidElement);
        }
    }
}

void CFastInfosetReader::SkipEntityReference(unsigned char first) {
    SkipIdentifyingString();                    // name
    if (first & 0x02) SkipIdentifyingString();  // system identifier
    if (first & 0x01) SkipIdentifyingString();  // public identifier
}

void CFastInfosetReader::SkipIdentifyingString() {
    const unsigned char octet = ReadOctet();
    if (octet & 0x80) {
        ReadIntegerOnSecondBit(octet, kIndexOnSecondBit);
    } else {
        ReadOctets(ReadLengthOnSecondBit(octet));
    }
}

void CFastInfosetReader::SkipNonIdentifyingString() {
    const unsigned char octet = ReadOctet();
    if (!(octet & 0x80)) {
        ReadEncodedString(octet, true);
    } else if (octet != kDoubleTerminator) {
        ReadIntegerOnSecondBit(octet, kIndexOrZeroOnSecondBit);
    }
}

void CFastInfosetReader::SkipOctetStringOnSecondBit() {
    ReadOctets(ReadLengthOnSecondBit(ReadOctet()));
}

// ---------------------------------------------------------------------------
// Strings

// A literal is added to `table` (unless it is full), even when it is there
// already, as X.891 wants.
const std::string* CFastInfosetReader::ReadIdentifyingString(NameTable& table) {
    const unsigned char octet = ReadOctet();
    if (octet & 0x80) return TableEntry(table, ReadIntegerOnSecondBit(octet, kIndexOnSecondBit));
    const std::uint64_t length = ReadLengthOnSecondBit(octet);
    const std::string* value =
        InternName(table, ReadOctets(length), static_cast<std::size_t>(length));
    AddToTable(table, value);
    return value;
}

const std::string* CFastInfosetReader::Intern(const unsigned char* utf8, std::size_t length) {
    return m_document->InternName(FromUtf8(utf8, length));
}

const std::string* CFastInfosetReader::InternName(const NameTable& table, const unsigned char* utf8,
                                                  std::size_t length) {
    const std::string* name = Intern(utf8, length);  // UTF-8 checked first
    // Namespace names are URIs; everything else named here is written as an
    // XML name, and text could not carry anything else.
    if (&table != &m_namespaceNames &&
        !IsXmlNCName(std::string_view(reinterpret_cast<const char*>(utf8), length))) {
        Fail(kNotXmlName);
    }
    return name;
}

// A non-identifying string starting on the first bit of its octet. The result
// stays valid until the next string is read.
std::string_view CFastInfosetReader::ReadNonIdentifyingString(StringTable& table) {
    const unsigned char octet = ReadOctet();
    if (octet & 0x80) {
        if (octet == kDoubleTerminator) {
            return std::string_view();  // index 0: the empty string
        }
        return TableEntry(table, ReadIntegerOnSecondBit(octet, kIndexOrZeroOnSecondBit));
    }
    if ((octet & 0x30) == 0 && m_localIsUtf8) {
        // The usual case, a UTF-8 literal, without the general decoding.
        const unsigned bits = octet & 0x0Fu;
        const std::uint64_t length = bits < 0x08 ? bits + 1 : ReadLengthOnFifthBit(octet);
        const unsigned char* data = ReadOctets(length);
        const std::string_view value(reinterpret_cast<const char*>(data),
                                     static_cast<std::size_t>(length));
        CheckUtf8Text(value);
        if ((octet & 0x40) && table.size() < kMaxTableSize) table.push_back(value);
        return value;
    }
    const std::string_view value = DecodeCharacters(ReadEncodedString(octet, true));
    CheckXmlCharacters(value, false);
    if (octet & 0x40) AddStringToTable(table, value);
    return value;
}

// A character chunk whose identification bits 10 are in `first`. The result
// stays valid until the next string is read.
std::string_view CFastInfosetReader::ReadCharacterChunk(unsigned char first, bool& plain) {
    plain = false;
    if (first & 0x20) {
        plain = m_plainChunks;
        return TableEntry(m_characterChunks, ReadIntegerOnFourthBit(first));
    }
    if ((first & 0x0C) == 0 && m_localIsUtf8) {
        // A UTF-8 literal: the one pass that checks it also tells whether
        // it is plain text, to be kept as it is.
        const unsigned bits = first & 0x03u;
        const std::uint64_t length = bits < 0x02    ? bits + 1
                                     : bits == 0x02 ? std::uint64_t{ReadOctet()} + 3
                                                    : ReadLengthOnSeventhBit(first);
        const unsigned char* data = ReadOctets(length);
        const std::string_view value(reinterpret_cast<const char*>(data),
                                     static_cast<std::size_t>(length));
        plain = !CheckUtf8Text(value);
        if ((first & 0x10) && m_characterChunks.size() < kMaxTableSize) {
            m_characterChunks.push_back(value);
            m_plainChunks = m_plainChunks && plain;
        }
        return value;
    }
    const std::string_view value = DecodeCharacters(ReadEncodedString(first, false));
    CheckXmlCharacters(value, false);
    if (first & 0x10) {
        AddStringToTable(m_characterChunks, value);
        m_plainChunks = false;
    }
    return value;
}

// Reads an encoded character string whose two selector bits start at the
// third bit of `octet` (the length then starts on the fifth bit) or at its
// fifth bit (the length on the seventh bit). For a restricted alphabet or an
// encoding algorithm the 8-bit table field follows the selector and ends
// inside the next octet, where the length then starts.
CFastInfosetReader::EncodedString CFastInfosetReader::ReadEncodedString(unsigned char octet,
                                                                        bool fromThirdBit) {
    const unsigned shift = fromThirdBit ? 4 : 2;
    EncodedString result = {{static_cast<unsigned>((octet >> shift) & 0x03), 0}, nullptr, 0};
    if (result.format.kind >= kRestrictedAlphabet) {
        const unsigned char next = ReadOctet();
        result.format.field = ((octet & ((1u << shift) - 1)) << (8 - shift)) | (next >> shift);
        octet = next;
    }
    const std::uint64_t length =
        fromThirdBit ? ReadLengthOnFifthBit(octet) : ReadLengthOnSeventhBit(octet);
    result.data = ReadOctets(length);
    result.length = static_cast<std::size_t>(length);
    return result;
}

std::string_view CFastInfosetReader::DecodeCharacters(const EncodedString& string) {
    std::string& value = m_literal;
    switch (string.format.kind) {
        case kUtf8:
            if (m_localIsUtf8) {
                // Most strings of a document are literals: they are used
                // where they lie, once checked.
                const char* text = reinterpret_cast<const char*>(string.data);
                if (!IsAscii(string.data, string.length) &&
                    !QbXmlLib5::IsValidUtf8(text, string.length)) {
                    Fail(kInvalidUtf8);
                }
                return std::string_view(text, string.length);
            }
            value = FromUtf8(string.data, string.length);
            break;
        case kUtf16: {
            const std::u16string units = BigEndianUnits(string.data, string.length);
            value = Utf16ToLocal(units.data(), units.size());
            break;
        }
        case kRestrictedAlphabet:
            DecodeAlphabet(string.format.field, string.data, string.length, value);
            break;
        default:
            DecodeAlgorithm(string.format.field, string.data, string.length, value);
            break;
    }
    return value;
}

CFastInfosetReader::Alphabet CFastInfosetReader::MakeAlphabet(const unsigned char* data,
                                                              std::size_t length) {
    Alphabet alphabet;
    alphabet.utf8.assign(reinterpret_cast<const char*>(data), length);
    for (std::size_t i = 0; i < length; ++i) {
        // Every octet that does not continue a UTF-8 sequence starts a
        // character. Past 2^20 characters the alphabet is unusable anyway:
        // stop counting, and it is refused when used.
        if ((data[i] & 0xC0) == 0x80) continue;
        if (alphabet.starts.size() > kMaxTableSize) return alphabet;
        alphabet.starts.push_back(static_cast<std::uint32_t>(i));
    }
    alphabet.starts.push_back(static_cast<std::uint32_t>(length));
    return alphabet;
}

const CFastInfosetReader::Alphabet& CFastInfosetReader::FindAlphabet(unsigned field) const {
    static const Alphabet numeric = MakeAlphabet(
        reinterpret_cast<const unsigned char*>(kNumericAlphabet), sizeof kNumericAlphabet - 1);
    static const Alphabet dateTime = MakeAlphabet(
        reinterpret_cast<const unsigned char*>(kDateTimeAlphabet), sizeof kDateTimeAlphabet - 1);
    const unsigned index = field + 1;
    if (index == 1) return numeric;
    if (index == 2) return dateTime;
    if (index < kFirstDocumentAlphabet || index - kFirstDocumentAlphabet >= m_alphabets.size()) {
        Fail(kInvalidIndex);
    }
    return m_alphabets[index - kFirstDocumentAlphabet];
}

// Codes of b bits, b the smallest width whose all-ones value lies beyond the
// alphabet; the all-ones code ends the string (it pads the last octet).
void CFastInfosetReader::DecodeAlphabet(unsigned field, const unsigned char* data,
                                        std::size_t length, std::string& value) {
    const Alphabet& alphabet = FindAlphabet(field);
    const std::size_t size = alphabet.Size();
    if (size < 2 || size > kMaxTableSize) Fail(kInvalidAlphabetSize);
    unsigned width = 1;
    while ((std::size_t{1} << width) <= size) ++width;
    const std::uint32_t end = (std::uint32_t{1} << width) - 1;
    m_utf8.clear();
    std::uint64_t pending = 0;
    unsigned pendingBits = 0;
    for (std::size_t i = 0; i < length; ++i) {
        pending = (pending << 8) | data[i];
        pendingBits += 8;
        while (pendingBits >= width) {
            pendingBits -= width;
            const std::uint32_t code = static_cast<std::uint32_t>(pending >> pendingBits) & end;
            if (code == end) {
                value =
                    FromUtf8(reinterpret_cast<const unsigned char*>(m_utf8.data()), m_utf8.size());
                return;
            }
            if (code >= size) Fail(kInvalidIndex);
            m_utf8.append(alphabet.utf8, alphabet.starts[code],
                          alphabet.starts[code + 1] - alphabet.starts[code]);
        }
        pending &= (std::uint64_t{1} << pendingBits) - 1;
    }
    value = FromUtf8(reinterpret_cast<const unsigned char*>(m_utf8.data()), m_utf8.size());
}

void CFastInfosetReader::DecodeAlgorithm(unsigned field, const unsigned char* data,
                                         std::size_t length, std::string& value) {
    const unsigned index = field + 1;
    if (index == kCdataAlgorithm) {
        value = FromUtf8(data, length);
        return;
    }
    if (index < BE_HEX || index > BE_UUID) Fail(kInvalidAlgorithm);
    const CBinaryData octets(const_cast<unsigned char*>(data), length, false);
    value = octets.GetAsString(static_cast<ByteEncoding>(index));
}

// Values are copied into the tree each time they are referenced: the copies
// are charged to the expansion budget.
std::string_view CFastInfosetReader::TableEntry(const StringTable& table, std::uint32_t index) {
    if (index == 0 || index > table.size()) Fail(kInvalidIndex);
    const std::string_view entry = table[index - 1];
    if (entry.size() > m_expansionBudget) Fail(kTooLarge);
    m_expansionBudget -= entry.size();
    return entry;
}

// Names are shared, not copied: referencing one costs nothing.
const std::string* CFastInfosetReader::TableEntry(const NameTable& table, std::uint32_t index) {
    if (index == 0 || index > table.size()) Fail(kInvalidIndex);
    return table[index - 1];
}

template <typename Table, typename Entry>
void CFastInfosetReader::AddToTable(Table& table, Entry&& value) {
    if (table.size() < kMaxTableSize) table.push_back(std::forward<Entry>(value));
}

void CFastInfosetReader::AddStringToTable(StringTable& table, std::string_view value) {
    if (table.size() >= kMaxTableSize) return;
    const auto* data = reinterpret_cast<const unsigned char*>(value.data());
    const std::less<const unsigned char*> before;
    const bool inInput = !before(data, m_data) && before(data, m_data + m_length);
    if (!inInput && !value.empty()) {
        m_decodedStrings.emplace_back(value);
        value = m_decodedStrings.back();
    }
    table.push_back(value);
}

// ---------------------------------------------------------------------------
// Lengths (X.891 C.21 to C.24; the integers, C.25 to C.28, are at the top)

std::uint64_t CFastInfosetReader::ReadLengthOnSecondBit(unsigned char first) {
    const unsigned bits = first & 0x7Fu;
    if (bits < 0x40) return bits + 1;
    if (bits == 0x40) return std::uint64_t{ReadOctet()} + 65;
    if (bits == 0x60) return std::uint64_t{ReadBigEndian(4)} + 321;
    Fail(kLengthOnSecondBit);
}

std::uint64_t CFastInfosetReader::ReadLengthOnFifthBit(unsigned char first) {
    const unsigned bits = first & 0x0Fu;
    if (bits < 0x08) return bits + 1;
    if (bits == 0x08) return std::uint64_t{ReadOctet()} + 9;
    if (bits == 0x0C) return std::uint64_t{ReadBigEndian(4)} + 265;
    Fail(kLengthOnFifthBit);
}

// Every pattern of the two bits is valid here.
std::uint64_t CFastInfosetReader::ReadLengthOnSeventhBit(unsigned char first) {
    const unsigned bits = first & 0x03u;
    if (bits < 0x02) return bits + 1;
    if (bits == 0x02) return std::uint64_t{ReadOctet()} + 3;
    return std::uint64_t{ReadBigEndian(4)} + 259;
}

// The number of items of a sequence, 1 to 2^20.
std::uint32_t CFastInfosetReader::ReadSequenceLength() {
    const unsigned char first = ReadOctet();
    if (first < 0x80) return first + 1u;
    return (((first & 0x0Fu) << 16) | ReadBigEndian(2)) + 129;
}

std::uint32_t CFastInfosetReader::ReadBigEndian(unsigned count) {
    const unsigned char* octets = ReadOctets(count);
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) value = (value << 8) | octets[i];
    return value;
}

// ---------------------------------------------------------------------------
// Octets

void CFastInfosetReader::ResetTables() {
    ClearTables();
    m_prefixes.push_back(m_document->InternName("xml"));
    m_namespaceNames.push_back(m_document->InternName(kXmlNamespace));
    m_expansionBudget = kExpansionAllowance + kExpansionFactor * std::uint64_t{m_length};
    m_depth = 0;
    m_documentEnded = false;
    m_plainChunks = true;
}

void CFastInfosetReader::ClearTables() {
    m_elementNames.clear();
    m_attributeNames.clear();
    m_elementPrefixes.clear();
    m_attributePrefixes.clear();
    m_otherNCNames.clear();
    m_otherStrings.clear();
    m_pendingDeclarations.clear();
    m_alphabets.clear();
    m_localNames.clear();
    m_namespaceNames.clear();
    m_prefixes.clear();
    m_attributeValues.clear();
    m_characterChunks.clear();
    m_decodedStrings.clear();
}

}  // namespace QbXmlLib5
