// CReadLocation: where reading generated objects failed.
//
// Reading runs the work on each element (and attribute) inside At. When a
// refusal leaves it, the innermost one records its node for the thread; the
// entry point then turns it into a line, a column and a path for the message
// chain. Nothing is allocated, and nothing done at all, while reading goes
// well.
#ifndef QBXMLLIB5_BINDING_CREADLOCATION_H
#define QBXMLLIB5_BINDING_CREADLOCATION_H

#include <string>

namespace QbXmlLib5 {

class CXmlAttribute;
class CXmlElement;

class CReadLocation {
public:
    // Returns `read()`, run with `element`, or its `attribute`, as the node
    // being read: an exception leaving it records the node unless an inner
    // At recorded one.
    template <typename Read>
    static decltype(auto) At(const CXmlElement* element, const CXmlAttribute* attribute,
                             Read&& read) {
        try {
            return read();
        } catch (...) {
            Record(element, attribute);
            throw;
        }
    }
    template <typename Read>
    static decltype(auto) At(const CXmlElement* element, Read&& read) {
        return At(element, nullptr, static_cast<Read&&>(read));
    }

    // Forgets what this thread recorded; reading starts with it.
    static void Reset();
    // The recorded node as "line 12, column 7: /order/items/item[3]/quantity"
    // (an attribute ends the path with "/@name"; the line and column are left
    // out where the reader did not know them), or "" when nothing was
    // recorded. Forgets it.
    static std::string TakeFailure();
    // The same with the path from `element` down ("/item/quantity"), for an
    // element whose earlier siblings and ancestors' other children may be
    // gone from the tree; "" when nothing was recorded at or below it.
    static std::string TakeFailureBelow(const CXmlElement* element);

    // A failure recorded below an element whose content is about to be
    // freed: where it stood, relative to that element.
    struct CDetached {
        unsigned long line = 0;
        unsigned long column = 0;
        std::string below;  // "/child[2]/@name" and the like; "" at the element
    };
    // Takes what this thread recorded, which must lie at or below `element`,
    // in a form that outlives the element's content; false when nothing
    // (or nothing below `element`) was recorded.
    static bool Detach(const CXmlElement* element, CDetached& detached);
    // Records, as if reading had just failed there, a failure that Detach
    // took below `element` (which keeps its place in the tree).
    static void Restore(const CXmlElement* element, const CDetached& detached);

    // Records `element`, or its `attribute`, as where reading fails, unless
    // a node is recorded already: for a refusal thrown outside any At.
    static void Record(const CXmlElement* element, const CXmlAttribute* attribute);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CREADLOCATION_H
