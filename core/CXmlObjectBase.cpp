#include "core/CXmlObjectBase.h"

#include <cstring>
#include <vector>

namespace QbXmlLib5 {

namespace {
const char* Safe(const char* s) { return s ? s : ""; }

const char kChoiceAlreadySetBracketed[] =
    "The Property [%s] is already set. Only one element within this class bay be set at a time";
const char kChoiceAlreadySetPlain[] =
    "The Property %s is already set. Only one element within this class bay be set at a time";
}  // namespace

CXmlObjectBase::CXmlObjectBase() : m_refCount(0) {}

// The count belongs to the object, not to its value: a copy is a new object
// that nobody holds yet, and assignment leaves the holders of the target alone.
CXmlObjectBase::CXmlObjectBase(const CXmlObjectBase& other)
    : m_elementName(other.m_elementName), m_refCount(0) {}

CXmlObjectBase& CXmlObjectBase::operator=(const CXmlObjectBase& other) {
    m_elementName = other.m_elementName;
    return *this;
}

CXmlObjectBase::~CXmlObjectBase() = default;

std::int32_t CXmlObjectBase::AddRef() { return ++m_refCount; }

namespace {

// Objects whose last reference went while another object was being deleted
// on this thread. The outermost Release deletes them one after another, so
// freeing a tree of any depth (a generated object holding its children
// through smart pointers) never nests destructors. A plain pointer, so it
// stays usable while static objects are destroyed at exit.
thread_local std::vector<CXmlObjectBase*>* t_pendingDeletes = nullptr;

}  // namespace

std::int32_t CXmlObjectBase::Release() {
    const std::int32_t count = --m_refCount;
    if (count != 0) return count;
    if (t_pendingDeletes) {
        try {
            t_pendingDeletes->push_back(this);
            return 0;
        } catch (...) {
            // Out of memory: delete at once, recursively.
        }
        delete this;
        return 0;
    }
    std::vector<CXmlObjectBase*> pending;
    t_pendingDeletes = &pending;
    delete this;
    while (!pending.empty()) {
        CXmlObjectBase* next = pending.back();
        pending.pop_back();
        delete next;
    }
    t_pendingDeletes = nullptr;
    return 0;
}

const CXmlObjectBase* CXmlObjectBase::GetBase() const {
    return const_cast<CXmlObjectBase*>(this)->GetBase();
}

void CXmlObjectBase::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CXmlObjectBase::AttributesToXml_Int(CXmlWriter*, const CXmlSerializationContext&) const {}

std::string CXmlObjectBase::GetElementName() const { return m_elementName; }

void CXmlObjectBase::SetElementName(const char* name) { m_elementName = Safe(name); }

void CXmlObjectBase::SetElementName(CXmlObjectBase* object, const char* name) {
    object->SetElementName(name);
}

void CXmlObjectBase::AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                         const CXmlSerializationContext& ctx) {
    object->AttributesToXml_Int(writer, ctx);
}

void CXmlObjectBase::ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isRoot,
                               const char* namespaceUri, const CXmlSerializationContext& ctx,
                               bool choiceFlag) {
    object->ToXml_Int(writer, isRoot, namespaceUri, ctx, choiceFlag);
}

const CXmlElement* CXmlObjectBase::FromXml_Int(CXmlObjectBase* object, const CXmlElement* parent,
                                               const CXmlElement* current,
                                               const CXmlSerializationContext& ctx) {
    return object->FromXml_Int(parent, current, ctx, false);
}

void CXmlObjectBase::Throw_IfPropertyIsNull(const CXmlObjectBase* object,
                                            const char* propertyName) const {
    if (!object) {
        throw CQbInvalidParamException(FormatString(
            "The Property [%s] is mandatory, it may node be NULL", Safe(propertyName)));
    }
}

