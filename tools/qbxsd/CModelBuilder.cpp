#include "CModelBuilder.h"

#include <cctype>
#include <cstring>

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

// Names a generated class already uses for its own members.
const char* const kReserved[] = {"Base",
                                 "Namespace",
                                 "TargetNamespace",
                                 "ElementName",
                                 "ClassInfo",
                                 "ClassElementInfo",
                                 "ClassAttributeInfo",
                                 "ClassElementInfoCount",
                                 "DefaultContext",
                                 "ChoiceSelectedElement",
                                 "End"};

bool IsNumeric(const BuiltinType* type) {
    const std::string kind = type->itemType;
    return kind == "it_decimal" || kind == "it_integer" || kind == "it_r4" || kind == "it_r8" ||
           (kind.size() <= 6 &&
            (kind.compare(0, 4, "it_i") == 0 || kind.compare(0, 5, "it_ui") == 0));
}

// An XML Schema regular expression matching exactly `text`.
std::string EscapeRegex(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::strchr("\\|.-^?*+{}()[]$", c)) out += '\\';
        out += c;
    }
    return out;
}

int ToInt(const Node& at, const std::string& text) {
    try {
        std::size_t used = 0;
        const long value = std::stol(text, &used);
        if (used == text.size() && value >= 0 && value <= 0x7fffffff)
            return static_cast<int>(value);
    } catch (const std::exception&) {
    }
    CSchemaSet::Fail(at, "[" + text + "] is not a count this compiler supports");
}

// Bounds the recursion over a schema's nesting, which a hostile or broken
// schema could make as deep as it likes.
class CDepthGuard {
public:
    CDepthGuard(int& depth, const Node& at) : m_depth(depth) {
        if (++m_depth > kMaxDepth) {
            --m_depth;
            CSchemaSet::Fail(at, "model groups and anonymous types nest more than " +
                                     std::to_string(kMaxDepth) +
                                     " levels deep (or a group contains itself)");
        }
    }
    ~CDepthGuard() { --m_depth; }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;

private:
    static constexpr int kMaxDepth = 1000;
    int& m_depth;
};

std::string CompositorGroup(const std::string& compositor) {
    return compositor == "sequence" ? "Seq" : compositor == "choice" ? "Choice" : "All";
}

}  // namespace

std::string Pascal(const std::string& name) {
    // Letters, digits and single underscores: "__" anywhere and "_X" at the
    // start are reserved in C++.
    std::string out;
    for (char c : name) {
        const bool ok = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (ok) {
            out += c;
        } else if (!out.empty() && out.back() != '_') {
            out += '_';
        }
    }
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0]))) out = "X" + out;
    out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

const BuiltinType* CModelBuilder::Builtin(const std::string& name) {
    for (const BuiltinType& type : kBuiltins) {
        if (name == type.xsdName) return &type;
    }
    return nullptr;
}

int ClassModel::FirstIndex() const {
    return base ? static_cast<int>(base->AllMembers().size()) : 0;
}

std::vector<const Member*> ClassModel::AllMembers() const {
    std::vector<const Member*> all = base ? base->AllMembers() : std::vector<const Member*>();
    for (const Member& member : members) all.push_back(&member);
    return all;
}

void CModelBuilder::BuildAll() {
    for (const auto& entry : m_schemas.ComplexTypes()) {
        NamedClass(entry.second, entry.first);
    }
    std::set<const ClassModel*> namedByElement;
    for (const auto& entry : m_schemas.Elements()) {
        const Node& element = entry.second;
        if (element.Attr("abstract") == "true") continue;
        ClassModel* cls = nullptr;
        if (element.Has("type")) {
            const QName type = m_schemas.Resolve(element, element.Attr("type"));
            if (m_schemas.IsComplexType(type)) cls = NamedClass(element, type);
        } else if (Node type = element.Child("complexType")) {
            cls = AnonymousClass(type, entry.first.second, entry.first.second);
            if (cls->doc.empty()) cls->doc = element.Documentation();
        }
        if (cls) m_roots.push_back({entry.first, cls, ""});
        // A type's objects are named after the first global element of it.
        if (cls && !cls->anonymous && !namedByElement.count(cls)) {
            namedByElement.insert(cls);
            cls->defaultElement = entry.first.second;
        }
    }
    // Named simple types become enumerations even when nothing uses them, and
    // every global element is checked, also those no class holds.
    for (const auto& entry : m_schemas.SimpleTypes()) SimpleOf(entry.second, entry.first, "");
    ClassModel probe;
    probe.xmlName = "(global elements)";
    for (const auto& entry : m_schemas.Elements()) AddElement(&probe, entry.second);
    // What wildcards that process their content read simple values through.
    ClassModel attributes;
    attributes.xmlName = "(global attributes)";
    for (const auto& entry : m_schemas.Attributes()) AddAttribute(&attributes, entry.second);
    for (const Member& m : probe.members) {
        if (m.kind == Member::Prim || m.kind == Member::Enum) m_simpleGlobals.push_back(m);
    }
    for (const Member& m : attributes.members) {
        if (m.kind == Member::Prim || m.kind == Member::Enum) m_simpleGlobals.push_back(m);
    }
    for (const auto& cls : m_classes) Build(cls.get());
    for (RootElement& root : m_roots) {
        if (root.name.first != root.cls->xmlNamespace && !root.cls->Polymorphic()) {
            root.wrapper = UniqueClassName("C" + Pascal(root.name.second) + "Element");
        }
    }
    for (const auto& cls : m_classes) {
        if (!cls->base) continue;
        for (const auto& entry : m_elementTypes) {
            bool declared = entry.second.count(cls.get()) != 0;
            for (const ClassModel* base = cls->base; base && declared; base = base->base) {
                declared = entry.second.count(base) == 0;
            }
            if (declared) cls->ownElements.push_back(entry.first);
        }
    }
}

