// Model classes for po.xsd (the purchase order of the XML Schema Primer, no
// target namespace), written exactly as the schema compiler generates them:
// each class describes itself with metadata records and exposes its
// properties through AccessProperty; the library does all reading and
// writing.
//
//   CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
//   po->FromXmlFile("po.xml");
//   po->GetItems()->GetItem()->Item(0)->SetQuantity(2);
//   std::string text = po->ToXml(true, true, QbXmlLib5::EOL_LF);
#ifndef QBPO_PO_H
#define QBPO_PO_H

#include <string>

#include "ModelSupport.h"
#include "QbXmlLib5.h"

namespace Po {

// Class selectors handed back to CreateObject by the metadata records.
enum ClassSelector : int { ClsPurchaseOrderType = 0, ClsUSAddress = 1, ClsItems = 2, ClsItem = 3 };

// The factory of the object members (element records of the Cls kinds).
CSmartPtr<QbXmlLib5::CXmlObjectBase> CreateObject(int selector, const char* elementName);

// complexType USAddress. The fixed attribute country is optional and may
// only hold "US".
class CUSAddress : public QbXmlLib5::CXmlGeneratedClass {
public:
    explicit CUSAddress(const char* elementName = "USAddress");

    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

    std::string GetName() const { return m_name; }
    void SetName(const std::string& value) { m_name = value; }
    std::string GetStreet() const { return m_street; }
    void SetStreet(const std::string& value) { m_street = value; }
    std::string GetCity() const { return m_city; }
    void SetCity(const std::string& value) { m_city = value; }
    std::string GetState() const { return m_state; }
    void SetState(const std::string& value) { m_state = value; }
    QbXmlLib5::CDecimal GetZip() const { return m_zip; }
    void SetZip(const QbXmlLib5::CDecimal& value) { m_zip = value; }
    bool IsValidCountry() const { return m_validCountry; }
    std::string GetCountry() const { return m_country; }
    void SetCountry(const std::string& value);
    void SetValidCountry(bool valid) { m_validCountry = valid; }

    enum Property { PropName, PropStreet, PropCity, PropState, PropZip, PropCountry };

protected:
    std::string GetTargetNamespace() override { return ""; }
    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override;
    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;
    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;
    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;
    void ResetProperties() override;

private:
    std::string m_name;
    std::string m_street;
    std::string m_city;
    std::string m_state;
    QbXmlLib5::CDecimal m_zip;
    std::string m_country;
    bool m_validCountry;
};

// The anonymous type of Items/item.
class CItem : public QbXmlLib5::CXmlGeneratedClass {
public:
    explicit CItem(const char* elementName = "item");

    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

    std::string GetProductName() const { return m_productName; }
    void SetProductName(const std::string& value) { m_productName = value; }
    // positiveInteger below 100.
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
    // The repeated tag element.
    CSmartPtr<QbXmlLib5::CstringCol> GetTag() const { return m_tag; }
    // SKU: \d{3}-[A-Z]{2}.
    std::string GetPartNum() const { return m_partNum; }
    void SetPartNum(const std::string& value) { m_partNum = value; }

    enum Property {
        PropProductName,
        PropQuantity,
        PropUSPrice,
        PropComment,
        PropShipDate,
        PropTag,
        PropPartNum
    };

protected:
    std::string GetTargetNamespace() override { return ""; }
    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override;
    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;
    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;
    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;
    void ResetProperties() override;

private:
    std::string m_productName;
    QbXmlLib5::CBigInteger m_quantity;
    QbXmlLib5::CDecimal m_usPrice;
    std::string m_comment;
    bool m_validComment;
    QbXmlLib5::CDateTime m_shipDate;
    bool m_validShipDate;
    CSmartPtr<QbXmlLib5::CstringCol> m_tag;
    std::string m_partNum;
};

typedef QbPoModel::TObjectCol<CItem> CItemCol;

// complexType Items.
class CItems : public QbXmlLib5::CXmlGeneratedClass {
public:
    explicit CItems(const char* elementName = "Items");

    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

    CSmartPtr<CItemCol> GetItem() const { return m_item; }

    enum Property { PropItem };

protected:
    std::string GetTargetNamespace() override { return ""; }
    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override;
    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;
    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;
    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;
    void ResetProperties() override;

private:
    CSmartPtr<CItemCol> m_item;
};

// complexType PurchaseOrderType, the type of the document element
// purchaseOrder.
class CPurchaseOrderType : public QbXmlLib5::CXmlGeneratedClass {
public:
    explicit CPurchaseOrderType(const char* elementName = "purchaseOrder");

    QbXmlLib5::CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

    CSmartPtr<CUSAddress> GetShipTo() const { return m_shipTo; }
    // The address must be named shipTo; null is refused.
    void SetShipTo(CUSAddress* value);
    CSmartPtr<CUSAddress> GetBillTo() const { return m_billTo; }
    void SetBillTo(CUSAddress* value);
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

    enum Property { PropShipTo, PropBillTo, PropComment, PropItems, PropOrderDate };

protected:
    std::string GetTargetNamespace() override { return ""; }
    void AccessProperty(int index, bool read, QbXmlLib5::QbVariant& value) override;
    QbXmlLib5Data::CParentElementInfo* GetClassInfo() const override;
    QbXmlLib5Data::CElementInfo** GetClassElementInfo() const override;
    QbXmlLib5Data::CAttributeInfo** GetClassAttributeInfo() const override;
    void ResetProperties() override;

private:
    CSmartPtr<CUSAddress> m_shipTo;
    CSmartPtr<CUSAddress> m_billTo;
    std::string m_comment;
    bool m_validComment;
    CSmartPtr<CItems> m_items;
    QbXmlLib5::CDateTime m_orderDate;
    bool m_validOrderDate;
};

}  // namespace Po

#endif  // QBPO_PO_H
