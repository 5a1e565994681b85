#include "Ipo.h"

#include <cstring>

using namespace QbXmlLib5;
using namespace QbXmlLib5Data;
using QbPoModel::AccessOptional;
using QbPoModel::AccessString;
using QbPoModel::CClassMetaData;
using QbPoModel::PropertyCollection;
using QbPoModel::PropertyObject;
using QbPoModel::ThrowUnknownProperty;

namespace Ipo {

const char* const kTargetNamespace = "http://www.example.com/IPO";
const char* const kXhtmlNamespace = "http://www.w3.org/1999/xhtml";

namespace {

const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

const char* const kStates[] = {"AK", "AL", "AR", "AZ", "CA", "CO", "CT", "DC", "DE", "FL", "GA",
                               "HI", "IA", "ID", "IL", "IN", "KS", "KY", "LA", "MA", "MD", "ME",
                               "MI", "MN", "MO", "MS", "MT", "NC", "ND", "NE", "NH", "NJ", "NM",
                               "NV", "NY", "OH", "OK", "OR", "PA", "RI", "SC", "SD", "TN", "TX",
                               "UT", "VA", "VT", "WA", "WI", "WV", "WY"};
const int kStateCount = static_cast<int>(sizeof(kStates) / sizeof(kStates[0]));

const CPrimitiveRestrictions& NoFacets() {
    static const CPrimitiveRestrictions none;
    return none;
}

CElementInfo* PrimMnd(const char* name, int index, ItemType type,
                      CWhitespaceUtils::WhitespaceRule rule,
                      const CPrimitiveRestrictions& facets = NoFacets()) {
    return new CElementInfoSeqPrimMnd(name, "", index, type, nullptr, rule, facets);
}

CElementInfo* PrimOpt(const char* name, const char* uri, int index, ItemType type,
                      CWhitespaceUtils::WhitespaceRule rule) {
    return new CElementInfoSeqPrimOpt(name, uri, index, type, nullptr, rule, NoFacets());
}

// The records Address and its extensions start with.
CElementInfo* AddressName() { return PrimMnd("name", CAddress::PropName, it_string, kPreserve); }
CElementInfo* AddressStreet() {
    return PrimMnd("street", CAddress::PropStreet, it_string, kPreserve);
}
CElementInfo* AddressCity() { return PrimMnd("city", CAddress::PropCity, it_string, kPreserve); }

// A model group (PseudoElement) sees the attributes of the element that
// encloses it, which belong to that element's class: it must not refuse them.
CParentElementInfo* ClassInfo(XmlElementGroupType group, XmlElementType type, const char* name,
                              bool hasBaseClasses = false) {
    return new CParentElementInfo(group, type, name, kTargetNamespace, -1, type == Element,
                                  hasBaseClasses);
}

const CClassMetaData& AddressMeta() {
    static const CClassMetaData meta(ClassInfo(Seq, Element, "Address"),
                                     {AddressName(), AddressStreet(), AddressCity()}, {});
    return meta;
}

const CClassMetaData& USAddressMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "USAddress", true),
        {AddressName(), AddressStreet(), AddressCity(),
         new CElementInfoSeqEnumMnd("state", "", CUSAddress::PropState, USStateToString,
                                    USStateFromString),
         PrimMnd("zip", CUSAddress::PropZip, it_integer, kCollapse,
                 CPrimitiveRestrictions("", -1, -1, "1", "", "", "", -1))},
        {});
    return meta;
}

const CClassMetaData& UKAddressMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "UKAddress", true),
        {AddressName(), AddressStreet(), AddressCity(),
         PrimMnd("postcode", CUKAddress::PropPostcode, it_string, kPreserve,
                 CPrimitiveRestrictions("[A-Z]{2}\\d\\s\\d[A-Z]{2}", -1, -1, "", "", "", "", 7))},
        {new CAttributeInfoPrimitive("exportCode", "", CUKAddress::PropExportCode, true, it_integer,
                                     nullptr, kCollapse,
                                     CPrimitiveRestrictions("", -1, -1, "1", "1", "", "", -1))});
    return meta;
}

