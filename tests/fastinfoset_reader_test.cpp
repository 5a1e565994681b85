// Fast Infoset reading. Documents are built octet by octet from the layouts of
// ITU-T X.891 (annex C), or were produced by another implementation (the Java
// FastInfoset library) and are kept under tests/data/fastinfoset.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "fastinfoset/CFastInfosetEncoder.h"
#include "fastinfoset/CFastInfosetReader.h"
#include "fastinfoset/CFastInfosetWriter.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"
#include "support/TreeDump.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"

using namespace QbXmlLib5;
using QbTest::Dump;

namespace {

using Bytes = std::vector<unsigned char>;

const char kEof[] = "Failed to parse FastInfoset. Unexpected End of File.";
const char kBadIndex[] = "Failed to parse FastInfoset. Invalid table index.";
const char kBadElement[] = "Failed to parse FastInfoset. Invalid Encoding of Element type.";

// Writes the encodings of X.891 annex C. Each integer or length encoder takes
// the bits that come before the field in its first octet.
class Fi {
public:
    Bytes bytes;

    Fi& Raw(std::initializer_list<unsigned> octets) {
        for (unsigned o : octets) bytes.push_back(static_cast<unsigned char>(o));
        return *this;
    }
    Fi& Text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Fi& Header(unsigned flags = 0) { return Raw({0xE0, 0x00, 0x00, 0x01, flags}); }

    // Lengths (C.22 to C.24) and integers 1 to 2^20 (C.25 to C.28) on the
    // bit named, `top` holding the bits before the field; written by the
    // library's encoder, whose own tests pin its octets at every boundary.
    Fi& LengthOn2(std::uint32_t n, unsigned top = 0) { return Put(&E::LengthOnSecondBit, top, n); }
    Fi& LengthOn5(std::uint32_t n, unsigned top) { return Put(&E::LengthOnFifthBit, top, n); }
    Fi& LengthOn7(std::uint32_t n, unsigned top) { return Put(&E::LengthOnSeventhBit, top, n); }
    Fi& IntOn2(std::uint32_t v, unsigned top) { return Put(&E::IntegerOnSecondBit, top, v); }
    Fi& IntOn3(std::uint32_t v, unsigned top) { return Put(&E::IntegerOnThirdBit, top, v); }
    Fi& IntOn4(std::uint32_t v, unsigned top) { return Put(&E::IntegerOnFourthBit, top, v); }

    // C.13: identifying string, literal (UTF-8) or index.
    Fi& Id(const std::string& s) { return LengthOn2(Size(s)).Text(s); }
    Fi& IdIndex(std::uint32_t i) { return IntOn2(i, 0x80); }
    // C.14: attribute value, literal UTF-8 (optionally added) or index.
    Fi& Value(const std::string& s, bool add = false) {
        return LengthOn5(Size(s), add ? 0x40 : 0x00).Text(s);
    }
    Fi& ValueIndex(std::uint32_t i) { return IntOn2(i, 0x80); }
    // C.15: character chunk, literal UTF-8 (optionally added) or index.
    Fi& Chunk(const std::string& s, bool add = false) {
        return LengthOn7(Size(s), add ? 0x90 : 0x80).Text(s);
    }
    Fi& ChunkIndex(std::uint32_t i) { return IntOn4(i, 0xA0); }
    // A literal element name without prefix or namespace (C.18).
    Fi& Element(const std::string& local, bool attributes = false) {
        return Raw({attributes ? 0x7Cu : 0x3Cu}).Id(local);
    }
    Fi& ElementNs(const std::string& ns, const std::string& local, bool attributes = false) {
        return Raw({attributes ? 0x7Du : 0x3Du}).Id(ns).Id(local);
    }
    Fi& Attribute(const std::string& local) { return Raw({0x78}).Id(local); }
    Fi& End() { return Raw({0xF0}); }

    CBinaryData Data() const {
        return CBinaryData(const_cast<unsigned char*>(bytes.data()), bytes.size(), false);
    }

private:
    using E = CFastInfosetEncoder;
    template <typename N>
    Fi& Put(void (E::*field)(unsigned char, N), unsigned top, std::uint32_t value) {
        static E encoder;
        encoder.Output().clear();
        (encoder.*field)(static_cast<unsigned char>(top), static_cast<N>(value));
        bytes.insert(bytes.end(), encoder.Output().begin(), encoder.Output().end());
        return *this;
    }
    static std::uint32_t Size(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }
};

std::unique_ptr<CXmlDocument> Parse(const Bytes& bytes) {
    auto document = std::make_unique<CXmlDocument>();
    CFastInfosetReader reader(document.get(), bytes.data(), bytes.size());
    EXPECT_TRUE(reader.Read());
    return document;
}

// The message of the exception the reader throws, or "" when it throws none.
std::string ParseError(const Bytes& bytes) {
    const std::string message = QbTest::MessageOf([&] {
        CXmlDocument document;
        CFastInfosetReader(&document, bytes.data(), bytes.size()).Read();
    });
    return message == "(no exception)" ? "" : message;
}

// A root element "r" holding one text chunk given by `chunk` (octets of C.15).
Bytes TextDocument(std::initializer_list<unsigned> chunk) {
    Fi fi;
    fi.Header().Element("r").Raw(chunk).Raw({0xFF});
    return fi.bytes;
}

std::string TextOf(const Bytes& bytes) {
    auto document = Parse(bytes);
    return document->GetDocumentElement() ? document->GetDocumentElement()->GetText() : "<none>";
}

// A file of tests/data/fastinfoset, inflated first when `gzip`.
Bytes ReadFile(const std::string& name, bool gzip = false) {
    const std::string bytes = QbTest::ReadFile(QB_TEST_DATA_DIR "/fastinfoset/" + name);
    const std::string content = gzip ? QbTest::Inflate(bytes) : bytes;
    return Bytes(content.begin(), content.end());
}

std::vector<const CXmlElement*> Children(const CXmlElement* element) {
    std::vector<const CXmlElement*> children;
    for (const CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        children.push_back(c);
    }
    return children;
}

}  // namespace

