// xml_infoset_check: libxml2 as an independent judge of schema-compiled code.
//
//   xml_infoset_check validate SCHEMA DOC
//       exit 0 when DOC is valid against SCHEMA, 1 when it is not (libxml2's
//       messages on stderr).
//   xml_infoset_check compare A B [SCHEMA]
//       exit 0 when A and B carry the same infoset, 1 otherwise (the first
//       difference and its path on stderr). With SCHEMA, both documents must
//       be valid against it, and attributes the schema defaults are added to
//       both before comparing, so that a writer may either write a default
//       value or leave it out (where libxml2 can add them).
//
// The infoset compared: elements by namespace URI and local name, in order;
// attributes as a set of (URI, local name, value), namespace declarations
// left out; xsi:type values as resolved (URI, local name) pairs, whatever
// the prefix; xsi:nil as the boolean it is (false as if absent); text of elements with element
// children ignored when it is all whitespace, otherwise compared exactly, piece by piece between
// children. Comments and processing instructions are not part of it. With a
// schema, the text of an element declared base64Binary (or a restriction of
// it) is compared as a value: whitespace, which base64 allows anywhere, does
// not count.
//
// Exit 2 for usage errors and documents or schemas that do not load.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOENT;

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

std::string Str(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

DocPtr Load(const char* path) {
    DocPtr doc(xmlReadFile(path, nullptr, kParseOptions));
    if (!doc) std::fprintf(stderr, "%s: not a well-formed XML document\n", path);
    return doc;
}

std::string LocalPart(const std::string& qname) {
    const std::size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

std::string AttrOf(xmlNode* node, const char* name) {
    xmlChar* raw = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string value = Str(raw);
    xmlFree(raw);
    return value;
}

// What the schema documents reachable from one file say about base64: the
// simple types restricting a type (by local name), and the declared type of
// each element local name, an anonymous restriction counting as its base.
class SchemaTypes {
public:
    void Read(const std::string& path) {
        if (!m_read.insert(path).second) return;
        DocPtr doc(xmlReadFile(path.c_str(), nullptr, kParseOptions));
        if (!doc) return;
        const std::size_t slash = path.rfind('/');
        const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        Walk(xmlDocGetRootElement(doc.get()), dir);
    }

    // Local names of the elements whose type is base64Binary or restricts it.
    std::set<std::string> Base64Elements() const {
        std::set<std::string> base64{"base64Binary"};
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& [type, base] : m_restrictions) {
                if (base64.count(base) && base64.insert(type).second) grew = true;
            }
        }
        std::set<std::string> out;
        for (const auto& [element, type] : m_elements) {
            if (base64.count(type)) out.insert(element);
        }
        return out;
    }

private:
    void Walk(xmlNode* node, const std::string& dir) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            const std::string kind = Str(node->name);
            const std::string location = AttrOf(node, "schemaLocation");
            if ((kind == "include" || kind == "import") && !location.empty() &&
                location.find("://") == std::string::npos)
                Read(dir + location);
            if (kind == "simpleType" && !AttrOf(node, "name").empty()) {
                const std::string base = RestrictionBase(node);
                if (!base.empty()) m_restrictions.emplace_back(AttrOf(node, "name"), base);
            }
            if (kind == "element" && !AttrOf(node, "name").empty()) {
                const std::string type = AttrOf(node, "type");
                m_elements.emplace_back(AttrOf(node, "name"),
                                        type.empty() ? AnonymousBase(node) : LocalPart(type));
            }
            Walk(node->children, dir);
        }
    }

    static std::string RestrictionBase(xmlNode* simpleType) {
        for (xmlNode* n = simpleType->children; n; n = n->next) {
            if (n->type == XML_ELEMENT_NODE && Str(n->name) == "restriction")
                return LocalPart(AttrOf(n, "base"));
        }
        return "";
    }

    static std::string AnonymousBase(xmlNode* element) {
        for (xmlNode* n = element->children; n; n = n->next) {
            if (n->type == XML_ELEMENT_NODE && Str(n->name) == "simpleType")
                return RestrictionBase(n);
        }
        return "";
    }

    std::set<std::string> m_read;
    std::vector<std::pair<std::string, std::string>> m_restrictions;
    std::vector<std::pair<std::string, std::string>> m_elements;
};

std::string WithoutWhitespace(std::string text) {
    text.erase(
        std::remove_if(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }),
        text.end());
    return text;
}

