// qbxml_fi_callgrind: one operation on one benchmark document, for counting
// instructions under callgrind, where wall-clock time on a shared machine
// says little. The document, its tree and its two encodings are made before
// the operation, which runs once inside a function of its own:
//
//   valgrind --tool=callgrind --toggle-collect='RunFiLoad*'
//       qbxml_fi_callgrind nested "FI load" 1048576
//
// Modes and their functions: "text write" RunTextWrite, "FI write"
// RunFiWrite, "text load" RunTextLoad, "FI load" RunFiLoad. "FI dump" writes
// the Fast Infoset document to standard output instead, so that two builds
// of the writer can be compared octet for octet.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchDocuments.h"
#include "QbXmlLib5.h"

using namespace QbXmlLib5;

// Kept out of line and global, so that callgrind finds them by name.
__attribute__((noinline)) std::size_t RunTextWrite(CElement& element) {
    return element.ToXmlStream(false, false, XE_UTF8, EOL_LF).GetLength();
}

__attribute__((noinline)) std::size_t RunFiWrite(CElement& element) {
    return element.ToFastInfosetStream(FI_DECL_NONE).GetLength();
}

__attribute__((noinline)) std::size_t RunTextLoad(const CBinaryData& text) {
    CXmlDocument doc;
    doc.LoadXmlStream(text.GetData(), text.GetLength());
    return doc.GetDocumentElement() != nullptr;
}

__attribute__((noinline)) std::size_t RunFiLoad(const CBinaryData& fi) {
    CXmlDocument doc;
    doc.LoadXmlStream(fi.GetData(), fi.GetLength());
    return doc.GetDocumentElement() != nullptr;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SHAPE MODE [BYTES]\n", argv[0]);
        return 2;
    }
    bench::Shape shape = bench::Shape::Data;
    bool known = false;
    for (bench::Shape s : bench::kShapes) {
        const char* name = bench::ShapeName(s);
        if (std::strncmp(name, argv[1], std::strlen(argv[1])) == 0) {
            shape = s;
            known = true;
        }
    }
    if (!known) {
        std::fprintf(stderr, "unknown shape %s\n", argv[1]);
        return 2;
    }
    const std::size_t bytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1u << 20;
    const std::string xml = bench::MakeDocument(shape, bytes);
    CSmartPtr<CElement> element(new CElement("root"));
    element->FromXmlStream(reinterpret_cast<const unsigned char*>(xml.data()),
                           static_cast<unsigned long>(xml.size()));
    const CBinaryData text = element->ToXmlStream(false, false, XE_UTF8, EOL_LF);
    const CBinaryData fi = element->ToFastInfosetStream(FI_DECL_NONE);
    const std::string mode = argv[2];
    if (mode == "FI dump") {
        return std::fwrite(fi.GetData(), 1, fi.GetLength(), stdout) == fi.GetLength() ? 0 : 1;
    }
    std::size_t result = 0;
    if (mode == "text write") {
        result = RunTextWrite(*element);
    } else if (mode == "FI write") {
        result = RunFiWrite(*element);
    } else if (mode == "text load") {
        result = RunTextLoad(text);
    } else if (mode == "FI load") {
        result = RunFiLoad(fi);
    } else {
        std::fprintf(stderr, "unknown mode %s\n", argv[2]);
        return 2;
    }
    std::printf("%s %s: text %zu bytes, FI %zu bytes, result %zu\n", bench::ShapeName(shape),
                mode.c_str(), static_cast<std::size_t>(text.GetLength()),
                static_cast<std::size_t>(fi.GetLength()), result);
    return 0;
}
