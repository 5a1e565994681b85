// A tour of the runtime core: exceptions with inner chains, reference-counted
// objects held by CSmartPtr, and the serialization context.
#include <cstdio>
#include <string>

#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

// The smallest possible bindable class: a named element with no content.
class CGreeting : public CXmlObjectBase {
public:
    CGreeting() { SetElementName("greeting"); }
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return "urn:example:demo"; }
    std::string Name() const { return GetElementName(); }

protected:
    ~CGreeting() override { std::printf("  CGreeting destroyed\n"); }
    std::string GetTargetNamespace() override { return "urn:example:demo"; }
    void ToXml_Int(CXmlWriter*, bool, const char*, const CXmlSerializationContext&,
                   bool) const override {}
    const CXmlElement* FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                   const CXmlSerializationContext&, bool) override {
        return current;
    }
};

void ShowExceptions() {
    std::printf("Exception chains:\n");
    try {
        try {
            throw CQbInvalidValueException(
                FormatString("The value [%s] is not a valid %s", "12x", "i4"));
        } catch (const CQbException& inner) {
            throw CQbValidationException(FormatString("Failed to process the element [%s]", "qty"),
                                         inner);
        }
    } catch (const CQbException& e) {
        std::printf("  %s\n", e.GetFullMessage().c_str());
    }
}

void ShowObjects() {
    std::printf("Reference counting:\n");
    CSmartPtr<CGreeting> first(new CGreeting);
    {
        CSmartPtr<CGreeting> second = first;
        std::printf("  two holders of <%s>\n", second->Name().c_str());
    }
    std::printf("  one holder left\n");
    first = nullptr;
}

void ShowContext() {
    std::printf("Serialization context:\n");
    CXmlSerializationContext ctx;
    ctx.GetNamespaceAliases().Add("b", "urn:b");
    ctx.GetNamespaceAliases().Add("a", "urn:a");
    for (int i = 0; i < ctx.GetNamespaceAliases().GetNamespaceCount(); ++i) {
        const std::string uri = ctx.GetNamespaceAliases().GetNamespaceAt(i);
        std::printf("  xmlns:%s=\"%s\"\n",
                    ctx.GetNamespaceAliases().GetAliasFromNamespace(uri.c_str()).c_str(),
                    uri.c_str());
    }
    ctx.SetIgnoreUnknownElements(true);
    try {
        ctx.SetIgnoreMissingMandatoryElements(true);
    } catch (const CQbInvalidStateException& e) {
        std::printf("  refused: %s\n", e.GetMessage().c_str());
    }
}

}  // namespace

int main() {
    ShowExceptions();
    ShowObjects();
    ShowContext();
    return 0;
}
