// CComponentBuilder: type definitions, and the pass that completes the
// components once every global one is filled.
#include <algorithm>
#include <sstream>

#include "CComponentBuilder.h"
#include "CSimpleTypeMapper.h"
#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

bool IsParticle(const std::string& kind) {
    return kind == "sequence" || kind == "choice" || kind == "all" || kind == "group";
}

bool IsAttributeKind(const std::string& kind) {
    return kind == "attribute" || kind == "attributeGroup" || kind == "anyAttribute";
}

}  // namespace

// ---------------------------------------------------------------- references

bool CComponentBuilder::IsDeclaredComplexType(const QName& name) const {
    const bool builtin = name.first == kXsdNamespace &&
                         (name.second == "anyType" || CSimpleTypeMapper::Builtin(name.second));
    return !builtin && m_set->m_complexTypes.count(name) != 0;
}

const TypeDef* CComponentBuilder::TypeRef(const Node& at, const QName& name) {
    if (name == QName(kXsdNamespace, "anyType")) return AnyType();
    if (IsDeclaredComplexType(name)) return m_set->m_complexTypes.at(name);
    return SimpleRef(at, name);
}

const SimpleTypeDef* CComponentBuilder::SimpleRef(const Node& at, const QName& name) {
    const auto declared = m_set->m_simpleTypes.find(name);
    if (name.first == kXsdNamespace && declared == m_set->m_simpleTypes.end()) {
        if (!CSimpleTypeMapper::Builtin(name.second)) {
            CSchemaSet::Fail(at, "xs:" + name.second + " is not a simple type");
        }
        return BuiltinSimple(name.second);
    }
    if (declared != m_set->m_simpleTypes.end()) return declared->second;
    CSchemaSet::Fail(at,
                     "{" + name.first + "}" + name.second +
                         (m_set->m_complexTypes.count(name) ? " is a complex type, not a simple one"
                                                            : " is not a declared simple type"));
}

const SimpleTypeDef* CComponentBuilder::BuiltinSimple(const std::string& name) {
    const auto known = m_builtins.find(name);
    if (known != m_builtins.end()) return known->second;
    m_set->m_simpleStore.emplace_back();
    SimpleTypeDef& type = m_set->m_simpleStore.back();
    type.name = {kXsdNamespace, name};
    type.builtin = true;
    const bool list = name == "NMTOKENS" || name == "IDREFS" || name == "ENTITIES";
    type.variety = list ? SimpleTypeDef::List : SimpleTypeDef::Atomic;
    m_builtins[name] = &type;
    return &type;
}

const ComplexTypeDef* CComponentBuilder::AnyType() {
    if (m_anyType) return m_anyType;
    m_set->m_complexStore.emplace_back();
    ComplexTypeDef& type = m_set->m_complexStore.back();
    type.name = {kXsdNamespace, "anyType"};
    type.builtin = type.mixed = true;
    type.content = ComplexTypeDef::Mixed;
    m_anyType = &type;
    type.base = &type;
    return m_anyType;
}

// ---------------------------------------------------------------- complex types

const ComplexTypeDef* CComponentBuilder::AnonymousComplex(const Node& node) {
    ComplexTypeDef& type = Shell(m_set->m_complexStore, node);
    FillComplexType(type, node);
    return &type;
}

void CComponentBuilder::FillComplexType(ComplexTypeDef& type, const Node& node) {
    const CDepthGuard guard(m_depth, node);
    type.abstract = node.Attr("abstract") == "true";
    type.mixed = node.Attr("mixed") == "true";
    type.block = node.Attr("block");
    type.final = node.Attr("final");
    type.base = AnyType();
    for (const Node& child : node.Children()) {
        const std::string& kind = child.Name();
        if (kind == "simpleContent" || kind == "complexContent") {
            type.model = kind == "simpleContent" ? ComplexTypeDef::SimpleContent
                                                 : ComplexTypeDef::ComplexContent;
            type.mixed = type.mixed || child.Attr("mixed") == "true";
            FillDerivation(type, child);
        } else if (IsParticle(kind)) {
            if (!type.particle) type.particle = MakeParticle(child);
        } else if (!IsAttributeKind(kind)) {
            CSchemaSet::Fail(child, "xs:" + kind + " in a complex type is not supported");
        }
    }
    std::set<const void*> seen;
    ExpandAttributes(node, seen, type.attributes);
    for (const AttributeUse& use : type.attributes) {
        if (use.wildcard && !type.attributeWildcard) type.attributeWildcard = use.wildcard;
    }
}

