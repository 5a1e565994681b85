// CXmlStreamPath: the path of the elements a streaming reader or writer
// hands over one at a time, such as "/purchaseOrder/items/item": element
// names from the document element down, each a local name or "{uri}local"
// when the namespace must match too. It also finds, in a tree of generated
// objects, the collection that holds those elements.
#ifndef QBXMLLIB5_BINDING_CXMLSTREAMPATH_H
#define QBXMLLIB5_BINDING_CXMLSTREAMPATH_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "binding/CXmlCollectionBase.h"
#include "core/CSmartPtr.h"

namespace QbXmlLib5Data {
class CElementInfo;
}

namespace QbXmlLib5 {

class CXmlGeneratedClass;
class CXmlObjectBase;

class CXmlStreamPath {
public:
    // Throws CQbInvalidParamException "Invalid streaming path [%s]" for a
    // path without names or with an empty one.
    explicit CXmlStreamPath(const std::string& path);

    const std::string& GetText() const { return m_text; }
    // Number of names; the streamed elements are at this depth (1: the
    // document element itself).
    std::size_t GetDepth() const { return m_steps.size(); }
    // Whether an element named so can stand at position `index`.
    bool Matches(std::size_t index, std::string_view namespaceUri,
                 std::string_view localName) const;

    // Where the streamed elements go in an object tree.
    struct CTarget {
        CXmlGeneratedClass* parent = nullptr;  // the object holding them
        QbXmlLib5Data::CElementInfo* record = nullptr;
        // The names of the parent's members written after them.
        std::vector<std::string> namesAfter;
        CSmartPtr<CXmlCollectionBase> collection;
    };
    // Follows the path through the members of `root` (a generated object
    // written as the document element): throws CQbInvalidParamException
    // "The path [%s] does not lead to a collection: [%s] %s" naming the
    // step that has no member, no object set, or no collection, or whose
    // parent has members of one name before and after it.
    CTarget Locate(CXmlObjectBase* root) const;

private:
    struct CStep {
        bool anyNamespace = true;
        std::string namespaceUri;
        std::string localName;
    };

    std::string m_text;
    std::vector<CStep> m_steps;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLSTREAMPATH_H
