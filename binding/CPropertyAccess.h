// CPropertyAccess: the helpers a generated AccessProperty is made of. They
// move one property between a class member and the QbVariant the metadata
// records exchange with the class.
#ifndef QBXMLLIB5_BINDING_CPROPERTYACCESS_H
#define QBXMLLIB5_BINDING_CPROPERTYACCESS_H

#include <string>
#include <type_traits>

#include "binding/CXmlCollectionBase.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {

class CPropertyAccess {
public:
    // The object a variant carries, as the property's class. The library
    // hands back only objects that the property's own records created, so
    // another class means the records and the class disagree.
    template <class T>
    static CSmartPtr<T> Object(const QbVariant& value, const char* property) {
        CSmartPtr<CXmlObjectBase> object = value.GetXmlObject();
        T* typed = dynamic_cast<T*>(object.GetPtr());
        if (object && !typed) {
            throw CQbInvalidParamException(std::string("The Property [") + property +
                                           "] was given an object of another class");
        }
        return CSmartPtr<T>(typed);
    }

    // The collection a variant carries; a property that holds a collection
    // always reads into its own, so null or another class is refused.
    template <class T>
    static CSmartPtr<T> Collection(const QbVariant& value, const char* property) {
        CSmartPtr<CXmlCollectionBase> collection = value.GetXmlCollection();
        T* typed = dynamic_cast<T*>(collection.GetPtr());
        if (!typed) {
            throw CQbInvalidParamException(std::string("The Property [") + property +
                                           "] needs its own collection");
        }
        return CSmartPtr<T>(typed);
    }

    // A mandatory simple value.
    template <class T, class Set, class Get>
    static void Value(bool read, QbVariant& value, T& field, Set set, Get get) {
        if (read) {
            (value.*set)(field);
        } else {
            Store(value, field, get);
        }
    }

    // An optional simple value: an empty variant means absent.
    template <class T, class Set, class Get>
    static void Optional(bool read, QbVariant& value, T& field, bool& valid, Set set, Get get) {
        if (read) {
            if (valid) {
                (value.*set)(field);
            } else {
                value.Clear();
            }
        } else {
            valid = value.IsValid();
            if (valid) Store(value, field, get);
        }
    }

    // An index no record of the class uses.
private:
    // Writing a property consumes the variant (the records pass their own
    // temporary), so the heap kinds move into the member instead of being
    // copied.
    template <class T, class Get>
    static void Store(QbVariant& value, T& field, Get get) {
        field = (value.*get)();
    }
    template <class Get>
    static void Store(QbVariant& value, std::string& field, Get get) {
        if constexpr (std::is_same<Get, decltype(&QbVariant::GetString)>::value) {
            field = get == &QbVariant::GetString ? value.TakeString() : (value.*get)();
        } else {
            field = (value.*get)();
        }
    }
    template <class Get>
    static void Store(QbVariant& value, CDecimal& field, Get get) {
        if constexpr (std::is_same<Get, decltype(&QbVariant::GetDecimal)>::value) {
            field = get == &QbVariant::GetDecimal ? value.TakeDecimal() : (value.*get)();
        } else {
            field = (value.*get)();
        }
    }
    template <class Get>
    static void Store(QbVariant& value, CBigInteger& field, Get get) {
        if constexpr (std::is_same<Get, decltype(&QbVariant::GetInteger)>::value) {
            field = get == &QbVariant::GetInteger ? value.TakeInteger() : (value.*get)();
        } else {
            field = (value.*get)();
        }
    }

public:
    [[noreturn]] static void ThrowUnknownProperty(const char* className, int index) {
        throw CQbInvalidParamException(std::string(className) + " has no property " +
                                       std::to_string(index));
    }
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CPROPERTYACCESS_H
