// CBinaryData: the library's byte-buffer value type. It holds xs:hexBinary
// and xs:base64Binary values and every serialized stream.
//
// Copies share one reference-counted record and copy it only when one of them
// is about to change it (copy on write). Copies are O(1). The counts are plain
// integers: objects that share a record must stay on one thread.
//
// A default-constructed object has no record; this differs from a record of
// length 0 (see operator==).
#ifndef QBXMLLIB5_TYPES_CBINARYDATA_H
#define QBXMLLIB5_TYPES_CBINARYDATA_H

#include <cstddef>
#include <memory>
#include <string>

#include "core/QbEnums.h"

namespace QbXmlLib5 {

class CBinaryData {
public:
    CBinaryData();
    CBinaryData(const CBinaryData& other);
    CBinaryData(CBinaryData&& other) noexcept;  // leaves `other` without a record
    CBinaryData& operator=(const CBinaryData& other);
    CBinaryData& operator=(CBinaryData&& other) noexcept;
    // adopt = true: takes ownership of `data`, which must come from array new
    // (capacity = length). adopt = false: copies the bytes, as SetBuffer.
    CBinaryData(unsigned char* data, std::size_t length, bool adopt);
    // Takes over `buffer`, of which `length` bytes are in use (capacity =
    // length).
    CBinaryData(std::unique_ptr<unsigned char[]> buffer, std::size_t length);
    // Copies `length` bytes (as SetBuffer).
    CBinaryData(const unsigned char* data, std::size_t length);
    // Copies the characters of a zero-terminated text, without the terminator.
    // A null text gives a record of length 0.
    explicit CBinaryData(const char* text);
    ~CBinaryData();

    // The bytes, or null without a record. Valid until the next change.
    const unsigned char* GetData() const;
    // Number of bytes; 0 without a record.
    std::size_t GetLength() const;

    void Append(unsigned char byte);
    void Append(const unsigned char* data, std::size_t length);
    void Append(const char* text);          // terminator not appended
    void Append(const CBinaryData& other);  // nothing when `other` has no record

    // Replaces the content by a copy of the bytes (a fresh record).
    void SetBuffer(const unsigned char* data, std::size_t length);
    void SetBuffer(const char* text);

    // Exactly the bytes, embedded zeros kept; "" without a record.
    std::string GetString() const;

    // Standard RFC 4648 base64, padded, no line breaks; "" without a record.
    std::string GetAsBase64() const;
    // Decodes base64. Whitespace (blank, tab, line feed, carriage return) is
    // skipped wherever it stands, so wrapped text decodes; padding is
    // optional but, when present, ends the text. Throws CQbException
    // "Invalid char in base64 string [%s]" for any other character and
    // "Incomplete base64 string [%s]" for a text that stops inside a byte;
    // the content is then unchanged.
    void SetAsBase64(const char* text);

    // Upper-case hex, two digits per byte; "" without a record.
    std::string GetAsHexString() const;
    // Decodes hex digits of either case. Throws CQbException
    // "Invalid char in hex string [%c]" on the first bad digit; an odd number
    // of digits fails at the missing last one, shown as nothing ("[]"). The
    // content is then unchanged.
    void SetAsHexString(const char* text);

    // Text rendering by ByteEncoding (the Fast Infoset encoding algorithms for
    // 1 to 9): groups are big-endian and joined by one space. Throws
    // "Invalid value [%c] for SHORT byte encoding." (and the INT, LONG, FLOAT,
    // DOUBLE, UUID variants) when the length is not a whole number of groups;
    // the placeholder shows how many bytes are left over, as one hex digit.
    // An unknown encoding throws "Unknown byte encoding.". "" without a record.
    std::string GetAsString(ByteEncoding encoding) const;

    // Deflates the bytes in place at level 1 in a gzip (CT_GZIP) or zlib
    // (CT_ZLIB) wrapper; other values leave them as they are. The output
    // buffer is sized by deflateBound, so any input compresses, however small.
    // A zlib failure throws CQbException "Failed to compress data. [Error
    // Code: %d]" and leaves the bytes unchanged. Returns an object sharing the
    // (compressed) record. Without a record it does nothing.
    CBinaryData CompressData(CompressionType type);

    // Inflates `length` bytes that form one complete zlib stream, or one or
    // more complete gzip members (as `cat a.gz b.gz` gives; detected
    // automatically), into `result`. Returns false, leaving `result`
    // untouched, when the bytes are not such a stream (no header, corrupt,
    // truncated, or followed by bytes that are not another gzip member) or
    // when their output does not fit in memory. Memory grows only as output
    // is actually produced.
    static bool Decompress(const unsigned char* data, std::size_t length, CBinaryData& result);
    // Replaces `buffer` by its inflated bytes when it holds a complete zlib
    // or gzip stream (as Decompress) and returns true; otherwise leaves it untouched and
    // returns false (the input is then taken as uncompressed).
    static bool DecompressBuffer(CBinaryData& buffer);

    // Hands the buffer to the caller, who frees it with array delete. The
    // object keeps an empty record. Null without a record.
    unsigned char* ReleaseData();

    bool operator==(const CBinaryData& other) const;
    bool operator!=(const CBinaryData& other) const;

    // The byte at `index`; throws CQbException "Index Out of range [%d]" when
    // the index is not below the length. The non-const form first makes the
    // record exclusive.
    const unsigned char& operator[](std::size_t index) const;
    unsigned char& operator[](std::size_t index);

    // Writes the bytes to a file (created or truncated), preceded by the
    // byte-order mark FF FE for XE_UTF16 and XE_UTF16_NO_DECL; the bytes are
    // never converted. Throws "Failed to write data to the file [%s] error
    // [0x%08X]" with errno.
    void ToFile(const char* path, XmlEncoding encoding) const;

protected:
    // Copy on write: a shared record is replaced by a private copy.
    void GetExclusiveDataHolder();
    // Upper-case hex of any byte range; a null pointer gives "".
    static std::string GetAsHexString(const unsigned char* data, std::size_t length);

private:
    struct CDataHolder;

    void Attach(CDataHolder* holder);  // lets go of the current record
    void Detach();
    void CheckIndex(std::size_t index) const;
    std::string RenderGroups(ByteEncoding encoding) const;
    std::string RenderBooleans() const;

    CDataHolder* m_holder;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CBINARYDATA_H
