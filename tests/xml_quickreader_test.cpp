// CQuickXmlReader against Expat, the oracle: whatever the quick reader
// accepts, Expat accepts too and builds the same tree from (names, attributes,
// text, text offsets, line and column, namespace scopes) and hands the same
// events over (CXmlEventParser); whatever it declines, a load gives exactly
// what Expat alone gives, tree or message.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/CQbException.h"
#include "support/DocumentDump.h"
#include "xml/CExpatReader.h"
#include "xml/CQuickXmlReader.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElementConsumer.h"
#include "xml/CXmlEventParser.h"

using namespace QbXmlLib5;

namespace {

struct Outcome {
    bool accepted = false;  // the quick reader's verdict; always true for Expat's
    std::string tree;       // the dump when the text was read
    std::string error;      // Expat's message otherwise
};

const unsigned char* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

Outcome Quick(const std::string& text) {
    CXmlDocument document;
    document.SetKeepLineNumbers(true);
    CQuickXmlReader reader(&document);
    Outcome outcome;
    outcome.accepted = reader.Parse(Bytes(text), text.size());
    if (outcome.accepted)
        outcome.tree = QbTest::DumpDocument(document, QbTest::DeclaredPrefixes(text));
    return outcome;
}

Outcome Expat(const std::string& text) {
    CXmlDocument document;
    document.SetKeepLineNumbers(true);
    CExpatReader reader(&document);
    Outcome outcome;
    outcome.accepted = true;
    try {
        reader.Parse(Bytes(text), text.size(), nullptr);
        outcome.tree = QbTest::DumpDocument(document, QbTest::DeclaredPrefixes(text));
    } catch (const CQbException& e) {
        outcome.error = e.GetMessage();
    }
    return outcome;
}

// The events the quick reader hands a sink, or "declined".
std::string QuickEvents(const std::string& text) {
    CXmlDocument names;
    QbTest::CEventRecorder recorder;
    CQuickXmlReader reader(&names);
    reader.SetEventSink(&recorder);
    return reader.Parse(Bytes(text), text.size()) ? recorder.log : "declined";
}

std::string ExpatEvents(const std::string& text) {
    QbTest::CEventRecorder recorder;
    try {
        CXmlEventParser(recorder).Parse(Bytes(text), text.size(), true);
    } catch (const CQbException& e) {
        return e.GetMessage();
    }
    return recorder.log;
}

// What CXmlDocument::LoadXmlStream makes of the text, in the same terms.
Outcome Load(const std::string& text) {
    CXmlDocument document;
    document.SetKeepLineNumbers(true);
    Outcome outcome;
    outcome.accepted = true;
    try {
        document.LoadXmlStream(Bytes(text), text.size());
        outcome.tree = QbTest::DumpDocument(document, QbTest::DeclaredPrefixes(text));
    } catch (const CQbException& e) {
        outcome.error = e.GetMessage();
    }
    return outcome;
}

// Hands `text` over in pieces of one to seven bytes, so that every construct
// is cut somewhere; `rewinds` counts the starts over.
struct CPieces {
    explicit CPieces(const std::string& whole) : text(whole) {}
    std::size_t operator()(unsigned char* buffer, std::size_t size) {
        std::size_t n = std::min({size, text.size() - at, std::size_t{1} + (next++ * 5) % 7});
        std::copy(text.begin() + static_cast<std::ptrdiff_t>(at),
                  text.begin() + static_cast<std::ptrdiff_t>(at + n), buffer);
        at += n;
        return n;
    }
    const std::string& text;
    std::size_t at = 0;
    std::size_t next = 0;
};

// The quick reader fed in pieces gives what it gives fed whole: the same
// verdict, tree and events; a load from pieces gives Expat's tree or
// message, whether it may start the pieces over or not.
void CheckPieces(const std::string& text, const Outcome& quick, const std::string& events,
                 const Outcome& expat) {
    {
        CXmlDocument document;
        document.SetKeepLineNumbers(true);
        CQuickXmlReader reader(&document);
        CPieces pieces(text);
        EXPECT_EQ(reader.Parse(std::ref(pieces)), quick.accepted) << text;
        if (quick.accepted) {
            EXPECT_EQ(QbTest::DumpDocument(document, QbTest::DeclaredPrefixes(text)), quick.tree)
                << text;
        }
    }
    {
        CXmlDocument names;
        QbTest::CEventRecorder recorder;
        CQuickXmlReader reader(&names);
        reader.SetEventSink(&recorder);
        CPieces pieces(text);
        EXPECT_EQ(reader.Parse(std::ref(pieces)) ? recorder.log : "declined", events) << text;
    }
    for (const bool rewinds : {true, false}) {
        CXmlDocument document;
        document.SetKeepLineNumbers(true);
        CPieces pieces(text);
        Outcome load;
        try {
            document.LoadXmlFrom(
                std::ref(pieces),
                rewinds ? std::function<void()>([&pieces] { pieces.at = 0; }) : nullptr);
            load.tree = QbTest::DumpDocument(document, QbTest::DeclaredPrefixes(text));
        } catch (const CQbException& e) {
            load.error = e.GetMessage();
        }
        EXPECT_EQ(load.tree, expat.tree) << text;
        if (expat.tree.empty() && expat.error.empty()) {
            EXPECT_NE(load.error, "") << text;
        } else {
            EXPECT_EQ(load.error, expat.error) << text;
        }
    }
}

// The quick reader either declines or agrees with Expat; a load always
// agrees with Expat. Returns whether the quick reader accepted.
bool CheckAgainstExpat(const std::string& text) {
    const Outcome quick = Quick(text);
    const Outcome expat = Expat(text);
    if (quick.accepted) {
        EXPECT_EQ(expat.error, "") << "accepted what Expat refuses: " << text;
        EXPECT_EQ(quick.tree, expat.tree) << text;
    }
    // As events, the quick reader declines the same documents.
    const std::string events = QuickEvents(text);
    EXPECT_EQ(events == "declined", !quick.accepted) << text;
    if (quick.accepted) {
        EXPECT_EQ(events, ExpatEvents(text)) << text;
    }
    CheckPieces(text, quick, events, expat);
    const Outcome load = Load(text);
    EXPECT_EQ(load.tree, expat.tree) << text;
    if (expat.tree.empty() && expat.error.empty()) {
        EXPECT_NE(load.error, "") << text;  // no element at all
    } else {
        EXPECT_EQ(load.error, expat.error) << text;
    }
    return quick.accepted;
}

TEST(QuickXmlReader, ReadsCommonDocumentsAsExpatDoes) {
    const std::string pad(40, ' ');
    const char* const documents[] = {
        "<a/>",
        "<a></a >",
        "\xEF\xBB\xBF<a>x</a>",
        "<?xml version=\"1.0\"?><a/>",
        "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<a/>\n",
        "<!-- c --><?pi data?><a><!----><?p?>t<!-- - --></a><!--e--> <?q  x ?>\n",
        "<a>t<!-- x\r\ny\rz -->u<?p a\r\nb\r?>v<![CDATA[\r\n]]>w</a>",
        "<a>x&lt;&gt;&amp;&apos;&quot;&#65;&#x42;&#xe9;&#128512;y</a>",
        "<a>one&#13;two&#10;three&#9;four\r\nfive\rsix\n\r\nseven</a>",
        "<a b='1' c=\"2\" d = '&lt;\"&amp;' e=\"'\" f=\"a\tb\nc\r\nd\re\" "
        "g=\"&#9;&#10;&#13;&#32;\"/>",
        "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E text ] ]> >\x7F\xC2\x80\xC2\x85</a>",
        "<a v='\xC3\xA9\xE2\x82\xAC'><![CDATA[<x>&amp;]]]]><![CDATA[>\r\n\r]]></a>",
        "<r xmlns='urn:d' xmlns:p='urn:p'><p:e p:a='1' a='2' xml:lang='en'><e xmlns=''>"
        "<q:f xmlns:q='urn:p' q:b='3'/></e></p:e><e xmlns:p='urn:other'><p:e/></e><p:e/></r>",
        "<r xmlns:a='urn:x' xmlns:b='urn:y'><e a:n='1' b:n='2'/><a:e xmlns:a='urn:y'/><a:e/></r>",
        "<r>\n  <e>\r\n\t<f/>\xC3\xA9\xC3\xA9<g/>\r<h/></e>\n<i/>" /* lines and columns */
        "                                     \xF0\x9D\x84\x9E<j/>\r\n\r\n<k/></r>",
    };
    for (const char* document : documents) {
        EXPECT_TRUE(CheckAgainstExpat(document)) << document;
    }
    // Positions across the sixteen-byte blocks the counter takes at once.
    std::string text = "<r>";
    for (int i = 0; i < 40; ++i) {
        text += std::string(static_cast<std::size_t>(i), i % 3 ? ' ' : '\t') +
                (i % 4 ? "\xC3\xA9" : "") + (i % 5 ? "\n" : "\r\n") + pad.substr(0, i % 17) +
                "<e/>";
    }
    EXPECT_TRUE(CheckAgainstExpat(text + "</r>"));
    // Deep scopes: each level rebinds p and declares a prefix of its own,
    // and every name is resolved after the level's declarations.
    std::string deep;
    const int depth = 200;
    for (int i = 0; i < depth; ++i) {
        deep += "<p:e xmlns:p='urn:" + std::to_string(i % 3) + "' xmlns:q" + std::to_string(i) +
                "='urn:q' q" + std::to_string(i) + ":a='" + std::to_string(i) + "'>";
    }
    for (int i = 0; i < depth; ++i) deep += "<p:f/></p:e>";
    EXPECT_TRUE(CheckAgainstExpat(deep));
}

TEST(QuickXmlReader, LeavesTheRestToExpat) {
    const char* const documents[] = {
        // Well-formed, but beyond the quick reader's form.
        "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",
        "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>",
        "<?xml version='1.1'?><a/>",
        "<a\xC2\xB7/>",  // a name character beyond the letters this reader takes
        "<\xF0\x90\x80\x80/>",
        "<a xmlns:xml='http://www.w3.org/XML/1998/namespace'/>",
        // Not well-formed: Expat's message.
        "",
        "<a>",
        "<a></b>",
        "<a></ab>",
        "<a b='1' b='2'/>",
        "<a xmlns:p='u' xmlns:q='u' p:b='1' q:b='2'/>",
        "<p:a/>",
        "<a p:b='1'/>",
        "<a xmlns:p=''/>",
        "<a b='<'/>",
        "<a b='1'c='2'/>",
        "<a>&unknown;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#x110000;</a>",
        "<a>&#12a;</a>",
        "<a>]]></a>",
        "<a>\x01</a>",
        "<a>\xFF</a>",
        "<a>\xEF\xBF\xBE</a>",
        "<a>\xED\xA0\x80</a>",
        "<a>0123456789abcdef0123456789\xFF</a>",  // past the first sixteen bytes
        "<a>0123456789abcdef0123456789\xEF\xBF\xBE<b/></a>",
        "<a b='0123456789abcdef0123456789\xC3'/>",
        "<a><!-- a -- b --></a>",
        "<a><!-- a ---></a>",
        "<a><?xml version='1.0'?></a>",
        "<a/><b/>",
        "<a/>text",
        " <?xml version='1.0'?><a/>",
        "<a:b:c xmlns:a='u'/>",
        "<a><![CDATA[x]]</a>",
        "<a",
        "<a b='1",
    };
    for (const char* document : documents) {
        EXPECT_FALSE(CheckAgainstExpat(document)) << document;
    }
}

// Names beyond ASCII: letters of common scripts are read here, anything
// else goes to Expat; either way the outcome is Expat's. Every character of
// the Basic Multilingual Plane is tried at the start of a name, inside one,
// in a prefix and an attribute name, with elements after it on the same line
// (their columns count characters, not bytes).
TEST(QuickXmlReader, NamesBeyondAsciiAsExpatReadsThem) {
    const auto utf8 = [](std::uint32_t c) {
        std::string out;
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
        return out;
    };
    std::size_t accepted = 0;
    for (std::uint32_t c = 0x80; c <= 0xFFFD; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::string l = utf8(c);
        const std::string text = "<" + l + "a xmlns:" + l + "p='u'><b" + l + " " + l + "p:" + l +
                                 "='1' c='2'/><" + l + "p:c" + l + "/></" + l + "a>";
        const Outcome quick = Quick(text);
        if (!quick.accepted) continue;
        ++accepted;
        const Outcome expat = Expat(text);
        ASSERT_EQ(expat.error, "") << "accepted what Expat refuses: U+" << std::hex << c;
        ASSERT_EQ(quick.tree, expat.tree) << std::hex << c;
    }
    EXPECT_GT(accepted, 30000u);  // the CJK ideographs and Hangul alone
    // The whole check (events, pieces, loads) on a letter of each script.
    for (const char* text : {"<\xC3\xA9l\xC3\xA9ment/>", "<a \xC3\xA9='1'/>",
                             "<a><b\xC3\xA9/>\n<\xCE\xB1 \xD0\x96='\xE3\x81\x82'/></a>",
                             "<\xE6\x97\xA5:x xmlns:\xE6\x97\xA5='u'><\xEA\xB0\x80/></\xE6\x97\xA5:x>"}) {
        EXPECT_TRUE(CheckAgainstExpat(text)) << text;
    }
}

// An element consumer sees one complete pass: the elements offered before
// the quick reader declined are withdrawn.
TEST(QuickXmlReader, ConsumerStartsOverWhenDeclined) {
    class CCounter : public CXmlElementConsumer {
    public:
        void ElementOpened(const CXmlElement*) override { ++opened; }
        Taken ElementClosed(const CXmlElement*) override {
            ++closed;
            return Taken::kContent;
        }
        void Restart() override { opened = closed = 0; }
        int opened = 0;
        int closed = 0;
    };
    CCounter counter;
    CXmlDocument document;
    document.SetElementConsumer(&counter);
    document.LoadXml("<r><i>1</i><i>2</i><i>3</i><\xC3\xA9/></r>");
    EXPECT_EQ(counter.opened, 5);
    EXPECT_EQ(counter.closed, 5);
}

// Random documents from pieces that each stress one rule, some of them
// broken, and a few bytes changed at random.
TEST(QuickXmlReader, RandomDocumentsAgreeWithExpat) {
    const char* const texts[] = {
        "a", " ", "\n", "\r\n", "\r", "\t", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "&amp;",
        "&#13;", "&#x9;", "&lt;", "]", "]]", ">", "0123456789abcdef0123", "<![CDATA[c\r\nd]]>",
        "<!-- note -->", "<?pi x?>",
        // Broken ones.
        "&bogus;", "]]>", "\x01", "\xFF", "\xEF\xBF\xBF", "&#0;", "<!-- a--b -->"};
    const char* const names[] = {"e", "p:e", "q:e", "x:e", "long-name.1", "\xC3\xA9"};
    const char* const attributes[] = {" a='1'",           " b=\"x y\"",     " p:a='2'",
                                      " q:a='3'",         " xmlns='urn:d'", " xmlns:p='urn:p'",
                                      " xmlns:q='urn:p'", " xmlns=''",      " c='&#9;\t\r\n'",
                                      " a='dup'",         " xml:lang='en'", " d='\xC3\xA9<'"};
    std::mt19937 random(12345);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    int accepted = 0;
    const int count = 1500;
    for (int n = 0; n < count; ++n) {
        std::string text = pick(4) == 0 ? "<?xml version='1.0'?>\n" : "";
        std::vector<std::string> open;
        int elements = 0;
        do {
            const std::size_t choice = elements == 0 ? 0 : pick(10);
            if (choice < 3 && elements < 30) {
                const std::string name = names[pick(4) ? pick(2) : pick(6)];
                text += "<" + name;
                if (open.empty()) text += " xmlns:p='urn:p' xmlns:q='urn:q'";
                for (std::size_t a = pick(4); a > 0; --a) {
                    text += attributes[pick(5) ? pick(3) : pick(12)];
                }
                ++elements;
                if (pick(3) == 0 && elements > 1) {
                    text += "/>";
                } else {
                    text += ">";
                    open.push_back(name);
                }
            } else if (choice < 5 && !open.empty()) {
                text += "</" + open.back() + ">";
                open.pop_back();
            } else if (!open.empty()) {
                text += texts[pick(6) ? pick(20) : pick(27)];
            }
        } while (!open.empty());
        if (pick(8) == 0) text[pick(text.size())] = static_cast<char>(pick(256));
        if (pick(10) == 0) text.resize(pick(text.size() + 1));
        if (CheckAgainstExpat(text)) ++accepted;
        if (HasFailure()) break;
    }
    // Enough of them are ones the quick reader is there for.
    EXPECT_GT(accepted, count / 5);
}

}  // namespace
