// The members of CXmlObjectBase that need the collection classes: change
// events and the reading of a collection that is a member of a choice.
#include "binding/CXmlCollectionBase.h"
#include "core/CXmlObjectBase.h"

namespace QbXmlLib5 {

void CXmlObjectBase::FireOnCollectionChangeEvent(CXmlObjectBase* listener,
                                                 CXmlCollectionBase* collection) {
    if (!listener) return;
    listener->OnEvent(collection ? collection->GetBase() : nullptr, MsgCollectionChanged,
                      nullptr);
}

void CXmlObjectBase::Choice_Read_Collection(CXmlObjectBase* collection,
                                            const CXmlElement* element,
                                            const CXmlElement*& current, std::int32_t& count,
                                            const CXmlSerializationContext& ctx) const {
    if (count > 0 || !collection) return;
    const CXmlElement* next = collection->FromXml_Int(element, current, ctx, false);
    if (next == current) return;
    current = next;
    // Only collections carry occurrence bounds.
    if (const auto* items = dynamic_cast<const CXmlCollectionBase*>(collection->GetBase())) {
        items->ValidateCount(ctx);
    }
    ++count;
}

}  // namespace QbXmlLib5
