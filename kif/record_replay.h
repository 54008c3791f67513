#pragma once

#include <string_view>

#include "game/game_board.h"

namespace kaz {

// One move of a record file: a board move from (fromRow, fromCol), or a drop of dropKind when
// fromRow is -1.
struct FileMove {
    int fromRow = -1, fromCol = -1;
    int toRow = 0, toCol = 0;
    int dropKind = -1;
    bool promotes = false;
};

// Makes slot m of `record` from slot m - 1 with `side`'s move, checked against the position:
// the mover's piece on the origin, nothing of its own and no king on the target, a promotable
// piece for a promotion, a held piece of a droppable kind for a drop onto an empty square.
// Returns a reason when the move cannot be made, else an empty view.
std::string_view replayMove(MoveRecord& record, int m, int side, const FileMove& move);

// Whether slot 0 and its hands hold a position a game can reach and the engine can take (piece
// counts, kings, pieces that could never move again, two pawns of a side on a file).
bool isPlayableStart(const MoveRecord& record);

}  // namespace kaz
