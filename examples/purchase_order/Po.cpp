#include "Po.h"

using namespace QbXmlLib5;
using namespace QbXmlLib5Data;
using QbPoModel::AccessOptional;
using QbPoModel::AccessString;
using QbPoModel::CClassMetaData;
using QbPoModel::PropertyCollection;
using QbPoModel::PropertyObject;
using QbPoModel::ThrowUnknownProperty;

namespace Po {

namespace {

const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// No facets.
const CPrimitiveRestrictions& NoFacets() {
    static const CPrimitiveRestrictions none;
    return none;
}

CPrimitiveRestrictions Facets(const char* pattern, const char* minInclusive,
                              const char* maxExclusive) {
    return CPrimitiveRestrictions(pattern, -1, -1, minInclusive, "", "", maxExclusive, -1);
}

CElementInfo* PrimMnd(const char* name, int index, ItemType type,
                      CWhitespaceUtils::WhitespaceRule rule,
                      const CPrimitiveRestrictions& facets = NoFacets()) {
    return new CElementInfoSeqPrimMnd(name, "", index, type, nullptr, rule, facets);
}

CElementInfo* PrimOpt(const char* name, int index, ItemType type,
                      CWhitespaceUtils::WhitespaceRule rule) {
    return new CElementInfoSeqPrimOpt(name, "", index, type, nullptr, rule, NoFacets());
}

const CClassMetaData& USAddressMeta() {
    static const CClassMetaData meta(
        new CParentElementInfo(Seq, Element, "USAddress", "", -1, true, false),
        {PrimMnd("name", CUSAddress::PropName, it_string, kPreserve),
         PrimMnd("street", CUSAddress::PropStreet, it_string, kPreserve),
         PrimMnd("city", CUSAddress::PropCity, it_string, kPreserve),
         PrimMnd("state", CUSAddress::PropState, it_string, kPreserve),
         PrimMnd("zip", CUSAddress::PropZip, it_decimal, kCollapse)},
        {new CAttributeInfoPrimitive("country", "", CUSAddress::PropCountry, true, it_string,
                                     nullptr, kCollapse, Facets("US", "", ""))});
    return meta;
}

const CClassMetaData& ItemMeta() {
    static const CClassMetaData meta(
        new CParentElementInfo(Seq, Element, "item", "", -1, true, false),
        {PrimMnd("productName", CItem::PropProductName, it_string, kPreserve),
         PrimMnd("quantity", CItem::PropQuantity, it_integer, kCollapse, Facets("", "1", "100")),
         PrimMnd("USPrice", CItem::PropUSPrice, it_decimal, kCollapse),
         PrimOpt("comment", CItem::PropComment, it_string, kPreserve),
         PrimOpt("shipDate", CItem::PropShipDate, it_date, kCollapse),
         new CElementInfoSeqPrimCol("tag", "", CItem::PropTag)},
        {new CAttributeInfoPrimitive("partNum", "", CItem::PropPartNum, false, it_string, nullptr,
                                     kPreserve, Facets("\\d{3}-[A-Z]{2}", "", ""))});
    return meta;
}

const CClassMetaData& ItemsMeta() {
    static const CClassMetaData meta(
        new CParentElementInfo(Seq, Element, "Items", "", -1, true, false),
        {new CElementInfoSeqClsCol("item", "", CItems::PropItem, Element)}, {});
    return meta;
}

const CClassMetaData& PurchaseOrderTypeMeta() {
    typedef CPurchaseOrderType P;
    static const CClassMetaData meta(
        new CParentElementInfo(Seq, Element, "PurchaseOrderType", "", -1, true, false),
        {new CElementInfoSeqClsMnd("shipTo", "", P::PropShipTo, Element, CreateObject, ClsUSAddress,
                                   true),
         new CElementInfoSeqClsMnd("billTo", "", P::PropBillTo, Element, CreateObject, ClsUSAddress,
                                   true),
         PrimOpt("comment", P::PropComment, it_string, kPreserve),
         new CElementInfoSeqClsMnd("items", "", P::PropItems, Element, CreateObject, ClsItems,
                                   true)},
        {new CAttributeInfoPrimitive("orderDate", "", P::PropOrderDate, true, it_date, nullptr,
                                     kCollapse, NoFacets())});
    return meta;
}

}  // namespace

CSmartPtr<CXmlObjectBase> CreateObject(int selector, const char* elementName) {
    switch (selector) {
        case ClsPurchaseOrderType:
            return new CPurchaseOrderType(elementName);
        case ClsUSAddress:
            return new CUSAddress(elementName);
        case ClsItems:
            return new CItems(elementName);
        case ClsItem:
            return new CItem(elementName);
        default:
            return nullptr;
    }
}

// ---- CUSAddress

CUSAddress::CUSAddress(const char* elementName) : m_validCountry(false) {
    SetElementName(elementName);
}

void CUSAddress::SetCountry(const std::string& value) {
    m_country = value;
    m_validCountry = true;
}

void CUSAddress::ResetProperties() {
    m_name.clear();
    m_street.clear();
    m_city.clear();
    m_state.clear();
    m_zip = CDecimal();
    m_country.clear();
    m_validCountry = false;
}

void CUSAddress::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropName:
            AccessString(read, value, m_name);
            break;
        case PropStreet:
            AccessString(read, value, m_street);
            break;
        case PropCity:
            AccessString(read, value, m_city);
            break;
        case PropState:
            AccessString(read, value, m_state);
            break;
        case PropZip:
            read ? value.SetDecimal(m_zip) : void(m_zip = value.GetDecimal());
            break;
        case PropCountry:
            AccessOptional(read, value, m_country, m_validCountry, &QbVariant::SetString,
                           &QbVariant::GetString);
            break;
        default:
            ThrowUnknownProperty("USAddress", index);
    }
}

