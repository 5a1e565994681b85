// CConversions: the XSD lexical forms of the numeric, boolean, character and
// string kinds (ItemType), in both directions. All members are static.
#ifndef QBXMLLIB5_TYPES_CCONVERSIONS_H
#define QBXMLLIB5_TYPES_CCONVERSIONS_H

#include <cstdint>
#include <string>

namespace QbXmlLib5 {

class CConversions {
public:
    // Decimal forms ("%d" / "%u"); i1 takes the char as signed.
    static std::string i1ToString(char value);
    static std::string i2ToString(std::int16_t value);
    static std::string i4ToString(std::int32_t value);
    static std::string i8ToString(std::int64_t value);
    static std::string ui1ToString(std::uint8_t value);
    static std::string ui2ToString(std::uint16_t value);
    static std::string ui4ToString(std::uint32_t value);
    static std::string ui8ToString(std::uint64_t value);
    // `format` is a printf format for one double, used unchecked; null means
    // "%.7g" (r4, the float widened to double) resp. "%.16g" (r8).
    static std::string r4ToString(float value, const char* format = nullptr);
    static std::string r8ToString(double value, const char* format = nullptr);
    // gYear "%u", gMonth "--%02u", gDay "---%02u".
    static std::string yearToString(std::uint16_t value);
    static std::string monthToString(std::uint8_t value);
    static std::string dayToString(std::uint8_t value);
    // One character; the character 0 gives "".
    static std::string charToString(char value);
    static std::string stringToString(const std::string& value);
    static std::string booleanToString(bool value);  // "true" / "false"
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CCONVERSIONS_H
