#include "CModelBuilder.h"

#include <cctype>
#include <cstring>

#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

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

std::string CompositorGroup(const std::string& compositor) {
    return compositor == "sequence" ? "Seq" : compositor == "choice" ? "Choice" : "All";
}

}  // namespace

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
            if (IsDeclaredComplexType(type)) cls = NamedClass(element, type);
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
    for (const auto& entry : m_schemas.SimpleTypes()) m_simple.Of(entry.second, entry.first, "");
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
    // Classes deferred behind a base under construction are built here.
    for (std::size_t i = 0; i < m_classes.size(); ++i) Build(m_classes[i].get());
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

bool CModelBuilder::IsDeclaredComplexType(const QName& name) const {
    // XMLSchema.xsd declares the built-in types again; the built-ins stand.
    const bool builtin =
        name.first == kXsdNamespace && (name.second == "anyType" || Builtin(name.second));
    return !builtin && m_schemas.IsComplexType(name);
}

QName CModelBuilder::DerivationBase(const Node& type) const {
    for (const char* content : {"complexContent", "simpleContent"}) {
        const Node child = type.Child(content);
        if (!child) continue;
        Node derivation = child.Child("extension");
        if (!derivation) derivation = child.Child("restriction");
        if (derivation && derivation.Has("base")) {
            return m_schemas.Resolve(derivation, derivation.Attr("base"));
        }
    }
    return QName();
}

bool CModelBuilder::DerivesFrom(const QName& type, const QName& ancestor) const {
    QName at = type;
    // Every step moves to another named type: more steps than types is a cycle.
    for (std::size_t steps = 0; steps <= m_schemas.ComplexTypes().size(); ++steps) {
        if (at == ancestor) return true;
        const Node node = m_schemas.ComplexType(at);
        if (!node) return false;
        at = DerivationBase(node);
    }
    return true;
}

void CModelBuilder::Build(ClassModel* cls) {
    if (cls->built) return;
    const CDepthGuard guard(m_depth, cls->node);
    if (cls->node.Name() == "complexType") {
        const QName baseName = DerivationBase(cls->node);
        const auto base = m_named.find(baseName);
        if (base != m_named.end() && base->second->building) {
            if (!cls->anonymous && DerivesFrom(baseName, {cls->xmlNamespace, cls->xmlName})) {
                CSchemaSet::Fail(cls->node, "the type " + cls->xmlName + " derives from itself");
            }
            // The base is being built and holds this type in its content (XHTML's
            // Inline holds em, whose type extends Inline): built after the base.
            return;
        }
    }
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

void CModelBuilder::Restrict(ClassModel* cls, const Node& derivation) {
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
    if (!maps) {
        // Content of its own (SAML's KeyInfoConfirmationDataType keeps only
        // KeyInfo of its base's wildcard): own properties and own records.
        elements.clear();
        cls->group = shadow.group;
        for (Member m : shadow.members) {
            if (m.attribute || m.kind == Member::Text) continue;
            m.prop = UniquePropName(cls, m.prop);
            cls->members.push_back(m);
            elements.push_back(RestrictedRecord{cls, m});
        }
    }
    for (const auto& entry : base) {
        const Member& b = *entry.second;
        if (!b.attribute || prohibited.count({b.xmlName, b.xmlNs})) continue;
        RestrictedRecord record{entry.first, b};
        for (const Member& m : shadow.members) {
            if (m.attribute && m.xmlName == b.xmlName && m.xmlNs == b.xmlNs && SameProperty(m, b)) {
                record.member = m;
                record.member.prop = b.prop;
            }
        }
        attributes.push_back(record);
    }
    cls->restrictedRecords = elements;
    cls->restrictedRecords.insert(cls->restrictedRecords.end(), attributes.begin(),
                                  attributes.end());
    cls->restricted = true;
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
        Restrict(cls, derivation);
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

void CModelBuilder::RestrictText(ClassModel* cls, const Node& restriction) {
    const Member* text = nullptr;
    for (const Member* member : cls->AllMembers()) {
        if (member->kind == Member::Text) text = member;
    }
    if (!text) return;
    // The base checks its own facets; these are checked beside them.
    SimpleInfo info;
    info.builtin = text->simple.builtin;
    info.whitespace = text->simple.whitespace;
    if (Node type = restriction.Child("simpleType")) {
        info = m_simple.FromNode(type, Pascal(cls->xmlName) + "Value");
    }
    m_simple.ApplyFacets(info, restriction, Pascal(cls->xmlName) + "Value");
    cls->textRestricted = true;
    cls->textRestriction = info;
    cls->textProp = text->prop;
}

void CModelBuilder::BuildSimpleContent(ClassModel* cls, const Node& content) {
    Node derivation = content.Child("extension");
    if (!derivation) derivation = content.Child("restriction");
    if (!derivation) CSchemaSet::Fail(content, "simpleContent needs an extension or restriction");
    const QName baseName = m_schemas.Resolve(derivation, derivation.Attr("base"));
    if (IsDeclaredComplexType(baseName)) {
        Inherit(cls, derivation, baseName);
        if (derivation.Name() == "restriction") RestrictText(cls, derivation);
    } else {
        Member text;
        text.kind = Member::Text;
        text.simple = m_simple.Of(derivation, baseName, Pascal(cls->xmlName) + "Value");
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
        } else if (IsDeclaredComplexType(type)) {
            member.kind = Member::Cls;
            member.cls = NamedClass(typed, type);
        } else {
            member.simple = m_simple.Of(typed, type, Pascal(member.xmlName));
        }
    } else if (Node complexType = typed.Child("complexType")) {
        member.kind = Member::Cls;
        member.cls = AnonymousClass(complexType, member.xmlName, member.xmlName);
        if (member.cls->doc.empty()) member.cls->doc = member.doc;
    } else if (Node simpleType = typed.Child("simpleType")) {
        member.simple = m_simple.FromNode(simpleType, Pascal(member.xmlName));
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
            member.simple = m_simple.Of(decl, m_schemas.Resolve(decl, decl.Attr("type")),
                                        Pascal(member.xmlName));
        } else if (Node type = decl.Child("simpleType")) {
            member.simple = m_simple.FromNode(type, Pascal(member.xmlName));
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
