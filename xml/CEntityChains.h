// CEntityChains: the entities a document's DTD declares, and how deeply
// their replacement texts refer to one another. Internal to the Expat reader.
//
// Expat expands an entity reference met inside another entity's text by
// recursion, a few hundred bytes of stack a level, so a document declaring a
// long chain of entities (e1 refers to e0, e2 to e1, ...) exhausts any stack
// once the last one is used. The reader measures the chains when the DTD's
// internal subset ends, before anything is expanded, and refuses deep ones.
#ifndef QBXMLLIB5_XML_CENTITYCHAINS_H
#define QBXMLLIB5_XML_CENTITYCHAINS_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace QbXmlLib5 {

class CEntityChains {
public:
    // Records an internal entity (`value` of `length` bytes, UTF-8). The
    // first declaration of a name is the binding one, as in XML.
    void Declare(const char* name, bool parameter, const char* value, std::size_t length);
    // The number of entities in the longest chain of references (1 for an
    // entity whose text refers to no declared entity; 0 without entities).
    // References in a cycle count once: Expat refuses those when expanded.
    int LongestChain() const;
    void Clear() { m_references.clear(); }

private:
    // Entity name ('%' in front for parameter entities) -> the names its
    // text refers to.
    std::unordered_map<std::string, std::vector<std::string>> m_references;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CENTITYCHAINS_H
