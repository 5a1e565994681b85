// CFilePlan: which header/source pair each class and enumeration of the C++
// model is written into: one pair per target namespace with something to
// declare, in include order, or all in the pair of the first schema (asked
// for, or forced by namespaces whose types refer to each other in a cycle).
#ifndef QBXSD_CFILEPLAN_H
#define QBXSD_CFILEPLAN_H

#include <string>
#include <vector>

#include "CModelBuilder.h"
#include "CSchemaSet.h"

namespace Qbxsd {

class CFilePlan {
public:
    struct File {
        std::string ns;
        std::string stem;
        std::vector<const ClassModel*> classes;
        std::vector<const EnumModel*> enums;
        std::vector<std::string> includes;  // other files' stems
    };

    CFilePlan(const CModelBuilder& model, const CSchemaSet& schemas, const std::string& firstSchema,
              bool onePair);

    // In include order: dependencies first, the main pair last.
    const std::vector<File>& Files() const { return m_files; }
    // The stem of the main pair, after the first schema's file name.
    const std::string& MainStem() const { return m_mainStem; }
    // What the plan says beside the files (a cycle of namespaces).
    const std::vector<std::string>& Notes() const { return m_notes; }

private:
    std::string m_mainStem;
    std::vector<File> m_files;
    std::vector<std::string> m_notes;
};

}  // namespace Qbxsd

#endif  // QBXSD_CFILEPLAN_H
