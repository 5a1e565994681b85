#include "xml/CExpatReader.h"

#include <expat.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "xml/CXmlDocument.h"

namespace QbXmlLib5 {

static_assert(std::is_same<XML_Char, char>::value, "Expat must be built for UTF-8 (char) output");

namespace {

const char kNamespaceSeparator = '|';

// Expat copies what XML_Parse hands it into a buffer of its own before
// parsing it: in pieces of this size, that buffer stays small instead of
// doubling the memory a large document needs (and Expat's int lengths are
// never reached).
const std::size_t kMaxPiece = std::size_t{1} << 18;

// Expat also counts lines and columns over every piece but the last, a dozen
// instructions a byte. A whole tree is built from the document anyway, so a
// document up to this size is handed over in one final piece: the copy
// costs less than the tree, and the load is about a tenth faster. Elements
// consumed while loading keep the small pieces: there the tree does not grow.
const std::size_t kMaxWholeDocument = std::size_t{32} << 20;

std::string ToLocal(const char* utf8) {
    return utf8 ? Utf8ToLocal(utf8, std::strlen(utf8)) : std::string();
}

// Splits an Expat name into namespace URI and local name, still in UTF-8.
// (Expat refuses namespace URIs that contain the separator, so the first one
// splits.)
void SplitName(const char* name, std::string_view& namespaceUri, std::string_view& localName) {
    const char* separator = std::strchr(name, kNamespaceSeparator);
    if (separator == nullptr) {
        namespaceUri = std::string_view();
        localName = name;
        return;
    }
    namespaceUri = std::string_view(name, static_cast<std::size_t>(separator - name));
    localName = separator + 1;
}

// Most character data between tags is a line end or an indentation: short
// runs are looked through here rather than in a library call.
inline bool HasCarriageReturn(const char* text, std::size_t length) {
    if (length > 16) {
        return std::memchr(text, '\r', length) != nullptr;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\r') return true;
    }
    return false;
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

CExpatReader::CExpatReader(CXmlDocument* document) : m_document(document) {}

CExpatReader::~CExpatReader() = default;

void CExpatReader::Parse(const unsigned char* data, std::size_t length, const char* encoding) {
    // One pass over all the bytes, the last piece marked final so that an
    // element left open or a token cut short at the end is an error.
    const std::size_t maxPiece =
        !m_document->HasElementConsumer() && length <= kMaxWholeDocument ? length : kMaxPiece;
    Run(encoding, [&](XML_Parser parser) {
        XML_Status status = XML_STATUS_OK;
        do {
            const std::size_t piece = length < maxPiece ? length : maxPiece;
            const bool last = piece == length;
            status = XML_Parse(parser, reinterpret_cast<const char*>(data), static_cast<int>(piece),
                               last ? XML_TRUE : XML_FALSE);
            data += piece;
            length -= piece;
        } while (status == XML_STATUS_OK && length > 0);
        return status;
    });
}

void CExpatReader::Parse(const Source& source) {
    Run(nullptr, [&source](XML_Parser parser) {
        for (;;) {
            void* buffer = XML_GetBuffer(parser, static_cast<int>(kMaxPiece));
            if (buffer == nullptr) throw std::bad_alloc();
            const std::size_t read = source(static_cast<unsigned char*>(buffer), kMaxPiece);
            const XML_Status status =
                XML_ParseBuffer(parser, static_cast<int>(read), read == 0 ? XML_TRUE : XML_FALSE);
            if (status != XML_STATUS_OK || read == 0) return status;
        }
    });
}

template <typename Feed>
void CExpatReader::Run(const char* encoding, Feed feed) {
    const bool namespaces = m_document->GetSchemaType() != ST_NO_NAMESPACES;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(
        namespaces ? XML_ParserCreateNS(encoding, kNamespaceSeparator)
                   : XML_ParserCreate(encoding));
    if (!parser) {
        throw std::bad_alloc();
    }
    m_parser = parser.get();
    m_failure = nullptr;
    m_localIsUtf8 = IsLocalCharEncodingUtf8();
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(parser.get(), OnStartElement, OnEndElement);
    if (namespaces) {
        XML_SetNamespaceDeclHandler(parser.get(), OnStartNamespace, OnEndNamespace);
    }
    XML_SetCharacterDataHandler(parser.get(), OnCharacterData);
    m_entities.Clear();
    XML_SetEntityDeclHandler(parser.get(), OnEntityDecl);
    XML_SetEndDoctypeDeclHandler(parser.get(), OnEndDoctype);

    XML_Status status;
    try {
        status = feed(parser.get());
    } catch (...) {
        m_parser = nullptr;
        throw;
    }
    m_parser = nullptr;

    if (m_failure) {
        std::rethrow_exception(m_failure);
    }
    if (status == XML_STATUS_OK) {
        return;
    }
    const XML_Error code = XML_GetErrorCode(parser.get());
    if (code == XML_ERROR_NO_ELEMENTS && m_document->GetDocumentElement() == nullptr) {
        return;  // no element at all: reported by the caller as an empty document
    }
    throw CQbException(
        FormatString("%s at line %lu", XML_ErrorString(code),
                     static_cast<unsigned long>(XML_GetCurrentLineNumber(parser.get()))));
}

template <typename Body>
void CExpatReader::Guarded(void* userData, Body body) {
    CExpatReader* reader = static_cast<CExpatReader*>(userData);
    if (reader->m_failure) {
        return;
    }
    try {
        body(reader);
    } catch (...) {
        reader->m_failure = std::current_exception();
        XML_StopParser(static_cast<XML_Parser>(reader->m_parser), XML_FALSE);
    }
}

void CExpatReader::OnStartElement(void* userData, const char* name, const char** attributes) {
    Guarded(userData, [=](CExpatReader* reader) { reader->StartElement(name, attributes); });
}

void CExpatReader::OnEntityDecl(void* userData, const char* name, int parameter, const char* value,
                                int length, const char*, const char*, const char*, const char*) {
    if (!value) return;  // external entities are not loaded
    Guarded(userData, [=](CExpatReader* reader) {
        reader->m_entities.Declare(name, parameter != 0, value, static_cast<std::size_t>(length));
    });
}

void CExpatReader::OnEndDoctype(void* userData) {
    Guarded(userData, [](CExpatReader* reader) {
        if (reader->m_entities.LongestChain() > kMaxEntityNesting) {
            throw CQbOverFlowException(FormatString(
                "Entity references are nested more than %d levels deep", kMaxEntityNesting));
        }
        reader->m_entities.Clear();
    });
}

inline std::string_view CExpatReader::LocalView(std::string_view utf8, std::string& buffer) const {
    if (m_localIsUtf8) {
        return utf8;
    }
    buffer = Utf8ToLocal(utf8.data(), utf8.size());
    return buffer;
}

namespace {

inline std::size_t NameCacheSlot(const char* name, std::size_t length, unsigned bits) {
    const std::uint32_t key =
        static_cast<std::uint32_t>(length) << 24 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 16 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name[length / 2])) << 8 ^
        static_cast<unsigned char>(name[length - 1]);
    return (key * 0x9E3779B1u) >> (32 - bits);
}

}  // namespace

// The cache is two-way: names whose cheap hashes collide (a dozen names in
// 64 sets often have a pair) do not evict each other.
inline const CXmlName* CExpatReader::NameOf(const char* expatName) {
    const std::size_t length = std::strlen(expatName);
    if (length != 0) {
        const CCachedName* set = &m_nameCache[2 * NameCacheSlot(expatName, length, kNameCacheBits)];
        for (int way = 0; way < 2; ++way) {
            if (set[way].length == length &&
                std::memcmp(set[way].expatName, expatName, length) == 0) {
                return set[way].name;
            }
        }
    }
    return LookUpName(expatName, length);
}

const CXmlName* CExpatReader::LookUpName(const char* expatName, std::size_t length) {
    const std::string_view key(expatName, length);
    const CXmlName* name;
    const auto found = m_rawNames.find(key);
    if (found != m_rawNames.end()) {
        name = found->second;
    } else {
        std::string_view namespaceUri;
        std::string_view localName;
        SplitName(expatName, namespaceUri, localName);
        const std::string* uri = m_document->InternName(LocalView(namespaceUri, m_namespaceBuffer));
        const std::string* local = m_document->InternName(LocalView(localName, m_localNameBuffer));
        name = m_document->InternQualifiedName(uri, local);
        m_rawNameStore.emplace_back(key);
        m_rawNames.emplace(m_rawNameStore.back(), name);
    }
    if (length != 0) {
        // The newer name takes the second way; the first keeps the older.
        CCachedName* set = &m_nameCache[2 * NameCacheSlot(expatName, length, kNameCacheBits)];
        CCachedName& cached = set[0].name == nullptr ? set[0] : set[1];
        const auto stored = m_rawNames.find(key);
        cached.expatName = stored->first.data();
        cached.length = length;
        cached.name = name;
    }
    return name;
}

void CExpatReader::StartElement(const char* expatName, const char** attributes) {
    const CXmlName* name = NameOf(expatName);
    CXmlElement* element = m_document->GetDocumentElement() == nullptr
                               ? m_document->AddInternedDocElement(name)
                               : m_document->AddInternedChildElement(name);
    if (m_document->GetKeepLineNumbers()) {
        const auto parser = static_cast<XML_Parser>(m_parser);
        // Expat counts columns from 0.
        CXmlDocument::SetPosition(
            element, static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
            static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser)) + 1);
    }
    std::size_t count = 0;
    while (attributes[2 * count] != nullptr) ++count;
    if (count == 0) {
        return;
    }
    element->m_attributes.reserve(count);
    for (const char** pair = attributes; pair[0] != nullptr; pair += 2) {
        element->m_attributes.push_back(
            m_document->CreateAttribute(NameOf(pair[0]), LocalView(pair[1], m_valueBuffer)));
    }
}

