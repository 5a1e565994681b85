// CDocumentIds: the xs:ID values of the document being read into generated
// objects, and the ID references (xs:IDREF, xs:IDREFS) that must name them.
//
// Records of ID-typed values register each value they read. An ID must be
// an NCName and unique in the document; an IDREF an NCName (IDREFS a list of
// them). When the outermost generated object of a read has finished, every
// reference must name an ID of the document; reading refuses it otherwise.
// The registry is per thread and lives for one read; reads on different
// threads do not meet.
#ifndef QBXMLLIB5_BINDING_CDOCUMENTIDS_H
#define QBXMLLIB5_BINDING_CDOCUMENTIDS_H

#include <string>

namespace QbXmlLib5Data {

// What a simple value is to the document's identity constraints.
enum IdentityKind { NoIdentity = 0, Id = 1, IdRef = 2, IdRefs = 3 };

}  // namespace QbXmlLib5Data

namespace QbXmlLib5 {

class CDocumentIds {
public:
    // One read of generated objects on this thread: the outermost scope owns
    // the registry, inner ones share it.
    class CScope {
    public:
        CScope();
        ~CScope();
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;
        // At the end of a successful read: throws when a reference names no
        // ID (only the outermost scope checks).
        void Finish();

    private:
        bool m_owner;
    };

    // Objects read ahead of their turn (while the document loads): what they
    // would register cannot be checked in document order, so it is not
    // recorded; Touched tells whether they had anything to register, and
    // the reader then reads those objects again in their turn.
    class CReadAhead {
    public:
        CReadAhead();
        ~CReadAhead();
        CReadAhead(const CReadAhead&) = delete;
        CReadAhead& operator=(const CReadAhead&) = delete;
        bool Touched() const;

    private:
        bool m_wasActive;
        bool m_wasAside;
        bool m_wasTouched;
    };

    // Registers a value read for the item `itemName`: throws for an ID or
    // reference that is not an NCName and for an ID seen before. Outside a
    // scope nothing is recorded.
    static void Register(QbXmlLib5Data::IdentityKind kind, const std::string& value,
                         const char* itemName);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CDOCUMENTIDS_H
