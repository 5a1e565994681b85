#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "QbXmlLib5.h"
#include "core/CCharEncoding.h"
#include "fastinfoset/CFastInfosetEncoder.h"
#include "fastinfoset/CFastInfosetWriter.h"
#include "fastinfoset/COctetBuffer.h"
#include "fastinfoset_infoset.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"

using namespace QbXmlLib5;
using QbTest::MessageOf;
using QbTest::TempPath;

namespace {

using Bytes = std::vector<unsigned char>;
const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";

// Runs one encoder operation on a fresh encoder and returns its octets.
template <typename F>
Bytes Encode(F op, std::uint32_t capacity = CFastInfosetEncoder::kMaxTableSize) {
    CFastInfosetEncoder enc(capacity);
    op(enc);
    return enc.Output().ToVector();
}

// Integers (kind 'i') and lengths ('l') on the bit given, at both ends of
// every range.
TEST(FastInfosetEncoderTest, IntegersAndLengthsAtEveryRangeBoundary) {
    struct Case {
        char kind;
        int bit;
        std::size_t value;
        Bytes expected;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {'i', 2, 1, {0x80}}, {'i', 2, 64, {0xBF}}, {'i', 2, 65, {0xC0, 0x00}},
        {'i', 2, 8256, {0xDF, 0xFF}}, {'i', 2, 8257, {0xE0, 0x00, 0x00}},
        {'i', 2, 1u << 20, {0xEF, 0xDF, 0xBF}}, {'i', 3, 1, {0x00}}, {'i', 3, 32, {0x1F}},
        {'i', 3, 33, {0x20, 0x00}}, {'i', 3, 2080, {0x27, 0xFF}}, {'i', 3, 2081, {0x28, 0x00, 0x00}},
        {'i', 3, 526368, {0x2F, 0xFF, 0xFF}}, {'i', 3, 526369, {0x30, 0x00, 0x00, 0x00}},
        {'i', 3, 1u << 20, {0x30, 0x07, 0xF7, 0xDF}}, {'i', 4, 1, {0xA0}}, {'i', 4, 16, {0xAF}},
        {'i', 4, 17, {0xB0, 0x00}}, {'i', 4, 1040, {0xB3, 0xFF}}, {'i', 4, 1041, {0xB4, 0x00, 0x00}},
        {'i', 4, 263184, {0xB7, 0xFF, 0xFF}}, {'i', 4, 263185, {0xB8, 0x00, 0x00, 0x00}},
        {'i', 4, 1u << 20, {0xB8, 0x0B, 0xFB, 0xEF}},
        {'l', 2, 1, {0x00}}, {'l', 2, 64, {0x3F}}, {'l', 2, 65, {0x40, 0x00}},
        {'l', 2, 320, {0x40, 0xFF}}, {'l', 2, 321, {0x60, 0x00, 0x00, 0x00, 0x00}},
        {'l', 2, 321 + 0x01020304, {0x60, 0x01, 0x02, 0x03, 0x04}}, {'l', 5, 1, {0x40}},
        {'l', 5, 8, {0x47}}, {'l', 5, 9, {0x48, 0x00}}, {'l', 5, 264, {0x48, 0xFF}},
        {'l', 5, 265, {0x4C, 0x00, 0x00, 0x00, 0x00}}, {'l', 7, 1, {0x90}}, {'l', 7, 2, {0x91}},
        {'l', 7, 3, {0x92, 0x00}}, {'l', 7, 258, {0x92, 0xFF}},
        {'l', 7, 259, {0x93, 0x00, 0x00, 0x00, 0x00}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto v = static_cast<std::uint32_t>(c.value);
        const Bytes got = Encode([&](CFastInfosetEncoder& e) {
            switch (c.kind * 10 + c.bit) {
                case 'i' * 10 + 2:
                    e.IntegerOnSecondBit(0x80, v);
                    break;
                case 'i' * 10 + 3:
                    e.IntegerOnThirdBit(0x00, v);
                    break;
                case 'i' * 10 + 4:
                    e.IntegerOnFourthBit(0xA0, v);
                    break;
                case 'l' * 10 + 2:
                    e.LengthOnSecondBit(0x00, c.value);
                    break;
                case 'l' * 10 + 5:
                    e.LengthOnFifthBit(0x40, c.value);
                    break;
                default:
                    e.LengthOnSeventhBit(0x90, c.value);
                    break;
            }
        });
        EXPECT_EQ(got, c.expected) << c.kind << " on bit " << c.bit << ": " << c.value;
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
    // A literal takes a new index even when the string is known (xml = 1).
    EXPECT_EQ(Encode([](CFastInfosetEncoder& e) {
                  for (const char* ns : {"a", "a", "b", "b"}) {
                      e.LiteralIdentifyingString(CFastInfosetEncoder::TBL_NAMESPACES, ns);
                  }
                  e.IdentifyingString(CFastInfosetEncoder::TBL_NAMESPACES, "b");
              }),
              (Bytes{0x00, 'a', 0x00, 'a', 0x00, 'b', 0x00, 'b', 0x83}));
    // Short attribute values are added, long ones never; empty is FF.
    EXPECT_EQ(Encode([](CFastInfosetEncoder& e) {
                  e.AttributeValue("abcde");
                  e.AttributeValue("abcde");
                  e.AttributeValue("abcdef");
                  e.AttributeValue("abcdef");
                  e.AttributeValue("");
              }),
              (Bytes{0x44, 'a', 'b', 'c',  'd', 'e', 0x80, 0x05, 'a', 'b', 'c',
                     'd',  'e', 'f', 0x05, 'a', 'b', 'c',  'd',  'e', 'f', 0xFF}));
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
              (Bytes{0x7F, 0x00, 'p', 0x04, 'u', 'r', 'n', ':', 'p', 0x00, 'a', 0x40, 0x7B, 0x81,
                     0x81, 0x80, 0x78, 0x80, 0x00}));
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
    EXPECT_EQ(enc.Output().ToVector(), (Bytes{0x82, 0x02, 'z', 'z', 'z', 'z', 'z', 0x82, 0x02, 'z',
                                              'z', 'z', 'z', 'z', 0xB8, 0x0B, 0xFB, 0xEF}));
}

// Octets, pairs and strings of every length up to past the in-place copy
// (sixteen bytes), appended across the buffer's growth, equal what a vector
// holds after the same appends; swap and clear keep them apart.
TEST(FastInfosetEncoderTest, OctetBufferAppendsAsAVector) {
    std::string source;
    for (int i = 0; i < 40; ++i) source += static_cast<char>(i % 3 == 0 ? 0 : 200 + i);
    COctetBuffer buffer;
    Bytes expected;
    for (int round = 0; round < 40; ++round) {
        for (std::size_t n = 0; n <= source.size(); ++n) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(source.data()) + round % 3;
            const std::size_t length = std::min(n, source.size() - round % 3);
            buffer.Append(bytes, length);
            expected.insert(expected.end(), bytes, bytes + length);
            buffer.Append(static_cast<unsigned char>(n));
            expected.push_back(static_cast<unsigned char>(n));
            buffer.Append(0xAB, static_cast<unsigned char>(round));
            expected.insert(expected.end(), {0xAB, static_cast<unsigned char>(round)});
        }
        ASSERT_EQ(buffer.ToVector(), expected) << "round " << round;
    }
    COctetBuffer other;
    other.Append('x');
    buffer.swap(other);
    EXPECT_EQ(buffer.ToVector(), Bytes{'x'});
    EXPECT_EQ(other.ToVector(), expected);
    other.clear();
    EXPECT_TRUE(other.empty());
    other.Append("yz", 2);
    EXPECT_EQ(other.ToVector(), (Bytes{'y', 'z'}));
}

// FindOrAdd against a map that does what Find and Add promise: the first
// index of a string stays, a full table adds nothing. Strings of every
// length around the packed limit (seven bytes), with zero and high bytes,
// prefixes of each other, in tables of several capacities.
TEST(FastInfosetEncoderTest, TableFindOrAddAgreesWithAMap) {
    std::vector<std::string> strings;
    for (std::size_t n = 0; n <= 10; ++n) {
        for (const char c : {'a', '\0', '\xFF'}) {
            strings.push_back(std::string(n, 'a'));
            if (n > 0) {
                strings.back()[n / 2] = c;
                strings.push_back(std::string(n, c));
                strings.back()[n - 1] = 'z';
            }
        }
    }
    for (const std::uint32_t capacity : {1u, 5u, 40u, 1000u}) {
        CFastInfosetEncoder::CTable table(capacity);
        std::map<std::string, std::uint32_t> reference;
        std::uint32_t size = 0;
        for (int round = 0; round < 3; ++round) {
            for (std::size_t i = round; i < strings.size(); i += 1 + round) {
                const std::string& text = strings[i];
                const auto it = reference.find(text);
                const std::uint32_t known = it == reference.end() ? 0 : it->second;
                const bool adds = known == 0 && size < capacity;
                if (adds) reference.emplace(text, ++size);
                bool added = !adds;
                EXPECT_EQ(table.FindOrAdd(text, added), known) << capacity << ": " << i;
                EXPECT_EQ(added, adds) << capacity << ": " << i;
                EXPECT_EQ(table.Find(text), reference.count(text) ? reference[text] : 0u);
                EXPECT_EQ(table.Size(), size);
            }
        }
    }
}

using QbXmlLib5Test::CScriptedObject;

Bytes ToBytes(const CBinaryData& data) {
    return Bytes(data.GetData(), data.GetData() + data.GetLength());
}

Bytes Stream(std::function<void(CXmlWriter&)> script, FInfoDecl decl = FI_DECL_NONE,
             CompressionType compression = CT_NONE) {
    CSmartPtr<CScriptedObject> object(new CScriptedObject(std::move(script)));
    return ToBytes(object->ToFastInfosetStream(decl, CXmlSerializationContext::GetDefaultContext(),
                                               compression));
}

// One octet, or the octets of a string, in an expected document body.
struct Part {
    std::string octets;
    Part(int octet) : octets(1, static_cast<char>(octet)) {}  // NOLINT: implicit by design
    Part(const char* text) : octets(text) {}                  // NOLINT: implicit by design
};

// The header of every document without declaration, then `body`.
Bytes Doc(std::initializer_list<Part> body) {
    Bytes out = {0xE0, 0x00, 0x00, 0x01, 0x00};
    for (const Part& part : body) out.insert(out.end(), part.octets.begin(), part.octets.end());
    return out;
}

void Leaf(CXmlWriter& w, const char* name, const char* text) {
    w.WriteStartElement(name, "");
    w.WriteText(text);
    w.WriteEndElement();
}

TEST(FastInfosetWriterTest, HeaderAndDeclarations) {
    const auto empty = [](CXmlWriter& w) {
        w.WriteStartElement("a", "");
        w.WriteEndElement();
    };
    const Bytes doc = Doc({0x3C, 0x00, 'a', 0xFF});
    EXPECT_EQ(Stream(empty), doc);
    // Each declaration is its text, then the same document.
    for (int d = FI_DECL_ENCODING; d <= FI_DECL_1_1_STANDALONE_NO; ++d) {
        const std::string text = CFastInfosetWriter::GetDeclarationText(static_cast<FInfoDecl>(d));
        const Bytes got = Stream(empty, static_cast<FInfoDecl>(d));
        ASSERT_EQ(got.size(), text.size() + doc.size());
        EXPECT_EQ(std::string(got.begin(), got.begin() + text.size()), text);
        EXPECT_TRUE(std::equal(doc.begin(), doc.end(), got.begin() + text.size()));
        EXPECT_EQ(text.find("encoding='finf'"), text.find("encoding"));
    }
    EXPECT_STREQ(CFastInfosetWriter::GetDeclarationText(FI_DECL_1_0),
                 "<?xml version='1.0' encoding='finf'?>");
    EXPECT_STREQ(CFastInfosetWriter::GetDeclarationText(FI_DECL_1_1_STANDALONE_YES),
                 "<?xml version='1.1' encoding='finf' standalone='yes'?>");
    EXPECT_STREQ(CFastInfosetWriter::GetDeclarationText(FI_DECL_ENCODING_STANDALONE_NO),
                 "<?xml encoding='finf' standalone='no'?>");
}

TEST(FastInfosetWriterTest, RepeatedNamesAndShortValuesAreIndexed) {
    // Siblings: the second b is the element-name index 2, the octet 01.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("r", "");
                  Leaf(w, "b", "");
                  Leaf(w, "b", "");
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'r', 0x3C, 0x00, 'b', 0xF0, 0x01, 0xFF, 0xF0}));
    // Five-byte text indexed the second time, six-byte text never.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("r", "");
                  w.WriteText("abcde");
                  w.WriteText("abcde");
                  w.WriteText("abcdef");
                  w.WriteText("abcdef");
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'r', 0x92, 0x02, "abcde", 0xA0, 0x82, 0x03, "abcdef", 0x82, 0x03,
                   "abcdef", 0xFF}));
    // Attributes: names and short values indexed; empty value FF; the
    // attribute list ends with F0 before the content.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("r", "");
                  w.WriteAttribute("x", "", "1");
                  w.WriteAttribute("y", "", "");
                  w.WriteStartElement("c", "");
                  w.WriteAttribute("x", "", "1");
                  w.WriteEndElement();
                  w.WriteText("t");
                  w.WriteEndElement();
              }),
              Doc({0x7C, 0x00, 'r',  0x78, 0x00, 'x',  0x40, '1',  0x78, 0x00, 'y', 0xFF,
                   0xF0, 0x7C, 0x00, 'c',  0x00, 0x80, 0xF0, 0xF0, 0x90, 't',  0xFF}));
}

