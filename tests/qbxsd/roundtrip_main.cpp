// The round-trip driver, built once per schema of tests/schemas with the
// code qbxsd generated for it (QBXSD_HEADER names the main header and
// QBXSD_NAMESPACE the C++ namespace of the generated code).
//
//   roundtrip DOC OUT
//       reads DOC into the class of its root element and writes it as XML
//       text, compact to OUT.xml and formatted to OUT.formatted.xml; writes
//       it as Fast Infoset, reads that into a new object and writes that one
//       as text to OUT.fi.xml. The comparison with DOC is left to
//       xml_infoset_check. Like an application that wants them, it writes
//       the document element's xsi:schemaLocation and
//       xsi:noNamespaceSchemaLocation back through the context's additional
//       root attributes, and declares the document's prefixes through the
//       context's namespace aliases, for the QName values that use them
//       (reading keeps neither).
//   roundtrip --invalid EXPECTED DIR [FILE]
//       every document of DIR listed in EXPECTED (lines "file.xml|text"), or
//       only FILE, must be refused while it is read, with a message whose
//       chain contains the text; every .xml file of DIR (or FILE) must be
//       listed.
//
// Exit 0 on success; otherwise the failures, with the full exception chain,
// on stderr.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include QBXSD_HEADER
#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

// Every prefix the document at `path` declares, as a namespace alias of
// `ctx`; where one prefix or one namespace is declared twice, the first
// declaration counts.
void DeclarePrefixes(const std::string& path, CXmlSerializationContext& ctx) {
    CXmlDocument doc(ST_NO_NAMESPACES);
    doc.Load(path.c_str());
    CNamespaceAliasMap& aliases = ctx.GetNamespaceAliases();
    std::vector<const CXmlElement*> open{doc.GetDocumentElement()};
    while (!open.empty()) {
        const CXmlElement* element = open.back();
        open.pop_back();
        for (const CXmlAttribute* attribute : element->GetAttributes()) {
            const std::string& name = attribute->GetLocalName();
            if (name.compare(0, 6, "xmlns:") != 0) continue;
            const std::string prefix = name.substr(6);
            const std::string& uri = attribute->GetValue();
            if (uri.empty() || aliases.DoesAliasExist(prefix.c_str()) ||
                aliases.DoesNamespaceExist(uri.c_str()))
                continue;
            aliases.Add(prefix.c_str(), uri.c_str());
        }
        for (const CXmlElement* child = element->GetFirstElement(); child;
             child = child->GetNextSiblingElement())
            open.push_back(child);
    }
}

// A new object for the root element of the document at `path`; with `ctx`,
// the root's schema location hints go into its additional root attributes.
CSmartPtr<CXmlObjectBase> CreateForRoot(const std::string& path,
                                        CXmlSerializationContext* ctx = nullptr) {
    CXmlDocument doc;
    doc.Load(path.c_str());
    const CXmlElement* root = doc.GetDocumentElement();
    for (const CXmlAttribute* attribute : root->GetAttributes()) {
        const std::string& name = attribute->GetLocalName();
        if (ctx && attribute->GetNamespaceURI() == CXmlWriter::kXsiNamespace &&
            (name == "schemaLocation" || name == "noNamespaceSchemaLocation")) {
            ctx->GetAdditionalRootAttributes()->Add(name.c_str(), attribute->GetValue().c_str(),
                                                    CXmlWriter::kXsiNamespace);
        }
    }
    CSmartPtr<CXmlObjectBase> object =
        QBXSD_NAMESPACE::CreateDocument(root->GetLocalName(), root->GetNamespaceURI());
    if (!object) {
        throw CQbException("CreateDocument has no class for the root element {" +
                           root->GetNamespaceURI() + "}" + root->GetLocalName());
    }
    return object;
}

int RoundTrip(const std::string& doc, const std::string& out) {
    const std::string fi = out + ".fi";
    try {
        CXmlSerializationContext ctx;
        CSmartPtr<CXmlObjectBase> object = CreateForRoot(doc, &ctx);
        DeclarePrefixes(doc, ctx);
        object->FromXmlFile(doc.c_str());
        object->ToXmlFile((out + ".xml").c_str(), true, false, XE_UTF8, EOL_LF, ctx);
        object->ToXmlFile((out + ".formatted.xml").c_str(), true, true, XE_UTF8, EOL_LF, ctx);
        object->ToFastInfosetFile(fi.c_str(), FI_DECL_NONE, ctx);
        CSmartPtr<CXmlObjectBase> again = CreateForRoot(doc);
        again->FromXmlFile(fi.c_str());
        again->ToXmlFile((out + ".fi.xml").c_str(), true, false, XE_UTF8, EOL_LF, ctx);
    } catch (const CQbException& e) {
        std::fprintf(stderr, "%s: %s\n", doc.c_str(), e.GetFullMessage().c_str());
        return 1;
    }
    return 0;
}

// Reads the document; the message chain of the refusal, or an empty string
// when the document was read.
std::string Refusal(const std::string& path) {
    try {
        CSmartPtr<CXmlObjectBase> object = CreateForRoot(path);
        object->FromXmlFile(path.c_str());
    } catch (const CQbException& e) {
        const std::string message = e.GetFullMessage();
        return message.empty() ? "(empty message)" : message;
    }
    return std::string();
}

int CheckInvalid(const std::string& table, const std::string& dir, const std::string& only) {
    std::ifstream in(table);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", table.c_str());
        return 1;
    }
    int failures = 0;
    std::set<std::string> listed;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t bar = line.find('|');
        if (bar == std::string::npos) {
            std::fprintf(stderr, "%s: no '|' in [%s]\n", table.c_str(), line.c_str());
            ++failures;
            continue;
        }
        const std::string file = line.substr(0, bar);
        const std::string expected = line.substr(bar + 1);
        listed.insert(file);
        if (!only.empty() && file != only) continue;
        const std::string message = Refusal(dir + "/" + file);
        if (message.empty()) {
            std::fprintf(stderr, "%s: ACCEPTED, expected a refusal containing [%s]\n", file.c_str(),
                         expected.c_str());
            ++failures;
        } else if (message.find(expected) == std::string::npos) {
            std::fprintf(stderr, "%s: refused, but without [%s]:\n%s\n", file.c_str(),
                         expected.c_str(), message.c_str());
            ++failures;
        } else {
            std::printf("%s: refused as expected\n", file.c_str());
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!only.empty() && name != only) continue;
        if (entry.path().extension() == ".xml" && listed.count(name) == 0) {
            std::fprintf(stderr, "%s: not listed in %s\n", name.c_str(), table.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--invalid")
        return CheckInvalid(argv[2], argv[3], argc == 5 ? argv[4] : "");
    if (argc == 3) return RoundTrip(argv[1], argv[2]);
    std::fprintf(stderr, "usage: %s DOC OUT | --invalid EXPECTED DIR [FILE]\n", argv[0]);
    return 2;
}
