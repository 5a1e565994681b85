#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"

using namespace QbXmlLib5;

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}
std::string Hex(const CBinaryData& b) { return Hex(b.GetString()); }

// One recoding for Python's codecs, the oracle: the hex of the input, the
// codec it is decoded from (with the error handler `errors`), the codec it is
// encoded to (errors replaced by '?').
struct Recode {
    std::string hex;
    std::string from, to, errors = "strict";
};

// The hex results of all recodings, from one Python process (it starts
// slowly on a busy machine).
std::vector<std::string> PythonRecode(const std::vector<Recode>& jobs) {
    std::string cmd =
        "python3 -c \"import sys\nfor h, f, t, e in zip(*[iter(sys.argv[1:])] * 4): "
        "print(bytes.fromhex(h).decode(f, e).encode(t, 'replace').hex())\"";
    for (const Recode& j : jobs) cmd += " '" + j.hex + "' " + j.from + " " + j.to + " " + j.errors;
    std::vector<std::string> results;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return results;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        results.push_back(out.substr(start, end - start));
    }
    results.resize(jobs.size(), "(no result)");
    return results;
}

std::string PythonRecode(const std::string& hex, const char* from, const char* to,
                         const char* errors = "strict") {
    return PythonRecode({Recode{hex, from, to, errors}})[0];
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
    // An unpaired surrogate becomes U+FFFD; the rest of the string stays.
    const std::pair<std::u16string, const char*> unpaired[] = {
        {u"a\xD800" u"b", "61efbfbd62"}, {u"a\xDC00", "61efbfbd"}, {u"ab\xD83D", "6162efbfbd"},
        {u"\xDE00\xD83D", "efbfbdefbfbd"}};
    for (const auto& u : unpaired) {
        EXPECT_EQ(Hex(Utf16ToUtf8(u.first.c_str())), u.second);
        EXPECT_EQ(Hex(Utf16ToLocal(u.first.data(), u.first.size())), u.second);
        SetLocalCharEncoding(1252);
        EXPECT_EQ(Utf16ToLocal(u.first.data(), u.first.size()).size(), u.first.size());
        SetLocalCharEncoding(65001);
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
    // Overlong, surrogate, beyond U+10FFFF, truncated and stray bytes; then
    // bytes drawn mostly from lead and continuation ranges, which hit every
    // malformation.
    const std::string bad = "A\xC0\xAF" "B\xED\xA0\x80" "C\xF4\x90\x80\x80" "D\xE2\x82" "E\x80";
    std::mt19937 rng(11);
    const unsigned char pool[] = {0x41, 0x80, 0xBF, 0x9F, 0xA0, 0x8F, 0x90, 0xC0, 0xC2,
                                  0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(pool[rng() % sizeof pool]);
    const std::vector<std::string> expected =
        PythonRecode({{Hex(bad), "utf-8", "utf-16-le", "replace"},
                      {Hex(bytes), "utf-8", "utf-16-le", "replace"}});
    EXPECT_EQ(Hex(LocalToUtf16(bad.c_str())), expected[0]);
    EXPECT_EQ(Hex(LocalToUtf16(bytes.data(), bytes.size())), expected[1]);
}

TEST_F(CharEncodingTest, CodePagesMatchPythonCodecs) {
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC 5 \xC3\xBF \xE6\x97\xA5 \xF0\x9F\x98\x80 <a/>";
    struct Case {
        unsigned int cp;
        const char* codec;
    } cases[] = {{1252, "cp1252"}, {28591, "latin-1"}, {20127, "ascii"}, {850, "cp850"},
                 {932, "cp932"}, {28595, "iso8859-5"}, {20866, "koi8-r"}};
    std::vector<Recode> encode, decode;
    for (const Case& c : cases) encode.push_back({Hex(text), "utf-8", c.codec});
    const std::vector<std::string> encoded = PythonRecode(encode);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        decode.push_back({encoded[i], cases[i].codec, "utf-8"});
        decode.push_back({encoded[i], cases[i].codec, "utf-16-le"});
    }
    const std::vector<std::string> decoded = PythonRecode(decode);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        SCOPED_TRACE(cases[i].codec);
        SetLocalCharEncoding(cases[i].cp);
        const std::string& expected = encoded[i];
        ASSERT_GT(expected.size(), 20u);
        const std::string local = Utf8ToLocal(text.data(), text.size());
        EXPECT_EQ(Hex(local), expected);
        char small[16];  // forces many output rounds
        EXPECT_EQ(Hex(Utf8ToLocal(text.data(), text.size(), small, sizeof small)), expected);
        const std::u16string units = u"caf\u00e9 \u20ac 5 \u00ff \u65e5 \U0001F600 <a/>";
        EXPECT_EQ(Hex(Utf16ToLocal(units.data(), units.size())), expected);
        EXPECT_EQ(Hex(LocalToUtf8(local.c_str())), decoded[2 * i]);
        EXPECT_EQ(Hex(LocalToUtf16(local.c_str())), decoded[2 * i + 1]);
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
    const std::vector<std::string> encoded =
        PythonRecode({{Hex(text), "utf-8", "cp932"}, {Hex(text), "utf-8", "cp1252"}});
    const std::vector<std::string> decoded =
        PythonRecode({{encoded[0], "cp932", "utf-8"}, {encoded[0], "cp932", "utf-16-le"},
                      {encoded[1], "cp1252", "utf-8"}, {encoded[1], "cp1252", "utf-16-le"}});
    for (unsigned int i = 0; i < 2; ++i) {
        SetLocalCharEncoding(i == 0 ? 932 : 1252);
        const std::string local = Utf8ToLocal(text.data(), text.size());
        EXPECT_EQ(Hex(local), encoded[i]);
        EXPECT_EQ(Hex(LocalToUtf8(local.c_str())), decoded[2 * i]);
        EXPECT_EQ(Hex(LocalToUtf16(local.c_str())), decoded[2 * i + 1]);
    }
    // A local text ending inside a character loses just that character.
    SetLocalCharEncoding(932);
    const std::string cut = std::string(100, 'x') + "\x93\xfa\x93";
    EXPECT_EQ(LocalToUtf8(cut.c_str()).GetString(),
              std::string(100, 'x') + "\xE6\x97\xA5\xEF\xBF\xBD");
}

// The local encoding must keep ASCII as it is; a refused code page leaves
// the setting as it was.
TEST_F(CharEncodingTest, CodePagesAreCheckedWhenSet) {
    const std::string notAscii = "cannot be the local encoding: it is not ASCII-compatible";
    const std::pair<unsigned int, std::string> refused[] = {
        {1200, notAscii}, {1201, notAscii}, {12000, notAscii}, {12001, notAscii},
        {65000, notAscii}, {37, notAscii},  // UTF-7; EBCDIC, found as IBM037
        {99999, "no converter is available for it"}};
    SetLocalCharEncoding(1252);
    for (const auto& r : refused) {
        try {
            SetLocalCharEncoding(r.first);
            ADD_FAILURE() << r.first << " accepted";
        } catch (const CQbInvalidParamException& e) {
            EXPECT_NE(e.GetMessage().find("[" + std::to_string(r.first) + "]"), std::string::npos);
            EXPECT_NE(e.GetMessage().find(r.second), std::string::npos) << e.GetMessage();
        }
        EXPECT_EQ(GetLocalCharEncoding(), 1252u);
    }
    EXPECT_EQ(Hex(Utf8ToLocal("\xC3\xA9", 2)), "e9");
    SetLocalCharEncoding(848);  // known to iconv as IBM848 only
    EXPECT_EQ(LocalToUtf8("<a/>").GetString(), "<a/>");
}

TEST_F(CharEncodingTest, WideStringsKeepCharactersBeyondTheBmp) {
    EXPECT_EQ(Hex(WideToUtf16(L"a\u00e9\U0001F600")), "6100e9003dd800de");
    EXPECT_EQ(WideToUtf16(L"").GetLength(), 0u);
}

}  // namespace

