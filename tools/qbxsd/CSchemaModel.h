// The C++ model qbxsd builds from a schema set: generated classes, their
// members (element records, attributes, simple content) and enumerations.
#ifndef QBXSD_CSCHEMAMODEL_H
#define QBXSD_CSCHEMAMODEL_H

#include <string>
#include <vector>

#include "CSchemaComponents.h"

namespace Qbxsd {

// How an XSD built-in type is held.
struct BuiltinType {
    const char* xsdName;
    const char* itemType;    // it_...
    const char* cppType;     // the member's C++ type
    const char* variant;     // QbVariant Set/Get suffix
    const char* collection;  // value collection class
    const char* whitespace;  // Preserve, Replace, Collapse
    const char* minInclusive;
    const char* maxInclusive;
};

struct Facets {
    std::string pattern;
    int minLength = -1, maxLength = -1, length = -1;
    std::string minInclusive, maxInclusive, minExclusive, maxExclusive;
    int totalDigits = -1, fractionDigits = -1;
};

struct EnumModel {
    std::string cppName;
    std::string xmlNamespace;
    std::string whitespace;  // the base type's rule, applied before matching
    std::string doc;
    std::vector<std::string> values;  // lexical forms
    std::vector<std::string> ids;     // C++ enumerators
};

struct SimpleInfo {
    const BuiltinType* builtin = nullptr;
    std::string whitespace;
    Facets facets;
    const EnumModel* enumeration = nullptr;
    std::string note;  // how a list or union is held
    // A list: the pattern of one item ("" when items are not checked) and
    // the item counts its length facets allow.
    bool isList = false;
    std::string listItem;
    int minItems = 0, maxItems = -1;
};

struct ClassModel;

struct Member {
    enum Kind { Prim, Enum, Cls, Untpd, AnyAttribute, Text };
    Kind kind = Prim;
    bool attribute = false;
    std::string xmlName, xmlNs;
    std::string prop;                  // C++ name: GetX, SetX, PropX, m_x
    int minOccurs = 1, maxOccurs = 1;  // maxOccurs -1: unbounded
    SimpleInfo simple;
    ClassModel* cls = nullptr;
    std::string anyNamespace, anyTargetNamespace;
    std::string processContents = "skip";  // of a wildcard: skip, lax or strict
    bool presence = true;     // a model group that must consume something
    bool mayBeEmpty = false;  // may match nothing (before a choice makes it optional)
    bool nillable = false;    // an element declared nillable: xsi:nil allowed
    std::string defaultValue;
    std::string doc;

    bool Repeated() const { return maxOccurs == -1 || maxOccurs > 1; }
    bool Optional() const { return !Repeated() && minOccurs == 0; }
};

// A record of a restricted type: the restricted declaration (cardinality,
// facets) over the base's property.
struct RestrictedRecord {
    const ClassModel* owner;  // the class that declares the property
    Member member;            // prop is the base's
};

struct ClassModel {
    std::string cppName;
    std::string xmlName;       // type, element or group name: the class record's
    std::string xmlNamespace;  // the schema's target namespace
    std::string defaultElement;
    std::string doc;
    std::string group = "Seq";  // Seq, Choice, All
    bool pseudo = false;        // a model group without an element of its own
    bool anonymous = false;     // the type of one element: no xsi:type names it
    bool nillable = false;      // holds a nillable simple element: its Value (or nil)
    bool abstractType = false;
    bool mixed = false;
    ClassModel* base = nullptr;
    std::vector<ClassModel*> derived;
    // Elements declared with this (derived) class as their type, and with no
    // base of it under the same name anywhere: they are written without
    // xsi:type, which would say nothing there.
    std::vector<std::string> ownElements;
    std::vector<Member> members;  // own elements, then attributes, then the text
    // A complexContent restriction: its records are these, not the base's
    // (over the base's properties where its content maps onto them).
    bool restricted = false;
    std::vector<RestrictedRecord> restrictedRecords;  // elements, then attributes
    // A simple-content restriction: the facets its text must meet beside the
    // base's, on the base's text property.
    bool textRestricted = false;
    SimpleInfo textRestriction;
    std::string textProp;
    const ComplexTypeDef* type = nullptr;  // of a class made for a complex type
    bool built = false;
    bool building = false;
    int selector = 0;

    // Whether an element of this class may hold another class (xsi:type).
    bool Polymorphic() const { return abstractType || !derived.empty(); }
    int FirstIndex() const;
    // Base members first.
    std::vector<const Member*> AllMembers() const;
};

}  // namespace Qbxsd

#endif  // QBXSD_CSCHEMAMODEL_H