TEST(FastInfosetReader, RecognizesTheHeaderOrDeclinesWithoutConsuming) {
    Fi plain;
    plain.Header().Element("a").Raw({0xFF});
    EXPECT_EQ(Parse(plain.bytes)->GetDocumentElement()->GetLocalName(), "a");

    // Behind each of the declarations a writer may put in front.
    for (const char* decl : {"<?xml encoding='finf'?>", "<?xml version='1.0' encoding='finf'?>",
                             "<?xml version='1.1' encoding='finf' standalone='no'?>"}) {
        Fi fi;
        fi.Text(decl).Header().Element("a").Raw({0xFF});
        EXPECT_EQ(Parse(fi.bytes)->GetDocumentElement()->GetLocalName(), "a") << decl;
    }

    const std::vector<Bytes> notFastInfoset = {
        Bytes{},
        Bytes{0xE0, 0x00, 0x00, 0x01},                    // nothing after the identification
        Bytes{0xE0, 0x00, 0x00, 0x02, 0x00, 0x3C, 0x00},  // another version
        Fi().Text("<?xml version='1.0'?><a/>").bytes,
        Fi().Text("<?xml version='1.0' encoding='finf'?><a/>").bytes,  // no binary header
        Fi().Text("<a/>").bytes,
    };
    for (const Bytes& bytes : notFastInfoset) {
        CXmlDocument document;
        CFastInfosetReader reader(&document, bytes.data(), bytes.size());
        EXPECT_FALSE(reader.Read());
        EXPECT_EQ(document.GetDocumentElement(), nullptr);
    }
    CXmlDocument document;
    CFastInfosetReader fromNothing(&document, CBinaryData());
    EXPECT_FALSE(fromNothing.Read());
    const CBinaryData data = plain.Data();
    CFastInfosetReader fromBinaryData(&document, data);
    EXPECT_TRUE(fromBinaryData.Read());
    EXPECT_EQ(document.GetDocumentElement()->GetLocalName(), "a");
}

// A document of the Java FastInfoset library (XML_SAX_FI over
// java_sample.xml): namespace attributes, literal and indexed names and
// values, double terminators, comments and processing instructions before the
// root and between children, a character reference to a carriage return.
TEST(FastInfosetReader, ReadsADocumentOfAnotherImplementation) {
    EXPECT_EQ(Dump(Parse(ReadFile("java_sample.finf"))->GetDocumentElement()),
              "{urn:r}root[a=1,{urn:r}b=two]({urn:d}child[x=1]\"inner\" {urn:d}child[x=1] "
              "{urn:r}deep({urn:d}e {urn:d}e))\"\n  textmore tail \xC3\xA9 \xC3\xBC "
              "\xE6\x97\xA5\xE6\x9C\xAC\n  \n\"");
}

// The Java library's rendering of a document with 2100 element names, 8300
// attribute names, 70 attribute values and 1100 text chunks, each used twice:
// the indexes take every form of the integer encodings on the second, third
// and fourth bit except the largest.
TEST(FastInfosetReader, ReadsLargeIndexesOfAnotherImplementation) {
    Bytes bytes = ReadFile("java_big.finf.gz", true);
    ASSERT_FALSE(bytes.empty());
    auto document = Parse(bytes);
    const CXmlElement* root = document->GetDocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetLocalName(), "big");
    auto children = Children(root);
    ASSERT_EQ(children.size(), 2 * 2100u + 2 * 83u);
    for (std::size_t n = 0; n < 2 * 2100; ++n) {
        const std::size_t i = n % 2100;
        ASSERT_EQ(children[n]->GetLocalName(), "e" + std::to_string(i)) << n;
        ASSERT_EQ(children[n]->GetNamespaceURI(), "urn:big");
        ASSERT_EQ(children[n]->GetText(), "t" + std::to_string(i % 1100)) << n;
    }
    for (std::size_t n = 0; n < 2 * 83; ++n) {
        const CXmlElement* at = children[2 * 2100 + n];
        ASSERT_EQ(at->GetAttributes().size(), 100u);
        for (std::size_t k = 0; k < 100; ++k) {
            const std::size_t index = (n % 83) * 100 + k;
            const CXmlAttribute* a = at->GetAttributes()[k];
            ASSERT_EQ(a->GetLocalName(), "a" + std::to_string(index));
            ASSERT_EQ(a->GetNamespaceURI(), "urn:p");
            ASSERT_EQ(a->GetValue(), "v" + std::to_string(index % 70));
        }
    }
}

