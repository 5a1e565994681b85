// Streaming against whole documents: a purchase order of N items (default
// 10 million, about 1.8 GB of XML text) is written to a temporary file item
// by item (CXmlStreamWriter) and read back item by item (CXmlStreamReader),
// as XML text, gzip and Fast Infoset. Each phase prints its wall-clock and
// CPU time (the process's, user and system), its throughput in MB/s (of the
// file as written) and items/s per CPU second, so that other load on the
// machine does not distort it, and the process's peak resident memory
// during the phase. Then an order of M items (default
// 100,000) is written and read whole in the same process (the object tree
// built and written with ToXmlFile / ToFastInfosetFile; read with
// FromXmlFile and destroyed), best of three runs, for the whole-document
// speed; the last column is the streaming speed over it.
//
// The same order of M items is also written and read by streaming, in
// turns with the whole-document runs, for a comparison at equal size that
// other load on the machine affects alike.
//
// Peak memory: glibc is told to hand freed memory back (malloc_trim) and the
// kernel's high-water mark is reset (/proc/self/clear_refs) before a phase;
// the figure is the process's VmHWM after it, everything resident included.
//
// Run: build/bench/qbxml_stream_bench [--items N] [--whole-items M]
//      [--dir DIRECTORY (default $TMPDIR or /tmp)] [--form text|gzip|fi]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

#include "PeakMemory.h"
#include "PoBench.h"
#include "PoOrder.h"
#include "po.h"

using namespace QbXmlLib5;