TEST(FastInfosetWriterTest, TerminatorsKeepTextInItsElement) {
    // a holding an empty b, then text: b's terminator comes before the chunk.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("a", "");
                  Leaf(w, "b", "");
                  w.WriteText("t");
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'a', 0x3C, 0x00, 'b', 0xF0, 0x90, 't', 0xFF}));
    // Nesting three deep: two double terminators and the document's.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("a", "");
                  w.WriteStartElement("b", "");
                  Leaf(w, "c", "");
                  w.WriteEndElement();
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'a', 0x3C, 0x00, 'b', 0x3C, 0x00, 'c', 0xFF, 0xFF}));
}

TEST(FastInfosetWriterTest, NamespacesAlwaysCarryPrefixes) {
    // Default namespace only: declared with CD; the element takes AA, which
    // is declared too.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.SetDefaultNamespace("urn:d");
                  w.WriteStartElement("r", "urn:d");
                  w.WriteEndElement();
              }),
              Doc({0x38, 0xCD, 0x04, "urn:d", 0xCF, 0x01, "AA", 0x81, 0xF0, 0x3F, 0x81, 0x81, 0x00,
                   'r', 0xFF}));
    // An element in no namespace below the default namespace undeclares it
    // (CC); its descendants need not.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.SetDefaultNamespace("urn:d");
                  w.WriteStartElement("r", "urn:d");
                  w.WriteStartElement("c", "");
                  w.WriteStartElement("d", "");
                  w.WriteEndElement();
                  w.WriteEndElement();
                  w.WriteEndElement();
              }),
              Doc({0x38, 0xCD, 0x04, "urn:d", 0xCF, 0x01, "AA", 0x81, 0xF0, 0x3F, 0x81, 0x81, 0x00,
                   'r',  0x38, 0xCC, 0xF0,    0x3C, 0x00, 'c',  0x3C, 0x00, 'd',  0xFF, 0xFF}));
    // A root in no namespace leaves the registered default out; its child in
    // that namespace gets an invented prefix.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.SetDefaultNamespace("urn:d");
                  w.WriteStartElement("r", "");
                  w.WriteStartElement("c", "urn:d");
                  w.WriteEndElement();
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'r', 0x38, 0xCF, 0x01, "AA", 0x04, "urn:d", 0xF0, 0x3F, 0x81, 0x81,
                   0x00, 'c', 0xFF, 0xF0}));
    // Registered declarations in URI order, reused by elements and
    // attributes; an attribute in an undeclared namespace gets an invented
    // prefix declared on its element, and a child reuses the parent's scope.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.AddNamespace("q", "urn:q");
                  w.AddNamespace("p", "urn:p");
                  w.WriteStartElement("r", "urn:q");
                  w.WriteAttribute("a", "urn:x", "v");
                  w.WriteStartElement("r", "urn:q");
                  w.WriteAttribute("a", "urn:p", "v");
                  w.WriteEndElement();
                  w.WriteEndElement();
              }),
              Doc({0x78, 0xCF, 0x00, 'p',  0x04,    "urn:p", 0xCF, 0x00, 'q', 0x04, "urn:q",  //
                   0xCF, 0x01, "AA", 0x04, "urn:x", 0xF0,                                     //
                   0x3F, 0x82, 0x82, 0x00, 'r',                                               // q:r
                   0x7B, 0x83, 0x83, 0x00, 'a',     0x40,    'v',  0xF0,  // AA:a
                   0x40,                                                  // q:r again
                   0x7B, 0x81, 0x81, 0x81, 0x80,    0xF0,    0xFF, 0xF0}));
    // An invented prefix lives in its element's scope only: the sibling
    // declares it again, the child reuses it.
    EXPECT_EQ(Stream([](CXmlWriter& w) {
                  w.WriteStartElement("r", "");
                  w.WriteStartElement("e", "urn:e");
                  w.WriteStartElement("e", "urn:e");
                  w.WriteEndElement();
                  w.WriteEndElement();
                  w.WriteStartElement("e", "urn:e");
                  w.WriteEndElement();
                  w.WriteEndElement();
              }),
              Doc({0x3C, 0x00, 'r',                              //
                   0x38, 0xCF, 0x01, "AA", 0x04, "urn:e", 0xF0,  //
                   0x3F, 0x81, 0x81, 0x00, 'e',                  //
                   0x01, 0xFF,                                   //
                   0x38, 0xCF, 0x81, 0x81, 0xF0, 0x01,    0xFF, 0xF0}));
    // xsi:type: the type namespace and the instance namespace get invented
    // prefixes, both declared.
    EXPECT_EQ(
        Stream([](CXmlWriter& w) {
            w.WriteStartElement("r", "");
            w.WriteXsiType("urn:t", "T");
            w.WriteEndElement();
        }),
        Doc({0x78, 0xCF, 0x01, "AA", 0x04, "urn:t", 0xCF, 0x01,   "AB", 0x28,   kXsi, 0xF0,  //
             0x3C, 0x00, 'r',  0x7B, 0x82, 0x82,    0x03, "type", 0x43, "AA:T", 0xF0, 0xFF}));
}