void CComponentBuilder::FillDerivation(ComplexTypeDef& type, const Node& content) {
    const bool simple = type.model == ComplexTypeDef::SimpleContent;
    Node derivation = content.Child("extension");
    type.derivation = derivation ? ComplexTypeDef::Extension : ComplexTypeDef::Restriction;
    if (!derivation) derivation = content.Child("restriction");
    if (!derivation) {
        CSchemaSet::Fail(content, std::string(simple ? "simpleContent" : "complexContent") +
                                      " needs an extension or restriction");
    }
    type.derivationNode = derivation;
    const QName base = m_schemas.Resolve(derivation, derivation.Attr("base"));
    if (simple) {
        type.base = IsDeclaredComplexType(base)
                        ? m_set->m_complexTypes.at(base)
                        : static_cast<const TypeDef*>(SimpleRef(derivation, base));
    } else if (base != QName(kXsdNamespace, "anyType")) {
        const auto found = m_set->m_complexTypes.find(base);
        if (found == m_set->m_complexTypes.end()) {
            CSchemaSet::Fail(derivation, "no complexType {" + base.first + "}" + base.second);
        }
        type.base = found->second;
    }
    for (const Node& child : derivation.Children()) {
        if (IsParticle(child.Name()) && !type.particle) type.particle = MakeParticle(child);
    }
    if (simple && type.derivation == ComplexTypeDef::Restriction) {
        if (const Node inner = derivation.Child("simpleType"))
            type.textType = AnonymousSimple(inner);
        FillFacets(type.textFacets, derivation);
    }
    std::set<const void*> seen;
    ExpandAttributes(derivation, seen, type.attributes);
}

// ---------------------------------------------------------------- simple types

const SimpleTypeDef* CComponentBuilder::AnonymousSimple(const Node& node) {
    SimpleTypeDef& type = Shell(m_set->m_simpleStore, node);
    FillSimpleType(type, node);
    return &type;
}

void CComponentBuilder::FillSimpleType(SimpleTypeDef& type, const Node& node) {
    const CDepthGuard guard(m_depth, node);
    if (const Node restriction = node.Child("restriction")) {
        type.method = SimpleTypeDef::Restriction;
        if (restriction.Has("base")) {
            type.base =
                SimpleRef(restriction, m_schemas.Resolve(restriction, restriction.Attr("base")));
        } else if (const Node inner = restriction.Child("simpleType")) {
            type.base = AnonymousSimple(inner);
        } else {
            CSchemaSet::Fail(restriction, "a restriction needs a base type");
        }
        FillFacets(type.facets, restriction);
    } else if (const Node list = node.Child("list")) {
        FillList(type, list);
    } else if (const Node unionType = node.Child("union")) {
        FillUnion(type, unionType);
    } else {
        CSchemaSet::Fail(node, "a simpleType needs a restriction, list or union");
    }
}

void CComponentBuilder::FillList(SimpleTypeDef& type, const Node& list) {
    type.method = SimpleTypeDef::ListOf;
    type.variety = SimpleTypeDef::List;
    type.itemTypeName = list.Attr("itemType");
    const Node inner = list.Child("simpleType");
    if (list.Has("itemType")) {
        type.itemType = SimpleRef(list, m_schemas.Resolve(list, type.itemTypeName));
    } else if (inner) {
        type.itemType = AnonymousSimple(inner);
    } else {
        CSchemaSet::Fail(list, "a list needs an itemType or a simpleType");
    }
}

void CComponentBuilder::FillUnion(SimpleTypeDef& type, const Node& unionType) {
    type.method = SimpleTypeDef::UnionOf;
    type.variety = SimpleTypeDef::Union;
    type.memberTypeNames = unionType.Attr("memberTypes");
    std::istringstream names(type.memberTypeNames);
    for (std::string name; names >> name;) {
        type.memberTypes.push_back(SimpleRef(unionType, m_schemas.Resolve(unionType, name)));
    }
    for (const Node& inner : unionType.Children()) {
        if (inner.Name() == "simpleType") type.memberTypes.push_back(AnonymousSimple(inner));
    }
}

void CComponentBuilder::FillFacets(FacetSet& facets, const Node& restriction) {
    facets.node = restriction;
    facets.doc = restriction.Documentation();
    for (const Node& child : restriction.Children()) {
        const std::string& kind = child.Name();
        if (kind == "simpleType" || IsAttributeKind(kind) || IsParticle(kind)) continue;
        facets.facets.push_back(Facet{kind, child.Attr("value"), child});
    }
}

// ---------------------------------------------------------------- completion

