// libFuzzer target: arbitrary bytes through the Fast Infoset reader. Any
// outcome but a clean CQbException or a decoded tree is a bug (the sanitizers
// catch reads past the input, leaks and undefined behaviour).
#include <cstddef>
#include <cstdint>

#include "core/CQbException.h"
#include "fastinfoset/CFastInfosetReader.h"
#include "xml/CXmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QbXmlLib5::CXmlDocument document;
    QbXmlLib5::CFastInfosetReader reader(&document, data, size);
    try {
        reader.Read();
    } catch (const QbXmlLib5::CQbException&) {
        // Malformed input is expected to end here.
    }
    return 0;
}
