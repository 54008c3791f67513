// Whole thinks: the solver beside the main search, the state a think leaves, the stop request and
// the legality of every answer. Each think starts the solver's thread: this also runs under TSan.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "engine/position/engine_move.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "engine/search/searcher.h"
#include "tests/mate/mate_support.h"
#include "tests/support/data_lines.h"
#include "tests/support/searcher_access.h"
#include "tests/support/sfen_of.h"

namespace kaz {
namespace {

using testing::sfenOf;

constexpr bool SANITIZED = KAZ_SANITIZED;
constexpr int LEGALITY_THINKS = SANITIZED ? 20 : 200;

// One searcher for the whole program: it is large and a real game reuses one too.
SearcherTestAccess& searcher() {
    static SearcherUnderTest s;
    return *s;
}

// The book hit, the resignation, the refused pawn-drop mate and the solver's mate with the solver
// run first are pinned by the bench signature test (bench positions 2, 17, 16 and 14).

TEST(Think, LeavesItsStateAsLoadedAndRepeatsWithTheSameSeed) {
    const SfenPosition p = sfenOf("ln2k2nl/9/p1pp1pp1p/9/9/9/P1PP1PP1P/9/LN2K2NL w - 1");
    SearcherTestAccess& s = searcher();
    const ThinkResult a = s.searcher.thinkFor(p.pos, p.sideToMove, 20, {.seed = 12345});
    const ThinkStats as = s.searcher.stats();
    EXPECT_EQ(s.gameMoveCount, 21);  // once per think, not per pass
    EXPECT_EQ(s.position, p.pos);
    EXPECT_TRUE(testing::mapIsExact(s.attackMap, p.pos.board));
    const ThinkResult b = s.searcher.thinkFor(p.pos, p.sideToMove, 20, {.seed = 12345});
    const ThinkStats bs = s.searcher.stats();
    EXPECT_GT(as.nodes, 0u);
    EXPECT_TRUE(a.move == b.move && a.value == b.value && as.nodes == bs.nodes &&
                as.testerNodes == bs.testerNodes);
}

// A stop from another thread at various moments of long thinks: the think ends at once with a
// legal move it finished searching, or says it has none; never a resignation or unfinished value.
TEST(Think, StopRequestEndsAThinkPromptlyWithAFinishedMoveOrNone) {
    const char* positions[] = {
        "lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 1",
        // Many pieces in hand: the slowest to stop before every node tested the flag.
        "l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1",
    };
    // A stop takes milliseconds; the margin is for a loaded machine (a stop used to take seconds).
    constexpr auto PROMPT = std::chrono::milliseconds(SANITIZED ? 2000 : 500);
    SearcherTestAccess& s = searcher();
    bool sawMove = false, sawNoMove = false;
    for (const char* sfen : positions) {
        const SfenPosition p = sfenOf(sfen);
        for (int afterMs : {0, 5, 50, 400}) {
            s.searcher.clearStop();
            ThinkResult r{};
            std::atomic<bool> done{false};
            std::thread worker([&] {
                r = s.searcher.thinkFor(p.pos, p.sideToMove, 40, {.seed = 3});
                done = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            const auto stopAt = std::chrono::steady_clock::now();
            s.searcher.requestStop();
            while (!done) std::this_thread::yield();
            const auto latency = std::chrono::steady_clock::now() - stopAt;
            worker.join();
            s.searcher.clearStop();
            SCOPED_TRACE(std::string(sfen) + " stopped after " + std::to_string(afterMs) + " ms");
            EXPECT_LT(latency, PROMPT);
            EXPECT_TRUE(s.searcher.stats().stopped && !r.resign);
            if (r.mate) continue;
            EXPECT_LT(std::abs(r.value), r.noMove ? 1 : 50000);
            sawNoMove |= r.noMove;
            sawMove |= !r.noMove;
            EXPECT_TRUE(r.noMove || isLegal(p.pos, p.sideToMove, r.move)) << toUsi(r.move);
        }
    }
    EXPECT_TRUE(sawMove && sawNoMove);
}

// Side 1 mates with a gold drop. Side by side with the main search either may finish first; with
// a stop requested before the think, the solver run first still finds it.
TEST(Think, SolverMateWinsSideBySideAndAfterAStop) {
    SearcherTestAccess& s = searcher();
    const SfenPosition p = sfenOf("4k4/9/9/9/9/9/4p4/9/4K4 w g 1");
    const EngineMove goldDrop{-1, -1, 16 + KIN, 4, 7, 16 + KIN, EMPTY};
    const ThinkResult sideBySide = s.searcher.thinkFor(p.pos, 1, 50, {.seed = 7});
    EXPECT_TRUE(sideBySide.move == goldDrop && !sideBySide.resign);
    EXPECT_EQ(s.mateSolver.found.load(), 0);  // cleared for the next think
    s.searcher.requestStop();
    const ThinkLimits solverFirst{.seed = 1, .solverFirst = true};
    const ThinkResult mate = s.searcher.thinkFor(p.pos, 1, 50, solverFirst);
    // A lost position: stopped, the computer neither resigns nor claims a move.
    const ThinkResult lost =
        s.searcher.thinkFor(sfenOf("k8/G8/P8/9/9/9/9/9/8K w - 1").pos, 1, 40, solverFirst);
    const std::uint64_t lostNodes = s.searcher.stats().nodes;
    s.searcher.clearStop();
    EXPECT_TRUE(mate.mate && !mate.noMove && !mate.resign && mate.move == goldDrop);
    EXPECT_TRUE(lost.noMove && !lost.resign && lost.value == 0 && lostNodes == 0u);
}

// A heavy middle game whose full think takes tens of seconds: on a budget the answer is a legal
// move, in time, from a shallower search (with no time at all, any legal move).
TEST(Think, DeadlineThinkAnswersALegalMoveInTime) {
    const SfenPosition p =
        sfenOf("l6nl/1r3kg2/p2ppp1p1/2ps2p1p/1p7/2P1SPP1P/PPNP1S3/2GK2G2/L6RL w BGNPbnp 61");
    // The deadline is kept to milliseconds; the margin is for a loaded machine.
    constexpr std::int64_t BUDGET_MS = 1000, SLACK_MS = SANITIZED ? 2000 : 300;
    Searcher& s = searcher().searcher;
    for (const std::int64_t budget : {BUDGET_MS, std::int64_t{0}}) {
        const auto start = std::chrono::steady_clock::now();
        const ThinkResult r = s.thinkFor(p.pos, p.sideToMove, 60, {.seed = 9, .budgetMs = budget});
        const auto took = std::chrono::steady_clock::now() - start;
        SCOPED_TRACE("budget " + std::to_string(budget));
        EXPECT_LT(took, std::chrono::milliseconds(budget + SLACK_MS));
        EXPECT_TRUE(!r.resign && !r.noMove && s.stats().stopped);
        EXPECT_TRUE(isLegal(p.pos, p.sideToMove, r.move)) << toUsi(r.move);
        EXPECT_LT(r.depth, s.depth());
        if (budget > 0) {
            // Depth 2 with the full mate test takes seconds here: the cheap first step answered.
            EXPECT_GE(r.depth, 1);
            EXPECT_LT(std::abs(r.value), 50000);
        }
    }
}

// With more time than the full think needs, the timed think ends with the very same search.
TEST(Think, ABudgetBeyondTheFullThinkGivesTheUnlimitedAnswer) {
    Searcher& s = searcher().searcher;
    for (const char* sfen : {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
                             "3gk4/4s4/4p4/9/9/9/4P4/4S4/4KG3 w - 1"}) {
        const SfenPosition p = sfenOf(sfen);
        const ThinkResult plain = s.thinkFor(p.pos, p.sideToMove, 10, {.seed = 77});
        const std::uint64_t plainNodes = s.stats().nodes;
        const ThinkResult timed =
            s.thinkFor(p.pos, p.sideToMove, 10, {.seed = 77, .budgetMs = 600000});
        SCOPED_TRACE(sfen);
        EXPECT_FALSE(s.stats().stopped);
        EXPECT_EQ(timed.depth, s.depth());
        EXPECT_EQ(plain.depth, s.depth());
        EXPECT_TRUE(timed.move == plain.move && timed.value == plain.value &&
                    timed.resign == plain.resign && timed.book == plain.book);
        EXPECT_GT(s.stats().nodes, plainNodes);  // the shallow searches came first
    }
}

// Random legal play from sparse positions, then a think for whoever is to move: every answer must
// be a legal move unless the computer resigns.
TEST(Think, EveryAnswerIsALegalMove) {
    const auto starts = testing::dataLines(KAZ_SEARCH_DATA "/legality_starts.txt");
    std::mt19937 rng(2024);
    SearcherTestAccess& s = searcher();
    int thinks = 0, moves = 0;
    while (thinks < LEGALITY_THINKS) {
        SfenPosition p = sfenOf(starts[thinks % starts.size()][0]);
        int side = p.sideToMove;
        // Up to 8 random plies first, stopping early at a position with no legal move.
        const int plies = static_cast<int>(rng() % 9);
        bool stuck = false;
        for (int i = 0; i < plies && !stuck; ++i) {
            const auto legal = legalMoves(p.pos, side);
            stuck = legal.empty();
            if (!stuck) applyMove(p.pos, side, legal[rng() % legal.size()]);
            side = stuck ? side : 1 - side;
        }
        if (stuck || inCheck(p.pos, 1 - side)) continue;  // unreachable positions
        const ThinkResult r = s.searcher.thinkFor(p.pos, side, 30 + thinks,
                                                  {.seed = static_cast<unsigned>(1 + thinks)});
        ++thinks;
        SfenPosition shown{p.pos, side, 1};
        if (r.resign) continue;
        ++moves;
        EXPECT_TRUE(isLegal(p.pos, side, r.move)) << toSfen(shown) << " answered " << toUsi(r.move);
    }
    EXPECT_GT(moves, LEGALITY_THINKS / 2);
}

}  // namespace
}  // namespace kaz