ClassModel* CModelBuilder::NewClass(const std::string& name, const Node& node,
                                    const std::string& ns) {
    auto cls = std::make_unique<ClassModel>();
    cls->cppName = UniqueClassName("C" + Pascal(name));
    cls->xmlName = name;
    cls->xmlNamespace = ns;
    cls->defaultElement = name;
    cls->node = node;
    cls->doc = node.Documentation();
    cls->selector = static_cast<int>(m_classes.size());
    m_classes.push_back(std::move(cls));
    return m_classes.back().get();
}

ClassModel* CModelBuilder::NamedClass(const Node& at, const QName& name) {
    const auto known = m_named.find(name);
    if (known != m_named.end()) return known->second;
    const Node type = m_schemas.ComplexType(name);
    if (!type) CSchemaSet::Fail(at, "no complexType {" + name.first + "}" + name.second);
    ClassModel* cls = NewClass(name.second, type, name.first);
    m_named[name] = cls;
    Build(cls);
    return cls;
}

ClassModel* CModelBuilder::AnonymousClass(const Node& complexType, const std::string& hint,
                                          const std::string& elementName) {
    const auto known = m_anonymous.find(complexType.element);
    if (known != m_anonymous.end()) return known->second;
    ClassModel* cls = NewClass(hint, complexType, complexType.doc->targetNamespace);
    cls->xmlName = elementName;
    cls->defaultElement = elementName;
    cls->anonymous = true;
    m_anonymous[complexType.element] = cls;
    Build(cls);
    return cls;
}

void CModelBuilder::Build(ClassModel* cls) {
    if (cls->built) return;
    const CDepthGuard guard(m_depth, cls->node);
    if (cls->building)
        CSchemaSet::Fail(cls->node, "the type " + cls->xmlName + " derives from itself");
    cls->building = true;
    BuildComplexType(cls, cls->node);
    cls->building = false;
    cls->built = true;
}

void CModelBuilder::BuildComplexType(ClassModel* cls, const Node& type) {
    cls->abstractType = type.Attr("abstract") == "true";
    cls->mixed = type.Attr("mixed") == "true";
    for (const Node& child : type.Children()) {
        const std::string& kind = child.Name();
        if (kind == "simpleContent") {
            BuildSimpleContent(cls, child);
        } else if (kind == "complexContent") {
            cls->mixed = cls->mixed || child.Attr("mixed") == "true";
            BuildComplexContent(cls, child);
        } else if (kind == "sequence" || kind == "choice" || kind == "all" || kind == "group") {
            SetContent(cls, child);
        } else if (kind != "attribute" && kind != "attributeGroup" && kind != "anyAttribute") {
            CSchemaSet::Fail(child, "xs:" + kind + " in a complex type is not supported");
        }
    }
    std::set<const void*> seen;
    AddAttributes(cls, type, seen);
}

void CModelBuilder::Inherit(ClassModel* cls, const Node& at, const QName& baseName) {
    ClassModel* base = NamedClass(at, baseName);
    Build(base);
    cls->base = base;
    cls->group = base->group;
    base->derived.push_back(cls);
}

namespace {

// Whether `restricted` can be read and written through the property of
// `base`: the same kind of value held the same way.
bool SameProperty(const Member& restricted, const Member& base) {
    if (restricted.kind != base.kind || restricted.Repeated() != base.Repeated()) return false;
    if (restricted.kind == Member::Cls) return restricted.cls == base.cls;
    if (restricted.kind == Member::Prim) {
        return std::string(restricted.simple.builtin->itemType) == base.simple.builtin->itemType;
    }
    if (restricted.kind == Member::Enum) {
        return restricted.simple.enumeration->values == base.simple.enumeration->values;
    }
    return true;
}

}  // namespace

