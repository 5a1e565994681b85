#include "CCodeWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace Qbxsd {

namespace {

// A C++ string literal holding `text`.
std::string Lit(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\' || (c == '?' && !out.empty() && out.back() == '?')) {
            out += '\\';  // "??" could start a trigraph in older dialects
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Documentation as comment lines of at most ~90 columns. A line must not end
// with a backslash (it would continue the comment into the next line of code)
// nor hold "??" (a trigraph in older dialects).
void Comment(std::ostream& out, const std::string& indent, const std::string& text) {
    std::string safe;
    for (char c : text) {
        if (c == '?' && !safe.empty() && safe.back() == '?') safe += ' ';
        safe += c;
    }
    auto emit = [&](const std::string& line) {
        out << indent << "//" << line << (line.back() == '\\' ? "." : "") << "\n";
    };
    std::string line;
    std::istringstream words(safe);
    std::string word;
    while (words >> word) {
        if (!line.empty() && line.size() + word.size() + indent.size() > 90) {
            emit(line);
            line.clear();
        }
        line += " " + word;
    }
    if (!line.empty()) emit(line);
}

std::string Guard(const std::string& ns, const std::string& stem) {
    std::string guard = "QBXSD_" + (ns.empty() ? std::string() : ns + "_") + stem + "_H";
    for (char& c : guard) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(c)) : '_';
    }
    return guard;
}

bool IsText(const Member& m) { return m.kind == Member::Text; }
// A class with mixed content keeps its text in a CMixedText of its own,
// unless its base (also mixed) has one.
bool OwnsMixedText(const ClassModel& cls) { return cls.mixed && !(cls.base && cls.base->mixed); }

// A record of an ID, IDREF or IDREFS value registers what it reads with
// the document's IDs.
std::string WithIdentity(const Member& m, const std::string& record) {
    const std::string type = m.simple.builtin ? m.simple.builtin->xsdName : "";
    const char* kind = type == "ID"       ? "Id"
                       : type == "IDREF"  ? "IdRef"
                       : type == "IDREFS" ? "IdRefs"
                                          : nullptr;
    return kind ? "(" + record + ")->SetIdentity(qbd::" + kind + ")" : record;
}

// A wildcard that processes its content reads it through the global
// declarations (an element of type anyType has a processContents of skip).
std::string WithProcessing(const Member& m, const std::string& record) {
    if (m.processContents == "skip") return record;
    return "(" + record + ")->SetProcessContents(qbd::" +
           (m.processContents == "lax" ? "ProcessLax" : "ProcessStrict") + ", &GlobalDeclarations)";
}

bool IsObject(const Member& m) { return m.kind == Member::Cls || m.kind == Member::Untpd; }
bool ByValue(const Member& m) {
    if (m.kind == Member::Enum) return true;
    const std::string type = m.simple.builtin->cppType;
    return type.find("QbXmlLib5::") == std::string::npos && type != "std::string";
}
bool Polymorphic(const Member& m) {
    return m.kind == Member::Cls && !m.cls->pseudo && m.cls->Polymorphic();
}
// A repeated element that may be absent gets its collection when first asked
// for: most objects of a large document would otherwise each hold an empty
// one. Only where an empty collection reads and checks as no collection: its
// items carry its own name (not a model group, wildcard or substitution).
bool CreatedWhenNeeded(const Member& m) {
    if (!m.Repeated() || m.minOccurs != 0 || m.attribute) return false;
    if (m.kind == Member::Prim || m.kind == Member::Enum) return true;
    return m.kind == Member::Cls && !m.cls->pseudo && !Polymorphic(m);
}

// Members with the class that declares them, base members first.
std::vector<std::pair<const ClassModel*, const Member*>> Owned(const ClassModel& cls) {
    std::vector<std::pair<const ClassModel*, const Member*>> all;
    if (cls.base) all = Owned(*cls.base);
    for (const Member& m : cls.members) all.emplace_back(&cls, &m);
    return all;
}

std::string Prop(const ClassModel& owner, const Member& m) {
    return owner.cppName + "::Prop" + m.prop;
}

std::string Rule(const std::string& whitespace) { return "k" + whitespace; }

std::string FacetsExpr(const Facets& f) {
    const bool digits = f.totalDigits != -1 || f.fractionDigits != -1;
    if (f.pattern.empty() && f.minLength == -1 && f.maxLength == -1 && f.length == -1 &&
        f.minInclusive.empty() && f.maxInclusive.empty() && f.minExclusive.empty() &&
        f.maxExclusive.empty() && !digits) {
        return "NoFacets()";
    }
    std::string out =
        "qb::CPrimitiveRestrictions(" + Lit(f.pattern) + ", " + std::to_string(f.minLength) + ", " +
        std::to_string(f.maxLength) + ", " + Lit(f.minInclusive) + ", " + Lit(f.maxInclusive) +
        ", " + Lit(f.minExclusive) + ", " + Lit(f.maxExclusive) + ", " + std::to_string(f.length);
    if (digits) {
        out += ", " + std::to_string(f.totalDigits) + ", " + std::to_string(f.fractionDigits);
    }
    return out + ")";
}

// A value collection's constructor arguments after name and namespace.
std::string ValueCollectionArgs(const Member& m, const Facets& f) {
    return std::to_string(m.minOccurs) + ", " + std::to_string(m.maxOccurs) + ", " +
           Lit(f.pattern) + ", " + std::to_string(f.minLength) + ", " +
           std::to_string(f.maxLength) + ", " + Lit(f.minInclusive) + ", " + Lit(f.maxInclusive) +
           ", " + Lit(f.minExclusive) + ", " + Lit(f.maxExclusive) + ", " +
           std::to_string(f.length) + ", " + Rule(m.simple.whitespace) + ", nullptr";
}

// The pattern that admits exactly the values of an enumeration.
std::string EnumPattern(const EnumModel& e) {
    std::string pattern;
    for (const std::string& value : e.values) {
        if (!pattern.empty()) pattern += "|";
        for (char c : value) {
            if (std::string("\\|.-^?*+{}()[]$").find(c) != std::string::npos) pattern += '\\';
            pattern += c;
        }
    }
    return pattern;
}

}  // namespace

