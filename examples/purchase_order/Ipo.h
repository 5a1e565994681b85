// Model classes for ipo.xsd and address.xsd (the Primer's international
// purchase order, namespace http://www.example.com/IPO), written exactly as
// the schema compiler generates them.
//
// What the schema adds to po.xsd shows in the classes:
// - Address has derived types (USAddress, UKAddress): members of type Address
//   are abstract-class records whose factory (CIpoClassFactory) picks the
//   class from xsi:type, and derived objects write their xsi:type back;
// - the choice between the shipAndBill group and singleAddress is a model
//   group class (CAddressChoice, no element of its own) holding another
//   (CShipAndBill);
// - ItemOptions is an all-group; Description holds XHTML wildcard content;
// - deliveryDate is a repeated date (CdateCol); state is an enumeration.
#ifndef QBPO_IPO_H
#define QBPO_IPO_H

#include <string>

#include "ModelSupport.h"
#include "QbXmlLib5.h"

namespace Ipo {

extern const char* const kTargetNamespace;  // http://www.example.com/IPO
extern const char* const kXhtmlNamespace;   // http://www.w3.org/1999/xhtml

enum ClassSelector : int {
    ClsPurchaseOrderType = 0,
    ClsAddressChoice = 1,
    ClsShipAndBill = 2,
    ClsAddress = 3,
    ClsUSAddress = 4,
    ClsUKAddress = 5,
    ClsItems = 6,
    ClsItem = 7,
    ClsItemOptions = 8,
    ClsDescription = 9
};

// simpleType USState.
enum USState : int {
    USState_AK,
    USState_AL,
    USState_AR,
    USState_AZ,
    USState_CA,
    USState_CO,
    USState_CT,
    USState_DC,
    USState_DE,
    USState_FL,
    USState_GA,
    USState_HI,
    USState_IA,
    USState_ID,
    USState_IL,
    USState_IN,
    USState_KS,
    USState_KY,
    USState_LA,
    USState_MA,
    USState_MD,
    USState_ME,
    USState_MI,
    USState_MN,
    USState_MO,
    USState_MS,
    USState_MT,
    USState_NC,
    USState_ND,
    USState_NE,
    USState_NH,
    USState_NJ,
    USState_NM,
    USState_NV,
    USState_NY,
    USState_OH,
    USState_OK,
    USState_OR,
    USState_PA,
    USState_RI,
    USState_SC,
    USState_SD,
    USState_TN,
    USState_TX,
    USState_UT,
    USState_VA,
    USState_VT,
    USState_WA,
    USState_WI,
    USState_WV,
    USState_WY
};
const char* USStateToString(int value);
// Throws CQbInvalidValueException for a text that is not a state.
int USStateFromString(const char* text);

// Factories: the object members' (by class selector) and the address
// members' (by xsi:type).
CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateObject(int selector, const char* elementName);

class CIpoClassFactory : public QbXmlLib5::CClassfactoryBase {
public:
    // Address, USAddress or UKAddress as xsi:type names it (none: Address);
    // null for any other type.
    static CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateAddress(
        const QbXmlLib5::CXmlElement* element);
};

// Members every generated class of this schema shares.
#define QBPO_IPO_GENERATED_MEMBERS()                                                 \
public:                                                                              \
    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }                   \
    std::string GetNamespace() override { return kTargetNamespace; }                 \
                                                                                     \
protected:                                                                           \
    std::string GetTargetNamespace() override { return kTargetNamespace; }           \
    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override; \
    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;                \
    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;              \
    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;          \
    void ResetProperties() override;

// complexType Address.
class CAddress : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CAddress(const char* elementName = "Address");

    std::string GetName() const { return m_name; }
    void SetName(const std::string& value) { m_name = value; }
    std::string GetStreet() const { return m_street; }
    void SetStreet(const std::string& value) { m_street = value; }
    std::string GetCity() const { return m_city; }
    void SetCity(const std::string& value) { m_city = value; }

    enum Property { PropName, PropStreet, PropCity, PropAddressEnd };

private:
    std::string m_name;
    std::string m_street;
    std::string m_city;
};

// complexType USAddress, an extension of Address.
class CUSAddress : public CAddress {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CUSAddress(const char* elementName = "USAddress");

