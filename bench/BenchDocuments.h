// Deterministic benchmark documents of a requested size in two shapes:
// data-oriented (many small elements with attributes, some namespaced) and
// text-heavy (long paragraphs with few attributes).
#ifndef QBXMLLIB5_BENCH_BENCHDOCUMENTS_H
#define QBXMLLIB5_BENCH_BENCHDOCUMENTS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

enum class Shape { Data, Text };

inline const char* ShapeName(Shape shape) { return shape == Shape::Data ? "data" : "text"; }

// A small linear congruential generator so documents are the same everywhere.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : m_state(seed) {}
    std::uint32_t Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }

private:
    std::uint32_t m_state;
};

inline void AppendWord(std::string& out, Lcg& rng) {
    static const char* const kWords[] = {
        "lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit",
        "sed", "do", "eiusmod", "tempor", "incididunt", "ut", "labore", "et", "dolore",
        "magna", "aliqua", "enim", "ad", "minim", "veniam", "quis", "nostrud",
        "exercitation", "ullamco", "laboris", "nisi", "aliquip", "commodo", "consequat"};
    out += kWords[rng.Below(sizeof kWords / sizeof kWords[0])];
}

inline void AppendDataRecord(std::string& out, Lcg& rng, std::size_t n) {
    out += "<order id=\"";
    out += std::to_string(n);
    out += "\" status=\"";
    out += rng.Below(2) ? "open" : "shipped";
    out += "\" x:priority=\"";
    out += std::to_string(rng.Below(5));
    out += "\">\n  <customer code=\"C";
    out += std::to_string(10000 + rng.Below(90000));
    out += "\">";
    AppendWord(out, rng);
    out += ' ';
    AppendWord(out, rng);
    out += "</customer>\n";
    const std::uint32_t lines = 1 + rng.Below(4);
    for (std::uint32_t i = 0; i < lines; ++i) {
        out += "  <line sku=\"SKU-";
        out += std::to_string(rng.Below(100000));
        out += "\" qty=\"";
        out += std::to_string(1 + rng.Below(20));
        out += "\" price=\"";
        out += std::to_string(rng.Below(100000) / 100.0).substr(0, 6);
        out += "\"/>\n";
    }
    out += "  <x:note>";
    AppendWord(out, rng);
    out += " &amp; ";
    AppendWord(out, rng);
    out += "</x:note>\n</order>\n";
}

inline void AppendTextRecord(std::string& out, Lcg& rng, std::size_t n) {
    out += "<chapter number=\"";
    out += std::to_string(n);
    out += "\">\n<title>";
    AppendWord(out, rng);
    out += "</title>\n";
    for (int p = 0; p < 3; ++p) {
        out += "<para>";
        const std::uint32_t words = 80 + rng.Below(80);
        for (std::uint32_t w = 0; w < words; ++w) {
            if (w) out += ' ';
            AppendWord(out, rng);
        }
        out += ".</para>\n";
    }
    out += "</chapter>\n";
}

// Builds a document of about `bytes` bytes (never less).
inline std::string MakeDocument(Shape shape, std::size_t bytes) {
    Lcg rng(shape == Shape::Data ? 12345u : 67890u);
    std::string out;
    out.reserve(bytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (shape == Shape::Data) {
        out += "<orders xmlns=\"urn:bench:orders\" xmlns:x=\"urn:bench:extension\">\n";
    } else {
        out += "<book xmlns=\"urn:bench:book\" lang=\"la\">\n";
    }
    for (std::size_t n = 0; out.size() < bytes; ++n) {
        if (shape == Shape::Data) {
            AppendDataRecord(out, rng, n);
        } else {
            AppendTextRecord(out, rng, n);
        }
    }
    out += shape == Shape::Data ? "</orders>\n" : "</book>\n";
    return out;
}

}  // namespace bench

#endif  // QBXMLLIB5_BENCH_BENCHDOCUMENTS_H
