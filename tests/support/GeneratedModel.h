// Test support: a small schema's classes, written the way the code generator
// writes them (metadata records, one property access operation, factories).
//
//   <order version= status=?>                      sequence
//     (Audit model group: @by?, stamp)             pseudo element
//     item*  (@id, name, qty?, colour?)            class collection, max 3
//     payment? (card | voucher(code, (phone | email)))  choice, model group
//     shape?  xsi:type circle(radius) | square(side)  abstract
//     dims? ##other-attributes (all of width, height, note?)  all-group
//     ##other element?                             untyped
//   node (node?)                                   recursive, for depth
#ifndef QBXMLLIB5_TESTS_SUPPORT_GENERATEDMODEL_H
#define QBXMLLIB5_TESTS_SUPPORT_GENERATEDMODEL_H

#include <cstring>
#include <initializer_list>

#include "QbXmlLib5.h"

namespace Model {

using namespace QbXmlLib5;
using namespace QbXmlLib5Data;

constexpr const char* kNs = "urn:model";
constexpr auto kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// One class's metadata, built on first use and released at exit.
struct CMeta {
    CParentElementInfo* info;
    CElementInfo** elements;
    CAttributeInfo** attributes;
    ~CMeta() { CXmlGeneratedClass::CleanMetaData(info, elements, attributes); }
};

template <class Record>
Record** Records(std::initializer_list<Record*> records) {
    Record** array = new Record*[records.size() + 1];
    std::size_t i = 0;
    for (Record* record : records) array[i++] = record;
    array[i] = nullptr;
    return array;
}

template <class T>
void GetObject(QbVariant& value, const CSmartPtr<T>& member) {
    value.Clear();
    if (member) value.SetXmlObject(member);
}
template <class T>
void SetObject(const QbVariant& value, CSmartPtr<T>& member) {
    member = value.IsValid() ? dynamic_cast<T*>(value.GetXmlObject().GetPtr()) : nullptr;
}
inline void Access(bool read, QbVariant& value, QbVariant& member) {
    if (read) {
        value = member;
    } else {
        member = value;
    }
}

// What every generated class repeats.
template <class Derived, class Base = CXmlGeneratedClass>
class TGenerated : public Base {
public:
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return kNs; }
    CParentElementInfo* GetClassInfo() const override { return Derived::Meta().info; }
    CElementInfo** GetClassElementInfo() const override { return Derived::Meta().elements; }
    CAttributeInfo** GetClassAttributeInfo() const override { return Derived::Meta().attributes; }
    using CXmlObjectBase::SetElementName;

protected:
    std::string GetTargetNamespace() override { return kNs; }
};

inline const char* ColourToString(int value) { return value == 0 ? "red" : "green"; }
inline int ColourFromString(const char* text) {
    if (std::strcmp(text, "red") == 0) return 0;
    if (std::strcmp(text, "green") == 0) return 1;
    throw CQbInvalidValueException(FormatString("Invalid Colour [%s]", text));
}

class CItem : public TGenerated<CItem> {
public:
    CItem() { SetElementName("item"); }
    QbVariant id, name, qty, colour;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        QbVariant* fields[] = {&id, &name, &qty, &colour};
        Access(read, value, *fields[index]);
    }
    void ResetProperties() override { id = name = qty = colour = QbVariant(); }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Seq, Element, "item", kNs, -1, true, false),
            Records<CElementInfo>(
                {new CElementInfoSeqPrimMnd("name", kNs, 1, it_string, nullptr, kCollapse,
                                            CPrimitiveRestrictions()),
                 new CElementInfoSeqPrimOpt(
                     "qty", kNs, 2, it_i4, nullptr, kCollapse,
                     CPrimitiveRestrictions("", -1, -1, "0", "", "", "", -1)),
                 new CElementInfoSeqEnumOpt("colour", kNs, 3, ColourToString, ColourFromString)}),
            Records<CAttributeInfo>({new CAttributeInfoPrimitive(
                "id", "", 0, false, it_i4, nullptr, kCollapse, CPrimitiveRestrictions())})};
        return meta;
    }
};

