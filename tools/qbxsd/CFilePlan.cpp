#include "CFilePlan.h"

#include <cctype>
#include <functional>
#include <set>

namespace Qbxsd {

namespace {

std::string Stem(const std::string& path) {
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') c = '_';
    }
    return name;
}

}  // namespace

CFilePlan::CFilePlan(const CModelBuilder& model, const CSchemaSet& schemas,
                     const std::string& firstSchema, bool onePair)
    : m_mainStem(Stem(firstSchema)) {
    // One file per namespace, named after its first schema document.
    const std::string mainNs = schemas.Documents().front()->targetNamespace;
    std::map<std::string, File> byNs;
    std::vector<std::string> order;
    for (const auto& doc : schemas.Documents()) {
        if (byNs.count(doc->targetNamespace)) continue;
        File file;
        file.ns = doc->targetNamespace;
        file.stem = doc->targetNamespace == mainNs ? m_mainStem : Stem(doc->path);
        byNs[file.ns] = file;
        order.push_back(file.ns);
    }
    std::set<std::string> stems;
    for (const std::string& ns : order) {
        File& file = byNs[ns];
        while (!stems.insert(file.stem).second) file.stem += "_";
    }
    for (const auto& cls : model.Classes()) byNs[cls->xmlNamespace].classes.push_back(cls.get());
    for (const auto& e : model.Enums()) byNs[e->xmlNamespace].enums.push_back(e.get());
    // What each namespace's classes need from the others.
    std::map<std::string, std::set<std::string>> needs;
    for (const auto& cls : model.Classes()) {
        auto need = [&](const std::string& ns) {
            if (ns != cls->xmlNamespace) needs[cls->xmlNamespace].insert(ns);
        };
        if (cls->base) need(cls->base->xmlNamespace);
        for (const Member& m : cls->members) {
            if (m.cls) need(m.cls->xmlNamespace);
            if (m.simple.enumeration) need(m.simple.enumeration->xmlNamespace);
        }
    }
    // Dependencies first; a cycle puts everything in the main file.
    std::vector<std::string> sorted;
    std::map<std::string, int> state;
    bool cycle = false;
    std::function<void(const std::string&)> visit = [&](const std::string& ns) {
        if (state[ns] == 2) return;
        if (state[ns] == 1) {
            cycle = true;
            return;
        }
        state[ns] = 1;
        for (const std::string& dep : needs[ns]) visit(dep);
        state[ns] = 2;
        sorted.push_back(ns);
    };
    for (const std::string& ns : order) {
        if (ns != mainNs) visit(ns);
    }
    visit(mainNs);
    if (cycle && !onePair && order.size() > 1) {
        m_notes.push_back(
            "the target namespaces refer to each other in a cycle: all are "
            "written into " +
            m_mainStem + ".h/.cpp");
    }
    if (cycle || onePair) {
        File all = byNs[mainNs];
        all.classes.clear();
        all.enums.clear();
        for (const auto& cls : model.Classes()) all.classes.push_back(cls.get());
        for (const auto& e : model.Enums()) all.enums.push_back(e.get());
        m_files = {all};
        return;
    }
    // A namespace with nothing to declare (the xml: namespace's attributes) has
    // no pair, and nothing includes one.
    auto written = [&](const std::string& ns) {
        return ns == mainNs || !byNs[ns].classes.empty() || !byNs[ns].enums.empty();
    };
    for (const std::string& ns : sorted) {
        if (!written(ns)) continue;
        File file = byNs[ns];
        for (const std::string& dep : needs[ns]) file.includes.push_back(byNs[dep].stem);
        if (ns == mainNs) {
            file.includes.clear();
            for (const std::string& other : sorted) {
                if (other != mainNs && written(other)) file.includes.push_back(byNs[other].stem);
            }
        }
        m_files.push_back(file);
    }
}

}  // namespace Qbxsd
