#pragma once

#include <cstddef>
#include <string_view>

#include "game/game_board.h"

namespace kaz {

// At most this many moves are read; the rest of a longer file is ignored.
constexpr int KIF_MOVE_LIMIT = 498;
// Longer lines, and larger files, are refused rather than read in pieces.
constexpr std::size_t KIF_MAX_LINE_BYTES = 9998;
constexpr std::size_t KIF_MAX_FILE_BYTES = 8u << 20;

struct KifReadResult {
    bool ok = false;
    int moves = 0;            // on success slots 0..moves of the record hold the game
    int line = 0;             // on failure the 1-based line at fault (0: the file as a whole)
    std::string_view reason;  // on failure, what is wrong, in English
};

// Replays the move lines of a KIF file (Shift-JIS, or UTF-8 with or without a byte-order mark)
// into `record`, sente at the bottom, from the start its header gives (手合割, a board diagram,
// the standard start otherwise); the header keeps who moved first and the player names. Every move
// is checked against the replayed position: the mover's piece on the origin, nothing of its own on
// the target, a promotable piece for "成", a held piece of a droppable kind for a drop onto an
// empty square. On failure the record's slots are unspecified; callers read into a scratch record.
KifReadResult readKif(std::string_view fileBytes, MoveRecord& record);

}  // namespace kaz
