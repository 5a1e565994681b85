#include "CModelBuilder.h"

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
    for (const auto& entry : m_components.ComplexTypes()) NamedClass(entry.second);
    BuildRoots();
    // Named simple types become enumerations even when nothing uses them, and
    // every global element is checked, also those no class holds.
    for (const auto& entry : m_components.SimpleTypes()) m_simple.Of(entry.second, "");
    BuildGlobals();
    // Classes deferred behind a base under construction are built here.
    for (std::size_t i = 0; i < m_classes.size(); ++i) Build(m_classes[i].get());
    for (RootElement& root : m_roots) {
        if (root.name.first != root.cls->xmlNamespace && !root.cls->Polymorphic()) {
            root.wrapper = UniqueClassName("C" + Pascal(root.name.second) + "Element");
        }
    }
    FindOwnElements();
}

void CModelBuilder::BuildRoots() {
    std::set<const ClassModel*> namedByElement;
    for (const auto& entry : m_components.Elements()) {
        const ElementDecl& element = *entry.second;
        // A member without a type of its own is no document element of its own.
        if (element.abstract || element.typeFromHead) continue;
        const ComplexTypeDef* type = element.type->AsComplex();
        if (!type || type->builtin) continue;
        ClassModel* cls = ClassOf(type, entry.first.second, element.doc);
        m_roots.push_back({entry.first, cls, ""});
        // A type's objects are named after the first global element of it.
        if (!cls->anonymous && !namedByElement.count(cls)) {
            namedByElement.insert(cls);
            cls->defaultElement = entry.first.second;
        }
    }
}

void CModelBuilder::BuildGlobals() {
    ClassModel probe;
    probe.xmlName = "(global elements)";
    for (const auto& entry : m_components.Elements()) AddElement(&probe, *entry.second, nullptr);
    // What wildcards that process their content read simple values through.
    ClassModel attributes;
    attributes.xmlName = "(global attributes)";
    for (const auto& entry : m_components.Attributes()) {
        AttributeUse use;
        use.decl = entry.second;
        use.node = entry.second->node;
        use.doc = entry.second->doc;
        use.value = entry.second->value;
        AddAttribute(&attributes, use);
    }
    for (const ClassModel* holder : {&probe, &attributes}) {
        for (const Member& m : holder->members) {
            if (m.kind == Member::Prim || m.kind == Member::Enum) m_simpleGlobals.push_back(m);
        }
    }
}

void CModelBuilder::FindOwnElements() {
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

ClassModel* CModelBuilder::NewClass(const std::string& name, const std::string& doc,
                                    const std::string& ns) {
    auto cls = std::make_unique<ClassModel>();
    cls->cppName = UniqueClassName("C" + Pascal(name));
    cls->xmlName = name;
    cls->xmlNamespace = ns;
    cls->defaultElement = name;
    cls->doc = doc;
    cls->selector = static_cast<int>(m_classes.size());
    m_classes.push_back(std::move(cls));
    return m_classes.back().get();
}

ClassModel* CModelBuilder::NamedClass(const ComplexTypeDef* type) {
    const auto known = m_named.find(type);
    if (known != m_named.end()) return known->second;
    ClassModel* cls = NewClass(type->name.second, type->doc, type->name.first);
    cls->type = type;
    m_named[type] = cls;
    Build(cls);
    return cls;
}

ClassModel* CModelBuilder::AnonymousClass(const ComplexTypeDef* type, const std::string& hint,
                                          const std::string& elementName) {
    const auto known = m_anonymous.find(type);
    if (known != m_anonymous.end()) return known->second;
    ClassModel* cls = NewClass(hint, type->doc, type->SchemaNamespace());
    cls->type = type;
    cls->xmlName = elementName;
    cls->defaultElement = elementName;
    cls->anonymous = true;
    m_anonymous[type] = cls;
    Build(cls);
    return cls;
}

ClassModel* CModelBuilder::ClassOf(const ComplexTypeDef* type, const std::string& elementName,
                                   const std::string& doc) {
    if (!type->Anonymous()) return NamedClass(type);
    ClassModel* cls = AnonymousClass(type, elementName, elementName);
    if (cls->doc.empty()) cls->doc = doc;
    return cls;
}

void CModelBuilder::Build(ClassModel* cls) {
    if (cls->built) return;
    const CDepthGuard guard(m_depth, cls->type->node);
    const ComplexTypeDef* base = cls->type->base->AsComplex();
    const auto named = m_named.find(base);
    if (named != m_named.end() && named->second->building) {
        // The base is being built and holds this type in its content (XHTML's
        // Inline holds em, whose type extends Inline): built after the base.
        // (Derivation cycles are refused with the components.)
        return;
    }
    if (cls->building) {
        CSchemaSet::Fail(cls->type->node, "the type " + cls->xmlName + " derives from itself");
    }
    cls->building = true;
    BuildComplexType(cls, *cls->type);
    cls->building = false;
    cls->built = true;
}

void CModelBuilder::CheckFixed(Member& member, const std::string& fixed, const Node& at) {
    // Enumerations check their values already.
    if (member.kind == Member::Prim && IsNumeric(member.simple.builtin)) {
        member.simple.facets.minInclusive = member.simple.facets.maxInclusive = fixed;
    } else if (member.kind == Member::Prim &&
               std::string(member.simple.builtin->itemType) == "it_string") {
        member.simple.facets.pattern = EscapeRegex(fixed);
    } else if (member.kind == Member::Prim) {
        CSchemaSet::Warn(at, "the fixed value of " + member.xmlName + " is not checked");
    }
    member.defaultValue = fixed;
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

}  // namespace Qbxsd
