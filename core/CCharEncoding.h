// Conversion between the process's local character encoding and Unicode.
//
// Every std::string inside the library is in the local encoding, a Windows
// code-page number chosen for the process: 65001 UTF-8 (the default), 0 and 3
// (the system and thread ANSI code pages: the platform's native narrow
// encoding, UTF-8), and any other number through the iconv converter that
// knows it (tried as CP<n>, IBM<nnn> and WINDOWS-<n>, besides well-known
// names such as ISO-8859-1 for 28591). With a UTF-8 local encoding, UTF-8
// conversions are plain copies.
//
// Conversions throw nothing: characters the local encoding cannot represent
// become '?'; invalid input sequences (unpaired surrogates included) become
// U+FFFD on the way to Unicode (except that UTF-8 is copied unchecked into a
// UTF-8 local encoding).
//
// The local code page is a process-wide setting: set it before converting on
// several threads. Converter handles are cached per thread.
#ifndef QBXMLLIB5_CORE_CCHARENCODING_H
#define QBXMLLIB5_CORE_CCHARENCODING_H

#include <cstddef>
#include <string>

#include "types/CBinaryData.h"

namespace QbXmlLib5 {

// Replaces the process-wide local code page. The local encoding must keep
// ASCII as it is (UTF-8, or a single- or multi-byte code page): UTF-16,
// UTF-32, UTF-7 and EBCDIC code pages are refused, as are numbers no
// converter knows, with CQbInvalidParamException; the setting then stays.
void SetLocalCharEncoding(unsigned int codePage);
unsigned int GetLocalCharEncoding();
// True when the local encoding is UTF-8, so UTF-8 text needs no conversion.
bool IsLocalCharEncodingUtf8();

// True when the `length` bytes at `text` are well-formed UTF-8 (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence).
bool IsValidUtf8(const char* text, std::size_t length);

// What one pass over UTF-8 text bound for an XML document finds. A string
// that is both not UTF-8 and holds a forbidden character is InvalidUtf8.
enum class Utf8XmlScan {
    Plain,            // well-formed, every character allowed, no carriage return
    CarriageReturn,   // as Plain, but holding at least one carriage return
    NotXmlCharacter,  // well-formed, but holding a character XML 1.0 forbids: a
                      // control character other than tab, line feed and
                      // carriage return (NUL included), U+FFFE or U+FFFF
    InvalidUtf8       // not well-formed UTF-8 (as IsValidUtf8 judges)
};

// Validates, looks for forbidden characters and for carriage returns in one
// pass: sixteen bytes at a time with SSE2 (multi-byte text included),
// ScanUtf8XmlTextPortable elsewhere.
Utf8XmlScan ScanUtf8XmlText(const char* text, std::size_t length);
// The same answer without vector instructions, on any platform.
Utf8XmlScan ScanUtf8XmlTextPortable(const char* text, std::size_t length);

// `length` UTF-8 bytes to the local encoding. `scratch` is an optional
// caller-owned work area for the converter's output (any size; a few hundred
// bytes suit names and short values); without it a stack area is used.
// Either way only the returned string is allocated.
std::string Utf8ToLocal(const char* utf8, std::size_t length, char* scratch = nullptr,
                        std::size_t scratchCapacity = 0);

// `count` UTF-16 code units (host byte order) to the local encoding.
std::string Utf16ToLocal(const char16_t* units, std::size_t count);

// Local text (zero-terminated, or `length` bytes) to UTF-8.
CBinaryData LocalToUtf8(const char* text);
CBinaryData LocalToUtf8(const char* text, std::size_t length);

// Local text to UTF-16 little-endian bytes, with no terminator and no
// byte-order mark.
CBinaryData LocalToUtf16(const char* text);
CBinaryData LocalToUtf16(const char* text, std::size_t length);

// The library's UTF-16 to UTF-8 encoder (zero-terminated, or `count` units).
// Zero units give an object without a record; an unpaired surrogate becomes
// U+FFFD.
CBinaryData Utf16ToUtf8(const char16_t* text);
CBinaryData Utf16ToUtf8(const char16_t* units, std::size_t count);

// A zero-terminated wide string (UTF-32 where wchar_t has 32 bits, UTF-16
// where it has 16) as UTF-16 little-endian bytes without terminator or mark;
// code points beyond the BMP become surrogate pairs, invalid ones U+FFFD.
CBinaryData WideToUtf16(const wchar_t* text);
// `count` wide characters (as above) in the local encoding; characters it
// cannot represent become '?'.
std::string WideToLocal(const wchar_t* text, std::size_t count);

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CCHARENCODING_H
