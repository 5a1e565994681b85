// The purchase order of the XML Schema Primer with 100,000 items (about
// 16 MB of XML), written and read in one run through this library's
// generated classes (as XML text, gzip and Fast Infoset), CodeSynthesis XSD
// C++/Tree and gSOAP; then ratios against the performance targets.
//
// Times are the best of several rounds, each of which runs every phase of
// every library once, so that a slow spell of a shared machine does not fall
// on one library alone. A read parses the text into new
// objects and destroys them again. Peak memory of a phase is the growth of
// the process's resident set during one run of it alone: glibc is first told
// to hand freed memory back (malloc_trim), the kernel's high-water mark is
// reset (/proc/self/clear_refs), and the peak (VmHWM) is compared with the
// resident set before the phase. The input document and, for writes, the
// objects written are already resident and not counted.
//
// The process peak of a read is the whole process's high-water mark: the
// document is saved to a file and a fresh copy of this program (fork, then
// exec with --read-peak) loads it and reads it once, so nothing the main run
// built is counted, while the program itself, the libraries and the input
// document are, as they would be in any application.
//
// Run: build/bench/qbxml_po_compare [--items N] [--reps N]
//
// For instruction counts, one operation alone (LIBRARY is "QbXmlLib5 text",
// "gSOAP" or "XSD C++/Tree"):
//   valgrind --tool=callgrind --toggle-collect='*::Read(std::__cxx11::basic_string*'
//       qbxml_po_compare --read-peak LIBRARY FILE
//   valgrind --tool=callgrind --toggle-collect='*WriteOnce*'
//       qbxml_po_compare --write-once LIBRARY ITEMS [FILE]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../PeakMemory.h"
#include "PoBench.h"
#include "PoOrder.h"
#include "po.h"

using namespace QbXmlLib5;
using pobench::Library;
using pobench::Summary;

namespace {

using Clock = std::chrono::steady_clock;

using qbbench::ResetPeak;
using qbbench::StatusKiB;

struct Phase {
    double seconds = 0;
    double peakMiB = -1;  // negative: not measurable here
};

int g_reps = 3;

// The timed runs of every phase, made in rounds at the end: one run of each
// phase per round, so that a slow spell of a shared machine falls on every
// library alike rather than on the one measured then.
struct Timed {
    Phase* phase;
    std::function<void()> run;
    std::function<void()> reset;
};
std::vector<Timed> g_timed;

// `run` once now for memory and to leave its output; its time is the best
// of g_reps rounds (TimeRounds). `reset` runs before each, outside the
// measurement (it drops the previous output). `phase` must stay where it is.
void Measure(Phase& phase, const std::function<void()>& run, const std::function<void()>& reset) {
    reset();
    if (ResetPeak()) {
        const long before = StatusKiB("VmRSS:");
        run();
        const long peak = StatusKiB("VmHWM:");
        if (before >= 0 && peak >= before) phase.peakMiB = (peak - before) / 1024.0;
    } else {
        run();
    }
    phase.seconds = 1e30;
    g_timed.push_back(Timed{&phase, run, reset});
}

void TimeRounds() {
    for (int i = 0; i < g_reps; ++i) {
        for (Timed& timed : g_timed) {
            timed.reset();
            const auto start = Clock::now();
            timed.run();
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            timed.phase->seconds = std::min(timed.phase->seconds, seconds);
        }
    }
}

class OurLibrary : public Library {
public:
    const char* Name() const override { return "QbXmlLib5"; }

    void Build(int items) override { m_order = pobench::BuildOurOrder(items); }

    void Write(std::string& out) override { out = m_order->ToXml(false, false, EOL_LF); }
    CBinaryData WriteGzip() const {
        return m_order->ToXmlStream(false, false, XE_UTF8, EOL_LF,
                                    CXmlSerializationContext::GetDefaultContext(), CT_GZIP);
    }
    CBinaryData WriteFastInfoset() const { return m_order->ToFastInfosetStream(FI_DECL_NONE); }

    void Read(const std::string& text) override {
        CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
        order->FromXml(text.c_str());
    }
    static void ReadStream(const CBinaryData& data) {
        CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
        order->FromXmlStream(data);
    }

