#include "CSimpleTypeMapper.h"

#include <set>

#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

const BuiltinType kBuiltins[] = {
    {"string", "it_string", "std::string", "String", "CstringCol", "Preserve", nullptr, nullptr},
    {"normalizedString", "it_string", "std::string", "String", "CstringCol", "Replace", nullptr,
     nullptr},
    {"token", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"language", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"Name", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"NCName", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"ID", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"IDREF", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"IDREFS", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"ENTITY", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"ENTITIES", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"NMTOKEN", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"NMTOKENS", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"anyURI", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"QName", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"NOTATION", "it_string", "std::string", "String", "CstringCol", "Collapse", nullptr, nullptr},
    {"anySimpleType", "it_string", "std::string", "String", "CstringCol", "Preserve", nullptr,
     nullptr},
    {"boolean", "it_boolean", "bool", "Boolean", "CbooleanCol", "Collapse", nullptr, nullptr},
    {"decimal", "it_decimal", "QbXmlLib5::CDecimal", "Decimal", "CdecimalCol", "Collapse", nullptr,
     nullptr},
    {"integer", "it_integer", "QbXmlLib5::CBigInteger", "Integer", "CintegerCol", "Collapse",
     nullptr, nullptr},
    {"nonPositiveInteger", "it_integer", "QbXmlLib5::CBigInteger", "Integer", "CintegerCol",
     "Collapse", nullptr, "0"},
    {"negativeInteger", "it_integer", "QbXmlLib5::CBigInteger", "Integer", "CintegerCol",
     "Collapse", nullptr, "-1"},
    {"nonNegativeInteger", "it_integer", "QbXmlLib5::CBigInteger", "Integer", "CintegerCol",
     "Collapse", "0", nullptr},
    {"positiveInteger", "it_integer", "QbXmlLib5::CBigInteger", "Integer", "CintegerCol",
     "Collapse", "1", nullptr},
    {"long", "it_i8", "std::int64_t", "I8", "Ci8Col", "Collapse", nullptr, nullptr},
    {"int", "it_i4", "std::int32_t", "I4", "Ci4Col", "Collapse", nullptr, nullptr},
    {"short", "it_i2", "std::int16_t", "I2", "Ci2Col", "Collapse", nullptr, nullptr},
    {"byte", "it_i1", "char", "I1", "Ci1Col", "Collapse", nullptr, nullptr},
    {"unsignedLong", "it_ui8", "std::uint64_t", "UI8", "Cui8Col", "Collapse", nullptr, nullptr},
    {"unsignedInt", "it_ui4", "std::uint32_t", "UI4", "Cui4Col", "Collapse", nullptr, nullptr},
    {"unsignedShort", "it_ui2", "std::uint16_t", "UI2", "Cui2Col", "Collapse", nullptr, nullptr},
    {"unsignedByte", "it_ui1", "std::uint8_t", "UI1", "Cui1Col", "Collapse", nullptr, nullptr},
    {"float", "it_r4", "float", "R4", "Cr4Col", "Collapse", nullptr, nullptr},
    {"double", "it_r8", "double", "R8", "Cr8Col", "Collapse", nullptr, nullptr},
    {"duration", "it_duration", "QbXmlLib5::CDateTimeSpan", "Duration", "CdurationCol", "Collapse",
     nullptr, nullptr},
    {"dateTime", "it_datetime", "QbXmlLib5::CDateTime", "DateTime", "CdatetimeCol", "Collapse",
     nullptr, nullptr},
    {"dateTimeStamp", "it_datetime", "QbXmlLib5::CDateTime", "DateTime", "CdatetimeCol", "Collapse",
     nullptr, nullptr},
    {"date", "it_date", "QbXmlLib5::CDateTime", "Date", "CdateCol", "Collapse", nullptr, nullptr},
    {"time", "it_time", "QbXmlLib5::CDateTime", "Time", "CtimeCol", "Collapse", nullptr, nullptr},
    {"gYearMonth", "it_yearMonth", "QbXmlLib5::CDateTime", "YearMonth", "CyearMonthCol", "Collapse",
     nullptr, nullptr},
    {"gMonthDay", "it_monthDay", "QbXmlLib5::CDateTime", "MonthDay", "CmonthDayCol", "Collapse",
     nullptr, nullptr},
    {"gYear", "it_year", "std::uint16_t", "Year", "CyearCol", "Collapse", nullptr, nullptr},
    {"gMonth", "it_month", "std::uint8_t", "Month", "CmonthCol", "Collapse", nullptr, nullptr},
    {"gDay", "it_day", "std::uint8_t", "Day", "CdayCol", "Collapse", nullptr, nullptr},
    {"hexBinary", "it_hexBinary", "QbXmlLib5::CBinaryData", "HexBinary", "ChexBinaryCol",
     "Collapse", nullptr, nullptr},
    {"base64Binary", "it_base64Binary", "QbXmlLib5::CBinaryData", "Base64Binary",
     "Cbase64BinaryCol", "Collapse", nullptr, nullptr},
};

}  // namespace

