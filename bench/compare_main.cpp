// Compares QbXmlLib5 with bare Expat, libxml2 and pugixml on generated
// documents, in one process on one machine, and prints ratios and the
// performance targets. Run: build/bench/qbxml_compare [--quick] [--runs N]
#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "BenchDocuments.h"
#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

using Clock = std::chrono::steady_clock;

// Minimum wall time of `fn` over enough repetitions to be stable.
double TimeIt(std::size_t inputBytes, const std::function<void()>& fn) {
    const int reps = static_cast<int>(
        std::clamp<std::size_t>((60u << 20) / std::max<std::size_t>(inputBytes, 1), 3, 200));
    double best = 1e30;
    for (int i = 0; i < reps; ++i) {
        const auto start = Clock::now();
        fn();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, s);
    }
    return best;
}

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap bytes held by the object `make` returns, measured while it is alive.
template <class Make>
std::size_t HeapHeldBy(Make make) {
    CBlockCache::Trim();  // kept tree blocks would be counted as held before
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    auto holder = make();
    const std::size_t after = HeapInUse();
    (void)holder;
    return after > before ? after - before : 0;
}

void ExpatParse(const std::string& xml) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
    XML_SetElementHandler(
        parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
    if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) {
        std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
    }
    XML_ParserFree(parser);
}

xmlDocPtr LibXmlRead(const std::string& xml) {
    return xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "bench.xml", nullptr,
                         XML_PARSE_NONET | XML_PARSE_HUGE);
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

std::size_t GzipSize(const unsigned char* data, std::size_t size) {
    CBinaryData copy(const_cast<unsigned char*>(data), static_cast<unsigned long>(size), false);
    return copy.CompressData(CT_GZIP).GetLength();
}

struct Row {
    std::string name;
    double seconds;
    double baseline;
};

void PrintRow(const char* what, double ours, double theirs, const char* theirName) {
    std::printf("  %-44s %9.2f ms   %-18s %9.2f ms   ratio %5.2f\n", what, ours * 1e3, theirName,
                theirs * 1e3, ours / theirs);
}

struct Targets {
    double loadVsExpat = 0, fiSpeedup = 0, fiWriteVsText = 0, writeVsLibxml = 0, memVsLibxml = 0;
};

Targets RunOne(bench::Shape shape, std::size_t bytes) {
    const std::string xml = bench::MakeDocument(shape, bytes);
    const auto* raw = reinterpret_cast<const unsigned char*>(xml.data());
    const unsigned long len = static_cast<unsigned long>(xml.size());
    std::printf("\n%s document, %.2f MB\n", bench::ShapeName(shape), xml.size() / 1048576.0);

    Targets t;
    // Loading into a tree.
    const double expat = TimeIt(xml.size(), [&] { ExpatParse(xml); });
    const double libxml = TimeIt(xml.size(), [&] { xmlFreeDoc(LibXmlRead(xml)); });
    const double pugi = TimeIt(xml.size(), [&] {
        pugi::xml_document doc;
        doc.load_buffer(xml.data(), xml.size());
    });
    const double qbStream = TimeIt(xml.size(), [&] {
        CXmlDocument doc;
        doc.LoadXmlStream(raw, len);
    });
    const double qbString = TimeIt(xml.size(), [&] {
        CXmlDocument doc;
        doc.LoadXml(xml.c_str());
    });
    PrintRow("LoadXmlStream (document tree)", qbStream, expat, "bare Expat");
    PrintRow("LoadXmlStream (document tree)", qbStream, libxml, "libxml2 read");
    PrintRow("LoadXmlStream (document tree)", qbStream, pugi, "pugixml load");
    PrintRow("LoadXml (narrow string)", qbString, expat, "bare Expat");
    t.loadVsExpat = qbStream / expat;

    // Reading into CElement and writing it back as text.
    CSmartPtr<CElement> element(new CElement("root"));
    const double readElement = TimeIt(xml.size(), [&] { element->FromXmlStream(raw, len); });
    PrintRow("CElement::FromXmlStream", readElement, libxml, "libxml2 read");
    std::string written;
    const double writeElement =
        TimeIt(xml.size(), [&] { written = element->ToXml(false, false, EOL_LF); });
    xmlDocPtr ldoc = LibXmlRead(xml);
    const double libxmlDump = TimeIt(xml.size(), [&] {
        xmlChar* out = nullptr;
        int size = 0;
        xmlDocDumpMemory(ldoc, &out, &size);
        xmlFree(out);
    });
    pugi::xml_document pdoc;
    pdoc.load_buffer(xml.data(), xml.size());
    const double pugiSave = TimeIt(xml.size(), [&] {
        StringWriter w;
        pdoc.save(w, "", pugi::format_raw);
    });
    PrintRow("CElement::ToXml (compact)", writeElement, libxmlDump, "libxml2 dump");
    PrintRow("CElement::ToXml (compact)", writeElement, pugiSave, "pugixml save");
    t.writeVsLibxml = writeElement / libxmlDump;

    // Fast Infoset against text, same document.
    CBinaryData fi;
    const double fiWrite =
        TimeIt(xml.size(), [&] { fi = element->ToFastInfosetStream(FI_DECL_NONE); });
    CBinaryData text;
    const double textWrite =
        TimeIt(xml.size(), [&] { text = element->ToXmlStream(false, false, XE_UTF8, EOL_LF); });
    const double fiRead = TimeIt(xml.size(), [&] {
        CXmlDocument doc;
        doc.LoadXmlStream(fi.GetData(), fi.GetLength());
    });
    const double textRead = TimeIt(xml.size(), [&] {
        CXmlDocument doc;
        doc.LoadXmlStream(text.GetData(), text.GetLength());
    });
    PrintRow("Fast Infoset write", fiWrite, textWrite, "XML text write");
    PrintRow("Fast Infoset read (document tree)", fiRead, textRead, "XML text read");
    t.fiSpeedup = textRead / fiRead;
    t.fiWriteVsText = fiWrite / textWrite;
    std::printf("  sizes: XML %zu, XML+gzip %zu, Fast Infoset %zu, Fast Infoset+gzip %zu bytes\n",
                static_cast<std::size_t>(text.GetLength()),
                GzipSize(text.GetData(), text.GetLength()),
                static_cast<std::size_t>(fi.GetLength()), GzipSize(fi.GetData(), fi.GetLength()));

    // Memory held by a loaded tree.
    const double mb = xml.size() / 1048576.0;
    const std::size_t qbMem = HeapHeldBy([&] {
        auto doc = std::make_unique<CXmlDocument>();
        doc->LoadXmlStream(raw, len);
        return doc;
    });
    const std::size_t libxmlMem = HeapHeldBy(
        [&] { return std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)>(LibXmlRead(xml), xmlFreeDoc); });
    const std::size_t pugiMem = HeapHeldBy([&] {
        auto doc = std::make_unique<pugi::xml_document>();
        doc->load_buffer(xml.data(), xml.size());
        return doc;
    });
    std::printf(
        "  tree memory per MB of input: QbXmlLib5 %.2f MB, libxml2 %.2f MB, pugixml %.2f MB\n",
        qbMem / 1048576.0 / mb, libxmlMem / 1048576.0 / mb, pugiMem / 1048576.0 / mb);
    t.memVsLibxml = static_cast<double>(qbMem) / static_cast<double>(libxmlMem);
    xmlFreeDoc(ldoc);
    return t;
}

