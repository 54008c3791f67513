#include "kif/csa_writer.h"

#include "kif/csa_names.h"

namespace kaz {

namespace {

// Kinds in the order hands are listed: rook, bishop, gold, silver, knight, lance, pawn.
constexpr int HAND_ORDER[7] = {HI, KAKU, KIN, GIN, KEI, KYO, HU};

std::string startLines(const MoveRecord& record) {
    const GameBoard& board = record.boards[0];
    if (board == makeInitialBoard() && record.hands[0][0] == GameHand{} &&
        record.hands[1][0] == GameHand{} && !record.header.goteFirst)
        return "PI\n+\n";
    std::string text;
    for (int row = 0; row < 9; ++row) {
        text += 'P';
        text += static_cast<char>('1' + row);
        for (int col = 0; col < 9; ++col) {
            const std::int32_t v = board[cellOf(row, col)];
            if (v == EMPTY) {
                text += " * ";
                continue;
            }
            text += (v & OWNER_BIT) ? '-' : '+';
            text += CSA_PIECE_NAMES[v & 15];
        }
        text += '\n';
    }
    for (int side = 0; side < 2; ++side) {
        std::string pieces;
        for (int kind : HAND_ORDER)
            for (int n = 0; n < record.hands[side][0][kind]; ++n)
                (pieces += "00") += CSA_PIECE_NAMES[kind];
        if (!pieces.empty()) text += (side == 0 ? "P+" : "P-") + pieces + "\n";
    }
    return text + (record.header.goteFirst ? "-\n" : "+\n");
}

}  // namespace

KifWriteResult formatCsa(const MoveRecord& record, int recordLength, std::string& out) {
    std::string text = "V2.2\n";
    if (!record.header.names[0].empty()) text += "N+" + record.header.names[0] + "\n";
    if (!record.header.names[1].empty()) text += "N-" + record.header.names[1] + "\n";
    text += startLines(record);
    int written = 0;
    int side = record.header.goteFirst ? 1 : 0;
    for (int k = 0; k < recordLength && k + 1 < RECORD_SLOTS; ++k) {
        if (record.boards[k] == record.boards[k + 1]) break;  // a repeated position ends it
        RecordedMove move;
        const KifWriteResult r = recoverMove(record.boards[k], record.boards[k + 1], move);
        if (r.error != KifWriteError::None) return r;
        const bool drop = move.fromRow < 0;
        text += side == 0 ? '+' : '-';
        text += static_cast<char>('0' + (drop ? 0 : 9 - move.fromCol));
        text += static_cast<char>('0' + (drop ? 0 : move.fromRow + 1));
        text += static_cast<char>('0' + 9 - move.toCol);
        text += static_cast<char>('0' + move.toRow + 1);
        (text += CSA_PIECE_NAMES[move.placed & 15]) += '\n';
        side = 1 - side;
        ++written;
    }
    out = text + "%TORYO\n";
    return {KifWriteError::None, 0, written};
}

}  // namespace kaz