    Summary Summarize(const std::string& text) override {
        CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
        order->FromXml(text.c_str());
        Summary s;
        CSmartPtr<Po::CItemCol> items = order->GetItems()->GetItem();
        for (long i = 0; i < items->GetCount(); ++i) {
            CSmartPtr<Po::CItem> item = items->Item(i);
            ++s.items;
            s.quantitySum += std::atol(item->GetQuantity().ToString().c_str());
            s.tags += static_cast<std::size_t>(item->GetTag()->GetCount());
            s.lastPartNum = item->GetPartNum();
        }
        return s;
    }

private:
    CSmartPtr<Po::CPurchaseOrderType> m_order;
};

struct Row {
    explicit Row(std::string rowName) : name(std::move(rowName)) {}
    std::string name;
    Phase write, read;
    std::size_t bytes = 0;
    double processPeakMiB = -1;  // the whole process reading once (negative: not measured)
};

const char* const kOurText = "QbXmlLib5 text";
const char* const kOurGzip = "QbXmlLib5 gzip";
const char* const kOurFastInfoset = "QbXmlLib5 Fast Infoset";

// Loads `path` and lets `library` read it once; false when it cannot. The
// input is read at its exact size: a growing buffer would leave its own peak.
bool ReadOnce(const std::string& library, const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto length = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    if (library == kOurGzip || library == kOurFastInfoset) {
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[length]);
        in.read(reinterpret_cast<char*>(buffer.get()), static_cast<std::streamsize>(length));
        if (!in) return false;
        OurLibrary::ReadStream(CBinaryData(std::move(buffer), length));
        return true;
    }
    std::string bytes(length, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(length));
    if (!in) return false;
    if (library == kOurText) {
        OurLibrary().Read(bytes);
        return true;
    }
    std::unique_ptr<Library> other =
        library == "gSOAP" ? pobench::MakeGsoapLibrary() : pobench::MakeXsdLibrary();
    if (!other) return false;
    other->Read(bytes);
    return true;
}

// The child's side of the process peak: prints the process's VmHWM in KiB
// after one read.
int ReadForPeak(const std::string& library, const char* path) {
    if (!ReadOnce(library, path)) return 2;
    std::printf("%ld\n", StatusKiB("VmHWM:"));
    return 0;
}

// One write, kept out of line for callgrind's --toggle-collect='*WriteOnce*'.
__attribute__((noinline)) void WriteOnce(Library& library, std::string& out) { library.Write(out); }

// --write-once: builds an order of `items` items with `library` (our text
// writer, gSOAP or XSD) and writes it once, for counting instructions; the
// document goes to `path` when one is given (an input for --read-peak).
int WriteForCount(const std::string& library, int items, const char* path) {
    std::unique_ptr<Library> writer;
    if (library == kOurText) writer = std::make_unique<OurLibrary>();
    if (library == "gSOAP") writer = pobench::MakeGsoapLibrary();
    if (library == "XSD C++/Tree") writer = pobench::MakeXsdLibrary();
    if (!writer) return 2;
    writer->Build(items);
    std::string out;
    WriteOnce(*writer, out);
    if (path) {
        std::ofstream file(path, std::ios::binary);
        file.write(out.data(), static_cast<std::streamsize>(out.size()));
        if (!file) return 2;
    }
    return 0;
}

