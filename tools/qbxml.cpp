// qbxml: converts documents between XML text and Fast Infoset and reports
// their sizes in both forms. Built on the public interface of QbXmlLib5 only:
// the readers hand the document as events (CXmlEventSink) straight to the
// event writers, which keep it as it was written.
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  qbxml convert [options] IN OUT   convert XML text to Fast Infoset or back\n"
    "  qbxml stats [options] FILE       sizes as XML and Fast Infoset, item counts\n"
    "  qbxml --help                     this text\n"
    "  qbxml --version                  the library version\n"
    "\n"
    "IN, OUT and FILE may be '-' for standard input or output. The input format\n"
    "(XML text or Fast Infoset, either possibly gzip- or zlib-compressed) is\n"
    "detected from the content. convert keeps prefixes, namespace declarations,\n"
    "text order, comments and processing instructions.\n"
    "\n"
    "Output format (convert):\n"
    "  -t, --to xml|fi         default: from OUT's extension (.xml; .fi or .finf),\n"
    "                          otherwise the other format than the input's\n"
    "Whitespace (convert):\n"
    "  --as-read               every text as read, whitespace between elements\n"
    "                          included: the same document (default)\n"
    "  --formatted             drop whitespace-only text; in XML, one element per\n"
    "                          line, indented with tabs, except inside mixed content\n"
    "  --compact               drop whitespace-only text, add nothing\n"
    "XML output:\n"
    "  --lf | --crlf           line ends (default: --lf)\n"
    "  --encoding utf-8|utf-16 output encoding, UTF-16 little-endian with byte-order\n"
    "                          mark (default: utf-8)\n"
    "  --no-declaration        omit the XML declaration\n"
    "Fast Infoset output:\n"
    "  --fi-declaration D      XML declaration in front of the binary document:\n"
    "                          none (default), encoding, encoding-standalone-yes,\n"
    "                          encoding-standalone-no, 1.0, 1.0-standalone-yes,\n"
    "                          1.0-standalone-no, 1.1, 1.1-standalone-yes,\n"
    "                          1.1-standalone-no (all name encoding 'finf')\n"
    "Both:\n"
    "  --compress none|gzip|zlib   compress the output (default: none);\n"
    "  --gzip, --zlib              short forms\n"
    "  --schema-type default|xsd|no-namespaces\n"
    "                          schema dialect of the reading context; no-namespaces\n"
    "                          reads XML text without namespace processing\n"
    "\n"
    "stats prints the document's size as compact UTF-8 XML, XML + gzip, Fast\n"
    "Infoset and Fast Infoset + gzip, and its numbers of elements, attributes and\n"
    "text bytes (UTF-8).\n"
    "\n"
    "Exit status: 0 on success, 1 when reading, converting or writing fails (the\n"
    "whole chain of error messages is printed), 2 on a usage error.\n";

// A command-line mistake: reported with a hint to --help, exit status 2.
struct UsageError {
    std::string message;
};

enum class Format { Unknown, Xml, FastInfoset };

struct Options {
    Format to = Format::Unknown;
    CXmlTextEventWriter::WhitespaceMode whitespace = CXmlTextEventWriter::WS_AS_READ;
    EOLType eol = EOL_LF;
    XmlEncoding encoding = XE_UTF8;
    bool declaration = true;
    FInfoDecl fiDeclaration = FI_DECL_NONE;
    CompressionType compression = CT_NONE;
    SchemaType schemaType = ST_DEFAULT;
    std::vector<std::string> operands;
};

// ---------------------------------------------------------------------------
// Command line

template <typename T, std::size_t N>
T Choose(const std::string& option, const std::string& value,
         const std::pair<const char*, T> (&choices)[N]) {
    for (const auto& choice : choices) {
        if (value == choice.first) return choice.second;
    }
    throw UsageError{"invalid value '" + value + "' for " + option};
}

const std::pair<const char*, FInfoDecl> kFiDeclarations[] = {
    {"none", FI_DECL_NONE},
    {"encoding", FI_DECL_ENCODING},
    {"encoding-standalone-yes", FI_DECL_ENCODING_STANDALONE_YES},
    {"encoding-standalone-no", FI_DECL_ENCODING_STANDALONE_NO},
    {"1.0", FI_DECL_1_0},
    {"1.0-standalone-yes", FI_DECL_1_0_STANDALONE_YES},
    {"1.0-standalone-no", FI_DECL_1_0_STANDALONE_NO},
    {"1.1", FI_DECL_1_1},
    {"1.1-standalone-yes", FI_DECL_1_1_STANDALONE_YES},
    {"1.1-standalone-no", FI_DECL_1_1_STANDALONE_NO},
};
const std::pair<const char*, Format> kFormats[] = {
    {"xml", Format::Xml}, {"fi", Format::FastInfoset}, {"finf", Format::FastInfoset}};
