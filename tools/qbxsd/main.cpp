// qbxsd: compiles XML Schemas into C++ classes for QbXmlLib5's data binding.
//
//   qbxsd [-o DIR] [-n NAMESPACE] SCHEMA.xsd...
//
// Writes DIR/<first schema>.h/.cpp (and one more pair for every other target
// namespace the schemas import). Errors name the schema file and line; the
// exit code is 1 on an error, 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CCodeWriter.h"
#include "CComponentBuilder.h"
#include "CModelBuilder.h"
#include "CSchemaSet.h"
#include "core/CQbException.h"
#include "core/QbVersion.h"

namespace {

const char* const kUsage =
    "usage: qbxsd [-o DIR] [-n NAMESPACE] [-q] [--one-pair] [--depfile FILE] SCHEMA.xsd...\n"
    "  -o DIR        write the generated files into DIR (default: .)\n"
    "  -n NAMESPACE  put the generated classes into this C++ namespace\n"
    "  -q            print nothing but errors and warnings\n"
    "  --one-pair    write all namespaces into the pair of the first schema\n"
    "  --depfile F   also write a make dependency file listing every schema read\n"
    "  -h, --help    print this text and exit\n"
    "  --version     print the library version and exit\n"
    "Writes one header/source pair per target namespace; the pair of the first\n"
    "schema includes the others and holds CreateDocument and the factories.\n";

bool IsIdentifier(const std::string& name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
                        (i > 0 && ((c >= '0' && c <= '9') || (c == ':' && name.size() > i + 1)));
        if (!ok) return false;
    }
    return true;
}

// Make's syntax: the outputs depend on every schema document read.
void WriteDepfile(const std::string& path, const std::vector<std::string>& outputs,
                  const Qbxsd::CSchemaSet& schemas) {
    auto escape = [](const std::string& name) {
        std::string out;
        for (char c : name) {
            if (c == ' ' || c == '#' || c == '\\') out += '\\';
            out += c;
        }
        return out;
    };
    std::string text;
    for (const std::string& output : outputs) text += escape(output) + " ";
    text += ":";
    for (const auto& doc : schemas.Documents()) text += " \\\n  " + escape(doc->path);
    text += "\n";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr;
    if (file) {
        ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok) throw Qbxsd::CSchemaError("qbxsd: cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    Qbxsd::WriterOptions options;
    bool quiet = false;
    std::string depfile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-o" || arg == "-n") && i + 1 < argc) {
            (arg == "-o" ? options.outputDir : options.cppNamespace) = argv[++i];
        } else if (arg == "--one-pair") {
            options.onePair = true;
        } else if (arg == "--depfile" && i + 1 < argc) {
            depfile = argv[++i];
        } else if (arg == "-q") {
            quiet = true;
        } else if (arg == "--version") {
            std::printf("qbxsd %s\n", QbXmlLib5::GetLibraryVersion());
            return 0;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "qbxsd: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            options.schemaFiles.push_back(arg);
        }
    }
    if (options.schemaFiles.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!options.cppNamespace.empty() && !IsIdentifier(options.cppNamespace)) {
        std::fprintf(stderr, "qbxsd: %s is not a C++ namespace name\n",
                     options.cppNamespace.c_str());
        return 2;
    }
    try {
        Qbxsd::CSchemaSet schemas;
        for (const std::string& file : options.schemaFiles) schemas.Load(file);
        const auto components = Qbxsd::CComponentBuilder(schemas).Build();
        Qbxsd::CModelBuilder model(*components);
        model.BuildAll();
        Qbxsd::CCodeWriter writer(model, schemas, options);
        const std::vector<std::string> written = writer.Write();
        for (const std::string& note : writer.Notes()) {
            if (!quiet) std::printf("qbxsd: %s\n", note.c_str());
        }
        for (const std::string& file : written) {
            if (!quiet) std::printf("qbxsd: wrote %s\n", file.c_str());
        }
        if (!depfile.empty()) WriteDepfile(depfile, written, schemas);
        return 0;
    } catch (const Qbxsd::CSchemaError& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const QbXmlLib5::CQbException& e) {
        std::fprintf(stderr, "qbxsd: %s\n", e.GetFullMessage().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qbxsd: %s\n", e.what());
    }
    return 1;
}