// The range a target took over the runs, and in how many of them it was met.
void Verdict(const char* what, const std::vector<double>& values, double limit, bool atMost) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const auto met = std::count_if(values.begin(), values.end(),
                                   [&](double v) { return atMost ? v <= limit : v >= limit; });
    std::printf("  %-52s %5.2f-%-5.2f (target %s %.2f)  ", what, *low, *high,
                atMost ? "<=" : ">=", limit);
    if (met == static_cast<long>(values.size())) {
        std::printf("MET\n");
    } else if (met == 0) {
        std::printf("MISSED\n");
    } else {
        std::printf("met in %ld of %zu runs\n", static_cast<long>(met), values.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    int runs = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
    }
    xmlInitParser();
    std::vector<std::size_t> sizes = {100u << 10, 1u << 20, 20u << 20};
    if (quick) sizes = {100u << 10, 1u << 20};
    constexpr std::size_t kShapeCount = sizeof bench::kShapes / sizeof bench::kShapes[0];
    std::vector<Targets> last[kShapeCount];  // per shape, one entry a run
    for (int run = 0; run < runs; ++run) {
        if (runs > 1) std::printf("\n=== run %d of %d ===\n", run + 1, runs);
        for (std::size_t bytes : sizes) {
            for (std::size_t s = 0; s < kShapeCount; ++s) {
                const Targets t = RunOne(bench::kShapes[s], bytes);
                if (bytes == sizes.back()) last[s].push_back(t);
            }
        }
    }
    std::printf("\nTargets on the largest documents (range over %d run(s)):\n", runs);
    const auto column = [](const std::vector<Targets>& all, double Targets::*field) {
        std::vector<double> values;
        for (const Targets& t : all) values.push_back(t.*field);
        return values;
    };
    for (std::size_t s = 0; s < kShapeCount; ++s) {
        std::printf(" %s:\n", bench::ShapeName(bench::kShapes[s]));
        Verdict("document tree load time / bare Expat", column(last[s], &Targets::loadVsExpat), 1.3,
                true);
        Verdict("Fast Infoset read speed-up over text read", column(last[s], &Targets::fiSpeedup),
                4.0, false);
        Verdict("Fast Infoset write time / text write time",
                column(last[s], &Targets::fiWriteVsText), 1.0, true);
        Verdict("text write time / libxml2 xmlDocDumpMemory",
                column(last[s], &Targets::writeVsLibxml), 1.0, true);
        Verdict("tree memory / libxml2 tree memory", column(last[s], &Targets::memVsLibxml), 1.0,
                true);
    }
    xmlCleanupParser();
    return 0;
}
