// Exact output of CXmlTextWriter and its block buffer.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "support/XmlOracle.h"
#include "types/CBinaryData.h"
#include "xml/CMixedText.h"
#include "xml/CStringBuffer.h"
#include "xml/CXmlNameCheck.h"
#include "xml/CXmlTextWriter.h"

using namespace QbXmlLib5;
using QbTest::MessageOf;

namespace {

// root id="1" { a: "x", b: empty, c { d: "y" } }
void WriteSample(CXmlTextWriter& w) {
    w.WriteStartElement("root", "");
    w.WriteAttribute("id", "", "1");
    w.WriteStartElement("a", "");
    w.WriteText("x");
    w.WriteEndElement();
    w.WriteStartElement("b", "");
    w.WriteText("");  // nothing: b stays empty
    w.WriteEndElement();
    w.WriteStartElement("c", "");
    w.WriteStartElement("d", "");
    w.WriteText("y");
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteEndDocument();
}

std::string Sample(bool declaration, bool formatted, EOLType eol) {
    CXmlTextWriter w;
    w.SetFormatted(formatted);
    w.SetEOLType(eol);
    if (declaration) w.WriteStartDocument(XE_NONE);
    WriteSample(w);
    return w.GetXml();
}

TEST(XmlTextWriterTest, LayoutForEveryFormattingAndLineEndStyle) {
    std::string formatted =
        "<?xml version=\"1.0\"?>\n<root id=\"1\">\n\t<a>x</a>\n\t<b/>\n"
        "\t<c>\n\t\t<d>y</d>\n\t</c>\n</root>\n";
    EXPECT_EQ(Sample(true, true, EOL_LF), formatted);
    for (std::size_t at = 0; (at = formatted.find('\n', at)) != std::string::npos; at += 2) {
        formatted.insert(at, 1, '\r');
    }
    EXPECT_EQ(Sample(true, true, EOL_CRLF), formatted);
    const std::string plain = "<root id=\"1\"><a>x</a><b/><c><d>y</d></c></root>";
    EXPECT_EQ(Sample(false, false, EOL_LF), plain);
    EXPECT_EQ(Sample(false, false, EOL_CRLF), plain);
    EXPECT_EQ(Sample(true, false, EOL_CRLF), "<?xml version=\"1.0\"?>\r\n" + plain);
    EXPECT_EQ(Sample(false, true, EOL_LF).substr(0, 15), "<root id=\"1\">\n\t");
}

// Formatting adds nothing inside an element with text of its own and
// children: text placed by SetMixedContent, or written directly.
TEST(XmlTextWriterTest, MixedContentIsWrittenAsItIs) {
    CMixedText text;
    text.SetSegment(0, "See ");
    text.SetSegment(1, " and ");
    text.SetSegment(2, ".");
    CXmlTextWriter w;
    w.SetEOLType(EOL_LF);
    w.WriteStartElement("doc", "");
    w.WriteStartElement("p", "");
    w.SetMixedContent(&text);
    for (const char* child : {"b", "i"}) {
        w.WriteStartElement(child, "");
        w.WriteStartElement("u", "");
        w.WriteEndElement();
        w.WriteEndElement();
    }
    w.WriteEndElement();
    w.WriteStartElement("q", "");
    w.WriteText("direct");
    w.WriteStartElement("b", "");
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteStartElement("last", "");
    w.WriteEndElement();
    w.WriteEndElement();
    EXPECT_EQ(w.GetXml(),
              "<doc>\n\t<p>See <b><u/></b> and <i><u/></i>.</p>\n\t<q>direct<b/></q>\n"
              "\t<last/>\n</doc>\n");
}

TEST(XmlTextWriterTest, DeclarationNamesTheEncodingAndRestartsTheOutput) {
    const std::pair<XmlEncoding, const char*> cases[] = {
        {XE_NONE, "<?xml version=\"1.0\"?>\n"},
        {XE_UTF8, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"},
        {XE_UTF16, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"},
        {XE_UTF16_NO_DECL, "<?xml version=\"1.0\"?>\n"},
        {static_cast<XmlEncoding>(7), "<?xml version=\"1.0\"?>\n"}};
    for (const auto& c : cases) {
        CXmlTextWriter w;
        w.SetFormatted(false);  // the line end follows the declaration anyway
        w.WriteProcessingInstruction("<?discarded?>");
        w.WriteStartDocument(c.first);
        EXPECT_EQ(w.GetXml(), c.second);
    }
}

TEST(XmlTextWriterTest, EscapingOfTextAttributesAndComments) {
    const std::string raw = "a&b<c>d\"e'f\tg\nh\ri\xC3\xA9";
    for (EOLType eol : {EOL_LF, EOL_CRLF}) {
        CXmlTextWriter w;
        w.SetFormatted(false);
        w.SetEOLType(eol);
        w.WriteStartElement("r", "");
        w.WriteAttribute("v", "", raw);
        w.WriteText(raw);
        w.WriteText(std::string("cut\0off", 7));  // text ends at its first NUL
        w.WriteComment(raw);
        w.WriteEndElement();
        const std::string nl = eol == EOL_LF ? "\n" : "\r\n";
        const std::string escaped = "a&amp;b&lt;c&gt;d&quot;e'f\tg" + nl + "hi\xC3\xA9";
        // Attribute values keep tab, line feed and carriage return as references.
        const std::string attribute = "a&amp;b&lt;c&gt;d&quot;e'f&#9;g&#10;h&#13;i\xC3\xA9";
        EXPECT_EQ(w.GetXml(), "<r v=\"" + attribute + "\">" + escaped + "cut<!--" + escaped +
                                  "-->" + nl + "</r>");
#ifdef QB_HAVE_LIBXML2
        QbTest::ExpectedElement r{"r", "", {{"v", "", raw}}};
        r.text = raw + "cut\n";
        QbTest::ExpectDocument(w.GetXml(), r, true);
#endif
    }
}

// Text is scanned for the characters it escapes many bytes at a time: each of
// them (and a NUL, where writing stops) at every position of values up to 40
// bytes, in text and in attribute values, against the rule itself.
TEST(XmlTextWriterTest, EscapesAtEveryPositionOfLongerValues) {
    const auto escape = [](const std::string& raw, bool attribute) {
        std::string out;
        for (const char c : raw) {
            if (c == '\0') break;
            if (c == '&')
                out += "&amp;";
            else if (c == '<')
                out += "&lt;";
            else if (c == '>')
                out += "&gt;";
            else if (c == '"')
                out += "&quot;";
            else if (c == '\t' && attribute)
                out += "&#9;";
            else if (c == '\n')
                out += attribute ? "&#10;" : "\n";
            else if (c == '\r')
                out += attribute ? "&#13;" : "";
            else
                out += c;
        }
        return out;
    };
    for (std::size_t length = 1; length <= 40; ++length) {
        std::string base;
        while (base.size() < length) base += base.size() % 5 == 4 ? "\xC3\xA9" : "a";
        base.resize(length);
        for (std::size_t at = 0; at < length; ++at) {
            for (const char special : {'&', '<', '>', '"', '\t', '\n', '\r', '\0', '\''}) {
                std::string raw = base;
                raw[at] = special;
                raw += "&";  // a second stop after the first
                CXmlTextWriter w;
                w.SetFormatted(false);
                w.WriteStartElement("r", "");
                w.WriteAttribute("v", "", raw);
                w.WriteText(raw);
                w.WriteEndElement();
                ASSERT_EQ(w.GetXml(),
                          "<r v=\"" + escape(raw, true) + "\">" + escape(raw, false) + "</r>")
                    << "length " << length << ", byte " << int(special) << " at " << at;
            }
        }
    }
}

TEST(XmlTextWriterTest, ProcessingInstructionsCommentsAndTheInLineSchema) {
    CXmlTextWriter w;
    w.SetEOLType(EOL_CRLF);
    w.WriteStartDocument(XE_UTF8);
    w.WriteProcessingInstruction("<?xml-stylesheet href=\"a&b.xsl\"?>");  // unescaped
    w.WriteComment("c");
    w.WriteStartElement("root", "urn:r");
    w.WriteAttribute("a", "", "1");
    w.WriteInLineSchema("<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"/>");
    w.WriteStartElement("child", "");
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteEndDocument();
    const std::string xml = w.GetXml();
    EXPECT_EQ(xml,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<?xml-stylesheet href=\"a&b.xsl\"?>\r\n\r\n"
              "<!--c-->\r\n"
              "<AA:root xmlns:AA=\"urn:r\" a=\"1\">\r\n"
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"/>\r\n"
              "\t<child/>\r\n"
              "</AA:root>\r\n");
#ifdef QB_HAVE_LIBXML2
    QbTest::ExpectedElement root{"root", "urn:r", {{"a", "", "1"}}};
    root.children.push_back(QbTest::ExpectedElement{"schema", "http://www.w3.org/2001/XMLSchema"});
    root.children.push_back(QbTest::ExpectedElement{"child", ""});
    QbTest::ExpectDocument(xml, root, false);
#endif
}

TEST(XmlTextWriterTest, InvalidLineEndStyleIsRefused) {
    CXmlTextWriter w;
    EXPECT_EQ(MessageOf([&] { w.SetEOLType(static_cast<EOLType>(2)); }), "Invalid EOL type.");
    // The previous style stays in force.
    w.WriteStartDocument(XE_NONE);
    EXPECT_EQ(w.GetXml(), "<?xml version=\"1.0\"?>\n");
}

TEST(XmlTextWriterTest, NamesThatAreNotXmlNamesAreRefused) {
    // XML name characters, colon excluded (prefixes are the
    // writer's), UTF-8 checked to the last byte.
    const std::vector<std::string> valid = {"a", "_x-1.b", "\xC3\xA9t\xC3\xA9", "\xF0\x90\x80\x80",
                                            "a\xCC\x80"};
    const std::vector<std::string> invalid = {"",     "1a",       "-a",           "a b",
                                              "x<y",  "a:b",      "a\"",          "\xCC\x80",
                                              "\xC3", "\xC0\xA1", "\xED\xA0\x80", "a\xFF"};
    for (const bool ok : {true, false}) {
        for (const std::string& name : ok ? valid : invalid) {
            SCOPED_TRACE(name);
            for (int where = 0; where < 3; ++where) {
                CXmlTextWriter w;
                w.SetFormatted(false);
                const std::string good = "r";
                const auto run = [&] {
                    if (where == 2) w.AddNamespace(name, "urn:p");  // a prefix the caller chose
                    w.WriteStartElement(where == 0 ? name : good, "");
                    w.WriteAttribute(where == 1 ? name : good, where == 2 ? "urn:p" : "", "v");
                };
                const std::string kind[] = {"element name", "attribute name", "namespace prefix"};
                EXPECT_EQ(MessageOf(run), ok ? "(no exception)"
                                             : "Cannot write the " + kind[where] + " [" + name +
                                                   "] as XML: it is not a valid XML name");
            }
        }
    }
}

// ASCII names are checked many bytes at a time: every byte value at every
// position of names from 1 to 40 bytes long, against the rule itself.
TEST(XmlTextWriterTest, EveryByteAtEveryPositionOfAsciiNames) {
    const auto nameByte = [](unsigned char c, bool first) {
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        return start || (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
    };
    for (std::size_t length = 1; length <= 40; ++length) {
        std::string name(length, 'a');
        for (std::size_t i = 0; i < length; ++i) name[i] = "aZ_9.-"[i % 6 == 0 ? 0 : i % 6];
        ASSERT_TRUE(IsXmlNCName(name)) << name;
        // A name beyond ASCII is a name, but not one to skip checks for.
        ASSERT_FALSE(IsAsciiXmlNCName(name + "\xC3\xA9")) << name;
        ASSERT_TRUE(IsXmlNCName(name + "\xC3\xA9")) << name;
        for (std::size_t at = 0; at < length; ++at) {
            std::string changed = name;
            for (int c = 0; c < 256; ++c) {
                changed[at] = static_cast<char>(c);
                const bool valid = nameByte(static_cast<unsigned char>(c), at == 0);
                if (IsXmlNCName(changed) != valid || IsAsciiXmlNCName(changed) != valid) {
                    ADD_FAILURE() << "length " << length << ", byte " << c << " at " << at;
                    return;
                }
            }
        }
    }
}

TEST(XmlTextWriterTest, BytesInUtf8AndUtf16LittleEndian) {
    CXmlTextWriter w;
    w.SetFormatted(false);
    w.WriteStartDocument(XE_UTF16_NO_DECL);
    w.WriteStartElement("r", "");
    w.WriteText("a\xE2\x82\xAC\xF0\x9D\x84\x9E");  // a, euro sign, U+1D11E
    w.WriteEndElement();
    const std::string text = "<?xml version=\"1.0\"?>\n<r>a\xE2\x82\xAC\xF0\x9D\x84\x9E</r>";
    EXPECT_EQ(w.GetXmlBytes(XE_UTF8).GetString(), text);
    std::string utf16;
    for (char c : std::string("<?xml version=\"1.0\"?>\n<r>a")) utf16 += std::string{c, '\0'};
    utf16 += std::string("\xAC\x20\x34\xD8\x1E\xDD<\0/\0r\0>\0", 14);
    EXPECT_EQ(w.GetXmlBytes(XE_UTF16_NO_DECL).GetString(), utf16);  // no byte-order mark
    EXPECT_EQ(w.GetXmlBytes(XE_UTF16).GetString(), utf16);
    for (XmlEncoding bad : {XE_NONE, static_cast<XmlEncoding>(4)}) {
        EXPECT_EQ(
            MessageOf([&] { w.GetXmlBytes(bad); }).rfind("Unknown Encoding, select UTF-8 (", 0),
            0u);
    }
    EXPECT_EQ(w.GetXml(), text);  // taking bytes leaves the text as it was
}

// End tags repeat the names their start tags wrote: the output taken
// (TakeXml), joined (GetXmlBytes) or restarted while elements are open, and
// names straddling two blocks of the output, must not change them. The
// oracle is the whole document written at once.
TEST(XmlTextWriterTest, EndTagsSurviveTheOutputBeingTakenOrJoined) {
    const std::string longName(300, 'n');
    for (std::size_t filler = CStringBuffer::kBlockSize - 700;
         filler < CStringBuffer::kBlockSize - 250; filler += 37) {
        SCOPED_TRACE(filler);
        std::string whole;
        std::string pieces;
        for (int mode = 0; mode < 2; ++mode) {
            CXmlTextWriter w;
            w.WriteStartDocument(XE_UTF8);
            w.WriteStartElement("root", "urn:r");
            w.WriteStartElement("filler", "");
            w.WriteText(std::string(filler, 'f'));
            w.WriteEndElement();
            for (int i = 0; i < 6; ++i) {
                w.WriteStartElement(i % 2 ? "short" : longName, i % 3 ? "urn:other" : "");
                if (mode == 1 && i == 2) pieces += w.TakeXml();
                if (mode == 1 && i == 4) w.GetXmlBytes(XE_UTF8);
            }
            for (int i = 0; i < 7; ++i) w.WriteEndElement();
            (mode == 0 ? whole : pieces) += w.TakeXml();
        }
        EXPECT_TRUE(pieces == whole);
        EXPECT_NE(whole.find("</AB:" + longName + ">"), std::string::npos);
    }
}

TEST(StringBufferTest, BlocksJoinIntoExactlyWhatWasAppended) {
    std::mt19937 rng(7);
    for (std::size_t total :
         {std::size_t(0), std::size_t(1), CStringBuffer::kBlockSize - 1, CStringBuffer::kBlockSize,
          CStringBuffer::kBlockSize + 1, std::size_t(5 * CStringBuffer::kBlockSize + 17)}) {
        SCOPED_TRACE(total);
        CStringBuffer buffer;
        std::string expected;
        while (expected.size() < total) {
            // Pieces of every size, half of them short, some longer than a block.
            const std::size_t size = rng() % 2 ? rng() % 20 + 1 : rng() % 70000 + 1;
            std::size_t n = std::min<std::size_t>(total - expected.size(), size);
            std::string piece(n, '\0');
            for (char& c : piece) c = static_cast<char>('a' + rng() % 26);
            if (n == 1) {
                buffer.Append(piece[0]);
            } else {
                buffer.Append(piece.data(), piece.size());
            }
            expected += piece;
        }
        EXPECT_EQ(buffer.GetLength(), total);
        EXPECT_TRUE(buffer.ToString() == expected);
        std::string copied(total, '\0');
        buffer.CopyTo(&copied[0]);
        EXPECT_TRUE(copied == expected);
        const char* joined = buffer.Join();
        EXPECT_TRUE(std::string(joined) == expected);  // NUL-terminated, no stale bytes
        EXPECT_EQ(joined, buffer.Join());              // joining again changes nothing
        buffer.Append("tail");
        EXPECT_TRUE(std::string(buffer.Join()) == expected + "tail");
        buffer.Reset();
        EXPECT_EQ(buffer.GetLength(), 0u);
        EXPECT_STREQ(buffer.Join(), "");
    }
}

}  // namespace
