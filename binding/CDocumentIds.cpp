#include "binding/CDocumentIds.h"

#include <memory>
#include <unordered_set>
#include <vector>

#include "core/CQbException.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {

namespace {

struct CRegistry {
    std::unordered_set<std::string> ids;
    std::vector<std::string> references;
};

// Whether a read is running on this thread, and its registry once a value
// was registered (most documents have none).
thread_local bool t_active = false;
thread_local std::unique_ptr<CRegistry> t_registry;
// Set while objects are read ahead; t_touched once one had a value to register.
thread_local bool t_aside = false;
thread_local bool t_touched = false;

const CPrimitiveRestrictions kNCName("[\\i-[:]][\\c-[:]]*", -1, -1, "", "", "", "", -1);

void CheckNCName(const std::string& value, const char* itemName) {
    QbVariant text;
    text.SetString(value);
    CheckPrimitiveValue(it_string, kNCName, itemName, text);
}

}  // namespace

CDocumentIds::CScope::CScope() : m_owner(!t_active) { t_active = true; }

CDocumentIds::CScope::~CScope() {
    if (!m_owner) return;
    t_active = false;
    t_registry.reset();
}

void CDocumentIds::CScope::Finish() {
    if (!m_owner || !t_registry) return;
    for (const std::string& reference : t_registry->references) {
        if (t_registry->ids.count(reference) == 0) {
            throw CQbValidationException(
                FormatString("The IDREF [%s] names no ID of the document", reference.c_str()));
        }
    }
}

CDocumentIds::CReadAhead::CReadAhead()
    : m_wasActive(t_active), m_wasAside(t_aside), m_wasTouched(t_touched) {
    // Active, so that the scopes of the objects read ahead own nothing.
    t_active = true;
    t_aside = true;
    t_touched = false;
}

CDocumentIds::CReadAhead::~CReadAhead() {
    t_active = m_wasActive;
    t_aside = m_wasAside;
    t_touched = m_wasTouched;
}

bool CDocumentIds::CReadAhead::Touched() const { return t_touched; }

void CDocumentIds::Register(QbXmlLib5Data::IdentityKind kind, const std::string& value,
                            const char* itemName) {
    if (!t_active || kind == QbXmlLib5Data::NoIdentity) return;
    if (t_aside) {
        t_touched = true;
        return;
    }
    if (!t_registry) t_registry = std::make_unique<CRegistry>();
    if (kind == QbXmlLib5Data::Id) {
        CheckNCName(value, itemName);
        if (!t_registry->ids.insert(value).second) {
            throw CQbValidationException(
                FormatString("The ID [%s] is not unique in the document", value.c_str()));
        }
        return;
    }
    // IDREFS: the whitespace-separated list of references (at least one).
    std::size_t start = value.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) CheckNCName(value, itemName);
    while (start != std::string::npos) {
        const std::size_t end = value.find_first_of(" \t\r\n", start);
        const std::string reference = value.substr(start, end - start);
        CheckNCName(reference, itemName);
        t_registry->references.push_back(reference);
        if (kind == QbXmlLib5Data::IdRef && end != std::string::npos) {
            CheckNCName(value, itemName);  // one reference only: the blank fails the pattern
        }
        start = end == std::string::npos ? end : value.find_first_not_of(" \t\r\n", end);
    }
}

}  // namespace QbXmlLib5
