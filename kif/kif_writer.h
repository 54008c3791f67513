#pragma once

#include <ctime>
#include <string>

#include "game/game_board.h"

namespace kaz {

// Why a record could not be written as moves.
enum class KifWriteError {
    None,
    TooManyChanges,  // more than two cells changed between neighbouring slots
    NotADrop,        // one cell changed, but not from empty to a piece
    NotAMove,        // two cells changed, but not as a piece leaving one for the other
};

struct KifWriteResult {
    KifWriteError error = KifWriteError::None;
    int changes = 0;       // the number of changed cells behind TooManyChanges
    int movesWritten = 0;  // move lines in the text
};

// A move recovered from two neighbouring slots: a drop when fromRow is -1.
struct RecordedMove {
    int fromRow, fromCol, toRow, toCol;
    std::int32_t moving;  // the code on the origin before the move (the dropped code for a drop)
    std::int32_t placed;  // the code on the target after it
};

// The move that turns board `before` into `after`, or why the change is no move.
KifWriteResult recoverMove(const GameBoard& before, const GameBoard& after, RecordedMove& move);

// The KIF text (Shift-JIS, CR LF, no line end after the closing "投了" line) of slots
// 0..recordLength, with sente at the bottom of every board; the header restores the record's start
// and names. `started` is the time in
// header line 1. The record ends early at the first slot equal to its predecessor. On an error
// `out` is unspecified.
KifWriteResult formatKif(const MoveRecord& record, int recordLength, const std::tm& started,
                         std::string& out);

}  // namespace kaz
