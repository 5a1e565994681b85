#include "types/CBinaryData.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "core/CPlatformFile.h"
#include "core/CQbException.h"
#include "types/CConversions.h"

namespace QbXmlLib5 {

struct CBinaryData::CDataHolder {
    unsigned char* data;   // array new; null only after ReleaseData
    std::size_t length;    // bytes in use
    std::size_t capacity;  // size of the allocation behind data
    std::size_t refCount;  // CBinaryData objects sharing this record

    // Adopts `buffer` (array new) as it is.
    CDataHolder(unsigned char* buffer, std::size_t used, std::size_t size)
        : data(buffer), length(used), capacity(size), refCount(1) {}
    ~CDataHolder() { delete[] data; }
    CDataHolder(const CDataHolder&) = delete;
    CDataHolder& operator=(const CDataHolder&) = delete;

    // A fresh record with a copy of the bytes and room to grow.
    static CDataHolder* Copy(const unsigned char* bytes, std::size_t n) {
        const std::size_t size = std::max<std::size_t>(2 * n, 4096);
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
        if (n > 0) std::memcpy(buffer.get(), bytes, n);
        CDataHolder* holder = new CDataHolder(buffer.get(), n, size);
        buffer.release();
        return holder;
    }
};

namespace {

const char kHexDigits[] = "0123456789ABCDEF";
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

enum : unsigned char { kB64Pad = 0xFD, kB64Space = 0xFE, kB64Invalid = 0xFF };

// Maps a byte to its 6-bit value or a marker.
struct CBase64Table {
    unsigned char values[256];
    CBase64Table() {
        std::memset(values, kB64Invalid, sizeof values);
        for (unsigned char i = 0; i < 64; ++i) {
            values[static_cast<unsigned char>(kBase64Alphabet[i])] = i;
        }
        values[static_cast<unsigned char>('=')] = kB64Pad;
        for (unsigned char c : {' ', '\t', '\n', '\r'}) values[c] = kB64Space;
    }
};

const CBase64Table& Base64Table() {
    static const CBase64Table table;
    return table;
}

// A value text as messages show it: long texts are cut, so that a bad
// megabyte of base64 does not make a megabyte of message.
std::string Excerpt(const char* text) {
    const std::size_t kShown = 64;
    const std::size_t length = std::strlen(text);
    return length <= kShown ? std::string(text, length) : std::string(text, kShown) + "...";
}

// A character as messages show it: printable ASCII as it is, others by code.
std::string ShowChar(unsigned char c) {
    return c > 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : FormatString("0x%02X", c);
}

// Big-endian unsigned value of `size` bytes.
std::uint64_t ReadBigEndian(const unsigned char* p, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | p[i];
    return value;
}

// zlib counts in uInt; larger buffers are handed over in slices.
void Refill(Bytef*& next, uInt& avail, std::size_t& left, unsigned char* base, std::size_t size) {
    if (avail > 0 || left == 0) return;
    const std::size_t take = std::min<std::size_t>(left, UINT_MAX);
    next = base + (size - left);
    avail = static_cast<uInt>(take);
    left -= take;
}

// Deflates `length` bytes into `out`, which holds `bound` bytes (zlib's
// deflateBound for the input, so the compressed form always fits). Returns
// Z_STREAM_END on success, otherwise zlib's last return code.
int DeflateInto(const unsigned char* in, std::size_t length, unsigned char* out, std::size_t bound,
                z_stream& strm, std::size_t& produced) {
    std::size_t inLeft = length, outLeft = bound;
    unsigned char* input = const_cast<unsigned char*>(in);  // zlib reads only
    int rc = Z_OK;
    for (;;) {
        Refill(strm.next_in, strm.avail_in, inLeft, input, length);
        Refill(strm.next_out, strm.avail_out, outLeft, out, bound);
        const int flush = (inLeft == 0) ? Z_FINISH : Z_NO_FLUSH;
        rc = deflate(&strm, flush);
        if (rc == Z_STREAM_END) break;
        const bool outputFull = strm.avail_out == 0 && outLeft == 0;
        if (rc != Z_OK || (flush == Z_FINISH && outputFull)) break;
    }
    produced = static_cast<std::size_t>(bound - outLeft - strm.avail_out);
    return rc;
}

// A gzip member starts with the magic bytes 1F 8B.
bool IsGzipMember(const unsigned char* p, std::size_t n) {
    return n >= 2 && p[0] == 0x1F && p[1] == 0x8B;
}

}  // namespace

// ---------------------------------------------------------------------------
// Records and sharing

CBinaryData::CBinaryData() : m_holder(nullptr) {}

CBinaryData::CBinaryData(const CBinaryData& other) : m_holder(other.m_holder) {
    if (m_holder) ++m_holder->refCount;
}

CBinaryData::CBinaryData(CBinaryData&& other) noexcept : m_holder(other.m_holder) {
    other.m_holder = nullptr;
}

CBinaryData& CBinaryData::operator=(const CBinaryData& other) {
    if (other.m_holder) ++other.m_holder->refCount;  // first: self-assignment safe
    Attach(other.m_holder);
    return *this;
}

CBinaryData& CBinaryData::operator=(CBinaryData&& other) noexcept {
    if (this != &other) {
        Detach();
        m_holder = other.m_holder;
        other.m_holder = nullptr;
    }
    return *this;
}

CBinaryData::CBinaryData(unsigned char* data, std::size_t length, bool adopt) : m_holder(nullptr) {
    if (adopt) {
        m_holder = new CDataHolder(data, length, length);
    } else {
        m_holder = CDataHolder::Copy(data, length);
    }
}

CBinaryData::CBinaryData(std::unique_ptr<unsigned char[]> buffer, std::size_t length)
    : m_holder(new CDataHolder(buffer.get(), length, length)) {
    buffer.release();
}

CBinaryData::CBinaryData(const unsigned char* data, std::size_t length)
    : m_holder(CDataHolder::Copy(data, length)) {}

CBinaryData::CBinaryData(const char* text)
    : m_holder(CDataHolder::Copy(reinterpret_cast<const unsigned char*>(text),
                                 text ? std::strlen(text) : 0)) {}

CBinaryData::~CBinaryData() { Detach(); }

void CBinaryData::Detach() {
    if (m_holder && --m_holder->refCount == 0) delete m_holder;
    m_holder = nullptr;
}

void CBinaryData::Attach(CDataHolder* holder) {
    Detach();
    m_holder = holder;
}

void CBinaryData::GetExclusiveDataHolder() {
    if (!m_holder || m_holder->refCount <= 1) return;
    CDataHolder* copy = CDataHolder::Copy(m_holder->data, m_holder->length);
    Attach(copy);
}

const unsigned char* CBinaryData::GetData() const { return m_holder ? m_holder->data : nullptr; }

std::size_t CBinaryData::GetLength() const { return m_holder ? m_holder->length : 0; }

// ---------------------------------------------------------------------------
// Changing the bytes

void CBinaryData::Append(unsigned char byte) { Append(&byte, 1); }

void CBinaryData::Append(const unsigned char* data, std::size_t length) {
    if (!m_holder) {
        m_holder = CDataHolder::Copy(data, length);
        return;
    }
    if (length == 0) return;
    GetExclusiveDataHolder();
    CDataHolder& h = *m_holder;
    if (length > h.capacity - h.length) {
        const std::size_t size = 2 * (h.length + length);
        unsigned char* grown = new unsigned char[size];
        if (h.length > 0) std::memcpy(grown, h.data, h.length);
        // `data` may point into the old buffer: copy before deleting it.
        std::memcpy(grown + h.length, data, length);
        delete[] h.data;
        h.data = grown;
        h.capacity = size;
    } else {
        std::memmove(h.data + h.length, data, length);
    }
    h.length += length;
}

void CBinaryData::Append(const char* text) {
    Append(reinterpret_cast<const unsigned char*>(text), text ? std::strlen(text) : 0);
}

void CBinaryData::Append(const CBinaryData& other) {
    if (!other.m_holder) return;
    // Keep the other's record alive even when it is this object's own.
    const CBinaryData keep(other);
    Append(keep.GetData(), keep.GetLength());
}

void CBinaryData::SetBuffer(const unsigned char* data, std::size_t length) {
    Attach(CDataHolder::Copy(data, length));
}

void CBinaryData::SetBuffer(const char* text) {
    SetBuffer(reinterpret_cast<const unsigned char*>(text), text ? std::strlen(text) : 0);
}

unsigned char* CBinaryData::ReleaseData() {
    if (!m_holder) return nullptr;
    GetExclusiveDataHolder();
    if (m_holder->refCount > 1) {
        throw CQbException(
            FormatString("Failed to release data. [RefCount=%zu]", m_holder->refCount));
    }
    unsigned char* data = m_holder->data;
    m_holder->data = nullptr;
    m_holder->length = 0;
    m_holder->capacity = 0;
    return data;
}

// ---------------------------------------------------------------------------
// Access and comparison

std::string CBinaryData::GetString() const {
    if (!m_holder || m_holder->length == 0) return std::string();
    return std::string(reinterpret_cast<const char*>(m_holder->data), m_holder->length);
}

bool CBinaryData::operator==(const CBinaryData& other) const {
    if (!m_holder || !other.m_holder) return !m_holder && !other.m_holder;
    if (m_holder == other.m_holder) return true;
    if (m_holder->length != other.m_holder->length) return false;
    return m_holder->length == 0 ||
           std::memcmp(m_holder->data, other.m_holder->data, m_holder->length) == 0;
}

bool CBinaryData::operator!=(const CBinaryData& other) const { return !(*this == other); }

void CBinaryData::CheckIndex(std::size_t index) const {
    if (!m_holder || index >= m_holder->length) {
        throw CQbException(FormatString("Index Out of range [%zu]", index));
    }
}

const unsigned char& CBinaryData::operator[](std::size_t index) const {
    CheckIndex(index);
    return m_holder->data[index];
}

unsigned char& CBinaryData::operator[](std::size_t index) {
    CheckIndex(index);
    GetExclusiveDataHolder();
    return m_holder->data[index];
}

// ---------------------------------------------------------------------------
// Hex and base64

std::string CBinaryData::GetAsHexString(const unsigned char* data, std::size_t length) {
    std::string text;
    if (!data) return text;
    text.resize(2 * length);
    for (std::size_t i = 0; i < length; ++i) {
        text[2 * i] = kHexDigits[data[i] >> 4];
        text[2 * i + 1] = kHexDigits[data[i] & 0x0F];
    }
    return text;
}

std::string CBinaryData::GetAsHexString() const { return GetAsHexString(GetData(), GetLength()); }

void CBinaryData::SetAsHexString(const char* text) {
    if (!text) text = "";
    const std::size_t length = std::strlen(text);
    const std::size_t count = length / 2;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[count + 1]);
    for (std::size_t i = 0; i < length; i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            // The missing second digit of an odd-length text is the
            // terminator: print nothing for it rather than a NUL byte, which
            // would cut the message wherever it is printed as a C string.
            const char bad = high < 0 ? text[i] : text[i + 1];
            const char shown[2] = {bad, '\0'};
            throw CQbException(FormatString("Invalid char in hex string [%s]", shown));
        }
        buffer[i / 2] = static_cast<unsigned char>((high << 4) | low);
    }
    Attach(new CDataHolder(buffer.get(), count, count));
    buffer.release();
}