TEST(FastInfosetWriterTest, LocalTextIsWrittenAsUtf8) {
    // ISO-8859-1: three local bytes become six UTF-8 bytes, and the local
    // length decides that the chunk is still indexed.
    SetLocalCharEncoding(28591);
    const Bytes got = Stream([](CXmlWriter& w) {
        w.WriteStartElement("\xE9", "");
        w.WriteText("\xE9\xE9\xE9");
        w.WriteText("\xE9\xE9\xE9");
        w.WriteEndElement();
    });
    SetLocalCharEncoding(65001);
    EXPECT_EQ(got, Doc({0x3C, 0x01, 0xC3, 0xA9, 0x92, 0x03, 0xC3, 0xA9, 0xC3, 0xA9, 0xC3, 0xA9,
                        0xA0, 0xFF}));
}

TEST(FastInfosetWriterTest, MisuseIsRefused) {
    EXPECT_EQ(MessageOf([] {
                  Stream([](CXmlWriter& w) {
                      w.WriteStartElement("r", "");
                      Leaf(w, "c", "");
                      w.WriteAttribute("x", "", "1");
                  });
              }),
              "Attributes must be added before elements");
    EXPECT_EQ(MessageOf([] { Stream([](CXmlWriter& w) { w.WriteStartElement("r", ""); }); }),
              "An Element has not been closed.");
    // Names text could not carry either: no reader would take the document.
    EXPECT_EQ(MessageOf([] { Stream([](CXmlWriter& w) { Leaf(w, "1bad", ""); }); }),
              "Failed to write FastInfoset. The name [1bad] is not a valid XML name.");
    EXPECT_EQ(MessageOf([] {
                  Stream([](CXmlWriter& w) {
                      w.WriteStartElement("r", "");
                      w.WriteAttribute("a b", "", "1");
                      w.WriteEndElement();
                  });
              }),
              "Failed to write FastInfoset. The name [a b] is not a valid XML name.");
}

