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
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "QbXmlLib5.h"
#include "fastinfoset/CFastInfosetWriter.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace QbXmlLib5;
namespace fs = std::filesystem;

namespace {

// The infoset items the comparison looks at.
struct Node {
    std::string ns;
    std::string name;
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;  // sorted
    std::string text;                                                         // concatenated
    std::vector<Node> children;
};

// First difference between two trees, or "" when they match.
std::string Diff(const Node& a, const Node& b, const std::string& path) {
    const std::string here = path + "/{" + a.ns + "}" + a.name;
    if (a.ns != b.ns || a.name != b.name) {
        return here + ": element {" + b.ns + "}" + b.name + " instead";
    }
    if (a.attributes != b.attributes) return here + ": attributes differ";
    if (a.text != b.text) return here + ": text [" + a.text + "] vs [" + b.text + "]";
    if (a.children.size() != b.children.size()) {
        return here + ": " + std::to_string(a.children.size()) + " vs " +
               std::to_string(b.children.size()) + " children";
    }
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        std::string d = Diff(a.children[i], b.children[i], here);
        if (!d.empty()) return d;
    }
    return "";
}

std::string TempDir() {
    const char* dir = std::getenv("QB_TEST_TMP");
    return dir ? dir : "/tmp";
}

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

std::vector<std::string> Corpus() {
    std::vector<std::string> files;
    for (const char* dir : {QB_TEST_DATA_DIR "/fastinfoset", QB_TEST_DATA_DIR "/untyped"}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() == ".xml") files.push_back(entry.path().string());
        }
    }
    files.push_back(QB_SOURCE_DIR "/examples/data/sample.xml");
    std::sort(files.begin(), files.end());
    return files;
}

#ifdef QB_HAVE_LIBXML2

using XmlDocPtr = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

XmlDocPtr Parse(const std::string& path) {
    return XmlDocPtr(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NOENT | XML_PARSE_NONET),
                     &xmlFreeDoc);
}

std::string Str(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::string Content(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = Str(content);
    xmlFree(content);
    return text;
}

Node FromLibxml2(const xmlNode* element) {
    Node node;
    node.ns = element->ns ? Str(element->ns->href) : "";
    node.name = Str(element->name);
    for (const xmlAttr* a = element->properties; a; a = a->next) {
        node.attributes.emplace_back(a->ns ? Str(a->ns->href) : "", Str(a->name),
                                     Content(reinterpret_cast<const xmlNode*>(a)));
    }
    std::sort(node.attributes.begin(), node.attributes.end());
    for (const xmlNode* c = element->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) node.children.push_back(FromLibxml2(c));
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            node.text += Content(c);
        }
    }
    return node;
}

// Writes a libxml2 tree through any CXmlWriter, text in document order.
class CLibxml2Object : public CXmlObjectBase {
public:
    explicit CLibxml2Object(const xmlNode* root) : m_root(root) {}
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

protected:
    std::string GetTargetNamespace() override { return ""; }
    void ToXml_Int(CXmlWriter* writer, bool, const char*, const CXmlSerializationContext&,
                   bool) const override {
        // Root declarations are registered first, as a generated root does
        // with the context's aliases.
        for (const xmlNs* ns = m_root->nsDef; ns; ns = ns->next) {
            if (ns->prefix) {
                writer->AddNamespace(Str(ns->prefix), Str(ns->href));
            } else {
                writer->SetDefaultNamespace(Str(ns->href));
            }
        }
        Write(*writer, m_root);
    }
    const CXmlElement* FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                   const CXmlSerializationContext&, bool) override {
        return current;
    }

private:
    static void Write(CXmlWriter& w, const xmlNode* element) {
        w.WriteStartElement(Str(element->name), element->ns ? Str(element->ns->href) : "");
        for (const xmlAttr* a = element->properties; a; a = a->next) {
            w.WriteAttribute(Str(a->name), a->ns ? Str(a->ns->href) : "",
                             Content(reinterpret_cast<const xmlNode*>(a)));
        }
        for (const xmlNode* c = element->children; c; c = c->next) {
            if (c->type == XML_ELEMENT_NODE) Write(w, c);
            if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
                w.WriteText(Content(c));
            }
        }
        w.WriteEndElement();
    }

    const xmlNode* m_root;
};

void WriteFile(const std::string& path, const CBinaryData& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.GetData()),
              static_cast<std::streamsize>(data.GetLength()));
}

// Our writer -> Java decoder -> libxml2, compared with the reference.
void CheckOurWriterWithJava(const std::string& xmlPath, FInfoDecl decl) {
    SCOPED_TRACE(xmlPath + " decl " + std::to_string(decl));
    XmlDocPtr doc = Parse(xmlPath);
    ASSERT_TRUE(doc) << "libxml2 rejects the corpus file";
    const Node reference = FromLibxml2(xmlDocGetRootElement(doc.get()));
    CSmartPtr<CLibxml2Object> object(new CLibxml2Object(xmlDocGetRootElement(doc.get())));
    const std::string base = TempDir() + "/interop_" + fs::path(xmlPath).stem().string();
    WriteFile(base + ".ours.fi", object->ToFastInfosetStream(decl));
    ASSERT_TRUE(RunConverter("FI_SAX_XML", base + ".ours.fi", base + ".java.xml"))
        << "the Java decoder rejects our document; see " << base << ".java.xml.log";
    XmlDocPtr decoded = Parse(base + ".java.xml");
    ASSERT_TRUE(decoded) << "the Java decoder produced malformed XML: " << base << ".java.xml";
    EXPECT_EQ(Diff(reference, FromLibxml2(xmlDocGetRootElement(decoded.get())), ""), "");
}

#endif  // QB_HAVE_LIBXML2

#define QB_REQUIRE_ORACLES()                                                              \
    do {                                                                                  \
        if (!JavaAvailable())                                                             \
            GTEST_SKIP() << "Java or " QB_FASTINFOSET_JAR                                 \
                            " not found (Debian: default-jre-headless libfastinfoset-java)"; \
    } while (0)

TEST(FastInfosetInteropTest, JavaDecodesOurWriter) {
#ifndef QB_HAVE_LIBXML2
    GTEST_SKIP() << "libxml2 is needed as the reference parser";
#else
    QB_REQUIRE_ORACLES();
    for (const std::string& file : Corpus()) CheckOurWriterWithJava(file, FI_DECL_NONE);
    CheckOurWriterWithJava(QB_TEST_DATA_DIR "/fastinfoset/namespaces.xml", FI_DECL_1_0);
#endif
}

TEST(FastInfosetInteropTest, JavaDecodesLargeVocabularies) {
#ifndef QB_HAVE_LIBXML2
    GTEST_SKIP() << "libxml2 is needed as the reference parser";
#else
    QB_REQUIRE_ORACLES();
    // Enough distinct names, values and chunks to reach every index size
    // class of every table kind, each used twice.
    const std::string path = TempDir() + "/interop_vocabulary.xml";
    {
        std::ofstream out(path);
        out << "<root xmlns:p='urn:p'>";
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 9000; ++i) {
                const std::string id = std::to_string(i);
                out << "<e" << (i % 2100) << " p:a" << (i % 100) << "='" << id << "'>" << id
                    << "</e" << (i % 2100) << ">";
            }
        }
        out << "</root>";
    }
    CheckOurWriterWithJava(path, FI_DECL_NONE);
#endif
}

}  // namespace