bool CModelBuilder::Restrict(ClassModel* cls, const Node& derivation) {
    ClassModel shadow;
    shadow.xmlName = cls->xmlName;
    shadow.xmlNamespace = cls->xmlNamespace;
    shadow.group = cls->group;
    for (const Node& particle : derivation.Children()) {
        const std::string& kind = particle.Name();
        if (kind == "sequence" || kind == "choice" || kind == "all" || kind == "group") {
            SetContent(&shadow, particle);
        }
    }
    std::set<const void*> seen;
    AddAttributes(&shadow, derivation, seen);
    std::set<std::pair<std::string, std::string>> prohibited;
    for (const Node& attribute : derivation.Children()) {
        if (attribute.Name() == "attribute" && attribute.Attr("use") == "prohibited") {
            const bool ref = attribute.Has("ref");
            const QName name = ref ? m_schemas.Resolve(attribute, attribute.Attr("ref"))
                                   : QName(std::string(), attribute.Attr("name"));
            prohibited.insert({name.second, ref ? name.first : std::string()});
        }
    }
    std::vector<std::pair<const ClassModel*, const Member*>> base;
    for (const ClassModel* c = cls->base; c; c = c->base) {
        std::vector<std::pair<const ClassModel*, const Member*>> level;
        for (const Member& m : c->members) level.emplace_back(c, &m);
        base.insert(base.begin(), level.begin(), level.end());
    }
    auto find = [&](const Member& m) -> const std::pair<const ClassModel*, const Member*>* {
        for (const auto& entry : base) {
            const Member& b = *entry.second;
            if (b.attribute == m.attribute && b.xmlName == m.xmlName && b.xmlNs == m.xmlNs &&
                b.kind != Member::Text) {
                return &entry;
            }
        }
        return nullptr;
    };
    std::vector<RestrictedRecord> elements, attributes;
    bool maps = shadow.group == cls->group;
    for (const Member& m : shadow.members) {
        if (m.attribute || m.kind == Member::Text) continue;
        const auto* match = find(m);
        maps = maps && match && SameProperty(m, *match->second);
        if (!maps) break;
        RestrictedRecord record{match->first, m};
        record.member.prop = match->second->prop;
        elements.push_back(record);
    }
    for (const auto& entry : base) {
        const Member& b = *entry.second;
        if (!maps || !b.attribute || prohibited.count({b.xmlName, b.xmlNs})) continue;
        RestrictedRecord record{entry.first, b};
        for (const Member& m : shadow.members) {
            if (m.attribute && m.xmlName == b.xmlName && m.xmlNs == b.xmlNs && SameProperty(m, b)) {
                record.member = m;
                record.member.prop = b.prop;
            }
        }
        attributes.push_back(record);
    }
    if (!maps) {
        CSchemaSet::Warn(derivation, "the restriction " + cls->xmlName +
                                         " does not map onto the members of its base; it reads "
                                         "and writes the base's content");
        return false;
    }
    cls->restrictedRecords = elements;
    cls->restrictedRecords.insert(cls->restrictedRecords.end(), attributes.begin(),
                                  attributes.end());
    return true;
}

void CModelBuilder::BuildComplexContent(ClassModel* cls, const Node& content) {
    Node derivation = content.Child("extension");
    const bool extension = static_cast<bool>(derivation);
    if (!extension) derivation = content.Child("restriction");
    if (!derivation) CSchemaSet::Fail(content, "complexContent needs an extension or restriction");
    const QName baseName = m_schemas.Resolve(derivation, derivation.Attr("base"));
    const bool fromAnyType = baseName == QName(kXsdNamespace, "anyType");
    if (!fromAnyType) Inherit(cls, derivation, baseName);
    std::set<const void*> seen;
    AddAttributes(cls, derivation, seen);
    if (!extension && !fromAnyType) {
        cls->restricted = Restrict(cls, derivation);
        return;
    }
    for (const Node& particle : derivation.Children()) {
        const std::string& kind = particle.Name();
        if (kind != "sequence" && kind != "choice" && kind != "all" && kind != "group") continue;
        bool baseHasElements = false;
        for (const Member* member : cls->AllMembers()) {
            baseHasElements =
                baseHasElements || (!member->attribute && member->kind != Member::Text);
        }
        if (!baseHasElements) {
            SetContent(cls, particle);
        } else if (cls->group != "Seq") {
            CSchemaSet::Fail(particle, "extending " + baseName.second +
                                           ", whose content is a choice or all-group, is not "
                                           "supported");
        } else {
            AddParticle(cls, particle);
        }
    }
}

void CModelBuilder::BuildSimpleContent(ClassModel* cls, const Node& content) {
    Node derivation = content.Child("extension");
    if (!derivation) derivation = content.Child("restriction");
    if (!derivation) CSchemaSet::Fail(content, "simpleContent needs an extension or restriction");
    const QName baseName = m_schemas.Resolve(derivation, derivation.Attr("base"));
    if (m_schemas.IsComplexType(baseName)) {
        Inherit(cls, derivation, baseName);
        for (const Node& facet : derivation.Children()) {
            const std::string& kind = facet.Name();
            if (kind != "attribute" && kind != "attributeGroup" && kind != "anyAttribute") {
                CSchemaSet::Warn(facet, "xs:" + kind +
                                            " in a simple-content restriction is not "
                                            "checked; the base type's value rules apply");
                break;
            }
        }
    } else {
        Member text;
        text.kind = Member::Text;
        text.simple = SimpleOf(derivation, baseName, Pascal(cls->xmlName) + "Value");
        text.prop = UniquePropName(cls, "Value");
        cls->members.push_back(text);
    }
    std::set<const void*> seen;
    AddAttributes(cls, derivation, seen);
}

