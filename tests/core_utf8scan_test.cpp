// ScanUtf8XmlText (vector windows of 32 bytes, a short-text path, an
// overlapping last window) and ScanUtf8XmlTextPortable against a reference
// that decodes code points one by one, on texts built so that every sequence
// and every fault lands at every position around the window edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/CCharEncoding.h"

using namespace QbXmlLib5;

namespace {

// RFC 3629 decoding, then the XML 1.0 Char production.
Utf8XmlScan Reference(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::vector<std::uint32_t> codePoints;
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length = 1;
        std::uint32_t cp = c;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07u;
        } else if (c >= 0x80) {
            return Utf8XmlScan::InvalidUtf8;
        }
        if (i + length > n) return Utf8XmlScan::InvalidUtf8;
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return Utf8XmlScan::InvalidUtf8;
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return Utf8XmlScan::InvalidUtf8;
        }
        codePoints.push_back(cp);
        i += length;
    }
    bool carriageReturn = false;
    for (const std::uint32_t cp : codePoints) {
        const bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
                             (cp >= 0xE000 && cp <= 0xFFFD) || cp >= 0x10000;
        if (!allowed) return Utf8XmlScan::NotXmlCharacter;
        carriageReturn = carriageReturn || cp == 0xD;
    }
    return carriageReturn ? Utf8XmlScan::CarriageReturn : Utf8XmlScan::Plain;
}

const char* Name(Utf8XmlScan scan) {
    switch (scan) {
        case Utf8XmlScan::Plain:
            return "Plain";
        case Utf8XmlScan::CarriageReturn:
            return "CarriageReturn";
        case Utf8XmlScan::NotXmlCharacter:
            return "NotXmlCharacter";
        case Utf8XmlScan::InvalidUtf8:
            return "InvalidUtf8";
    }
    return "?";
}

std::string Hex(const std::string& text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
        out += ' ';
    }
    return out;
}

// Both scans agree with the reference; `expected` is checked against the
// reference too, so that the tables below say what they mean.
void ExpectScan(const std::string& text, Utf8XmlScan expected) {
    const Utf8XmlScan reference = Reference(text);
    ASSERT_EQ(Name(reference), Name(expected)) << Hex(text);
    ASSERT_EQ(Name(ScanUtf8XmlText(text.data(), text.size())), Name(reference)) << Hex(text);
    ASSERT_EQ(Name(ScanUtf8XmlTextPortable(text.data(), text.size())), Name(reference))
        << Hex(text);
}

// Filler of `length` bytes: ASCII, or two-byte characters with one ASCII
// byte to make an odd length.
std::string Filler(std::size_t length, bool multiByte) {
    if (!multiByte) return std::string(length, 'a');
    std::string out;
    while (out.size() + 2 <= length) out += "\xC3\xA9";
    if (out.size() < length) out += 'b';
    return out;
}

const std::size_t kLengths[] = {0,  1,  2,  3,  4,  5,  7,  8,  9,  15, 16, 17,
                                30, 31, 32, 33, 34, 47, 63, 64, 65, 66, 95, 97};

}  // namespace