// Runs ReadForPeak in a fresh process on `bytes`; the peak in MiB, or -1.
double ProcessPeak(const std::string& library, const void* bytes, std::size_t length) {
    char path[] = "/tmp/qbxml_po_compare_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return -1;
    const bool written = write(fd, bytes, length) == static_cast<ssize_t>(length);
    close(fd);
    int channel[2];
    double peak = -1;
    if (written && pipe(channel) == 0) {
        const pid_t child = fork();
        if (child == 0) {
            dup2(channel[1], STDOUT_FILENO);
            close(channel[0]);
            execl("/proc/self/exe", "qbxml_po_compare", "--read-peak", library.c_str(), path,
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(channel[1]);
        char answer[64] = {};
        const ssize_t got = child > 0 ? read(channel[0], answer, sizeof answer - 1) : -1;
        close(channel[0]);
        int status = 0;
        if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0 && got > 0) {
            peak = std::atol(answer) / 1024.0;
        }
    }
    unlink(path);
    return peak;
}

void PrintPeak(double mib) {
    if (mib < 0) {
        std::printf("  %8s", "n/a");
    } else {
        std::printf("  %8.1f", mib);
    }
}

void PrintRow(const Row& row) {
    std::printf("  %-26s %9.1f", row.name.c_str(), row.write.seconds * 1e3);
    PrintPeak(row.write.peakMiB);
    std::printf("  %9.1f", row.read.seconds * 1e3);
    PrintPeak(row.read.peakMiB);
    std::printf("  %11zu", row.bytes);
    PrintPeak(row.processPeakMiB);
    std::printf("\n");
}

int g_missed = 0;

void Verdict(const char* what, double value, double limit, bool atMost) {
    const bool met = atMost ? value <= limit : value >= limit;
    if (!met) ++g_missed;
    std::printf("  %-58s %6.2f  (target %s %.2f)  %s\n", what, value, atMost ? "<=" : ">=", limit,
                met ? "MET" : "MISSED");
}

// One of our binary forms, written into `data` (which must stay where it
// is) and read back from it.
void MeasureForm(Row& row, CBinaryData& data, const std::function<CBinaryData()>& write) {
    Measure(
        row.write, [&data, write] { data = write(); }, [&data] { data = CBinaryData(); });
    row.bytes = data.GetLength();
    Measure(
        row.read, [&data] { OurLibrary::ReadStream(data); }, [] {});
    row.processPeakMiB = ProcessPeak(row.name, data.GetData(), data.GetLength());
}

const Row* Find(const std::vector<Row>& rows, const char* name) {
    for (const Row& row : rows) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

}  // namespace

// Stand-ins for the libraries that were not found at build time.
#ifndef QB_PO_HAVE_XSD
std::unique_ptr<Library> pobench::MakeXsdLibrary() { return nullptr; }
#endif
#ifndef QB_PO_HAVE_GSOAP
std::unique_ptr<Library> pobench::MakeGsoapLibrary() { return nullptr; }
#endif

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--read-peak") == 0) return ReadForPeak(argv[2], argv[3]);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--write-once") == 0) {
        return WriteForCount(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : nullptr);
    }
    int items = pobench::kItems;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--items") == 0) items = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--reps") == 0) g_reps = std::max(1, std::atoi(argv[i + 1]));
    }

    std::vector<std::unique_ptr<Library>> others;
    if (auto xsd = pobench::MakeXsdLibrary()) others.push_back(std::move(xsd));
    if (auto gsoap = pobench::MakeGsoapLibrary()) others.push_back(std::move(gsoap));

    std::printf(
        "Purchase order with %d items; best of %d rounds (one run of every phase each), "
        "peak = resident-set growth\n\n",
        items, g_reps);
    std::vector<Row> rows;
    rows.reserve(3 + others.size());  // the phases measured stay where they are
    std::vector<std::string> texts;   // each library's text, for the cross-reads
    texts.reserve(1 + others.size());

    OurLibrary ours;
    ours.Build(items);
    CBinaryData gzipData;
    CBinaryData fiData;
    {
        Row& text = rows.emplace_back(kOurText);
        std::string& out = texts.emplace_back();
        Measure(
            text.write, [&] { ours.Write(out); }, [&] { std::string().swap(out); });
        text.bytes = out.size();
        Measure(
            text.read, [&] { ours.Read(out); }, [] {});
        text.processPeakMiB = ProcessPeak(text.name, out.data(), out.size());

        MeasureForm(rows.emplace_back(kOurGzip), gzipData, [&ours] { return ours.WriteGzip(); });
        MeasureForm(rows.emplace_back(kOurFastInfoset), fiData,
                    [&ours] { return ours.WriteFastInfoset(); });
    }
    for (auto& library : others) {
        library->Build(items);
        Row& row = rows.emplace_back(library->Name());
        std::string& out = texts.emplace_back();
        Library* const one = library.get();
        Measure(
            row.write, [one, &out] { one->Write(out); }, [&out] { std::string().swap(out); });
        row.bytes = out.size();
        Measure(
            row.read, [one, &out] { one->Read(out); }, [] {});
        row.processPeakMiB = ProcessPeak(row.name, out.data(), out.size());
    }
    TimeRounds();
    if (others.size() < 2) {
        std::printf(
            "(XSD C++/Tree or gSOAP was not found at build time: install them with\n"
            " scripts/install-deps.sh --bench and configure again)\n\n");
    }

    std::printf("  %-26s %9s  %8s  %9s  %8s  %11s  %8s\n", "", "write ms", "peak MiB", "read ms",
                "peak MiB", "bytes", "process");
    std::printf("  %-26s %9s  %8s  %9s  %8s  %11s  %8s\n", "", "", "", "", "", "", "read MiB");
    for (const Row& row : rows) PrintRow(row);

    // Every library reads every other's text and finds the same order.
    std::printf("\nCross-reads (reader <- writer: items, quantity sum, tags, last partNum):\n");
    std::vector<Library*> all = {&ours};
    for (auto& library : others) all.push_back(library.get());
    const Summary expected = ours.Summarize(texts[0]);
    bool allSame = true;
    for (Library* reader : all) {
        for (std::size_t w = 0; w < all.size(); ++w) {
            Summary s;
            std::string error;
            try {
                s = reader->Summarize(texts[w]);
            } catch (const std::exception& e) {
                error = e.what();
            }
            const bool same = error.empty() && s == expected;
            allSame = allSame && same;
            std::printf("  %-13s <- %-13s %zu, %ld, %zu, %s  %s%s\n", reader->Name(),
                        all[w]->Name(), s.items, s.quantitySum, s.tags, s.lastPartNum.c_str(),
                        same ? "ok" : "DIFFERENT ", error.c_str());
        }
    }

    const Row* text = Find(rows, kOurText);
    const Row* fi = Find(rows, kOurFastInfoset);
    const Row* xsd = Find(rows, "XSD C++/Tree");
    const Row* gsoap = Find(rows, "gSOAP");
    std::printf("\nTargets (ratios of this run):\n");
    if (gsoap) {
        Verdict("write time / gSOAP write", text->write.seconds / gsoap->write.seconds, 1.0, true);
        Verdict("text read time / gSOAP read", text->read.seconds / gsoap->read.seconds, 1.5, true);
        Verdict("Fast Infoset read time / gSOAP text read", fi->read.seconds / gsoap->read.seconds,
                1.0, true);
        if (text->read.peakMiB >= 0 && gsoap->read.peakMiB > 0) {
            Verdict("text read peak memory / gSOAP read peak",
                    text->read.peakMiB / gsoap->read.peakMiB, 1.5, true);
            Verdict("Fast Infoset read peak memory / gSOAP read peak",
                    fi->read.peakMiB / gsoap->read.peakMiB, 1.5, true);
        }
        if (text->processPeakMiB > 0 && gsoap->processPeakMiB > 0) {
            Verdict("text read process peak / gSOAP read process peak",
                    text->processPeakMiB / gsoap->processPeakMiB, 1.0, true);
            Verdict("Fast Infoset read process peak / gSOAP read process peak",
                    fi->processPeakMiB / gsoap->processPeakMiB, 1.0, true);
        }
    }
    if (xsd) {
        Verdict("XSD C++/Tree read time / text read time", xsd->read.seconds / text->read.seconds,
                4.0, false);
        Verdict("XSD C++/Tree read time / Fast Infoset read time",
                xsd->read.seconds / fi->read.seconds, 4.0, false);
        std::printf("  %-58s %6.2f  (no target)\n", "XSD C++/Tree write time / text write time",
                    xsd->write.seconds / text->write.seconds);
    }
    std::printf("\n%s; %d target(s) missed\n",
                allSame ? "all cross-reads agree" : "CROSS-READS DISAGREE", g_missed);
    return allSame ? 0 : 1;
}