// A document large enough for deflate to pay off.
void Catalogue(CXmlWriter& w) {
    w.WriteStartElement("catalogue", "urn:c");
    for (int i = 0; i < 200; ++i) {
        w.WriteStartElement("item", "urn:c");
        w.WriteAttribute("id", "", std::to_string(i));
        Leaf(w, "description", "A reasonably long description that repeats.");
        w.WriteEndElement();
    }
    w.WriteEndElement();
}

void Tiny(CXmlWriter& w) { Leaf(w, "r", ""); }

TEST(FastInfosetWriterTest, CompressionAndFiles) {
    for (void (*document)(CXmlWriter&) : {Tiny, Catalogue}) {
        const Bytes plain = Stream(document);
        for (CompressionType type : {CT_GZIP, CT_ZLIB}) {
            const Bytes packed = Stream(document, FI_DECL_NONE, type);
            ASSERT_GE(packed.size(), 2u);
            EXPECT_EQ(packed[0], type == CT_GZIP ? 0x1F : 0x78);
            CBinaryData inflated;
            ASSERT_TRUE(CBinaryData::Decompress(packed.data(), packed.size(), inflated));
            EXPECT_EQ(ToBytes(inflated), plain);
        }
    }
    const Bytes plain = Stream(Catalogue);
    const Bytes gzip = Stream(Catalogue, FI_DECL_NONE, CT_GZIP);

    CSmartPtr<CScriptedObject> object(new CScriptedObject(Catalogue));
    const std::string path = TempPath("fastinfoset_writer_file.fi");
    std::remove(path.c_str());
    EXPECT_EQ(MessageOf([&] {
                  object->ToFastInfosetFile(path.c_str(), FI_DECL_NONE,
                                            CXmlSerializationContext::GetDefaultContext(), CT_ZLIB);
              }),
              "ZLIB Compression only available for To Stream methods.");
    EXPECT_FALSE(std::ifstream(path).good()) << "file created before the refusal";
    object->ToFastInfosetFile(path.c_str(), FI_DECL_1_0);
    const std::string decl = "<?xml version='1.0' encoding='finf'?>";
    Bytes expected(decl.begin(), decl.end());
    expected.insert(expected.end(), plain.begin(), plain.end());
    EXPECT_EQ(QbTest::ReadFile(path), std::string(expected.begin(), expected.end()));
    object->ToFastInfosetFile(path.c_str(), FI_DECL_NONE,
                              CXmlSerializationContext::GetDefaultContext(), CT_GZIP);
    EXPECT_EQ(QbTest::ReadFile(path), std::string(gzip.begin(), gzip.end()));
    std::remove(path.c_str());
}

