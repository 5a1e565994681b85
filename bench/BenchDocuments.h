// Deterministic benchmark documents of a requested size in five shapes:
// data-oriented (orders: a default namespace, a second namespace on attributes
// and elements, entity references), text-heavy (long paragraphs with few
// attributes), attribute-heavy (flat readings of five attributes and no
// text), nested (a configuration tree eight levels deep with prefixed names
// and short values) and international (non-ASCII text in elements and
// attributes).
#ifndef QBXMLLIB5_BENCH_BENCHDOCUMENTS_H
#define QBXMLLIB5_BENCH_BENCHDOCUMENTS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

enum class Shape { Data, Text, Attributes, Nested, International };

constexpr Shape kShapes[] = {Shape::Data, Shape::Text, Shape::Attributes, Shape::Nested,
                             Shape::International};

inline const char* ShapeName(Shape shape) {
    switch (shape) {
        case Shape::Data:
            return "data-oriented";
        case Shape::Text:
            return "text-heavy";
        case Shape::Attributes:
            return "attribute-heavy";
        case Shape::Nested:
            return "nested";
        case Shape::International:
            return "international";
    }
    return "";
}

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
        "lorem",  "ipsum",   "dolor",   "sit",      "amet",         "consectetur", "adipiscing",
        "elit",   "sed",     "do",      "eiusmod",  "tempor",       "incididunt",  "ut",
        "labore", "et",      "dolore",  "magna",    "aliqua",       "enim",        "ad",
        "minim",  "veniam",  "quis",    "nostrud",  "exercitation", "ullamco",     "laboris",
        "nisi",   "aliquip", "commodo", "consequat"};
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

inline void AppendReading(std::string& out, Lcg& rng, std::size_t n) {
    static const char* const kUnits[] = {"C", "kPa", "%", "lx"};
    static const char* const kQuality[] = {"good", "suspect", "bad"};
    out += "<reading sensor=\"s-";
    out += std::to_string(rng.Below(500));
    out += "\" seq=\"";
    out += std::to_string(n);
    out += "\" value=\"";
    out += std::to_string(rng.Below(100000) / 100.0).substr(0, 6);
    out += "\" unit=\"";
    out += kUnits[rng.Below(4)];
    out += "\" quality=\"";
    out += kQuality[rng.Below(3)];
    out += "\"/>\n";
}

inline void AppendSection(std::string& out, Lcg& rng, int depth) {
    out += std::string(static_cast<std::size_t>(depth), ' ');
    out += depth % 2 ? "<c:section c:name=\"" : "<section name=\"";
    AppendWord(out, rng);
    out += "\">\n";
    if (depth < 8) {
        const std::uint32_t children = 1 + rng.Below(2);
        for (std::uint32_t i = 0; i < children; ++i) AppendSection(out, rng, depth + 1);
    } else {
        for (int i = 0; i < 3; ++i) {
            out += std::string(static_cast<std::size_t>(depth + 1), ' ');
            out += "<c:entry key=\"";
            AppendWord(out, rng);
            out += "\">";
            out += std::to_string(rng.Below(1000));
            out += "</c:entry>\n";
        }
    }
    out += std::string(static_cast<std::size_t>(depth), ' ');
    out += depth % 2 ? "</c:section>\n" : "</section>\n";
}

inline void AppendInternational(std::string& out, Lcg& rng, std::size_t n) {
    static const char* const kWords[] = {
        "\u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1",                          // Greek
        "\u0437\u0434\u0440\u0430\u0432\u0441\u0442\u0432\u0443\u0439\u0442\u0435",  // Russian
        "\u3053\u3093\u306b\u3061\u306f",                                            // Japanese
        "\u4f60\u597d\u4e16\u754c",                                                  // Chinese
        "gr\u00fc\u00dfe",
        "caf\u00e9",
        "na\u00efve",
        "\u00e5ngstr\u00f6m"};
    const auto word = [&] { out += kWords[rng.Below(sizeof kWords / sizeof kWords[0])]; };
    out += "<item no=\"";
    out += std::to_string(n);
    out += "\" title=\"";
    word();
    out += "\">\n  <name>";
    word();
    out += ' ';
    word();
    out += "</name>\n  <description>";
    const std::uint32_t words = 6 + rng.Below(10);
    for (std::uint32_t w = 0; w < words; ++w) {
        if (w) out += ' ';
        word();
    }
    out += "</description>\n</item>\n";
}

// Builds a document of about `bytes` bytes (never less).
inline std::string MakeDocument(Shape shape, std::size_t bytes) {
    Lcg rng(12345u + 1111u * static_cast<std::uint32_t>(shape));
    std::string out;
    out.reserve(bytes + 65536);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const char* end = "";
    switch (shape) {
        case Shape::Data:
            out += "<orders xmlns=\"urn:bench:orders\" xmlns:x=\"urn:bench:extension\">\n";
            end = "</orders>\n";
            break;
        case Shape::Text:
            out += "<book xmlns=\"urn:bench:book\" lang=\"la\">\n";
            end = "</book>\n";
            break;
        case Shape::Attributes:
            out += "<readings>\n";
            end = "</readings>\n";
            break;
        case Shape::Nested:
            out += "<config xmlns=\"urn:bench:config\" xmlns:c=\"urn:bench:config:core\">\n";
            end = "</config>\n";
            break;
        case Shape::International:
            out += "<catalog xml:lang=\"mul\">\n";
            end = "</catalog>\n";
            break;
    }
    for (std::size_t n = 0; out.size() < bytes; ++n) {
        switch (shape) {
            case Shape::Data:
                AppendDataRecord(out, rng, n);
                break;
            case Shape::Text:
                AppendTextRecord(out, rng, n);
                break;
            case Shape::Attributes:
                AppendReading(out, rng, n);
                break;
            case Shape::Nested:
                AppendSection(out, rng, 1);
                break;
            case Shape::International:
                AppendInternational(out, rng, n);
                break;
        }
    }
    out += end;
    return out;
}

}  // namespace bench

#endif  // QBXMLLIB5_BENCH_BENCHDOCUMENTS_H
