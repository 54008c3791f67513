#pragma once

#include <string>
#include <string_view>

#include "game/game_board.h"

namespace kaz {

// The lines before a KIF file's move list that say where the game starts and who plays it: the
// 手合割 header, the board diagram of a set-up position (hands, nine rows, side to move) and the
// player names. Lines are UTF-8 without their line end.
class KifHeaderReader {
  public:
    // Takes one header line; returns a reason when it is malformed, else an empty view.
    std::string_view readLine(std::string_view line);
    // Once the header is over: slot 0 of `record` and its header from what was read (the standard
    // start when nothing said otherwise). Returns a reason when they do not make a position.
    std::string_view finish(MoveRecord& record);

  private:
    std::string_view readBoardRow(std::string_view line);

    static constexpr int OTHER_HANDICAP = -2;  // "その他": the diagram gives the position
    int handicap_ = -1;
    int rows_ = -1;  // diagram rows read; -1 before the diagram's top border
    bool diagram_ = false;
    int sideToMove_ = -1;  // from a 先手番/後手番 line, -1 when none
    GameBoard board_ = makeEmptyBoard();
    GameHand hands_[2] = {};
    bool handGiven_ = false;
    RecordHeader header_;
};

// The header lines (UTF-8, each ending in CR LF) that restore the start of `record`: "手合割：平手"
// and the two name lines for the standard start, the handicap's name for a standard handicap
// (with the diagram too when other programs may not know the name), else the diagram.
std::string kifStartLines(const MoveRecord& record);

}  // namespace kaz
