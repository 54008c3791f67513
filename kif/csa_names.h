#pragma once

#include <array>
#include <string_view>

namespace kaz {

// CSA piece names by code & 15 (index 12 and 15 never occur).
inline constexpr std::array<std::string_view, 16> CSA_PIECE_NAMES = {
    "FU", "KY", "KE", "GI", "KI", "KA", "HI", "OU", "TO", "NY", "NK", "NG", "", "UM", "RY", ""};

}  // namespace kaz