void CModelBuilder::SetContent(ClassModel* cls, const Node& particle) {
    Node compositor = particle;
    if (particle.Name() == "group") {
        const Node group =
            m_schemas.Group(particle, m_schemas.Resolve(particle, particle.Attr("ref")));
        compositor = group.Child("sequence");
        if (!compositor) compositor = group.Child("choice");
        if (!compositor) compositor = group.Child("all");
        if (!compositor) CSchemaSet::Fail(group, "the group has no sequence, choice or all");
    }
    Member occurs;
    Occurs(particle, occurs);
    const bool once = occurs.minOccurs == 1 && occurs.maxOccurs == 1;
    if (once || compositor.Name() == "all") {
        cls->group = CompositorGroup(compositor.Name());
        AddParticles(cls, compositor);
        if (!once) {
            for (Member& member : cls->members) member.minOccurs = 0;
        }
        return;
    }
    cls->group = "Seq";
    AddParticle(cls, particle);
}

void CModelBuilder::AddParticles(ClassModel* cls, const Node& compositor) {
    for (const Node& particle : compositor.Children()) AddParticle(cls, particle);
}

void CModelBuilder::AddParticle(ClassModel* cls, const Node& particle) {
    const CDepthGuard guard(m_depth, particle);
    const std::string& kind = particle.Name();
    if (kind == "element") return AddElement(cls, particle);
    if (kind == "any") return AddAny(cls, particle);
    if (kind != "sequence" && kind != "choice" && kind != "all" && kind != "group") {
        CSchemaSet::Fail(particle, "xs:" + kind + " is not allowed in a model group");
    }
    Member occurs;
    Occurs(particle, occurs);
    if (occurs.maxOccurs == 0) return;
    Node compositor = particle;
    QName groupName;
    if (kind == "group") {
        groupName = m_schemas.Resolve(particle, particle.Attr("ref"));
        const Node group = m_schemas.Group(particle, groupName);
        for (const Node& child : group.Children()) {
            if (child.Name() == "sequence" || child.Name() == "choice" || child.Name() == "all") {
                compositor = child;
            }
        }
        if (compositor.element == particle.element) {
            CSchemaSet::Fail(group, "the group has no sequence, choice or all");
        }
    }
    const std::string group = CompositorGroup(compositor.Name());
    const bool once = occurs.minOccurs == 1 && occurs.maxOccurs == 1;
    if (once && group == cls->group && group != "All") {
        AddParticles(cls, compositor);  // a sequence in a sequence, a choice in a choice
        return;
    }
    ClassModel* groupClass = nullptr;
    std::string prop;
    if (kind == "group") {
        prop = Pascal(groupName.second);
        const auto known = m_groupClasses.find(groupName);
        if (known != m_groupClasses.end()) groupClass = known->second;
        if (!groupClass) {
            groupClass = NewClass(groupName.second, compositor, groupName.first);
            m_groupClasses[groupName] = groupClass;
        }
    } else {
        prop = Pascal(compositor.Name() == "sequence" ? "Sequence" : compositor.Name());
        groupClass = NewClass(cls->xmlName + prop, compositor, compositor.doc->targetNamespace);
        groupClass->xmlName = prop;
    }
    if (!groupClass->built) {
        groupClass->pseudo = true;
        groupClass->group = group;
        groupClass->built = true;
        AddParticles(groupClass, compositor);
    }
    AddGroupMember(cls, particle, compositor, groupClass, prop);
}

void CModelBuilder::AddGroupMember(ClassModel* cls, const Node& particle,
                                   const Node& /*compositor*/, ClassModel* groupClass,
                                   const std::string& prop) {
    Member member;
    member.kind = Member::Cls;
    member.cls = groupClass;
    member.xmlName = groupClass->xmlName;
    member.xmlNs = groupClass->xmlNamespace;
    member.doc = groupClass->doc;
    Occurs(particle, member);
    member.presence = !IsEmptiable(groupClass);
    member.mayBeEmpty = member.minOccurs == 0 || !member.presence;
    // A repeated group that can match nothing is satisfied by no occurrence.
    if (member.Repeated() && !member.presence) member.minOccurs = 0;
    if (cls->group == "Choice" && !member.Repeated()) member.minOccurs = 0;
    member.prop = UniquePropName(cls, prop);
    cls->members.push_back(member);
}

bool CModelBuilder::IsEmptiable(const ClassModel* cls) {
    const bool choice = cls->group == "Choice";
    bool any = false;
    bool all = true;
    for (const Member& member : cls->members) {
        if (member.attribute) continue;
        const bool empty = member.mayBeEmpty;
        any = any || empty;
        all = all && empty;
    }
    return choice ? any : all;
}