TEST(FastInfosetReader, NamesValuesAndTextFromLiteralsAndIndexes) {
    Fi fi;
    fi.Header()
        .Raw({0x78, 0xCF})
        .Id("p")
        .Id("urn:a")  // namespace attribute p=urn:a, prefix 2, name 2
        .Raw({0xCD})
        .Id("urn:b")  // default namespace: name 3
        .End()
        .Raw({0x3F})
        .IdIndex(2)
        .IdIndex(2)
        .Id("root")  // p:root, element name 1
        .Raw({0x7B})
        .IdIndex(2)
        .IdIndex(2)
        .Id("x")
        .Value("abc", true)  // p:x="abc"
        .Raw({0x78})
        .IdIndex(1)
        .Value("same")  // local name 1 ("root")
        .Raw({0x00})
        .ValueIndex(1)  // attribute name 1 again, value 1
        .Raw({0x79})
        .IdIndex(3)
        .IdIndex(2)
        .Raw({0xFF})  // {urn:b}x="" (index 0)
        .End()        // end of attributes
        .Chunk("one", true)
        .ChunkIndex(1)
        .ElementNs("urn:b", "kid")
        .Chunk("k")
        .End()  // element name 2
        .Raw({0x01})
        .Raw({0xF0})  // element name 2 again, empty
        .Raw({0x41})
        .Raw({0x01})
        .ValueIndex(1)
        .Raw({0xFF})   // name 2, attribute name 2
        .Raw({0x00})   // root inside itself
        .Raw({0xFF});  // ends it and the root
    auto document = Parse(fi.bytes);
    EXPECT_EQ(Dump(document->GetDocumentElement()),
              "{urn:a}root[{urn:a}x=abc,root=same,{urn:a}x=abc,{urn:b}x=]({urn:b}kid\"k\" "
              "{urn:b}kid {urn:b}kid[root=abc] {urn:a}root)\"oneone\"");
    // Namespace attributes, and the prefixes of literal names, are recorded
    // for resolving prefixed values (xsi:type) later.
    EXPECT_EQ(document->LookupNamespaceFromAlias("p"), "urn:a");
    EXPECT_EQ(document->LookupNamespaceFromAlias(""), "urn:b");
    Fi undeclared;
    undeclared.Header().Raw({0x3F}).Id("q").Id("urn:q").Id("e").Raw({0xFF});
    EXPECT_EQ(Parse(undeclared.bytes)->LookupNamespaceFromAlias("q"), "urn:q");
}

TEST(FastInfosetReader, DoubleTerminatorsEndTwoLevels) {
    // <a><b><c/></b>t<d x="1"/></a>: c ends with FF (c and b), d's attribute
    // list ends with FF (its attributes and d itself), then FF ends a.
    Fi fi;
    fi.Header()
        .Element("a")
        .Element("b")
        .Element("c")
        .Raw({0xFF})
        .Chunk("t")
        .Element("d", true)
        .Attribute("x")
        .Value("1")
        .Raw({0xFF})
        .Raw({0xFF});
    EXPECT_EQ(Dump(Parse(fi.bytes)->GetDocumentElement()), "a(b(c) d[x=1])\"t\"");

    // Nothing after the root's last terminator is examined.
    fi.Raw({0x12, 0x34, 0xE3});
    EXPECT_EQ(ParseError(fi.bytes), "");
}

TEST(FastInfosetReader, CharacterStringEncodings) {
    // UTF-8 and big-endian UTF-16 (U+00E9, then U+1F600 as a surrogate pair).
    EXPECT_EQ(TextOf(TextDocument({0x80, 0x61})), "a");
    // Multi-byte UTF-8, U+FFFD itself included, is taken as it stands.
    EXPECT_EQ(TextOf(TextDocument({0x82, 0x02, 0xC3, 0xA9, 0xEF, 0xBF, 0xBD})),
              "\xC3\xA9\xEF\xBF\xBD");
    EXPECT_EQ(TextOf(TextDocument({0x86, 0x03, 0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00})),
              "\xC3\xA9\xF0\x9F\x98\x80");
    // Built-in numeric alphabet (field 0): 4-bit codes, 1 2 . E - then padding.
    EXPECT_EQ(TextOf(TextDocument({0x88, 0x02, 0x00, 0x12, 0xCD, 0xAF})), "12.E-");
    // An even number of codes needs no padding nibble: "+ " .
    EXPECT_EQ(TextOf(TextDocument({0x88, 0x00, 0xBE})), "+ ");
    // Built-in date-and-time alphabet (field 1).
    EXPECT_EQ(TextOf(TextDocument({0x88, 0x06, 0x01, 0x20, 0x24, 0xAC, 0xDB})), "2024-TZ:");
    // Encoding algorithm field 3 (int): 00 00 00 2A is 42.
    EXPECT_EQ(TextOf(TextDocument({0x8C, 0x0E, 0x01, 0x00, 0x00, 0x00, 0x2A})), "42");
    // The same in an attribute value (the field starts on the fifth bit).
    Fi fi;
    fi.Header()
        .Element("r", true)
        .Attribute("v")
        .Raw({0x30, 0x33, 0x00, 0x00, 0x00, 0x07})
        .Raw({0xFF});
    EXPECT_EQ(Parse(fi.bytes)->GetDocumentElement()->GetAttribute("v", ""), "7");
    // A UTF-16 attribute value.
    Fi utf16;
    utf16.Header()
        .Element("r", true)
        .Attribute("v")
        .Raw({0x13, 0x00, 0x4F, 0x00, 0x4B})
        .Raw({0xFF});
    EXPECT_EQ(Parse(utf16.bytes)->GetDocumentElement()->GetAttribute("v", ""), "OK");
}