const BuiltinType* CSimpleTypeMapper::Builtin(const std::string& name) {
    for (const BuiltinType& type : kBuiltins) {
        if (name == type.xsdName) return &type;
    }
    return nullptr;
}

SimpleInfo CSimpleTypeMapper::Of(const SimpleTypeDef* type, const std::string& hint) {
    if (type->builtin) {
        const BuiltinType* builtin = Builtin(type->name.second);
        SimpleInfo info;
        info.builtin = builtin;
        info.whitespace = builtin->whitespace;
        if (builtin->minInclusive) info.facets.minInclusive = builtin->minInclusive;
        if (builtin->maxInclusive) info.facets.maxInclusive = builtin->maxInclusive;
        return info;
    }
    if (type->Anonymous()) return FromDefinition(*type, hint);
    const auto known = m_named.find(type);
    if (known != m_named.end()) return known->second;
    SimpleInfo info = FromDefinition(*type, Pascal(type->name.second));
    m_named[type] = info;
    return info;
}

SimpleInfo CSimpleTypeMapper::FromDefinition(const SimpleTypeDef& type, const std::string& hint) {
    const CDepthGuard guard(m_depth, type.node);
    SimpleInfo info;
    if (type.method == SimpleTypeDef::Restriction) {
        info = Of(type.base, hint + "Base");
        ApplyFacets(info, type.facets, hint);
        return info;
    }
    info.builtin = Builtin("token");
    info.whitespace = "Collapse";
    if (type.method == SimpleTypeDef::ListOf) {
        info.note = "a list (" +
                    (type.itemTypeName.empty() ? std::string("inline type") : type.itemTypeName) +
                    "), held as its text";
        const SimpleInfo item = Of(type.itemType, hint + "Item");
        info.isList = true;
        info.listItem = LexicalPattern(item);
        info.facets.pattern = ListPattern(info);
        return info;
    }
    info.note = "a union (" + type.memberTypeNames + "), held as its text";
    // The union admits what one of its members admits; a member that admits
    // any text leaves the value unchecked.
    // Every member is mapped, also after one that admits any text: its
    // enumerations are written all the same.
    std::vector<SimpleInfo> members;
    for (const SimpleTypeDef* member : type.memberTypes)
        members.push_back(Of(member, hint + "Member"));
    std::string pattern;
    for (const SimpleInfo& member : members) {
        const std::string alternative = LexicalPattern(member);
        if (alternative.empty()) return info;
        pattern += (pattern.empty() ? "(" : "|(") + alternative + ")";
    }
    info.facets.pattern = pattern;
    return info;
}

namespace {

bool IsLengthFacet(const std::string& kind) {
    return kind == "length" || kind == "minLength" || kind == "maxLength";
}

// A facet other than a pattern or an enumeration value; false for one this
// compiler does not know.
bool ApplyFacet(SimpleInfo& info, const Facet& facet) {
    const std::string& kind = facet.kind;
    const std::string& value = facet.value;
    Facets& f = info.facets;
    const bool lengthOfList = info.isList && IsLengthFacet(kind);
    int* count = kind == "length"           ? &f.length
                 : kind == "minLength"      ? &f.minLength
                 : kind == "maxLength"      ? &f.maxLength
                 : kind == "totalDigits"    ? &f.totalDigits
                 : kind == "fractionDigits" ? &f.fractionDigits
                                            : nullptr;
    std::string* bound = kind == "minInclusive"   ? &f.minInclusive
                         : kind == "maxInclusive" ? &f.maxInclusive
                         : kind == "minExclusive" ? &f.minExclusive
                         : kind == "maxExclusive" ? &f.maxExclusive
                                                  : nullptr;
    if (lengthOfList) {
        // Counts items: checked through the list's pattern.
        const int items = ToInt(facet.node, value);
        if (kind != "maxLength") info.minItems = items;
        if (kind != "minLength") info.maxItems = items;
    } else if (count) {
        *count = ToInt(facet.node, value);
    } else if (bound) {
        *bound = value;
    } else if (kind == "whiteSpace") {
        info.whitespace = value == "preserve"  ? "Preserve"
                          : value == "replace" ? "Replace"
                                               : "Collapse";
    } else {
        return false;
    }
    return true;
}

}  // namespace

