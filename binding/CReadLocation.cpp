#include "binding/CReadLocation.h"

#include <vector>

#include "binding/CReadAhead.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

namespace {

struct CFailure {
    const CXmlElement* element = nullptr;
    const CXmlAttribute* attribute = nullptr;
    // Set when the failure lies below `element`, whose content is gone.
    bool detached = false;
    CReadLocation::CDetached below;
};

thread_local CFailure t_failure;

// The elements from `root` down to `target`, found depth-first without
// recursion (elements know no parent); empty when `target` is not below.
std::vector<const CXmlElement*> ChainTo(const CXmlElement* root, const CXmlElement* target) {
    std::vector<const CXmlElement*> chain{root};
    while (!chain.empty() && chain.back() != target) {
        if (const CXmlElement* child = chain.back()->GetFirstElement()) {
            chain.push_back(child);
            continue;
        }
        while (!chain.empty() && !chain.back()->GetNextSiblingElement()) chain.pop_back();
        if (!chain.empty()) chain.back() = chain.back()->GetNextSiblingElement();
        // The root's siblings are not part of the search.
        if (chain.size() == 1 && chain[0] != root) chain.clear();
    }
    return chain;
}

bool SameName(const CXmlElement* a, const CXmlElement* b) {
    return a->GetLocalName() == b->GetLocalName() && a->GetNamespaceURI() == b->GetNamespaceURI();
}

// "name", or "name[n]" (1-based) when the parent has several of that name.
std::string Step(const CXmlElement* parent, const CXmlElement* element) {
    std::size_t position = 0;
    std::size_t count = 0;
    for (const CXmlElement* sibling = parent->GetFirstElement(); sibling;
         sibling = sibling->GetNextSiblingElement()) {
        if (!SameName(sibling, element)) continue;
        if (sibling == element) position = count + 1;
        // An element read ahead may stand for a run of siblings.
        count += CReadAhead::Weight(sibling);
    }
    const std::string& name = element->GetLocalName();
    return count > 1 ? name + "[" + std::to_string(position) + "]" : name;
}

// The steps from the first element of `chain` down to its last.
std::string Steps(const std::vector<const CXmlElement*>& chain) {
    std::string path;
    for (std::size_t i = 1; i < chain.size(); ++i) path += "/" + Step(chain[i - 1], chain[i]);
    return path;
}

std::string PathOf(const CXmlElement* element) {
    const CXmlElement* root = element->GetDocument()->GetDocumentElement();
    const std::vector<const CXmlElement*> chain =
        root ? ChainTo(root, element) : std::vector<const CXmlElement*>();
    if (chain.empty()) return "/" + element->GetLocalName();
    return "/" + root->GetLocalName() + Steps(chain);
}

std::string Position(unsigned long line, unsigned long column) {
    if (line == 0) return std::string();
    std::string where = "line " + std::to_string(line);
    if (column != 0) where += ", column " + std::to_string(column);
    return where + ": ";
}

}  // namespace

void CReadLocation::Record(const CXmlElement* element, const CXmlAttribute* attribute) {
    if (t_failure.element || !element) return;
    t_failure.element = element;
    t_failure.attribute = attribute;
}

void CReadLocation::Reset() {
    // Called around every element read ahead: nothing to do in the usual case.
    if (t_failure.element) t_failure = CFailure();
}

std::string CReadLocation::TakeFailure() {
    const CFailure failure = t_failure;
    Reset();
    if (!failure.element) return std::string();
    if (failure.detached) {
        return Position(failure.below.line, failure.below.column) + PathOf(failure.element) +
               failure.below.below;
    }
    std::string where =
        Position(failure.element->GetLineNumber(), failure.element->GetColumnNumber());
    where += PathOf(failure.element);
    if (failure.attribute) where += "/@" + failure.attribute->GetLocalName();
    return where;
}

std::string CReadLocation::TakeFailureBelow(const CXmlElement* element) {
    CDetached below;
    if (!Detach(element, below)) return std::string();
    return Position(below.line, below.column) + "/" + element->GetLocalName() + below.below;
}

bool CReadLocation::Detach(const CXmlElement* element, CDetached& detached) {
    const CFailure failure = t_failure;
    Reset();
    if (!failure.element || failure.detached) return false;
    const std::vector<const CXmlElement*> chain = ChainTo(element, failure.element);
    if (chain.empty()) return false;
    detached.line = failure.element->GetLineNumber();
    detached.column = failure.element->GetColumnNumber();
    detached.below = Steps(chain);
    if (failure.attribute) detached.below += "/@" + failure.attribute->GetLocalName();
    return true;
}

void CReadLocation::Restore(const CXmlElement* element, const CDetached& detached) {
    t_failure = CFailure{element, nullptr, true, detached};
}

}  // namespace QbXmlLib5
