// libFuzzer target: CXmlDocument::LoadXmlStream on arbitrary bytes (XML text
// in any encoding, compressed streams, Fast Infoset). Any outcome other than
// a tree or a CQbException is a bug; the tree is walked so that every string
// the reader stored is touched.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/CQbException.h"
#include "xml/CXmlDocument.h"

namespace {

std::size_t Walk(const QbXmlLib5::CXmlElement* root) {
    // Iterative: the tree may be as deep as the input allows.
    std::size_t total = 0;
    std::vector<const QbXmlLib5::CXmlElement*> pending;
    if (root != nullptr) pending.push_back(root);
    while (!pending.empty()) {
        const QbXmlLib5::CXmlElement* e = pending.back();
        pending.pop_back();
        total += e->GetLocalName().size() + e->GetNamespaceURI().size() + e->GetText().size();
        for (const QbXmlLib5::CXmlAttribute* a : e->GetAttributes()) {
            total += a->GetLocalName().size() + a->GetValue().size() + a->GetNamespaceURI().size() +
                     (a->IsNamespaceAttribute() ? 1 : 0);
        }
        for (const QbXmlLib5::CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
            pending.push_back(c);
        }
    }
    return total;
}

void Load(QbXmlLib5::SchemaType schemaType, const std::uint8_t* data, std::size_t size) {
    QbXmlLib5::CXmlDocument doc(schemaType);
    try {
        doc.LoadXmlStream(data, size);
        volatile std::size_t sink = Walk(doc.GetDocumentElement());
        (void)sink;
        (void)doc.LookupNamespaceFromAlias("");
    } catch (const QbXmlLib5::CQbException&) {
        // Rejected input: expected.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Load(QbXmlLib5::ST_DEFAULT, data, size);
    Load(QbXmlLib5::ST_NO_NAMESPACES, data, size);
    return 0;
}
