// qbxsd as its users meet it: the messages for schemas it cannot compile
// (file, line, what is wrong), its warnings, and the dependency file the
// CMake function relies on. What the generated classes do is tested by the
// purchase-order model tests and the schema corpus under tests/schemas.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <string>

#include "support/Files.h"

namespace {

const char* const kHead =
    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:t' "
    "targetNamespace='urn:t'>\n";

struct QbxsdRun {
    int status;
    std::string output;  // stdout and stderr
    std::string dir;     // where the schemas are
};

// Writes the files into a fresh directory and runs qbxsd on the first (named
// by its absolute path; options may name more schemas, relative to the
// directory), writing into the directory or its subdirectory `out`.
QbxsdRun Qbxsd(const std::map<std::string, std::string>& files, const std::string& options = "",
               bool quiet = true, const std::string& out = "") {
    static int serial = 0;
    const std::string dir = QbTest::TempPath("qbxsd" + std::to_string(++serial));
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    for (const auto& file : files) QbTest::WriteFile(dir + "/" + file.first, file.second);
    const std::string command = "cd " + dir + " && " + QB_QBXSD_PATH + (quiet ? " -q " : " ") +
                                " -o " + dir + (out.empty() ? "" : "/" + out) + " " + dir + "/" +
                                files.begin()->first + " " + options + " 2>&1";
    QbxsdRun run{-1, "", dir};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.output.append(buffer, n);
    }
    run.status = WEXITSTATUS(pclose(pipe));
    // Messages name files by the path given; keep only the file name.
    for (std::size_t at; (at = run.output.find(dir + "/")) != std::string::npos;) {
        run.output.erase(at, dir.size() + 1);
    }
    return run;
}

TEST(Qbxsd, SchemasItCannotCompileAreReportedWithFileAndLine) {
    const struct {
        std::map<std::string, std::string> files;
        const char* expected;
    } cases[] = {
        {{{"a.xsd", "<schema/>"}}, "a.xsd:1: the document element is not xs:schema"},
        {{{"a.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>\n<xs:element"}},
         "cannot read the schema"},
        {{{"a.xsd", std::string(kHead) + "<xs:redefine schemaLocation='b.xsd'/></xs:schema>"}},
         "a.xsd:2: xs:redefine is not supported"},
        {{{"a.xsd", std::string(kHead) + "<xs:include schemaLocation='missing.xsd'/></xs:schema>"}},
         "a.xsd:2: cannot read the schema"},
        {{{"a.xsd", std::string(kHead) + "<xs:include schemaLocation='b.xsd'/></xs:schema>"},
          {"b.xsd",
           "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:other'/>"}},
         "a.xsd:2: the included schema has the target namespace urn:other, not urn:t"},
        {{{"a.xsd", std::string(kHead) + "<xs:element name='e' type='t:Missing'/>\n</xs:schema>"}},
         "a.xsd:2: {urn:t}Missing is not a declared simple type"},
        {{{"a.xsd", std::string(kHead) + "<xs:element name='e' type='p:T'/>\n</xs:schema>"}},
         "a.xsd:2: the prefix p is not declared"},
        {{{"a.xsd", std::string(kHead) + "<xs:complexType name='T'/>\n<xs:complexType name='T'/>"
                                         "</xs:schema>"}},
         "a.xsd:3: xs:complexType T is declared twice (also at"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:complexType name='A'><xs:complexContent>\n"
                        "<xs:extension base='t:B'/></xs:complexContent></xs:complexType>\n"
                        "<xs:complexType name='B'><xs:complexContent>\n"
                        "<xs:extension base='t:A'/></xs:complexContent></xs:complexType>"
                        "</xs:schema>"}},
         "derives from itself"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:complexType name='A'><xs:choice><xs:element name='x'/>"
                        "<xs:element name='y'/></xs:choice></xs:complexType>\n"
                        "<xs:complexType name='B'><xs:complexContent><xs:extension base='t:A'>\n"
                        "<xs:sequence><xs:element name='z'/></xs:sequence></xs:extension>"
                        "</xs:complexContent></xs:complexType></xs:schema>"}},
         "a.xsd:4: extending A, whose content is a choice or all-group, is not supported"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:element name='e'><xs:simpleType><xs:restriction base='xs:string'>\n"
                        "<xs:maxLength value='lots'/></xs:restriction></xs:simpleType>"
                        "</xs:element></xs:schema>"}},
         "a.xsd:3: [lots] is not a count this compiler supports"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:group name='g'><xs:sequence><xs:group ref='t:g'/></xs:sequence>"
                        "</xs:group>\n<xs:complexType name='T'><xs:sequence><xs:group ref='t:g'/>"
                        "</xs:sequence></xs:complexType></xs:schema>"}},
         "a.xsd:2: model groups and anonymous types nest more than 1000 levels deep"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:simpleType name='A'>\n<xs:restriction base='t:A'/></xs:simpleType>"
                        "</xs:schema>"}},
         "a.xsd:2: the simple type A derives from itself"},
        {{{"a.xsd", std::string(kHead) +
                        "<xs:simpleType name='L'>\n<xs:list/></xs:simpleType></xs:schema>"}},
         "a.xsd:3: a list needs an itemType or a simpleType"},
    };
    for (const auto& c : cases) {
        const QbxsdRun run = Qbxsd(c.files);
        EXPECT_EQ(1, run.status) << c.expected;
        EXPECT_NE(std::string::npos, run.output.find(c.expected)) << run.output;
    }
}

