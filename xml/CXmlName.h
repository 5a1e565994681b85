// CXmlName: the qualified name of an element or attribute in a document tree,
// a pair of strings the document keeps once. Nodes hold one pointer to their
// name instead of two to its parts: a document of millions of nodes uses a
// few dozen names.
#ifndef QBXMLLIB5_XML_CXMLNAME_H
#define QBXMLLIB5_XML_CXMLNAME_H

#include <string>

namespace QbXmlLib5 {

struct CXmlName {
    const std::string* namespaceUri;  // "" when in no namespace
    const std::string* localName;
    // True only for the names that an attribute made by its public
    // constructor owns (and frees); a document's names belong to it.
    bool ownedByAttribute;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLNAME_H
