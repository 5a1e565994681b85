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

private:
    // Writing a property consumes the variant (the records pass their own
    // temporary), so the heap kinds move into the member instead of being
    // copied.
    template <class T>
    struct Movable : std::false_type {};
    template <class T, class Get>
    static void Store(QbVariant& value, T& field, Get get) {
        if constexpr (Movable<T>::value) {
            if constexpr (std::is_same<Get, std::decay_t<decltype(Movable<T>::get)>>::value) {
                if (get == Movable<T>::get) {
                    field = (value.*Movable<T>::take)();
                    return;
                }
            }
        }
        field = (value.*get)();
    }

public:
    // An index no record of the class uses.
    [[noreturn]] static void ThrowUnknownProperty(const char* className, int index) {
        throw CQbInvalidParamException(std::string(className) + " has no property " +
                                       std::to_string(index));
    }
};

// The kinds a variant holds on the heap, with the getter a generated class
// names and the matching Take*.
template <>
struct CPropertyAccess::Movable<std::string> : std::true_type {
    static constexpr auto get = &QbVariant::GetString;
    static constexpr auto take = &QbVariant::TakeString;
};
template <>
struct CPropertyAccess::Movable<CDecimal> : std::true_type {
    static constexpr auto get = &QbVariant::GetDecimal;
    static constexpr auto take = &QbVariant::TakeDecimal;
};
template <>
struct CPropertyAccess::Movable<CBigInteger> : std::true_type {
    static constexpr auto get = &QbVariant::GetInteger;
    static constexpr auto take = &QbVariant::TakeInteger;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CPROPERTYACCESS_H
