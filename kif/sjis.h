#pragma once

#include <string>
#include <string_view>

namespace kaz {

// Conversions between UTF-8 (the program's own text) and Shift-JIS (code page 932, KIF files),
// through iconv. Each returns false, leaving out unspecified, when the input is not valid in its
// encoding or has a character the other cannot represent.
bool utf8ToSjis(std::string_view utf8, std::string& out);
bool sjisToUtf8(std::string_view sjis, std::string& out);

// As utf8ToSjis for valid UTF-8, but a character Shift-JIS cannot represent becomes "?".
bool utf8ToSjisLenient(std::string_view utf8, std::string& out);

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool isValidUtf8(std::string_view text);

// Length of the Shift-JIS character starting with byte b: 2 for a lead byte, else 1.
constexpr int sjisCharLength(unsigned char b) {
    return ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
}

// Position of the first occurrence of needle that starts on a character boundary of the
// Shift-JIS text, or npos.
std::size_t findSjis(std::string_view text, std::string_view needle);

}  // namespace kaz
