#include "binding/CXmlStreamPath.h"

#include "binding/CElementInfo.h"
#include "binding/CXmlCollectionBase.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {

using QbXmlLib5Data::CElementInfo;

CXmlStreamPath::CXmlStreamPath(const std::string& path) : m_text(path) {
    std::size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    while (start <= path.size()) {
        std::size_t end = start;
        // A namespace in braces may itself contain slashes.
        if (end < path.size() && path[end] == '{') end = path.find('}', end);
        end = end == std::string::npos ? std::string::npos : path.find('/', end);
        if (end == std::string::npos) end = path.size();
        CStep step;
        step.localName = path.substr(start, end - start);
        if (!step.localName.empty() && step.localName[0] == '{') {
            const std::size_t close = step.localName.find('}');
            step.anyNamespace = false;
            step.namespaceUri = step.localName.substr(1, close - 1);
            step.localName.erase(0, close + 1);
        }
        if (step.localName.empty()) {
            throw CQbInvalidParamException(
                FormatString("Invalid streaming path [%s]", path.c_str()));
        }
        m_steps.push_back(std::move(step));
        start = end + 1;
    }
}

bool CXmlStreamPath::Matches(std::size_t index, std::string_view namespaceUri,
                             std::string_view localName) const {
    const CStep& step = m_steps[index];
    return step.localName == localName && (step.anyNamespace || step.namespaceUri == namespaceUri);
}

namespace {

// The record of `object`'s class for the element `name`, and its position.
CElementInfo** FindRecord(CXmlGeneratedClass* object, const std::string& name) {
    for (CElementInfo** record = object->GetClassElementInfo(); record && *record; ++record) {
        if ((*record)->GetElementName() == name) return record;
    }
    return nullptr;
}

}  // namespace

CXmlStreamPath::CTarget CXmlStreamPath::Locate(CXmlObjectBase* root) const {
    const auto fail = [this](const CStep& step, const char* why) {
        return CQbInvalidParamException(
            FormatString("The path [%s] does not lead to a collection: [%s] %s", m_text.c_str(),
                         step.localName.c_str(), why));
    };
    auto* object = dynamic_cast<CXmlGeneratedClass*>(root);
    if (!object || m_steps.size() < 2) throw fail(m_steps[0], "is not an object with members");
    for (std::size_t i = 1; i < m_steps.size(); ++i) {
        CElementInfo** record = FindRecord(object, m_steps[i].localName);
        if (!record) throw fail(m_steps[i], "is not a member");
        QbVariant value;
        object->AccessProperty((*record)->GetPropertyIndex(), true, value);
        if (i + 1 == m_steps.size()) {
            CTarget target;
            target.parent = object;
            target.record = *record;
            target.collection =
                value.GetKind() == it_XmlCollection ? value.GetXmlCollection() : nullptr;
            if (!target.collection) throw fail(m_steps[i], "is not a collection");
            for (CElementInfo** after = record + 1; *after; ++after) {
                target.namesAfter.push_back((*after)->GetElementName());
            }
            // The members after the collection are told by their names.
            for (CElementInfo** before = object->GetClassElementInfo(); before != record;
                 ++before) {
                for (const std::string& name : target.namesAfter) {
                    if ((*before)->GetElementName() == name) {
                        throw fail(m_steps[i], "has members of one name before and after it");
                    }
                }
            }
            return target;
        }
        CSmartPtr<CXmlObjectBase> child =
            value.GetKind() == it_XmlObject ? value.GetXmlObject() : nullptr;
        object = dynamic_cast<CXmlGeneratedClass*>(child.GetPtr());
        if (!object) throw fail(m_steps[i], "is not set");
    }
    throw fail(m_steps.back(), "is not a collection");
}

}  // namespace QbXmlLib5
