#pragma once

#include <cerrno>
#include <cstdlib>

namespace kaz {

// The largest --time-ms: a day.
constexpr long MAX_TIME_MS = 86400000L;

// Reads a whole decimal number 0..limit with nothing else in the text.
inline bool parseCount(const char* text, long limit, long& out) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < 0 || v > limit) return false;
    out = static_cast<long>(v);
    return true;
}

}  // namespace kaz