// UTF-8 literals of every length class, as text chunks and attribute values,
// added to their tables and referenced again: carriage returns are dropped
// from text; bytes that are not UTF-8, and characters XML does not allow (a
// NUL would cut the text short), fail.
TEST(FastInfosetReader, Utf8LiteralsOfEveryLengthAndContent) {
    const std::string longRun(100, 'x');
    const char* const utf8 = "Failed to parse FastInfoset. Invalid UTF-8 character string.";
    const char* const notXml =
        "Failed to parse FastInfoset. A character string holds a "
        "character that XML does not allow.";
    const struct {
        std::string literal;
        std::string text;
        const char* error;
    } cases[] = {
        {"a", "a", nullptr},
        {"seven!!", "seven!!", nullptr},
        {"exactly8", "exactly8", nullptr},
        {"a\rb", "ab", nullptr},
        {"\r", "", nullptr},
        {"twenty characters \r!", "twenty characters !", nullptr},
        {"tab\tand\nline", "tab\tand\nline", nullptr},
        {"caf\xC3\xA9 au lait", "caf\xC3\xA9 au lait", nullptr},
        {"\xEF\xBF\xBD \xEF\xBF\xBD", "\xEF\xBF\xBD \xEF\xBF\xBD", nullptr},
        {"bad \xC3 byte", "", utf8},
        {"bad \xFF", "", utf8},
        {longRun, longRun, nullptr},
        {longRun + "\r" + longRun, longRun + longRun, nullptr},
        {longRun + "\xE2\x82\xAC", longRun + "\xE2\x82\xAC", nullptr},
        {longRun + "\xE2\x82", "", utf8},
        {std::string("ab\0cd", 5), "", notXml},
        {std::string(70, 'y') + std::string(1, '\0') + "z", "", notXml},
        {"bell\x07", "", notXml},
        {longRun + "\x1F" + longRun, "", notXml},
        {"\xEF\xBF\xBE", "", notXml},            // U+FFFE
        {longRun + "\xEF\xBF\xBF", "", notXml},  // U+FFFF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.literal);
        Fi text;
        text.Header().Element("r").Chunk(c.literal, true).ChunkIndex(1).Raw({0xFF});
        Fi value;
        value.Header()
            .Element("r", true)
            .Attribute("v")
            .Value(c.literal, true)
            .Raw({0x00})
            .ValueIndex(1)
            .Raw({0xFF});
        if (c.error) {
            EXPECT_EQ(ParseError(text.bytes), c.error);
            EXPECT_EQ(ParseError(value.bytes), c.error);
            continue;
        }
        EXPECT_EQ(TextOf(text.bytes), c.text + c.text);
        auto document = Parse(value.bytes);
        ASSERT_EQ(document->GetDocumentElement()->GetAttributes().size(), 2u);
        for (const CXmlAttribute* attribute : document->GetDocumentElement()->GetAttributes()) {
            EXPECT_EQ(attribute->GetValue(), c.literal);  // values are kept whole
        }
    }
    // The same through UTF-16: U+0000.
    EXPECT_EQ(ParseError(TextDocument({0x86, 0x01, 0x00, 0x61, 0x00, 0x00})), notXml);
}

TEST(FastInfosetReader, BuiltInEncodingAlgorithms) {
    struct Case {
        unsigned field;  // the table index minus one
        Bytes octets;
        const char* text;
    };
    const std::vector<Case> cases = {
        {0, {0x0A, 0xFF}, "0AFF"},
        {1, {'a', 'b', 'c', 'd'}, "YWJjZA=="},
        {2, {0xFF, 0xFE, 0x00, 0x05}, "-2 5"},
        {3, {0x80, 0x00, 0x00, 0x00}, "-2147483648"},
        {4, {0, 0, 0, 0, 0, 0, 0x01, 0x00}, "256"},
        {5, {0x20, 0xFF}, "falsefalsefalsefalse truetruetruetruetruetrue"},
        {6, {0x3F, 0xC0, 0x00, 0x00}, "1.5"},
        {7, {0xC0, 0x04, 0, 0, 0, 0, 0, 0}, "-2.5"},
        {8,
         {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0, 1, 2, 3, 4, 5, 6, 7},
         "123456789ABCDEF00001020304050607"},
        {9, {'<', 'x', '&', '>'}, "<x&>"},
    };
    for (const Case& c : cases) {
        Fi fi;
        const unsigned n = static_cast<unsigned>(c.octets.size());
        fi.Header().Element("r").Raw({0x8C | (c.field >> 6)});
        fi.LengthOn7(n, (c.field & 0x3F) << 2);
        fi.bytes.insert(fi.bytes.end(), c.octets.begin(), c.octets.end());
        fi.Raw({0xFF});
        EXPECT_EQ(TextOf(fi.bytes), c.text) << "field " << c.field;
    }
    // Index 11 is no built-in algorithm; a length that is not a whole number
    // of groups is refused by the rendering.
    EXPECT_EQ(ParseError(TextDocument({0x8C, 0x28, 0x00})),
              "Failed to parse FastInfoset. Invalid NonEmptyOctetEncryptedString.");
    EXPECT_NE(
        ParseError(TextDocument({0x8C, 0x0E, 0x00, 0x00, 0x00, 0x00})).find("INT byte encoding"),
        std::string::npos);
}

