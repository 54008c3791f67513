// kazaguruma-engine itself through pipes: the real search behind the protocol.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "engine/position/sfen.h"
#include "tests/usi/engine_process.h"

namespace kaz {
namespace {

using namespace kaz::testing;

// Well over a think from the opening, even under sanitizers.
constexpr int THINK_MS = 120000;
// Positions that take the search seconds and minutes: only ever thought about to be stopped.
constexpr char MIDDLE[] =
    "ln1g3nl/1r3kg2/p2pppsp1/2ps2p1p/1p7/2P1P1PP1/PPSP1PS1P/1KG4R1/LN3G1NL b Bb 1";
constexpr char HEAVY[] = "l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1";

TEST(UsiEngine, BookRepliesForWhiteThenARealThinkForBlack) {
    EngineProcess e(KAZ_ENGINE);
    e.send("usi");
    const std::vector<std::string> hello = e.readUntil("usiok", PROMPT_MS);
    ASSERT_FALSE(hello.empty());
    EXPECT_EQ(hello[0], "id name Kazaguruma " KAZ_VERSION);
    e.send("usinewgame");
    // After 7g7f the opening book answers 8c8d at once; two moves further, still from the book.
    e.send("position startpos moves 7g7f");
    std::vector<std::string> lines = think(e, "go btime 60000 wtime 60000 byoyomi 5000");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("info depth 0 score cp 0 nodes ", 0), 0u) << lines[0];
    EXPECT_EQ(bestmoveOf(lines), "8c8d");
    e.send("position startpos moves 7g7f 8c8d 2g2f");
    EXPECT_EQ(bestmoveOf(think(e, "go byoyomi 5000")), "4a3b");
    e.send("gameover draw");

    e.send("usinewgame");
    e.send("position startpos");
    lines = think(e, "go btime 0 wtime 0 byoyomi 10000", THINK_MS);
    ASSERT_EQ(lines.size(), 2u);
    const std::string move = bestmoveOf(lines);
    EXPECT_TRUE(legalIn(std::string(STARTPOS_SFEN), move)) << move;
    const std::regex info(
        "info depth [0-9]+ score cp -?[0-9]+ nodes [0-9]+ nps [0-9]+ time [0-9]+ pv " + move);
    EXPECT_TRUE(std::regex_match(lines[0], info)) << lines[0];
    EXPECT_GT(infoNumber(lines[0], "nodes").value_or(0), 1000);
    expectCleanExit(e);
}

TEST(UsiEngine, StopAndQuitEndARealThinkPromptly) {
    // Stopped early (perhaps before any move is searched) and later: a legal move comes at once,
    // never a resignation caused by the stop.
    for (const char* sfen : {MIDDLE, HEAVY}) {
        for (int afterMs : {20, 700}) {
            EngineProcess e(KAZ_ENGINE);
            e.send(std::string("position sfen ") + sfen);
            e.send("go infinite");
            expectQuiet(e);  // the reader answers while the search runs
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            const auto sent = std::chrono::steady_clock::now();
            e.send("stop");
            const std::vector<std::string> lines = e.readUntil("bestmove", THINK_MS);
            const auto waited = std::chrono::steady_clock::now() - sent;
            ASSERT_FALSE(lines.empty()) << "stop did not end the think";
            EXPECT_LT(waited, std::chrono::milliseconds(PROMPT_MS)) << sfen;
            const std::string move = bestmoveOf(lines);
            EXPECT_TRUE(legalIn(sfen, move)) << sfen << " after " << afterMs << " ms: " << move;
            // No "no move searched yet" or king-capture marker leaks into the score.
            EXPECT_LT(std::abs(infoNumber(lines[0], "score cp").value_or(0)), 50000) << lines[0];
            expectCleanExit(e);
        }
    }
    {
        EngineProcess e(KAZ_ENGINE);
        e.send(std::string("position sfen ") + HEAVY);
        e.send("go btime 0 wtime 0 byoyomi 60000");
        expectQuiet(e);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        e.send("quit");  // the process ends within its grace period, stopped search or not
        expectCleanExit(e);
    }
}

// A ponder thinks without a clock; ponderhit starts it. Had the clock started at go, the think
// would be over by ponderhit and the bestmove would follow it at once.
TEST(UsiEngine, PonderhitStartsTheClock) {
    EngineProcess e(KAZ_ENGINE);
    e.send("setoption name ByoyomiMargin value 0");
    e.send(std::string("position sfen ") + HEAVY);
    e.send("go ponder btime 0 wtime 0 byoyomi 500");
    expectQuiet(e);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto hit = std::chrono::steady_clock::now();
    e.send("ponderhit");
    const std::vector<std::string> lines = e.readUntil("bestmove", THINK_MS);
    const auto waited = std::chrono::steady_clock::now() - hit;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_LT(waited, std::chrono::milliseconds(500 + PROMPT_MS));
    EXPECT_GE(infoNumber(lines[0], "time").value_or(0), 1900) << lines[0];
    EXPECT_TRUE(legalIn(HEAVY, bestmoveOf(lines))) << lines[1];
    expectCleanExit(e);
}

}  // namespace
}  // namespace kaz