std::string CBinaryData::GetAsBase64() const {
    std::string text;
    if (!m_holder) return text;
    const unsigned char* p = m_holder->data;
    const std::size_t n = m_holder->length;
    text.reserve((n + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v =
            (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) text += kBase64Alphabet[(v >> shift) & 0x3F];
    }
    if (i < n) {
        const std::size_t rest = n - i;  // 1 or 2 bytes: 2 or 3 characters
        std::uint32_t v = std::uint32_t{p[i]} << 16;
        if (rest == 2) v |= std::uint32_t{p[i + 1]} << 8;
        for (std::size_t k = 0; k <= rest; ++k) text += kBase64Alphabet[(v >> (18 - 6 * k)) & 0x3F];
        text.append(3 - rest, '=');
    }
    return text;
}

void CBinaryData::SetAsBase64(const char* text) {
    if (!text) text = "";
    const std::size_t size = std::strlen(text) * 3 / 4 + 1;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    const CBase64Table& table = Base64Table();
    std::size_t count = 0, digits = 0, pads = 0;
    std::uint32_t bits = 0;
    int pending = 0;
    for (const char* c = text; *c; ++c) {
        const unsigned char value = table.values[static_cast<unsigned char>(*c)];
        if (value == kB64Space) continue;
        // Padding ends the text: at most two '=', and nothing but '=' after it.
        const bool padOk = value == kB64Pad && pads < 2;
        if (value == kB64Invalid || (!padOk && (pads > 0 || value == kB64Pad))) {
            throw CQbException(FormatString("Invalid char in base64 string [%s]",
                                            ShowChar(static_cast<unsigned char>(*c)).c_str()));
        }
        if (value == kB64Pad) {
            ++pads;
            continue;
        }
        ++digits;
        bits = ((bits << 6) | value) & 0xFFFFFF;
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            buffer[count++] = static_cast<unsigned char>(bits >> pending);
        }
    }
    // One digit alone cannot carry a byte; padding must complete a quantum.
    if (digits % 4 == 1 || (pads > 0 && (digits + pads) % 4 != 0)) {
        throw CQbException(FormatString("Incomplete base64 string [%s]", Excerpt(text).c_str()));
    }
    Attach(new CDataHolder(buffer.get(), count, count));
    buffer.release();
}