// A document of several output blocks, one text longer than a block: its
// octets come out whole however they are taken. The oracle is the same
// events written as text, which the Fast Infoset read back must write again.
TEST(FastInfosetWriterTest, LongDocumentsComeOutWhole) {
    const auto emit = [](CXmlWriter& w) {
        w.WriteStartElement("root", "");
        for (int i = 0; i < 12000; ++i) {
            w.WriteStartElement(i % 3 ? "item" : "other", "");
            w.WriteAttribute("n", "", std::to_string(i));
            w.WriteText(i == 7000 ? std::string(200000, 'x') : "v" + std::to_string(i * 7919));
            w.WriteEndElement();
        }
        w.WriteEndElement();
    };
    CXmlTextWriter text;
    text.SetFormatted(false);
    emit(text);
    CFastInfosetWriter w;
    Bytes first;
    for (int pass = 0; pass < 2; ++pass) {  // the second starts afresh: the same octets
        w.WriteHeader(FI_DECL_NONE);
        emit(w);
        w.WriteEndDocument();
        const CBinaryData out = w.GetOutput();
        ASSERT_EQ(out.GetLength(), w.GetOutputLength());
        EXPECT_GT(out.GetLength(), 5u * 65536);
        EXPECT_TRUE(w.GetOutput() == out);  // taking a copy leaves the octets
        CSmartPtr<CElement> element(new CElement("root"));
        element->FromXmlStream(out.GetData(), out.GetLength());
        EXPECT_TRUE(element->ToXml(false, false, EOL_LF) == text.GetXml());
        Bytes taken;
        w.TakeOutput(taken);
        EXPECT_TRUE(taken == Bytes(out.GetData(), out.GetData() + out.GetLength()));
        EXPECT_EQ(w.GetOutputLength(), 0u);
        if (pass == 0) first = taken;
        EXPECT_TRUE(taken == first);
    }
    w.WriteStartElement("open", "");
    EXPECT_EQ(MessageOf([&] { w.WriteHeader(FI_DECL_NONE); }), "An Element has not been closed.");
}