const CClassMetaData& ShipAndBillMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, PseudoElement, "shipAndBill"),
        {new CElementInfoSeqAbsClsMnd("shipTo", "", CShipAndBill::PropShipTo, Element,
                                      CIpoClassFactory::CreateAddress),
         new CElementInfoSeqAbsClsMnd("billTo", "", CShipAndBill::PropBillTo, Element,
                                      CIpoClassFactory::CreateAddress)},
        {});
    return meta;
}

const CClassMetaData& AddressChoiceMeta() {
    static const CClassMetaData meta(
        ClassInfo(Choice, PseudoElement, "AddressChoice"),
        {new CElementInfoChoiceClsOpt("shipAndBill", kTargetNamespace,
                                      CAddressChoice::PropShipAndBill, PseudoElement, CreateObject,
                                      ClsShipAndBill),
         new CElementInfoChoiceAbsClsOpt("singleAddress", "", CAddressChoice::PropSingleAddress,
                                         Element, CIpoClassFactory::CreateAddress)},
        {});
    return meta;
}

const CClassMetaData& ItemOptionsMeta() {
    static const CClassMetaData meta(
        ClassInfo(All, Element, "ItemOptions"),
        {new CElementInfoAllPrimMnd("giftWrap", "", CItemOptions::PropGiftWrap, it_boolean, nullptr,
                                    kCollapse, NoFacets()),
         new CElementInfoAllPrimOpt("colour", "", CItemOptions::PropColour, it_string, nullptr,
                                    kPreserve, NoFacets()),
         new CElementInfoAllPrimOpt("engraving", "", CItemOptions::PropEngraving, it_string,
                                    nullptr, kPreserve, NoFacets())},
        {});
    return meta;
}

const CClassMetaData& DescriptionMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "Description"),
        {new CElementInfoSeqUntpdCol("AnyElement", kXhtmlNamespace, CDescription::PropAny)},
        {new CAttributeInfoAny("AnyAttribute", "", CDescription::PropAnyAttribute, true,
                               kXhtmlNamespace, kTargetNamespace)});
    return meta;
}

const CClassMetaData& ItemMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "item"),
        {PrimMnd("productName", CItem::PropProductName, it_string, kPreserve),
         PrimMnd("quantity", CItem::PropQuantity, it_integer, kCollapse,
                 CPrimitiveRestrictions("", -1, -1, "1", "", "", "100", -1)),
         PrimMnd("USPrice", CItem::PropUSPrice, it_decimal, kCollapse),
         PrimOpt("comment", kTargetNamespace, CItem::PropComment, it_string, kPreserve),
         PrimOpt("shipDate", "", CItem::PropShipDate, it_date, kCollapse),
         new CElementInfoSeqPrimCol("deliveryDate", "", CItem::PropDeliveryDate),
         new CElementInfoSeqClsOpt("options", "", CItem::PropOptions, Element, CreateObject,
                                   ClsItemOptions),
         new CElementInfoSeqClsOpt("description", "", CItem::PropDescription, Element, CreateObject,
                                   ClsDescription)},
        {new CAttributeInfoPrimitive(
            "partNum", "", CItem::PropPartNum, false, it_string, nullptr, kPreserve,
            CPrimitiveRestrictions("\\d{3}-[A-Z]{2}", -1, -1, "", "", "", "", -1))});
    return meta;
}

const CClassMetaData& ItemsMeta() {
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "Items"),
        {new CElementInfoSeqClsCol("item", "", CItems::PropItem, Element)}, {});
    return meta;
}

const CClassMetaData& PurchaseOrderTypeMeta() {
    typedef CPurchaseOrderType P;
    static const CClassMetaData meta(
        ClassInfo(Seq, Element, "PurchaseOrderType"),
        {new CElementInfoSeqClsMnd("AddressChoice", kTargetNamespace, P::PropAddressChoice,
                                   PseudoElement, CreateObject, ClsAddressChoice, true),
         PrimOpt("comment", kTargetNamespace, P::PropComment, it_string, kPreserve),
         new CElementInfoSeqClsMnd("items", "", P::PropItems, Element, CreateObject, ClsItems,
                                   true)},
        {new CAttributeInfoPrimitive("orderDate", "", P::PropOrderDate, true, it_date, nullptr,
                                     kCollapse, NoFacets())});
    return meta;
}

}  // namespace

