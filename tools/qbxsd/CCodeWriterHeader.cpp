// The header of a pair: class declarations, their members and accessors.
#include <set>

#include "CCodeWriter.h"
#include "CodeWriterUtil.h"

namespace Qbxsd {

using namespace Emit;

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

}  // namespace Qbxsd
