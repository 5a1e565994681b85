// CXmlSerializationContext: the options of one serialization call. Every
// entry point takes one by const reference; those given none use the
// process-wide default context (GetDefaultContext), which callers may change
// before serializing (it is not protected against concurrent changes).
// Serializing only reads a context, so any number of threads may use one
// context, or copies of it, at the same time.
#ifndef QBXMLLIB5_CORE_CXMLSERIALIZATIONCONTEXT_H
#define QBXMLLIB5_CORE_CXMLSERIALIZATIONCONTEXT_H

#include <memory>
#include <string>
#include <vector>

#include "core/CNamespaceAliasMap.h"
#include "core/CSmartPtr.h"
#include "core/QbEnums.h"

namespace QbXmlLib5 {

class CAttributeCol;

class CXmlSerializationContext {
public:
    CXmlSerializationContext();
    CXmlSerializationContext(const CXmlSerializationContext& other);
    CXmlSerializationContext& operator=(const CXmlSerializationContext& other);
    ~CXmlSerializationContext();

    static CXmlSerializationContext& GetDefaultContext();

    bool GetIgnoreUnknownAttributes() const { return m_ignoreUnknownAttributes; }
    void SetIgnoreUnknownAttributes(bool value) { m_ignoreUnknownAttributes = value; }

    // IgnoreUnknownElements and IgnoreMissingMandatoryElements exclude each
    // other: setting one true while the other is true throws
    // CQbInvalidStateException and leaves the flag unchanged.
    bool GetIgnoreUnknownElements() const { return m_ignoreUnknownElements; }
    void SetIgnoreUnknownElements(bool value);
    bool GetIgnoreMissingMandatoryElements() const { return m_ignoreMissingMandatoryElements; }
    void SetIgnoreMissingMandatoryElements(bool value);

    bool GetIgnoreMissingChoice() const { return m_ignoreMissingChoice; }
    void SetIgnoreMissingChoice(bool value) { m_ignoreMissingChoice = value; }
    bool GetIgnoreInvalidCollectionCounts() const { return m_ignoreInvalidCollectionCounts; }
    void SetIgnoreInvalidCollectionCounts(bool value) { m_ignoreInvalidCollectionCounts = value; }
    // Reading generated objects checks every simple value against its facets
    // (bounds, lengths, digits, patterns, fixed values) and refuses one that
    // breaks them, as writing does. True reads such values without complaint;
    // a text that is no value of its type at all is refused either way.
    bool GetIgnoreInvalidValues() const { return m_ignoreInvalidValues; }
    void SetIgnoreInvalidValues(bool value) { m_ignoreInvalidValues = value; }

    // True when the flag is set or the schema type is ST_NO_NAMESPACES.
    bool GetIgnoreNamespaces() const;
    void SetIgnoreNamespaces(bool value) { m_ignoreNamespaces = value; }

    std::string GetDefaultNamespaceURI() const { return m_defaultNamespaceUri; }
    void SetDefaultNamespaceURI(const char* uri) { m_defaultNamespaceUri = uri ? uri : ""; }

    SchemaType GetSchemaType() const { return m_schemaType; }
    void SetSchemaType(SchemaType type) { m_schemaType = type; }

    // Prefixes declared on the root element, in URI order.
    CNamespaceAliasMap& GetNamespaceAliases() { return m_namespaceAliases; }
    const CNamespaceAliasMap& GetNamespaceAliases() const { return m_namespaceAliases; }

    // Whole processing-instruction texts written, in order, before the root.
    std::vector<std::string>& GetProcessingInstructions() { return m_processingInstructions; }
    const std::vector<std::string>& GetProcessingInstructions() const {
        return m_processingInstructions;
    }

    // Text written as the root element's first content when not empty.
    std::string GetInLineSchema() const { return m_inLineSchema; }
    void SetInLineSchema(const char* schema) { m_inLineSchema = schema ? schema : ""; }

    // Attributes written on the root element of every object written with
    // this context, before the object's own (no namespace, restriction
    // "##any"). The collection is created with the context, and copies of the
    // context share it: change it before the copies serialize on other threads.
    CSmartPtr<CAttributeCol> GetAdditionalRootAttributes() const;
    // The same collection, borrowed: writers use it without touching its
    // reference count, which other threads may be reading.
    const CAttributeCol& AdditionalRootAttributes() const { return *m_additionalRootAttributes; }

private:
    std::string m_defaultNamespaceUri;
    CNamespaceAliasMap m_namespaceAliases;
    std::vector<std::string> m_processingInstructions;
    std::string m_inLineSchema;
    bool m_ignoreInvalidCollectionCounts;
    bool m_ignoreInvalidValues;
    bool m_ignoreMissingChoice;
    bool m_ignoreMissingMandatoryElements;
    bool m_ignoreUnknownElements;
    bool m_ignoreUnknownAttributes;
    bool m_ignoreNamespaces;
    SchemaType m_schemaType;
    // Shared by copies. The shared_ptr's atomic count keeps it alive, so
    // contexts may be copied and destroyed on several threads at once; the
    // collection's own count holds only the context's one reference.
    std::shared_ptr<CAttributeCol> m_additionalRootAttributes;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CXMLSERIALIZATIONCONTEXT_H