// Validates `doc`; with `addDefaults` the attributes the schema defaults are
// added to the tree. Returns 0 valid, 1 invalid, 2 when the schema fails.
int Validate(const char* schemaPath, xmlDoc* doc, bool addDefaults) {
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(schemaPath);
    xmlSchemaPtr schema = parser ? xmlSchemaParse(parser) : nullptr;
    if (parser) xmlSchemaFreeParserCtxt(parser);
    if (!schema) {
        std::fprintf(stderr, "%s: the schema does not load\n", schemaPath);
        return 2;
    }
    xmlSchemaValidCtxtPtr ctx = xmlSchemaNewValidCtxt(schema);
    if (addDefaults) xmlSchemaSetValidOptions(ctx, XML_SCHEMA_VAL_VC_I_CREATE);
    const int rc = xmlSchemaValidateDoc(ctx, doc);
    xmlSchemaFreeValidCtxt(ctx);
    xmlSchemaFree(schema);
    return rc == 0 ? 0 : (rc > 0 ? 1 : 2);
}

std::string NamespaceOf(const xmlNode* node) {
    return node->ns ? Str(node->ns->href) : std::string();
}

std::string Expanded(const std::string& uri, const std::string& local) {
    return uri.empty() ? local : "{" + uri + "}" + local;
}

using Attribute = std::tuple<std::string, std::string, std::string>;  // uri, local, value

