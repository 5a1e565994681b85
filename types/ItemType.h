// ItemType: the kinds of simple values (1 to 26), plus the variant's object
// and collection references (27, 28). The numbers are part of the interface.
#ifndef QBXMLLIB5_TYPES_ITEMTYPE_H
#define QBXMLLIB5_TYPES_ITEMTYPE_H

#include <cstdint>

namespace QbXmlLib5 {

enum ItemType : std::int32_t {
    it_none = 0,
    it_hexBinary = 1,
    it_base64Binary = 2,
    it_i1 = 3,
    it_i2 = 4,
    it_i4 = 5,
    it_i8 = 6,
    it_ui1 = 7,
    it_ui2 = 8,
    it_ui4 = 9,
    it_ui8 = 10,
    it_r4 = 11,
    it_r8 = 12,
    it_duration = 13,
    it_yearMonth = 14,
    it_monthDay = 15,
    it_year = 16,
    it_month = 17,
    it_day = 18,
    it_date = 19,
    it_datetime = 20,
    it_time = 21,
    it_char = 22,
    it_string = 23,
    it_boolean = 24,
    it_decimal = 25,
    it_integer = 26,
    it_XmlObject = 27,
    it_XmlCollection = 28
};

// The short type name of kinds 1 to 26 ("hexBinary", "i4", "datetime", ...),
// as variants report it and messages print it; null for any other value.
inline const char* GetItemTypeName(ItemType type) {
    static const char* const kNames[] = {
        nullptr,    "hexBinary", "base64Binary", "i1",       "i2",     "i4",     "i8",
        "ui1",      "ui2",       "ui4",          "ui8",      "r4",     "r8",     "duration",
        "yearMonth", "monthDay", "year",         "month",    "day",    "date",   "datetime",
        "time",     "char",      "string",       "boolean",  "decimal", "integer"};
    return (type > it_none && type <= it_integer) ? kNames[type] : nullptr;
}

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_ITEMTYPE_H