    USState GetState() const { return m_state; }
    void SetState(USState value) { m_state = value; }
    // positiveInteger.
    QbXmlLib5::CBigInteger GetZip() const { return m_zip; }
    void SetZip(const QbXmlLib5::CBigInteger& value) { m_zip = value; }

    enum Property { PropState = PropAddressEnd, PropZip };

private:
    USState m_state;
    QbXmlLib5::CBigInteger m_zip;
};

// complexType UKAddress, an extension of Address.
class CUKAddress : public CAddress {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CUKAddress(const char* elementName = "UKAddress");

    // UKPostcode: seven characters, [A-Z]{2}\d\s\d[A-Z]{2}.
    std::string GetPostcode() const { return m_postcode; }
    void SetPostcode(const std::string& value) { m_postcode = value; }
    // Fixed to 1 when present.
    bool IsValidExportCode() const { return m_validExportCode; }
    QbXmlLib5::CBigInteger GetExportCode() const { return m_exportCode; }
    void SetExportCode(const QbXmlLib5::CBigInteger& value);
    void SetValidExportCode(bool valid) { m_validExportCode = valid; }

    enum Property { PropPostcode = PropAddressEnd, PropExportCode };

private:
    std::string m_postcode;
    QbXmlLib5::CBigInteger m_exportCode;
    bool m_validExportCode;
};

// group shipAndBill: a sequence without an element of its own.
class CShipAndBill : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    CShipAndBill();

    CSmartPtr<CAddress> GetShipTo() const { return m_shipTo; }
    // Any address class, named shipTo; null is refused.
    void SetShipTo(CAddress* value);
    CSmartPtr<CAddress> GetBillTo() const { return m_billTo; }
    void SetBillTo(CAddress* value);

    enum Property { PropShipTo, PropBillTo };

private:
    CSmartPtr<CAddress> m_shipTo;
    CSmartPtr<CAddress> m_billTo;
};

// The choice in PurchaseOrderType: shipAndBill or singleAddress. At most one
// member may be set at a time.
class CAddressChoice : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    CAddressChoice();

    CSmartPtr<CShipAndBill> GetShipAndBill() const { return m_shipAndBill; }
    // Null unsets the member; setting one while the other is set throws.
    void SetShipAndBill(CShipAndBill* value);
    CSmartPtr<CAddress> GetSingleAddress() const { return m_singleAddress; }
    void SetSingleAddress(CAddress* value);
    // The element name of the member that is set ("" for none).
    std::string GetChoiceSelectedElement() const { return m_selection; }

    enum Property { PropShipAndBill, PropSingleAddress };

private:
    CSmartPtr<CShipAndBill> m_shipAndBill;
    CSmartPtr<CAddress> m_singleAddress;
    std::string m_selection;
};

// complexType ItemOptions: an all-group, members in any order.
class CItemOptions : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CItemOptions(const char* elementName = "ItemOptions");

    bool GetGiftWrap() const { return m_giftWrap; }
    void SetGiftWrap(bool value) { m_giftWrap = value; }
    bool IsValidColour() const { return m_validColour; }
    std::string GetColour() const { return m_colour; }
    void SetColour(const std::string& value);
    void SetValidColour(bool valid) { m_validColour = valid; }
    bool IsValidEngraving() const { return m_validEngraving; }
    std::string GetEngraving() const { return m_engraving; }
    void SetEngraving(const std::string& value);
    void SetValidEngraving(bool valid) { m_validEngraving = valid; }

    enum Property { PropGiftWrap, PropColour, PropEngraving };

private:
    bool m_giftWrap;
    std::string m_colour;
    bool m_validColour;
    std::string m_engraving;
    bool m_validEngraving;
};

// complexType Description: XHTML elements and attributes, kept untyped.
class CDescription : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CDescription(const char* elementName = "Description");

    CSmartPtr<QbXmlLib5::CElementCol> GetAny() const { return m_any; }
    CSmartPtr<QbXmlLib5::CAttributeCol> GetAnyAttribute() const { return m_anyAttribute; }

    enum Property { PropAny, PropAnyAttribute };

private:
    CSmartPtr<QbXmlLib5::CElementCol> m_any;
    CSmartPtr<QbXmlLib5::CAttributeCol> m_anyAttribute;
};

