#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fastinfoset/CFastInfosetEncoder.h"

using namespace QbXmlLib5;

namespace {

using Bytes = std::vector<unsigned char>;

// Runs one encoder operation on a fresh encoder and returns its octets.
template <typename F>
Bytes Encode(F op, std::uint32_t capacity = CFastInfosetEncoder::kMaxTableSize) {
    CFastInfosetEncoder enc(capacity);
    op(enc);
    return enc.Output();
}

TEST(FastInfosetEncoderTest, IntegersAtEveryRangeBoundary) {
    struct Case {
        int bit;
        std::uint32_t value;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {2, 1, {0x80}},
        {2, 64, {0xBF}},
        {2, 65, {0xC0, 0x00}},
        {2, 8256, {0xDF, 0xFF}},
        {2, 8257, {0xE0, 0x00, 0x00}},
        {2, 1u << 20, {0xEF, 0xDF, 0xBF}},
        {3, 1, {0x00}},
        {3, 32, {0x1F}},
        {3, 33, {0x20, 0x00}},
        {3, 2080, {0x27, 0xFF}},
        {3, 2081, {0x28, 0x00, 0x00}},
        {3, 526368, {0x2F, 0xFF, 0xFF}},
        {3, 526369, {0x30, 0x00, 0x00, 0x00}},
        {3, 1u << 20, {0x30, 0x07, 0xF7, 0xDF}},
        {4, 1, {0xA0}},
        {4, 16, {0xAF}},
        {4, 17, {0xB0, 0x00}},
        {4, 1040, {0xB3, 0xFF}},
        {4, 1041, {0xB4, 0x00, 0x00}},
        {4, 263184, {0xB7, 0xFF, 0xFF}},
        {4, 263185, {0xB8, 0x00, 0x00, 0x00}},
        {4, 1u << 20, {0xB8, 0x0B, 0xFB, 0xEF}},
    };
    for (const Case& c : cases) {
        const Bytes got = Encode([&](CFastInfosetEncoder& e) {
            if (c.bit == 2) e.IntegerOnSecondBit(0x80, c.value);
            if (c.bit == 3) e.IntegerOnThirdBit(0x00, c.value);
            if (c.bit == 4) e.IntegerOnFourthBit(0xA0, c.value);
        });
        EXPECT_EQ(got, c.expected) << "bit " << c.bit << " value " << c.value;
    }
}

TEST(FastInfosetEncoderTest, LengthsAtEveryRangeBoundary) {
    struct Case {
        int bit;
        std::size_t length;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {2, 1, {0x00}},
        {2, 64, {0x3F}},
        {2, 65, {0x40, 0x00}},
        {2, 320, {0x40, 0xFF}},
        {2, 321, {0x60, 0x00, 0x00, 0x00, 0x00}},
        {2, 321 + 0x01020304, {0x60, 0x01, 0x02, 0x03, 0x04}},
        {5, 1, {0x40}},
        {5, 8, {0x47}},
        {5, 9, {0x48, 0x00}},
        {5, 264, {0x48, 0xFF}},
        {5, 265, {0x4C, 0x00, 0x00, 0x00, 0x00}},
        {7, 1, {0x90}},
        {7, 2, {0x91}},
        {7, 3, {0x92, 0x00}},
        {7, 258, {0x92, 0xFF}},
        {7, 259, {0x93, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        const Bytes got = Encode([&](CFastInfosetEncoder& e) {
            if (c.bit == 2) e.LengthOnSecondBit(0x00, c.length);
            if (c.bit == 5) e.LengthOnFifthBit(0x40, c.length);
            if (c.bit == 7) e.LengthOnSeventhBit(0x90, c.length);
        });
        EXPECT_EQ(got, c.expected) << "bit " << c.bit << " length " << c.length;
    }
}

TEST(FastInfosetEncoderTest, StringsAreIndexedAfterTheirFirstOccurrence) {
    // Identifying strings: literal then index; the built-in xml prefix is 1.
    EXPECT_EQ(Encode([](CFastInfosetEncoder& e) {
                  e.IdentifyingString(CFastInfosetEncoder::TBL_PREFIXES, "xml");
                  e.IdentifyingString(CFastInfosetEncoder::TBL_PREFIXES, "p");
                  e.IdentifyingString(CFastInfosetEncoder::TBL_PREFIXES, "p");
              }),
              (Bytes{0x80, 0x00, 'p', 0x81}));
    // Short attribute values are added, long ones never; empty is FF.
    EXPECT_EQ(Encode([](CFastInfosetEncoder& e) {
                  e.AttributeValue("abcde");
                  e.AttributeValue("abcde");
                  e.AttributeValue("abcdef");
                  e.AttributeValue("abcdef");
                  e.AttributeValue("");
              }),
              (Bytes{0x44, 'a', 'b', 'c', 'd', 'e', 0x80, 0x05, 'a', 'b', 'c', 'd', 'e', 'f',
                     0x05, 'a', 'b', 'c', 'd', 'e', 'f', 0xFF}));
    EXPECT_EQ(Encode([](CFastInfosetEncoder& e) {
                  e.CharacterChunk("hi");
                  e.CharacterChunk("hi");
                  e.CharacterChunk("");
                  e.CharacterChunk("123456");
              }),
              (Bytes{0x91, 'h', 'i', 0xA0, 0x82, 0x03, '1', '2', '3', '4', '5', '6'}));
    // Qualified names: literal with presence bits, then the name index.
    const CFastInfosetEncoder::QName ns{"p", "urn:p", "a"};
    EXPECT_EQ(Encode([&](CFastInfosetEncoder& e) {
                  e.ElementName(0x40, ns);
                  e.ElementName(0x40, ns);
                  e.AttributeName(ns);
                  e.AttributeName({"", "", "a"});
                  e.AttributeName(ns);
              }),
              (Bytes{0x7F, 0x00, 'p', 0x04, 'u', 'r', 'n', ':', 'p', 0x00, 'a', 0x40,
                     0x7B, 0x81, 0x81, 0x80, 0x78, 0x80, 0x00}));
}

TEST(FastInfosetEncoderTest, FullTableWritesFurtherStringsLiterally) {
    // Capacity 3: the value table takes "a", "b", "c"; "d" stays literal.
    EXPECT_EQ(Encode(
                  [](CFastInfosetEncoder& e) {
                      for (const char* v : {"a", "b", "c", "d", "d", "c"}) e.AttributeValue(v);
                      EXPECT_EQ(e.Table(CFastInfosetEncoder::TBL_ATTRIBUTE_VALUES).Size(), 3u);
                  },
                  3),
              (Bytes{0x40, 'a', 0x40, 'b', 0x40, 'c', 0x00, 'd', 0x00, 'd', 0x82}));
    // Identifying strings: the prefix table already holds xml.
    EXPECT_EQ(Encode(
                  [](CFastInfosetEncoder& e) {
                      for (const char* p : {"p", "q", "q"}) {
                          e.IdentifyingString(CFastInfosetEncoder::TBL_PREFIXES, p);
                      }
                  },
                  2),
              (Bytes{0x00, 'p', 0x00, 'q', 0x00, 'q'}));
}

TEST(FastInfosetEncoderTest, RealTableStopsAtTwoToTheTwenty) {
    CFastInfosetEncoder enc;
    std::string v = "00000";
    for (std::uint32_t i = 0; i < (1u << 20); ++i) {
        for (int k = 0; k < 5; ++k) v[k] = static_cast<char>('0' + (i >> (4 * k)) % 16);
        enc.CharacterChunk(v);
    }
    EXPECT_EQ(enc.Table(CFastInfosetEncoder::TBL_CHARACTER_CHUNKS).Size(), 1u << 20);
    enc.Output().clear();
    enc.CharacterChunk("zzzzz");
    enc.CharacterChunk("zzzzz");
    enc.CharacterChunk(v);  // the last one added: index 2^20
    EXPECT_EQ(enc.Output(), (Bytes{0x82, 0x02, 'z', 'z', 'z', 'z', 'z', 0x82, 0x02, 'z', 'z',
                                   'z', 'z', 'z', 0xB8, 0x0B, 0xFB, 0xEF}));
}

}  // namespace