// The attributes of `element`, xsi:type resolved with the declarations in
// scope at the element.
std::vector<Attribute> AttributesOf(xmlDoc* doc, xmlNode* element) {
    std::vector<Attribute> out;
    for (xmlAttr* a = element->properties; a; a = a->next) {
        const std::string uri = a->ns ? Str(a->ns->href) : std::string();
        xmlChar* raw = xmlNodeListGetString(doc, a->children, 1);
        std::string value = Str(raw);
        xmlFree(raw);
        if (uri == kXsiNamespace && Str(a->name) == "type") {
            const std::size_t colon = value.find(':');
            const std::string prefix = colon == std::string::npos ? "" : value.substr(0, colon);
            const std::string local = colon == std::string::npos ? value : value.substr(colon + 1);
            xmlNs* ns = xmlSearchNs(
                doc, element,
                prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
            value = ns ? Expanded(Str(ns->href), local)
                       : (prefix.empty() ? local : "{unbound prefix " + prefix + "}" + local);
        }
        if (uri == kXsiNamespace && Str(a->name) == "nil") {
            // A boolean: xsi:nil="false" says what its absence says.
            if (value == "false" || value == "0") continue;
            if (value == "1") value = "true";
        }
        out.emplace_back(uri, Str(a->name), value);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The element children, and the text pieces before, between and after them.
void ContentOf(xmlNode* element, std::vector<xmlNode*>& children, std::vector<std::string>& text) {
    text.assign(1, std::string());
    for (xmlNode* n = element->children; n; n = n->next) {
        if (n->type == XML_ELEMENT_NODE) {
            children.push_back(n);
            text.emplace_back();
        } else if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            text.back() += Str(n->content);
        }
    }
    if (children.empty()) return;
    const bool allBlank = std::all_of(text.begin(), text.end(), [](const std::string& t) {
        return t.find_first_not_of(" \t\r\n") == std::string::npos;
    });
    if (allBlank) text.clear();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Describe(const Attribute& a) {
    return Expanded(std::get<0>(a), std::get<1>(a)) + "=" + Quoted(std::get<2>(a));
}

class Comparer {
public:
    Comparer(xmlDoc* a, xmlDoc* b, std::set<std::string> base64 = {})
        : m_a(a), m_b(b), m_base64(std::move(base64)) {}

    bool Same(xmlNode* x, xmlNode* y, const std::string& parentPath, int position) {
        const std::string path = parentPath + "/" + Expanded(NamespaceOf(x), Str(x->name)) + "[" +
                                 std::to_string(position) + "]";
        if (NamespaceOf(x) != NamespaceOf(y) || Str(x->name) != Str(y->name)) {
            return Differ(parentPath, "element " + Expanded(NamespaceOf(x), Str(x->name)) +
                                          " versus " + Expanded(NamespaceOf(y), Str(y->name)));
        }
        const std::vector<Attribute> ax = AttributesOf(m_a, x);
        const std::vector<Attribute> ay = AttributesOf(m_b, y);
        if (ax != ay) {
            for (const Attribute& a : ax) {
                if (!std::binary_search(ay.begin(), ay.end(), a))
                    return Differ(path, "attribute " + Describe(a) + " only in the first");
            }
            for (const Attribute& a : ay) {
                if (!std::binary_search(ax.begin(), ax.end(), a))
                    return Differ(path, "attribute " + Describe(a) + " only in the second");
            }
        }
        std::vector<xmlNode*> cx, cy;
        std::vector<std::string> tx, ty;
        ContentOf(x, cx, tx);
        ContentOf(y, cy, ty);
        if (cx.empty() && cy.empty() && m_base64.count(Str(x->name))) {
            tx.assign(1, WithoutWhitespace(tx[0]));
            ty.assign(1, WithoutWhitespace(ty[0]));
        }
        // With different numbers of children the text pieces cannot line up:
        // the missing child is the difference to report.
        if (tx != ty && cx.size() == cy.size()) {
            const std::string first = tx.empty() ? "(whitespace only)" : Quoted(Join(tx));
            const std::string second = ty.empty() ? "(whitespace only)" : Quoted(Join(ty));
            return Differ(path, "text " + first + " versus " + second);
        }
        const std::size_t common = std::min(cx.size(), cy.size());
        for (std::size_t i = 0; i < common; ++i) {
            if (!Same(cx[i], cy[i], path, static_cast<int>(i) + 1)) return false;
        }
        if (cx.size() != cy.size()) {
            const bool firstLonger = cx.size() > cy.size();
            xmlNode* extra = firstLonger ? cx[common] : cy[common];
            return Differ(path, "child " + Expanded(NamespaceOf(extra), Str(extra->name)) +
                                    " only in the " + (firstLonger ? "first" : "second") + " (" +
                                    std::to_string(cx.size()) + " versus " +
                                    std::to_string(cy.size()) + " children)");
        }
        return true;
    }

private:
    static std::string Join(const std::vector<std::string>& pieces) {
        std::string out;
        for (std::size_t i = 0; i < pieces.size(); ++i) out += (i ? "|" : "") + pieces[i];
        return out;
    }

    static bool Differ(const std::string& path, const std::string& what) {
        std::fprintf(stderr, "%s: %s\n", path.empty() ? "/" : path.c_str(), what.c_str());
        return false;
    }

    xmlDoc* m_a;
    xmlDoc* m_b;
    const std::set<std::string> m_base64;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: xml_infoset_check validate SCHEMA DOC\n"
                 "       xml_infoset_check compare A B [SCHEMA]\n");
    return 2;
}

int RunValidate(const char* schema, const char* path) {
    DocPtr doc = Load(path);
    if (!doc) return 2;
    const int rc = Validate(schema, doc.get(), false);
    if (rc == 1) std::fprintf(stderr, "%s: not valid against %s\n", path, schema);
    return rc;
}

int RunCompare(const char* first, const char* second, const char* schema) {
    DocPtr a = Load(first);
    DocPtr b = Load(second);
    if (!a || !b) return a ? 1 : 2;  // an unreadable result is a difference
    if (schema) {
        // libxml2 stops with an internal error when it adds the defaults of
        // some schemas (XMLSchema.xsd's, XHTML 1.1's); both are then
        // validated and compared as written.
        bool defaults = true;
        int ra = Validate(schema, a.get(), true);
        if (ra == 2) {
            std::fprintf(stderr, "%s: compared without the schema's defaults\n", first);
            defaults = false;
            a = Load(first);
            ra = Validate(schema, a.get(), false);
        }
        if (ra != 0) {
            std::fprintf(stderr, "%s: not valid against %s\n", first, schema);
            return 2;
        }
        if (Validate(schema, b.get(), defaults) != 0) {
            std::fprintf(stderr, "%s: not valid against %s\n", second, schema);
            return 1;
        }
    }
    SchemaTypes types;
    if (schema) types.Read(schema);
    Comparer comparer(a.get(), b.get(), types.Base64Elements());
    return comparer.Same(xmlDocGetRootElement(a.get()), xmlDocGetRootElement(b.get()), "", 1) ? 0
                                                                                              : 1;
}

}  // namespace

int main(int argc, char** argv) {
    LIBXML_TEST_VERSION
    int rc = 2;
    if (argc == 4 && std::strcmp(argv[1], "validate") == 0) {
        rc = RunValidate(argv[2], argv[3]);
    } else if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "compare") == 0) {
        rc = RunCompare(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    } else {
        rc = Usage();
    }
    xmlCleanupParser();
    return rc;
}
