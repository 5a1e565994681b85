// Builds against the installed (or added) library with nothing but the
// umbrella header, and checks that the basics work.
#include <cstdio>

#include "QbXmlLib5.h"

int main() {
    using namespace QbXmlLib5;
    try {
        CXmlSerializationContext ctx;
        ctx.GetNamespaceAliases().Add("c", "urn:consumer");
        throw CQbException(FormatString("%d alias", ctx.GetNamespaceAliases().GetNamespaceCount()),
                           CQbInvalidParamException("inner"));
    } catch (const CQbException& e) {
        if (e.GetFullMessage() != "1 alias\ninner") return 1;
    }
    std::puts("consumer OK");
    return 0;
}