ClassModel* CModelBuilder::SubstitutionClass(const Node& at, const Node& head) {
    const QName headName{head.doc->targetNamespace, head.Attr("name")};
    const auto known = m_substitutions.find(headName);
    if (known != m_substitutions.end()) return known->second;
    // The members, transitively.
    std::vector<Node> members{head};
    for (std::size_t i = 0; i < members.size(); ++i) {
        const QName name{members[i].doc->targetNamespace, members[i].Attr("name")};
        for (const auto& entry : m_schemas.Elements()) {
            const Node& element = entry.second;
            if (!element.Has("substitutionGroup")) continue;
            std::string heads = element.Attr("substitutionGroup") + " ";
            for (std::size_t start = 0, end; (end = heads.find(' ', start)) != std::string::npos;
                 start = end + 1) {
                if (end > start &&
                    m_schemas.Resolve(element, heads.substr(start, end - start)) == name) {
                    bool listed = false;
                    for (const Node& m : members) listed = listed || m.element == element.element;
                    if (!listed) members.push_back(element);
                }
            }
        }
    }
    if (members.size() == 1) return nullptr;
    ClassModel* cls = NewClass(headName.second + "Choice", at, headName.first);
    cls->xmlName = headName.second;
    cls->pseudo = true;
    cls->group = "Choice";
    cls->built = true;
    cls->doc = "The substitution group of " + headName.second + ": one of its elements.";
    m_substitutions[headName] = cls;
    for (const Node& element : members) {
        if (element.Attr("abstract") == "true") continue;
        const std::size_t before = cls->members.size();
        AddElement(cls, element);
        if (cls->members.size() > before) cls->members.back().minOccurs = 0;
    }
    return cls;
}

void CModelBuilder::AddElement(ClassModel* cls, const Node& element) {
    Member member;
    Occurs(element, member);
    if (member.maxOccurs == 0) return;
    Node decl = element;
    bool isGlobal = false;
    if (element.Has("ref")) {
        decl = m_schemas.Element(element, m_schemas.Resolve(element, element.Attr("ref")));
        isGlobal = true;
        if (ClassModel* group = SubstitutionClass(element, decl)) {
            AddGroupMember(cls, element, decl, group, Pascal(decl.Attr("name")));
            return;
        }
    } else {
        for (const auto& entry : m_schemas.Elements()) {
            isGlobal = isGlobal || entry.second.element == element.element;
        }
    }
    member.xmlName = decl.Attr("name");
    if (isGlobal) {
        member.xmlNs = decl.doc->targetNamespace;
    } else {
        const std::string form = decl.Attr("form");
        const bool qualified = form.empty() ? decl.doc->elementsQualified : form == "qualified";
        member.xmlNs = qualified ? decl.doc->targetNamespace : std::string();
    }
    member.doc = element.Documentation();
    if (member.doc.empty()) member.doc = decl.Documentation();
    for (const char* constraint : {"key", "keyref", "unique"}) {
        if (decl.Child(constraint) && m_warned.insert(constraint).second) {
            CSchemaSet::Warn(decl.Child(constraint), std::string("identity constraints (xs:") +
                                                         constraint + ") are not checked");
        }
    }

    // The type: named, anonymous, the substitution head's, or anyType.
    Node typed = decl;
    while (!typed.Has("type") && !typed.Child("complexType") && !typed.Child("simpleType") &&
           typed.Has("substitutionGroup")) {
        std::string head = typed.Attr("substitutionGroup");
        head = head.substr(0, head.find(' '));
        typed = m_schemas.Element(typed, m_schemas.Resolve(typed, head));
    }
    if (typed.Has("type")) {
        const QName type = m_schemas.Resolve(typed, typed.Attr("type"));
        if (type == QName(kXsdNamespace, "anyType")) {
            member.kind = Member::Untpd;
        } else if (type.first != kXsdNamespace && m_schemas.IsComplexType(type)) {
            member.kind = Member::Cls;
            member.cls = NamedClass(typed, type);
        } else {
            member.simple = SimpleOf(typed, type, Pascal(member.xmlName));
        }
    } else if (Node complexType = typed.Child("complexType")) {
        member.kind = Member::Cls;
        member.cls = AnonymousClass(complexType, member.xmlName, member.xmlName);
        if (member.cls->doc.empty()) member.cls->doc = member.doc;
    } else if (Node simpleType = typed.Child("simpleType")) {
        member.simple = SimpleFromNode(simpleType, Pascal(member.xmlName));
    } else {
        member.kind = Member::Untpd;
    }
    if (member.kind == Member::Cls) m_elementTypes[member.xmlName].insert(member.cls);
    if (member.kind == Member::Untpd) {
        member.anyNamespace = "##any";
        member.anyTargetNamespace = decl.doc->targetNamespace;
    } else if (member.kind != Member::Cls) {
        member.kind = member.simple.enumeration ? Member::Enum : Member::Prim;
        const std::string fixed = decl.Attr("fixed");
        if (decl.Has("fixed")) {
            if (member.kind == Member::Enum) {
                member.defaultValue = fixed;
            } else if (IsNumeric(member.simple.builtin)) {
                member.simple.facets.minInclusive = member.simple.facets.maxInclusive = fixed;
            } else if (std::string(member.simple.builtin->itemType) == "it_string") {
                member.simple.facets.pattern = EscapeRegex(fixed);
            } else {
                CSchemaSet::Warn(decl, "the fixed value of " + member.xmlName + " is not checked");
            }
            member.defaultValue = fixed;
        }
        if (decl.Has("default")) member.defaultValue = decl.Attr("default");
    }
    if (decl.Attr("nillable") == "true") {
        // A simple value gets a class, which can be nil; anyType content
        // keeps xsi:nil as an attribute.
        if (member.kind == Member::Prim || member.kind == Member::Enum) {
            member.cls = NillableClass(decl, member);
            member.kind = Member::Cls;
            member.defaultValue.clear();
        }
        member.nillable = member.kind == Member::Cls;
    }
    member.mayBeEmpty = member.minOccurs == 0;
    if (cls->group == "Choice" && !member.Repeated()) member.minOccurs = 0;
    member.prop = UniquePropName(cls, Pascal(member.xmlName));
    cls->members.push_back(member);
}

