#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/CCharEncoding.h"

using namespace QbXmlLib5;

namespace {

std::string Hex(const unsigned char* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
std::string Hex(const std::string& s) {
    return Hex(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}
std::string Hex(const CBinaryData& b) { return Hex(b.GetData(), b.GetLength()); }

// Python's codecs as the oracle: decodes `hexInput` from `from` (with the
// error handler `decodeErrors`) and encodes it to `to` (errors replaced by
// '?'), returning the hex of the result.
std::string PythonRecode(const std::string& hexInput, const char* from, const char* to,
                         const char* decodeErrors = "strict") {
    const std::string cmd = "python3 -c \"import sys; print(bytes.fromhex(sys.argv[1]).decode('" +
                            std::string(from) + "', '" + decodeErrors + "').encode('" + to +
                            "', 'replace').hex())\" '" + hexInput + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return "(popen failed)";
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// Restores the default local encoding after each test.
class CharEncodingTest : public ::testing::Test {
protected:
    void TearDown() override { SetLocalCharEncoding(65001); }
};

TEST_F(CharEncodingTest, Utf8LocalIsPlainCopy) {
    EXPECT_EQ(GetLocalCharEncoding(), 65001u);
    EXPECT_EQ(Utf8ToLocal("", 0), "");
    EXPECT_EQ(Utf8ToLocal(nullptr, 5), "");
    const std::string invalid("a\xC3(\xFF\x00z", 6);
    EXPECT_EQ(Utf8ToLocal(invalid.data(), invalid.size()), invalid);  // untouched
    EXPECT_EQ(LocalToUtf8(invalid.data(), invalid.size()).GetString(), invalid);
    EXPECT_EQ(Hex(LocalToUtf16("abc")), "610062006300");
    EXPECT_EQ(LocalToUtf16("").GetData(), nullptr);
    for (unsigned int nativeCp : {0u, 3u}) {
        SetLocalCharEncoding(nativeCp);
        EXPECT_EQ(Utf8ToLocal("\xC3\xA9", 2), "\xC3\xA9");
    }
}

TEST_F(CharEncodingTest, Utf16ToUtf8EncoderAndSurrogates) {
    const char16_t smiley[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(Hex(Utf16ToUtf8(smiley)), "f09f9880");
    const char16_t empty[] = {0};
    EXPECT_EQ(Utf16ToUtf8(empty).GetData(), nullptr);
    const char16_t unpaired[][4] = {{'a', 0xD800, 'b', 0}, {'a', 0xDC00, 0, 0}, {'a', 'b', 0xD83D, 0}};
    for (const auto& u : unpaired) {
        const CBinaryData out = Utf16ToUtf8(u);
        EXPECT_EQ(out.GetLength(), 0u);
        EXPECT_EQ(Utf16ToLocal(u, 3), "");  // same encoder for a UTF-8 local
    }

    // Random strings over every length class, checked against Python.
    std::mt19937 rng(42);
    std::u16string units;
    for (int i = 0; i < 400; ++i) {
        const std::uint32_t ranges[] = {0x7F, 0x7FF, 0xD7FF, 0xFFFF, 0x10FFFF};
        std::uint32_t cp = rng() % (ranges[i % 5] + 1);
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xE000;
        if (cp == 0) cp = 1;
        if (cp >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
    }
    const CBinaryData utf16le = [&] {
        CBinaryData b;
        for (char16_t u : units) {
            b.Append(static_cast<unsigned char>(u & 0xFF));
            b.Append(static_cast<unsigned char>(u >> 8));
        }
        return b;
    }();
    const CBinaryData utf8 = Utf16ToUtf8(units.c_str());
    EXPECT_EQ(Hex(utf8), PythonRecode(Hex(utf16le), "utf-16-le", "utf-8"));
    // And back through our own decoder.
    EXPECT_EQ(Hex(LocalToUtf16(utf8.GetString().c_str())), Hex(utf16le));
    EXPECT_EQ(Utf16ToLocal(units.data(), units.size()), utf8.GetString());
}

TEST_F(CharEncodingTest, InvalidUtf8BecomesReplacementInUtf16) {
    // Overlong, surrogate, beyond U+10FFFF, truncated and stray bytes.
    const std::string bad = "A\xC0\xAF" "B\xED\xA0\x80" "C\xF4\x90\x80\x80" "D\xE2\x82" "E\x80";
    EXPECT_EQ(Hex(LocalToUtf16(bad.c_str())), PythonRecode(Hex(bad), "utf-8", "utf-16-le", "replace"));
}

TEST_F(CharEncodingTest, RandomBytesDecodeLikePython) {
    // Bytes drawn mostly from lead and continuation ranges hit every
    // malformation: truncation, overlongs, surrogates, values past U+10FFFF.
    std::mt19937 rng(11);
    const unsigned char pool[] = {0x41, 0x80, 0xBF, 0x9F, 0xA0, 0x8F, 0x90, 0xC0, 0xC2,
                                  0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(pool[rng() % sizeof pool]);
    EXPECT_EQ(Hex(LocalToUtf16(bytes.data(), bytes.size())),
              PythonRecode(Hex(bytes), "utf-8", "utf-16-le", "replace"));
}

TEST_F(CharEncodingTest, CodePagesMatchPythonCodecs) {
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC 5 \xC3\xBF \xE6\x97\xA5 \xF0\x9F\x98\x80 <a/>";
    struct Case {
        unsigned int cp;
        const char* codec;
    } cases[] = {{1252, "cp1252"}, {28591, "latin-1"}, {20127, "ascii"}, {1201, "utf-16-be"},
                 {1200, "utf-16-le"}, {850, "cp850"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec);
        SetLocalCharEncoding(c.cp);
        const std::string expected = PythonRecode(Hex(text), "utf-8", c.codec);
        ASSERT_GT(expected.size(), 20u);
        const std::string local = Utf8ToLocal(text.data(), text.size());
        EXPECT_EQ(Hex(local), expected);
        char small[16];  // forces many output rounds
        EXPECT_EQ(Hex(Utf8ToLocal(text.data(), text.size(), small, sizeof small)), expected);
        const std::u16string units = u"caf\u00e9 \u20ac 5 \u00ff \u65e5 \U0001F600 <a/>";
        EXPECT_EQ(Hex(Utf16ToLocal(units.data(), units.size())), expected);
        if (c.cp == 1200 || c.cp == 1201) continue;  // local text with zero bytes
        const std::string back = PythonRecode(expected, c.codec, "utf-8");
        EXPECT_EQ(Hex(LocalToUtf8(local.c_str())), back);
        EXPECT_EQ(Hex(LocalToUtf16(local.c_str())), PythonRecode(expected, c.codec, "utf-16-le"));
    }
    SetLocalCharEncoding(20127);
    EXPECT_EQ(Hex(LocalToUtf16("a\x80z")), "6100fdff7a00");  // invalid local byte
}

// Long texts reach iconv in pieces: characters cut by a piece boundary must
// come out whole, and a text full of unconvertible characters must convert
// each one (this once took quadratic time inside iconv).
TEST_F(CharEncodingTest, LongTextsConvertWholeCharactersAcrossPieces) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += i % 7 == 0 ? "a" : "\xE6\x97\xA5\xF0\x9F\x98\x80\xC3\xA9";
    for (const auto& c : {std::make_pair(932u, "cp932"), std::make_pair(1252u, "cp1252")}) {
        SCOPED_TRACE(c.second);
        SetLocalCharEncoding(c.first);
        const std::string expected = PythonRecode(Hex(text), "utf-8", c.second);
        const std::string local = Utf8ToLocal(text.data(), text.size());
        EXPECT_EQ(Hex(local), expected);
        EXPECT_EQ(Hex(LocalToUtf8(local.c_str())), PythonRecode(expected, c.second, "utf-8"));
        EXPECT_EQ(Hex(LocalToUtf16(local.c_str())), PythonRecode(expected, c.second, "utf-16-le"));
    }
    // A local text ending inside a character loses just that character.
    SetLocalCharEncoding(932);
    const std::string cut = std::string(100, 'x') + "\x93\xfa\x93";
    EXPECT_EQ(LocalToUtf8(cut.c_str()).GetString(),
              std::string(100, 'x') + "\xE6\x97\xA5\xEF\xBF\xBD");
}

// A bad unit in a UTF-16 local text is skipped whole: the rest stays aligned.
TEST_F(CharEncodingTest, BadUnitInUtf16LocalTextKeepsTheRestAligned) {
    const std::string le("A\0\x00\xD8" "B\0C\0", 8);  // A, lone high surrogate, B, C
    SetLocalCharEncoding(1200);
    EXPECT_EQ(Hex(LocalToUtf8(le.data(), le.size())), "41efbfbd4243");
    EXPECT_EQ(Hex(LocalToUtf16(le.data(), le.size())), "4100fdff42004300");
    const std::string be("\0A\xDC\x00\0B", 6);  // A, lone low surrogate, B
    SetLocalCharEncoding(1201);
    EXPECT_EQ(Hex(LocalToUtf8(be.data(), be.size())), "41efbfbd42");
}

TEST_F(CharEncodingTest, UnknownCodePageGivesEmptyResults) {
    SetLocalCharEncoding(99999);
    EXPECT_EQ(Utf8ToLocal("\xC3\xA9", 2), "");
    const char16_t e[] = {0xE9};
    EXPECT_EQ(Utf16ToLocal(e, 1), "");
    EXPECT_EQ(LocalToUtf8("x\xE9").GetLength(), 0u);
    EXPECT_EQ(LocalToUtf16("x\xE9").GetLength(), 0u);
    SetLocalCharEncoding(1252);
    EXPECT_EQ(Hex(Utf8ToLocal("\xC3\xA9", 2)), "e9");  // cache follows the change
}

TEST_F(CharEncodingTest, WideStringsKeepCharactersBeyondTheBmp) {
    EXPECT_EQ(Hex(WideToUtf16(L"a\u00e9\U0001F600")), "6100e9003dd800de");
    EXPECT_EQ(WideToUtf16(L"").GetLength(), 0u);
}

}  // namespace