void CExpatReader::CharacterData(const char* text, std::size_t length) {
    CXmlElement* element = m_document->GetCurrentElement();
    if (element == nullptr) {
        return;
    }
    // Expat has already normalised line ends: a carriage return here came
    // from a character reference, which is rare.
    if (m_localIsUtf8 && !HasCarriageReturn(text, length)) {
        element->m_text.append(text, length);
    } else {
        const std::string_view local = LocalView(std::string_view(text, length), m_valueBuffer);
        CXmlDocument::AppendTextExcludingCR(element, local.data(), local.size());
    }
}

void CExpatReader::OnEndElement(void* userData, const char* /*name*/) {
    Guarded(userData, [](CExpatReader* reader) { reader->m_document->EndElement(); });
}

void CExpatReader::OnStartNamespace(void* userData, const char* prefix, const char* uri) {
    Guarded(userData, [=](CExpatReader* reader) {
        reader->m_document->AddNamespaceAlias(ToLocal(prefix), ToLocal(uri));
    });
}

void CExpatReader::OnEndNamespace(void* /*userData*/, const char* /*prefix*/) {
    // Declarations stay in the alias map for the whole document.
}

void CExpatReader::OnCharacterData(void* userData, const char* text, int length) {
    if (length <= 0) {
        return;
    }
    Guarded(userData, [=](CExpatReader* reader) {
        reader->CharacterData(text, static_cast<std::size_t>(length));
    });
}

}  // namespace QbXmlLib5
