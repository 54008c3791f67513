#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/position/types.h"

namespace kaz {

// A position as SFEN describes it: uppercase pieces are side 0 (at the bottom), lowercase side 1.
struct SfenPosition {
    Position pos;
    int sideToMove;  // 0: the uppercase side (sente) moves
    int moveNumber;  // 1 for the first move of a game
};

constexpr std::string_view STARTPOS_SFEN =
    "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1";

// Parses "BOARD SIDE HANDS [MOVENUMBER]" (or "startpos"). On failure returns a message saying what
// is wrong and leaves out untouched; on success returns an empty string.
std::string parseSfen(std::string_view text, SfenPosition& out);

// Normalised SFEN: hands in the order R B G S N L P, then r b g s n l p.
std::string toSfen(const SfenPosition& sfen);

// A board with every playable square EMPTY and the frame OFF_BOARD; empty hands.
Position emptyPosition();

// The standard starting position, side 0 at the bottom.
Position initialPosition();

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> splitFields(std::string_view text);

// USI letters of the base kinds, uppercase: P L N S G B R K.
char kindLetter(int kind);

}  // namespace kaz
