#pragma once

// The in-search mate test: the mate solver's AND/OR search, run synchronously inside
// the main search on the position turned through 180 degrees, answering whether side 0 (to move
// in the given position) can force mate of side 1's king within 12 plies. Same nodes as
// MateSolver (mate_nodes.h), with the differences as a compile-time policy: no
// repetition test, no mate lengths, the first proven check at the root ends the search, no
// hu-drop filter; stopped through its owner's stop flag.

#include <atomic>
#include <cstdint>

#include "engine/position/attack_map.h"
#include "engine/position/types.h"

namespace kaz {

class MateTester {
  public:
    MateTester() = default;
    MateTester(const MateTester&) = delete;
    MateTester& operator=(const MateTester&) = delete;

    // The given position has side 0 to move. Returns mateFlag[0]: 1 when side 0 can
    // force mate of side 1's king within configuredDepth plies (a king capture at the root, i.e.
    // side 1's king already attacked, also answers 1), else 0. The given position is not changed.
    std::uint8_t testMate(const Board& board, const Hand& hand0, const Hand& hand1);
    std::uint8_t testMate(const Position& given) {
        return testMate(given.board, given.hand[0], given.hand[1]);
    }

    // Moves made (board moves and drops, both sides) since the object was created or the counter
    // was last reset by its owner; it only ever grows inside testMate.
    std::uint64_t nodes = 0;
    // The owner's stop flag, or null: once it reads true no node searches further and the answer
    // means nothing (the owner discards it).
    const std::atomic<bool>* stopRequest = nullptr;

    // --- Search state --------------------------------------------------------------------------
    Position position;               // the turned position being searched (board, hands[2])
    Board givenBoard;                // the position as handed over, before turning
    std::int32_t kingSquare[2][64];  // king squares per ply (of the turned position)
    std::int32_t ply = 0;            // current ply
    std::int32_t configuredDepth = 12;
    std::int32_t depthLimit = 12;  // copied from configuredDepth by every testMate
    AttackMap attackMap;           // the tester's own map
    std::uint8_t mateFlag[64];     // mateFlag[0] is the answer
    std::int32_t moveClass[64];
    std::int32_t lastTarget[64];
};

}  // namespace kaz