ClassModel* CModelBuilder::NillableClass(const Node& decl, const Member& member) {
    const auto known = m_anonymous.find(decl.element);
    if (known != m_anonymous.end()) return known->second;
    ClassModel* cls = NewClass(member.xmlName, decl, decl.doc->targetNamespace);
    cls->anonymous = true;
    cls->nillable = true;
    cls->built = true;
    cls->doc = "The nillable element " + member.xmlName + ": its value, or xsi:nil.";
    m_anonymous[decl.element] = cls;
    Member value = member;
    value.kind = Member::Text;
    value.minOccurs = value.maxOccurs = 1;
    value.prop = "Value";
    value.doc.clear();
    cls->members = {value};
    return cls;
}

std::string CModelBuilder::ProcessContentsOf(const Node& wildcard) {
    return wildcard.Has("processContents") ? wildcard.Attr("processContents") : "strict";
}

void CModelBuilder::AddAny(ClassModel* cls, const Node& any) {
    Member member;
    member.kind = Member::Untpd;
    Occurs(any, member);
    if (member.maxOccurs == 0) return;
    member.xmlName = "AnyElement";
    member.anyNamespace = any.Has("namespace") ? any.Attr("namespace") : "##any";
    member.anyTargetNamespace = any.doc->targetNamespace;
    member.processContents = ProcessContentsOf(any);
    member.doc = any.Documentation();
    member.mayBeEmpty = member.minOccurs == 0;
    if (cls->group == "Choice" && !member.Repeated()) member.minOccurs = 0;
    member.prop = UniquePropName(cls, "Any");
    cls->members.push_back(member);
}

void CModelBuilder::AddAttributes(ClassModel* cls, const Node& container,
                                  std::set<const void*>& seen) {
    for (const Node& child : container.Children()) {
        const std::string& kind = child.Name();
        if (kind == "attribute") {
            AddAttribute(cls, child);
        } else if (kind == "attributeGroup") {
            const Node group =
                m_schemas.AttributeGroup(child, m_schemas.Resolve(child, child.Attr("ref")));
            if (seen.insert(group.element).second) AddAttributes(cls, group, seen);
        } else if (kind == "anyAttribute") {
            for (const Member* existing : cls->AllMembers()) {
                if (existing->kind == Member::AnyAttribute) return;
            }
            Member member;
            member.kind = Member::AnyAttribute;
            member.attribute = true;
            member.minOccurs = 0;
            member.xmlName = "AnyAttribute";
            member.anyNamespace = child.Has("namespace") ? child.Attr("namespace") : "##any";
            member.anyTargetNamespace = child.doc->targetNamespace;
            member.processContents = ProcessContentsOf(child);
            member.prop = UniquePropName(cls, "AnyAttribute");
            cls->members.push_back(member);
        }
    }
}

void CModelBuilder::AddAttribute(ClassModel* cls, const Node& attribute) {
    const std::string use = attribute.Attr("use");
    if (use == "prohibited") return;
    Member member;
    member.attribute = true;
    member.minOccurs = use == "required" ? 1 : 0;
    Node decl = attribute;
    if (attribute.Has("ref")) {
        const QName name = m_schemas.Resolve(attribute, attribute.Attr("ref"));
        member.xmlName = name.second;
        member.xmlNs = name.first;
        if (name.first == kXmlNamespace && !m_schemas.Attributes().count(name)) {
            // xml:lang and friends without their schema: text
            member.simple.builtin = Builtin(name.second == "lang" ? "language" : "string");
            member.simple.whitespace = member.simple.builtin->whitespace;
            decl = Node{};
        } else {
            decl = m_schemas.Attribute(attribute, name);
        }
    } else {
        member.xmlName = attribute.Attr("name");
        bool isGlobal = false;
        for (const auto& entry : m_schemas.Attributes()) {
            isGlobal = isGlobal || entry.second.element == attribute.element;
        }
        const std::string form = attribute.Attr("form");
        const bool qualified =
            form.empty() ? attribute.doc->attributesQualified : form == "qualified";
        member.xmlNs = qualified || isGlobal ? attribute.doc->targetNamespace : std::string();
    }
    for (const Member* existing : cls->AllMembers()) {
        if (existing->attribute && existing->xmlName == member.xmlName &&
            existing->xmlNs == member.xmlNs) {
            return;  // a derived type restating an attribute of its base
        }
    }
    if (decl) {
        member.doc = attribute.Documentation();
        if (member.doc.empty()) member.doc = decl.Documentation();
        if (decl.Has("type")) {
            member.simple =
                SimpleOf(decl, m_schemas.Resolve(decl, decl.Attr("type")), Pascal(member.xmlName));
        } else if (Node type = decl.Child("simpleType")) {
            member.simple = SimpleFromNode(type, Pascal(member.xmlName));
        } else {
            member.simple.builtin = Builtin("anySimpleType");
            member.simple.whitespace = "Preserve";
        }
    }
    member.kind = member.simple.enumeration ? Member::Enum : Member::Prim;
    std::string fixed;
    bool hasFixed = false;
    for (const Node& source : {attribute, decl}) {
        if (!source) continue;
        if (!hasFixed && source.Has("fixed")) {
            fixed = source.Attr("fixed");
            hasFixed = true;
        }
        if (member.defaultValue.empty() && source.Has("default")) {
            member.defaultValue = source.Attr("default");
        }
    }
    if (hasFixed) {
        if (member.kind == Member::Prim && IsNumeric(member.simple.builtin)) {
            member.simple.facets.minInclusive = member.simple.facets.maxInclusive = fixed;
        } else if (member.kind == Member::Prim &&
                   std::string(member.simple.builtin->itemType) == "it_string") {
            member.simple.facets.pattern = EscapeRegex(fixed);
        } else if (member.kind == Member::Prim) {
            CSchemaSet::Warn(attribute, "the fixed value of " + member.xmlName + " is not checked");
        }
        member.defaultValue = fixed;
    }
    member.prop = UniquePropName(cls, Pascal(member.xmlName));
    cls->members.push_back(member);
}