void CSimpleTypeMapper::ApplyFacets(SimpleInfo& info, const FacetSet& facets,
                                    const std::string& hint) {
    std::vector<std::string> patterns;
    std::vector<std::string> values;
    for (const Facet& facet : facets.facets) {
        if (facet.kind == "enumeration") {
            values.push_back(facet.value);
        } else if (facet.kind == "pattern") {
            patterns.push_back(facet.value);
        } else if (!ApplyFacet(info, facet)) {
            CSchemaSet::Warn(facet.node, "the facet xs:" + facet.kind + " is not checked");
        } else if (info.isList && IsLengthFacet(facet.kind)) {
            info.facets.pattern = ListPattern(info);  // item counts are in it
        }
    }
    if (!patterns.empty()) {
        std::string joined;
        for (const std::string& pattern : patterns) {
            joined +=
                (joined.empty() ? "" : "|") + (patterns.size() > 1 ? "(" + pattern + ")" : pattern);
        }
        if (!info.facets.pattern.empty() && info.facets.pattern != joined) {
            CSchemaSet::Warn(facets.node, "the pattern of the base type of " + hint +
                                              " is replaced by the derived type's own");
        }
        info.facets.pattern = joined;
    }
    if (!values.empty()) info.enumeration = MakeEnum(info, facets, values, hint);
}

const EnumModel* CSimpleTypeMapper::MakeEnum(const SimpleInfo& info, const FacetSet& facets,
                                             const std::vector<std::string>& values,
                                             const std::string& hint) {
    auto model = std::make_unique<EnumModel>();
    model->cppName = m_uniqueName(hint);
    model->xmlNamespace = facets.SchemaNamespace();
    model->whitespace = info.whitespace;
    model->doc = facets.doc;
    std::set<std::string> ids;
    for (const std::string& value : values) {
        std::string id =
            model->cppName + "_" + (value.empty() ? std::string("Empty") : Pascal(value));
        while (!ids.insert(id).second) id += "_";
        model->values.push_back(value);
        model->ids.push_back(id);
    }
    m_enums.push_back(std::move(model));
    return m_enums.back().get();
}

namespace {

// The lexical forms of the built-in types, where a pattern says them well
// enough to tell one list item or union member from another.
const char* BuiltinPattern(const std::string& itemType, const std::string& xsdName) {
    if (itemType == "it_integer" || itemType.compare(0, 4, "it_i") == 0 ||
        itemType.compare(0, 5, "it_ui") == 0) {
        return "[+\\-]?[0-9]+";
    }
    if (itemType == "it_decimal") return "[+\\-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)";
    if (itemType == "it_r4" || itemType == "it_r8") {
        return "[+\\-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+\\-]?[0-9]+)?|[+\\-]?INF|NaN";
    }
    if (itemType == "it_boolean") return "true|false|1|0";
    if (itemType == "it_date") return "-?[0-9]{4,}-[0-9]{2}-[0-9]{2}(Z|[+\\-][0-9]{2}:[0-9]{2})?";
    if (xsdName == "NMTOKEN" || xsdName == "NMTOKENS") return "\\c+";
    if (xsdName == "Name" || xsdName == "ID" || xsdName == "IDREF" || xsdName == "ENTITY") {
        return "\\i\\c*";
    }
    if (xsdName == "NCName") return "[\\i-[:]][\\c-[:]]*";
    return "";
}

}  // namespace

std::string CSimpleTypeMapper::LexicalPattern(const SimpleInfo& info) {
    if (info.enumeration) {
        std::string pattern;
        for (const std::string& value : info.enumeration->values) {
            pattern += (pattern.empty() ? "" : "|") + EscapeRegex(value);
        }
        return pattern;
    }
    if (!info.facets.pattern.empty()) return info.facets.pattern;
    if (info.isList || !info.note.empty()) return "";  // nested lists and unions: any text
    return BuiltinPattern(info.builtin->itemType, info.builtin->xsdName);
}

std::string CSimpleTypeMapper::ListPattern(const SimpleInfo& info) {
    const std::string item =
        "(" + (info.listItem.empty() ? std::string("\\S+") : info.listItem) + ")";
    if (info.listItem.empty() && info.minItems <= 0 && info.maxItems == -1) return "";
    const int first = info.minItems > 0 ? info.minItems - 1 : 0;
    std::string more = "{" + std::to_string(first) + "," +
                       (info.maxItems == -1 ? std::string() : std::to_string(info.maxItems - 1)) +
                       "}";
    if (info.maxItems == 0) return "";  // only the empty list: nothing to match but ""
    std::string pattern = item + "(\\s+" + item + ")" + more;
    if (info.minItems <= 0) pattern = "(" + pattern + ")?";
    return pattern;
}

}  // namespace Qbxsd
