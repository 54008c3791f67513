#pragma once

#include <string_view>

#include "game/game_board.h"
#include "kif/kif_reader.h"

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

// Calls take(line, stop) for each line of `rest` (without its LF or CR LF), counting lines in
// lineNumber, until the text ends or take sets stop; `rest` keeps what follows. A line longer than
// KIF_MAX_LINE_BYTES, or a reason returned by take, fails the read: false, with line and reason
// in `result`.
template <typename Take>
bool forEachLine(std::string_view& rest, int& lineNumber, KifReadResult& result, Take take) {
    bool stop = false;
    while (!rest.empty() && !stop) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view reason = "line longer than 9998 bytes";
        if (line.size() <= KIF_MAX_LINE_BYTES) reason = take(line, stop);
        if (!reason.empty()) {
            result.line = lineNumber;
            result.reason = reason;
            return false;
        }
    }
    return true;
}

// Whether slot 0 and its hands hold a position a game can reach and the engine can take (piece
// counts, kings, pieces that could never move again, two pawns of a side on a file).
bool isPlayableStart(const MoveRecord& record);

}  // namespace kaz