CParentElementInfo* CUSAddress::GetClassInfo() const { return USAddressMeta().Parent(); }
CElementInfo** CUSAddress::GetClassElementInfo() const { return USAddressMeta().Elements(); }
CAttributeInfo** CUSAddress::GetClassAttributeInfo() const { return USAddressMeta().Attributes(); }

// ---- CItem

CItem::CItem(const char* elementName) : m_validComment(false), m_validShipDate(false) {
    SetElementName(elementName);
    ResetProperties();
}

void CItem::SetComment(const std::string& value) {
    m_comment = value;
    m_validComment = true;
}

void CItem::SetShipDate(const CDateTime& value) {
    m_shipDate = value;
    m_validShipDate = true;
}

void CItem::ResetProperties() {
    m_productName.clear();
    m_quantity = CBigInteger();
    m_usPrice = CDecimal();
    m_comment.clear();
    m_validComment = false;
    m_shipDate = CDateTime();
    m_validShipDate = false;
    m_tag = new CstringCol("tag", "", 0, -1, "", -1, -1, "", "", "", "", -1, kPreserve, nullptr);
    m_partNum.clear();
}

void CItem::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropProductName:
            AccessString(read, value, m_productName);
            break;
        case PropQuantity:
            read ? value.SetInteger(m_quantity) : void(m_quantity = value.GetInteger());
            break;
        case PropUSPrice:
            read ? value.SetDecimal(m_usPrice) : void(m_usPrice = value.GetDecimal());
            break;
        case PropComment:
            AccessOptional(read, value, m_comment, m_validComment, &QbVariant::SetString,
                           &QbVariant::GetString);
            break;
        case PropShipDate:
            AccessOptional(read, value, m_shipDate, m_validShipDate, &QbVariant::SetDate,
                           &QbVariant::GetDate);
            break;
        case PropTag:
            read ? value.SetXmlCollection(m_tag)
                 : void(m_tag = PropertyCollection<CstringCol>(value, "tag"));
            break;
        case PropPartNum:
            AccessString(read, value, m_partNum);
            break;
        default:
            ThrowUnknownProperty("item", index);
    }
}

