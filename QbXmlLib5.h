// QbXmlLib5: the run-time library of an XML data-binding toolkit.
// Including this header gives the whole public interface.
#ifndef QBXMLLIB5_H
#define QBXMLLIB5_H

// Runtime core
#include "core/CCharEncoding.h"
#include "core/CNamespaceAliasMap.h"
#include "core/CPlatformFile.h"
#include "core/CPlatformStreamFile.h"
#include "core/CPlatformTime.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CStackGuard.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "core/QbEnums.h"
#include "core/QbVersion.h"

// Document tree, text reading and writing
#include "xml/CMixedText.h"
#include "xml/CStringBuffer.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlElementConsumer.h"
#include "xml/CXmlEventParser.h"
#include "xml/CXmlEventSink.h"
#include "xml/CXmlStreamInput.h"
#include "xml/CXmlStreamOutput.h"
#include "xml/CXmlTextEventWriter.h"
#include "xml/CXmlTextWriter.h"
#include "xml/CXmlWriter.h"

// Fast Infoset
#include "fastinfoset/CFastInfosetEventWriter.h"
#include "fastinfoset/CFastInfosetReader.h"
#include "fastinfoset/CFastInfosetWriter.h"

// XSD value types
#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CCalendar.h"
#include "types/CConversions.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/CWhitespaceUtils.h"
#include "types/CXsdRegex.h"
#include "types/ItemType.h"
#include "types/QbVariant.h"

// Data binding
#include "binding/CAttribute.h"
#include "binding/CAttributeCol.h"
#include "binding/CAttributeInfo.h"
#include "binding/CClassMetaData.h"
#include "binding/CClassfactoryBase.h"
#include "binding/CDocumentIds.h"
#include "binding/CElement.h"
#include "binding/CElementCol.h"
#include "binding/CElementInfo.h"
#include "binding/CGlobalDeclarations.h"
#include "binding/CParentElementInfo.h"
#include "binding/CPropertyAccess.h"
#include "binding/CQbIterator.h"
#include "binding/CXmlCollection.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlGeneratedClass.h"
#include "binding/CXmlStreamPath.h"
#include "binding/CXmlStreamReader.h"
#include "binding/CXmlStreamWriter.h"
#include "binding/CXmlTypeCollection.h"
#include "binding/TRecordMarks.h"
#include "binding/TXmlObjectCol.h"

#endif  // QBXMLLIB5_H