// Metadata accessors every class has.
#define QBPO_IPO_METADATA(Class, Meta)                                              \
    CParentElementInfo* Class::GetClassInfo() const { return Meta().Parent(); }     \
    CElementInfo** Class::GetClassElementInfo() const { return Meta().Elements(); } \
    CAttributeInfo** Class::GetClassAttributeInfo() const { return Meta().Attributes(); }

QBPO_IPO_METADATA(CAddress, AddressMeta)
QBPO_IPO_METADATA(CUSAddress, USAddressMeta)
QBPO_IPO_METADATA(CUKAddress, UKAddressMeta)
QBPO_IPO_METADATA(CShipAndBill, ShipAndBillMeta)
QBPO_IPO_METADATA(CAddressChoice, AddressChoiceMeta)
QBPO_IPO_METADATA(CItemOptions, ItemOptionsMeta)
QBPO_IPO_METADATA(CDescription, DescriptionMeta)
QBPO_IPO_METADATA(CItem, ItemMeta)
QBPO_IPO_METADATA(CItems, ItemsMeta)
QBPO_IPO_METADATA(CPurchaseOrderType, PurchaseOrderTypeMeta)

#undef QBPO_IPO_METADATA

const char* USStateToString(int value) {
    if (value < 0 || value >= kStateCount) {
        throw CQbInvalidValueException("Unknown USState value " + std::to_string(value));
    }
    return kStates[value];
}

int USStateFromString(const char* text) {
    for (int i = 0; i < kStateCount; ++i) {
        if (std::strcmp(kStates[i], text) == 0) return i;
    }
    throw CQbInvalidValueException(std::string("[") + text + "] is not a valid USState");
}

CSmartPtr<CXmlObjectBase> CreateObject(int selector, const char* elementName) {
    switch (selector) {
        case ClsPurchaseOrderType:
            return new CPurchaseOrderType(elementName);
        case ClsAddressChoice:
            return new CAddressChoice();
        case ClsShipAndBill:
            return new CShipAndBill();
        case ClsAddress:
            return new CAddress(elementName);
        case ClsUSAddress:
            return new CUSAddress(elementName);
        case ClsUKAddress:
            return new CUKAddress(elementName);
        case ClsItems:
            return new CItems(elementName);
        case ClsItem:
            return new CItem(elementName);
        case ClsItemOptions:
            return new CItemOptions(elementName);
        case ClsDescription:
            return new CDescription(elementName);
        default:
            return nullptr;
    }
}

CSmartPtr<CXmlObjectBase> CIpoClassFactory::CreateAddress(const CXmlElement* element) {
    const std::string type = GetElementType(element);
    const char* name = element->GetLocalName().c_str();
    if (type.empty()) return new CAddress(name);
    if (GetElementTypeNamespaceUri(element) != kTargetNamespace) return nullptr;
    if (type == "Address") return new CAddress(name);
    if (type == "USAddress") return new CUSAddress(name);
    if (type == "UKAddress") return new CUKAddress(name);
    return nullptr;
}

// ---- Address and its extensions

CAddress::CAddress(const char* elementName) { SetElementName(elementName); }

void CAddress::ResetProperties() {
    m_name.clear();
    m_street.clear();
    m_city.clear();
}

void CAddress::AccessProperty(int index, bool read, QbVariant& value) {
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
        default:
            ThrowUnknownProperty("Address", index);
    }
}

CUSAddress::CUSAddress(const char* elementName) : CAddress(elementName), m_state(USState_AK) {}

void CUSAddress::ResetProperties() {
    CAddress::ResetProperties();
    m_state = USState_AK;
    m_zip = CBigInteger();
}