// The anonymous type of Items/item.
class CItem : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CItem(const char* elementName = "item");

    std::string GetProductName() const { return m_productName; }
    void SetProductName(const std::string& value) { m_productName = value; }
    QbXmlLib5::CBigInteger GetQuantity() const { return m_quantity; }
    void SetQuantity(const QbXmlLib5::CBigInteger& value) { m_quantity = value; }
    QbXmlLib5::CDecimal GetUSPrice() const { return m_usPrice; }
    void SetUSPrice(const QbXmlLib5::CDecimal& value) { m_usPrice = value; }
    bool IsValidComment() const { return m_validComment; }
    std::string GetComment() const { return m_comment; }
    void SetComment(const std::string& value);
    void SetValidComment(bool valid) { m_validComment = valid; }
    bool IsValidShipDate() const { return m_validShipDate; }
    QbXmlLib5::CDateTime GetShipDate() const { return m_shipDate; }
    void SetShipDate(const QbXmlLib5::CDateTime& value);
    void SetValidShipDate(bool valid) { m_validShipDate = valid; }
    CSmartPtr<QbXmlLib5::CdateCol> GetDeliveryDate() const { return m_deliveryDate; }
    // Optional members: null when absent.
    CSmartPtr<CItemOptions> GetOptions() const { return m_options; }
    void SetOptions(CItemOptions* value);
    CSmartPtr<CDescription> GetDescription() const { return m_description; }
    void SetDescription(CDescription* value);
    std::string GetPartNum() const { return m_partNum; }
    void SetPartNum(const std::string& value) { m_partNum = value; }

    enum Property {
        PropProductName,
        PropQuantity,
        PropUSPrice,
        PropComment,
        PropShipDate,
        PropDeliveryDate,
        PropOptions,
        PropDescription,
        PropPartNum
    };

private:
    std::string m_productName;
    QbXmlLib5::CBigInteger m_quantity;
    QbXmlLib5::CDecimal m_usPrice;
    std::string m_comment;
    bool m_validComment;
    QbXmlLib5::CDateTime m_shipDate;
    bool m_validShipDate;
    CSmartPtr<QbXmlLib5::CdateCol> m_deliveryDate;
    CSmartPtr<CItemOptions> m_options;
    CSmartPtr<CDescription> m_description;
    std::string m_partNum;
};

typedef QbPoModel::TObjectCol<CItem> CItemCol;

class CItems : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CItems(const char* elementName = "Items");

    CSmartPtr<CItemCol> GetItem() const { return m_item; }

    enum Property { PropItem };

private:
    CSmartPtr<CItemCol> m_item;
};

// complexType PurchaseOrderType, the type of the document element
// ipo:purchaseOrder.
class CPurchaseOrderType : public QbXmlLib5::CXmlGeneratedClass {
    QBPO_IPO_GENERATED_MEMBERS()

public:
    explicit CPurchaseOrderType(const char* elementName = "purchaseOrder");

    CSmartPtr<CAddressChoice> GetAddressChoice() const { return m_addressChoice; }
    bool IsValidComment() const { return m_validComment; }
    std::string GetComment() const { return m_comment; }
    void SetComment(const std::string& value);
    void SetValidComment(bool valid) { m_validComment = valid; }
    CSmartPtr<CItems> GetItems() const { return m_items; }
    void SetItems(CItems* value);
    bool IsValidOrderDate() const { return m_validOrderDate; }
    QbXmlLib5::CDateTime GetOrderDate() const { return m_orderDate; }
    void SetOrderDate(const QbXmlLib5::CDateTime& value);
    void SetValidOrderDate(bool valid) { m_validOrderDate = valid; }

    enum Property { PropAddressChoice, PropComment, PropItems, PropOrderDate };

private:
    CSmartPtr<CAddressChoice> m_addressChoice;
    std::string m_comment;
    bool m_validComment;
    CSmartPtr<CItems> m_items;
    QbXmlLib5::CDateTime m_orderDate;
    bool m_validOrderDate;
};

#undef QBPO_IPO_GENERATED_MEMBERS

}  // namespace Ipo

#endif  // QBPO_IPO_H