// The validator against RFC 3629 stated another way: decode the code point,
// then refuse overlong forms, surrogates and anything above U+10FFFF. Every
// sequence of one to three bytes and the four-byte ones around the limits,
// alone, behind ASCII runs of every alignment, and cut short.
static bool ReferenceUtf8(const std::vector<unsigned char>& b) {
    for (std::size_t i = 0; i < b.size();) {
        const unsigned c = b[i];
        const int len = c < 0x80 ? 1 : c >> 5 == 6 ? 2 : c >> 4 == 14 ? 3 : c >> 3 == 30 ? 4 : 0;
        if (len == 0 || i + len > b.size()) return false;
        std::uint32_t cp = len == 1 ? c : c & (0x7Fu >> len);
        for (int k = 1; k < len; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (b[i + k] & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(len);
    }
    return true;
}

TEST_F(CharEncodingTest, Utf8ValidatorFollowsRfc3629) {
    int checked = 0;
    const auto check = [&](std::vector<unsigned char> seq) {
        for (std::size_t ascii : {0, 3, 8, 13}) {
            std::vector<unsigned char> b(ascii, 'a');
            b.insert(b.end(), seq.begin(), seq.end());
            const bool expected = ReferenceUtf8(b);
            ASSERT_EQ(IsValidUtf8(reinterpret_cast<const char*>(b.data()), b.size()), expected)
                << "sequence of " << seq.size() << " bytes after " << ascii << " ASCII bytes";
            ++checked;
            b.push_back('z');  // followed by more text
            ASSERT_EQ(IsValidUtf8(reinterpret_cast<const char*>(b.data()), b.size()), expected);
        }
    };
    for (unsigned a = 0; a < 256; ++a) {
        check({static_cast<unsigned char>(a)});
        for (unsigned b = 0x70; b < 0xD0; ++b) {
            check({static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
            if (a < 0xE0 || a > 0xEF) continue;
            for (unsigned c : {0x41u, 0x7Fu, 0x80u, 0xA5u, 0xBFu, 0xC0u}) {
                check({static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                       static_cast<unsigned char>(c)});
            }
        }
    }
    for (unsigned a = 0xF0; a < 0x100; ++a) {
        for (unsigned b = 0x70; b < 0xD0; ++b) {
            for (unsigned c : {0x7Fu, 0x80u, 0xBFu, 0xC0u}) {
                for (unsigned d : {0x41u, 0x80u, 0x9Au, 0xBFu, 0xC0u}) {
                    check({static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                           static_cast<unsigned char>(c), static_cast<unsigned char>(d)});
                }
            }
        }
    }
    EXPECT_GT(checked, 100000);
}
