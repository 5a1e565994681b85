// What the purchase-order model classes share: the metadata tables of a
// generated class, the typed collection of a repeated class member, and the
// checks of AccessProperty.
#ifndef QBPO_MODELSUPPORT_H
#define QBPO_MODELSUPPORT_H

#include <cstddef>
#include <initializer_list>
#include <string>

#include "QbXmlLib5.h"

namespace QbPoModel {

// The three metadata tables of one generated class, built on first use and
// released (CleanMetaData) when the program ends.
class CClassMetaData {
public:
    CClassMetaData(QbXmlLib5Data::CParentElementInfo* parent,
                   std::initializer_list<QbXmlLib5Data::CElementInfo*> elements,
                   std::initializer_list<QbXmlLib5Data::CAttributeInfo*> attributes)
        : m_parent(parent),
          m_elements(NullTerminated(elements)),
          m_attributes(NullTerminated(attributes)) {}
    ~CClassMetaData() {
        QbXmlLib5::CXmlGeneratedClass::CleanMetaData(m_parent, m_elements, m_attributes);
    }
    CClassMetaData(const CClassMetaData&) = delete;
    CClassMetaData& operator=(const CClassMetaData&) = delete;

    QbXmlLib5Data::CParentElementInfo* Parent() const { return m_parent; }
    QbXmlLib5Data::CElementInfo** Elements() const { return m_elements; }
    QbXmlLib5Data::CAttributeInfo** Attributes() const { return m_attributes; }

private:
    // The library walks each table up to a null entry.
    template <class T>
    static T** NullTerminated(std::initializer_list<T*> items) {
        T** table = new T*[items.size() + 1];
        std::size_t i = 0;
        for (T* item : items) table[i++] = item;
        table[i] = nullptr;
        return table;
    }

    QbXmlLib5Data::CParentElementInfo* m_parent;
    QbXmlLib5Data::CElementInfo** m_elements;
    QbXmlLib5Data::CAttributeInfo** m_attributes;
};

// The object a variant carries, as the property's class. The library hands
// back only objects that the property's own records created, so another
// class is a programming error.
template <class T>
CSmartPtr<T> PropertyObject(const QbXmlLib5::QbVariant& value, const char* property) {
    CSmartPtr<QbXmlLib5::CXmlObjectBase> object = value.GetXmlObject();
    T* typed = dynamic_cast<T*>(object.GetPtr());
    if (object && !typed) {
        throw QbXmlLib5::CQbInvalidParamException(std::string("The Property [") + property +
                                                  "] was given an object of another class");
    }
    return CSmartPtr<T>(typed);
}

template <class T>
CSmartPtr<T> PropertyCollection(const QbXmlLib5::QbVariant& value, const char* property) {
    CSmartPtr<QbXmlLib5::CXmlCollectionBase> collection = value.GetXmlCollection();
    T* typed = dynamic_cast<T*>(collection.GetPtr());
    if (!typed) {
        throw QbXmlLib5::CQbInvalidParamException(std::string("The Property [") + property +
                                                  "] needs its own collection");
    }
    return CSmartPtr<T>(typed);
}

// The typed collection of a repeated member of class TItem (constructible
// from its element name): typed Add and Item around the list, and each item
// read from and written as one element.
template <class TItem>
class TObjectCol : public QbXmlLib5::CXmlCollection {
public:
    TObjectCol(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs)
        : CXmlCollection(elementName, namespaceUri, minOccurs, maxOccurs) {}

    // Appends a new item named after the collection and returns it.
    CSmartPtr<TItem> Add() {
        CSmartPtr<TItem> item = new TItem(GetElementName().c_str());
        AppendItem(item);
        return item;
    }
    // Appends an item, which must carry the collection's element name.
    void Add(TItem* item) {
        const std::string name = GetElementName();
        Throw_IfPropertyIsNull(item, name.c_str());
        Throw_IfElementNameDiffers(item, name.c_str());
        AppendItem(item);
    }
    CSmartPtr<TItem> Item(int index) const {
        return static_cast<TItem*>(GetNodeAtIndex(index)->item);
    }

protected:
    void ToXml_Int(QbXmlLib5::CXmlWriter* writer, bool /*isRoot*/, const char* namespaceUri,
                   const QbXmlLib5::CXmlSerializationContext& ctx,
                   bool /*choiceFlag*/) const override {
        for (QbXmlLib5::CNode* node = GetFirstNode(); node != nullptr; node = node->next) {
            CXmlObjectBase::ToXml_Int(node->item, writer, false, namespaceUri, ctx, false);
        }
    }
    // Reads the run of matching siblings from current on; returns the first
    // element that is not an item.
    const QbXmlLib5::CXmlElement* FromXml_Int(const QbXmlLib5::CXmlElement* /*parent*/,
                                              const QbXmlLib5::CXmlElement* current,
                                              const QbXmlLib5::CXmlSerializationContext& ctx,
                                              bool /*flag*/) override {
        const std::string name = GetElementName();
        const std::string uri = GetNamespace();
        while (current != nullptr &&
               DoesElementNameMatch(ctx, current, name.c_str(), uri.c_str())) {
            CSmartPtr<TItem> item = new TItem(name.c_str());
            CXmlObjectBase::FromXml_Int(item, current, current->GetFirstElement(), ctx);
            AppendItem(item);
            current = current->GetNextSiblingElement();
        }
        return current;
    }
};

// Optional simple properties: an empty variant means absent.
template <class T, class Set, class Get>
void AccessOptional(bool read, QbXmlLib5::QbVariant& value, T& field, bool& valid, Set set,
                    Get get) {
    if (read) {
        if (valid) {
            (value.*set)(field);
        } else {
            value.Clear();
        }
    } else {
        valid = value.IsValid();
        field = valid ? (value.*get)() : T();
    }
}

inline void AccessString(bool read, QbXmlLib5::QbVariant& value, std::string& field) {
    read ? value.SetString(field) : void(field = value.GetString());
}

// Unknown property index: the records and the class disagree.
[[noreturn]] inline void ThrowUnknownProperty(const char* className, int index) {
    throw QbXmlLib5::CQbInvalidParamException(std::string(className) + " has no property " +
                                              std::to_string(index));
}

}  // namespace QbPoModel

#endif  // QBPO_MODELSUPPORT_H
