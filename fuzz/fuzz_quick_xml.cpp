// libFuzzer target: the quick XML reader against Expat on arbitrary bytes.
// Whatever the quick reader accepts, Expat must accept and build the same
// tree from (names, attributes, text, positions, namespace scopes) and hand
// over the same events; anything else aborts. Declining is always allowed.
// Read in pieces (of sizes taken from the text itself), the quick reader
// must come to the same verdict and the same tree as read whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/CQbException.h"
#include "support/DocumentDump.h"
#include "xml/CExpatReader.h"
#include "xml/CQuickXmlReader.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlEventParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace QbXmlLib5;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto prefixes = QbTest::DeclaredPrefixes(text);
    CXmlDocument quick;
    quick.SetKeepLineNumbers(true);
    const bool accepted = CQuickXmlReader(&quick).Parse(data, size);
    CXmlDocument pieces;
    pieces.SetKeepLineNumbers(true);
    std::size_t at = 0;
    const auto source = [&](unsigned char* buffer, std::size_t room) {
        const std::size_t piece = at < size ? 1 + data[at] % 13 : 0;
        const std::size_t n = std::min({room, size - at, piece});
        std::memcpy(buffer, data + at, n);
        at += n;
        return n;
    };
    if (CQuickXmlReader(&pieces).Parse(source) != accepted ||
        (accepted &&
         QbTest::DumpDocument(pieces, prefixes) != QbTest::DumpDocument(quick, prefixes))) {
        std::fprintf(stderr, "read in pieces, the verdict or the tree differs\n");
        std::abort();
    }
    if (!accepted) return 0;
    CXmlDocument expat;
    expat.SetKeepLineNumbers(true);
    try {
        CExpatReader(&expat).Parse(data, size, nullptr);
    } catch (const CQbException& e) {
        std::fprintf(stderr, "accepted what Expat refuses: %s\n", e.GetMessage().c_str());
        std::abort();
    }
    if (QbTest::DumpDocument(quick, prefixes) != QbTest::DumpDocument(expat, prefixes)) {
        std::fprintf(stderr, "trees differ\n");
        std::abort();
    }
    // The same as events.
    CXmlDocument names;
    QbTest::CEventRecorder quickEvents;
    CQuickXmlReader events(&names);
    events.SetEventSink(&quickEvents);
    QbTest::CEventRecorder expatEvents;
    CXmlEventParser(expatEvents).Parse(data, size, true);
    if (!events.Parse(data, size) || quickEvents.log != expatEvents.log) {
        std::fprintf(stderr, "events differ\n");
        std::abort();
    }
    return 0;
}
