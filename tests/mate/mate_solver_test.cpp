// Mate positions are written with the uppercase side (sente) to move and attacking upward, as
// problems are usually set; the solver sees them turned so that the attacker is side 1. In that
// view its board scan runs from file 1 to file 9 and, within a file, from rank i up to rank a, and
// the drop pattern starts on the square below the defending king.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "engine/mate/mate_nodes.h"
#include "engine/mate/mate_solver.h"
#include "engine/mate/side_to_move.h"
#include "engine/position/make_move.h"
#include "engine/position/usi_notation.h"
#include "tests/mate/mate_support.h"

namespace kaz {
namespace {

using testing::attackerIsSide1;
using testing::mapIsExact;
using testing::sfenOf;

struct Expected {
    const char* sfen;
    const char* move;  // USI, or "" for no mate offered
    int length;
    int depth = MATE_SOLVER_DEPTH;
};

// Solves, checking that the run left its position and attack map as it found them.
std::unique_ptr<MateSolver> solverFor(const std::string& sfen, MateAnswer& answer,
                                      int depth = MATE_SOLVER_DEPTH) {
    auto solver = std::make_unique<MateSolver>();
    const SfenPosition pos = sfenOf(sfen);
    answer = solveSideToMove(*solver, pos, depth);
    EXPECT_EQ(solver->done.load(), 1);
    EXPECT_TRUE(solver->position == attackerIsSide1(pos)) << "position changed by " << sfen;
    EXPECT_TRUE(mapIsExact(solver->attackMap, solver->position.board)) << sfen;
    return solver;
}

void expectAnswer(const Expected& e) {
    MateAnswer answer;
    auto solver = solverFor(e.sfen, answer, e.depth);
    if (*e.move == '\0') {
        EXPECT_FALSE(answer.found) << e.sfen << " offered " << toUsi(answer.move);
        return;
    }
    ASSERT_TRUE(answer.found) << e.sfen;
    EXPECT_EQ(toUsi(answer.move), e.move) << e.sfen;
    // The same position turned round, gote to move: the same mate, named in gote's terms.
    auto turned = std::make_unique<MateSolver>();
    const MateAnswer asGote = solveSideToMove(*turned, rotateSfen(sfenOf(e.sfen)), e.depth);
    EXPECT_TRUE(rotateMove(asGote.move) == answer.move && asGote.length == e.length) << e.sfen;
    EXPECT_EQ(answer.length, e.length) << e.sfen;
    // A king capture keeps bestLength as it was; a mate leaves it equal to the length.
    if ((answer.move.captured & 7) != GYOKU) {
        EXPECT_EQ(solver->bestLength, e.length) << e.sfen;
    }
}

// The pawn ladder: sente lances on 6i and 4i close files 6 and 4, so the gote king can only walk
// up file 5; each push of the pawn, defended by the 5i lance, checks and drives it one rank up
// until 5b mates on the edge. A king on rank r takes 2 r + 1 plies.
TEST(MateSolver, MatesByBoardMovesAndDropsWithinTheDepth) {
    const Expected cases[] = {
        {"4k4/9/4P4/9/9/9/9/9/K2LLL3 b - 1", "5c5b+", 1},  // promoting comes first in the scan
        {"9/4k4/9/4P4/9/9/9/9/K2LLL3 b - 1", "5d5c+", 3},
        {"9/9/4k4/9/4P4/9/9/9/K2LLL3 b - 1", "5e5d", 5},
        {"9/9/9/4k4/9/4P4/9/9/K2LLL3 b - 1", "5f5e", 7},
        {"9/9/9/9/4k4/9/4P4/9/K2LLL3 b - 1", "5g5f", 9},
        {"9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1", "5h5g", 11},
        // The depth limit counts plies: 11 plies of checks need a limit of 12.
        {"9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1", "", 0, 11},
        {"9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1", "5h5g", 11, 12},
        {"9/9/9/9/4k4/9/4P4/9/K2LLL3 b - 1", "", 0, 9},
        {"4k4/9/4P4/9/9/9/9/9/K2LLL3 b - 1", "", 0, 0},
        // Gold up to 1b, defended by the lance whose file it opens.
        {"8k/9/8G/9/9/9/9/9/4K3L b - 1", "1c1b", 1},
        // Only the promoted silver covers 2b; it is tried before the plain one.
        {"8k/9/7SK/9/9/9/9/9/9 b - 1", "2c1b+", 1},
        {"4k4/9/4G4/9/9/9/9/9/4K4 b G 1", "G*5b", 1},
        // A lance on 5b would be taken; one square further out nothing can take or block it.
        {"4k4/9/9/9/9/9/9/9/K2L1L3 b L 1", "L*5c", 1},
    };
    for (const Expected& e : cases) expectAnswer(e);
}

// Longer mates that start with a drop, each with a single mating line (see the data file for
// why each holds and how the lines were checked against an independent rules library).
TEST(MateSolver, DropStartedMatesOfFiveToEleven) {
    std::ifstream in(KAZ_MATE_DATA "/drop_mates.txt");
    ASSERT_TRUE(in) << KAZ_MATE_DATA;
    std::set<int> lengths;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto a = line.find('|'), b = line.rfind('|');
        ASSERT_TRUE(a != std::string::npos && b > a) << line;
        const std::string sfen = line.substr(0, a), move = line.substr(a + 1, b - a - 1);
        ASSERT_NE(move.find('*'), std::string::npos) << line;
        const int length = std::stoi(line.substr(b + 1));
        expectAnswer({sfen.c_str(), move.c_str(), length});
        lengths.insert(length);
    }
    EXPECT_EQ(lengths, (std::set<int>{5, 7, 9, 11}));
}

TEST(MateSolver, RulesOfTheSearch) {
    const Expected cases[] = {
        // Without the pawn of PawnDropMateInOneIsWithheld the gold drop is offered.
        {"3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b G 1", "G*5b", 1},
        // A pawn drop may start a longer mate: P*5b leaves the king only 4a, then N*3c mates.
        {"3lk1l2/3p1pn2/9/9/1B7/9/9/9/4K4 b NP 1", "P*5b", 3},
        // S*5b can only be taken (K5b) and mates in five; its length must not shrink to one for
        // want of king steps or interpositions, or it would beat S*6b's real mate in three.
        {"4k4/9/9/4P4/9/9/9/9/K2LLL3 b S 1", "S*6b", 3},
        // 2c1b+ would mate, but gote's rook on 9c pins the silver against sente's king.
        {"8k/9/r6SK/9/9/9/9/9/9 b - 1", "", 0},
        // Both knight drops mate (the 4b gold is pinned by the 2d bishop). N*4c comes first but is
        // a check offered for capture, searched in the second pass; N*6c, found in the first,
        // is never replaced by an equal mate.
        {"3lkl3/3blg3/9/7B1/9/9/9/9/K8 b N 1", "N*6c", 1},
        // Interposing drops only go where the defender already attacks: N*1g (1g unattacked) is
        // never tried, so 5f1f counts as mate; with gote's knight on 2e attacking 1g it holds.
        {"K8/9/9/9/9/4R4/9/7p1/7gk b n 1", "5f1f", 1},
        {"K8/9/9/9/7n1/4R4/9/7p1/7gk b n 1", "", 0},
        // No gote king: nothing to mate. No sente king: no check is refused for exposing it.
        {"9/9/4G4/9/9/9/9/9/4K4 b G 1", "", 0},
        {"4k4/9/4G4/9/9/9/9/9/9 b G 1", "G*5b", 1},
        // Gote's king already attacked: the capture, promoting first, with length 0; when a king
        // move was recorded as a mate in one before it, the capture keeps that length.
        {"4k4/9/9/9/4R4/9/9/9/4K4 b - 1", "5e5a+", 0},
        {"4k4/3G5/9/9/4R4/9/9/9/4K4 b - 1", "5e5a+", 1},
    };
    for (const Expected& e : cases) expectAnswer(e);
}

TEST(MateSolver, PawnDropMateInOneIsWithheld) {
    // Lances and pawns wall in the king, the 8e bishop defends 5b. P*5b mates at once and comes
    // first; G*5b also mates at once but is not shorter, so it never replaces the pawn drop.
    MateAnswer answer;
    auto solver = solverFor("3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b GP 1", answer);
    EXPECT_FALSE(answer.found);
    EXPECT_EQ(solver->found.load(), 0);
    EXPECT_EQ(solver->bestLength, 1);
    EXPECT_EQ(solver->mateLength[0], 1);
    EXPECT_EQ(solver->bestMove.piece, OWNER_BIT | HU);
}

TEST(MateSolver, KingCaptureAtTheRoot) {
    // The 4b gold (file 4, scanned before the rook's file 5) takes the king first.
    MateAnswer answer;
    auto solver = solverFor("4k4/5G3/9/9/4R4/9/9/9/4K4 b - 1", answer);
    ASSERT_TRUE(answer.found);
    EXPECT_EQ(toUsi(answer.move), "4b5a");
    EXPECT_EQ(answer.move.captured, OWNER_BIT | GYOKU);  // gote's king, in the SFEN's orientation
    EXPECT_EQ(answer.length, 0);
    EXPECT_EQ(solver->bestLength, NO_MATE);
}

TEST(MateSolver, SetUpClearsThePreviousRunAndClampsTheDepth) {
    MateAnswer answer;
    auto solver = solverFor("4k4/9/4G4/9/9/9/9/9/4K4 b G 1", answer);
    ASSERT_EQ(solver->found.load(), 1);
    solver->setUp(solver->position);
    EXPECT_EQ(solver->done.load() + solver->found.load() + solver->mateFlag[0], 0);
    EXPECT_EQ(solver->depthLimit.load(), MATE_SOLVER_DEPTH);
    // The per-ply planes have 32 slots: a larger depth is clamped rather than overrun them.
    solver->setUp(solver->position, 100);
    EXPECT_EQ(solver->configuredDepth.load(), MAX_PLY);
}

// Prepares a solver as solve() does and runs one node directly, to look at a single rule.
struct NodeBench {
    std::unique_ptr<MateSolver> solver = std::make_unique<MateSolver>();

