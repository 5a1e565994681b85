// The definitions of a generated class: constructors, setters and AccessProperty.
#include "CCodeWriter.h"
#include "CodeWriterUtil.h"

namespace Qbxsd {

using namespace Emit;

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

}  // namespace Qbxsd