// ---------------------------------------------------------------- simple types

SimpleInfo CModelBuilder::SimpleOf(const Node& at, const QName& type,
                                   const std::string& /*hint: named types name themselves*/) {
    if (type.first == kXsdNamespace) {
        const BuiltinType* builtin = Builtin(type.second);
        if (!builtin) CSchemaSet::Fail(at, "xs:" + type.second + " is not a simple type");
        SimpleInfo info;
        info.builtin = builtin;
        info.whitespace = builtin->whitespace;
        if (builtin->minInclusive) info.facets.minInclusive = builtin->minInclusive;
        if (builtin->maxInclusive) info.facets.maxInclusive = builtin->maxInclusive;
        return info;
    }
    const auto known = m_simpleTypes.find(type);
    if (known != m_simpleTypes.end()) return known->second;
    const Node node = m_schemas.SimpleType(type);
    if (!node) {
        CSchemaSet::Fail(at,
                         "{" + type.first + "}" + type.second +
                             (m_schemas.IsComplexType(type) ? " is a complex type, not a simple one"
                                                            : " is not a declared simple type"));
    }
    if (!m_resolvingSimple.insert(type).second) {
        CSchemaSet::Fail(node, "the simple type " + type.second + " derives from itself");
    }
    SimpleInfo info = SimpleFromNode(node, Pascal(type.second));
    m_resolvingSimple.erase(type);
    m_simpleTypes[type] = info;
    return info;
}

SimpleInfo CModelBuilder::SimpleFromNode(const Node& simpleType, const std::string& hint) {
    const CDepthGuard guard(m_depth, simpleType);
    SimpleInfo info;
    if (Node restriction = simpleType.Child("restriction")) {
        if (restriction.Has("base")) {
            info = SimpleOf(restriction, m_schemas.Resolve(restriction, restriction.Attr("base")),
                            hint);
        } else if (Node inner = restriction.Child("simpleType")) {
            info = SimpleFromNode(inner, hint + "Base");
        } else {
            CSchemaSet::Fail(restriction, "a restriction needs a base type");
        }
        ApplyFacets(info, restriction, hint);
        return info;
    }
    info.builtin = Builtin("token");
    info.whitespace = "Collapse";
    if (Node list = simpleType.Child("list")) {
        info.note = "a list (" +
                    (list.Has("itemType") ? list.Attr("itemType") : std::string("inline type")) +
                    "), held as its text";
        const Node inlineType = list.Child("simpleType");
        if (!list.Has("itemType") && !inlineType) {
            CSchemaSet::Fail(list, "a list needs an itemType or a simpleType");
        }
        const SimpleInfo item =
            list.Has("itemType")
                ? SimpleOf(list, m_schemas.Resolve(list, list.Attr("itemType")), hint + "Item")
                : SimpleFromNode(inlineType, hint + "Item");
        info.isList = true;
        info.listItem = LexicalPattern(item);
        info.facets.pattern = ListPattern(info);
        return info;
    }
    if (Node unionType = simpleType.Child("union")) {
        info.note = "a union (" + unionType.Attr("memberTypes") + "), held as its text";
        // The union admits what one of its members admits; a member that
        // admits any text leaves the value unchecked.
        std::vector<SimpleInfo> members;
        std::string types = unionType.Attr("memberTypes") + " ";
        for (std::size_t start = 0, end; (end = types.find(' ', start)) != std::string::npos;
             start = end + 1) {
            if (end > start) {
                members.push_back(SimpleOf(
                    unionType, m_schemas.Resolve(unionType, types.substr(start, end - start)),
                    hint + "Member"));
            }
        }
        for (const Node& inner : unionType.Children()) {
            if (inner.Name() == "simpleType")
                members.push_back(SimpleFromNode(inner, hint + "Member"));
        }
        std::string pattern;
        for (const SimpleInfo& member : members) {
            const std::string alternative = LexicalPattern(member);
            if (alternative.empty()) return info;
            pattern += (pattern.empty() ? "(" : "|(") + alternative + ")";
        }
        info.facets.pattern = pattern;
        return info;
    }
    CSchemaSet::Fail(simpleType, "a simpleType needs a restriction, list or union");
}