namespace {

using Clock = std::chrono::steady_clock;
const char kPath[] = "/purchaseOrder/items/item";
// Whole documents are small: the best of a few runs is their speed.
const int kWholeRuns = 3;

using qbbench::ResetPeak;
using qbbench::StatusKiB;

struct Phase {
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // the process's, user and system
    double peakMiB = -1;
};

double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// `run` `times` times: the peak of the first run, the best time.
Phase Measure(const std::function<void()>& run, int times = 1) {
    Phase phase;
    phase.seconds = phase.cpuSeconds = 1e30;
    for (int i = 0; i < times; ++i) {
        ResetPeak();
        const Clock::time_point start = Clock::now();
        const double cpuStart = CpuSeconds();
        run();
        phase.cpuSeconds = std::min(phase.cpuSeconds, CpuSeconds() - cpuStart);
        phase.seconds =
            std::min(phase.seconds, std::chrono::duration<double>(Clock::now() - start).count());
        const long peak = StatusKiB("VmHWM:");
        if (i == 0 && peak >= 0) phase.peakMiB = peak / 1024.0;
    }
    return phase;
}

double FileMB(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_size / 1e6 : 0;
}

CSmartPtr<Po::CItem> MakeOurItem(int i) {
    const pobench::ItemValues v = pobench::MakeItem(i);
    CSmartPtr<Po::CItem> item = new Po::CItem();
    item->SetPartNum(v.partNum);
    item->SetProductName(v.productName);
    item->SetQuantity(v.quantity);
    item->SetUSPrice(CDecimal(v.usPrice));
    if (v.hasComment) item->SetComment("Confirm this is electric");
    if (v.hasShipDate) item->SetShipDate(CDateTime(1999, 5, static_cast<std::uint8_t>(v.shipDay)));
    if (v.hasTag) item->GetTag()->Add("garden");
    return item;
}

struct Form {
    const char* name;
    const char* option;  // its name for --form
    const char* suffix;
    bool fastInfoset;
    CompressionType compression;
};

void StreamWrite(const std::string& path, const Form& form, long items) {
    CXmlStreamWriter::COptions options;
    options.fastInfoset = form.fastInfoset;
    options.compression = form.compression;
    CXmlStreamWriter writer(path.c_str(), options);
    CSmartPtr<Po::CPurchaseOrderType> header = pobench::BuildOurOrder(0);
    writer.Begin(header, kPath);
    for (long i = 0; i < items; ++i) writer.Write(MakeOurItem(static_cast<int>(i)));
    writer.End();
}

// Returns the number of items read; the tags are counted so that the items
// are looked at.
long StreamRead(const std::string& path, long& tags) {
    CXmlStreamReader reader(path.c_str());
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    tags = 0;
    return static_cast<long>(reader.ReadObjects<Po::CItem>(
        kPath, [&tags](const CSmartPtr<Po::CItem>& item) { tags += item->GetTag()->GetCount(); },
        order));
}

void WholeWrite(const std::string& path, const Form& form, long items) {
    CSmartPtr<Po::CPurchaseOrderType> order = pobench::BuildOurOrder(static_cast<int>(items));
    if (form.fastInfoset) {
        order->ToFastInfosetFile(path.c_str(), FI_DECL_NONE, CXmlSerializationContext(),
                                 form.compression);
    } else {
        order->ToXmlFile(path.c_str(), true, true, XE_UTF8, EOL_LF, CXmlSerializationContext(),
                         form.compression);
    }
}

void WholeRead(const std::string& path) {
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    order->FromXmlFile(path.c_str());
}

void PrintRow(const char* form, const char* phase, long items, double mb, const Phase& p,
              double wholeItemsPerSecond) {
    const double itemsPerSecond = items / p.cpuSeconds;
    std::printf("%-13s %-13s %10ld %9.1f %8.2f %8.2f %8.1f %11.0f %9.1f", form, phase, items, mb,
                p.seconds, p.cpuSeconds, mb / p.cpuSeconds, itemsPerSecond, p.peakMiB);
    if (wholeItemsPerSecond > 0) {
        std::printf(" %11.0f %6.2f", wholeItemsPerSecond, itemsPerSecond / wholeItemsPerSecond);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// The whole-document speed of a form, per CPU second.
struct SameSize {
    double writeItemsPerSecond = 0;
    double readItemsPerSecond = 0;
};

// Keeps the first run's peak and the best times.
void KeepBest(Phase& best, const Phase& run, bool first) {
    if (first) {
        best = run;
        return;
    }
    best.seconds = std::min(best.seconds, run.seconds);
    best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
}

// Whole-document and streaming writes and reads of one order of `items`
// items, in turns, kWholeRuns times (the best of each counts): whatever else
// the machine does meets both alike. Prints the four rows.
SameSize CompareSameSize(const Form& form, const std::string& stem, long items) {
    const std::string wholePath = stem + "_whole" + form.suffix;
    const std::string streamPath = stem + "_same" + form.suffix;
    Phase wholeWrite, streamWrite, wholeRead, streamRead;
    long tags = 0;
    for (int i = 0; i < kWholeRuns; ++i) {
        KeepBest(wholeWrite, Measure([&] { WholeWrite(wholePath, form, items); }), i == 0);
        KeepBest(streamWrite, Measure([&] { StreamWrite(streamPath, form, items); }), i == 0);
        KeepBest(wholeRead, Measure([&] { WholeRead(wholePath); }), i == 0);
        KeepBest(streamRead, Measure([&] { StreamRead(streamPath, tags); }), i == 0);
    }
    const double wholeMB = FileMB(wholePath), streamMB = FileMB(streamPath);
    std::remove(wholePath.c_str());
    std::remove(streamPath.c_str());
    SameSize whole;
    whole.writeItemsPerSecond = items / wholeWrite.cpuSeconds;
    whole.readItemsPerSecond = items / wholeRead.cpuSeconds;
    PrintRow(form.name, "whole write", items, wholeMB, wholeWrite, 0);
    PrintRow(form.name, "stream write", items, streamMB, streamWrite, whole.writeItemsPerSecond);
    PrintRow(form.name, "whole read", items, wholeMB, wholeRead, 0);
    PrintRow(form.name, "stream read", items, streamMB, streamRead, whole.readItemsPerSecond);
    return whole;
}

}  // namespace

int main(int argc, char** argv) {
    long items = 10000000;
    long wholeItems = 100000;
    std::string only;  // text, gzip or fi: that form alone
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--items") == 0) items = std::atol(argv[i + 1]);
        if (std::strcmp(argv[i], "--whole-items") == 0) wholeItems = std::atol(argv[i + 1]);
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
        if (std::strcmp(argv[i], "--form") == 0) only = argv[i + 1];
    }
    const Form forms[] = {{"XML text", "text", ".xml", false, CT_NONE},
                          {"gzip", "gzip", ".xml.gz", false, CT_GZIP},
                          {"Fast Infoset", "fi", ".finf", true, CT_NONE}};
    std::printf("Streaming %ld items; whole documents of %ld items for comparison\n", items,
                wholeItems);
    std::printf("%-13s %-13s %10s %9s %8s %8s %8s %11s %9s %11s %6s\n", "form", "phase", "items",
                "MB", "wall s", "CPU s", "MB/s", "items/s", "peak MiB", "whole it/s", "ratio");
    int failures = 0;
    try {
        for (const Form& form : forms) {
            if (!only.empty() && only != form.option) continue;
            // Named after the process: runs side by side must not share files.
            const std::string stem = dir + "/qbxml_stream_bench_" + std::to_string(getpid());
            const std::string path = stem + form.suffix;
            // Whole documents first: their figures go on the streaming rows.
            const SameSize whole = CompareSameSize(form, stem, wholeItems);
            const Phase write = Measure([&] { StreamWrite(path, form, items); });
            const double mb = FileMB(path);
            PrintRow(form.name, "stream write", items, mb, write, whole.writeItemsPerSecond);
            long tags = 0, read = 0;
            const Phase readPhase = Measure([&] { read = StreamRead(path, tags); });
            std::remove(path.c_str());
            PrintRow(form.name, "stream read", read, mb, readPhase, whole.readItemsPerSecond);
            if (read != items || tags != (items + 3) / 4) {
                std::printf("  read back %ld items and %ld tags: WRONG\n", read, tags);
                ++failures;
            }
        }
    } catch (const CQbException& e) {
        std::printf("Error:\n%s\n", e.GetFullMessage().c_str());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
