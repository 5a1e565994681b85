#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/CPlatformFile.h"
#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "types/CBinaryData.h"

using namespace QbXmlLib5;

namespace {

std::vector<unsigned char> Bytes(const CBinaryData& b) {
    return std::vector<unsigned char>(b.GetData(), b.GetData() + b.GetLength());
}

using QbTest::MessageOf;

std::vector<unsigned char> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<unsigned char> v(n);
    for (auto& c : v) c = static_cast<unsigned char>(rng());
    return v;
}

// Independent inflate through zlib's one-shot API (zlib wrapper only).
std::vector<unsigned char> ZlibUncompress(const CBinaryData& b, std::size_t expected) {
    std::vector<unsigned char> out(expected + 1);
    uLongf size = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, b.GetData(), static_cast<uLong>(b.GetLength())), Z_OK);
    out.resize(size);
    return out;
}

std::string TempPath(const char* name) {
    const char* dir = std::getenv("QB_TEST_TMP");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::vector<unsigned char> content;
    CPlatformFile::ReadAll(path.c_str(), content);
    return content;
}

TEST(BinaryDataTest, RecordsSharingAndCopyOnWrite) {
    CBinaryData none;
    EXPECT_EQ(none.GetLength(), 0u);
    EXPECT_EQ(none.GetData(), nullptr);
    EXPECT_EQ(none, CBinaryData());
    EXPECT_NE(none, CBinaryData(""));
    EXPECT_EQ(CBinaryData(""), CBinaryData(""));
    for (int e = 0; e <= 10; ++e) EXPECT_EQ(none.GetAsString(static_cast<ByteEncoding>(e)), "");

    CBinaryData a("abc");
    CBinaryData b(a);
    EXPECT_EQ(a.GetData(), b.GetData());  // shared record
    b.Append("def");
    EXPECT_EQ(a.GetString(), "abc");
    EXPECT_EQ(b.GetString(), "abcdef");
    CBinaryData c = a;
    c[0] = 'X';
    EXPECT_EQ(a.GetString(), "abc");
    EXPECT_EQ(c.GetString(), "Xbc");
    CBinaryData& alias = c;
    c = alias;  // self-assignment keeps the content
    EXPECT_EQ(c.GetString(), "Xbc");

    // Appending an object to itself, across a reallocation.
    CBinaryData self("0123456789");
    for (int i = 0; i < 12; ++i) self.Append(self);
    EXPECT_EQ(self.GetLength(), 10u << 12);
    EXPECT_EQ(std::memcmp(self.GetData() + 40950, "0123456789", 10), 0);

    unsigned char raw[] = {'a', 0, 'b'};
    CBinaryData copied(raw, 3, false);
    raw[0] = 'z';
    EXPECT_EQ(copied.GetString(), std::string("a\0b", 3));
    unsigned char* owned = new unsigned char[2]{1, 2};
    CBinaryData adopted(owned, 2, true);
    EXPECT_EQ(adopted.GetData(), owned);
    std::unique_ptr<unsigned char[]> unique(new unsigned char[3]{4, 5, 6});
    const unsigned char* uniqueData = unique.get();
    CBinaryData fromUnique(std::move(unique), 2);
    EXPECT_EQ(fromUnique.GetData(), uniqueData);
    EXPECT_EQ(Bytes(fromUnique), (std::vector<unsigned char>{4, 5}));

    CBinaryData shared(adopted);
    unsigned char* released = adopted.ReleaseData();
    EXPECT_EQ(adopted.GetLength(), 0u);
    EXPECT_NE(adopted, CBinaryData());  // keeps an empty record
    EXPECT_EQ(Bytes(shared), (std::vector<unsigned char>{1, 2}));
    EXPECT_EQ(released[0], 1);
    delete[] released;
    adopted.Append(7);
    EXPECT_EQ(Bytes(adopted), std::vector<unsigned char>{7});

    EXPECT_EQ(MessageOf([&] { (void)static_cast<const CBinaryData&>(a)[3]; }),
              "Index Out of range [3]");
    EXPECT_EQ(MessageOf([&] { (void)none[0]; }), "Index Out of range [0]");
}

