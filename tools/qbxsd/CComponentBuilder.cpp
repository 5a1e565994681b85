#include "CComponentBuilder.h"

#include <sstream>

#include "CSimpleTypeMapper.h"
#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

bool IsCompositor(const std::string& kind) {
    return kind == "sequence" || kind == "choice" || kind == "all";
}

ValueConstraint ValueOf(const Node& node) {
    ValueConstraint value;
    value.hasDefault = node.Has("default");
    value.hasFixed = node.Has("fixed");
    value.defaultValue = node.Attr("default");
    value.fixedValue = node.Attr("fixed");
    return value;
}

// The name of a local declaration: in the target namespace when qualified.
QName LocalName(const Node& node, bool qualifiedByDefault) {
    const std::string form = node.Attr("form");
    const bool qualified = form.empty() ? qualifiedByDefault : form == "qualified";
    return {qualified ? node.doc->targetNamespace : std::string(), node.Attr("name")};
}

}  // namespace

template <typename T>
void CComponentBuilder::ShellsOf(const std::map<QName, Node>& globals, std::deque<T>& store,
                                 std::map<QName, const T*>& table) {
    for (const auto& entry : globals) {
        T& component = Shell(store, entry.second);
        component.name = entry.first;
        table[entry.first] = &component;
    }
}

template <typename T>
const T* CComponentBuilder::Require(const std::map<QName, const T*>& table, const Node& at,
                                    const QName& name, const char* kind) const {
    const auto found = table.find(name);
    if (found == table.end()) {
        CSchemaSet::Fail(at, std::string("no global ") + kind + " {" + name.first + "}" +
                                 name.second + " is declared in the schemas read");
    }
    return found->second;
}

std::unique_ptr<CSchemaComponents> CComponentBuilder::Build() {
    m_out = std::make_unique<CSchemaComponents>();
    m_set = m_out.get();
    MakeShells();
    FillGlobals();
    Complete();
    return std::move(m_out);
}

void CComponentBuilder::MakeShells() {
    ShellsOf(m_schemas.Elements(), m_set->m_elementStore, m_set->m_elements);
    ShellsOf(m_schemas.Attributes(), m_set->m_attributeStore, m_set->m_attributes);
    ShellsOf(m_schemas.ComplexTypes(), m_set->m_complexStore, m_set->m_complexTypes);
    for (const auto& entry : m_schemas.SimpleTypes()) {
        // XMLSchema.xsd declares the built-in types again; the built-ins stand.
        const bool builtin = entry.first.first == kXsdNamespace &&
                             CSimpleTypeMapper::Builtin(entry.first.second) != nullptr;
        if (builtin) {
            m_set->m_simpleTypes[entry.first] = BuiltinSimple(entry.first.second);
            continue;
        }
        SimpleTypeDef& type = Shell(m_set->m_simpleStore, entry.second);
        type.name = entry.first;
        m_set->m_simpleTypes[entry.first] = &type;
    }
    for (const auto& entry : m_schemas.Groups()) {
        ModelGroupDef& group = Shell(m_set->m_groupDefStore, entry.second);
        group.name = entry.first;
        Node compositor;
        for (const Node& child : entry.second.Children()) {
            if (!compositor && IsCompositor(child.Name())) compositor = child;
        }
        if (!compositor) CSchemaSet::Fail(entry.second, "the group has no sequence, choice or all");
        // Made now, filled later: particles that refer to the group point at it.
        ModelGroup& contents = Shell(m_set->m_modelGroupStore, compositor);
        group.group = &contents;
        m_groupContents[&group] = &contents;
        m_set->m_groups[entry.first] = &group;
    }
    for (const auto& entry : m_schemas.AttributeGroups()) {
        AttributeGroupDef& group = Shell(m_set->m_attributeGroupStore, entry.second);
        group.name = entry.first;
        m_set->m_attributeGroups[entry.first] = &group;
    }
}