// ---------------------------------------------------------------------------
// Renderings of the Fast Infoset encoding algorithms

std::string CBinaryData::GetAsString(ByteEncoding encoding) const {
    if (!m_holder) return std::string();
    switch (encoding) {
        case BE_STRING:
            return GetString();
        case BE_HEX:
            return GetAsHexString();
        case BE_BASE64:
            return GetAsBase64();
        case BE_BOOLEAN:
            return RenderBooleans();
        case BE_SHORT:
        case BE_INT:
        case BE_LONG:
        case BE_FLOAT:
        case BE_DOUBLE:
        case BE_UUID:
            return RenderGroups(encoding);
    }
    throw CQbException("Unknown byte encoding.");
}

std::string CBinaryData::RenderGroups(ByteEncoding encoding) const {
    struct Kind {
        std::size_t size;
        const char* message;
    };
    static const Kind kinds[] = {
        {2, "Invalid value [%c] for SHORT byte encoding."},
        {4, "Invalid value [%c] for INT byte encoding."},
        {8, "Invalid value [%c] for LONG byte encoding."},
        {0, nullptr},  // BE_BOOLEAN has its own rendering
        {4, "Invalid value [%c] for FLOAT byte encoding."},
        {8, "Invalid value [%c] for DOUBLE byte encoding."},
        {16, "Invalid value [%c] for UUID byte encoding."},
    };
    const Kind& kind = kinds[encoding - BE_SHORT];
    const std::size_t n = m_holder->length;
    if (n % kind.size != 0)
        throw CQbException(FormatString(kind.message, kHexDigits[n % kind.size]));
    std::string text;
    for (std::size_t i = 0; i < n; i += kind.size) {
        const unsigned char* p = m_holder->data + i;
        const std::uint64_t v = encoding == BE_UUID ? 0 : ReadBigEndian(p, kind.size);
        if (i > 0) text += ' ';
        switch (encoding) {
            case BE_SHORT:
                text += CConversions::i2ToString(static_cast<std::int16_t>(v));
                break;
            case BE_INT:
                text += CConversions::i4ToString(static_cast<std::int32_t>(v));
                break;
            case BE_LONG:
                text += CConversions::i8ToString(static_cast<std::int64_t>(v));
                break;
            case BE_FLOAT: {
                float f;
                const std::uint32_t u = static_cast<std::uint32_t>(v);
                std::memcpy(&f, &u, sizeof f);
                text += CConversions::r4ToString(f, nullptr);
                break;
            }
            case BE_DOUBLE: {
                double d;
                std::memcpy(&d, &v, sizeof d);
                text += CConversions::r8ToString(d, nullptr);
                break;
            }
            default:
                text += GetAsHexString(p, kind.size);
                break;
        }
    }
    return text;
}

