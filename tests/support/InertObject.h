// Test support: a bindable object that writes and reads nothing, for tests
// that only need something reference-counted to hold. `Base` is
// CXmlObjectBase or one of its abstract descendants.
#ifndef QBXMLLIB5_TESTS_SUPPORT_INERTOBJECT_H
#define QBXMLLIB5_TESTS_SUPPORT_INERTOBJECT_H

#include "core/CXmlObjectBase.h"

namespace QbTest {

template <class Base>
class CInertObject : public Base {
public:
    using Base::Base;

protected:
    void ToXml_Int(QbXmlLib5::CXmlWriter*, bool, const char*,
                   const QbXmlLib5::CXmlSerializationContext&, bool) const override {}
    const QbXmlLib5::CXmlElement* FromXml_Int(const QbXmlLib5::CXmlElement*,
                                              const QbXmlLib5::CXmlElement* current,
                                              const QbXmlLib5::CXmlSerializationContext&,
                                              bool) override {
        return current;
    }
};

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_INERTOBJECT_H
