// The metadata of a generated class: its element and attribute records.
#include "CCodeWriter.h"
#include "CodeWriterUtil.h"

namespace Qbxsd {

using namespace Emit;

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

}  // namespace Qbxsd