// A generated collection: a run of <item> elements.
class CItemCol : public CXmlCollection {
public:
    CItemCol() : CXmlCollection("item", kNs, 0, 3) {}
    void Add(CItem* item) { AppendItem(item); }
    CItem* Item(int index) const { return static_cast<CItem*>(GetNodeAtIndex(index)->item); }

protected:
    void ToXml_Int(CXmlWriter* writer, bool, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceMember) const override {
        for (CNode* node = GetFirstNode(); node; node = node->next) {
            CXmlObjectBase::ToXml_Int(node->item, writer, false, namespaceUri, ctx, choiceMember);
        }
    }
    const CXmlElement* FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool) override {
        const std::string name = GetElementName();
        while (DoesElementNameMatch(ctx, current, name.c_str(), kNs)) {
            CSmartPtr<CItem> item = new CItem;
            CXmlObjectBase::FromXml_Int(item, current, current->GetFirstElement(), ctx);
            AppendItem(item);
            current = current->GetNextSiblingElement();
        }
        return current;
    }
};

// The Contact model group: a choice without an element of its own.
class CContact : public TGenerated<CContact> {
public:
    CContact() { SetElementName("Contact"); }
    QbVariant phone, email;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        Access(read, value, index == 0 ? phone : email);
    }
    void ResetProperties() override { phone = email = QbVariant(); }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Choice, PseudoElement, "Contact", kNs, -1, false, false),
            Records<CElementInfo>(
                {new CElementInfoChoicePrimOpt("phone", kNs, 0, it_string, nullptr, kCollapse,
                                               CPrimitiveRestrictions()),
                 new CElementInfoChoicePrimOpt("email", kNs, 1, it_string, nullptr, kCollapse,
                                               CPrimitiveRestrictions())}),
            Records<CAttributeInfo>({})};
        return meta;
    }
};

inline CSmartPtr<CXmlObjectBase> CreateContact(int, const char*) { return new CContact; }

class CVoucher : public TGenerated<CVoucher> {
public:
    CVoucher() : contact(new CContact) { SetElementName("voucher"); }
    QbVariant code;
    CSmartPtr<CContact> contact;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        if (index == 0) return Access(read, value, code);
        read ? GetObject(value, contact) : SetObject(value, contact);
    }
    void ResetProperties() override {
        code.Clear();
        contact = new CContact;
    }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Seq, Element, "voucher", kNs, -1, true, false),
            Records<CElementInfo>({new CElementInfoSeqPrimMnd("code", kNs, 0, it_string, nullptr,
                                                              kCollapse, CPrimitiveRestrictions()),
                                   new CElementInfoSeqClsMnd("Contact", kNs, 1, PseudoElement,
                                                             CreateContact, 0, false)}),
            Records<CAttributeInfo>({})};
        return meta;
    }
};

inline CSmartPtr<CXmlObjectBase> CreateVoucher(int, const char*) { return new CVoucher; }

class CPayment : public TGenerated<CPayment> {
public:
    CPayment() { SetElementName("payment"); }
    QbVariant card;
    CSmartPtr<CVoucher> voucher;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        if (index == 0) return Access(read, value, card);
        read ? GetObject(value, voucher) : SetObject(value, voucher);
    }
    void ResetProperties() override {
        card.Clear();
        voucher = nullptr;
    }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Choice, Element, "payment", kNs, -1, true, false),
            Records<CElementInfo>(
                {new CElementInfoChoicePrimOpt("card", kNs, 0, it_string, nullptr, kCollapse,
                                               CPrimitiveRestrictions()),
                 new CElementInfoChoiceClsOpt("voucher", kNs, 1, Element, CreateVoucher, 0)}),
            Records<CAttributeInfo>({})};
        return meta;
    }
};

