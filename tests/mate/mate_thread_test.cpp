// The solver on its own thread: the stop request, restarting, and reading the published result
// while the search runs. Run under ThreadSanitizer by ./test.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/mate/mate_solver.h"
#include "engine/position/rotate.h"
#include "engine/position/usi_notation.h"
#include "tests/mate/mate_support.h"
#include "tests/support/eventually.h"

namespace kaz {
namespace {

using namespace std::chrono_literals;
using testing::attackerIsSide1;
using testing::mapIsExact;
using testing::sfenOf;

// A bare king against a full hand of drops: far more than a minute of search at full depth.
constexpr const char* LONG_SEARCH = "4k4/9/9/9/9/9/9/9/4K4 b RBGSNLP 1";
constexpr const char* MATE_IN_ONE = "4k4/9/4G4/9/9/9/9/9/4K4 b G 1";

using Clock = std::chrono::steady_clock;

TEST(MateSolverThread, StopUnwindsQuicklyAndTheSolverStartsCleanlyAgain) {
    auto s = std::make_unique<MateSolver>();
    const Position pos = attackerIsSide1(sfenOf(LONG_SEARCH));
    s->start(pos);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(s->done.load(std::memory_order_acquire), 0) << "the search should still run";
    s->requestStop();
    EXPECT_TRUE(
        test::eventually([&] { return s->done.load(std::memory_order_acquire) != 0; }, 10s));
    s->join();
    EXPECT_EQ(s->found.load(), 0);
    EXPECT_GT(s->nodes, 0u);
    // The run unwound through make and unmake: board and map are as they were.
    EXPECT_TRUE(s->position == pos);
    EXPECT_TRUE(mapIsExact(s->attackMap, s->position.board));

    // start() stops and joins a running search before setting up the next one.
    s->start(pos);
    std::this_thread::sleep_for(20ms);
    s->start(attackerIsSide1(sfenOf(MATE_IN_ONE)));
    s->join();
    ASSERT_EQ(s->found.load(std::memory_order_acquire), 1);
    EXPECT_EQ(toUsi(rotateMove(s->bestMove)), "G*5b");
    EXPECT_EQ(s->mateLength[0], 1);
    EXPECT_EQ(s->configuredDepth.load(), MATE_SOLVER_DEPTH);

    // A stop before the run: both passes see depth 0 and return at once.
    s->setUp(attackerIsSide1(sfenOf(MATE_IN_ONE)));
    s->requestStop();
    s->solve();
    EXPECT_EQ(s->done.load(), 1);
    EXPECT_EQ(s->found.load(), 0);
    EXPECT_EQ(s->nodes, 0u);
}

TEST(MateSolverThread, ResultReadAfterFoundWhileTheMainThreadPolls) {
    // The think's side polls found while the solver runs, then reads the result fields.
    auto s = std::make_unique<MateSolver>();
    s->start(attackerIsSide1(sfenOf("9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1")));
    while (s->found.load(std::memory_order_acquire) == 0 &&
           s->done.load(std::memory_order_acquire) == 0)
        std::this_thread::yield();
    ASSERT_EQ(s->found.load(std::memory_order_acquire), 1);
    const EngineMove move = s->bestMove;
    const int length = s->mateLength[0];
    s->requestStop();
    s->join();
    EXPECT_EQ(toUsi(rotateMove(move)), "5h5g");
    EXPECT_EQ(length, 11);
}

TEST(MateSolverThread, DestructionStopsAndJoinsARunningSearch) {
    const auto begin = Clock::now();
    {
        auto s = std::make_unique<MateSolver>();
        s->start(attackerIsSide1(sfenOf(LONG_SEARCH)));
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_LT(Clock::now() - begin, 10s);
}

}  // namespace
}  // namespace kaz