void CUSAddress::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropState:
            read ? value.SetI4(m_state) : void(m_state = static_cast<USState>(value.GetI4()));
            break;
        case PropZip:
            read ? value.SetInteger(m_zip) : void(m_zip = value.GetInteger());
            break;
        default:
            CAddress::AccessProperty(index, read, value);
    }
}

CUKAddress::CUKAddress(const char* elementName) : CAddress(elementName), m_validExportCode(false) {}

void CUKAddress::SetExportCode(const CBigInteger& value) {
    m_exportCode = value;
    m_validExportCode = true;
}

void CUKAddress::ResetProperties() {
    CAddress::ResetProperties();
    m_postcode.clear();
    m_exportCode = CBigInteger();
    m_validExportCode = false;
}

void CUKAddress::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropPostcode:
            AccessString(read, value, m_postcode);
            break;
        case PropExportCode:
            AccessOptional(read, value, m_exportCode, m_validExportCode, &QbVariant::SetInteger,
                           &QbVariant::GetInteger);
            break;
        default:
            CAddress::AccessProperty(index, read, value);
    }
}

// ---- shipAndBill and the address choice

CShipAndBill::CShipAndBill() { SetElementName("shipAndBill"); }

void CShipAndBill::SetShipTo(CAddress* value) {
    Throw_IfPropertyIsNull(value, "shipTo");
    Throw_IfElementNameDiffers(value, "shipTo");
    m_shipTo = value;
}

void CShipAndBill::SetBillTo(CAddress* value) {
    Throw_IfPropertyIsNull(value, "billTo");
    Throw_IfElementNameDiffers(value, "billTo");
    m_billTo = value;
}

void CShipAndBill::ResetProperties() {
    m_shipTo = nullptr;
    m_billTo = nullptr;
}

void CShipAndBill::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropShipTo:
            read ? value.SetXmlObject(m_shipTo)
                 : void(m_shipTo = PropertyObject<CAddress>(value, "shipTo"));
            break;
        case PropBillTo:
            read ? value.SetXmlObject(m_billTo)
                 : void(m_billTo = PropertyObject<CAddress>(value, "billTo"));
            break;
        default:
            ThrowUnknownProperty("shipAndBill", index);
    }
}

CAddressChoice::CAddressChoice() { SetElementName("AddressChoice"); }

void CAddressChoice::SetShipAndBill(CShipAndBill* value) {
    Choice_SelectElement("shipAndBill", value, m_selection);
    m_shipAndBill = value;
}

void CAddressChoice::SetSingleAddress(CAddress* value) {
    Throw_IfElementNameDiffers(value, "singleAddress");
    Choice_SelectElement("singleAddress", value, m_selection);
    m_singleAddress = value;
}

void CAddressChoice::ResetProperties() {
    m_shipAndBill = nullptr;
    m_singleAddress = nullptr;
    m_selection.clear();
}

void CAddressChoice::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropShipAndBill:
            read ? value.SetXmlObject(m_shipAndBill)
                 : SetShipAndBill(PropertyObject<CShipAndBill>(value, "shipAndBill"));
            break;
        case PropSingleAddress:
            read ? value.SetXmlObject(m_singleAddress)
                 : SetSingleAddress(PropertyObject<CAddress>(value, "singleAddress"));
            break;
        default:
            ThrowUnknownProperty("AddressChoice", index);
    }
}

// ---- ItemOptions and Description

CItemOptions::CItemOptions(const char* elementName)
    : m_giftWrap(false), m_validColour(false), m_validEngraving(false) {
    SetElementName(elementName);
}

void CItemOptions::SetColour(const std::string& value) {
    m_colour = value;
    m_validColour = true;
}

void CItemOptions::SetEngraving(const std::string& value) {
    m_engraving = value;
    m_validEngraving = true;
}

void CItemOptions::ResetProperties() {
    m_giftWrap = false;
    m_colour.clear();
    m_validColour = false;
    m_engraving.clear();
    m_validEngraving = false;
}

