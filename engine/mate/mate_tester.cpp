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

    const int king[2] = {kingSquareOrNone(position.board, 0), kingSquareOrNone(position.board, 1)};
    for (int p = 0; p < 64; ++p) {
        kingSquare[0][p] = king[0];
        kingSquare[1][p] = king[1];
        mateFlag[p] = 0;
    }
    depthLimit = std::clamp(configuredDepth, 0, MAX_PLY);
    attackMap.buildAttackMap(position.board);
    ply = 0;
    // Without a king to mate the answer is no.
    if (king[0] == NO_KING_SQUARE) return 0;

    mate::MateNodes<mate::TesterPolicy> nodesOf(*this);
    nodesOf.attackerNode(1);
    if (mateFlag[0] == 0) nodesOf.attackerNode(0);
    return mateFlag[0];
}

}  // namespace kaz