// One sequence or fault placed at every offset of texts whose lengths lie
// around the word, short-text and window widths, in ASCII and in multi-byte
// filler: sequences split at every window edge, faults at every position.
TEST(Utf8XmlScan, EverySequenceAndFaultAtEveryPosition) {
    const struct {
        const char* bytes;
        Utf8XmlScan expected;
    } pieces[] = {
        {"\t", Utf8XmlScan::Plain},
        {"\n", Utf8XmlScan::Plain},
        {"\r", Utf8XmlScan::CarriageReturn},
        {"\x7F", Utf8XmlScan::Plain},
        {"\xC2\x80", Utf8XmlScan::Plain},          // U+0080, smallest two-byte
        {"\xDF\xBF", Utf8XmlScan::Plain},          // U+07FF
        {"\xE0\xA0\x80", Utf8XmlScan::Plain},      // U+0800, smallest three-byte
        {"\xE3\x81\x93", Utf8XmlScan::Plain},      // hiragana
        {"\xED\x9F\xBF", Utf8XmlScan::Plain},      // U+D7FF, below the surrogates
        {"\xEE\x80\x80", Utf8XmlScan::Plain},      // U+E000
        {"\xEF\xBF\xBD", Utf8XmlScan::Plain},      // U+FFFD
        {"\xF0\x90\x80\x80", Utf8XmlScan::Plain},  // U+10000
        {"\xF4\x8F\xBF\xBF", Utf8XmlScan::Plain},  // U+10FFFF
        {"\x01", Utf8XmlScan::NotXmlCharacter},
        {"\x1F", Utf8XmlScan::NotXmlCharacter},
        {"\xEF\xBF\xBE", Utf8XmlScan::NotXmlCharacter},  // U+FFFE
        {"\xEF\xBF\xBF", Utf8XmlScan::NotXmlCharacter},  // U+FFFF
        {"\x80", Utf8XmlScan::InvalidUtf8},              // lone continuation
        {"\xBF", Utf8XmlScan::InvalidUtf8},
        {"\xC0\x80", Utf8XmlScan::InvalidUtf8},          // overlong NUL
        {"\xC1\xBF", Utf8XmlScan::InvalidUtf8},          // overlong
        {"\xC3", Utf8XmlScan::InvalidUtf8},              // cut
        {"\xE3\x81", Utf8XmlScan::InvalidUtf8},          // cut
        {"\xE0\x9F\xBF", Utf8XmlScan::InvalidUtf8},      // overlong
        {"\xED\xA0\x80", Utf8XmlScan::InvalidUtf8},      // surrogate
        {"\xF0\x8F\xBF\xBF", Utf8XmlScan::InvalidUtf8},  // overlong
        {"\xF4\x90\x80\x80", Utf8XmlScan::InvalidUtf8},  // above U+10FFFF
        {"\xF5\x80\x80\x80", Utf8XmlScan::InvalidUtf8},
        {"\xFF", Utf8XmlScan::InvalidUtf8},
        {"\xF0\x90\x80", Utf8XmlScan::InvalidUtf8},      // cut
        {"\xE3\x81\x93\x93", Utf8XmlScan::InvalidUtf8},  // one continuation too many
    };
    for (const bool multiByte : {false, true}) {
        for (const std::size_t length : kLengths) {
            for (const auto& piece : pieces) {
                const std::string bytes = piece.bytes;
                for (std::size_t at = 0; at <= length; ++at) {
                    const std::string head = Filler(at, multiByte);
                    const std::string tail = Filler(length - at, multiByte);
                    ExpectScan(head + bytes + tail, piece.expected);
                }
            }
        }
    }
    ExpectScan(std::string(), Utf8XmlScan::Plain);
    ExpectScan(std::string(1, '\0'), Utf8XmlScan::NotXmlCharacter);
    // Invalid bytes come first when a text has both faults.
    ExpectScan(std::string("\x01\xFF"), Utf8XmlScan::InvalidUtf8);
}

// Texts drawn from bytes that matter to the scan (controls, ASCII, every lead
// kind, continuations of every range), compared with the reference.
TEST(Utf8XmlScan, AgreesWithReferenceOnDrawnTexts) {
    const unsigned char kBytes[] = {0x00, 0x09, 0x0A, 0x0D, 0x1F, 0x20, 0x41, 0x7F, 0x80,
                                    0x8F, 0x90, 0x9F, 0xA0, 0xBD, 0xBE, 0xBF, 0xC0, 0xC2,
                                    0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    // Whole characters, so that valid texts are drawn often enough.
    const char* const kCharacters[] = {"a",
                                       " ",
                                       "\r",
                                       "\n",
                                       "\xC3\xA9",
                                       "\xE3\x81\x93",
                                       "\xEF\xBF\xBD",
                                       "\xF0\x9F\x98\x80",
                                       "\xED\x9F\xBF"};
    std::uint32_t state = 20261207u;
    const auto next = [&state](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    };
    int counts[4] = {};
    for (int round = 0; round < 40000; ++round) {
        std::string text;
        const std::uint32_t length = next(80);
        const bool mostlyValid = next(4) != 0;
        while (text.size() < length) {
            if (mostlyValid && next(64) != 0) {
                text += kCharacters[next(sizeof kCharacters / sizeof kCharacters[0])];
            } else {
                text += static_cast<char>(kBytes[next(sizeof kBytes)]);
            }
        }
        const Utf8XmlScan expected = Reference(text);
        ++counts[static_cast<int>(expected)];
        ExpectScan(text, expected);
    }
    // Every outcome was drawn many times.
    for (const int count : counts) EXPECT_GT(count, 300);
}
