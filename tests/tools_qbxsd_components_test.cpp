// qbxsd's schema components on their own: references resolved in their own
// namespace (across imports in a cycle, through chameleon includes),
// substitution groups, recursion through content against derivation cycles,
// emptiable particles, wildcard namespace constraints, and the file:line
// messages for what cannot be resolved.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <string>

#include "CComponentBuilder.h"
#include "support/Files.h"

namespace {

using Qbxsd::ComplexTypeDef;
using Qbxsd::ModelGroup;
using Qbxsd::QName;

std::string Head(const std::string& ns, const std::string& more = "") {
    return "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' xmlns:a='urn:a' "
           "xmlns:b='urn:b'" +
           (ns.empty() ? std::string() : " targetNamespace='" + ns + "'") + more + ">\n";
}

struct Loaded {
    Qbxsd::CSchemaSet schemas;
    std::unique_ptr<Qbxsd::CSchemaComponents> set;
    std::string error;  // the CSchemaError, directory taken off
};

// Writes the files into a fresh directory, loads the first and builds its
// components.
std::unique_ptr<Loaded> Load(const std::map<std::string, std::string>& files) {
    static int serial = 0;
    const std::string dir = QbTest::TempPath("components" + std::to_string(++serial));
    mkdir(dir.c_str(), 0755);
    for (const auto& file : files) QbTest::WriteFile(dir + "/" + file.first, file.second);
    auto loaded = std::make_unique<Loaded>();
    try {
        loaded->schemas.Load(dir + "/" + files.begin()->first);
        loaded->set = Qbxsd::CComponentBuilder(loaded->schemas).Build();
    } catch (const Qbxsd::CSchemaError& e) {
        loaded->error = e.what();
        loaded->error.erase(0, dir.size() + 1);
    }
    return loaded;
}

// The particles of a complex type's own content.
const std::vector<const Qbxsd::Particle*>& Particles(const ComplexTypeDef* type) {
    return type->particle->group->particles;
}

TEST(QbxsdComponents, ReferencesResolveAcrossNamespacesThatImportEachOther) {
    const auto loaded =
        Load({{"a.xsd", Head("urn:a") + "<xs:import namespace='urn:b' schemaLocation='b.xsd'/>"
                                        "<xs:complexType name='A'><xs:sequence>"
                                        "<xs:element name='b' type='b:B'/><xs:element ref='b:e'/>"
                                        "</xs:sequence><xs:attribute ref='b:at'/></xs:complexType>"
                                        "<xs:element name='top' type='a:A'/></xs:schema>"},
              {"b.xsd",
               Head("urn:b", " elementFormDefault='qualified'") +
                   "<xs:import namespace='urn:a' schemaLocation='a.xsd'/>"
                   "<xs:complexType name='B'><xs:sequence><xs:element name='a' type='a:A' "
                   "minOccurs='0'/></xs:sequence></xs:complexType>"
                   "<xs:element name='e' type='xs:int'/><xs:attribute name='at'/></xs:schema>"}});
    ASSERT_EQ("", loaded->error);
    const auto& set = *loaded->set;
    const ComplexTypeDef* a = set.ComplexType({"urn:a", "A"});
    const ComplexTypeDef* b = set.ComplexType({"urn:b", "B"});
    ASSERT_TRUE(a && b);
    const auto& own = Particles(a);
    ASSERT_EQ(2u, own.size());
    EXPECT_EQ(b, own[0]->element->type);
    EXPECT_EQ(QName("", "b"), own[0]->element->name);  // a.xsd: unqualified
    EXPECT_FALSE(own[0]->element->global);
    EXPECT_TRUE(own[1]->reference);
    EXPECT_EQ(set.Element({"urn:b", "e"}), own[1]->element);
    EXPECT_EQ("int", own[1]->element->type->name.second);
    EXPECT_EQ(a, Particles(b)[0]->element->type);
    EXPECT_EQ(QName("urn:b", "a"), Particles(b)[0]->element->name);  // qualified
    ASSERT_EQ(1u, a->attributes.size());
    EXPECT_EQ(set.Attribute({"urn:b", "at"}), a->attributes[0].decl);
    EXPECT_EQ("anySimpleType", a->attributes[0].decl->type->name.second);
    EXPECT_EQ(a, set.Element({"urn:a", "top"})->type);
}

TEST(QbxsdComponents, NamedGroupsAndAttributeGroupsAreResolvedAndExpanded) {
    const auto loaded = Load(
        {{"a.xsd", Head("urn:a") +
                       "<xs:include schemaLocation='c.xsd'/>"
                       "<xs:group name='g'><xs:choice><xs:element name='x'/><xs:element "
                       "name='y' minOccurs='0'/></xs:choice></xs:group>"
                       "<xs:attributeGroup name='inner'><xs:attribute name='i' "
                       "use='required'/></xs:attributeGroup>"
                       "<xs:attributeGroup name='outer'><xs:attribute name='o'/>"
                       "<xs:attributeGroup ref='a:inner'/><xs:anyAttribute namespace='##other'/>"
                       "</xs:attributeGroup>"
                       "<xs:complexType name='T'><xs:sequence><xs:group ref='a:g' "
                       "maxOccurs='3'/></xs:sequence><xs:attributeGroup ref='a:outer'/>"
                       "<xs:attributeGroup ref='a:inner'/><xs:attribute name='last' "
                       "default='1' type='C'/></xs:complexType></xs:schema>"},
         // A chameleon: its unprefixed names take the includer's namespace.
         {"c.xsd", Head("") + "<xs:simpleType name='C'><xs:restriction base='xs:int'/>"
                              "</xs:simpleType><xs:element name='c' type='C'/></xs:schema>"}});
    ASSERT_EQ("", loaded->error);
    const auto& set = *loaded->set;
    const ComplexTypeDef* t = set.ComplexType({"urn:a", "T"});
    const auto* groupRef = Particles(t)[0];
    EXPECT_EQ(set.Group({"urn:a", "g"}), groupRef->groupDef);
    EXPECT_EQ(groupRef->groupDef->group, groupRef->group);
    EXPECT_EQ(ModelGroup::Choice, groupRef->group->compositor);
    EXPECT_EQ(3, groupRef->maxOccurs);
    // outer's o, inner's i (inner once only), the wildcard, then last.
    std::string names;
    for (const auto& use : t->attributes) {
        names += use.wildcard ? "*" : use.decl->name.second + (use.required ? "!" : "");
    }
    EXPECT_EQ("oi!*last", names);
    EXPECT_EQ(t->attributes[2].wildcard, t->attributeWildcard);
    EXPECT_EQ(set.SimpleType({"urn:a", "C"}), t->attributes.back().decl->type);
    EXPECT_EQ("1", t->attributes.back().value.defaultValue);
    EXPECT_EQ(set.SimpleType({"urn:a", "C"}), set.Element({"urn:a", "c"})->type);
    EXPECT_EQ(3u, set.AttributeGroup({"urn:a", "outer"})->uses.size());
}

TEST(QbxsdComponents, SubstitutionGroupsAcrossNamespaces) {
    const auto loaded =
        Load({{"a.xsd", Head("urn:a") + "<xs:import namespace='urn:b' schemaLocation='b.xsd'/>"
                                        "<xs:element name='head' type='xs:string' abstract='true'/>"
                                        "<xs:element name='own' type='xs:int' "
                                        "substitutionGroup='a:head'/></xs:schema>"},
              {"b.xsd", Head("urn:b") + "<xs:import namespace='urn:a' schemaLocation='a.xsd'/>"
                                        "<xs:element name='member' substitutionGroup='a:head'/>"
                                        "<xs:element name='deeper' substitutionGroup='b:member'/>"
                                        "</xs:schema>"}});
    ASSERT_EQ("", loaded->error);
    const auto& set = *loaded->set;
    const auto* head = set.Element({"urn:a", "head"});
    const auto* member = set.Element({"urn:b", "member"});
    const auto* deeper = set.Element({"urn:b", "deeper"});
    EXPECT_TRUE(head->abstract);
    ASSERT_EQ(2u, head->substitutionMembers.size());
    EXPECT_EQ(set.Element({"urn:a", "own"}), head->substitutionMembers[0]);
    EXPECT_EQ(member, head->substitutionMembers[1]);
    EXPECT_EQ(std::vector<const Qbxsd::ElementDecl*>{deeper}, member->substitutionMembers);
    // Without a type of their own, members have their head's.
    EXPECT_TRUE(member->typeFromHead);
    EXPECT_EQ(head->type, member->type);
    EXPECT_EQ(head->type, deeper->type);
    EXPECT_EQ("int", set.Element({"urn:a", "own"})->type->name.second);
}

TEST(QbxsdComponents, RecursionThroughContentIsNoDerivationCycle) {
    const auto loaded = Load(
        {{"a.xsd", Head("urn:a") + "<xs:complexType name='Inline' mixed='true'>"
                                   "<xs:choice maxOccurs='unbounded'><xs:element name='em'>"
                                   "<xs:complexType><xs:complexContent><xs:extension "
                                   "base='a:Inline'/></xs:complexContent></xs:complexType>"
                                   "</xs:element></xs:choice></xs:complexType>"
                                   "<xs:complexType name='Empty'/>"
                                   "<xs:complexType name='Text'><xs:simpleContent><xs:extension "
                                   "base='xs:int'/></xs:simpleContent></xs:complexType>"
                                   "<xs:complexType name='More'><xs:complexContent><xs:extension "
                                   "base='a:Inline'/></xs:complexContent></xs:complexType>"
                                   "</xs:schema>"}});
    ASSERT_EQ("", loaded->error);
    const auto& set = *loaded->set;
    const ComplexTypeDef* inlineType = set.ComplexType({"urn:a", "Inline"});
    const auto* em = Particles(inlineType)[0]->element->type->AsComplex();
    ASSERT_TRUE(em);
    EXPECT_TRUE(em->Anonymous());
    EXPECT_EQ(inlineType, em->base);
    EXPECT_EQ(ComplexTypeDef::Extension, em->derivation);
    EXPECT_EQ(ComplexTypeDef::Mixed, inlineType->content);
    EXPECT_EQ(ComplexTypeDef::Empty, set.ComplexType({"urn:a", "Empty"})->content);
    EXPECT_EQ(ComplexTypeDef::Simple, set.ComplexType({"urn:a", "Text"})->content);
    EXPECT_EQ(ComplexTypeDef::ElementOnly, set.ComplexType({"urn:a", "More"})->content);

    const auto cycle =
        Load({{"a.xsd", Head("urn:a") + "<xs:complexType name='A'><xs:complexContent>"
                                        "<xs:extension base='a:B'/></xs:complexContent>"
                                        "</xs:complexType>\n<xs:complexType name='B'>"
                                        "<xs:complexContent><xs:extension base='a:A'/>"
                                        "</xs:complexContent></xs:complexType></xs:schema>"}});
    EXPECT_EQ("a.xsd:3: the type B derives from itself", cycle->error);
}

TEST(QbxsdComponents, EmptiableParticles) {
    const struct {
        const char* content;
        bool emptiable;
    } cases[] = {
        {"<xs:sequence><xs:element name='x'/></xs:sequence>", false},
        {"<xs:sequence minOccurs='0'><xs:element name='x'/></xs:sequence>", true},
        {"<xs:choice maxOccurs='unbounded'><xs:element name='x' minOccurs='0'/>"
         "<xs:element name='y' minOccurs='0'/></xs:choice>",
         true},
        {"<xs:choice><xs:element name='x'/><xs:sequence><xs:element name='y' "
         "minOccurs='0'/></xs:sequence></xs:choice>",
         true},
        {"<xs:sequence><xs:element name='x' minOccurs='0'/><xs:choice><xs:element "
         "name='y'/><xs:any/></xs:choice></xs:sequence>",
         false},
        {"<xs:sequence><xs:group ref='a:optional'/><xs:any minOccurs='0'/></xs:sequence>", true},
        {"<xs:all><xs:element name='x' minOccurs='0'/><xs:element name='y'/></xs:all>", false},
        {"<xs:sequence/>", true},
    };
    for (const auto& c : cases) {
        const auto loaded =
            Load({{"a.xsd", Head("urn:a") +
                                "<xs:group name='optional'><xs:sequence><xs:element name='o' "
                                "minOccurs='0'/></xs:sequence></xs:group>"
                                "<xs:complexType name='T'>" +
                                c.content + "</xs:complexType></xs:schema>"}});
        ASSERT_EQ("", loaded->error) << c.content;
        EXPECT_EQ(c.emptiable, loaded->set->ComplexType({"urn:a", "T"})->particle->Emptiable())
            << c.content;
    }
}

TEST(QbxsdComponents, WildcardNamespaceConstraints) {
    const struct {
        const char* target;
        const char* constraint;  // null: no namespace attribute
        const char* allows;      // of "", urn:a (or the target), urn:x: 1 or 0 each
    } cases[] = {
        {"urn:a", nullptr, "111"},
        {"urn:a", "##any", "111"},
        {"urn:a", "##other", "001"},
        {"", "##other", "011"},  // no target namespace: every namespace but none
        {"urn:a", "##local", "100"},
        {"urn:a", "##targetNamespace", "010"},
        {"urn:a", "##local urn:x", "101"},
        {"urn:a", "##targetNamespace  urn:x\n##local", "111"},
        {"urn:a", "urn:x", "001"},
    };
    for (const auto& c : cases) {
        const std::string target = c.target;
        const std::string ns =
            c.constraint ? std::string(" namespace='") + c.constraint + "'" : std::string();
        const auto loaded =
            Load({{"a.xsd", Head(target) + "<xs:complexType name='T'><xs:sequence><xs:any" + ns +
                                " processContents='lax'/></xs:sequence><xs:anyAttribute" + ns +
                                "/></xs:complexType></xs:schema>"}});
        ASSERT_EQ("", loaded->error) << c.constraint;
        const ComplexTypeDef* t = loaded->set->ComplexType({target, "T"});
        const Qbxsd::Wildcard* any = Particles(t)[0]->wildcard;
        const Qbxsd::Wildcard* anyAttribute = t->attributes.at(0).wildcard;
        EXPECT_EQ(anyAttribute, t->attributeWildcard);
        EXPECT_EQ("lax", any->processContents);
        EXPECT_EQ("strict", anyAttribute->processContents);
        std::string allows;
        for (const char* probe : {"", "urn:a", "urn:x"}) {
            EXPECT_EQ(any->Allows(probe), anyAttribute->Allows(probe));
            allows += any->Allows(probe) ? "1" : "0";
        }
        EXPECT_EQ(c.allows, allows) << (c.constraint ? c.constraint : "(none)") << " in " << target;
    }
}

TEST(QbxsdComponents, SimpleTypeVarieties) {
    const auto loaded = Load(
        {{"a.xsd", Head("urn:a") + "<xs:simpleType name='L'><xs:list itemType='xs:int'/>"
                                   "</xs:simpleType><xs:simpleType name='Short'><xs:restriction "
                                   "base='a:L'><xs:maxLength value='3'/></xs:restriction>"
                                   "</xs:simpleType><xs:simpleType name='U'><xs:union "
                                   "memberTypes='a:Short xs:date'><xs:simpleType><xs:restriction "
                                   "base='xs:string'/></xs:simpleType></xs:union></xs:simpleType>"
                                   "</xs:schema>"}});
    ASSERT_EQ("", loaded->error);
    const auto& set = *loaded->set;
    const auto* list = set.SimpleType({"urn:a", "L"});
    const auto* restricted = set.SimpleType({"urn:a", "Short"});
    const auto* unionType = set.SimpleType({"urn:a", "U"});
    EXPECT_EQ(Qbxsd::SimpleTypeDef::List, list->variety);
    EXPECT_EQ("int", list->itemType->name.second);
    EXPECT_EQ(Qbxsd::SimpleTypeDef::List, restricted->variety);
    EXPECT_EQ(list, restricted->base);
    ASSERT_EQ(1u, restricted->facets.facets.size());
    EXPECT_EQ("maxLength", restricted->facets.facets[0].kind);
    EXPECT_EQ(Qbxsd::SimpleTypeDef::Union, unionType->variety);
    ASSERT_EQ(3u, unionType->memberTypes.size());
    EXPECT_EQ(restricted, unionType->memberTypes[0]);
    EXPECT_TRUE(unionType->memberTypes[2]->Anonymous());
}

TEST(QbxsdComponents, WhatCannotBeResolvedIsReportedWithFileAndLine) {
    const struct {
        const char* body;  // on line 2 of a.xsd
        const char* expected;
    } cases[] = {
        {"<xs:element name='e' type='a:Missing'/>", "{urn:a}Missing is not a declared simple type"},
        {"<xs:element name='e' type='xs:nothing'/>", "xs:nothing is not a simple type"},
        {"<xs:element name='e' type='p:T'/>", "the prefix p is not declared"},
        {"<xs:complexType name='T'><xs:sequence><xs:element ref='a:x'/></xs:sequence>"
         "</xs:complexType>",
         "no global element {urn:a}x is declared in the schemas read"},
        {"<xs:complexType name='T'><xs:group ref='a:g'/></xs:complexType>",
         "no global group {urn:a}g is declared in the schemas read"},
        {"<xs:complexType name='T'><xs:attributeGroup ref='a:g'/></xs:complexType>",
         "no global attributeGroup {urn:a}g is declared in the schemas read"},
        {"<xs:complexType name='T'><xs:attribute ref='a:x'/></xs:complexType>",
         "no global attribute {urn:a}x is declared in the schemas read"},
        {"<xs:complexType name='T'><xs:complexContent><xs:extension base='a:X'/>"
         "</xs:complexContent></xs:complexType>",
         "no complexType {urn:a}X"},
        {"<xs:complexType name='T'/><xs:attribute name='x' type='a:T'/>",
         "{urn:a}T is a complex type, not a simple one"},
        {"<xs:element name='e' substitutionGroup='a:none'/>",
         "no global element {urn:a}none is declared in the schemas read"},
        {"<xs:element name='e' substitutionGroup='a:e'/>",
         "the substitution group of e leads back to it"},
        {"<xs:simpleType name='S'><xs:list itemType='a:S'/></xs:simpleType>",
         "the simple type S derives from itself"},
        {"<xs:complexType name='T'><xs:sequence><xs:attribute name='x'/></xs:sequence>"
         "</xs:complexType>",
         "xs:attribute is not allowed in a model group"},
    };
    for (const auto& c : cases) {
        const auto loaded = Load({{"a.xsd", Head("urn:a") + c.body + "</xs:schema>"}});
        EXPECT_EQ(std::string("a.xsd:2: ") + c.expected, loaded->error);
    }
}

}  // namespace