void CXmlObjectBase::Throw_IfElementNameDiffers(const CXmlObjectBase* object,
                                                const char* requiredName) const {
    if (!object) return;
    const std::string actual = object->GetBase()->m_elementName;
    if (actual != Safe(requiredName)) {
        throw CQbInvalidParamException(FormatString(
            "This property requrires an element with the name %s the element being set has "
            "the element name %s",
            Safe(requiredName), actual.c_str()));
    }
}

void CXmlObjectBase::Choice_SelectElement(const char* elementName, const CXmlObjectBase* object,
                                          std::string& selection) const {
    const char* name = Safe(elementName);
    if (selection == name) {
        if (!object) selection.clear();
        return;
    }
    if (selection.empty()) {
        selection = name;
        return;
    }
    if (!object) return;
    throw CQbInvalidStateException(FormatString(kChoiceAlreadySetBracketed, selection.c_str()));
}

void CXmlObjectBase::Choice_CollectionChanged(const char* elementName, std::int32_t count,
                                              std::string& selection) const {
    const char* name = Safe(elementName);
    if (selection == name) {
        if (count == 0) selection.clear();
        return;
    }
    if (selection.empty()) {
        if (count > 0) selection = name;
        return;
    }
    if (count == 0) return;
    throw CQbInvalidStateException(FormatString(kChoiceAlreadySetBracketed, selection.c_str()));
}

void CXmlObjectBase::Choice_SetElementValid(bool valid, const char* elementName,
                                            std::string& selection) const {
    const char* name = Safe(elementName);
    if (!valid) {
        selection.clear();
        return;
    }
    if (selection.empty() || selection == name) {
        selection = name;
        return;
    }
    throw CQbInvalidStateException(FormatString(kChoiceAlreadySetPlain, selection.c_str()));
}

bool CXmlObjectBase::IsNamespaceValid(const char* namespaceUri, const char* restriction,
                                      const char* targetNamespace) const {
    return NamespaceAllowed(namespaceUri, restriction, targetNamespace);
}

bool CXmlObjectBase::NamespaceAllowed(const char* namespaceUri, const char* restriction,
                                      const char* targetNamespace) {
    // Called for every element and attribute read into untyped content, so
    // the tokens are compared in place rather than copied into strings.
    const char* ns = Safe(namespaceUri);
    const char* target = Safe(targetNamespace);
    const bool nsIsTarget = std::strcmp(ns, target) == 0;
    const std::size_t nsLength = std::strlen(ns);
    const char* p = Safe(restriction);
    while (*p) {
        while (*p == ' ') ++p;
        const char* start = p;
        while (*p && *p != ' ') ++p;
        const std::size_t length = static_cast<std::size_t>(p - start);
        if (length == 0) break;
        auto is = [&](const char* keyword) {
            return std::strlen(keyword) == length && std::memcmp(start, keyword, length) == 0;
        };
        if (is("##any")) return true;
        if (is("##other")) {
            // Names in no namespace are never "other".
            if (!nsIsTarget && *ns != '\0') return true;
        } else if (is("##local")) {
            if (*ns == '\0') return true;
        } else if (is("##targetNamespace")) {
            if (nsIsTarget) return true;
        } else if (nsLength == length && std::memcmp(ns, start, length) == 0) {
            return true;
        }
    }
    return false;
}

void CXmlObjectBase::TestNamespace(const char* namespaceUri, const char* restriction,
                                   const char* targetNamespace) const {
    CheckNamespace(namespaceUri, restriction, targetNamespace);
}

void CXmlObjectBase::CheckNamespace(const char* namespaceUri, const char* restriction,
                                    const char* targetNamespace) {
    if (!NamespaceAllowed(namespaceUri, restriction, targetNamespace)) {
        throw CQbInvalidNamespaceException(FormatString(
            "Invalid namespace [%s]. The namespace must be one of [%s] where the target "
            "namespace is [%s]",
            Safe(namespaceUri), Safe(restriction), Safe(targetNamespace)));
    }
}

}  // namespace QbXmlLib5