class CDims : public TGenerated<CDims> {
public:
    CDims() : others(new CAttributeCol("", "##other", kNs)) { SetElementName("dims"); }
    QbVariant width, height, note;
    CSmartPtr<CAttributeCol> others;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        if (index == 3) return read ? value.SetXmlCollection(others) : void();
        QbVariant* fields[] = {&width, &height, &note};
        Access(read, value, *fields[index]);
    }
    void ResetProperties() override {
        width = height = note = QbVariant();
        others->Clear();
    }
    static CMeta& Meta() {
        static CMeta meta{new CParentElementInfo(All, Element, "dims", kNs, -1, true, false),
                          Records<CElementInfo>(
                              {new CElementInfoAllPrimMnd("width", kNs, 0, it_i4, nullptr,
                                                          kCollapse, CPrimitiveRestrictions()),
                               new CElementInfoAllPrimMnd("height", kNs, 1, it_i4, nullptr,
                                                          kCollapse, CPrimitiveRestrictions()),
                               new CElementInfoAllPrimOpt("note", kNs, 2, it_string, nullptr,
                                                          kCollapse, CPrimitiveRestrictions())}),
                          Records<CAttributeInfo>(
                              {new CAttributeInfoAny("others", "", 3, true, "##other", kNs)})};
        return meta;
    }
};

// The Audit model group: no element of its own.
class CAudit : public TGenerated<CAudit> {
public:
    CAudit() { SetElementName("Audit"); }
    QbVariant by, stamp;
    void AccessProperty(int index, bool read, QbVariant& value) override {
        Access(read, value, index == 0 ? by : stamp);
    }
    void ResetProperties() override { by = stamp = QbVariant(); }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Seq, PseudoElement, "Audit", kNs, -1, false, false),
            Records<CElementInfo>({new CElementInfoSeqPrimMnd(
                "stamp", kNs, 1, it_string, nullptr, kCollapse, CPrimitiveRestrictions())}),
            Records<CAttributeInfo>({new CAttributeInfoPrimitive(
                "by", "", 0, true, it_string, nullptr, kCollapse, CPrimitiveRestrictions())})};
        return meta;
    }
};

inline CSmartPtr<CXmlObjectBase> CreateAudit(int, const char*) { return new CAudit; }

// shape is abstract: circle and square stand in its place with xsi:type.
template <class Derived>
class TShape : public TGenerated<Derived> {
public:
    QbVariant size;
    void AccessProperty(int, bool read, QbVariant& value) override { Access(read, value, size); }
    void ResetProperties() override { size.Clear(); }

protected:
    static CMeta MakeMeta(const char* type, const char* sizeName, ItemType kind) {
        return CMeta{new CParentElementInfo(Seq, Element, type, kNs, -1, true, true),
                     Records<CElementInfo>({new CElementInfoSeqPrimMnd(
                         sizeName, kNs, 0, kind, nullptr, kCollapse, CPrimitiveRestrictions())}),
                     Records<CAttributeInfo>({})};
    }
};

class CCircle : public TShape<CCircle> {
public:
    explicit CCircle(const char* elementName = "circle") { SetElementName(elementName); }
    static CMeta& Meta() {
        static CMeta meta = MakeMeta("circle", "radius", it_r8);
        return meta;
    }
};

class CSquare : public TShape<CSquare> {
public:
    explicit CSquare(const char* elementName = "square") { SetElementName(elementName); }
    static CMeta& Meta() {
        static CMeta meta = MakeMeta("square", "side", it_i4);
        return meta;
    }
};

class CShapeFactory : public CClassfactoryBase {
public:
    using CClassfactoryBase::GetElementType;
    using CClassfactoryBase::GetElementTypeNamespaceUri;
    static CSmartPtr<CXmlObjectBase> Create(const CXmlElement* element) {
        if (GetElementTypeNamespaceUri(element) != kNs) return nullptr;
        const std::string type = GetElementType(element);
        if (type == "circle") return new CCircle;
        if (type == "square") return new CSquare;
        return nullptr;
    }
};

inline const char* StatusToString(int value) { return value == 0 ? "open" : "closed"; }
inline int StatusFromString(const char* text) { return std::strcmp(text, "open") == 0 ? 0 : 1; }

class COrder : public TGenerated<COrder> {
public:
    COrder() : audit(new CAudit), items(new CItemCol) { SetElementName("order"); }
    QbVariant version, status;
    CSmartPtr<CAudit> audit;
    CSmartPtr<CItemCol> items;
    CSmartPtr<CPayment> payment;
    CSmartPtr<CXmlObjectBase> shape;
    CSmartPtr<CDims> dims;
    CSmartPtr<CElement> any;

