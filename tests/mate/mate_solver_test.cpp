// Mate positions are written with the uppercase side (sente) to move and attacking upward, as
// problems are usually set; the solver sees them turned so that the attacker is side 1. In that
// view its board scan runs from file 1 to file 9 and, within a file, from rank i up to rank a, and
// the drop pattern starts on the square below the defending king.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/mate/mate_nodes.h"
#include "engine/mate/mate_solver.h"
#include "engine/mate/side_to_move.h"
#include "engine/position/make_move.h"
#include "engine/position/usi_notation.h"
#include "tests/mate/mate_support.h"
#include "tests/support/data_lines.h"

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

// The answers listed in the data files, each with why it holds; the drop-started mates of five
// to eleven plies have a single mating line, checked against an independent rules library.
TEST(MateSolver, AnswersOfTheDataFiles) {
    for (const char* file : {"/mates.txt", "/drop_mates.txt"})
        for (const auto& f : testing::dataLines(KAZ_MATE_DATA + std::string(file)))
            expectAnswer({f[0].c_str(), f[1].c_str(), std::stoi(f[2]),
                          f.size() > 3 ? std::stoi(f[3]) : MATE_SOLVER_DEPTH});
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
