// QbXmlLib5: the run-time library of an XML data-binding toolkit.
// Including this header gives the whole public interface.
#ifndef QBXMLLIB5_H
#define QBXMLLIB5_H

// Runtime core
#include "core/CCharEncoding.h"
#include "core/CNamespaceAliasMap.h"
#include "core/CPlatformFile.h"
#include "core/CPlatformTime.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "core/QbEnums.h"

// XSD value types
#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CConversions.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"

#endif  // QBXMLLIB5_H
