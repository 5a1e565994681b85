// CAttribute: one untyped attribute (name, value, namespace URI), as held by
// a CAttributeCol for xs:anyAttribute content. Attributes are created by the
// collection (CAttributeCol::Add), which checks the namespace; the setters
// here change the fields without any check.
#ifndef QBXMLLIB5_BINDING_CATTRIBUTE_H
#define QBXMLLIB5_BINDING_CATTRIBUTE_H

#include <string>

#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"

namespace QbXmlLib5 {

class CAttribute : public CXmlObjectBase {
public:
    CAttribute(const CAttribute&) = delete;
    CAttribute& operator=(const CAttribute&) = delete;

    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return m_namespaceUri; }

    std::string GetName() const { return m_name; }
    std::string GetValue() const { return m_value; }
    // Null arguments are taken as empty strings.
    void SetName(const char* name);
    void SetValue(const char* value);
    void SetNamespace(const char* namespaceUri);

protected:
    friend class CAttributeCol;
    CAttribute(const char* name, const char* value, const char* namespaceUri);
    ~CAttribute() override;

    std::string GetTargetNamespace() override { return m_namespaceUri; }
    // Writes the attribute onto the element open in the writer.
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    // Always throws: attributes are read by their collection.
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool flag) override;

private:
    std::string m_name;
    std::string m_value;
    std::string m_namespaceUri;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CATTRIBUTE_H
