// The version of the library a program runs with, as "major.minor.patch".
#ifndef QBXMLLIB5_CORE_QBVERSION_H
#define QBXMLLIB5_CORE_QBVERSION_H

namespace QbXmlLib5 {

/// The version of the linked library, such as "5.0.0". With a shared library
/// this is the version loaded at run time, not the one compiled against.
const char* GetLibraryVersion();

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_QBVERSION_H
