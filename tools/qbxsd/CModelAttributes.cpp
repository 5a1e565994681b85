// CModelBuilder: attributes. Attribute uses become members, attribute
// groups expanded, the first attribute wildcard (the base's included) an
// AnyAttribute member.
#include "CModelBuilder.h"
#include "SchemaUtil.h"

namespace Qbxsd {

void CModelBuilder::AddAttributes(ClassModel* cls, const std::vector<AttributeUse>& uses) {
    for (const AttributeUse& use : uses) {
        if (!use.wildcard) {
            AddAttribute(cls, use);
            continue;
        }
        bool held = false;
        for (const Member* existing : cls->AllMembers()) {
            held = held || existing->kind == Member::AnyAttribute;
        }
        if (held) continue;
        Member member;
        member.kind = Member::AnyAttribute;
        member.attribute = true;
        member.minOccurs = 0;
        member.xmlName = "AnyAttribute";
        member.anyNamespace = use.wildcard->namespaceText;
        member.anyTargetNamespace = use.wildcard->SchemaNamespace();
        member.processContents = use.wildcard->processContents;
        member.prop = UniquePropName(cls, "AnyAttribute");
        cls->members.push_back(member);
    }
}

void CModelBuilder::AddAttribute(ClassModel* cls, const AttributeUse& use) {
    if (use.prohibited) return;
    const AttributeDecl& decl = *use.decl;
    Member member;
    member.attribute = true;
    member.minOccurs = use.required ? 1 : 0;
    member.xmlName = decl.name.second;
    member.xmlNs = decl.name.first;
    for (const Member* existing : cls->AllMembers()) {
        if (existing->attribute && existing->xmlName == member.xmlName &&
            existing->xmlNs == member.xmlNs) {
            return;  // a derived type restating an attribute of its base
        }
    }
    // An xml: attribute without its schema has no declaration to document it.
    if (decl.node) member.doc = use.doc.empty() ? decl.doc : use.doc;
    member.simple = m_simple.Of(decl.type, Pascal(member.xmlName));
    member.kind = member.simple.enumeration ? Member::Enum : Member::Prim;
    if (use.value.hasDefault) member.defaultValue = use.value.defaultValue;
    if (member.defaultValue.empty() && decl.value.hasDefault) {
        member.defaultValue = decl.value.defaultValue;
    }
    if (use.value.hasFixed || decl.value.hasFixed) {
        const std::string& fixed =
            use.value.hasFixed ? use.value.fixedValue : decl.value.fixedValue;
        CheckFixed(member, fixed, use.node);
    }
    member.prop = UniquePropName(cls, Pascal(member.xmlName));
    cls->members.push_back(member);
}

}  // namespace Qbxsd