std::string CBinaryData::RenderBooleans() const {
    const unsigned char* p = m_holder->data;
    const std::size_t n = m_holder->length;
    if (n == 0) return std::string();
    const int pad = p[0] >> 4;  // unused bits at the low end of the last byte
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const int top = (i == 0) ? 3 : 7;
        const int bottom = (i + 1 == n) ? pad : 0;
        std::string group;
        for (int bit = top; bit >= bottom; --bit) {
            group += CConversions::booleanToString(((p[i] >> bit) & 1) != 0);
        }
        if (group.empty()) continue;
        if (!text.empty()) text += ' ';
        text += group;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Compression

CBinaryData CBinaryData::CompressData(CompressionType type) {
    if (!m_holder) return *this;
    GetExclusiveDataHolder();
    if (m_holder->refCount > 1) {
        throw CQbException(
            FormatString("Failed to compress data. [RefCount=%zu]", m_holder->refCount));
    }
    if (type != CT_GZIP && type != CT_ZLIB) return *this;
    z_stream strm;
    std::memset(&strm, 0, sizeof strm);
    int rc = type == CT_GZIP ? deflateInit2(&strm, 1, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY)
                             : deflateInit(&strm, 1);
    if (rc != Z_OK)
        throw CQbException(FormatString("Failed to compress data. [Error Code: %d]", rc));
    const std::size_t size = m_holder->length;
    const std::size_t bound = deflateBound(&strm, size);
    std::unique_ptr<unsigned char[]> out;
    try {
        out.reset(new unsigned char[bound]);
    } catch (...) {
        deflateEnd(&strm);
        throw;
    }
    std::size_t produced = 0;
    rc = DeflateInto(m_holder->data, size, out.get(), bound, strm, produced);
    deflateEnd(&strm);
    if (rc != Z_STREAM_END) {
        throw CQbException(FormatString("Failed to compress data. [Error Code: %d]", rc));
    }
    delete[] m_holder->data;
    m_holder->data = out.release();
    m_holder->length = produced;
    m_holder->capacity = bound;
    return *this;
}

bool CBinaryData::Decompress(const unsigned char* data, std::size_t length, CBinaryData& result) {
    if (!data || length == 0) return false;
    z_stream strm;
    std::memset(&strm, 0, sizeof strm);
    if (inflateInit2(&strm, 15 + 32) != Z_OK) return false;
    const std::size_t kChunk = 65536;
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[kChunk]);
    unsigned char* input = const_cast<unsigned char*>(data);  // zlib reads only
    std::size_t inLeft = length;
    const bool gzip = IsGzipMember(data, length);
    CBinaryData inflated;
    int rc = Z_OK;
    try {
        while (rc == Z_OK) {
            Refill(strm.next_in, strm.avail_in, inLeft, input, length);
            strm.next_out = chunk.get();
            strm.avail_out = static_cast<uInt>(kChunk);
            rc = inflate(&strm, Z_NO_FLUSH);
            if (rc == Z_OK || rc == Z_STREAM_END)
                inflated.Append(chunk.get(), kChunk - strm.avail_out);
            if (rc != Z_STREAM_END || (strm.avail_in == 0 && inLeft == 0)) continue;
            // More input after the end of a stream: only another gzip member
            // may follow a gzip member (as gzip -d reads them); anything else
            // makes the whole input a bad stream.
            Refill(strm.next_in, strm.avail_in, inLeft, input, length);
            const bool member = gzip && IsGzipMember(strm.next_in, strm.avail_in);
            rc = member && inflateReset(&strm) == Z_OK ? Z_OK : Z_DATA_ERROR;
        }
    } catch (const std::bad_alloc&) {
        // More output than memory holds (a decompression bomb): not a stream
        // this process can take, so the bytes count as uncompressed.
        rc = Z_MEM_ERROR;
    }
    inflateEnd(&strm);
    if (rc != Z_STREAM_END) return false;
    if (!inflated.m_holder) inflated.SetBuffer(nullptr, 0);
    result = std::move(inflated);
    return true;
}

bool CBinaryData::DecompressBuffer(CBinaryData& buffer) {
    CBinaryData inflated;
    if (!Decompress(buffer.GetData(), buffer.GetLength(), inflated)) return false;
    buffer = std::move(inflated);
    return true;
}

// ---------------------------------------------------------------------------
// Files

void CBinaryData::ToFile(const char* path, XmlEncoding encoding) const {
    static const unsigned char kBom[] = {0xFF, 0xFE};
    const bool utf16 = encoding == XE_UTF16 || encoding == XE_UTF16_NO_DECL;
    CPlatformFile::WriteAll(path, utf16 ? kBom : nullptr, utf16 ? sizeof kBom : 0, GetData(),
                            GetLength());
}

}  // namespace QbXmlLib5