#ifdef QB_HAVE_LIBXML2

// Our writer, then our reader: the infoset survives, for every corpus
// document and with every table kind past its small index classes.
void CheckRoundTrip(const std::string& path) {
    SCOPED_TRACE(path);
    QbXmlLib5Test::XmlDocPtr doc = QbXmlLib5Test::Parse(path);
    ASSERT_TRUE(doc) << "libxml2 rejects the corpus file";
    CSmartPtr<CScriptedObject> object = QbXmlLib5Test::Libxml2Object(doc.get());
    const QbXmlLib5Test::Node reference =
        QbXmlLib5Test::WithoutCarriageReturns(QbXmlLib5Test::Reference(doc.get()));
    for (CompressionType compression : {CT_NONE, CT_GZIP}) {
        for (FInfoDecl decl : {FI_DECL_NONE, FI_DECL_1_0_STANDALONE_YES}) {
            // Every document compresses, tiny ones included.
            const CBinaryData stream = object->ToFastInfosetStream(
                decl, CXmlSerializationContext::GetDefaultContext(), compression);
            try {
                EXPECT_EQ(Diff(reference, QbXmlLib5Test::LoadWithOurReader(stream), ""), "");
            } catch (const CQbException& e) {
                ADD_FAILURE() << "our reader rejects our document: " << e.GetFullMessage();
            }
        }
    }
}