TEST(FastInfosetReader, InitialVocabularyAndOtherHeaderComponentsAreRead) {
    Fi fi;
    fi.Header(0x7F);
    // Additional data: two items of id and data.
    fi.Raw({0x01})
        .Id("urn:id")
        .Id("data")
        .Id("urn:id2")
        .Raw({0x40, 0x00})
        .Text(std::string(65, 'x'));
    // Initial vocabulary: external URI, alphabets, algorithms, prefixes,
    // namespace names, local names, other NCNames, other URIs, attribute
    // values, chunks, other strings, element and attribute names.
    fi.Raw({0x1F, 0xFF}).Id("urn:external");
    fi.Raw({0x01}).Value("ab").Value("xyz");  // alphabets 33 and 34
    fi.Raw({0x00}).Id("urn:algorithm");
    fi.Raw({0x00}).Id("q");              // prefix 2
    fi.Raw({0x00}).Id("urn:q");          // namespace name 2
    fi.Raw({0x01}).Id("root").Id("at");  // local names 1, 2
    fi.Raw({0x00}).Id("nc");
    fi.Raw({0x00}).Id("urn:other");
    fi.Raw({0x00}).Value("v1");  // attribute value 1
    // Chunks 1 and 2: "c1" in UTF-8, then codes 1 0 of alphabet 33 (field 32).
    fi.Raw({0x01}).Value("c1").Raw({0x22, 0x00, 0x4F});
    fi.Raw({0x00}).Value("other");
    fi.Raw({0x00, 0x03}).IntOn2(2, 0).IntOn2(2, 0).IntOn2(1, 0);  // element name 1: q:root
    fi.Raw({0x00, 0x00}).IntOn2(2, 0);                            // attribute name 1: at
    // Notations, unparsed entities, encoding scheme, standalone, version.
    fi.Raw({0xC3}).Id("n").Id("urn:s").IdIndex(1).End();
    fi.Raw({0xD1}).Id("e").Id("urn:s2").Id("urn:p2").IdIndex(1).End();
    fi.Id("UTF-8");
    fi.Raw({0x01});
    fi.Value("1.0");
    // The root uses the vocabulary: element name 1, attribute name 1 with
    // value 1, chunks 1 and 2, and a chunk in alphabet 34 (field 33).
    fi.Raw({0x40})
        .Raw({0x00})
        .ValueIndex(1)
        .End()
        .ChunkIndex(1)
        .ChunkIndex(2)
        .Raw({0x88 | (33 >> 6), ((33 & 0x3F) << 2) | 0x00, 0x27})  // codes 0 2 1, end
        .Raw({0xFF});
    EXPECT_EQ(Dump(Parse(fi.bytes)->GetDocumentElement()), "{urn:q}root[at=v1]\"c1baxzy\"");
}

TEST(FastInfosetReader, RestrictedAlphabetWidths) {
    // Alphabets of 2 and 3 characters use 2-bit codes, 200 characters 8-bit
    // codes, 300 characters 9-bit codes through the bit reader.
    auto document = [](const std::string& alphabet, std::initializer_list<unsigned> codes) {
        Fi fi;
        fi.Header(0x20).Raw({0x08, 0x00}).Raw({0x00}).Value(alphabet);
        // Field 32 (alphabet 33) across the two octets, then the length.
        fi.Element("r").Raw({0x88}).LengthOn7(static_cast<std::uint32_t>(codes.size()), 0x80);
        return fi.Raw(codes).Raw({0xFF}).bytes;
    };
    // "ab": codes 1 0 1 then 11 ends: 01 00 01 11.
    EXPECT_EQ(TextOf(document("ab", {0x47})), "bab");
    EXPECT_EQ(TextOf(document("abc", {0x9B})), "cbc");  // 10 01 10 11
    std::string wide;
    for (int i = 0; i < 300; ++i) wide += static_cast<char>('A' + i % 26);
    // 9-bit codes 27 (B) and 299 (N), then ones: 000011011 100101011 111111.
    EXPECT_EQ(TextOf(document(wide, {0x0D, 0xCA, 0xFF})), "BN");
    std::string utf8;
    for (int i = 0; i < 200; ++i) utf8 += (i == 150) ? "\xC3\xA9" : std::string(1, 'a');
    EXPECT_EQ(TextOf(document(utf8, {150, 0})),
              "\xC3\xA9"
              "a");

    // An alphabet given in UTF-16: U+00E9 U+20AC, codes 1 0 then the end.
    Fi utf16;
    utf16.Header(0x20).Raw({0x08, 0x00, 0x00, 0x13, 0x00, 0xE9, 0x20, 0xAC});
    utf16.Element("r").Raw({0x88, 0x80, 0x4F, 0xFF});
    EXPECT_EQ(TextOf(utf16.bytes), "\xE2\x82\xAC\xC3\xA9");

    // One character is too few.
    EXPECT_EQ(ParseError(document("a", {0x3F})),
              "Failed to parse FastInfoset. Invalid Encoding of Restricted Alphabet. Alphabet "
              "must contain between 2 and 2^20 characters.");
    // A code beyond the alphabet, an alphabet that is not there, a reserved one.
    EXPECT_EQ(ParseError(document("abcde", {0xDF})), kBadIndex);  // code 6 of 5
    EXPECT_EQ(ParseError(TextDocument({0x88, 0x84, 0x00})), kBadIndex);
    EXPECT_EQ(ParseError(TextDocument({0x88, 0x08, 0x00})), kBadIndex);
}

