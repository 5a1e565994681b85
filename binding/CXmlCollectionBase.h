// CXmlCollectionBase: what every collection of bindable content shares (the
// typed collections of generated classes, the untyped element and attribute
// collections and the primitive value collections).
//
// It records what the schema says about the repetition: the items' element
// name (held in the element name of CXmlObjectBase) and namespace, minOccurs
// and maxOccurs (-1: unbounded), and the objects that want to hear about
// changes. Listeners are raw, uncounted pointers: a listener must remove
// itself before it dies. A copy has no listeners; assignment copies the
// description and keeps the target's listeners.
#ifndef QBXMLLIB5_BINDING_CXMLCOLLECTIONBASE_H
#define QBXMLLIB5_BINDING_CXMLCOLLECTIONBASE_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"

namespace QbXmlLib5 {

class CXmlCollectionBase : public CXmlObjectBase {
public:
    CXmlObjectBase* GetBase() override { return this; }
    // Namespace URI of the items' element.
    std::string GetNamespace() override { return m_namespaceUri; }

    int GetMinOccurs() const { return m_minOccurs; }
    int GetMaxOccurs() const { return m_maxOccurs; }

    // Registers a listener; the same pointer may be registered twice and is
    // then called twice.
    void AddEventListener(CXmlObjectBase* listener);
    // Removes every registration of the listener.
    void RemoveEventListener(CXmlObjectBase* listener);

    virtual int GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Remove(int index) = 0;
    // Throws CQbValidationException when the count breaks maxOccurs (tested
    // first) or minOccurs, unless the context ignores collection counts.
    virtual void ValidateCount(const CXmlSerializationContext& ctx) const;

    // Reads a new item from `element`, one of the elements the collection
    // reads, as the collection's own read would, without adding it; null
    // when the collection does not read items one by one. For reading ahead
    // while a document loads (CReadAhead).
    virtual CSmartPtr<CXmlObjectBase> ReadItemAhead(const CXmlElement* element,
                                                    const CXmlSerializationContext& ctx);

protected:
    CXmlCollectionBase();
    CXmlCollectionBase(const char* elementName, const char* namespaceUri, int minOccurs,
                       int maxOccurs);
    CXmlCollectionBase(const CXmlCollectionBase& other);
    CXmlCollectionBase& operator=(const CXmlCollectionBase& other);
    ~CXmlCollectionBase() override;

    // A collection has no target namespace of its own: always throws.
    std::string GetTargetNamespace() override;

    // Calls OnEvent(MsgCollectionChanged) of every listener in registration
    // order.
    void FireOnCollectionChange();

private:
    std::string m_namespaceUri;
    std::vector<CXmlObjectBase*> m_listeners;
    std::int32_t m_minOccurs;
    std::int32_t m_maxOccurs;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLCOLLECTIONBASE_H