TEST(BinaryDataTest, Rfc4648Vectors) {
    const char* vectors[][3] = {{"", "", ""},
                                // clang-format off
                                {"f", "66", "Zg=="}, {"fo", "666F", "Zm8="},
                                {"foo", "666F6F", "Zm9v"}, {"foob", "666F6F62", "Zm9vYg=="},
                                {"fooba", "666F6F6261", "Zm9vYmE="},
                                // clang-format on
                                {"foobar", "666F6F626172", "Zm9vYmFy"}};
    for (const auto& v : vectors) {
        EXPECT_EQ(CBinaryData(v[0]).GetAsHexString(), v[1]);
        EXPECT_EQ(CBinaryData(v[0]).GetAsBase64(), v[2]);
        CBinaryData back;
        back.SetAsHexString(v[1]);
        EXPECT_EQ(back.GetString(), v[0]);
        back.SetAsBase64(v[2]);
        EXPECT_EQ(back.GetString(), v[0]);
    }
}

TEST(BinaryDataTest, TextDecodingAndErrors) {
    CBinaryData b;
    b.SetAsHexString("0aFf");
    EXPECT_EQ(Bytes(b), (std::vector<unsigned char>{0x0A, 0xFF}));
    EXPECT_EQ(b.GetAsHexString(), "0AFF");
    b.SetAsHexString("");
    EXPECT_EQ(b.GetLength(), 0u);
    EXPECT_NE(b, CBinaryData());

    // Whitespace anywhere in base64 is skipped (wrapped text is common).
    const char* const wrapped[] = {"Zm9v YmFy", "Zm9v\nYmFy", " Zm9v\r\n\tYm Fy\n", "Zm9vYg==\n",
                                   "Zm9vYg =="};
    const char* const results[] = {"foobar", "foobar", "foobar", "foob", "foob"};
    for (std::size_t i = 0; i < 5; ++i) {
        b.SetAsBase64(wrapped[i]);
        EXPECT_EQ(b.GetString(), results[i]) << wrapped[i];
    }
    // Bad text is an error; the content stays as it was.
    const struct {
        bool hex;
        const char* text;
        std::string message;
    } errors[] = {
        {true, "0G", "Invalid char in hex string [G]"},
        {true, "G0", "Invalid char in hex string [G]"},
        {true, "abc", "Invalid char in hex string []"},  // no NUL for the missing digit
        {true, "G0a", "Invalid char in hex string [G]"},
        {false, "Zm9v!", "Invalid char in base64 string [!]"},
        {false, "\xDAm8=", "Invalid char in base64 string [0xDA]"},
        {false, "Zg==Zg==", "Invalid char in base64 string [Z]"},
        {false, "Zg===", "Invalid char in base64 string [=]"},
        {false, "Zm9vY", "Incomplete base64 string [Zm9vY]"},
        {false, "Zm9v=", "Incomplete base64 string [Zm9v=]"},
    };
    CBinaryData kept("keep");
    for (const auto& e : errors) {
        EXPECT_EQ(
            MessageOf([&] { e.hex ? kept.SetAsHexString(e.text) : kept.SetAsBase64(e.text); }),
            e.message);
    }
    const std::string longText(101, 'A');
    EXPECT_EQ(MessageOf([&] { kept.SetAsBase64(longText.c_str()); }),
              "Incomplete base64 string [" + longText.substr(0, 64) + "...]");
    EXPECT_EQ(kept.GetString(), "keep");
}

TEST(BinaryDataTest, Base64RoundTripsEveryLength) {
    // All byte values, every length up to 300, round trip; no line breaks.
    const std::vector<unsigned char> all = RandomBytes(300, 1);
    for (std::size_t n = 0; n <= all.size(); ++n) {
        CBinaryData b(all.data(), n);
        const std::string text = b.GetAsBase64();
        ASSERT_EQ(text.size(), (n + 2) / 3 * 4);
        ASSERT_EQ(text.find('\n'), std::string::npos);
        CBinaryData back;
        back.SetAsBase64(text.c_str());
        ASSERT_EQ(Bytes(back), std::vector<unsigned char>(all.begin(), all.begin() + n));
    }
}