void CComponentBuilder::FillGlobals() {
    // The global components are the first of each store; filling them adds
    // the anonymous ones (filled as they are made) behind them.
    const std::size_t complexTypes = m_set->m_complexStore.size();
    const std::size_t simpleTypes = m_set->m_simpleStore.size();
    const std::size_t attributes = m_set->m_attributeStore.size();
    const std::size_t elements = m_set->m_elementStore.size();
    for (std::size_t i = 0; i < complexTypes; ++i) {
        ComplexTypeDef& type = m_set->m_complexStore[i];
        FillComplexType(type, type.node);
    }
    for (std::size_t i = 0; i < simpleTypes; ++i) {
        SimpleTypeDef& type = m_set->m_simpleStore[i];
        if (!type.builtin) FillSimpleType(type, type.node);
    }
    for (std::size_t i = 0; i < m_set->m_groupDefStore.size(); ++i) {
        ModelGroupDef& group = m_set->m_groupDefStore[i];
        FillModelGroup(*m_groupContents.at(&group), group.group->node);
    }
    for (AttributeGroupDef& group : m_set->m_attributeGroupStore) {
        std::set<const void*> seen{&group};
        ExpandAttributes(group.node, seen, group.uses);
    }
    for (std::size_t i = 0; i < attributes; ++i) {
        AttributeDecl& attribute = m_set->m_attributeStore[i];
        FillAttribute(attribute, attribute.node, true);
    }
    for (std::size_t i = 0; i < elements; ++i) {
        ElementDecl& element = m_set->m_elementStore[i];
        FillElement(element, element.node, true);
    }
}

// ---------------------------------------------------------------- declarations

void CComponentBuilder::FillElement(ElementDecl& element, const Node& node, bool global) {
    element.global = global;
    if (!global) element.name = LocalName(node, node.doc->elementsQualified);
    element.abstract = node.Attr("abstract") == "true";
    element.nillable = node.Attr("nillable") == "true";
    element.block = node.Attr("block");
    element.final = node.Attr("final");
    element.value = ValueOf(node);
    std::istringstream heads(node.Attr("substitutionGroup"));
    for (std::string head; heads >> head;) {
        element.substitutionHeads.push_back(
            Require(m_set->m_elements, node, m_schemas.Resolve(node, head), "element"));
    }
    for (const Node& child : node.Children()) {
        const std::string& kind = child.Name();
        if (kind == "key" || kind == "keyref" || kind == "unique") {
            element.identityConstraints.push_back(child);
        }
    }
    if (node.Has("type")) {
        element.type = TypeRef(node, m_schemas.Resolve(node, node.Attr("type")));
    } else if (const Node complexType = node.Child("complexType")) {
        element.type = AnonymousComplex(complexType);
    } else if (const Node simpleType = node.Child("simpleType")) {
        element.type = AnonymousSimple(simpleType);
    } else if (!element.substitutionHeads.empty()) {
        element.typeFromHead = true;  // known once every head is filled
    } else {
        element.type = AnyType();
    }
}

const ElementDecl* CComponentBuilder::LocalElement(const Node& node) {
    const auto known = m_localElements.find(node.element);
    if (known != m_localElements.end()) return known->second;
    ElementDecl& element = Shell(m_set->m_elementStore, node);
    m_localElements[node.element] = &element;
    FillElement(element, node, false);
    return &element;
}

void CComponentBuilder::FillAttribute(AttributeDecl& attribute, const Node& node, bool global) {
    attribute.global = global;
    if (!global) attribute.name = LocalName(node, node.doc->attributesQualified);
    attribute.value = ValueOf(node);
    if (node.Has("type")) {
        attribute.type = SimpleRef(node, m_schemas.Resolve(node, node.Attr("type")));
    } else if (const Node simpleType = node.Child("simpleType")) {
        attribute.type = AnonymousSimple(simpleType);
    } else {
        attribute.type = BuiltinSimple("anySimpleType");
    }
}

const AttributeDecl* CComponentBuilder::XmlAttribute(const QName& name) {
    // xml:lang and friends without their schema: text.
    const auto known = m_xmlAttributes.find(name);
    if (known != m_xmlAttributes.end()) return known->second;
    m_set->m_attributeStore.emplace_back();
    AttributeDecl& attribute = m_set->m_attributeStore.back();
    attribute.name = name;
    attribute.global = true;
    attribute.type = BuiltinSimple(name.second == "lang" ? "language" : "string");
    m_xmlAttributes[name] = &attribute;
    return &attribute;
}

