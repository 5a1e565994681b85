#include "xml/CXmlStreamOutput.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ostream>

#include "core/CPlatformStreamFile.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

const std::size_t kChunk = 64 * 1024;

[[noreturn]] void FailCompression(int rc) {
    throw CQbException(FormatString("Failed to compress data. [Error Code: %d]", rc));
}

}  // namespace

// zlib's deflate at level 1, in a gzip or zlib wrapper.
class CXmlStreamOutput::CDeflater {
public:
    explicit CDeflater(CompressionType compression) : m_output(kChunk) {
        std::memset(&m_z, 0, sizeof m_z);
        const int rc = compression == CT_GZIP
                           ? deflateInit2(&m_z, 1, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY)
                           : deflateInit(&m_z, 1);
        if (rc != Z_OK) FailCompression(rc);
    }
    ~CDeflater() { deflateEnd(&m_z); }
    CDeflater(const CDeflater&) = delete;
    CDeflater& operator=(const CDeflater&) = delete;

    // Deflates `size` bytes (Z_FINISH: the end), passing output to `emit`.
    template <typename Emit>
    void Deflate(const unsigned char* data, std::size_t size, int flush, Emit emit) {
        do {
            const std::size_t piece = std::min<std::size_t>(size, UINT_MAX);
            m_z.next_in = const_cast<unsigned char*>(data);  // zlib reads only
            m_z.avail_in = static_cast<uInt>(piece);
            data += piece;
            size -= piece;
            const int mode = size == 0 ? flush : Z_NO_FLUSH;
            int rc = Z_OK;
            do {
                m_z.next_out = m_output.data();
                m_z.avail_out = static_cast<uInt>(m_output.size());
                rc = deflate(&m_z, mode);
                if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) FailCompression(rc);
                emit(m_output.data(), m_output.size() - m_z.avail_out);
            } while (m_z.avail_out == 0 || (mode == Z_FINISH && rc != Z_STREAM_END));
        } while (size > 0);
    }

private:
    z_stream m_z;
    std::vector<unsigned char> m_output;
};

CXmlStreamOutput::CXmlStreamOutput(const char* fileName, CompressionType compression)
    : m_file(new CPlatformOutputFile(fileName)) {
    if (compression == CT_GZIP || compression == CT_ZLIB)
        m_deflater.reset(new CDeflater(compression));
}

CXmlStreamOutput::CXmlStreamOutput(std::ostream& stream, CompressionType compression)
    : m_stream(&stream) {
    if (compression == CT_GZIP || compression == CT_ZLIB)
        m_deflater.reset(new CDeflater(compression));
}

CXmlStreamOutput::~CXmlStreamOutput() = default;

void CXmlStreamOutput::Emit(const unsigned char* data, std::size_t size) {
    if (size == 0) return;
    if (m_file) {
        m_file->Write(data, size);
        return;
    }
    m_stream->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!m_stream->good()) throw CQbException("Failed to write the XML stream.");
}

void CXmlStreamOutput::Write(const unsigned char* data, std::size_t size) {
    if (!m_deflater) {
        Emit(data, size);
        return;
    }
    if (size == 0) return;
    m_deflater->Deflate(data, size, Z_NO_FLUSH,
                        [this](const unsigned char* d, std::size_t n) { Emit(d, n); });
}

void CXmlStreamOutput::Finish() {
    if (m_deflater) {
        m_deflater->Deflate(nullptr, 0, Z_FINISH,
                            [this](const unsigned char* d, std::size_t n) { Emit(d, n); });
        m_deflater.reset();
    }
    if (m_file) m_file->Close();
    if (m_stream) m_stream->flush();
}

}  // namespace QbXmlLib5
