#include "xml/CXmlStreamInput.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <istream>

#include "core/CPlatformStreamFile.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

const std::size_t kChunk = 64 * 1024;
const unsigned char kFastInfosetMagic[] = {0xE0, 0x00, 0x00};

bool IsGzip(const unsigned char* data, std::size_t length) {
    return length >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

// A zlib header: deflate with a window of at most 32 KiB, and a check value
// that makes the first two octets a multiple of 31. XML text cannot start so.
bool IsZlib(const unsigned char* data, std::size_t length) {
    return length >= 2 && (data[0] & 0x0F) == 8 && (data[0] >> 4) <= 7 &&
           ((data[0] << 8) | data[1]) % 31 == 0;
}

bool StartsLikeFastInfoset(const std::vector<unsigned char>& head) {
    if (head.size() >= sizeof kFastInfosetMagic &&
        std::memcmp(head.data(), kFastInfosetMagic, sizeof kFastInfosetMagic) == 0) {
        return true;
    }
    static const char kDeclaration[] = "<?xml";
    if (head.size() < sizeof kDeclaration - 1 ||
        std::memcmp(head.data(), kDeclaration, sizeof kDeclaration - 1) != 0) {
        return false;
    }
    const std::string text(head.begin(), head.end());
    const std::size_t end = text.find("?>");
    return end != std::string::npos && text.substr(0, end).find("finf") != std::string::npos;
}

}  // namespace

// zlib's inflate over the raw source, gzip members one after another.
class CXmlStreamInput::CInflater {
public:
    explicit CInflater(bool gzip) : m_gzip(gzip), m_input(kChunk) {
        std::memset(&m_z, 0, sizeof m_z);
        const int rc = inflateInit2(&m_z, 15 + 32);
        if (rc != Z_OK) Fail(rc);
    }
    ~CInflater() { inflateEnd(&m_z); }
    CInflater(const CInflater&) = delete;
    CInflater& operator=(const CInflater&) = delete;

    template <typename Source>
    std::size_t Read(unsigned char* out, std::size_t size, Source source) {
        const uInt wanted = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
        m_z.next_out = out;
        m_z.avail_out = wanted;
        while (m_z.avail_out == wanted && !m_ended) {
            if (m_z.avail_in == 0) Refill(source);
            if (m_memberEnded) {
                NextMember();
                continue;
            }
            if (m_z.avail_in == 0) {
                throw CQbException("Failed to decompress data. The compressed stream ends early.");
            }
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                m_memberEnded = true;
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                Fail(rc);
            }
        }
        return wanted - m_z.avail_out;
    }

private:
    [[noreturn]] static void Fail(int rc) {
        throw CQbException(FormatString("Failed to decompress data. [Error Code: %d]", rc));
    }
    template <typename Source>
    void Refill(Source& source) {
        m_z.next_in = m_input.data();
        m_z.avail_in = static_cast<uInt>(source(m_input.data(), m_input.size()));
    }
    // After the end of a stream: the input ends, or another gzip member
    // follows a gzip member; anything else is a damaged stream.
    void NextMember() {
        if (m_z.avail_in == 0) {
            m_ended = true;
            return;
        }
        if (!m_gzip || m_z.avail_in < 2 || !IsGzip(m_z.next_in, m_z.avail_in)) Fail(Z_DATA_ERROR);
        if (inflateReset(&m_z) != Z_OK) Fail(Z_STREAM_ERROR);
        m_memberEnded = false;
    }

    z_stream m_z;
    bool m_gzip;
    bool m_memberEnded = false;
    bool m_ended = false;
    std::vector<unsigned char> m_input;
};

CXmlStreamInput::CXmlStreamInput(const char* fileName) : m_file(new CPlatformInputFile(fileName)) {}

CXmlStreamInput::CXmlStreamInput(std::istream& stream) : m_stream(&stream) {
    // Asking where a stream stands may set failbit where it cannot seek.
    const std::ios::iostate state = stream.rdstate();
    const std::streampos start = stream.tellg();
    if (start != std::streampos(-1)) m_streamStart = start;
    stream.clear(state);
}

CXmlStreamInput::CXmlStreamInput(const unsigned char* data, std::size_t length)
    : m_memory(data), m_memoryLength(data ? length : 0) {}

CXmlStreamInput::~CXmlStreamInput() = default;

bool CXmlStreamInput::IsCompressed(const unsigned char* data, std::size_t length) {
    return data != nullptr && (IsGzip(data, length) || IsZlib(data, length));
}