    void AccessProperty(int index, bool read, QbVariant& value) override {
        switch (index) {
            case 0:
                return Access(read, value, version);
            case 1:
                return Access(read, value, status);
            case 3:
                return read ? GetObject(value, audit) : SetObject(value, audit);
            case 4:
                return read ? value.SetXmlCollection(items) : void();
            case 5:
                return read ? GetObject(value, payment) : SetObject(value, payment);
            case 6:
                return read ? GetObject(value, shape) : SetObject(value, shape);
            case 7:
                return read ? GetObject(value, dims) : SetObject(value, dims);
            default:
                return read ? GetObject(value, any) : SetObject(value, any);
        }
    }
    void ResetProperties() override {
        version = status = QbVariant();
        audit = new CAudit;
        items->Clear();
        payment = nullptr;
        shape = nullptr;
        dims = nullptr;
        any = nullptr;
    }
    static CMeta& Meta() {
        static CMeta meta{
            // The Audit group's attributes stand on <order>: unknown ones pass.
            new CParentElementInfo(Seq, Element, "order", kNs, -1, false, false),
            Records<CElementInfo>(
                {new CElementInfoSeqClsMnd("Audit", kNs, 3, PseudoElement, CreateAudit, 0, false),
                 new CElementInfoSeqClsCol("item", kNs, 4, Element),
                 new CElementInfoSeqClsOpt(
                     "payment", kNs, 5, Element,
                     [](int, const char*) -> CSmartPtr<CXmlObjectBase> { return new CPayment; }, 0),
                 new CElementInfoSeqAbsClsOpt("shape", kNs, 6, Element, CShapeFactory::Create),
                 new CElementInfoSeqClsOpt(
                     "dims", kNs, 7, Element,
                     [](int, const char*) -> CSmartPtr<CXmlObjectBase> { return new CDims; }, 0),
                 new CElementInfoSeqUntpdOpt("AnyElement", kNs, 8, "##other", kNs)}),
            Records<CAttributeInfo>(
                {new CAttributeInfoPrimitive("version", "", 0, false, it_string, nullptr, kCollapse,
                                             CPrimitiveRestrictions()),
                 new CAttributeInfoEnum("status", "", 1, true, StatusToString, StatusFromString)})};
        return meta;
    }
};

// A recursive element, for nesting limits.
class CNested : public TGenerated<CNested> {
public:
    CNested() { SetElementName("node"); }
    CSmartPtr<CNested> child;
    void AccessProperty(int, bool read, QbVariant& value) override {
        read ? GetObject(value, child) : SetObject(value, child);
    }
    void ResetProperties() override { child = nullptr; }
    static CMeta& Meta() {
        static CMeta meta{
            new CParentElementInfo(Seq, Element, "node", kNs, -1, true, false),
            Records<CElementInfo>({new CElementInfoSeqClsOpt(
                "node", kNs, 0, Element,
                [](int, const char*) -> CSmartPtr<CXmlObjectBase> { return new CNested; }, 0)}),
            Records<CAttributeInfo>({})};
        return meta;
    }
};

// An order that uses every member kind.
inline CSmartPtr<COrder> SampleOrder() {
    CSmartPtr<COrder> order = new COrder;
    order->version.SetString("2");
    order->status.SetI4(1);
    order->audit->by.SetString("ann");
    order->audit->stamp.SetString("t1");
    CSmartPtr<CItem> item = new CItem;
    item->id.SetI4(7);
    item->name.SetString("a<b");
    item->qty.SetI4(3);
    item->colour.SetI4(1);
    order->items->Add(item);
    CSmartPtr<CItem> bare = new CItem;
    bare->id.SetI4(8);
    bare->name.SetString("c");
    order->items->Add(bare);
    order->payment = new CPayment;
    order->payment->card.SetString("visa");
    CSmartPtr<CCircle> circle = new CCircle("shape");
    circle->size.SetR8(1.5);
    order->shape = circle.GetPtr();
    order->dims = new CDims;
    order->dims->width.SetI4(2);
    order->dims->height.SetI4(3);
    order->dims->others->Add("lang", "en", "urn:other");
    order->any = new CElement("x", "urn:other");
    order->any->SetText("free");
    return order;
}

}  // namespace Model

#endif  // QBXMLLIB5_TESTS_SUPPORT_GENERATEDMODEL_H
