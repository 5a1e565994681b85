// CFractionText: the nine-digit fraction of a second shared by the lexical
// forms of CDateTime and CDateTimeSpan (milli-, micro- and nanoseconds, three
// digits each).
#ifndef QBXMLLIB5_TYPES_CFRACTIONTEXT_H
#define QBXMLLIB5_TYPES_CFRACTIONTEXT_H

#include <cstdint>
#include <string>

namespace QbXmlLib5 {

class CFractionText {
public:
    // Reads the digits at `text` (the character after the full stop) into the
    // three groups, stopping at the first non-digit; "5" is 500 ms. Returns
    // the position after the digits, or null when a tenth digit follows (the
    // groups are then filled with the first nine).
    static const char* Parse(const char* text, std::uint16_t& milli, std::uint16_t& micro,
                             std::uint16_t& nano);

    // "" when all three groups are 0; else "." and the groups up to the last
    // non-zero one, three digits each, trailing zeros removed (".5",
    // ".120005", ".000000001"). Each group must be 0..999.
    static std::string Format(std::uint16_t milli, std::uint16_t micro, std::uint16_t nano);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CFRACTIONTEXT_H
