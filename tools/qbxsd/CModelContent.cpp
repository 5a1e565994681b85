// CModelBuilder: content. Particles become members: elements, wildcards,
// and model groups that are classes of their own (named groups, nested
// groups that are optional or repeated or of another compositor, and
// substitution groups).
#include "CModelBuilder.h"
#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

std::string CompositorGroup(const ModelGroup& group) {
    return group.compositor == ModelGroup::Sequence ? "Seq"
           : group.compositor == ModelGroup::Choice ? "Choice"
                                                    : "All";
}

void Occurs(const Particle* particle, Member& member) {
    if (!particle) return;  // a global declaration on its own: once
    member.minOccurs = particle->minOccurs;
    member.maxOccurs = particle->maxOccurs;
}

}  // namespace

void CModelBuilder::SetContent(ClassModel* cls, const Particle& particle) {
    const ModelGroup& group = *particle.group;
    const bool once = particle.minOccurs == 1 && particle.maxOccurs == 1;
    if (once || group.compositor == ModelGroup::All) {
        cls->group = CompositorGroup(group);
        AddParticles(cls, group);
        if (!once) {
            for (Member& member : cls->members) member.minOccurs = 0;
        }
        return;
    }
    cls->group = "Seq";
    AddParticle(cls, particle);
}

void CModelBuilder::AddParticles(ClassModel* cls, const ModelGroup& group) {
    for (const Particle* particle : group.particles) AddParticle(cls, *particle);
}

void CModelBuilder::AddParticle(ClassModel* cls, const Particle& particle) {
    const CDepthGuard guard(m_depth, particle.node);
    if (particle.element) return AddElement(cls, *particle.element, &particle);
    if (particle.wildcard) return AddAny(cls, particle);
    if (particle.maxOccurs == 0) return;
    const ModelGroup& compositor = *particle.group;
    const std::string group = CompositorGroup(compositor);
    const bool once = particle.minOccurs == 1 && particle.maxOccurs == 1;
    if (once && group == cls->group && group != "All") {
        AddParticles(cls, compositor);  // a sequence in a sequence, a choice in a choice
        return;
    }
    ClassModel* groupClass = nullptr;
    std::string prop;
    if (const ModelGroupDef* named = particle.groupDef) {
        prop = Pascal(named->name.second);
        const auto known = m_groupClasses.find(named);
        if (known != m_groupClasses.end()) groupClass = known->second;
        if (!groupClass) {
            groupClass = NewClass(named->name.second, compositor.doc, named->name.first);
            m_groupClasses[named] = groupClass;
        }
    } else {
        const std::string kind = compositor.CompositorName();
        prop = Pascal(kind == "sequence" ? "Sequence" : kind);
        groupClass = NewClass(cls->xmlName + prop, compositor.doc, compositor.SchemaNamespace());
        groupClass->xmlName = prop;
    }
    if (!groupClass->built) {
        groupClass->pseudo = true;
        groupClass->group = group;
        groupClass->built = true;
        AddParticles(groupClass, compositor);
    }
    AddGroupMember(cls, particle, groupClass, prop);
}

