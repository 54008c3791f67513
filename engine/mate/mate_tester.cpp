#include "engine/mate/mate_tester.h"

#include <algorithm>

#include "engine/mate/mate_nodes.h"
#include "engine/position/rotate.h"

namespace kaz {

std::uint8_t MateTester::testMate(const Board& board, const Hand& hand0, const Hand& hand1) {
    mateFlag[0] = 0;
    givenBoard = board;
    // Side 0 of the given position becomes the attacking side 1 of the search.
    Position given;
    given.board = board;
    given.hand[0] = hand0;
    given.hand[1] = hand1;
    position = rotatePosition(given);

    int king[2] = {mate::NO_KING_SQUARE, mate::NO_KING_SQUARE};
    for (int rank = 0; rank < 9; ++rank) {
        for (int file = 0; file < 9; ++file) {
            const int q = squareOf(rank, file);
            if (position.board[q] == GYOKU) king[0] = q;
            if (position.board[q] == (OWNER_BIT | GYOKU)) king[1] = q;
        }
    }
    for (int p = 0; p < 64; ++p) {
        kingSquare[0][p] = king[0];
        kingSquare[1][p] = king[1];
        mateFlag[p] = 0;
    }
    depthLimit = std::clamp(configuredDepth, 0, MAX_PLY);
    attackMap.buildAttackMap(position.board);
    ply = 0;
    // Without a king to mate the answer is no.
    if (king[0] == mate::NO_KING_SQUARE) return 0;

    mate::MateNodes<mate::TesterPolicy> nodesOf(*this);
    nodesOf.attackerNode(1);
    if (mateFlag[0] == 0) nodesOf.attackerNode(0);
    return mateFlag[0];
}

}  // namespace kaz
