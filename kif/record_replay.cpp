#include "kif/record_replay.h"

#include "engine/position/sfen.h"

namespace kaz {

std::string_view replayMove(MoveRecord& record, int m, int side, const FileMove& move) {
    GameBoard& board = record.boards[m];
    GameHand& hand = record.hands[side][m];
    board = record.boards[m - 1];
    record.hands[0][m] = record.hands[0][m - 1];
    record.hands[1][m] = record.hands[1][m - 1];
    std::int32_t& target = board[cellOf(move.toRow, move.toCol)];

    if (move.fromRow < 0) {
        const int kind = move.dropKind;
        if (kind < 0 || kind >= GYOKU) return "drop of a piece that cannot be held";
        if (target != EMPTY) return "drop onto an occupied square";
        if (hand[kind] <= 0) return "drop of a piece not in hand";
        hand[kind] -= 1;
        target = pieceOf(side, kind);
        return {};
    }
    std::int32_t& origin = board[cellOf(move.fromRow, move.fromCol)];
    if (origin == EMPTY || ownerOf(static_cast<PieceCode>(origin)) != side)
        return "origin holds no piece of the mover";
    if (target != EMPTY) {
        if (ownerOf(static_cast<PieceCode>(target)) == side)
            return "target holds a piece of the mover";
        if ((target & 7) == GYOKU) return "move takes a king";
    }
    if (move.promotes && !canPromote(static_cast<PieceCode>(origin)))
        return "promotion of a piece that cannot promote";
    if (target != EMPTY) hand[target & 7] += 1;
    target = origin + (move.promotes ? PROMOTED_BIT : 0);
    origin = EMPTY;
    return {};
}

bool isPlayableStart(const MoveRecord& record) {
    SfenPosition start{toEnginePosition(record.boards[0], record.hands[0][0], record.hands[1][0]),
                       0, 1};
    return parseSfen(toSfen(start), start).empty();
}

}  // namespace kaz
