// CXmlStreamInput: the bytes of one document read in pieces from a file or a
// std::istream, inflated on the way when they are gzip- or zlib-compressed
// (recognised by their header; gzip members may follow one another, as
// `gzip -d` reads them). The streaming reader takes its input from here.
//
// Fast Infoset can only be decoded from memory: Map() gives the whole
// (inflated) document as a read-only mapping, the file itself when it is not
// compressed, otherwise a nameless temporary file that the input is copied to
// first. Either way the pages are read on demand and can be given back, so a
// document larger than memory still goes through.
#ifndef QBXMLLIB5_XML_CXMLSTREAMINPUT_H
#define QBXMLLIB5_XML_CXMLSTREAMINPUT_H

#include <cstddef>
#include <ios>
#include <memory>
#include <vector>

namespace QbXmlLib5 {

class CPlatformInputFile;
class CPlatformMappedFile;
class CPlatformSpoolFile;

class CXmlStreamInput {
public:
    // Opens the file (CPlatformInputFile's messages on failure).
    explicit CXmlStreamInput(const char* fileName);
    // Reads from `stream`, which must outlive this object.
    explicit CXmlStreamInput(std::istream& stream);
    // Reads `length` bytes at `data`, which must outlive this object.
    CXmlStreamInput(const unsigned char* data, std::size_t length);
    ~CXmlStreamInput();
    CXmlStreamInput(const CXmlStreamInput&) = delete;
    CXmlStreamInput& operator=(const CXmlStreamInput&) = delete;

    // Whether `data` starts with a gzip or zlib header, as compressed input
    // is recognised here.
    static bool IsCompressed(const unsigned char* data, std::size_t length);
    // Whether the (inflated) document starts like Fast Infoset: the X.891
    // magic octets, or an XML declaration naming the encoding finf. Throws
    // "XML Stream is empty!" for input without a single byte.
    bool IsFastInfoset();
    // The next inflated bytes, up to `size`; 0 at the end. Throws
    // "Failed to decompress data. [Error Code: %d]" for a damaged stream and
    // "Failed to decompress data. The compressed stream ends early." for a
    // truncated one.
    std::size_t Read(unsigned char* buffer, std::size_t size);
    // The whole inflated document in memory (see above); call it instead of
    // Read, once.
    const CPlatformMappedFile& Map();
    // Whether Map() maps the file itself (an uncompressed file that can seek,
    // not a pipe or FIFO): no copy.
    bool MapsInPlace();
    // Starts the input over from its first byte, for a second reading with
    // Read; false where the source cannot go back (a pipe, a stream that
    // cannot seek), and then the input is as it was.
    bool Rewind();

private:
    class CInflater;

    // Raw bytes from the source; 0 at its end.
    std::size_t ReadSource(unsigned char* buffer, std::size_t size);
    // Fills m_ahead with the first inflated bytes (once).
    void Prime();

    std::unique_ptr<CPlatformInputFile> m_file;
    std::istream* m_stream = nullptr;
    std::streamoff m_streamStart = -1;        // where the stream stood, if it can seek
    const unsigned char* m_memory = nullptr;  // bytes in memory, when neither of those
    std::size_t m_memoryLength = 0;
    std::size_t m_memoryPosition = 0;
    std::unique_ptr<CInflater> m_inflater;  // null when not compressed
    bool m_primed = false;
    // Raw bytes read to recognise compression, given out first.
    std::vector<unsigned char> m_raw;
    std::size_t m_rawPosition = 0;
    // Inflated bytes read ahead to recognise Fast Infoset, given out first.
    std::vector<unsigned char> m_ahead;
    std::size_t m_aheadPosition = 0;
    std::unique_ptr<CPlatformSpoolFile> m_spool;
    std::unique_ptr<CPlatformMappedFile> m_mapping;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLSTREAMINPUT_H
