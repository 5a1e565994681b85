// Interoperability of our Fast Infoset writer (and reader) with an
// independent X.891 implementation: the converters of Debian's
// libfastinfoset-java. Every document of the test corpus is parsed by libxml2
// (the reference), encoded by one side and decoded by the other, and the
// decoded infoset must match the reference: same elements, local names,
// namespace URIs, attributes and concatenated text per element.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "QbXmlLib5.h"
#include "fastinfoset/CFastInfosetWriter.h"
#include "fastinfoset_infoset.h"

using namespace QbXmlLib5;
using namespace QbXmlLib5Test;
namespace fs = std::filesystem;

namespace {

#ifdef QB_HAVE_LIBXML2

bool JavaAvailable() {
    static const bool available =
        std::string(QB_JAVA).size() > 0 && fs::exists(QB_FASTINFOSET_JAR) &&
        std::system((std::string("\"") + QB_JAVA + "\" -version >/dev/null 2>&1").c_str()) == 0;
    return available;
}

// Runs one of the jar's converters; true on success.
bool RunConverter(const char* tool, const std::string& in, const std::string& out) {
    const std::string command = std::string("\"") + QB_JAVA + "\" -cp \"" + QB_FASTINFOSET_JAR +
                                "\" com.sun.xml.fastinfoset.tools." + tool + " \"" + in +
                                "\" \"" + out + "\" 2>\"" + out + ".log\"";
    return std::system(command.c_str()) == 0 && fs::exists(out) && fs::file_size(out) > 0;
}

void WriteFile(const std::string& path, const CBinaryData& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.GetData()),
              static_cast<std::streamsize>(data.GetLength()));
}

// `object` through our writer into base.ours.fi, decoded by Java into
// base.java.xml, parsed by libxml2 and compared with `expected`.
void CheckWithJavaDecoder(const CXmlObjectBase& object, FInfoDecl decl, const std::string& base,
                          const Node& expected) {
    WriteFile(base + ".ours.fi", object.ToFastInfosetStream(decl));
    ASSERT_TRUE(RunConverter("FI_SAX_XML", base + ".ours.fi", base + ".java.xml"))
        << "the Java decoder rejects our document; see " << base << ".java.xml.log";
    XmlDocPtr decoded = Parse(base + ".java.xml");
    ASSERT_TRUE(decoded) << "the Java decoder produced malformed XML: " << base << ".java.xml";
    EXPECT_EQ(Diff(expected, Reference(decoded.get()), ""), "");
}

// Our writer -> Java decoder -> libxml2, compared with the reference.
void CheckOurWriterWithJava(const std::string& xmlPath, FInfoDecl decl) {
    SCOPED_TRACE(xmlPath + " decl " + std::to_string(decl));
    XmlDocPtr doc = Parse(xmlPath);
    ASSERT_TRUE(doc) << "libxml2 rejects the corpus file";
    CheckWithJavaDecoder(*Libxml2Object(doc.get()), decl,
                         TempDir() + "/interop_" + fs::path(xmlPath).stem().string(),
                         Reference(doc.get()));
}