AttributeUse CComponentBuilder::MakeUse(const Node& node) {
    AttributeUse use;
    use.node = node;
    use.doc = node.Documentation();
    use.required = node.Attr("use") == "required";
    use.prohibited = node.Attr("use") == "prohibited";
    use.value = ValueOf(node);
    use.reference = node.Has("ref");
    if (use.reference) {
        const QName name = m_schemas.Resolve(node, node.Attr("ref"));
        const bool declared = m_set->m_attributes.count(name) != 0;
        use.decl = name.first == kXmlNamespace && !declared
                       ? XmlAttribute(name)
                       : Require(m_set->m_attributes, node, name, "attribute");
        return use;
    }
    const auto known = m_localAttributes.find(node.element);
    if (known != m_localAttributes.end()) {
        use.decl = known->second;
        return use;
    }
    AttributeDecl& attribute = Shell(m_set->m_attributeStore, node);
    m_localAttributes[node.element] = &attribute;
    FillAttribute(attribute, node, false);
    use.decl = &attribute;
    return use;
}

void CComponentBuilder::ExpandAttributes(const Node& container, std::set<const void*>& seen,
                                         std::vector<AttributeUse>& uses) {
    for (const Node& child : container.Children()) {
        const std::string& kind = child.Name();
        if (kind == "attribute") {
            uses.push_back(MakeUse(child));
        } else if (kind == "attributeGroup") {
            const AttributeGroupDef* group =
                Require(m_set->m_attributeGroups, child,
                        m_schemas.Resolve(child, child.Attr("ref")), "attributeGroup");
            if (seen.insert(group).second) ExpandAttributes(group->node, seen, uses);
        } else if (kind == "anyAttribute") {
            AttributeUse use;
            use.node = child;
            use.doc = child.Documentation();
            use.wildcard = WildcardOf(child);
            uses.push_back(use);
        }
    }
}

// ---------------------------------------------------------------- content

const Particle* CComponentBuilder::MakeParticle(const Node& node) {
    Particle& particle = Shell(m_set->m_particleStore, node);
    particle.minOccurs = node.Has("minOccurs") ? ToInt(node, node.Attr("minOccurs")) : 1;
    const std::string max = node.Attr("maxOccurs");
    particle.maxOccurs = max == "unbounded" ? -1 : max.empty() ? 1 : ToInt(node, max);
    const std::string& kind = node.Name();
    if (kind == "element") {
        particle.reference = node.Has("ref");
        particle.element = particle.reference
                               ? Require(m_set->m_elements, node,
                                         m_schemas.Resolve(node, node.Attr("ref")), "element")
                               : LocalElement(node);
    } else if (kind == "any") {
        particle.wildcard = WildcardOf(node);
    } else if (kind == "group") {
        particle.groupDef =
            Require(m_set->m_groups, node, m_schemas.Resolve(node, node.Attr("ref")), "group");
        particle.group = particle.groupDef->group;
    } else if (IsCompositor(kind)) {
        ModelGroup& group = Shell(m_set->m_modelGroupStore, node);
        FillModelGroup(group, node);
        particle.group = &group;
    } else {
        CSchemaSet::Fail(node, "xs:" + kind + " is not allowed in a model group");
    }
    return &particle;
}

void CComponentBuilder::FillModelGroup(ModelGroup& group, const Node& compositor) {
    const CDepthGuard guard(m_depth, compositor);
    const std::string& kind = compositor.Name();
    group.compositor = kind == "sequence" ? ModelGroup::Sequence
                       : kind == "choice" ? ModelGroup::Choice
                                          : ModelGroup::All;
    for (const Node& child : compositor.Children()) {
        group.particles.push_back(MakeParticle(child));
    }
}

const Wildcard* CComponentBuilder::WildcardOf(const Node& node) {
    const auto known = m_wildcards.find(node.element);
    if (known != m_wildcards.end()) return known->second;
    Wildcard& wildcard = Shell(m_set->m_wildcardStore, node);
    m_wildcards[node.element] = &wildcard;
    const std::string& target = node.doc->targetNamespace;
    if (node.Has("namespace")) wildcard.namespaceText = node.Attr("namespace");
    if (node.Has("processContents")) wildcard.processContents = node.Attr("processContents");
    if (wildcard.namespaceText == "##any") return &wildcard;
    if (wildcard.namespaceText == "##other") {
        wildcard.kind = Wildcard::Other;
        wildcard.namespaces = {target};
        return &wildcard;
    }
    wildcard.kind = Wildcard::Enumerated;
    std::istringstream names(wildcard.namespaceText);
    for (std::string name; names >> name;) {
        wildcard.namespaces.push_back(name == "##targetNamespace" ? target
                                      : name == "##local"         ? std::string()
                                                                  : name);
    }
    return &wildcard;
}

}  // namespace Qbxsd