TEST(FastInfosetReader, CommentsInstructionsDeclarationsAndEntityReferencesAreSkipped) {
    Fi fi;
    fi.Header()
        .Raw({0xC7})
        .Id("sys.dtd")
        .Id("-//pub")
        .Raw({0xE1})
        .Id("t")
        .Value("x")
        .End()  // DTD
        .Raw({0xE2})
        .Value("lead", true)
        .Raw({0xE1})
        .Id("pi")
        .Raw({0xFF})
        .Element("r")
        .Chunk("a")
        .Raw({0xE2})
        .Value("between")
        .Chunk("b")
        .Raw({0xE1})
        .Id("pi2")
        .ValueIndex(1)
        .Raw({0xCB})
        .Id("ent")
        .Id("s")
        .Id("p")
        .Raw({0xC8})
        .IdIndex(1)
        .Element("k")
        .Raw({0xE2})
        .Raw({0x30, 0x33, 0, 0, 0, 0})
        .Chunk("c")
        .End()
        .Chunk("d")
        .Raw({0xFF});
    EXPECT_EQ(Dump(Parse(fi.bytes)->GetDocumentElement()), "r(k\"c\")\"abd\"");

    // A document that holds no element at all.
    Fi empty;
    empty.Header().Raw({0xE2}).Value("only").End();
    EXPECT_EQ(Parse(empty.bytes)->GetDocumentElement(), nullptr);
}

TEST(FastInfosetReader, IndexBoundariesOfEveryIntegerEncoding) {
    // A root with n literal chunks added to the table, then references to the
    // boundaries of the encodings on the fourth bit.
    Fi fi;
    fi.Header().Element("r");
    const std::uint32_t n = 1100;
    for (std::uint32_t i = 1; i <= n; ++i) fi.Chunk("<" + std::to_string(i) + ">", true);
    std::string expected;
    for (std::uint32_t i = 1; i <= n; ++i) expected += "<" + std::to_string(i) + ">";
    for (std::uint32_t i : {1u, 16u, 17u, 1040u, 1041u, 1100u}) {
        fi.ChunkIndex(i);
        expected += "<" + std::to_string(i) + ">";
    }
    fi.Raw({0xFF});
    EXPECT_EQ(TextOf(fi.bytes), expected);

    // Element names on the third bit: 2100 literal names, then indexes.
    Fi names;
    names.Header().Element("root");  // element name 1
    for (std::uint32_t i = 2; i <= 2100; ++i) names.Element("e" + std::to_string(i)).End();
    const std::vector<std::uint32_t> picks = {1, 32, 33, 2080, 2081, 2100};
    for (std::uint32_t i : picks) names.IntOn3(i, 0x00).End();
    names.End();
    auto document = Parse(names.bytes);
    auto children = Children(document->GetDocumentElement());
    ASSERT_EQ(children.size(), 2099 + picks.size());
    for (std::size_t k = 0; k < picks.size(); ++k) {
        const std::string name = picks[k] == 1 ? "root" : "e" + std::to_string(picks[k]);
        EXPECT_EQ(children[2099 + k]->GetLocalName(), name);
    }

    // Attribute values on the second bit: 8300 added values, then indexes.
    Fi values;
    values.Header().Element("r", true);
    for (std::uint32_t i = 1; i <= 8300; ++i) values.Attribute("a").Value(std::to_string(i), true);
    for (std::uint32_t i : {64u, 65u, 8256u, 8257u, 8300u}) values.Attribute("b").ValueIndex(i);
    values.Raw({0xFF});
    document = Parse(values.bytes);
    const auto& attributes = document->GetDocumentElement()->GetAttributes();
    ASSERT_EQ(attributes.size(), 8305u);
    std::string text;
    for (std::size_t i = 8300; i < 8305; ++i) text += attributes[i]->GetValue() + " ";
    EXPECT_EQ(text, "64 65 8256 8257 8300 ");

    // The largest forms decode but address nothing here.
    EXPECT_EQ(ParseError(Fi().Header().Element("r").IntOn3(600000, 0).bytes), kBadIndex);
    EXPECT_EQ(ParseError(Fi().Header().Element("r").IntOn4(300000, 0xA0).bytes), kBadIndex);
    EXPECT_EQ(ParseError(Fi().Header().Element("r", true).IntOn2(9000, 0).bytes), kBadIndex);
    EXPECT_EQ(ParseError(Fi().Header().Raw({0x3C}).IdIndex(3).bytes), kBadIndex);
}

TEST(FastInfosetReader, LongStringsUseEveryLengthEncoding) {
    for (std::uint32_t n :
         {1u, 2u, 3u, 8u, 9u, 64u, 65u, 258u, 259u, 264u, 265u, 320u, 321u, 5000u}) {
        const std::string s(n, 'z');
        Fi fi;
        fi.Header().Raw({0x7C}).Id(s).Attribute(s).Value(s).End().Chunk(s).Raw({0xFF});
        EXPECT_EQ(Dump(Parse(fi.bytes)->GetDocumentElement()),
                  s + "[" + s + "=" + s + "]\"" + s + "\"");
    }
}

