// CCodeWriter: writes the C++ header and source of the model qbxsd built,
// one pair per XML namespace (the main pair, named after the first schema,
// also holds the factories and includes every other header).
#ifndef QBXSD_CCODEWRITER_H
#define QBXSD_CCODEWRITER_H

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CFilePlan.h"
#include "CModelBuilder.h"

namespace Qbxsd {

struct WriterOptions {
    std::string cppNamespace;  // empty: none
    std::string outputDir = ".";
    std::vector<std::string> schemaFiles;  // for the banner
    bool onePair = false;                  // everything in the main pair
};

class CCodeWriter {
public:
    CCodeWriter(const CModelBuilder& model, const CSchemaSet& schemas, WriterOptions options);

    // The files as (path, content), in include order.
    std::vector<std::pair<std::string, std::string>> Render() const;
    // Writes the files; returns their paths. Throws CSchemaError when a file
    // cannot be written.
    std::vector<std::string> Write() const;
    // What the plan of the files says beside the files (a cycle of namespaces).
    const std::vector<std::string>& Notes() const { return m_plan.Notes(); }

private:
    std::string Banner() const;
    std::string Header(const CFilePlan::File& file) const;
    std::string Source(const CFilePlan::File& file) const;
    std::string Factories() const;

    void ClassDeclaration(std::ostream& out, const ClassModel& cls) const;
    void MemberDeclarations(std::ostream& out, const ClassModel& cls, const Member& m) const;
    void ClassDefinition(std::ostream& out, const ClassModel& cls) const;
    void MetaData(std::ostream& out, const ClassModel& cls) const;
    void AccessCase(std::ostream& out, const ClassModel& cls, const Member& m) const;
    // The statements that give a repeated member its new, empty collection.
    void NewCollection(std::ostream& out, const Member& m, const std::string& indent) const;
    // The getters and PeekCollection of the collections created when needed.
    void CollectionsWhenNeeded(std::ostream& out, const ClassModel& cls) const;
    static bool HasMembersCreatedWhenNeeded(const ClassModel& cls);
    std::string ElementRecord(const ClassModel& cls, const ClassModel& owner,
                              const Member& m) const;
    std::string AttributeRecord(const ClassModel& owner, const Member& m) const;
    std::string InitialValue(const ClassModel& cls, const Member& m) const;
    // The check of a text value's facets in AccessProperty, or "".
    static std::string TextFacetsCheck(const SimpleInfo& simple);

    // Names.
    std::string CppType(const Member& m) const;  // of the field
    std::string CollectionType(const Member& m) const;
    std::string Field(const Member& m) const { return "m_" + Lower(m.prop); }
    std::string ValidFlag(const Member& m) const { return "m_valid" + m.prop; }
    static std::string Lower(const std::string& name);
    static std::string FactoryName(const ClassModel& cls) {
        return "Create" + cls.cppName.substr(1);
    }
    std::string FactoryClass() const { return "C" + Pascal(m_mainStem) + "ClassFactory"; }

    const CModelBuilder& m_model;
    WriterOptions m_options;
    CFilePlan m_plan;
    std::string m_mainStem;
    std::map<std::string, std::string> m_collectionTypedefs;  // item class -> typedef
};

}  // namespace Qbxsd

#endif  // QBXSD_CCODEWRITER_H
