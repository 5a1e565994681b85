#include "CodeWriterUtil.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace Qbxsd {
namespace Emit {

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

}  // namespace Emit
}  // namespace Qbxsd