TEST(BinaryDataTest, GroupRenderings) {
    const std::string uuid = "00112233445566778899AABBCCDDEEFF";
    // {hex, encoding, text}; a boolean's first byte holds the pad count (0x0A:
    // one byte, no padding, bits 3..0 = 1010; 0xF0: beyond the byte, nothing).
    // clang-format off
    const std::tuple<std::string, ByteEncoding, std::string> cases[] = {
        {"8000FFFF0001", BE_SHORT, "-32768 -1 1"},
        {"800000007FFFFFFF", BE_INT, "-2147483648 2147483647"},
        {"8000000000000000FFFFFFFFFFFFFFFE", BE_LONG, "-9223372036854775808 -2"},
        {"3F800000C0490FDB", BE_FLOAT, "1 -3.141593"},  // 1.0f, -pi as float
        {"3FB999999999999A3FD5555555555555", BE_DOUBLE, "0.1 0.3333333333333333"},  // 0.1, 1/3
        {uuid + uuid, BE_UUID, uuid + " " + uuid}, {uuid + uuid, BE_HEX, uuid + uuid},
        {"41", BE_STRING, "A"},
        {"20FF", BE_BOOLEAN, "falsefalsefalsefalse truetruetruetruetruetrue"},
        {"0A", BE_BOOLEAN, "truefalsetruefalse"}, {"F0FF", BE_BOOLEAN, "falsefalsefalsefalse"}};
    // clang-format on
    CBinaryData b;
    for (const auto& [hex, encoding, text] : cases) {
        b.SetAsHexString(hex.c_str());
        EXPECT_EQ(b.GetAsString(encoding), text) << hex;
    }
    b.SetAsHexString("010203");
    const std::pair<ByteEncoding, const char*> bad[] = {
        {BE_SHORT, "[1] for SHORT"}, {BE_INT, "[3] for INT"},       {BE_LONG, "[3] for LONG"},
        {BE_FLOAT, "[3] for FLOAT"}, {BE_DOUBLE, "[3] for DOUBLE"}, {BE_UUID, "[3] for UUID"}};
    for (const auto& e : bad) {
        EXPECT_EQ(MessageOf([&] { b.GetAsString(e.first); }),
                  std::string("Invalid value ") + e.second + " byte encoding.");
    }
    EXPECT_EQ(MessageOf([&] { b.GetAsString(static_cast<ByteEncoding>(10)); }),
              "Unknown byte encoding.");
    b.SetAsHexString("");
    for (int e = BE_SHORT; e <= BE_UUID; ++e) {
        EXPECT_EQ(b.GetAsString(static_cast<ByteEncoding>(e)), "");
    }
}

// gzip -dc of the bytes, through a file.
std::string Gunzip(const CBinaryData& gzip) {
    const std::string path = TempPath("binarydata_gzip.gz");
    gzip.ToFile(path.c_str(), XE_UTF8);
    FILE* pipe = popen(("gzip -dc " + path).c_str(), "r");
    std::string unzipped;
    char buf[4096];
    for (std::size_t n; pipe && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        unzipped.append(buf, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0);
    std::remove(path.c_str());
    return unzipped;
}

TEST(BinaryDataTest, CompressionOfEverySizeIsReadByZlibAndGzip) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "<item>" + std::to_string(i) + "</item>";
    const std::vector<unsigned char> noise = RandomBytes(10, 7);  // does not shrink
    for (const std::string& in :
         {std::string(), std::string("<a/>"), std::string(noise.begin(), noise.end()), text}) {
        const std::vector<unsigned char> plain(in.begin(), in.end());
        CBinaryData z(plain.data(), plain.size());
        CBinaryData other(z);
        EXPECT_EQ(z.CompressData(CT_ZLIB), z);
        EXPECT_EQ(other.GetString(), in);  // sharers keep the old bytes
        EXPECT_EQ(z.GetAsHexString().substr(0, 4), "7801");
        EXPECT_EQ(ZlibUncompress(z, plain.size()), plain);
        CBinaryData g(plain.data(), plain.size());
        g.CompressData(CT_GZIP);
        EXPECT_EQ(g.GetAsHexString().substr(0, 4), "1F8B");
        EXPECT_EQ(Gunzip(g), in);
    }
    CBinaryData kept(noise.data(), noise.size());
    kept.CompressData(CT_NONE);
    EXPECT_EQ(Bytes(kept), noise);
    CBinaryData none;
    EXPECT_EQ(none.CompressData(CT_GZIP), CBinaryData());
}