const std::pair<const char*, XmlEncoding> kEncodings[] = {
    {"utf-8", XE_UTF8}, {"utf8", XE_UTF8}, {"utf-16", XE_UTF16}, {"utf16", XE_UTF16}};
const std::pair<const char*, CompressionType> kCompressions[] = {
    {"none", CT_NONE}, {"gzip", CT_GZIP}, {"zlib", CT_ZLIB}};
const std::pair<const char*, SchemaType> kSchemaTypes[] = {
    {"default", ST_DEFAULT}, {"xsd", ST_XSD}, {"no-namespaces", ST_NO_NAMESPACES}};

// Applies one option that takes no value; false when `arg` is not one.
bool ApplyFlag(const std::string& arg, Options& options) {
    if (arg == "--as-read")
        options.whitespace = CXmlTextEventWriter::WS_AS_READ;
    else if (arg == "--formatted")
        options.whitespace = CXmlTextEventWriter::WS_FORMATTED;
    else if (arg == "--compact")
        options.whitespace = CXmlTextEventWriter::WS_COMPACT;
    else if (arg == "--lf")
        options.eol = EOL_LF;
    else if (arg == "--crlf")
        options.eol = EOL_CRLF;
    else if (arg == "--no-declaration")
        options.declaration = false;
    else if (arg == "--gzip")
        options.compression = CT_GZIP;
    else if (arg == "--zlib")
        options.compression = CT_ZLIB;
    else
        return false;
    return true;
}

// Applies one option with a value; false when `arg` is not one.
bool ApplyValueOption(const std::string& arg, const std::string& value, Options& options) {
    if (arg == "-t" || arg == "--to")
        options.to = Choose(arg, value, kFormats);
    else if (arg == "--encoding")
        options.encoding = Choose(arg, value, kEncodings);
    else if (arg == "--fi-declaration")
        options.fiDeclaration = Choose(arg, value, kFiDeclarations);
    else if (arg == "--compress")
        options.compression = Choose(arg, value, kCompressions);
    else if (arg == "--schema-type")
        options.schemaType = Choose(arg, value, kSchemaTypes);
    else
        return false;
    return true;
}

Options ParseOptions(int argc, char** argv, int first) {
    Options options;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        const std::size_t equals = arg.find('=');
        const bool inlineValue = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = arg.substr(equals + 1);
            arg.erase(equals);
        }
        if (arg == "-" || arg[0] != '-') {
            options.operands.push_back(arg);
        } else if (!inlineValue && ApplyFlag(arg, options)) {
        } else {
            if (!inlineValue) {
                if (i + 1 >= argc) throw UsageError{"option " + arg + " needs a value"};
                value = argv[++i];
            }
            if (!ApplyValueOption(arg, value, options)) {
                throw UsageError{"unknown option " + arg};
            }
        }
    }
    return options;
}

// ---------------------------------------------------------------------------
// Bytes in and out

std::vector<unsigned char> ReadInput(const std::string& path) {
    FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) throw CQbException("Cannot open [" + path + "]: " + std::strerror(errno));
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    const bool failed = std::ferror(file) != 0;
    if (file != stdin) std::fclose(file);
    if (failed) throw CQbException("Cannot read [" + path + "]");
    return bytes;
}

Format DetectFormat(const unsigned char* bytes, std::size_t length) {
    static const unsigned char kFiHeader[] = {0xE0, 0x00, 0x00, 0x01};
    if (length >= 4 && std::memcmp(bytes, kFiHeader, 4) == 0) return Format::FastInfoset;
    const std::string head(reinterpret_cast<const char*>(bytes), std::min<std::size_t>(length, 80));
    if (head.compare(0, 5, "<?xml") == 0) {
        const std::size_t end = head.find("?>");
        const std::string declaration = head.substr(0, end);
        if (declaration.find("'finf'") != std::string::npos ||
            declaration.find("\"finf\"") != std::string::npos) {
            return Format::FastInfoset;
        }
    }
    return Format::Xml;
}