void CModelBuilder::AddGroupMember(ClassModel* cls, const Particle& particle,
                                   ClassModel* groupClass, const std::string& prop) {
    Member member;
    member.kind = Member::Cls;
    member.cls = groupClass;
    member.xmlName = groupClass->xmlName;
    member.xmlNs = groupClass->xmlNamespace;
    member.doc = groupClass->doc;
    Occurs(&particle, member);
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

ClassModel* CModelBuilder::SubstitutionClass(const ElementDecl& head) {
    const auto known = m_substitutions.find(&head);
    if (known != m_substitutions.end()) return known->second;
    // The members, transitively.
    std::vector<const ElementDecl*> members{&head};
    for (std::size_t i = 0; i < members.size(); ++i) {
        for (const ElementDecl* member : members[i]->substitutionMembers) {
            if (std::find(members.begin(), members.end(), member) == members.end()) {
                members.push_back(member);
            }
        }
    }
    if (members.size() == 1) return nullptr;
    ClassModel* cls = NewClass(head.name.second + "Choice", "", head.name.first);
    cls->xmlName = head.name.second;
    cls->pseudo = true;
    cls->group = "Choice";
    cls->built = true;
    cls->doc = "The substitution group of " + head.name.second + ": one of its elements.";
    m_substitutions[&head] = cls;
    for (const ElementDecl* element : members) {
        if (element->abstract) continue;
        const std::size_t before = cls->members.size();
        AddElement(cls, *element, nullptr);
        if (cls->members.size() > before) cls->members.back().minOccurs = 0;
    }
    return cls;
}

void CModelBuilder::AddElement(ClassModel* cls, const ElementDecl& decl, const Particle* particle) {
    Member member;
    Occurs(particle, member);
    if (member.maxOccurs == 0) return;
    if (particle && particle->reference) {
        if (ClassModel* group = SubstitutionClass(decl)) {
            AddGroupMember(cls, *particle, group, Pascal(decl.name.second));
            return;
        }
    }
    member.xmlName = decl.name.second;
    member.xmlNs = decl.name.first;
    member.doc = particle ? particle->doc : decl.doc;
    if (member.doc.empty()) member.doc = decl.doc;
    WarnIdentityConstraints(decl);
    TypeElement(member, decl);
    if (member.kind == Member::Cls) m_elementTypes[member.xmlName].insert(member.cls);
    if (member.kind == Member::Untpd) {
        member.anyNamespace = "##any";
        member.anyTargetNamespace = decl.SchemaNamespace();
    } else if (member.kind != Member::Cls) {
        SimpleElement(member, decl);
    }
    // anyType content keeps xsi:nil as an attribute.
    member.nillable = decl.nillable && member.kind == Member::Cls;
    member.mayBeEmpty = member.minOccurs == 0;
    if (cls->group == "Choice" && !member.Repeated()) member.minOccurs = 0;
    member.prop = UniquePropName(cls, Pascal(member.xmlName));
    cls->members.push_back(member);
}

// A simple value: its value constraint, and a class of its own when it can
// be nil.
void CModelBuilder::SimpleElement(Member& member, const ElementDecl& decl) {
    member.kind = member.simple.enumeration ? Member::Enum : Member::Prim;
    if (decl.value.hasFixed) CheckFixed(member, decl.value.fixedValue, decl.node);
    if (decl.value.hasDefault) member.defaultValue = decl.value.defaultValue;
    if (decl.nillable) {
        member.cls = NillableClass(decl, member);
        member.kind = Member::Cls;
        member.defaultValue.clear();
    }
}

// The type: a class (named or anonymous), a simple value, or anyType content.
void CModelBuilder::TypeElement(Member& member, const ElementDecl& decl) {
    const ComplexTypeDef* complex = decl.type->AsComplex();
    if (complex && complex->builtin) {
        member.kind = Member::Untpd;
    } else if (complex) {
        member.kind = Member::Cls;
        member.cls = ClassOf(complex, member.xmlName, member.doc);
    } else {
        member.simple = m_simple.Of(decl.type->AsSimple(), Pascal(member.xmlName));
    }
}

void CModelBuilder::WarnIdentityConstraints(const ElementDecl& decl) {
    for (const char* constraint : {"key", "keyref", "unique"}) {
        for (const Node& node : decl.identityConstraints) {
            if (node.Name() != constraint) continue;
            if (m_warned.insert(constraint).second) {
                CSchemaSet::Warn(node, std::string("identity constraints (xs:") + constraint +
                                           ") are not checked");
            }
            break;
        }
    }
}

ClassModel* CModelBuilder::NillableClass(const ElementDecl& decl, const Member& member) {
    const auto known = m_anonymous.find(&decl);
    if (known != m_anonymous.end()) return known->second;
    ClassModel* cls = NewClass(member.xmlName, "", decl.SchemaNamespace());
    cls->anonymous = true;
    cls->nillable = true;
    cls->built = true;
    cls->doc = "The nillable element " + member.xmlName + ": its value, or xsi:nil.";
    m_anonymous[&decl] = cls;
    Member value = member;
    value.kind = Member::Text;
    value.minOccurs = value.maxOccurs = 1;
    value.prop = "Value";
    value.doc.clear();
    cls->members = {value};
    return cls;
}

void CModelBuilder::AddAny(ClassModel* cls, const Particle& particle) {
    const Wildcard& any = *particle.wildcard;
    Member member;
    member.kind = Member::Untpd;
    Occurs(&particle, member);
    if (member.maxOccurs == 0) return;
    member.xmlName = "AnyElement";
    member.anyNamespace = any.namespaceText;
    member.anyTargetNamespace = any.SchemaNamespace();
    member.processContents = any.processContents;
    member.doc = particle.doc;
    member.mayBeEmpty = member.minOccurs == 0;
    if (cls->group == "Choice" && !member.Repeated()) member.minOccurs = 0;
    member.prop = UniquePropName(cls, "Any");
    cls->members.push_back(member);
}

}  // namespace Qbxsd