void CModelBuilder::ApplyFacets(SimpleInfo& info, const Node& restriction,
                                const std::string& hint) {
    std::vector<std::string> patterns;
    std::vector<std::string> values;
    for (const Node& facet : restriction.Children()) {
        const std::string& kind = facet.Name();
        const std::string value = facet.Attr("value");
        Facets& f = info.facets;
        const bool lengthOfList =
            info.isList && (kind == "length" || kind == "minLength" || kind == "maxLength");
        if (kind == "simpleType") {
            continue;
        } else if (lengthOfList) {
            // Counts items: checked through the list's pattern.
            const int count = ToInt(facet, value);
            if (kind != "maxLength") info.minItems = count;
            if (kind != "minLength") info.maxItems = count;
            if (info.isList) info.facets.pattern = ListPattern(info);
        } else if (kind == "enumeration") {
            values.push_back(value);
        } else if (kind == "pattern") {
            patterns.push_back(value);
        } else if (kind == "length") {
            f.length = ToInt(facet, value);
        } else if (kind == "minLength") {
            f.minLength = ToInt(facet, value);
        } else if (kind == "maxLength") {
            f.maxLength = ToInt(facet, value);
        } else if (kind == "minInclusive") {
            f.minInclusive = value;
        } else if (kind == "maxInclusive") {
            f.maxInclusive = value;
        } else if (kind == "minExclusive") {
            f.minExclusive = value;
        } else if (kind == "maxExclusive") {
            f.maxExclusive = value;
        } else if (kind == "totalDigits") {
            f.totalDigits = ToInt(facet, value);
        } else if (kind == "fractionDigits") {
            f.fractionDigits = ToInt(facet, value);
        } else if (kind == "whiteSpace") {
            info.whitespace = value == "preserve"  ? "Preserve"
                              : value == "replace" ? "Replace"
                                                   : "Collapse";
        } else {
            CSchemaSet::Warn(facet, "the facet xs:" + kind + " is not checked");
        }
    }
    if (!patterns.empty()) {
        std::string joined;
        for (const std::string& pattern : patterns) {
            joined +=
                (joined.empty() ? "" : "|") + (patterns.size() > 1 ? "(" + pattern + ")" : pattern);
        }
        if (!info.facets.pattern.empty() && info.facets.pattern != joined) {
            CSchemaSet::Warn(restriction, "the pattern of the base type of " + hint +
                                              " is replaced by the derived type's own");
        }
        info.facets.pattern = joined;
    }
    if (values.empty()) return;
    auto model = std::make_unique<EnumModel>();
    model->cppName = UniqueClassName(hint);
    model->xmlNamespace = restriction.doc->targetNamespace;
    model->whitespace = info.whitespace;
    model->doc = restriction.With(restriction.element).Documentation();
    std::set<std::string> ids;
    for (const std::string& value : values) {
        std::string id =
            model->cppName + "_" + (value.empty() ? std::string("Empty") : Pascal(value));
        while (!ids.insert(id).second) id += "_";
        model->values.push_back(value);
        model->ids.push_back(id);
    }
    info.enumeration = model.get();
    m_enums.push_back(std::move(model));
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

std::string CModelBuilder::LexicalPattern(const SimpleInfo& info) {
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

std::string CModelBuilder::ListPattern(const SimpleInfo& info) {
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

// ---------------------------------------------------------------- naming

std::string CModelBuilder::UniqueClassName(const std::string& wanted) {
    std::string name = wanted;
    for (int n = 2; !m_usedNames.insert(name).second; ++n) name = wanted + std::to_string(n);
    return name;
}

std::string CModelBuilder::UniquePropName(const ClassModel* cls, const std::string& wanted) const {
    auto taken = [&](const std::string& name) {
        for (const char* reserved : kReserved) {
            if (name == reserved) return true;
        }
        for (const ClassModel* c = cls; c; c = c->base) {
            for (const Member& member : c->members) {
                if (member.prop == name) return true;
            }
        }
        return false;
    };
    std::string name = wanted;
    for (int n = 2; taken(name); ++n) name = wanted + std::to_string(n);
    return name;
}

void CModelBuilder::Occurs(const Node& particle, Member& member) {
    member.minOccurs = particle.Has("minOccurs") ? ToInt(particle, particle.Attr("minOccurs")) : 1;
    const std::string max = particle.Attr("maxOccurs");
    member.maxOccurs = max == "unbounded" ? -1 : max.empty() ? 1 : ToInt(particle, max);
}

}  // namespace Qbxsd
