#include "kif/sjis.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace kaz {

namespace {

// Length of the UTF-8 sequence led by b (1 for anything that is no lead byte).
int utf8SequenceLength(unsigned char b) {
    if (b >= 0xF0) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC0) return 2;
    return 1;
}

bool convert(const char* to, const char* from, std::string_view in, std::string& out,
             bool replaceUnmappable) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char* inPtr = const_cast<char*>(in.data());  // iconv does not write through it
    std::size_t inLeft = in.size();
    char buffer[4096];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        if (errno == EILSEQ && replaceUnmappable) {
            const std::size_t skip = std::min<std::size_t>(
                inLeft, utf8SequenceLength(static_cast<unsigned char>(*inPtr)));
            inPtr += skip;
            inLeft -= skip;
            out.push_back('?');
            continue;
        }
        ok = false;  // an invalid sequence, or one cut off at the end
        break;
    }
    if (ok) {  // end any shift state
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    }
    iconv_close(cd);
    return ok;
}

}  // namespace

bool utf8ToSjis(std::string_view utf8, std::string& out) {
    return isValidUtf8(utf8) && convert("CP932", "UTF-8", utf8, out, false);
}

bool utf8ToSjisLenient(std::string_view utf8, std::string& out) {
    return isValidUtf8(utf8) && convert("CP932", "UTF-8", utf8, out, true);
}

bool sjisToUtf8(std::string_view sjis, std::string& out) {
    return convert("UTF-8", "CP932", sjis, out, false);
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        int length;
        std::uint32_t cp;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < static_cast<std::size_t>(length)) return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const std::uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::size_t findSjis(std::string_view text, std::string_view needle) {
    if (needle.empty()) return 0;
    for (std::size_t i = 0; i < text.size();
         i += sjisCharLength(static_cast<unsigned char>(text[i]))) {
        if (text.substr(i, needle.size()) == needle) return i;
    }
    return std::string_view::npos;
}

}  // namespace kaz