void CItemOptions::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropGiftWrap:
            read ? value.SetBoolean(m_giftWrap) : void(m_giftWrap = value.GetBoolean());
            break;
        case PropColour:
            AccessOptional(read, value, m_colour, m_validColour, &QbVariant::SetString,
                           &QbVariant::GetString);
            break;
        case PropEngraving:
            AccessOptional(read, value, m_engraving, m_validEngraving, &QbVariant::SetString,
                           &QbVariant::GetString);
            break;
        default:
            ThrowUnknownProperty("ItemOptions", index);
    }
}

CDescription::CDescription(const char* elementName) {
    SetElementName(elementName);
    ResetProperties();
}

void CDescription::ResetProperties() {
    m_any = new CElementCol(kXhtmlNamespace, kXhtmlNamespace, kTargetNamespace, 1, -1);
    m_anyAttribute = new CAttributeCol(kXhtmlNamespace, kXhtmlNamespace, kTargetNamespace);
}

void CDescription::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropAny:
            read ? value.SetXmlCollection(m_any)
                 : void(m_any = PropertyCollection<CElementCol>(value, "AnyElement"));
            break;
        case PropAnyAttribute:
            read ? value.SetXmlCollection(m_anyAttribute)
                 : void(m_anyAttribute = PropertyCollection<CAttributeCol>(value, "AnyAttribute"));
            break;
        default:
            ThrowUnknownProperty("Description", index);
    }
}

// ---- item, Items, PurchaseOrderType

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

void CItem::SetOptions(CItemOptions* value) {
    Throw_IfElementNameDiffers(value, "options");
    m_options = value;
}

void CItem::SetDescription(CDescription* value) {
    Throw_IfElementNameDiffers(value, "description");
    m_description = value;
}

void CItem::ResetProperties() {
    m_productName.clear();
    m_quantity = CBigInteger();
    m_usPrice = CDecimal();
    m_comment.clear();
    m_validComment = false;
    m_shipDate = CDateTime();
    m_validShipDate = false;
    m_deliveryDate =
        new CdateCol("deliveryDate", "", 0, -1, "", -1, -1, "", "", "", "", -1, kCollapse, nullptr);
    m_options = nullptr;
    m_description = nullptr;
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
        case PropDeliveryDate:
            read ? value.SetXmlCollection(m_deliveryDate)
                 : void(m_deliveryDate = PropertyCollection<CdateCol>(value, "deliveryDate"));
            break;
        case PropOptions:
            read ? value.SetXmlObject(m_options)
                 : void(m_options = PropertyObject<CItemOptions>(value, "options"));
            break;
        case PropDescription:
            read ? value.SetXmlObject(m_description)
                 : void(m_description = PropertyObject<CDescription>(value, "description"));
            break;
        case PropPartNum:
            AccessString(read, value, m_partNum);
            break;
        default:
            ThrowUnknownProperty("item", index);
    }
}

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

CPurchaseOrderType::CPurchaseOrderType(const char* elementName)
    : m_validComment(false), m_validOrderDate(false) {
    SetElementName(elementName);
    ResetProperties();
}

void CPurchaseOrderType::SetComment(const std::string& value) {
    m_comment = value;
    m_validComment = true;
}

void CPurchaseOrderType::SetItems(CItems* value) {
    Throw_IfPropertyIsNull(value, "items");
    Throw_IfElementNameDiffers(value, "items");
    m_items = value;
}

void CPurchaseOrderType::SetOrderDate(const CDateTime& value) {
    m_orderDate = value;
    m_validOrderDate = true;
}

void CPurchaseOrderType::ResetProperties() {
    // Mandatory members always hold an object: reading fills them in place.
    m_addressChoice = new CAddressChoice();
    m_comment.clear();
    m_validComment = false;
    m_items = new CItems("items");
    m_orderDate = CDateTime();
    m_validOrderDate = false;
}

void CPurchaseOrderType::AccessProperty(int index, bool read, QbVariant& value) {
    switch (index) {
        case PropAddressChoice:
            read ? value.SetXmlObject(m_addressChoice)
                 : void(m_addressChoice = PropertyObject<CAddressChoice>(value, "AddressChoice"));
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

}  // namespace Ipo