TEST(FastInfosetReader, MalformedDocumentsGiveTheirMessages) {
    const std::string fail = "Failed to parse FastInfoset. ";
    const std::string kUtf8 = "Invalid UTF-8 character string.";
    const std::string kName =
        "A prefix, local name or processing instruction target is not a valid XML name.";
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {Fi().Header().Element("r").Raw({0xE3}).bytes, kBadElement},
        {Fi().Header().Raw({0x3E}).Id("p").Id("r").bytes,
         fail + "Invalid QName type Prefix without Namespace."},
        {Fi().Header().Element("r", true).Raw({0x7A}).bytes,
         fail + "Invalid QName type Prefix without Namespace."},
        {Fi().Header().Raw({0x3C, 0x41}).bytes,
         fail + "Invalid NonEmptyOctetString type  on the second bit of an octet."},
        {Fi().Header().Element("r", true).Attribute("a").Raw({0x09}).bytes,
         fail + "Invalid NonEmptyOctetString type  on the fifth bit of an octet."},
        {Fi().Header().Raw({0x3C, 0xF0}).bytes,
         fail + "Invalid Encoding of integers 1 To 2^20 type  on the second bit of an octet."},
        {Fi().Header().Element("r", true).Attribute("a").Raw({0xF0}).bytes,
         fail + "Invalid Encoding of integers 0 To 2^20 type  on the second bit of an octet."},
        {Fi().Header().Raw({0x38, 0xF0, 0x38}).bytes,
         fail + "Invalid Encoding of integers 1 To 2^20 type  on the third bit of an octet."},
        {Fi().Header().Element("r").Raw({0xBC}).bytes,
         fail + "Invalid Encoding of integers 1 To 2^20 type  on the fourth bit of an octet."},
        {Fi().Header().Element("r").Raw({0x86, 0x00, 0x00, 0x41, 0x00}).bytes,
         fail + "Invalid UTF-16 character string length."},
        {Fi().Header().Element("r").Chunk("a\xC3(").bytes, fail + kUtf8},
        {Fi().Header().Element("\xED\xA0\x80").bytes, fail + kUtf8},  // a surrogate
        // Names that text could not carry.
        {Fi().Header().Element("a b").bytes, fail + kName},
        {Fi().Header().Element("r", true).Attribute("1x").Value("v").bytes, fail + kName},
        {Fi().Header().Raw({0x3F}).Id("p:q").Id("urn:u").Id("r").bytes, fail + kName},
        {Fi().Header().Element("r", true).Attribute("a").Value("\xF4\x90\x80\x80").bytes,
         fail + kUtf8},  // beyond U+10FFFF
        {Fi().Header().Element("r").ChunkIndex(1).bytes, kBadIndex},
        {Fi().Header().Element("r", true).Attribute("a").ValueIndex(1).bytes, kBadIndex},
        {Fi().Header().Raw({0x01}).bytes, kBadIndex},
        {Fi().Header().Element("r", true).Raw({0x00}).bytes, kBadIndex},
        {Fi().Header().Element("r", true).Attribute("a").Value("v").Raw({0xE0}).bytes, kBadElement},
        {Fi().Header().Raw({0xE3}).bytes, kBadElement},
        {Fi().Header(0x10).Raw({0xC0}).Id("n").Raw({0xE0}).bytes,
         fail + "Invalid Encoding of optional component."},
        {Fi().Header(0x20).Raw({0x00, 0x02, 0x00, 0x02}).bytes,
         fail + "Invalid QName type Prefix without Namespace."},
        {Fi().Header(0x20).Raw({0x00, 0x02, 0x00, 0x00}).IdIndex(1).bytes, kBadIndex},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(ParseError(cases[i].first), cases[i].second) << "case " << i;
    }
}

// Every proper prefix of a valid document that ends inside the root element
// fails cleanly with the end-of-file message; the prefix that keeps the whole
// root reads.
TEST(FastInfosetReader, EveryTruncationFailsCleanly) {
    std::vector<Bytes> documents = {ReadFile("java_sample.finf")};
    Fi rich;
    rich.Header(0x7F)
        .Raw({0x00})
        .Id("i")
        .Id("d")
        .Raw({0x1F, 0xFF})
        .Id("u")
        .Raw({0x00})
        .Value("ab")
        .Raw({0x00})
        .Id("a")
        .Raw({0x00})
        .Id("p")
        .Raw({0x00})
        .Id("n")
        .Raw({0x00})
        .Id("l")
        .Raw({0x00})
        .Id("o")
        .Raw({0x00})
        .Id("o")
        .Raw({0x00, 0x00, 0x61, 0x00, 0x00, 0x61, 0x00, 0x00, 0x61})
        .Raw({0x00, 0x01, 0x81, 0x80, 0x00, 0x00, 0x80})
        .Raw({0xC3})
        .Id("n")
        .Id("s")
        .Id("p")
        .End()
        .Raw({0xD1})
        .Id("e")
        .Id("s")
        .Id("p")
        .Id("n")
        .End()
        .Id("enc")
        .Raw({0x00})
        .Value("1.0")
        .Raw({0xC4, 0xF0, 0xE2})
        .Value("c")
        .Raw({0x78, 0xCF})
        .IdIndex(2)
        .IdIndex(2)
        .End()
        .Raw({0x3F})
        .IdIndex(2)
        .IdIndex(2)
        .IdIndex(1)
        .Raw({0x78})
        .Id("a")
        .Raw({0x30, 0x33, 0, 0, 0, 1})
        .End()
        .Raw({0x85, 0x00, 0x41})
        .Raw({0x88, 0x02, 0x00, 0x12, 0xCD, 0xAF})
        .Element("k")
        .Raw({0xE1})
        .Id("t")
        .Value(std::string(300, 'v'))
        .Raw({0xFF});
    documents.push_back(rich.bytes);
    for (const Bytes& whole : documents) {
        ASSERT_EQ(ParseError(whole), "");
        // The root's last octet: the reader stops right after it.
        std::size_t end = whole.size();
        while (end > 5 && ParseError(Bytes(whole.begin(), whole.begin() + end - 1)).empty()) --end;
        EXPECT_GT(end, whole.size() / 2);
        for (std::size_t size = 5; size < end; ++size) {
            ASSERT_EQ(ParseError(Bytes(whole.begin(), whole.begin() + size)), kEof) << size;
        }
    }
}