TEST(FastInfosetWriterTest, RoundTripsThroughOurReader) {
    for (const std::string& file : QbXmlLib5Test::Corpus()) CheckRoundTrip(file);
    CheckRoundTrip(QbXmlLib5Test::WriteVocabularyDocument(QbXmlLib5Test::TempDir()));
}

#endif  // QB_HAVE_LIBXML2

// Exposes the table-capacity hook.
class CSmallTableWriter : public CFastInfosetWriter {
public:
    explicit CSmallTableWriter(std::uint32_t capacity) : CFastInfosetWriter(capacity) {}
};

TEST(FastInfosetWriterTest, FullTablesFallBackToLiterals) {
    CSmallTableWriter w(2);
    w.WriteHeader(FI_DECL_NONE);
    w.WriteStartElement("r", "");
    for (const char* name : {"a", "b", "c", "c"}) Leaf(w, name, name);
    w.WriteEndElement();
    w.WriteEndDocument();
    // Element names r, a fill their table; b and c stay literal (their local
    // names are indexed until that table is full too). Chunks a, b fill theirs.
    EXPECT_EQ(ToBytes(w.GetOutput()), Doc({0x3C, 0x00, 'r', 0x3C, 0x00, 'a',  0x90, 'a', 0xF0,  //
                                           0x3C, 0x00, 'b', 0x90, 'b',  0xF0,                   //
                                           0x3C, 0x00, 'c', 0x80, 'c',  0xF0,                   //
                                           0x3C, 0x00, 'c', 0x80, 'c',  0xFF, 0xF0}));
    // And our reader takes the literals as the same names and texts.
    const QbXmlLib5Test::Node read = QbXmlLib5Test::LoadWithOurReader(w.GetOutput());
    ASSERT_EQ(read.children.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const char* expected[] = {"a", "b", "c", "c"};
        EXPECT_EQ(read.children[i].name, expected[i]);
        EXPECT_EQ(read.children[i].text, expected[i]);
    }
}