// The format of the input and, when it is compressed, the compression.
struct InputKind {
    Format format;
    const char* compression;
};

InputKind DetectInput(const std::vector<unsigned char>& bytes) {
    CBinaryData inflated;
    if (!bytes.empty() && CBinaryData::Decompress(bytes.data(), bytes.size(), inflated)) {
        return {DetectFormat(inflated.GetData(), inflated.GetLength()),
                bytes[0] == 0x1F ? "gzip" : "zlib"};
    }
    return {DetectFormat(bytes.data(), bytes.size()), nullptr};
}

const char* FormatName(Format format) {
    return format == Format::FastInfoset ? "Fast Infoset" : "XML";
}

Format FormatFromExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return Format::Unknown;
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "xml") return Format::Xml;
    if (extension == "fi" || extension == "finf") return Format::FastInfoset;
    return Format::Unknown;
}

// ---------------------------------------------------------------------------
// Output: a file or standard output, optionally deflated on the way

using ByteSink = std::function<void(const void* data, std::size_t length)>;

// Passes bytes on as they come, deflated in a gzip or zlib wrapper, or as
// they are for CT_NONE.
class CDeflater {
public:
    CDeflater(CompressionType compression, ByteSink next)
        : m_compression(compression), m_next(std::move(next)) {
        // 31: a gzip wrapper; 15: a zlib one.
        if (compression != CT_NONE &&
            deflateInit2(&m_zstream, Z_DEFAULT_COMPRESSION, Z_DEFLATED,
                         compression == CT_GZIP ? 31 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw CQbException("Cannot start compression");
        }
    }
    CDeflater(const CDeflater&) = delete;
    CDeflater& operator=(const CDeflater&) = delete;
    ~CDeflater() {
        if (m_compression != CT_NONE) deflateEnd(&m_zstream);
    }

    void Write(const void* data, std::size_t length) {
        if (m_compression == CT_NONE) {
            if (length > 0) m_next(data, length);
        } else {
            Deflate(static_cast<const unsigned char*>(data), length, Z_NO_FLUSH);
        }
    }
    void Finish() {
        if (m_compression != CT_NONE) Deflate(nullptr, 0, Z_FINISH);
    }

private:
    void Deflate(const unsigned char* data, std::size_t length, int flush) {
        m_zstream.next_in = const_cast<unsigned char*>(data);
        m_zstream.avail_in = static_cast<uInt>(length);
        unsigned char block[65536];
        int status;
        do {
            m_zstream.next_out = block;
            m_zstream.avail_out = sizeof block;
            status = deflate(&m_zstream, flush);
            if (status == Z_STREAM_ERROR) throw CQbException("Compression failed");
            if (m_zstream.avail_out < sizeof block)
                m_next(block, sizeof block - m_zstream.avail_out);
        } while (m_zstream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    }

    CompressionType m_compression;
    ByteSink m_next;
    z_stream m_zstream{};
};

// Writes bytes as they come. A file is written under a temporary name beside
// it and renamed when complete, so a failed conversion leaves no partial file
// and never touches an existing one.
class COutputFile {
public:
    explicit COutputFile(const std::string& path) : m_path(path) {
        if (path == "-") {
            m_file = stdout;
            return;
        }
        m_temporary = path + ".XXXXXX";
        const int fd = mkstemp(&m_temporary[0]);
        if (fd < 0) Fail("Cannot create [" + path + "]");
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        m_file = fdopen(fd, "wb");
        if (!m_file) Fail("Cannot create [" + path + "]");
    }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;
    ~COutputFile() {
        if (m_file && m_file != stdout) std::fclose(m_file);
        if (!m_temporary.empty()) std::remove(m_temporary.c_str());
    }

    void Write(const void* data, std::size_t length) {
        if (std::fwrite(data, 1, length, m_file) != length) Fail("Cannot write [" + m_path + "]");
    }
    // Completes the output; only then does a file appear under its name.
    void Finish() {
        if (std::fflush(m_file) != 0) Fail("Cannot write [" + m_path + "]");
        if (m_file == stdout) return;
        const int closed = std::fclose(m_file);
        m_file = nullptr;
        if (closed != 0 || std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
            Fail("Cannot write [" + m_path + "]");
        }
        m_temporary.clear();
    }

private:
    [[noreturn]] static void Fail(const std::string& message) {
        throw CQbException(message + ": " + std::strerror(errno));
    }

    std::string m_path;
    std::string m_temporary;
    FILE* m_file = nullptr;
};

// ---------------------------------------------------------------------------
// Events: the document passes from a reader straight to the writers, without
// a tree, so that its prefixes, declarations, text order, comments and
// processing instructions survive and memory does not grow with it.

// Hands every event to several sinks.
class CTeeSink : public CXmlEventSink {
public:
    void Add(CXmlEventSink* sink) { m_sinks.push_back(sink); }
    void StartElement(const QName& name, const std::vector<Declaration>& declarations,
                      const std::vector<Attribute>& attributes) override {
        for (CXmlEventSink* sink : m_sinks) sink->StartElement(name, declarations, attributes);
    }
    void EndElement() override {
        for (CXmlEventSink* sink : m_sinks) sink->EndElement();
    }
    void Text(std::string_view text) override {
        for (CXmlEventSink* sink : m_sinks) sink->Text(text);
    }
    void Comment(std::string_view text) override {
        for (CXmlEventSink* sink : m_sinks) sink->Comment(text);
    }
    void ProcessingInstruction(std::string_view target, std::string_view data) override {
        for (CXmlEventSink* sink : m_sinks) sink->ProcessingInstruction(target, data);
    }
    void EndDocument() override {
        for (CXmlEventSink* sink : m_sinks) sink->EndDocument();
    }

private:
    std::vector<CXmlEventSink*> m_sinks;
};

struct Counts {
    unsigned long long elements = 0;
    unsigned long long attributes = 0;
    unsigned long long textBytes = 0;
};

class CCountingSink : public CXmlEventSink {
public:
    void StartElement(const QName&, const std::vector<Declaration>&,
                      const std::vector<Attribute>& attributes) override {
        ++m_counts.elements;
        m_counts.attributes += attributes.size();
    }
    void EndElement() override {}
    void Text(std::string_view text) override { m_counts.textBytes += text.size(); }
    void Comment(std::string_view) override {}
    void ProcessingInstruction(std::string_view, std::string_view) override {}
    void EndDocument() override {}
    const Counts& GetCounts() const { return m_counts; }

private:
    Counts m_counts;
};

// Decompresses when needed and reads the document into `sink`.
void ReadDocument(const std::vector<unsigned char>& bytes, const Options& options,
                  CXmlEventSink& sink) {
    CBinaryData inflated;
    const unsigned char* data = bytes.data();
    std::size_t length = bytes.size();
    if (length > 0 && CBinaryData::Decompress(data, length, inflated)) {
        data = inflated.GetData();
        length = inflated.GetLength();
    }
    if (DetectFormat(data, length) == Format::FastInfoset) {
        // The document only holds the names the reader meets.
        CXmlDocument names;
        CFastInfosetReader reader(&names, data, length);
        reader.SetEventSink(&sink);
        if (!reader.Read()) throw CQbException("Failed to parse FastInfoset. Invalid header.");
        return;
    }
    CXmlEventParser parser(sink, options.schemaType != ST_NO_NAMESPACES);
    parser.Parse(data, length, true);
}

// A writer of the chosen format whose bytes go to `write`.
std::unique_ptr<CXmlEventSink> MakeWriter(Format format, const Options& options, ByteSink write) {
    if (format == Format::FastInfoset) {
        auto writer = std::make_unique<CFastInfosetEventWriter>(
            [write](const unsigned char* data, std::size_t length) { write(data, length); },
            options.fiDeclaration);
        writer->SetDropWhitespace(options.whitespace != CXmlTextEventWriter::WS_AS_READ);
        return writer;
    }
    const bool utf16 = options.encoding == XE_UTF16;
    const char* declaration = !options.declaration ? nullptr : utf16 ? "UTF-16" : "UTF-8";
    if (utf16) write("\xFF\xFE", 2);
    return std::make_unique<CXmlTextEventWriter>(
        [write, utf16](const char* data, std::size_t length) {
            if (!utf16) {
                write(data, length);
                return;
            }
            // Pieces end between events, so never inside a character.
            const CBinaryData units = LocalToUtf16(data, length);
            write(units.GetData(), units.GetLength());
        },
        options.whitespace, options.eol, declaration);
}

// ---------------------------------------------------------------------------
// Commands

int Convert(const Options& options) {
    if (options.operands.size() != 2) throw UsageError{"convert takes IN and OUT"};
    const std::string& in = options.operands[0];
    const std::string& out = options.operands[1];
    const std::vector<unsigned char> bytes = ReadInput(in);
    Format to = options.to;
    if (to == Format::Unknown) to = FormatFromExtension(out);
    if (to == Format::Unknown) {
        to = DetectInput(bytes).format == Format::Xml ? Format::FastInfoset : Format::Xml;
    }
    COutputFile file(out);
    CDeflater output(options.compression,
                     [&file](const void* data, std::size_t length) { file.Write(data, length); });
    const std::unique_ptr<CXmlEventSink> writer =
        MakeWriter(to, options,
                   [&output](const void* data, std::size_t length) { output.Write(data, length); });
    ReadDocument(bytes, options, *writer);
    output.Finish();
    file.Finish();
    return 0;
}

// Counts the bytes of one output form, deflated with gzip on request.
class CSizeCounter {
public:
    explicit CSizeCounter(bool gzip)
        : m_deflater(gzip ? CT_GZIP : CT_NONE,
                     [this](const void*, std::size_t length) { m_size += length; }) {}
    void Add(const void* data, std::size_t length) { m_deflater.Write(data, length); }
    long long Size() {
        if (!m_finished) m_deflater.Finish();
        m_finished = true;
        return static_cast<long long>(m_size);
    }

private:
    std::size_t m_size = 0;
    bool m_finished = false;
    CDeflater m_deflater;
};

void PrintSize(const char* label, long long size, long long reference) {
    std::printf(
        "  %-22s %12lld  %6.1f %%\n", label, size,
        reference > 0 ? 100.0 * static_cast<double>(size) / static_cast<double>(reference) : 0.0);
}

int Stats(const Options& options) {
    if (options.operands.size() != 1) throw UsageError{"stats takes one FILE"};
    const std::string& path = options.operands[0];
    const std::vector<unsigned char> bytes = ReadInput(path);
    const InputKind kind = DetectInput(bytes);
    // One pass: the counts and the four output forms, compact, side by side.
    Options compact;
    compact.whitespace = CXmlTextEventWriter::WS_COMPACT;
    CSizeCounter xml(false), xmlGzip(true), fi(false), fiGzip(true);
    CCountingSink counter;
    CTeeSink tee;
    std::vector<std::unique_ptr<CXmlEventSink>> writers;
    for (auto [format, size] :
         {std::pair{Format::Xml, &xml}, std::pair{Format::Xml, &xmlGzip},
          std::pair{Format::FastInfoset, &fi}, std::pair{Format::FastInfoset, &fiGzip}}) {
        writers.push_back(MakeWriter(
            format, compact,
            [size = size](const void* data, std::size_t length) { size->Add(data, length); }));
        tee.Add(writers.back().get());
    }
    tee.Add(&counter);
    ReadDocument(bytes, options, tee);
    std::printf("%s: %zu bytes, %s%s%s\n", path.c_str(), bytes.size(), FormatName(kind.format),
                kind.compression ? " compressed with " : "",
                kind.compression ? kind.compression : "");
    const long long xmlSize = xml.Size();
    std::printf("Sizes (percent of XML):\n");
    PrintSize("XML", xmlSize, xmlSize);
    PrintSize("XML + gzip", xmlGzip.Size(), xmlSize);
    PrintSize("Fast Infoset", fi.Size(), xmlSize);
    PrintSize("Fast Infoset + gzip", fiGzip.Size(), xmlSize);
    const Counts& counts = counter.GetCounts();
    std::printf("Items:\n");
    std::printf("  %-22s %12llu\n", "elements", counts.elements);
    std::printf("  %-22s %12llu\n", "attributes", counts.attributes);
    std::printf("  %-22s %12llu\n", "text bytes", counts.textBytes);
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2) throw UsageError{"no command given"};
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("qbxml %s\n", GetLibraryVersion());
        return 0;
    }
    const Options options = ParseOptions(argc, argv, 2);
    if (command == "convert") return Convert(options);
    if (command == "stats") return Stats(options);
    throw UsageError{"unknown command '" + command + "'"};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "qbxml: " << e.message << "\nTry 'qbxml --help'.\n";
        return 2;
    } catch (const CQbException& e) {
        std::cerr << "qbxml: error:\n" << e.GetFullMessage() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "qbxml: error: " << e.what() << "\n";
        return 1;
    }
}
