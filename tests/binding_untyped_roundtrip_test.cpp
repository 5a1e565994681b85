// Every document of tests/data/untyped is read into a CElement and written
// back; libxml2 parses both and must see the same elements in the same
// order, with the same names, namespace URIs, attributes and text. (The
// position of text between child elements is not kept, so each element's
// text is compared concatenated.)
#include <gtest/gtest.h>


#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "binding/CElement.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "support/Files.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace QbXmlLib5;
using QbTest::Inflate;
using QbTest::ReadFile;

namespace {

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> Corpus() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(QB_TEST_DATA_DIR "/untyped")) {
        const std::string path = entry.path().string();
        if (EndsWith(path, ".xml") || EndsWith(path, ".gz") || EndsWith(path, ".zz")) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

#ifdef QB_HAVE_LIBXML2

// One element as libxml2 sees it, in document order.
struct FlatElement {
    int depth;
    std::string ns, name, text;
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;
    bool operator==(const FlatElement& o) const {
        return std::tie(depth, ns, name, text, attributes) ==
               std::tie(o.depth, o.ns, o.name, o.text, o.attributes);
    }
};

std::string Str(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

FlatElement Flatten(xmlNodePtr node, int depth) {
    FlatElement flat{depth, node->ns ? Str(node->ns->href) : "", Str(node->name), "", {}};
    for (xmlAttrPtr a = node->properties; a; a = a->next) {
        xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
        flat.attributes.emplace_back(a->ns ? Str(a->ns->href) : "", Str(a->name), Str(value));
        xmlFree(value);
    }
    for (xmlNodePtr c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            flat.text += Str(c->content);
        }
    }
    return flat;
}

// Parses a document with libxml2 and lists its elements in document order
// (iteratively: the corpus nests deeply).
std::vector<FlatElement> ParseWithLibxml2(const std::string& bytes, const char* encoding) {
    std::vector<FlatElement> elements;
    // Entities expanded and DTD attribute defaults supplied, as Expat does.
    const int options = XML_PARSE_HUGE | XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "doc.xml",
                                  encoding, options);
    EXPECT_NE(doc, nullptr) << bytes.substr(0, 200);
    if (!doc) return elements;
    std::vector<std::pair<xmlNodePtr, int>> stack{{xmlDocGetRootElement(doc), 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        elements.push_back(Flatten(node, depth));
        std::vector<xmlNodePtr> children;
        for (xmlNodePtr c = node->children; c; c = c->next) {
            if (c->type == XML_ELEMENT_NODE) children.push_back(c);
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            stack.emplace_back(*it, depth + 1);
        }
    }
    xmlFreeDoc(doc);
    return elements;
}

std::string Describe(const FlatElement& e) {
    std::ostringstream out;
    out << "depth " << e.depth << " {" << e.ns << "}" << e.name << " text[" << e.text.size()
        << "]=\"" << e.text.substr(0, 80) << "\"";
    for (const auto& [ns, name, value] : e.attributes) {
        out << " {" << ns << "}" << name << "=\"" << value << "\"";
    }
    return out.str();
}

void ExpectSameElements(const std::vector<FlatElement>& expected,
                        const std::vector<FlatElement>& actual, const std::string& file) {
    EXPECT_EQ(expected.size(), actual.size()) << file;
    const std::size_t n = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!(expected[i] == actual[i])) {
            ADD_FAILURE() << file << ": element " << i << " differs\n  input:  "
                          << Describe(expected[i]) << "\n  output: " << Describe(actual[i]);
            return;
        }
    }
}

// The comparison itself notices each kind of difference it is meant to.
TEST(UntypedRoundTripTest, ComparisonSeesEveryDifference) {
    const auto base = ParseWithLibxml2("<a xmlns:p='urn:p' p:x='1'>t<b/>u</a>", nullptr);
    ASSERT_EQ(base.size(), 2u);
    EXPECT_EQ(base[0].text, "tu");
    for (const char* other : {"<a xmlns:p='urn:q' p:x='1'>tu<b/></a>",
                              "<a xmlns:p='urn:p' p:x='2'>tu<b/></a>",
                              "<a xmlns:p='urn:p' x='1'>tu<b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tv<b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<c/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b xmlns='urn:b'/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b/><b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b><b/></b></a>"}) {
        EXPECT_FALSE(base == ParseWithLibxml2(other, nullptr)) << other;
    }
    EXPECT_TRUE(base == ParseWithLibxml2("<a xmlns:p='urn:p' xmlns:q='urn:p' q:x='1'>t<b/>u</a>",
                                         nullptr));
}

TEST(UntypedRoundTripTest, EveryCorpusDocumentSurvivesReadAndWrite) {
    const std::vector<std::string> files = Corpus();
    ASSERT_GE(files.size(), 12u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::string input = ReadFile(file);
        if (EndsWith(file, ".gz") || EndsWith(file, ".zz")) input = Inflate(input);

        CSmartPtr<CElement> element = new CElement("placeholder");
        try {
            element->FromXmlFile(file.c_str());
        } catch (const CQbException& e) {
            ADD_FAILURE() << e.GetFullMessage();
            continue;
        }
        const std::string output = element->ToXml(false, false, EOL_LF);
        ExpectSameElements(ParseWithLibxml2(input, nullptr),
                           ParseWithLibxml2(output, "UTF-8"), file);

        // Written once, the text is a fixed point of reading and writing.
        CSmartPtr<CElement> again = new CElement("placeholder");
        again->FromXml(output.c_str());
        EXPECT_EQ(again->ToXml(false, false, EOL_LF), output);

        // The stream entry point and the generic one agree with the file.
        const std::string raw = ReadFile(file);
        CSmartPtr<CElement> streamed = new CElement("placeholder");
        streamed->FromXmlStream(reinterpret_cast<const unsigned char*>(raw.data()),
                                static_cast<unsigned long>(raw.size()));
        EXPECT_EQ(streamed->ToXml(false, false, EOL_LF), output);
        CSmartPtr<CElement> generic = new CElement("placeholder");
        static_cast<CXmlObjectBase*>(generic.GetPtr())->FromXmlFile(file.c_str());
        EXPECT_EQ(generic->ToXml(false, false, EOL_LF), output);
    }
}

// A Fast Infoset document (written by the Java reference implementation)
// loads whole into a CElement too, and matches its XML original.
TEST(UntypedRoundTripTest, FastInfosetDocumentLoadsWhole) {
    const std::string dir = QB_TEST_DATA_DIR "/fastinfoset/";
    if (!std::filesystem::exists(dir + "java_sample.finf")) GTEST_SKIP() << "no sample";
    CSmartPtr<CElement> element = new CElement("placeholder");
    element->FromXmlFile((dir + "java_sample.finf").c_str());
    std::vector<FlatElement> expected =
        ParseWithLibxml2(ReadFile(dir + "java_sample.xml"), nullptr);
    // The document tree drops carriage returns by design.
    for (FlatElement& e : expected) {
        e.text.erase(std::remove(e.text.begin(), e.text.end(), '\r'), e.text.end());
    }
    ExpectSameElements(expected,
                       ParseWithLibxml2(element->ToXml(false, false, EOL_LF), "UTF-8"),
                       "java_sample.finf");
}

#endif  // QB_HAVE_LIBXML2

}  // namespace
