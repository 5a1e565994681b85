// Peak resident memory of one phase of a benchmark (Linux): ResetPeak before
// the phase, then StatusKiB("VmHWM:") after it.
#ifndef QBXMLLIB5_BENCH_PEAKMEMORY_H
#define QBXMLLIB5_BENCH_PEAKMEMORY_H

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "xml/CBlockCache.h"

namespace qbbench {

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"), or -1.
inline long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t keyLength = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, keyLength, key) == 0) return std::atol(line.c_str() + keyLength);
    }
    return -1;
}

// Tells the library and glibc to hand freed memory back (the blocks kept for
// the next document tree would otherwise be counted for nothing) and resets
// the kernel's high-water mark to the present resident set; false where that
// cannot be done.
inline bool ResetPeak() {
    QbXmlLib5::CBlockCache::Trim();
    malloc_trim(0);
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return static_cast<bool>(clear);
}

}  // namespace qbbench

#endif  // QBXMLLIB5_BENCH_PEAKMEMORY_H
