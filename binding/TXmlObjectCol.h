// TXmlObjectCol and TXmlGroupCol: the typed collections of a repeated member
// of a generated class.
//
// TXmlObjectCol<TItem> holds the objects of a repeated element: each item is
// one element named after the collection. When the element's type has
// derived types, the collection is given the factory that picks the class
// of each element (normally from its xsi:type).
//
// TXmlGroupCol<TItem> holds the objects of a repeated model group (a
// sequence or choice with maxOccurs > 1, or a repeated substitution group):
// the items have no element of their own, each reads as many siblings as it
// matches, and reading stops at the first item that matches nothing.
#ifndef QBXMLLIB5_BINDING_TXMLOBJECTCOL_H
#define QBXMLLIB5_BINDING_TXMLOBJECTCOL_H

#include <string>
#include <type_traits>

#include "binding/CReadAhead.h"
#include "binding/CXmlCollection.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

// Tag of the constructor generated classes offer to the reader: it leaves
// the members alone, since reading starts with ResetProperties, which sets
// them all up. Objects built this way are for FromXml_Int only.
struct CForReading {};

namespace Detail {

// A new item about to be read: through the reading constructor where the
// class has one.
template <class T>
auto NewForReading(const char* name, int) -> decltype(new T(name, CForReading())) {
    return new T(name, CForReading());
}
template <class T>
T* NewForReading(const char* name, long) {
    return new T(name);
}
template <class T>
auto NewGroupForReading(int) -> decltype(new T(CForReading())) {
    return new T(CForReading());
}
template <class T>
T* NewGroupForReading(long) {
    return new T();
}

}  // namespace Detail

// What both share: typed access by index, and writing each item in turn.
template <class TItem>
class TXmlTypedCol : public CXmlCollection {
public:
    CXmlObjectBase* GetBase() override { return this; }

    // The item at index (0 .. count - 1); CQbInvalidParamException otherwise.
    CSmartPtr<TItem> Item(int index) const {
        return static_cast<TItem*>(GetNodeAtIndex(index)->item);
    }

protected:
    TXmlTypedCol(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs)
        : CXmlCollection(elementName, namespaceUri, minOccurs, maxOccurs) {}

    void ToXml_Int(CXmlWriter* writer, bool /*isRoot*/, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool /*choiceFlag*/) const override {
        for (CNode* node = GetFirstNode(); node != nullptr; node = node->next) {
            if constexpr (std::is_base_of_v<CXmlGeneratedClass, TItem>) {
                // Every item is a TItem: no type test per item.
                CXmlGeneratedClass::CheckNilWritable(static_cast<const TItem*>(node->item),
                                                     m_nillable);
            } else {
                CXmlGeneratedClass::CheckNilWritable(node->item, m_nillable);
            }
            CXmlObjectBase::ToXml_Int(node->item, writer, false, namespaceUri, ctx, false);
        }
    }

    // Items of a nillable element may be nil (xsi:nil).
    bool m_nillable = false;
};

template <class TItem>
class TXmlObjectCol : public TXmlTypedCol<TItem> {
    using Base = TXmlTypedCol<TItem>;

public:
    // Picks and creates the object for one element; null when none fits.
    using Factory = CSmartPtr<CXmlObjectBase> (*)(const CXmlElement* element);

    TXmlObjectCol(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs,
                  Factory factory = nullptr)
        : Base(elementName, namespaceUri, minOccurs, maxOccurs), m_factory(factory) {}

    // The element is declared nillable: items may be nil (xsi:nil).
    void SetNillable(bool nillable) { this->m_nillable = nillable; }

    // Appends a new item named after the collection and returns it.
    CSmartPtr<TItem> Add() {
        CSmartPtr<TItem> item = new TItem(this->GetElementName().c_str());
        this->AppendItem(item);
        return item;
    }
    // Appends an item (of TItem or a class derived from it), which must
    // carry the collection's element name.
    void Add(TItem* item) {
        const std::string name = this->GetElementName();
        this->Throw_IfPropertyIsNull(item, name.c_str());
        this->Throw_IfElementNameDiffers(item, name.c_str());
        this->AppendItem(item);
    }

protected:
    // Reads the run of matching siblings from current on; returns the first
    // element that is not an item.
    const CXmlElement* FromXml_Int(const CXmlElement* /*parent*/, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool /*flag*/) override {
        const std::string name = this->GetElementName();
        const std::string uri = this->GetNamespace();
        while (current != nullptr &&
               this->DoesElementNameMatch(ctx, current, name.c_str(), uri.c_str())) {
            // Items read while the document loaded have left an empty
            // element standing for them: they are taken (or their failure
            // thrown) here, in their turn.
            if (const auto* ahead = CReadAhead::Take(current)) {
                for (const CSmartPtr<CXmlObjectBase>& item : *ahead) this->AppendItem(item);
            } else {
                this->AppendItem(ReadItem(name, current, ctx));
            }
            current = current->GetNextSiblingElement();
        }
        return current;
    }

    CSmartPtr<CXmlObjectBase> ReadItemAhead(const CXmlElement* element,
                                            const CXmlSerializationContext& ctx) override {
        return ReadItem(this->GetElementName(), element, ctx);
    }

private:
    CSmartPtr<CXmlObjectBase> ReadItem(const std::string& name, const CXmlElement* element,
                                       const CXmlSerializationContext& ctx) const {
        CXmlGeneratedClass::CheckNilAllowed(element, this->m_nillable);
        CSmartPtr<CXmlObjectBase> item = Create(name, element);
        CXmlObjectBase::FromXml_Int(item, element, element->GetFirstElement(), ctx);
        return item;
    }

    CSmartPtr<CXmlObjectBase> Create(const std::string& name, const CXmlElement* element) const {
        if (!m_factory) return Detail::NewForReading<TItem>(name.c_str(), 0);
        CSmartPtr<CXmlObjectBase> item = m_factory(element);
        if (!item || !dynamic_cast<TItem*>(item.GetPtr())) {
            throw CQbValidationException(FormatString(
                "Failed to find a suitable substitution element for [%s]", name.c_str()));
        }
        return item;
    }

    Factory m_factory;
};

template <class TItem>
class TXmlGroupCol : public TXmlTypedCol<TItem> {
public:
    TXmlGroupCol(const char* groupName, const char* namespaceUri, int minOccurs, int maxOccurs)
        : TXmlTypedCol<TItem>(groupName, namespaceUri, minOccurs, maxOccurs) {}

    // Appends a new, empty group and returns it.
    CSmartPtr<TItem> Add() {
        CSmartPtr<TItem> item = new TItem();
        this->AppendItem(item);
        return item;
    }
    void Add(TItem* item) {
        this->Throw_IfPropertyIsNull(item, this->GetElementName().c_str());
        this->AppendItem(item);
    }

protected:
    // Each item reads what it matches from the enclosing element's cursor;
    // an item that matches nothing ends the run (and is dropped).
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool /*flag*/) override {
        while (current != nullptr) {
            CSmartPtr<TItem> item = Detail::NewGroupForReading<TItem>(0);
            const CXmlElement* next = CXmlObjectBase::FromXml_Int(item, parent, current, ctx);
            if (next == current) break;
            this->AppendItem(item);
            current = next;
        }
        return current;
    }
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_TXMLOBJECTCOL_H