std::size_t CXmlStreamInput::ReadSource(unsigned char* buffer, std::size_t size) {
    if (m_rawPosition < m_raw.size()) {
        const std::size_t n = std::min(size, m_raw.size() - m_rawPosition);
        std::memcpy(buffer, m_raw.data() + m_rawPosition, n);
        m_rawPosition += n;
        return n;
    }
    if (m_file) return m_file->Read(buffer, size);
    if (m_stream == nullptr) {
        const std::size_t n = std::min(size, m_memoryLength - m_memoryPosition);
        if (n != 0) std::memcpy(buffer, m_memory + m_memoryPosition, n);
        m_memoryPosition += n;
        return n;
    }
    if (!m_stream->good()) return 0;
    m_stream->read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
    if (m_stream->bad()) throw CQbException("Failed to read the XML stream.");
    return static_cast<std::size_t>(m_stream->gcount());
}

void CXmlStreamInput::Prime() {
    if (m_primed) return;
    m_primed = true;
    // Enough raw bytes to recognise a compression header.
    std::vector<unsigned char> head(kChunk);
    std::size_t filled = 0;
    while (filled < 2) {
        const std::size_t n = ReadSource(head.data() + filled, head.size() - filled);
        if (n == 0) break;
        filled += n;
    }
    head.resize(filled);
    m_raw.swap(head);
    if (filled == 0) throw CQbException("XML Stream is empty!");
    if (IsGzip(m_raw.data(), filled) || IsZlib(m_raw.data(), filled)) {
        m_inflater.reset(new CInflater(IsGzip(m_raw.data(), filled)));
    }
    // Enough inflated bytes to recognise Fast Infoset behind a declaration.
    m_ahead.resize(256);
    std::size_t ahead = 0;
    while (ahead < m_ahead.size()) {
        std::size_t n = 0;
        if (m_inflater) {
            n = m_inflater->Read(
                m_ahead.data() + ahead, m_ahead.size() - ahead,
                [this](unsigned char* b, std::size_t s) { return ReadSource(b, s); });
        } else {
            n = ReadSource(m_ahead.data() + ahead, m_ahead.size() - ahead);
        }
        if (n == 0) break;
        ahead += n;
    }
    m_ahead.resize(ahead);
}

bool CXmlStreamInput::IsFastInfoset() {
    Prime();
    return StartsLikeFastInfoset(m_ahead);
}

std::size_t CXmlStreamInput::Read(unsigned char* buffer, std::size_t size) {
    Prime();
    if (m_aheadPosition < m_ahead.size()) {
        const std::size_t n = std::min(size, m_ahead.size() - m_aheadPosition);
        std::memcpy(buffer, m_ahead.data() + m_aheadPosition, n);
        m_aheadPosition += n;
        return n;
    }
    if (!m_inflater) return ReadSource(buffer, size);
    return m_inflater->Read(buffer, size,
                            [this](unsigned char* b, std::size_t s) { return ReadSource(b, s); });
}

bool CXmlStreamInput::Rewind() {
    if (m_mapping) return false;
    if (m_file) {
        if (!m_file->Rewind()) return false;
    } else if (m_stream == nullptr) {
        m_memoryPosition = 0;
    } else {
        if (m_streamStart < 0 || m_stream->bad()) return false;
        m_stream->clear();
        if (!m_stream->seekg(m_streamStart)) return false;
    }
    m_primed = false;
    m_inflater.reset();
    m_raw.clear();
    m_rawPosition = 0;
    m_ahead.clear();
    m_aheadPosition = 0;
    return true;
}

bool CXmlStreamInput::MapsInPlace() {
    Prime();
    // A pipe or FIFO opened by name cannot be mapped; a file that can seek
    // can (the mapping does not depend on where the file stands).
    return m_file && !m_inflater && m_file->Rewind();
}

const CPlatformMappedFile& CXmlStreamInput::Map() {
    Prime();
    if (m_mapping) return *m_mapping;
    // An uncompressed file is mapped as it is.
    if (MapsInPlace()) {
        m_mapping.reset(new CPlatformMappedFile(m_file->GetDescriptor(), m_file->GetPath()));
        return *m_mapping;
    }
    m_spool.reset(new CPlatformSpoolFile());
    std::vector<unsigned char> chunk(kChunk);
    for (std::size_t n; (n = Read(chunk.data(), chunk.size())) != 0;) {
        m_spool->Write(chunk.data(), n);
    }
    m_mapping.reset(new CPlatformMappedFile(m_spool->GetDescriptor(), m_spool->GetPath()));
    return *m_mapping;
}

}  // namespace QbXmlLib5