void CComponentBuilder::Complete() {
    // The components point at each other as const; the builder, which owns
    // them all, completes them through those pointers.
    for (ElementDecl& element : m_set->m_elementStore) {
        for (const ElementDecl* head : element.substitutionHeads) {
            auto& members = const_cast<ElementDecl*>(head)->substitutionMembers;
            if (std::find(members.begin(), members.end(), &element) == members.end()) {
                members.push_back(&element);
            }
        }
    }
    for (ElementDecl& element : m_set->m_elementStore) {
        if (element.typeFromHead) TakeHeadType(element);
    }
    CheckDerivationCycles();
    std::set<const SimpleTypeDef*> done;
    for (const auto& entry : m_set->m_simpleTypes) {
        std::vector<const SimpleTypeDef*> stack;
        CheckSimpleCycles(entry.second, stack, done);
    }
    for (SimpleTypeDef& type : m_set->m_simpleStore) type.variety = VarietyOf(&type);
    for (ComplexTypeDef& type : m_set->m_complexStore) type.content = ContentOf(&type);
}

void CComponentBuilder::TakeHeadType(ElementDecl& element) {
    // The first head gives the type, as it gives the type of its own members;
    // the chain of heads without a type of their own is walked, not recursed.
    std::vector<ElementDecl*> chain{&element};
    while (!chain.back()->type) {
        auto* head = const_cast<ElementDecl*>(chain.back()->substitutionHeads.front());
        if (std::find(chain.begin(), chain.end(), head) != chain.end()) {
            CSchemaSet::Fail(element.node, "the substitution group of " + element.name.second +
                                               " leads back to it");
        }
        chain.push_back(head);
    }
    for (ElementDecl* member : chain) member->type = chain.back()->type;
}

void CComponentBuilder::CheckDerivationCycles() const {
    for (const auto& entry : m_set->m_complexTypes) {
        const ComplexTypeDef* start = entry.second;
        const TypeDef* at = start;
        // Every step moves to another named type: more steps than types is a
        // cycle that does not pass through `start` (reported from its own start).
        for (std::size_t steps = 0; steps <= m_set->m_complexTypes.size(); ++steps) {
            const ComplexTypeDef* type = at->AsComplex();
            if (!type || type->builtin || !type->base) break;
            if (type->base == start) {
                CSchemaSet::Fail(type->node,
                                 "the type " + type->name.second + " derives from itself");
            }
            at = type->base;
        }
    }
}

void CComponentBuilder::CheckSimpleCycles(const SimpleTypeDef* type,
                                          std::vector<const SimpleTypeDef*>& stack,
                                          std::set<const SimpleTypeDef*>& done) {
    if (!type || type->builtin || done.count(type)) return;
    const CDepthGuard guard(m_depth, type->node);
    if (std::find(stack.begin(), stack.end(), type) != stack.end()) {
        CSchemaSet::Fail(type->node,
                         "the simple type " + type->name.second + " derives from itself");
    }
    stack.push_back(type);
    CheckSimpleCycles(type->base, stack, done);
    CheckSimpleCycles(type->itemType, stack, done);
    for (const SimpleTypeDef* member : type->memberTypes) CheckSimpleCycles(member, stack, done);
    stack.pop_back();
    done.insert(type);
}

SimpleTypeDef::Variety CComponentBuilder::VarietyOf(const SimpleTypeDef* type) {
    // Cycles are refused by now; a restriction has its base's variety.
    while (type->method == SimpleTypeDef::Restriction && type->base) type = type->base;
    return type->method == SimpleTypeDef::Restriction ? type->variety
           : type->method == SimpleTypeDef::ListOf    ? SimpleTypeDef::List
                                                      : SimpleTypeDef::Union;
}

ComplexTypeDef::Content CComponentBuilder::ContentOf(const ComplexTypeDef* type) {
    if (type->builtin) return type->content;
    if (type->model == ComplexTypeDef::SimpleContent) return ComplexTypeDef::Simple;
    bool elements = type->particle != nullptr;
    if (elements && type->particle->group) elements = !type->particle->group->particles.empty();
    // An extension adds to its base's content.
    for (const ComplexTypeDef* base = type;
         !elements && base->derivation == ComplexTypeDef::Extension;) {
        base = base->base ? base->base->AsComplex() : nullptr;
        if (!base || base->builtin) break;
        elements = base->particle != nullptr;
    }
    if (type->mixed) return ComplexTypeDef::Mixed;
    return elements ? ComplexTypeDef::ElementOnly : ComplexTypeDef::Empty;
}

}  // namespace Qbxsd