// Start tags that repeat, vary and interleave their names: the same local
// name in other namespaces at one depth or attribute position, elements of
// one depth taking turns, attribute lists that add new names between known
// ones, values short (indexed) and long. Each writer remembers where it
// found a name last; the document must read back exactly as its text form
// does, with tables of every size (full ones write further names literally).
TEST(FastInfosetWriterTest, RepeatedAndInterleavedNamesReadBackAsText) {
    struct Attribute {
        const char* name;
        const char* ns;
        const char* value;
    };
    struct Tag {
        const char* name;
        const char* ns;
        std::vector<Attribute> attributes;
    };
    const std::vector<Tag> tags = {
        {"a", "", {{"x", "", "1"}, {"y", "", "two"}}},
        {"b", "", {{"x", "urn:one", "1"}, {"y", "", "a longer value"}}},
        {"a", "", {{"x", "", "1"}, {"y", "", "two"}}},
        {"a", "urn:one", {{"x", "urn:two", ""}, {"z", "", "new"}, {"x", "", "1"}}},
        {"a", "urn:two", {{"x", "", "1"}, {"w", "urn:one", "w"}, {"y", "", "two"}, {"v", "", "v"}}},
        {"b", "", {{"y", "", "two"}, {"x", "", "1"}}},
        {"a", "", {}},
        {"c", "", {{"x", "", "1"}, {"y", "", "two"}, {"z", "", "new"}, {"u", "urn:two", "u"}}},
        {"a", "", {{"x", "", "a longer value"}, {"y", "", "two"}}},
    };
    const auto script = [&tags](CXmlWriter& w) {
        w.WriteStartElement("r", "");
        for (int round = 0; round < 3; ++round) {
            for (const Tag& tag : tags) {
                w.WriteStartElement(tag.name, tag.ns);
                for (const Attribute& a : tag.attributes) w.WriteAttribute(a.name, a.ns, a.value);
                // A child at the next depth, named after its parent's turn.
                w.WriteStartElement(round % 2 ? "d" : tag.name, tag.ns);
                w.WriteAttribute("x", round % 2 ? "urn:one" : "", "1");
                w.WriteEndElement();
                w.WriteEndElement();
            }
        }
        w.WriteEndElement();
    };
    CSmartPtr<CScriptedObject> object(new CScriptedObject(script));
    const CBinaryData text = object->ToXmlStream(false, false, XE_UTF8, EOL_LF);
    const QbXmlLib5Test::Node expected = QbXmlLib5Test::LoadWithOurReader(text);
    ASSERT_EQ(expected.children.size(), 3 * tags.size());
    for (const std::uint32_t capacity : {2u, 3u, 5u, 8u, CFastInfosetEncoder::kMaxTableSize}) {
        SCOPED_TRACE(capacity);
        CSmallTableWriter w(capacity);
        w.WriteHeader(FI_DECL_NONE);
        script(w);
        w.WriteEndDocument();
        const QbXmlLib5Test::Node read = QbXmlLib5Test::LoadWithOurReader(w.GetOutput());
        EXPECT_EQ(QbXmlLib5Test::Diff(expected, read, ""), "");
    }
}

// Names alike in length, first and last byte and namespace length, so that
// the writer's remembered places for them coincide, but different in one
// byte in the middle: every length the name comparison treats apart (short,
// one word, two words, longer), for elements and attributes alike.
TEST(FastInfosetWriterTest, NamesThatShareARememberedPlaceStayApart) {
    std::vector<std::string> names;
    for (const std::size_t n : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 30u}) {
        for (const char middle : {'m', 'n'}) {
            std::string name(n, 'q');
            name[n / 2] = n == 1 ? static_cast<char>(middle + 4) : middle;
            names.push_back(name);
        }
    }
    const auto script = [&names](CXmlWriter& w) {
        w.WriteStartElement("r", "");
        for (int round = 0; round < 3; ++round) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                const std::string& ns = i % 4 < 2 ? "" : "urn:n";
                w.WriteStartElement(names[i], ns);
                w.WriteAttribute(names[i], "", "1");
                w.WriteAttribute(names[i ^ 1], ns, "2");
                w.WriteEndElement();
            }
        }
        w.WriteEndElement();
    };
    CSmartPtr<CScriptedObject> object(new CScriptedObject(script));
    const QbXmlLib5Test::Node expected =
        QbXmlLib5Test::LoadWithOurReader(object->ToXmlStream(false, false, XE_UTF8, EOL_LF));
    const QbXmlLib5Test::Node read = QbXmlLib5Test::LoadWithOurReader(object->ToFastInfosetStream(
        FI_DECL_NONE, CXmlSerializationContext::GetDefaultContext(), CT_NONE));
    ASSERT_EQ(expected.children.size(), 3 * names.size());
    EXPECT_EQ(QbXmlLib5Test::Diff(expected, read, ""), "");
}

}  // namespace
