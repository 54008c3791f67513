#include "kif/kif_writer.h"

#include <cstdio>

#include "kif/kif_header.h"
#include "kif/kif_names.h"
#include "kif/sjis.h"

namespace kaz {

namespace {

bool holdsPiece(std::int32_t v) { return v >= 0 && v < 32 && isPiece(static_cast<PieceCode>(v)); }

struct ChangedCell {
    int row, col;
    std::int32_t before, after;
};

// The KIF move line of move n, in UTF-8 with its CR LF.
std::string moveLine(int n, const RecordedMove& move) {
    char buffer[64];
    if (move.fromRow < 0) {
        std::snprintf(buffer, sizeof buffer, "%d %s%s打\r\n", n,
                      squareNameUtf8(move.toRow, move.toCol).c_str(),
                      std::string(PIECE_NAMES_UTF8[move.placed & 7]).c_str());
    } else {
        std::snprintf(buffer, sizeof buffer, "%d %s%s%s(%d%d)\r\n", n,
                      squareNameUtf8(move.toRow, move.toCol).c_str(),
                      std::string(PIECE_NAMES_UTF8[move.moving & 15]).c_str(),
                      move.moving != move.placed ? "成" : "", 9 - move.fromCol, move.fromRow + 1);
    }
    return buffer;
}

}  // namespace

KifWriteResult recoverMove(const GameBoard& before, const GameBoard& after, RecordedMove& move) {
    ChangedCell changed[3];
    int count = 0;
    // Column by column, as the origin/target rule below depends on the order.
    for (int col = 0; col < 9; ++col)
        for (int row = 0; row < 9; ++row) {
            const int cell = cellOf(row, col);
            if (before[cell] == after[cell]) continue;
            if (count < 3) changed[count] = {row, col, before[cell], after[cell]};
            ++count;
        }
    if (count > 2) return {KifWriteError::TooManyChanges, count, 0};
    if (count == 1) {
        const ChangedCell& c = changed[0];
        if (c.before != EMPTY || !holdsPiece(c.after)) return {KifWriteError::NotADrop, count, 0};
        move = {-1, -1, c.row, c.col, c.after, c.after};
        return {};
    }
    const bool firstIsTarget = changed[0].after != EMPTY;
    const ChangedCell& target = firstIsTarget ? changed[0] : changed[1];
    const ChangedCell& origin = firstIsTarget ? changed[1] : changed[0];
    // A piece must leave the origin and arrive on the target; anything else would write a line
    // that names a piece which never moved.
    if (origin.after != EMPTY || !holdsPiece(origin.before) || !holdsPiece(target.after))
        return {KifWriteError::NotAMove, count, 0};
    move = {origin.row, origin.col, target.row, target.col, origin.before, target.after};
    return {};
}

KifWriteResult formatKif(const MoveRecord& record, int recordLength, const std::tm& started,
                         std::string& out) {
    char header[200];
    std::snprintf(header, sizeof header,
                  "開始日時：%d/%02d/%02d (%02d:%02d:%02d)\r\n"
                  "棋戦：将棋入門\r\n",
                  started.tm_year + 1900, started.tm_mon + 1, started.tm_mday, started.tm_hour,
                  started.tm_min, started.tm_sec);
    std::string text = header;
    text += kifStartLines(record);
    text += "手数----指手---------消費時間--\r\n";
    int written = 0;
    for (int k = 0; k < recordLength && k + 1 < RECORD_SLOTS; ++k) {
        const GameBoard& before = record.boards[k];
        const GameBoard& after = record.boards[k + 1];
        if (before == after) break;  // a repeated position ends the record
        RecordedMove move;
        KifWriteResult r = recoverMove(before, after, move);
        if (r.error != KifWriteError::None) return r;
        text += moveLine(k + 1, move);
        ++written;
    }
    text += std::to_string(written + 1) + " 投了";
    // Only player names can hold characters Shift-JIS lacks; they become "?".
    if (!utf8ToSjisLenient(text, out)) return {KifWriteError::NotAMove, 0, written};
    return {KifWriteError::None, 0, written};
}

}  // namespace kaz
