// TRecordMarks: what a declaration says about its values beyond their name
// and type, shared by the element and attribute records: whether they are
// IDs or ID references, and how a wildcard processes what it takes. Each
// setter is called once, where the record is built, and returns the record,
// so that it fits in a table's list.
#ifndef QBXMLLIB5_BINDING_TRECORDMARKS_H
#define QBXMLLIB5_BINDING_TRECORDMARKS_H

#include "binding/CDocumentIds.h"
#include "binding/CGlobalDeclarations.h"

namespace QbXmlLib5Data {

template <class Record>
class TRecordMarks {
public:
    // A simple value of type xs:ID, IDREF or IDREFS, which reading registers
    // with the document's IDs (CDocumentIds).
    Record* SetIdentity(IdentityKind kind) {
        m_identity = kind;
        return static_cast<Record*>(this);
    }
    // A wildcard that checks what it takes through the global declarations
    // `globals` returns (processContents lax or strict).
    Record* SetProcessContents(ProcessContents processing, GlobalDeclarationsFunction globals) {
        m_processing = processing;
        m_globals = globals;
        return static_cast<Record*>(this);
    }

    IdentityKind GetIdentity() const { return m_identity; }
    ProcessContents GetProcessContents() const { return m_processing; }
    // The declarations a processing wildcard reads through, or null.
    const CGlobalDeclarations* GetGlobalDeclarations() const {
        return m_processing != ProcessSkip && m_globals ? &m_globals() : nullptr;
    }

protected:
    TRecordMarks() = default;
    TRecordMarks(const TRecordMarks&) = default;
    TRecordMarks& operator=(const TRecordMarks&) = default;
    ~TRecordMarks() = default;

private:
    IdentityKind m_identity = NoIdentity;
    ProcessContents m_processing = ProcessSkip;
    GlobalDeclarationsFunction m_globals = nullptr;
};

}  // namespace QbXmlLib5Data

#endif  // QBXMLLIB5_BINDING_TRECORDMARKS_H