TEST(Qbxsd, WarnsWhereTheClassesCannotKeepEverything) {
    const QbxsdRun run =
        Qbxsd({{"a.xsd", std::string(kHead) +
                             "<xs:complexType name='M' mixed='true'>\n<xs:sequence><xs:element "
                             "name='b' type='xs:string'/></xs:sequence></xs:complexType>\n"
                             "<xs:element name='n' type='t:M' nillable='true'/>\n"
                             "<xs:simpleType name='L'><xs:restriction><xs:simpleType><xs:list "
                             "itemType='xs:int'/></xs:simpleType>\n<xs:assertion test='1'/>"
                             "</xs:restriction></xs:simpleType></xs:schema>"}});
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("a.xsd:6: warning: the facet xs:assertion is "
                                                 "not checked"))
        << run.output;
    // Mixed content and nil elements of complex type are kept: no warning.
    EXPECT_EQ(std::string::npos, run.output.find("a.xsd:2:")) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("a.xsd:4:")) << run.output;
}

// Shapes of real schemas that once gave no code or code that names what is
// not there: the generated files are checked here, compiling them is left to
// the corpus of tests/schemas and tests/realworld.
TEST(Qbxsd, CompilesTheShapesOfRealSchemas) {
    const std::string xmlHead =
        "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
        "targetNamespace='http://www.w3.org/XML/1998/namespace'>\n";
    const std::string importXml =
        "<xs:import namespace='http://www.w3.org/XML/1998/namespace' schemaLocation='xml.xsd'/>";
    const struct {
        const char* what;
        std::map<std::string, std::string> files;
        std::string options;
        const char* absent;  // from the output and the main header
    } cases[] = {
        // Named on the command line and included: read once.
        {"reached twice",
         {{"a.xsd", std::string(kHead) + "<xs:include schemaLocation='b.xsd'/>"
                                         "<xs:element name='e' type='t:T'/></xs:schema>"},
          {"b.xsd", std::string(kHead) + "<xs:complexType name='T'/></xs:schema>"}},
         "--one-pair b.xsd",
         "declared twice"},
        // Included along two paths.
        {"included twice",
         {{"a.xsd", std::string(kHead) + "<xs:include schemaLocation='b.xsd'/>"
                                         "<xs:include schemaLocation='c.xsd'/></xs:schema>"},
          {"b.xsd", std::string(kHead) + "<xs:complexType name='T'/></xs:schema>"},
          {"c.xsd", std::string(kHead) + "<xs:include schemaLocation='b.xsd'/></xs:schema>"}},
         "",
         "declared twice"},
        // Only an attribute of the xml: namespace is used: nothing to include.
        {"imported namespace without classes",
         {{"a.xsd", std::string(kHead) + importXml +
                        "<xs:complexType name='T'><xs:attribute ref='xml:lang'/>"
                        "</xs:complexType></xs:schema>"},
          {"xml.xsd", xmlHead + "<xs:attribute name='lang' type='xs:language'/></xs:schema>"}},
         "",
         "#include \"xml.h\""},
        // Content holding a type that extends the holder is no derivation cycle.
        {"recursion through content",
         {{"a.xsd", std::string(kHead) +
                        "<xs:complexType name='Inline'><xs:choice maxOccurs='unbounded'>"
                        "<xs:element name='em'><xs:complexType><xs:complexContent>"
                        "<xs:extension base='t:Inline'/></xs:complexContent></xs:complexType>"
                        "</xs:element></xs:choice></xs:complexType></xs:schema>"}},
         "",
         "derives from itself"},
        // XML Schema's own namespace: its own types are found.
        {"the schema for schemas",
         {{"a.xsd",
           "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
           "targetNamespace='http://www.w3.org/2001/XMLSchema'>\n"
           "<xs:simpleType name='allNNI'><xs:union memberTypes='xs:nonNegativeInteger'/>"
           "</xs:simpleType><xs:element name='e'><xs:complexType>"
           "<xs:attribute name='max' type='xs:allNNI'/><xs:attribute name='s' type='xs:string'/>"
           "</xs:complexType></xs:element></xs:schema>"}},
         "",
         "is not a simple type"},
        // An absolute path on the command line is not written into the files.
        {"absolute path",
         {{"a.xsd", std::string(kHead) + "<xs:element name='e' type='xs:int'/></xs:schema>"}},
         "",
         "Generated by qbxsd from /"},
    };
    for (const auto& c : cases) {
        const QbxsdRun run = Qbxsd(c.files, c.options);
        EXPECT_EQ(0, run.status) << c.what << ": " << run.output;
        EXPECT_EQ(std::string::npos, run.output.find(c.absent)) << c.what << ": " << run.output;
        const std::string header = QbTest::ReadFile(run.dir + "/a.h");
        EXPECT_NE(std::string::npos, header.find("Generated by qbxsd")) << c.what;
        EXPECT_EQ(std::string::npos, header.find(c.absent)) << c.what << ":\n" << header;
    }
}