TEST(BinaryDataTest, DecompressionDetectsWrappersAndRejectsBadStreams) {
    const std::vector<unsigned char> plain = RandomBytes(300000, 3);  // several 64 KiB chunks
    std::vector<unsigned char> packed(compressBound(static_cast<uLong>(plain.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    ASSERT_EQ(compress(packed.data(), &packedSize, plain.data(), static_cast<uLong>(plain.size())),
              Z_OK);
    packed.resize(packedSize);

    CBinaryData buffer(packed.data(), packed.size(), false);
    EXPECT_TRUE(CBinaryData::DecompressBuffer(buffer));
    EXPECT_EQ(Bytes(buffer), plain);

    std::string text(50000, 'a');
    CBinaryData gz(text.c_str());
    gz.CompressData(CT_GZIP);
    EXPECT_TRUE(CBinaryData::DecompressBuffer(gz));
    EXPECT_EQ(gz.GetString(), text);

    // Truncated at every length, and corrupted: left untouched.
    for (std::size_t n = 0; n < packed.size(); n += 97) {
        CBinaryData cut(packed.data(), n, false);
        EXPECT_FALSE(CBinaryData::DecompressBuffer(cut));
        EXPECT_EQ(Bytes(cut), std::vector<unsigned char>(packed.begin(), packed.begin() + n));
    }
    std::vector<unsigned char> corrupt = packed;
    corrupt[packed.size() / 2] ^= 0x55;
    corrupt[packed.size() - 1] ^= 0x01;  // checksum
    CBinaryData bad(corrupt.data(), corrupt.size(), false);
    EXPECT_FALSE(CBinaryData::DecompressBuffer(bad));
    EXPECT_EQ(Bytes(bad), corrupt);
    // Several gzip members inflate as one (as gzip -d reads `cat a.gz b.gz`);
    // any other bytes after the end of a stream make it a bad stream.
    CBinaryData first("first "), second("second"), zlib("zlib");
    first.CompressData(CT_GZIP);
    second.CompressData(CT_GZIP);
    zlib.CompressData(CT_ZLIB);
    CBinaryData joined(first);
    joined.Append(second);
    joined.Append(first);
    EXPECT_EQ(Gunzip(joined), "first secondfirst ");
    EXPECT_TRUE(CBinaryData::DecompressBuffer(joined));
    EXPECT_EQ(joined.GetString(), "first secondfirst ");
    for (const std::string& tail : {std::string("x"), std::string(1, '\0'), std::string("\x1F"),
                                    std::string("\x1F\x8Bjunk"), zlib.GetString()}) {
        for (const CBinaryData* stream : {&first, &zlib}) {
            CBinaryData trailing(*stream);
            trailing.Append(reinterpret_cast<const unsigned char*>(tail.data()), tail.size());
            const std::vector<unsigned char> before = Bytes(trailing);
            EXPECT_FALSE(CBinaryData::DecompressBuffer(trailing)) << tail;
            EXPECT_EQ(Bytes(trailing), before);
        }
    }
    CBinaryData zlibThenGzip(zlib);
    zlibThenGzip.Append(first);
    EXPECT_FALSE(CBinaryData::DecompressBuffer(zlibThenGzip));

    CBinaryData xml("<a/>");
    EXPECT_FALSE(CBinaryData::DecompressBuffer(xml));
    EXPECT_EQ(xml.GetString(), "<a/>");
    CBinaryData none;
    EXPECT_FALSE(CBinaryData::DecompressBuffer(none));

    // Valid headers followed by noise never crash or read out of bounds.
    std::mt19937 rng(13);
    for (int i = 0; i < 2000; ++i) {
        std::vector<unsigned char> junk = RandomBytes(1 + rng() % 64, static_cast<unsigned>(i));
        const unsigned char headers[][2] = {{0x78, 0x9C}, {0x78, 0x01}, {0x1F, 0x8B}};
        junk.insert(junk.begin(), headers[i % 3], headers[i % 3] + 2);
        if (i % 3 == 2 && junk.size() > 2) junk[2] = 8;  // gzip: deflate method
        CBinaryData noise(junk.data(), junk.size());
        if (!CBinaryData::DecompressBuffer(noise)) {
            EXPECT_EQ(Bytes(noise), junk);
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define QB_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QB_TEST_UNDER_ASAN 1
#endif
#endif

#if !defined(QB_TEST_UNDER_ASAN)
// A gzip stream of `megabytes` MiB of zeros, about a thousandth of that size.
std::vector<unsigned char> ZeroBomb(std::size_t megabytes) {
    z_stream strm;
    std::memset(&strm, 0, sizeof strm);
    EXPECT_EQ(deflateInit2(&strm, 9, Z_DEFLATED, 31, 9, Z_RLE), Z_OK);
    std::vector<unsigned char> zeros(1 << 20), out;
    std::vector<unsigned char> chunk(1 << 16);
    for (std::size_t i = 0; i <= megabytes; ++i) {
        strm.next_in = zeros.data();
        strm.avail_in = i < megabytes ? static_cast<uInt>(zeros.size()) : 0;
        do {
            strm.next_out = chunk.data();
            strm.avail_out = static_cast<uInt>(chunk.size());
            deflate(&strm, i < megabytes ? Z_NO_FLUSH : Z_FINISH);
            out.insert(out.end(), chunk.data(), strm.next_out);
        } while (strm.avail_out == 0);
    }
    deflateEnd(&strm);
    return out;
}
#endif

// A bomb whose output does not fit in memory is refused like a bad stream
// (the caller then reads the bytes as they are) instead of throwing
// std::bad_alloc. Address space is limited in a child process, which the
// sanitizers' huge reservations rule out.
TEST(BinaryDataTest, DecompressionBombBeyondMemoryIsRefused) {
#if defined(QB_TEST_UNDER_ASAN)
    GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
#else
    const std::vector<unsigned char> bomb = ZeroBomb(256);
    ASSERT_LT(bomb.size(), 1u << 20);
    const auto inflateWithLittleMemory = [&bomb] {
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = 128u << 20;
        setrlimit(RLIMIT_AS, &limit);
        CBinaryData result("kept");
        const bool inflated = CBinaryData::Decompress(bomb.data(), bomb.size(), result);
        std::exit(!inflated && result.GetString() == "kept" ? 0 : 1);
    };
    EXPECT_EXIT(inflateWithLittleMemory(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(BinaryDataTest, ToFileWritesByteOrderMarkOnlyForUtf16) {
    const std::string path = TempPath("binarydata_tofile.bin");
    CBinaryData b("<a/>");
    b.ToFile(path.c_str(), XE_UTF16);
    EXPECT_EQ(ReadFile(path), (std::vector<unsigned char>{0xFF, 0xFE, '<', 'a', '/', '>'}));
    b.ToFile(path.c_str(), XE_UTF16_NO_DECL);
    EXPECT_EQ(ReadFile(path).size(), 6u);
    b.ToFile(path.c_str(), XE_UTF8);
    EXPECT_EQ(ReadFile(path), Bytes(b));
    CBinaryData().ToFile(path.c_str(), XE_NONE);
    EXPECT_TRUE(ReadFile(path).empty());
    std::remove(path.c_str());
    EXPECT_EQ(MessageOf([&] {
                  b.ToFile("/nonexistent/dir/x.xml", XE_UTF8);
              }).rfind("Failed to write data to the file [/nonexistent/dir/x.xml] error [0x", 0),
              0u);
}

}  // namespace
