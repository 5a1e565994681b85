// CExpatReader: builds a CXmlDocument from XML text through Expat. Internal to
// the library's loading code; applications use CXmlDocument::Load*.
//
// Names, values and text arrive from Expat as UTF-8 and are stored in the
// local character encoding. With namespace processing (every schema type but
// ST_NO_NAMESPACES) Expat reports names as "namespace URI|local name" and
// namespace declarations to a separate handler, which fills the document's
// alias map.
#ifndef QBXMLLIB5_XML_CEXPATREADER_H
#define QBXMLLIB5_XML_CEXPATREADER_H

#include <array>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "xml/CEntityChains.h"

namespace QbXmlLib5 {

class CXmlDocument;
struct CXmlName;

class CExpatReader {
public:
    explicit CExpatReader(CXmlDocument* document);
    virtual ~CExpatReader();

    CExpatReader(const CExpatReader&) = delete;
    CExpatReader& operator=(const CExpatReader&) = delete;

    // Parses `length` bytes as one complete document (the end of the bytes is
    // the end of the document). `encoding` names the encoding of the bytes
    // and overrides their XML declaration; null lets Expat detect it. Throws
    // CQbException "%s at line %d" with Expat's error text and line. A
    // document without any element is not an error here: the caller sees it
    // by the missing document element.
    void Parse(const unsigned char* data, std::size_t length, const char* encoding);
    // The same for a document read piece by piece from `source` (the next
    // bytes into `buffer`, up to `size`; 0 at the end), its encoding
    // detected.
    using Source = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;
    void Parse(const Source& source);

    // The longest chain of entities referring to one another that a
    // document may declare: Expat expands such chains by recursion.
    static constexpr int kMaxEntityNesting = 64;

private:
    // Expat callbacks; `userData` is the reader.
    static void OnStartElement(void* userData, const char* name, const char** attributes);
    static void OnEndElement(void* userData, const char* name);
    static void OnStartNamespace(void* userData, const char* prefix, const char* uri);
    static void OnEndNamespace(void* userData, const char* prefix);
    static void OnCharacterData(void* userData, const char* text, int length);
    static void OnEntityDecl(void* userData, const char* name, int parameter, const char* value,
                             int length, const char* base, const char* systemId,
                             const char* publicId, const char* notation);
    static void OnEndDoctype(void* userData);

    void StartElement(const char* name, const char** attributes);
    // The document's name for a name as Expat reports it ("namespace
    // URI|local name", or just the local name).
    const CXmlName* NameOf(const char* expatName);
    const CXmlName* LookUpName(const char* expatName, std::size_t length);
    void CharacterData(const char* text, std::size_t length);
    // `utf8` in the local encoding: `utf8` itself when that is UTF-8,
    // otherwise converted into `buffer`.
    std::string_view LocalView(std::string_view utf8, std::string& buffer) const;
    // Creates the parser, runs `feed` (which calls XML_Parse and returns its
    // last status) and turns the outcome into an exception or nothing.
    template <typename Feed>
    void Run(const char* encoding, Feed feed);
    // Runs a callback body; an exception stops the parser and is kept for
    // Parse to rethrow, so that it never unwinds through Expat.
    template <typename Body>
    static void Guarded(void* userData, Body body);

    CXmlDocument* const m_document;
    void* m_parser = nullptr;  // XML_Parser during Parse
    std::exception_ptr m_failure;
    CEntityChains m_entities;
    bool m_localIsUtf8 = true;  // fixed for the duration of Parse
    // Conversion buffers, reused so that a non-UTF-8 local encoding costs no
    // allocation per name once they have grown.
    std::string m_namespaceBuffer;
    std::string m_localNameBuffer;
    std::string m_valueBuffer;
    // The names met so far, by their Expat form (keys point into m_rawNames'
    // strings), and a small direct-mapped cache in front: a document uses a
    // few names over and over, and a hit costs one comparison.
    std::deque<std::string> m_rawNameStore;
    std::unordered_map<std::string_view, const CXmlName*> m_rawNames;
    struct CCachedName {
        const char* expatName = nullptr;  // into m_rawNameStore
        std::size_t length = 0;
        const CXmlName* name = nullptr;
    };
    static constexpr unsigned kNameCacheBits = 6;
    std::array<CCachedName, std::size_t{2} << kNameCacheBits> m_nameCache{};  // two ways a set
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CEXPATREADER_H
