#include "CSchemaComponents.h"

#include <algorithm>

#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

// A group may hold itself (an error the model stage reports with its
// depth bound): the walk is bounded the same way.
bool EmptiableGroup(const ModelGroup& group, int& depth);

bool EmptiableParticle(const Particle& particle, int& depth) {
    if (particle.minOccurs == 0) return true;
    return particle.group && EmptiableGroup(*particle.group, depth);
}

bool EmptiableGroup(const ModelGroup& group, int& depth) {
    const CDepthGuard guard(depth, group.node);
    const bool choice = group.compositor == ModelGroup::Choice;
    for (const Particle* particle : group.particles) {
        if (EmptiableParticle(*particle, depth) == choice) return choice;
    }
    return !choice;
}

}  // namespace

const std::string& Component::SchemaNamespace() const {
    static const std::string none;
    return node.doc ? node.doc->targetNamespace : none;
}

const ComplexTypeDef* TypeDef::AsComplex() const {
    return complex ? static_cast<const ComplexTypeDef*>(this) : nullptr;
}

const SimpleTypeDef* TypeDef::AsSimple() const {
    return complex ? nullptr : static_cast<const SimpleTypeDef*>(this);
}

bool Wildcard::Allows(const std::string& ns) const {
    switch (kind) {
        case Any:
            return true;
        case Other:
            // Neither the target namespace nor names in no namespace.
            return !ns.empty() && ns != namespaces.front();
        case Enumerated:
            break;
    }
    return std::find(namespaces.begin(), namespaces.end(), ns) != namespaces.end();
}

bool Particle::Emptiable() const {
    int depth = 0;
    return EmptiableParticle(*this, depth);
}

bool ModelGroup::Emptiable() const {
    int depth = 0;
    return EmptiableGroup(*this, depth);
}

const char* ModelGroup::CompositorName() const {
    return compositor == Sequence ? "sequence" : compositor == Choice ? "choice" : "all";
}

}  // namespace Qbxsd