CCodeWriter::CCodeWriter(const CModelBuilder& model, const CSchemaSet& schemas,
                         WriterOptions options)
    : m_model(model),
      m_options(std::move(options)),
      m_plan(model, schemas, m_options.schemaFiles.front(), m_options.onePair) {
    m_mainStem = m_plan.MainStem();
    for (const auto& cls : m_model.Classes()) {
        for (const Member& m : cls->members) {
            if (m.kind == Member::Cls && m.Repeated()) {
                m_collectionTypedefs[m.cls->cppName] = m.cls->cppName + "Col";
            }
        }
    }
}

// "USPrice" -> "usPrice", "Name" -> "name": the field after its property.
std::string CCodeWriter::Lower(const std::string& name) {
    std::string out = name;
    for (std::size_t i = 0; i < out.size() && std::isupper(static_cast<unsigned char>(out[i]));
         ++i) {
        const bool beforeLower =
            i > 0 && i + 1 < out.size() && std::islower(static_cast<unsigned char>(out[i + 1]));
        if (beforeLower) break;
        out[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(out[i])));
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> CCodeWriter::Render() const {
    std::vector<std::pair<std::string, std::string>> files;
    for (const CFilePlan::File& file : m_plan.Files()) {
        const bool main = file.stem == m_mainStem;
        const std::string base = m_options.outputDir + "/" + file.stem;
        files.emplace_back(base + ".h", Header(file));
        files.emplace_back(base + ".cpp", Source(file) + (main ? Factories() : ""));
    }
    return files;
}

std::vector<std::string> CCodeWriter::Write() const {
    std::error_code error;
    std::filesystem::create_directories(m_options.outputDir, error);
    if (error) {
        throw CSchemaError("qbxsd: cannot create the directory " + m_options.outputDir + ": " +
                           error.message());
    }
    std::vector<std::string> written;
    for (const auto& output : Render()) {
        std::ofstream out(output.first, std::ios::binary | std::ios::trunc);
        out << output.second;
        out.close();
        if (!out) throw CSchemaError("qbxsd: cannot write " + output.first);
        written.push_back(output.first);
    }
    return written;
}

// ---------------------------------------------------------------- header

std::string CCodeWriter::Banner() const {
    std::string sources;
    // An absolute path would make the files differ from machine to machine.
    for (const std::string& f : m_options.schemaFiles) {
        const std::filesystem::path path(f);
        sources +=
            (sources.empty() ? "" : ", ") + (path.is_absolute() ? path.filename().string() : f);
    }
    return "// Generated by qbxsd from " + sources +
           ".\n// Do not edit: change the schema and run qbxsd again.\n";
}

std::string CCodeWriter::Header(const CFilePlan::File& file) const {
    std::ostringstream out;
    out << Banner();
    if (!file.ns.empty()) out << "// Target namespace " << file.ns << ".\n";
    const std::string guard = Guard(m_options.cppNamespace, file.stem);
    out << "#ifndef " << guard << "\n#define " << guard << "\n\n";
    out << "#include <cstdint>\n#include <string>\n\n#include \"QbXmlLib5.h\"\n";
    for (const std::string& include : file.includes) out << "#include \"" << include << ".h\"\n";
    out << "\n";
    if (!m_options.cppNamespace.empty()) out << "namespace " << m_options.cppNamespace << " {\n\n";
    const bool main = file.stem == m_mainStem;
    if (main) {
        out << "// The target namespace of " << m_mainStem << ".\n";
        out << "inline const char* const kTargetNamespace = " << Lit(file.ns) << ";\n\n";
    }
    for (const EnumModel* e : file.enums) {
        if (!e->doc.empty()) Comment(out, "", e->doc);
        out << "enum " << e->cppName << " : int {\n";
        for (std::size_t i = 0; i < e->ids.size(); ++i) {
            out << "    " << e->ids[i] << (i + 1 < e->ids.size() ? ",\n" : "\n");
        }
        out << "};\n";
        out << "// The lexical form of a value; CQbInvalidValueException for any other int.\n";
        out << "const char* " << e->cppName << "ToString(int value);\n";
        out << "// CQbInvalidValueException for a text that is not one of the values.\n";
        out << "int " << e->cppName << "FromString(const char* text);\n\n";
    }
    for (const ClassModel* cls : file.classes) out << "class " << cls->cppName << ";\n";
    for (const ClassModel* cls : file.classes) {
        const auto typedefName = m_collectionTypedefs.find(cls->cppName);
        if (typedefName == m_collectionTypedefs.end()) continue;
        out << "typedef QbXmlLib5::" << (cls->pseudo ? "TXmlGroupCol<" : "TXmlObjectCol<")
            << cls->cppName << "> " << typedefName->second << ";\n";
    }
    if (main) {
        out << "\n// The factory of object members: a new object of the class a selector names.\n";
        out << "CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateObject(int selector, const char* "
               "elementName);\n";
        out << "// A new object for a document element of these schemas (by name and namespace), "
               "or null.\n";
        out << "CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateDocument(const std::string& localName,\n"
               "                                                    const std::string& "
               "namespaceUri);\n";
        out << "// The same, choosing the class from the element's xsi:type where the element's\n"
               "// type has derived types. Such an object is made to be read from the element\n"
               "// (FromXmlElement, FromXmlFile): reading sets up its members.\n";
        out << "CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateDocument(const QbXmlLib5::CXmlElement* "
               "element);\n";
        out << "// The global declarations, which wildcards that process their content read\n"
               "// through.\n";
        out << "const QbXmlLib5Data::CGlobalDeclarations& GlobalDeclarations();\n\n";
        out << "// Picks the class of an element whose type has derived types, from its xsi:type;\n"
               "// null when the type is not one of them.\n";
        out << "class " << FactoryClass() << " : public QbXmlLib5::CClassfactoryBase {\npublic:\n";
        for (const auto& cls : m_model.Classes()) {
            if (!cls->pseudo && cls->Polymorphic()) {
                out << "    static CSmartPtr<QbXmlLib5::CXmlObjectBase> " << FactoryName(*cls)
                    << "(const QbXmlLib5::CXmlElement* element);\n";
            }
        }
        out << "};\n";
    }
    // Base classes before the classes derived from them.
    std::vector<const ClassModel*> ordered;
    std::set<const ClassModel*> done;
    const std::set<const ClassModel*> inFile(file.classes.begin(), file.classes.end());
    std::function<void(const ClassModel*)> place = [&](const ClassModel* cls) {
        if (done.count(cls)) return;
        done.insert(cls);
        if (cls->base && inFile.count(cls->base)) place(cls->base);
        ordered.push_back(cls);
    };
    for (const ClassModel* cls : file.classes) place(cls);
    for (const ClassModel* cls : ordered) ClassDeclaration(out, *cls);
    if (main) {
        for (const RootElement& root : m_model.Roots()) {
            if (root.wrapper.empty()) continue;
            const std::string& W = root.wrapper;
            out << "\n// Document element " << root.name.second << " (namespace " << root.name.first
                << ") of type " << root.cls->xmlName << " (namespace " << root.cls->xmlNamespace
                << ").\n";
            out << "class " << W << " : public " << root.cls->cppName << " {\npublic:\n"
                << "    explicit " << W << "(const char* elementName = " << Lit(root.name.second)
                << ")\n        : " << root.cls->cppName << "(elementName) {}\n"
                << "    std::string GetNamespace() override { return " << Lit(root.name.first)
                << "; }\n\nprotected:\n"
                << "    std::string GetTargetNamespace() override { return " << Lit(root.name.first)
                << "; }\n};\n";
        }
    }
    // Object accessors need the complete classes.
    out << "\n";
    for (const ClassModel* cls : ordered) {
        for (const Member& m : cls->members) {
            if (CreatedWhenNeeded(m)) continue;  // defined with the class
            if (IsObject(m) || m.Repeated() || m.kind == Member::AnyAttribute) {
                const std::string type =
                    m.Repeated() || m.kind == Member::AnyAttribute ? CollectionType(m) : CppType(m);
                out << "inline CSmartPtr<" << type << "> " << cls->cppName << "::Get" << m.prop
                    << "() const { return " << Field(m) << "; }\n";
            }
        }
    }
    if (!m_options.cppNamespace.empty())
        out << "\n}  // namespace " << m_options.cppNamespace << "\n";
    out << "\n#endif  // " << guard << "\n";
    return out.str();
}

std::string CCodeWriter::CppType(const Member& m) const {
    switch (m.kind) {
        case Member::Cls:
            return m.cls->cppName;
        case Member::Untpd:
            return "QbXmlLib5::CElement";
        case Member::Enum:
            return m.simple.enumeration->cppName;
        default:
            return m.simple.builtin->cppType;
    }
}

std::string CCodeWriter::CollectionType(const Member& m) const {
    switch (m.kind) {
        case Member::Cls:
            return m_collectionTypedefs.at(m.cls->cppName);
        case Member::Untpd:
            return "QbXmlLib5::CElementCol";
        case Member::AnyAttribute:
            return "QbXmlLib5::CAttributeCol";
        case Member::Enum:
            return "QbXmlLib5::CstringCol";
        default:
            return std::string("QbXmlLib5::") + m.simple.builtin->collection;
    }
}

void CCodeWriter::ClassDeclaration(std::ostream& out, const ClassModel& cls) const {
    out << "\n";
    std::string what =
        cls.pseudo ? "Model group " + cls.xmlName + " (its members stand in the enclosing element)"
                   : "Type " + cls.xmlName;
    if (cls.base) what += ", derived from " + cls.base->xmlName;
    if (cls.abstractType) what += "; abstract in the schema";
    Comment(out, "", what + ".");
    if (!cls.doc.empty()) Comment(out, "", cls.doc);
    const std::string base = cls.base ? cls.base->cppName : "QbXmlLib5::CXmlGeneratedClass";
    out << "class " << cls.cppName << " : public " << base << " {\npublic:\n";
    if (cls.pseudo) {
        out << "    " << cls.cppName << "();\n";
        out << "    // For the reader only: reading sets up the members.\n";
        out << "    explicit " << cls.cppName << "(QbXmlLib5::CForReading reading);\n";
    } else {
        out << "    explicit " << cls.cppName
            << "(const char* elementName = " << Lit(cls.defaultElement) << ");\n";
        out << "    // For the reader only: reading sets up the members.\n";
        out << "    " << cls.cppName
            << "(const char* elementName, QbXmlLib5::CForReading reading);\n";
    }
    out << "    ~" << cls.cppName << "() override;\n\n";
    out << "    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }\n";
    out << "    std::string GetNamespace() override { return " << Lit(cls.xmlNamespace)
        << "; }\n\n";
    for (const Member& m : cls.members) MemberDeclarations(out, cls, m);
    if (OwnsMixedText(cls)) {
        out << "    // The text of the mixed content, between the child elements.\n";
        out << "    QbXmlLib5::CMixedText* GetMixedText() override { return &m_mixedText; }\n\n";
    }
    if (cls.group == "Choice" && (!cls.base || cls.base->group != "Choice")) {
        out << "    // The element name of the member that is set (\"\" for none).\n";
        out << "    std::string GetChoiceSelectedElement() const { return m_selection; }\n\n";
    }
    out << "    enum Property : int {\n";
    bool first = true;
    for (const Member& m : cls.members) {
        out << "        Prop" << m.prop;
        if (first && cls.base) out << " = " << cls.base->cppName << "::PropEnd";
        out << ",\n";
        first = false;
    }
    out << "        PropEnd";
    if (first && cls.base) out << " = " << cls.base->cppName << "::PropEnd";
    out << "\n    };\n\n";
    out << "protected:\n";
    out << "    std::string GetTargetNamespace() override { return " << Lit(cls.xmlNamespace)
        << "; }\n";
    out << "    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override;\n";
    out << "    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;\n";
    out << "    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;\n";
    out << "    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;\n";
    out << "    void ResetProperties() override;\n";
    if (HasMembersCreatedWhenNeeded(cls)) {
        out << "    QbXmlLib5::CXmlCollectionBase* PeekCollection(int index) const override;\n";
    }
    if (!cls.ownElements.empty()) {
        out << "    void AttributesToXml_Int(QbXmlLib5::CXmlWriter* writer,\n"
               "                             const QbXmlLib5::CXmlSerializationContext& ctx) const "
               "override;\n";
    }
    out << "\nprivate:\n";
    out << "    void InitProperties();\n\n";
    for (const Member& m : cls.members) {
        if (CreatedWhenNeeded(m)) {
            out << "    mutable CSmartPtr<" << CollectionType(m) << "> " << Field(m)
                << ";  // null until needed\n";
        } else if (m.Repeated() || m.kind == Member::AnyAttribute) {
            out << "    CSmartPtr<" << CollectionType(m) << "> " << Field(m) << ";\n";
        } else if (IsObject(m)) {
            out << "    CSmartPtr<" << CppType(m) << "> " << Field(m) << ";\n";
        } else {
            out << "    " << CppType(m) << " " << Field(m) << "{};\n";
        }
    }
    if (cls.group == "Choice" && (!cls.base || cls.base->group != "Choice")) {
        out << "    std::string m_selection;\n";
    }
    if (OwnsMixedText(cls)) out << "    QbXmlLib5::CMixedText m_mixedText;\n";
    // The flags together, last: each between two wider members would take
    // a whole word of every object.
    for (const Member& m : cls.members) {
        if (m.Optional() && !IsObject(m) && !m.Repeated() && m.kind != Member::AnyAttribute) {
            out << "    bool " << ValidFlag(m) << " = false;\n";
        }
    }
    out << "};\n";
}

void CCodeWriter::MemberDeclarations(std::ostream& out, const ClassModel& cls,
                                     const Member& m) const {
    std::string about;
    if (m.attribute && m.kind != Member::AnyAttribute) {
        about = "Attribute " + m.xmlName + (m.minOccurs ? " (required)" : " (optional)");
    } else if (m.kind == Member::AnyAttribute) {
        about = "Attributes of the wildcard " + m.anyNamespace;
    } else if (IsText(m)) {
        about = cls.mixed && m.prop.compare(0, 4, "Text") == 0 ? "The text of the mixed content"
                                                               : "The element's text";
    } else if (m.kind == Member::Untpd && m.xmlName == "AnyElement") {
        about = "Elements of the wildcard " + m.anyNamespace;
    } else {
        about = (m.cls && m.cls->pseudo ? "Group " : "Element ") + m.xmlName;
        about += m.Repeated() ? " (" + std::to_string(m.minOccurs) + ".." +
                                    (m.maxOccurs == -1 ? std::string("unbounded")
                                                       : std::to_string(m.maxOccurs)) +
                                    ")"
                 : m.minOccurs == 0 ? " (optional)"
                                    : "";
    }
    if (!m.simple.note.empty()) about += "; " + m.simple.note;
    if (!m.defaultValue.empty()) about += "; default " + m.defaultValue;
    Comment(out, "    ", about + (m.doc.empty() ? "." : ": " + m.doc));
    if (m.Repeated() || m.kind == Member::AnyAttribute) {
        out << "    CSmartPtr<" << CollectionType(m) << "> Get" << m.prop << "() const;\n\n";
        return;
    }
    if (IsObject(m)) {
        out << "    CSmartPtr<" << CppType(m) << "> Get" << m.prop << "() const;\n";
        out << "    void Set" << m.prop << "(" << CppType(m) << "* value);\n\n";
        return;
    }
    const std::string type = CppType(m);
    const std::string arg = ByValue(m) ? type : "const " + type + "&";
    if (m.Optional()) {
        out << "    bool IsValid" << m.prop << "() const { return " << ValidFlag(m) << "; }\n";
    }
    out << "    " << type << " Get" << m.prop << "() const { return " << Field(m) << "; }\n";
    out << "    void Set" << m.prop << "(" << arg << " value);\n";
    if (m.Optional()) out << "    void SetValid" << m.prop << "(bool valid);\n";
    out << "\n";
}

// ---------------------------------------------------------------- source

std::string CCodeWriter::Source(const CFilePlan::File& file) const {
    std::ostringstream out;
    out << Banner();
    out << "#include \"" << m_mainStem << ".h\"\n\n#include <cstring>\n\n";
    if (!m_options.cppNamespace.empty()) out << "namespace " << m_options.cppNamespace << " {\n\n";
    out << "namespace {\n\nnamespace qb = QbXmlLib5;\nnamespace qbd = QbXmlLib5Data;\n\n";
    out << "[[maybe_unused]] const qb::CWhitespaceUtils::WhitespaceRule kPreserve =\n"
           "    qb::CWhitespaceUtils::WhitespaceRule_Preserve;\n"
           "[[maybe_unused]] const qb::CWhitespaceUtils::WhitespaceRule kReplace =\n"
           "    qb::CWhitespaceUtils::WhitespaceRule_Replace;\n"
           "[[maybe_unused]] const qb::CWhitespaceUtils::WhitespaceRule kCollapse =\n"
           "    qb::CWhitespaceUtils::WhitespaceRule_Collapse;\n\n";
    out << "[[maybe_unused]] const qb::CPrimitiveRestrictions& NoFacets() {\n"
           "    static const qb::CPrimitiveRestrictions none;\n    return none;\n}\n\n";
    for (const EnumModel* e : file.enums) {
        out << "const char* const k" << e->cppName << "Values[] = {";
        for (std::size_t i = 0; i < e->values.size(); ++i) {
            out << (i ? ", " : "") << Lit(e->values[i]);
        }
        out << "};\n";
    }
    for (const ClassModel* cls : file.classes) MetaData(out, *cls);
    out << "}  // namespace\n";
    for (const EnumModel* e : file.enums) {
        const std::string table = "k" + e->cppName + "Values";
        const std::string count =
            "static_cast<int>(sizeof " + table + " / sizeof " + table + "[0])";
        out << "\nconst char* " << e->cppName << "ToString(int value) {\n"
            << "    if (value < 0 || value >= " << count << ") {\n"
            << "        throw QbXmlLib5::CQbInvalidValueException(\"Unknown " << e->cppName
            << " value \" + std::to_string(value));\n    }\n    return " << table
            << "[value];\n}\n\n";
        const bool normalize = e->whitespace != "Preserve";
        out << "int " << e->cppName << "FromString(const char* text) {\n";
        if (normalize) {
            out << "    // The values are compared after the type's whitespace rule.\n"
                << "    const std::string value = qb::CWhitespaceUtils::ApplyRule("
                << Rule(e->whitespace) << ", text);\n";
        }
        out << "    for (int i = 0; i < " << count << "; ++i) {\n"
            << "        if ("
            << (normalize ? "value == " + table + "[i]"
                          : "std::strcmp(" + table + "[i], text) == 0")
            << ") return i;\n    }\n"
            << "    throw QbXmlLib5::CQbInvalidValueException(std::string(\"[\") + text + \"] is "
               "not "
               "a valid "
            << e->cppName << "\");\n}\n";
    }
    for (const ClassModel* cls : file.classes) ClassDefinition(out, *cls);
    if (!m_options.cppNamespace.empty())
        out << "\n}  // namespace " << m_options.cppNamespace << "\n";
    return out.str();
}

std::string CCodeWriter::ElementRecord(const ClassModel& cls, const ClassModel& owner,
                                       const Member& m) const {
    const std::string group = cls.group;
    const std::string card = m.Repeated()                              ? "Col"
                             : (m.minOccurs == 0 || group == "Choice") ? "Opt"
                                                                       : "Mnd";
    const std::string head = Lit(m.xmlName) + ", " + Lit(m.xmlNs) + ", " + Prop(owner, m);
    const std::string prefix = "new qbd::CElementInfo" + group;
    if (m.Repeated()) {
        switch (m.kind) {
            case Member::Cls:
                return prefix + (Polymorphic(m) ? "AbsClsCol(" : "ClsCol(") + head +
                       (m.cls->pseudo ? ", qbd::PseudoElement)" : ", qbd::Element)");
            case Member::Untpd:
                return WithProcessing(m, prefix + "UntpdCol(" + head + ")");
            default:
                return prefix + "PrimCol(" + head + ")";
        }
    }
    switch (m.kind) {
        case Member::Prim:
            return WithIdentity(m, prefix + "Prim" + card + "(" + head +
                                       ", qb::" + m.simple.builtin->itemType + ", nullptr, " +
                                       Rule(m.simple.whitespace) + ", " +
                                       FacetsExpr(m.simple.facets) + ")");
        case Member::Enum:
            return prefix + "Enum" + card + "(" + head + ", " + m.simple.enumeration->cppName +
                   "ToString, " + m.simple.enumeration->cppName + "FromString)";
        case Member::Untpd:
            return WithProcessing(m, prefix + "Untpd" + card + "(" + head + ", " +
                                         Lit(m.anyNamespace) + ", " + Lit(m.anyTargetNamespace) +
                                         ")");
        default:
            break;
    }
    // xsi:nil is allowed where the element is declared nillable.
    const auto nillable = [&](const std::string& record) {
        return m.nillable ? "(" + record + ")->SetNillable()" : record;
    };
    if (Polymorphic(m)) {
        return nillable(prefix + "AbsCls" + card + "(" + head + ", qbd::Element, " +
                        FactoryClass() + "::" + FactoryName(*m.cls) + ")");
    }
    std::string record = prefix + "Cls" + card + "(" + head +
                         (m.cls->pseudo ? ", qbd::PseudoElement" : ", qbd::Element") +
                         ", CreateObject, " + std::to_string(m.cls->selector);
    if (card == "Mnd") record += m.presence ? ", true" : ", false";
    return nillable(record + ")");
}

std::string CCodeWriter::AttributeRecord(const ClassModel& owner, const Member& m) const {
    const std::string head = Lit(m.xmlName) + ", " + Lit(m.xmlNs) + ", " + Prop(owner, m) + ", " +
                             (m.minOccurs ? "false" : "true");
    if (m.kind == Member::AnyAttribute) {
        return WithProcessing(m, "new qbd::CAttributeInfoAny(" + head + ", " + Lit(m.anyNamespace) +
                                     ", " + Lit(m.anyTargetNamespace) + ")");
    }
    if (m.kind == Member::Enum) {
        return "new qbd::CAttributeInfoEnum(" + head + ", " + m.simple.enumeration->cppName +
               "ToString, " + m.simple.enumeration->cppName + "FromString)";
    }
    return WithIdentity(m, "new qbd::CAttributeInfoPrimitive(" + head +
                               ", qb::" + m.simple.builtin->itemType + ", nullptr, " +
                               Rule(m.simple.whitespace) + ", " + FacetsExpr(m.simple.facets) +
                               ")");
}

void CCodeWriter::MetaData(std::ostream& out, const ClassModel& cls) const {
    std::string textProp = "-1";
    std::vector<std::string> elements, attributes;
    for (const auto& owned : Owned(cls)) {
        const Member& m = *owned.second;
        if (IsText(m)) {
            textProp = Prop(*owned.first, m);
        } else if (cls.restricted) {
            // the restriction's own records follow
        } else if (m.attribute) {
            attributes.push_back(AttributeRecord(*owned.first, m));
        } else {
            elements.push_back(ElementRecord(cls, *owned.first, m));
        }
    }
    for (const RestrictedRecord& record : cls.restrictedRecords) {
        if (record.member.attribute) {
            attributes.push_back(AttributeRecord(*record.owner, record.member));
        } else {
            elements.push_back(ElementRecord(cls, *record.owner, record.member));
        }
    }
    out << "\nconst qb::CClassMetaData& " << cls.cppName << "Meta() {\n";
    out << "    static const qb::CClassMetaData meta(\n";
    out << "        new qbd::CParentElementInfo(qbd::" << cls.group
        << ", qbd::" << (cls.pseudo ? "PseudoElement" : "Element") << ", " << Lit(cls.xmlName)
        << ", " << Lit(cls.xmlNamespace) << ", " << textProp << ", "
        << (cls.pseudo ? "false" : "true") << ", " << (cls.base ? "true" : "false");
    // A choice with a member that can match nothing accepts an empty element.
    if (cls.group == "Choice" && !cls.base && !cls.restricted && CModelBuilder::IsEmptiable(&cls)) {
        out << ", true";
    }
    out << "),\n";
    auto list = [&](const std::vector<std::string>& records) {
        out << "        {";
        for (std::size_t i = 0; i < records.size(); ++i) {
            out << (i ? ",\n         " : "") << records[i];
        }
        out << "}";
    };
    list(elements);
    out << ",\n";
    list(attributes);
    out << ");\n    return meta;\n}\n";
}

std::string CCodeWriter::InitialValue(const ClassModel& /*cls*/, const Member& m) const {
    if (m.kind == Member::Enum) {
        if (!m.defaultValue.empty()) {
            return "static_cast<" + CppType(m) + ">(" + m.simple.enumeration->cppName +
                   "FromString(" + Lit(m.defaultValue) + "))";
        }
        return "static_cast<" + CppType(m) + ">(0)";
    }
    const std::string type = CppType(m);
    if (!m.defaultValue.empty()) {
        if (type == "std::string") return Lit(m.defaultValue);
        return "[] {\n        qb::QbVariant value;\n        value.FromString(" +
               Lit(m.defaultValue) + ", qb::" + m.simple.builtin->itemType + ", " +
               Rule(m.simple.whitespace) + ");\n        return value.Get" +
               m.simple.builtin->variant + "();\n    }()";
    }
    return type + "()";
}

void CCodeWriter::ClassDefinition(std::ostream& out, const ClassModel& cls) const {
    const std::string& C = cls.cppName;
    const bool choice = cls.group == "Choice";
    out << "\n// ---- " << C << "\n\n";
    if (cls.pseudo) {
        out << C << "::" << C << "() {\n    SetElementName(" << Lit(cls.xmlName)
            << ");\n    InitProperties();\n}\n\n";
        out << C << "::" << C << "(qb::CForReading) {\n    SetElementName(" << Lit(cls.xmlName)
            << ");\n}\n\n";
    } else if (cls.base) {
        out << C << "::" << C << "(const char* elementName) : " << cls.base->cppName
            << "(elementName) {\n    InitProperties();\n}\n\n";
        out << C << "::" << C
            << "(const char* elementName, qb::CForReading reading)\n    : " << cls.base->cppName
            << "(elementName, reading) {}\n\n";
    } else {
        out << C << "::" << C
            << "(const char* elementName) {\n    SetElementName(elementName);\n    "
               "InitProperties();\n}\n\n";
        out << C << "::" << C
            << "(const char* elementName, qb::CForReading) {\n    "
               "SetElementName(elementName);\n}\n\n";
    }
    out << C << "::~" << C << "() = default;\n\n";
    // Setters.
    for (const Member& m : cls.members) {
        if (m.Repeated() || m.kind == Member::AnyAttribute) continue;
        const std::string name = Lit(m.xmlName);
        if (IsObject(m)) {
            out << "void " << C << "::Set" << m.prop << "(" << CppType(m) << "* value) {\n";
            if (!m.Optional() && !choice && !(m.cls && m.cls->pseudo)) {
                out << "    Throw_IfPropertyIsNull(value, " << name << ");\n";
            }
            if (!(m.cls && m.cls->pseudo) && m.kind == Member::Cls) {
                out << "    if (value) Throw_IfElementNameDiffers(value, " << name << ");\n";
            }
            if (choice) out << "    Choice_SelectElement(" << name << ", value, m_selection);\n";
            out << "    " << Field(m) << " = value;\n}\n\n";
            continue;
        }
        const std::string type = CppType(m);
        const std::string arg = ByValue(m) ? type : "const " + type + "&";
        out << "void " << C << "::Set" << m.prop << "(" << arg << " value) {\n";
        // Attributes and the text stand beside a choice, never in it.
        const bool inChoice = choice && !IsText(m) && !m.attribute;
        if (inChoice) {
            out << "    Choice_SetElementValid(true, " << name << ", m_selection);\n";
        }
        out << "    " << Field(m) << " = value;\n";
        if (m.Optional()) out << "    " << ValidFlag(m) << " = true;\n";
        out << "}\n\n";
        if (m.Optional()) {
            out << "void " << C << "::SetValid" << m.prop << "(bool valid) {\n";
            if (inChoice) {
                out << "    if (valid || m_selection == " << name
                    << ") Choice_SetElementValid(valid, " << name << ", m_selection);\n";
            }
            out << "    " << ValidFlag(m) << " = valid;\n}\n\n";
        }
    }
    // InitProperties and ResetProperties.
    out << "void " << C << "::InitProperties() {\n";
    for (const Member& m : cls.members) {
        const std::string field = Field(m);
        const std::string name = Lit(m.xmlName);
        const std::string ns = Lit(m.xmlNs);
        if (m.kind == Member::AnyAttribute) {
            out << "    " << field << " = new qb::CAttributeCol(\"\", " << Lit(m.anyNamespace)
                << ", " << Lit(m.anyTargetNamespace) << ");\n";
        } else if (CreatedWhenNeeded(m)) {
            out << "    " << field << " = nullptr;\n";
        } else if (m.Repeated()) {
            NewCollection(out, m, "    ");
        } else if (m.kind == Member::Cls) {
            const bool create = !m.Optional() && !choice && !Polymorphic(m);
            out << "    " << field << " = "
                << (create ? "new " + m.cls->cppName + (m.cls->pseudo ? "()" : "(" + name + ")")
                           : std::string("nullptr"))
                << ";\n";
        } else if (m.kind == Member::Untpd) {
            out << "    " << field << " = nullptr;\n";
        } else {
            out << "    " << field << " = " << InitialValue(cls, m) << ";\n";
            if (m.Optional()) out << "    " << ValidFlag(m) << " = false;\n";
        }
    }
    if (choice && (!cls.base || cls.base->group != "Choice")) out << "    m_selection.clear();\n";
    if (OwnsMixedText(cls)) out << "    m_mixedText.Clear();\n";
    out << "}\n\n";
    out << "void " << C << "::ResetProperties() {\n";
    if (cls.base) out << "    " << cls.base->cppName << "::ResetProperties();\n";
    out << "    InitProperties();\n}\n\n";
    CollectionsWhenNeeded(out, cls);
    // AccessProperty.
    out << "void " << C << "::AccessProperty(int index, bool read, qb::QbVariant& value) {\n";
    // A simple-content restriction checks its own facets over the base's.
    const std::string restrictedText =
        cls.textRestricted ? TextFacetsCheck(cls.textRestriction) : std::string();
    if (cls.members.empty() && restrictedText.empty()) {
        // Nothing of its own: everything goes to the base, or nowhere.
        if (cls.base) {
            out << "    " << cls.base->cppName << "::AccessProperty(index, read, value);\n}\n\n";
        } else {
            out << "    (void)read;\n    (void)value;\n"
                << "    qb::CPropertyAccess::ThrowUnknownProperty(" << Lit(cls.xmlName)
                << ", index);\n}\n\n";
        }
    } else {
        out << "    switch (index) {\n";
        for (const Member& m : cls.members) AccessCase(out, cls, m);
        if (!restrictedText.empty()) {
            out << "        case Prop" << cls.textProp << ":\n            " << cls.base->cppName
                << "::AccessProperty(index, read, value);\n            " << restrictedText
                << "\n            break;\n";
        }
        out << "        default:\n";
        if (cls.base) {
            out << "            " << cls.base->cppName << "::AccessProperty(index, read, value);\n";
        } else {
            out << "            qb::CPropertyAccess::ThrowUnknownProperty(" << Lit(cls.xmlName)
                << ", index);\n";
        }
        out << "    }\n}\n\n";
    }
    if (!cls.ownElements.empty()) {
        out << "// Elements declared with this type need no xsi:type (objects of derived classes\n"
               "// named so still do).\n";
        out << "void " << C << "::AttributesToXml_Int(qb::CXmlWriter* writer,\n"
            << std::string(C.size() + 26, ' ')
            << "const qb::CXmlSerializationContext& ctx) const {\n";
        out << "    const std::string name = GetElementName();\n    if (GetClassInfo() == " << C
            << "::GetClassInfo() &&\n        (";
        for (std::size_t i = 0; i < cls.ownElements.size(); ++i) {
            out << (i ? " ||\n         " : "") << "name == " << Lit(cls.ownElements[i]);
        }
        out << ")) {\n        AttributesToXml_WithoutXsiType(writer, ctx);\n    } else {\n        "
            << cls.base->cppName << "::AttributesToXml_Int(writer, ctx);\n    }\n}\n\n";
    }
    out << "qbd::CParentElementInfo* " << C << "::GetClassInfo() const { return " << C
        << "Meta().Parent(); }\n";
    out << "qbd::CElementInfo** " << C << "::GetClassElementInfo() const { return " << C
        << "Meta().Elements(); }\n";
    out << "qbd::CAttributeInfo** " << C << "::GetClassAttributeInfo() const { return " << C
        << "Meta().Attributes(); }\n";
}

void CCodeWriter::NewCollection(std::ostream& out, const Member& m,
                                const std::string& indent) const {
    const std::string field = Field(m);
    const std::string name = Lit(m.xmlName);
    const std::string ns = Lit(m.xmlNs);
    const std::string max = std::to_string(m.maxOccurs);
    const std::string min = std::to_string(m.minOccurs);
    if (m.kind == Member::Cls) {
        out << indent << field << " = new " << CollectionType(m) << "(" << name << ", " << ns
            << ", " << min << ", " << max;
        if (Polymorphic(m)) out << ", " << FactoryClass() << "::" << FactoryName(*m.cls);
        out << ");\n";
        if (m.nillable) out << indent << field << "->SetNillable(true);\n";
    } else if (m.kind == Member::Untpd) {
        out << indent << field << " = new qb::CElementCol(\"\", " << Lit(m.anyNamespace) << ", "
            << Lit(m.anyTargetNamespace) << ", " << min << ", " << max << ");\n";
    } else {
        Facets facets = m.simple.facets;
        if (m.kind == Member::Enum) facets.pattern = EnumPattern(*m.simple.enumeration);
        out << indent << field << " = new " << CollectionType(m) << "(" << name << ", " << ns
            << ", " << ValueCollectionArgs(m, facets) << ");\n";
    }
}

bool CCodeWriter::HasMembersCreatedWhenNeeded(const ClassModel& cls) {
    for (const Member& m : cls.members) {
        if (CreatedWhenNeeded(m)) return true;
    }
    return false;
}

void CCodeWriter::CollectionsWhenNeeded(std::ostream& out, const ClassModel& cls) const {
    if (!HasMembersCreatedWhenNeeded(cls)) return;
    const std::string& C = cls.cppName;
    for (const Member& m : cls.members) {
        if (!CreatedWhenNeeded(m)) continue;
        out << "CSmartPtr<" << CollectionType(m) << "> " << C << "::Get" << m.prop
            << "() const {\n    if (!" << Field(m) << ") {\n";
        NewCollection(out, m, "        ");
        out << "    }\n    return " << Field(m) << ";\n}\n\n";
    }
    out << "qb::CXmlCollectionBase* " << C << "::PeekCollection(int index) const {\n"
        << "    switch (index) {\n";
    for (const Member& m : cls.members) {
        if (!CreatedWhenNeeded(m)) continue;
        out << "        case Prop" << m.prop << ":\n            return " << Field(m) << ";\n";
    }
    out << "        default:\n            return "
        << (cls.base ? cls.base->cppName : std::string("qb::CXmlGeneratedClass"))
        << "::PeekCollection(index);\n    }\n}\n\n";
}

void CCodeWriter::AccessCase(std::ostream& out, const ClassModel& cls, const Member& m) const {
    const std::string field = Field(m);
    const std::string name = Lit(m.xmlName);
    const bool choice = cls.group == "Choice";
    out << "        case Prop" << m.prop << ":\n";
    auto body = [&](const std::string& code) { out << "            " << code << "\n"; };
    if (m.Repeated() || m.kind == Member::AnyAttribute) {
        const std::string held = CreatedWhenNeeded(m) ? "Get" + m.prop + "()" : field;
        body("read ? value.SetXmlCollection(" + held + ")\n                 : void(" + field +
             " = qb::CPropertyAccess::Collection<" + CollectionType(m) + ">(value, " + name +
             "));");
    } else if (IsObject(m)) {
        const std::string object =
            "qb::CPropertyAccess::Object<" + CppType(m) + ">(value, " + name + ")";
        body("read ? value.SetXmlObject(" + field + ")\n                 : " +
             (choice ? "Set" + m.prop + "(" + object + ");"
                     : "void(" + field + " = " + object + ");"));
    } else if (IsText(m)) {
        if (cls.nillable) {
            body(
                "if (IsNil()) {  // nil: no text either way\n                if "
                "(read) value.Clear();\n                break;\n            }");
        }
        const std::string variant = m.simple.builtin->variant;
        if (variant == "String") {
            body("qb::CPropertyAccess::Value(read, value, " + field +
                 ", &qb::QbVariant::SetString, &qb::QbVariant::GetString);");
        } else {
            // The text arrives as a string; it is parsed with the type's rules.
            body("if (read) {\n                value.Set" + variant + "(" + field +
                 ");\n            } else if (value.GetKind() == qb::it_string) {\n"
                 "                qb::QbVariant parsed;\n                "
                 "parsed.FromString(value.GetString(), qb::" +
                 m.simple.builtin->itemType + ", " + Rule(m.simple.whitespace) +
                 ");\n                " + field + " = parsed.Get" + variant +
                 "();\n            } else {\n                " + field + " = value.Get" + variant +
                 "();\n            }");
        }
        // A text property is no record: its facets are checked here, on writing.
        const std::string check = TextFacetsCheck(m.simple);
        if (!check.empty()) body(check);
    } else if (m.kind == Member::Enum) {
        const std::string store = field + " = static_cast<" + CppType(m) + ">(value.GetI4())";
        if (m.Optional()) {
            body("if (read) {\n                " + ValidFlag(m) + " ? value.SetI4(" + field +
                 ") : value.Clear();\n            } else {\n                " + ValidFlag(m) +
                 " = value.IsValid();\n                if (" + ValidFlag(m) + ") " + store +
                 ";\n            }");
        } else {
            body("read ? value.SetI4(" + field + ") : void(" + store + ");");
        }
    } else {
        const std::string set = "&qb::QbVariant::Set" + std::string(m.simple.builtin->variant);
        const std::string get = "&qb::QbVariant::Get" + std::string(m.simple.builtin->variant);
        if (m.Optional()) {
            body("qb::CPropertyAccess::Optional(read, value, " + field + ", " + ValidFlag(m) +
                 ", " + set + ", " + get + ");");
        } else {
            body("qb::CPropertyAccess::Value(read, value, " + field + ", " + set + ", " + get +
                 ");");
        }
    }
    if (choice && !IsObject(m) && !m.Repeated() && m.kind != Member::AnyAttribute && !IsText(m) &&
        !m.attribute) {
        body("if (!read && " + ValidFlag(m) + ") Choice_SetElementValid(true, " + name +
             ", m_selection);");
    }
    body("break;");
}

std::string CCodeWriter::TextFacetsCheck(const SimpleInfo& simple) {
    Facets facets = simple.facets;
    if (simple.enumeration) facets.pattern = EnumPattern(*simple.enumeration);
    const std::string expr = FacetsExpr(facets);
    if (expr == "NoFacets()" || simple.builtin == CModelBuilder::Builtin("boolean")) return "";
    return "if (read) {\n                static const qb::CPrimitiveRestrictions facets =\n"
           "                    " +
           expr + ";\n                qb::CheckPrimitiveValue(qb::" + simple.builtin->itemType +
           ", facets, GetElementName().c_str(), value);\n            }";
}

std::string CCodeWriter::Factories() const {
    std::ostringstream out;
    if (!m_options.cppNamespace.empty()) out << "\nnamespace " << m_options.cppNamespace << " {\n";
    out << "\nCSmartPtr<QbXmlLib5::CXmlObjectBase> CreateObject(int selector, const char* "
           "elementName) {\n    switch (selector) {\n";
    for (const auto& cls : m_model.Classes()) {
        out << "        case " << cls->selector << ":\n            return new " << cls->cppName
            << (cls->pseudo ? "(QbXmlLib5::CForReading())"
                            : "(elementName, QbXmlLib5::CForReading())")
            << ";\n";
    }
    out << "        default:\n            (void)elementName;\n            return nullptr;\n    "
           "}\n}\n";
    out << "\nCSmartPtr<QbXmlLib5::CXmlObjectBase> CreateDocument(const std::string& localName,\n"
           "                                                    const std::string& namespaceUri) "
           "{\n";
    for (const RootElement& root : m_model.Roots()) {
        out << "    if (localName == " << Lit(root.name.second)
            << " && namespaceUri == " << Lit(root.name.first) << ") return new "
            << (root.wrapper.empty() ? root.cls->cppName : root.wrapper) << "("
            << Lit(root.name.second) << ");\n";
    }
    out << "    return nullptr;\n}\n";
    out << "\nCSmartPtr<QbXmlLib5::CXmlObjectBase> CreateDocument(const QbXmlLib5::CXmlElement* "
           "element) {\n    if (!element) return nullptr;\n";
    for (const RootElement& root : m_model.Roots()) {
        if (!root.cls->Polymorphic()) continue;
        out << "    if (element->GetLocalName() == " << Lit(root.name.second)
            << " && element->GetNamespaceURI() == " << Lit(root.name.first) << ") return "
            << FactoryClass() << "::" << FactoryName(*root.cls) << "(element);\n";
    }
    out << "    return CreateDocument(element->GetLocalName(), element->GetNamespaceURI());\n}\n";
    out << "\nconst qbd::CGlobalDeclarations& GlobalDeclarations() {\n";
    out << "    static const qbd::CGlobalDeclarations globals(\n        &CreateDocument,\n";
    for (const bool attributes : {false, true}) {
        out << "        {";
        bool first = true;
        for (const Member& m : m_model.SimpleGlobals()) {
            if (m.attribute != attributes) continue;
            Facets facets = m.simple.facets;
            if (m.kind == Member::Enum) facets.pattern = EnumPattern(*m.simple.enumeration);
            out << (first ? "" : ",\n         ") << "{" << Lit(m.xmlName) << ", " << Lit(m.xmlNs)
                << ", qb::" << m.simple.builtin->itemType << ", " << Rule(m.simple.whitespace)
                << ", " << FacetsExpr(facets) << "}";
            first = false;
        }
        out << "}" << (attributes ? ");\n" : ",\n");
    }
    out << "    return globals;\n}\n";
    for (const auto& cls : m_model.Classes()) {
        if (cls->pseudo || !cls->Polymorphic()) continue;
        out << "\nCSmartPtr<QbXmlLib5::CXmlObjectBase> " << FactoryClass()
            << "::" << FactoryName(*cls) << "(const QbXmlLib5::CXmlElement* element) {\n";
        out << "    const std::string type = GetElementType(element);\n";
        out << "    const char* name = element->GetLocalName().c_str();\n";
        // An abstract type with no concrete derived type makes nothing.
        out << "    (void)name;\n";
        out << "    if (type.empty()) return "
            << (cls->abstractType ? std::string("nullptr")
                                  : "new " + cls->cppName + "(name, QbXmlLib5::CForReading())")
            << ";\n";
        out << "    const std::string uri = GetElementTypeNamespaceUri(element);\n";
        std::vector<const ClassModel*> candidates{cls.get()};
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            for (const ClassModel* d : candidates[i]->derived) candidates.push_back(d);
        }
        for (const ClassModel* c : candidates) {
            if (c->abstractType || c->anonymous) continue;
            out << "    if (type == " << Lit(c->xmlName) << " && uri == " << Lit(c->xmlNamespace)
                << ") return new " << c->cppName << "(name, QbXmlLib5::CForReading());\n";
        }
        out << "    return nullptr;\n}\n";
    }
    if (!m_options.cppNamespace.empty())
        out << "\n}  // namespace " << m_options.cppNamespace << "\n";
    return out.str();
}

}  // namespace Qbxsd
