#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kaz {

// Reads text made only of decimal digits (at least one, at most maxDigits; leading zeros allowed)
// as a number from 0 to max. On failure returns false and leaves out untouched.
inline bool parseNumber(std::string_view text, std::uint64_t max, std::uint64_t& out,
                        std::size_t maxDigits = std::string_view::npos) {
    if (text.empty() || text.size() > maxDigits) return false;
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const unsigned digit = static_cast<unsigned>(c - '0');
        // Beyond max already, so before n could overflow.
        if (digit > max || n > (max - digit) / 10) return false;
        n = n * 10 + digit;
    }
    out = n;
    return true;
}

}  // namespace kaz