TEST(FastInfosetReader, HostileLengthsAndNestingAreRefused) {
    // Lengths and counts far beyond the input: refused before any allocation.
    const std::vector<Bytes> hostile = {
        Fi().Header().Raw({0x3C, 0x60, 0xFF, 0xFF, 0xFF, 0xFF}).bytes,
        Fi().Header().Element("r", true).Attribute("a").Raw({0x0C, 0xFF, 0xFF, 0xFF, 0xFF}).bytes,
        Fi().Header().Element("r").Raw({0x83, 0xFF, 0xFF, 0xFF, 0xF0}).bytes,
        Fi().Header().Element("r").Raw({0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).bytes,
        Fi().Header(0x40).Raw({0x8F, 0xFF, 0xFF, 0x00}).bytes,
        Fi().Header(0x20).Raw({0x08, 0x00, 0x8F, 0xFF, 0xFF}).bytes,
        Fi().Header(0x04).Raw({0x60, 0x7F, 0xFF, 0xFF, 0xFF}).bytes,
    };
    for (const Bytes& bytes : hostile) EXPECT_EQ(ParseError(bytes), kEof);

    // Deep nesting is read without recursion (and freed by the document).
    const int depth = 200000;
    Fi deep;
    deep.Header().Element("d");
    for (int i = 1; i < depth; ++i) deep.Raw({0x00});
    for (int i = 0; i < depth / 2; ++i) deep.Raw({0xFF});
    auto document = Parse(deep.bytes);
    int levels = 0;
    for (const CXmlElement* e = document->GetDocumentElement(); e; e = e->GetFirstElement())
        ++levels;
    EXPECT_EQ(levels, depth);
    Fi open = deep;
    open.bytes.resize(open.bytes.size() - 1);
    EXPECT_EQ(ParseError(open.bytes), kEof);

    // A long table entry repeated without end cannot inflate the tree.
    Fi bomb;
    bomb.Header().Element("r").Chunk(std::string(100000, 'x'), true);
    for (int i = 0; i < 1000; ++i) bomb.ChunkIndex(1);
    EXPECT_EQ(ParseError(bomb.bytes),
              "Failed to parse FastInfoset. The document expands beyond the supported size.");
}

// Documents of our writer read back, however large its tables grow and however
// often a long name repeats.
TEST(FastInfosetReader, ReadsWhatTheWriterWrites) {
    const auto readBack = [](const std::function<void(CFastInfosetWriter&)>& body) {
        CFastInfosetWriter writer;
        writer.WriteHeader(FI_DECL_NONE);
        body(writer);
        writer.WriteEndDocument();
        const CBinaryData output = writer.GetOutput();
        return Parse(Bytes(output.GetData(), output.GetData() + output.GetLength()));
    };
    // 2^19 elements, each with a new element name and a new attribute name,
    // fill the local-name table; the last attribute name is indexed anyway
    // (built octet by octet, as the writer writes it, to keep the test fast).
    const std::uint32_t count = 1u << 19;
    Fi full;
    full.Header().Element("r");
    for (std::uint32_t i = 0; i < count; ++i) {
        full.Element("e" + std::to_string(i), true).Attribute("a" + std::to_string(i));
        full.Raw({0xFF, 0xFF});  // empty value; end of attributes and element
    }
    full.IntOn3(2, 0x40).IntOn2(count, 0x00).Raw({0xFF, 0xFF, 0xFF});
    auto document = Parse(full.bytes);
    const CXmlElement* child = document->GetDocumentElement()->GetFirstElement();
    while (child->GetNextSiblingElement()) child = child->GetNextSiblingElement();
    EXPECT_EQ(child->GetLocalName(), "e0");
    EXPECT_EQ(child->GetAttributes()[0]->GetLocalName(), "a" + std::to_string(count - 1));

    // A namespace declared twice takes two indexes, as every literal does.
    auto twice = readBack([](CFastInfosetWriter& w) {
        w.AddNamespace("p", "urn:a");
        w.AddNamespace("q", "urn:a");
        w.WriteStartElement("r", "urn:a");
        for (int i = 0; i < 2; ++i) {
            w.WriteStartElement("b", "urn:b");
            w.WriteEndElement();
        }
        w.WriteEndElement();
    });
    for (const CXmlElement* b : Children(twice->GetDocumentElement())) {
        EXPECT_EQ(b->GetNamespaceURI(), "urn:b");
    }

    // 200,000 children in a 2,000-character namespace share its one copy.
    const std::string ns = "urn:" + std::string(2000, 'n');
    auto wide = readBack([&](CFastInfosetWriter& w) {
        w.WriteStartElement("r", ns);
        for (int i = 0; i < 200000; ++i) {
            w.WriteStartElement("c", ns);
            w.WriteEndElement();
        }
        w.WriteEndElement();
    });
    EXPECT_EQ(Children(wide->GetDocumentElement()).size(), 200000u);
    EXPECT_EQ(&wide->GetDocumentElement()->GetFirstElement()->GetNamespaceURI(),
              &wide->GetDocumentElement()->GetNamespaceURI());
}

// The fuzzing seeds are valid documents, so that fuzzing starts from inputs
// that reach deep into the reader.
TEST(FastInfosetReader, FuzzSeedsAreValidDocuments) {
    const std::filesystem::path seeds =
        std::filesystem::path(QB_SOURCE_DIR) / "fuzz/corpus/fastinfoset";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        const std::string content = QbTest::ReadFile(entry.path().string());
        const Bytes bytes(content.begin(), content.end());
        EXPECT_EQ(ParseError(bytes), "") << entry.path();
        EXPECT_NE(Parse(bytes)->GetDocumentElement(), nullptr) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 4);
}
