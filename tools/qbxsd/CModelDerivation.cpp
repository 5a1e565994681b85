// CModelBuilder: derivation. Extension is C++ inheritance (base records
// first); a restriction derives too, with records of its own, so that an
// instance of the restricted type reads and writes wherever the base is
// expected.
#include "CModelBuilder.h"
#include "SchemaUtil.h"

namespace Qbxsd {

namespace {

using BaseMember = std::pair<const ClassModel*, const Member*>;

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

// The members of the bases of `cls` with the class declaring each, the
// furthest base first.
std::vector<BaseMember> BaseMembers(const ClassModel* cls) {
    std::vector<BaseMember> base;
    for (const ClassModel* c = cls->base; c; c = c->base) {
        std::vector<BaseMember> level;
        for (const Member& m : c->members) level.emplace_back(c, &m);
        base.insert(base.begin(), level.begin(), level.end());
    }
    return base;
}

const BaseMember* FindBaseMember(const std::vector<BaseMember>& base, const Member& m) {
    for (const auto& entry : base) {
        const Member& b = *entry.second;
        if (b.attribute == m.attribute && b.xmlName == m.xmlName && b.xmlNs == m.xmlNs &&
            b.kind != Member::Text) {
            return &entry;
        }
    }
    return nullptr;
}

// The element records of a restriction over its base's properties, or
// false when its content does not map onto them.
bool MapElements(const ClassModel& shadow, const std::vector<BaseMember>& base,
                 std::vector<RestrictedRecord>& elements) {
    for (const Member& m : shadow.members) {
        if (m.attribute || m.kind == Member::Text) continue;
        const BaseMember* match = FindBaseMember(base, m);
        if (!match || !SameProperty(m, *match->second)) return false;
        RestrictedRecord record{match->first, m};
        record.member.prop = match->second->prop;
        elements.push_back(record);
    }
    return true;
}

// The attribute records of a restriction: its base's, less those it
// prohibits, each with the restricted declaration where it restates one.
void RestrictAttributes(ClassModel* cls, const ComplexTypeDef& type, const ClassModel& shadow,
                        const std::vector<BaseMember>& base) {
    std::set<std::pair<std::string, std::string>> prohibited;
    for (const AttributeUse& use : type.attributes) {
        if (!use.prohibited) continue;
        prohibited.insert({use.decl->name.second, use.reference ? use.decl->name.first : ""});
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
        cls->restrictedRecords.push_back(record);
    }
}

}  // namespace

void CModelBuilder::BuildComplexType(ClassModel* cls, const ComplexTypeDef& type) {
    cls->abstractType = type.abstract;
    cls->mixed = type.mixed;
    if (type.model == ComplexTypeDef::SimpleContent) {
        BuildSimpleContent(cls, type);
    } else if (type.model == ComplexTypeDef::ComplexContent) {
        BuildComplexContent(cls, type);
    } else {
        if (type.particle) SetContent(cls, *type.particle);
        AddAttributes(cls, type.attributes);
    }
}

void CModelBuilder::Inherit(ClassModel* cls, const ComplexTypeDef* baseType) {
    ClassModel* base = NamedClass(baseType);
    Build(base);
    cls->base = base;
    cls->group = base->group;
    base->derived.push_back(cls);
}

void CModelBuilder::Restrict(ClassModel* cls, const ComplexTypeDef& type) {
    ClassModel shadow;
    shadow.xmlName = cls->xmlName;
    shadow.xmlNamespace = cls->xmlNamespace;
    shadow.group = cls->group;
    if (type.particle) SetContent(&shadow, *type.particle);
    AddAttributes(&shadow, type.attributes);
    const std::vector<BaseMember> base = BaseMembers(cls);
    std::vector<RestrictedRecord> elements;
    if (shadow.group != cls->group || !MapElements(shadow, base, elements)) {
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
    cls->restrictedRecords = elements;
    RestrictAttributes(cls, type, shadow, base);
    cls->restricted = true;
}

void CModelBuilder::BuildComplexContent(ClassModel* cls, const ComplexTypeDef& type) {
    const ComplexTypeDef* base = type.base->AsComplex();
    const bool fromAnyType = base->builtin;
    if (!fromAnyType) Inherit(cls, base);
    AddAttributes(cls, type.attributes);
    if (type.derivation == ComplexTypeDef::Restriction && !fromAnyType) {
        Restrict(cls, type);
        return;
    }
    if (!type.particle) return;
    bool baseHasElements = false;
    for (const Member* member : cls->AllMembers()) {
        baseHasElements = baseHasElements || (!member->attribute && member->kind != Member::Text);
    }
    if (!baseHasElements) {
        SetContent(cls, *type.particle);
    } else if (cls->group != "Seq") {
        CSchemaSet::Fail(type.particle->node, "extending " + base->name.second +
                                                  ", whose content is a choice or all-group, is "
                                                  "not supported");
    } else {
        AddParticle(cls, *type.particle);
    }
}

void CModelBuilder::RestrictText(ClassModel* cls, const ComplexTypeDef& type) {
    const Member* text = nullptr;
    for (const Member* member : cls->AllMembers()) {
        if (member->kind == Member::Text) text = member;
    }
    if (!text) return;
    // The base checks its own facets; these are checked beside them.
    SimpleInfo info;
    info.builtin = text->simple.builtin;
    info.whitespace = text->simple.whitespace;
    const std::string hint = Pascal(cls->xmlName) + "Value";
    if (type.textType) info = m_simple.Of(type.textType, hint);
    m_simple.ApplyFacets(info, type.textFacets, hint);
    cls->textRestricted = true;
    cls->textRestriction = info;
    cls->textProp = text->prop;
}

void CModelBuilder::BuildSimpleContent(ClassModel* cls, const ComplexTypeDef& type) {
    const ComplexTypeDef* base = type.base->AsComplex();
    if (base) {
        Inherit(cls, base);
        if (type.derivation == ComplexTypeDef::Restriction) RestrictText(cls, type);
    } else {
        Member text;
        text.kind = Member::Text;
        text.simple = m_simple.Of(type.base->AsSimple(), Pascal(cls->xmlName) + "Value");
        text.prop = UniquePropName(cls, "Value");
        cls->members.push_back(text);
    }
    AddAttributes(cls, type.attributes);
}

}  // namespace Qbxsd
