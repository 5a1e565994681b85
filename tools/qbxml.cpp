// qbxml: converts documents between XML text and Fast Infoset and reports
// their sizes in both forms. Built on the public interface of QbXmlLib5 only:
// any document is read into an untyped CElement and written back with the
// ToXmlStream / ToFastInfosetStream entry points.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  qbxml convert [options] IN OUT   convert XML text to Fast Infoset or back\n"
    "  qbxml stats [options] FILE       sizes as XML and Fast Infoset, item counts\n"
    "  qbxml --help                     this text\n"
    "\n"
    "IN, OUT and FILE may be '-' for standard input or output. The input format\n"
    "(XML text or Fast Infoset, either possibly gzip- or zlib-compressed) is\n"
    "detected from the content.\n"
    "\n"
    "Output format (convert):\n"
    "  -t, --to xml|fi         default: from OUT's extension (.xml; .fi or .finf),\n"
    "                          otherwise the other format than the input's\n"
    "XML output:\n"
    "  --formatted             indent with tabs, one element per line (default)\n"
    "  --compact               no indentation or line ends between elements\n"
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
    bool formatted = true;
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
    if (arg == "--formatted") options.formatted = true;
    else if (arg == "--compact") options.formatted = false;
    else if (arg == "--lf") options.eol = EOL_LF;
    else if (arg == "--crlf") options.eol = EOL_CRLF;
    else if (arg == "--no-declaration") options.declaration = false;
    else if (arg == "--gzip") options.compression = CT_GZIP;
    else if (arg == "--zlib") options.compression = CT_ZLIB;
    else return false;
    return true;
}

// Applies one option with a value; false when `arg` is not one.
bool ApplyValueOption(const std::string& arg, const std::string& value, Options& options) {
    if (arg == "-t" || arg == "--to") options.to = Choose(arg, value, kFormats);
    else if (arg == "--encoding") options.encoding = Choose(arg, value, kEncodings);
    else if (arg == "--fi-declaration") options.fiDeclaration = Choose(arg, value, kFiDeclarations);
    else if (arg == "--compress") options.compression = Choose(arg, value, kCompressions);
    else if (arg == "--schema-type") options.schemaType = Choose(arg, value, kSchemaTypes);
    else return false;
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

// Standard output gets what a file would get (ToFile adds the byte-order
// mark for UTF-16).
void WriteOutput(const std::string& path, const CBinaryData& data, XmlEncoding encoding) {
    if (path != "-") {
        data.ToFile(path.c_str(), encoding);
        return;
    }
    if (encoding == XE_UTF16 || encoding == XE_UTF16_NO_DECL) std::fwrite("\xFF\xFE", 1, 2, stdout);
    if (data.GetLength() > 0) std::fwrite(data.GetData(), 1, data.GetLength(), stdout);
    if (std::fflush(stdout) != 0) throw CQbException("Cannot write to standard output");
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
// The document: the only part of the tool that knows the untyped content
// classes.

struct Counts {
    unsigned long long elements = 0;
    unsigned long long attributes = 0;
    unsigned long long textBytes = 0;
};

class CDocument {
public:
    CDocument(const std::vector<unsigned char>& bytes, const CXmlSerializationContext& ctx)
        : m_root(new CElement("")) {
        m_root->FromXmlStream(bytes.data(), static_cast<unsigned long>(bytes.size()), ctx);
    }

    const CXmlObjectBase& Object() const { return *m_root; }

    Counts Count() const {
        Counts counts;
        // Explicit stack: documents may nest deeper than the call stack.
        std::vector<CElement*> pending = {m_root.GetPtr()};
        while (!pending.empty()) {
            CElement* element = pending.back();
            pending.pop_back();
            ++counts.elements;
            counts.attributes += static_cast<unsigned long long>(element->GetAttributes()->GetCount());
            counts.textBytes += element->GetText().size();
            for (CElement* child : *element->GetChildElements()) pending.push_back(child);
        }
        return counts;
    }

private:
    CSmartPtr<CElement> m_root;
};

// ---------------------------------------------------------------------------
// Commands

CBinaryData Serialize(const CDocument& document, Format format, const Options& options,
                      const CXmlSerializationContext& ctx) {
    if (format == Format::FastInfoset) {
        return document.Object().ToFastInfosetStream(options.fiDeclaration, ctx,
                                                     options.compression);
    }
    return document.Object().ToXmlStream(options.declaration, options.formatted,
                                         options.encoding, options.eol, ctx,
                                         options.compression);
}

int Convert(const Options& options, CXmlSerializationContext& ctx) {
    if (options.operands.size() != 2) throw UsageError{"convert takes IN and OUT"};
    const std::string& in = options.operands[0];
    const std::string& out = options.operands[1];
    const std::vector<unsigned char> bytes = ReadInput(in);
    Format to = options.to;
    if (to == Format::Unknown) to = FormatFromExtension(out);
    if (to == Format::Unknown) {
        to = DetectInput(bytes).format == Format::Xml ? Format::FastInfoset : Format::Xml;
    }
    const CDocument document(bytes, ctx);
    const CBinaryData output = Serialize(document, to, options, ctx);
    WriteOutput(out, output, to == Format::Xml ? options.encoding : XE_NONE);
    return 0;
}

// Size of the document in one form, or -1 when deflate cannot shrink it (the
// library refuses compressed output larger than its input).
long long SizeAs(const CDocument& document, Format format, CompressionType compression,
                 const CXmlSerializationContext& ctx) {
    Options form;
    form.formatted = false;
    form.compression = compression;
    try {
        return static_cast<long long>(Serialize(document, format, form, ctx).GetLength());
    } catch (const CQbException&) {
        if (compression == CT_NONE) throw;
        return -1;
    }
}

void PrintSize(const char* label, long long size, long long reference) {
    if (size < 0) {
        std::printf("  %-22s %12s\n", label, "(no gain)");
        return;
    }
    std::printf("  %-22s %12lld  %6.1f %%\n", label, size,
                reference > 0 ? 100.0 * static_cast<double>(size) / static_cast<double>(reference)
                              : 0.0);
}

int Stats(const Options& options, CXmlSerializationContext& ctx) {
    if (options.operands.size() != 1) throw UsageError{"stats takes one FILE"};
    const std::string& path = options.operands[0];
    const std::vector<unsigned char> bytes = ReadInput(path);
    const InputKind kind = DetectInput(bytes);
    const CDocument document(bytes, ctx);
    std::printf("%s: %zu bytes, %s%s%s\n", path.c_str(), bytes.size(), FormatName(kind.format),
                kind.compression ? " compressed with " : "",
                kind.compression ? kind.compression : "");
    const long long xml = SizeAs(document, Format::Xml, CT_NONE, ctx);
    std::printf("Sizes (percent of XML):\n");
    PrintSize("XML", xml, xml);
    PrintSize("XML + gzip", SizeAs(document, Format::Xml, CT_GZIP, ctx), xml);
    PrintSize("Fast Infoset", SizeAs(document, Format::FastInfoset, CT_NONE, ctx), xml);
    PrintSize("Fast Infoset + gzip", SizeAs(document, Format::FastInfoset, CT_GZIP, ctx), xml);
    const Counts counts = document.Count();
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
    const Options options = ParseOptions(argc, argv, 2);
    CXmlSerializationContext ctx;
    ctx.SetSchemaType(options.schemaType);
    if (command == "convert") return Convert(options, ctx);
    if (command == "stats") return Stats(options, ctx);
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
