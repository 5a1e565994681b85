#include "core/QbVersion.h"

// The build system passes the project's version.
#ifndef QB_LIBRARY_VERSION
#error "QB_LIBRARY_VERSION must be defined by the build"
#endif

namespace QbXmlLib5 {

const char* GetLibraryVersion() { return QB_LIBRARY_VERSION; }

}  // namespace QbXmlLib5