// Java encoder -> our reader, compared with the reference.
void CheckJavaWithOurReader(const std::string& xmlPath) {
    SCOPED_TRACE(xmlPath);
    XmlDocPtr doc = Parse(xmlPath);
    ASSERT_TRUE(doc) << "libxml2 rejects the corpus file";
    const std::string fi = TempDir() + "/interop_" + fs::path(xmlPath).stem().string() + ".java.fi";
    ASSERT_TRUE(RunConverter("XML_SAX_FI", xmlPath, fi))
        << "the Java encoder rejects the corpus file; see " << fi << ".log";
    std::ifstream in(fi, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Node decoded;
    try {
        decoded = LoadWithOurReader(
            CBinaryData(reinterpret_cast<unsigned char*>(&bytes[0]), bytes.size(), false));
    } catch (const CQbException& e) {
        FAIL() << "our reader rejects " << fi << ": " << e.GetFullMessage();
    }
    EXPECT_EQ(Diff(WithoutCarriageReturns(Reference(doc.get())), decoded, ""), "");
}

#define QB_REQUIRE_ORACLES()                                                              \
    do {                                                                                  \
        if (!JavaAvailable())                                                             \
            GTEST_SKIP() << "Java or " QB_FASTINFOSET_JAR                                 \
                            " not found (Debian: default-jre-headless libfastinfoset-java)"; \
    } while (0)

TEST(FastInfosetInteropTest, JavaDecodesOurWriter) {
    QB_REQUIRE_ORACLES();
    for (const std::string& file : Corpus()) CheckOurWriterWithJava(file, FI_DECL_NONE);
    CheckOurWriterWithJava(QB_TEST_DATA_DIR "/fastinfoset/namespaces.xml", FI_DECL_1_0);
}

TEST(FastInfosetInteropTest, JavaDecodesLargeVocabularies) {
    QB_REQUIRE_ORACLES();
    const std::string path = WriteVocabularyDocument(TempDir());
    CheckOurWriterWithJava(path, FI_DECL_NONE);
    CheckJavaWithOurReader(path);
}

// Our writer on a script of events -> Java decoder -> libxml2: the names and
// namespaces the events asked for.
void CheckScriptWithJava(const char* name, std::function<void(CXmlWriter&)> script,
                         const Node& expected) {
    SCOPED_TRACE(name);
    CSmartPtr<CScriptedObject> object(new CScriptedObject(std::move(script)));
    CheckWithJavaDecoder(*object, FI_DECL_NONE, TempDir() + "/interop_script_" + name, expected);
}

TEST(FastInfosetInteropTest, JavaDecodesNamespaceEdgeCases) {
    QB_REQUIRE_ORACLES();
    const std::string xsi = "http://www.w3.org/2001/XMLSchema-instance";
    // Default namespace on the root, elements in no namespace below it,
    // xsi:type with undeclared namespaces, the xml namespace.
    Node expected{"urn:d", "r", {{"urn:p", "a", "1"}}, "", {}};
    expected.children.push_back({"", "c", {}, "x", {{"urn:d", "g", {}, "", {}}}});
    expected.children.push_back(
        {"", "e", {{xsi, "type", "AB:T"}, {"http://www.w3.org/XML/1998/namespace", "lang", "en"}},
         "", {}});
    CheckScriptWithJava("default", [](CXmlWriter& w) {
        w.SetDefaultNamespace("urn:d");
        w.AddNamespace("p", "urn:p");
        w.WriteStartElement("r", "urn:d");
        w.WriteAttribute("a", "urn:p", "1");
        w.WriteStartElement("c", "");
        w.WriteStartElement("g", "urn:d");
        w.WriteEndElement();
        w.WriteText("x");
        w.WriteEndElement();
        w.WriteStartElement("e", "");
        w.WriteXsiType("urn:t", "T");
        w.WriteAttribute("lang", "http://www.w3.org/XML/1998/namespace", "en");
        w.WriteEndElement();
        w.WriteEndElement();
    }, expected);
    // A root in no namespace with a registered default namespace.
    Node bare{"", "r", {}, "", {{"urn:d", "c", {}, "", {{"", "g", {}, "", {}}}}}};
    CheckScriptWithJava("bare_root", [](CXmlWriter& w) {
        w.SetDefaultNamespace("urn:d");
        w.WriteStartElement("r", "");
        w.WriteStartElement("c", "urn:d");
        w.WriteStartElement("g", "");
        w.WriteEndElement();
        w.WriteEndElement();
        w.WriteEndElement();
    }, bare);
}

TEST(FastInfosetInteropTest, OurReaderDecodesJava) {
    QB_REQUIRE_ORACLES();
    for (const std::string& file : Corpus()) CheckJavaWithOurReader(file);
}

#endif  // QB_HAVE_LIBXML2 (the reference parser of every test here)

}  // namespace
