// Whether a string is an XML name without a colon (an NCName of Namespaces
// in XML 1.0, over the name characters of XML 1.0, fifth edition). Names
// reach the text writers from anywhere (a Fast Infoset document, a setter),
// and one that is not a name would make the output malformed.
#ifndef QBXMLLIB5_XML_CXMLNAMECHECK_H
#define QBXMLLIB5_XML_CXMLNAMECHECK_H

#include <string_view>

namespace QbXmlLib5 {

// `utf8` is UTF-8; malformed UTF-8 is not a name.
bool IsXmlNCName(std::string_view utf8);
// Whether `name` is an XML name without a colon made of ASCII characters
// only: the same bytes in every local character encoding.
bool IsAsciiXmlNCName(std::string_view name);

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLNAMECHECK_H