    explicit NodeBench(const std::string& sfen) {
        solver->setUp(attackerIsSide1(sfenOf(sfen)));
        solver->solve();  // fills the king squares, the root copy and a valid map
        solver->depthLimit = 12;
        solver->attackMap.buildAttackMap(solver->position.board);
        for (int p = 0; p < 64; ++p) {
            solver->kingSquare[0][p] = solver->rootKingSquare[0];
            solver->kingSquare[1][p] = solver->rootKingSquare[1];
        }
    }
    mate::MateNodes<mate::SolverPolicy> nodes() {
        return mate::MateNodes<mate::SolverPolicy>(*solver);
    }
};

TEST(MateSolverNodes, BackAtTheRootPositionFromPlyFourIsCut) {
    // A mate in one is on the board; from ply 4 on an identical position is taken for a return to
    // the root and cut, below that it is searched, and a different hand is not the root position.
    NodeBench b("4k4/9/4G4/9/9/9/9/9/4K4 b G 1");
    auto nodes = b.nodes();
    for (int p : {2, 4, 6}) {
        b.solver->ply = p;
        nodes.attackerNode(1);
        EXPECT_EQ(b.solver->mateFlag[p], p < 4 ? 1 : 0) << "ply " << p;
        EXPECT_TRUE(mapIsExact(b.solver->attackMap, b.solver->position.board));
    }
    b.solver->rootHand[1][KIN] += 1;
    b.solver->ply = 4;
    nodes.attackerNode(1);
    EXPECT_EQ(b.solver->mateFlag[4], 1);
    EXPECT_EQ(b.solver->mateLength[4], 5);
}

TEST(MateSolverNodes, DefenderClasses) {
    // After sente's gold drop on 5b (undefended) the only evasion is the king taking it: a
    // capture, searched in class 1. After the rook drop on 5c the king's only ways out are steps
    // aside, searched in class 0. A lone rook cannot mate a bare king, so the evasion holds.
    const struct {
        const char* sfen;
        int dropKind;
        int target;  // square of the drop in the solver's (turned) view
        int holdsInClass;
    } cases[] = {
        {"4k4/9/9/9/9/9/9/9/4K4 b G 1", KIN, rotateSquare(squareOf(1, 4)), 1},
        {"4k4/9/9/9/9/9/9/9/4K4 b R 1", HI, rotateSquare(squareOf(2, 4)), 0},
    };
    for (const auto& c : cases) {
        NodeBench b(c.sfen);
        MateSolver& s = *b.solver;
        const PieceCode d = static_cast<PieceCode>(OWNER_BIT | c.dropKind);
        s.lastTarget[0] = c.target;
        makeDrop(s.position, s.attackMap, 0, c.target, c.target, d);
        ASSERT_GT(s.attackMap.count[1][s.kingSquare[0][0]], 0) << "the drop must check";
        for (int cls : {1, 0}) {
            s.ply = 1;
            b.nodes().defenderNode(cls);
            EXPECT_EQ(s.mateFlag[1], cls == c.holdsInClass ? 0 : 1) << c.sfen << " class " << cls;
        }
        unmakeDrop(s.position, s.attackMap, 0, c.target, d);
        EXPECT_TRUE(mapIsExact(s.attackMap, s.position.board));
    }
}

}  // namespace
}  // namespace kaz