CParentElementInfo* CItem::GetClassInfo() const { return ItemMeta().Parent(); }
CElementInfo** CItem::GetClassElementInfo() const { return ItemMeta().Elements(); }
CAttributeInfo** CItem::GetClassAttributeInfo() const { return ItemMeta().Attributes(); }

// ---- CItems

CItems::CItems(const char* elementName) {
    SetElementName(elementName);
    ResetProperties();
}

void CItems::ResetProperties() { m_item = new CItemCol("item", "", 0, -1); }

void CItems::AccessProperty(int index, bool read, QbVariant& value) {
    if (index != PropItem) ThrowUnknownProperty("Items", index);
    read ? value.SetXmlCollection(m_item)
         : void(m_item = PropertyCollection<CItemCol>(value, "item"));
}

CParentElementInfo* CItems::GetClassInfo() const { return ItemsMeta().Parent(); }
CElementInfo** CItems::GetClassElementInfo() const { return ItemsMeta().Elements(); }
CAttributeInfo** CItems::GetClassAttributeInfo() const { return ItemsMeta().Attributes(); }

// ---- CPurchaseOrderType

CPurchaseOrderType::CPurchaseOrderType(const char* elementName)
    : m_validComment(false), m_validOrderDate(false) {
    SetElementName(elementName);
    ResetProperties();
}

void CPurchaseOrderType::SetShipTo(CUSAddress* value) {
    Throw_IfPropertyIsNull(value, "shipTo");
    Throw_IfElementNameDiffers(value, "shipTo");
    m_shipTo = value;
}

void CPurchaseOrderType::SetBillTo(CUSAddress* value) {
    Throw_IfPropertyIsNull(value, "billTo");
    Throw_IfElementNameDiffers(value, "billTo");
    m_billTo = value;
}

void CPurchaseOrderType::SetItems(CItems* value) {
    Throw_IfPropertyIsNull(value, "items");
    Throw_IfElementNameDiffers(value, "items");
    m_items = value;
}

void CPurchaseOrderType::SetComment(const std::string& value) {
    m_comment = value;
    m_validComment = true;
}

void CPurchaseOrderType::SetOrderDate(const CDateTime& value) {
    m_orderDate = value;
    m_validOrderDate = true;
}

void CPurchaseOrderType::ResetProperties() {
    // Mandatory members always hold an object: reading fills them in place.
    m_shipTo = new CUSAddress("shipTo");
    m_billTo = new CUSAddress("billTo");
    m_comment.clear();
    m_validComment = false;
    m_items = new CItems("items");
    m_orderDate = CDateTime();
    m_validOrderDate = false;
}

void CPurchaseOrderType::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropShipTo:
            read ? value.SetXmlObject(m_shipTo)
                 : void(m_shipTo = PropertyObject<CUSAddress>(value, "shipTo"));
            break;
        case PropBillTo:
            read ? value.SetXmlObject(m_billTo)
                 : void(m_billTo = PropertyObject<CUSAddress>(value, "billTo"));
            break;
        case PropComment:
            AccessOptional(read, value, m_comment, m_validComment, &QbVariant::SetString,
                           &QbVariant::GetString);
            break;
        case PropItems:
            read ? value.SetXmlObject(m_items)
                 : void(m_items = PropertyObject<CItems>(value, "items"));
            break;
        case PropOrderDate:
            AccessOptional(read, value, m_orderDate, m_validOrderDate, &QbVariant::SetDate,
                           &QbVariant::GetDate);
            break;
        default:
            ThrowUnknownProperty("purchaseOrder", index);
    }
}

CParentElementInfo* CPurchaseOrderType::GetClassInfo() const {
    return PurchaseOrderTypeMeta().Parent();
}
CElementInfo** CPurchaseOrderType::GetClassElementInfo() const {
    return PurchaseOrderTypeMeta().Elements();
}
CAttributeInfo** CPurchaseOrderType::GetClassAttributeInfo() const {
    return PurchaseOrderTypeMeta().Attributes();
}

}  // namespace Po
