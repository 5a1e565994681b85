// CClassMetaData: the three metadata tables of one generated class (class
// record, element records, attribute records), built on first use and
// released with CXmlGeneratedClass::CleanMetaData when the program ends.
//
// Generated code keeps one function-local static per class:
//
//   const CClassMetaData& ItemMeta() {
//       static const CClassMetaData meta(new CParentElementInfo(...),
//                                        {new CElementInfoSeqPrimMnd(...), ...},
//                                        {new CAttributeInfoPrimitive(...)});
//       return meta;
//   }
#ifndef QBXMLLIB5_BINDING_CCLASSMETADATA_H
#define QBXMLLIB5_BINDING_CCLASSMETADATA_H

#include <cstddef>
#include <initializer_list>

#include "binding/CAttributeInfo.h"
#include "binding/CElementInfo.h"
#include "binding/CParentElementInfo.h"
#include "binding/CXmlGeneratedClass.h"

namespace QbXmlLib5 {

class CClassMetaData {
public:
    // Takes ownership of every record.
    CClassMetaData(QbXmlLib5Data::CParentElementInfo* parent,
                   std::initializer_list<QbXmlLib5Data::CElementInfo*> elements,
                   std::initializer_list<QbXmlLib5Data::CAttributeInfo*> attributes)
        : m_parent(parent),
          m_elements(NullTerminated(elements)),
          m_attributes(NullTerminated(attributes)) {}
    ~CClassMetaData() { CXmlGeneratedClass::CleanMetaData(m_parent, m_elements, m_attributes); }
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

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CCLASSMETADATA_H
