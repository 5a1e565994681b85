// CXmlStreamOutput: the bytes of one document written in pieces to a file or
// a std::ostream, deflated on the way when asked (gzip or zlib, at the level
// the whole-document writers use). The streaming writer sends its output
// here as it goes.
#ifndef QBXMLLIB5_XML_CXMLSTREAMOUTPUT_H
#define QBXMLLIB5_XML_CXMLSTREAMOUTPUT_H

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <vector>

#include "core/QbEnums.h"

namespace QbXmlLib5 {

class CPlatformOutputFile;

class CXmlStreamOutput {
public:
    // Creates or truncates the file (CPlatformOutputFile's message).
    CXmlStreamOutput(const char* fileName, CompressionType compression);
    // Writes to `stream`, which must outlive this object.
    CXmlStreamOutput(std::ostream& stream, CompressionType compression);
    ~CXmlStreamOutput();
    CXmlStreamOutput(const CXmlStreamOutput&) = delete;
    CXmlStreamOutput& operator=(const CXmlStreamOutput&) = delete;

    // Throws "Failed to compress data. [Error Code: %d]", the file's write
    // message, or "Failed to write the XML stream." when the stream fails.
    void Write(const unsigned char* data, std::size_t size);
    // Ends the compressed stream and closes the file; nothing may follow.
    void Finish();

private:
    class CDeflater;

    void Emit(const unsigned char* data, std::size_t size);

    std::unique_ptr<CPlatformOutputFile> m_file;
    std::ostream* m_stream = nullptr;
    std::unique_ptr<CDeflater> m_deflater;  // null when not compressed
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLSTREAMOUTPUT_H
