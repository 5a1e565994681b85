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
};

// Writes the files into a fresh directory and runs qbxsd on the first.
QbxsdRun Qbxsd(const std::map<std::string, std::string>& files, const std::string& options = "") {
    static int serial = 0;
    const std::string dir = QbTest::TempPath("qbxsd" + std::to_string(++serial));
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    for (const auto& file : files) QbTest::WriteFile(dir + "/" + file.first, file.second);
    const std::string command = std::string(QB_QBXSD_PATH) + " -q " + options + " -o " + dir + " " +
                                dir + "/" + files.begin()->first + " 2>&1";
    QbxsdRun run{-1, ""};
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
