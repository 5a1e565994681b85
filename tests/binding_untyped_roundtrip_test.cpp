// Every document of tests/data/untyped is read into a CElement and written
// back; libxml2 parses both and must see the same elements in the same
// order, with the same names, namespace URIs, attributes and text. (Each
// element's text is compared concatenated here; where it stands between the
// children is checked by UntypedTest.MixedContentKeepsItsTextInPlace.)
#include <gtest/gtest.h>


#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "binding/CElement.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "support/Files.h"
#include "support/TreeDump.h"

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

// A document as libxml2 reads it (entities expanded and DTD attribute
// defaults supplied, as Expat does), as one line.
std::string ParseWithLibxml2(const std::string& bytes, const char* encoding) {
    const int options = XML_PARSE_HUGE | XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "doc.xml",
                                  encoding, options);
    EXPECT_NE(doc, nullptr) << bytes.substr(0, 200);
    if (!doc) return "(rejected)";
    const std::string dump = QbTest::Dump(xmlDocGetRootElement(doc));
    xmlFreeDoc(doc);
    return dump;
}

// Equal dumps, or a failure showing where they part (documents are long).
void ExpectSameElements(const std::string& expected, const std::string& actual,
                        const std::string& file) {
    if (expected == actual) return;
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t from = at < 60 ? 0 : at - 60;
    ADD_FAILURE() << file << ": differs at " << at << "\n  input:  " << expected.substr(from, 160)
                  << "\n  output: " << actual.substr(from, 160);
}

// The comparison itself notices each kind of difference it is meant to.
TEST(UntypedRoundTripTest, ComparisonSeesEveryDifference) {
    const std::string base = ParseWithLibxml2("<a xmlns:p='urn:p' p:x='1'>t<b/>u</a>", nullptr);
    EXPECT_EQ(base, "a[{urn:p}x=1](b)\"tu\"");
    for (const char* other : {"<a xmlns:p='urn:q' p:x='1'>tu<b/></a>",
                              "<a xmlns:p='urn:p' p:x='2'>tu<b/></a>",
                              "<a xmlns:p='urn:p' x='1'>tu<b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tv<b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<c/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b xmlns='urn:b'/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b/><b/></a>",
                              "<a xmlns:p='urn:p' p:x='1'>tu<b><b/></b></a>"}) {
        EXPECT_NE(base, ParseWithLibxml2(other, nullptr)) << other;
    }
    EXPECT_EQ(base, ParseWithLibxml2("<a xmlns:p='urn:p' xmlns:q='urn:p' q:x='1'>t<b/>u</a>",
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
    // The document tree drops carriage returns by design, as the dump does.
    ExpectSameElements(ParseWithLibxml2(ReadFile(dir + "java_sample.xml"), nullptr),
                       ParseWithLibxml2(element->ToXml(false, false, EOL_LF), "UTF-8"),
                       "java_sample.finf");
}

#endif  // QB_HAVE_LIBXML2

}  // namespace
