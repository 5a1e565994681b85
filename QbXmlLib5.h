// QbXmlLib5: the run-time library of an XML data-binding toolkit.
// Including this header gives the whole public interface.
#ifndef QBXMLLIB5_H
#define QBXMLLIB5_H

// Runtime core
#include "core/CNamespaceAliasMap.h"
#include "core/CPlatformFile.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "core/QbEnums.h"

#endif  // QBXMLLIB5_H