TEST(Qbxsd, NamespacesInACycleShareOnePairAndSaySo) {
    const QbxsdRun run = Qbxsd(
        {{"a.xsd", std::string(kHead) +
                       "<xs:import namespace='urn:b' schemaLocation='b.xsd'/>"
                       "<xs:complexType name='A'><xs:sequence><xs:element name='b' "
                       "xmlns:b='urn:b' type='b:B'/></xs:sequence></xs:complexType>"
                       "</xs:schema>"},
         {"b.xsd",
          "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' xmlns:b='urn:b' xmlns:t='urn:t' "
          "targetNamespace='urn:b'><xs:import namespace='urn:t' schemaLocation='a.xsd'/>"
          "<xs:complexType name='B'><xs:sequence><xs:element name='a' type='t:A' minOccurs='0'/>"
          "</xs:sequence></xs:complexType></xs:schema>"}},
        "", false);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("refer to each other in a cycle: all are written "
                                                 "into a.h/.cpp"))
        << run.output;
    const std::string header = QbTest::ReadFile(run.dir + "/a.h");
    EXPECT_NE(std::string::npos, header.find("class CA;")) << header;
    EXPECT_NE(std::string::npos, header.find("class CB;")) << header;
}

TEST(Qbxsd, CreatesItsOutputDirectory) {
    const QbxsdRun run =
        Qbxsd({{"a.xsd", std::string(kHead) + "<xs:element name='e' type='xs:int'/></xs:schema>"}},
              "", true, "new/sub");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, QbTest::ReadFile(run.dir + "/new/sub/a.h").find("#define"));
}

TEST(Qbxsd, DependencyFileListsEverySchemaRead) {
    const std::string dep = QbTest::TempPath("qbxsd.d");
    const QbxsdRun run = Qbxsd(
        {{"a.xsd", std::string(kHead) + "<xs:include schemaLocation='b.xsd'/>"
                                        "<xs:import namespace='urn:c' schemaLocation='c.xsd'/>"
                                        "</xs:schema>"},
         {"b.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'/>"},
         {"c.xsd",
          "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
          "targetNamespace='urn:c'/>"}},
        "--one-pair --depfile " + dep);
    ASSERT_EQ(0, run.status) << run.output;
    const std::string text = QbTest::ReadFile(dep);
    for (const char* expected : {"a.h ", "a.cpp :", "/a.xsd", "/b.xsd", "/c.xsd"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << text;
    }
}

}  // namespace
