// The USI protocol through pipes, with a scripted player (fake_engine.cpp) in place of the search.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/data_lines.h"
#include "tests/usi/engine_process.h"

namespace kaz {
namespace {

using namespace kaz::testing;

constexpr char AFTER_7G7F[] = "lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 1";

EngineProcess fakeEngine(const std::vector<std::string>& args = {}) {
    return EngineProcess(KAZ_FAKE_ENGINE, args);
}

// Expects one "info string" line next.
void expectComplaint(EngineProcess& e, const std::string& about) {
    const std::string line = e.readLine(PROMPT_MS).value_or("(nothing)");
    EXPECT_EQ(line.rfind("info string ", 0), 0u) << about << ": " << line;
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        << about << ": " << line;
}

// The last think the scripted player reported on standard error.
std::string lastThink(EngineProcess& e) {
    const std::string err = e.errorText();
    const std::size_t at = err.rfind("think ") + 6;
    return at < 6 ? "" : err.substr(at, err.find('\n', at) - at);
}

TEST(UsiProtocol, HandshakeOptionsAndNewGame) {
    EngineProcess e = fakeEngine();
    e.send("usi");
    const std::vector<std::string> lines = e.readUntil("usiok", PROMPT_MS);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "id name Kazaguruma " KAZ_VERSION);
    EXPECT_EQ(lines[1].rfind("id author ", 0), 0u);
    EXPECT_EQ(lines[2], "option name RandomSeed type spin default 0 min 0 max 2147483647");
    EXPECT_EQ(lines[3], "option name ByoyomiMargin type spin default 400 min 0 max 10000");
    // What GUIs always send is accepted without a word.
    e.send("setoption name USI_Hash value 256");
    e.send("setoption name USI_Ponder value true");
    e.send("setoption name Some Option With Spaces value a b c");
    expectQuiet(e);

    e.send("setoption name RandomSeed value 77");
    e.send("usinewgame");
    think(e);
    think(e);
    EXPECT_EQ(e.errorText().substr(0, 14), "newgame\nthink ");
    EXPECT_EQ(e.errorText().find("newgame", 1), std::string::npos) << "one usinewgame, one reset";
    EXPECT_NE(lastThink(e).find("seed=77"), std::string::npos);
    for (const char* mate : {"go mate 10000", "go mate infinite"}) {
        e.send(mate);
        EXPECT_EQ(e.readLine(PROMPT_MS).value_or(""), "checkmate notimplemented");
    }
    expectQuiet(e);
    expectCleanExit(e);
}

TEST(UsiProtocol, PositionsForBothColoursWithPromotionsDropsAndThousandsOfPlies) {
    EngineProcess e = fakeEngine();
    e.send("position startpos");
    const std::vector<std::string> lines = think(e, "go btime 60000 wtime 60000 byoyomi 10000");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("info depth 10 score cp 42 nodes 123456 nps "
                                                      "[0-9]+ time [0-9]+ pv " +
                                                      bestmoveOf(lines))))
        << lines[0];
    // Each bestmove is legal in the position the player was asked about.
    std::string asked;
    for (const auto& row : dataLines(KAZ_USI_DATA "/positions.txt")) {
        e.send("position " + row[0]);
        const std::string move = bestmoveOf(think(e, "go btime 1000 wtime 2000 binc 100 winc 100"));
        if (row[1] != "resign") asked = row[1];
        EXPECT_EQ(lastThink(e), asked + " seed=0") << row[0];
        EXPECT_TRUE(row[1] == "resign" ? move == "resign"
                                       : legalIn(asked.substr(0, asked.find(" plies")), move))
            << row[0] << ": " << move;
    }
    // Twenty thousand plies of king walks in one line.
    std::string walks = "position startpos moves";
    for (int i = 0; i < 5000; ++i) walks += " 5i5h 5a5b 5h5i 5b5a";
    e.send(walks);
    think(e);
    EXPECT_EQ(lastThink(e), std::string(STARTPOS_SFEN) + " plies=20000 seed=0");
    expectCleanExit(e);
}

TEST(UsiProtocol, BadInputIsReportedAndKeepsTheLastPosition) {
    EngineProcess e = fakeEngine();
    e.send("setoption name RandomSeed value 77");
    e.send("position startpos moves 7g7f");
    // Lines with bytes that are not text stay here; the rest are in the data file.
    std::vector<std::string> bad = {
        "position sfen 8\xff/9/9/9/9/9/9/9/K8 b - 1",      // bad byte quoted back
        "position startpos moves 7g7f 3c3d \xff\xfe\x80",  // not UTF-8
        "\xe3\x81\x82\xff garbage \x01\x02",               // not UTF-8, control bytes
    };
    for (const auto& f : dataLines(KAZ_USI_DATA "/bad_input.txt")) bad.push_back(f[0]);
    for (const std::string& b : bad) {
        e.send(b);
        expectComplaint(e, b);
    }
    // A line of two megabytes is skipped whole, and the next line is read as usual.
    e.send("position startpos moves " + std::string(2 << 20, '7'));
    expectComplaint(e, "long line");
    expectQuiet(e);
    // A malformed clock value is reported, and the think goes ahead.
    const std::vector<std::string> lines = think(e, "go btime soon");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("info string btime", 0), 0u) << lines[0];
    EXPECT_EQ(lastThink(e), std::string(AFTER_7G7F) + " plies=1 seed=77");
    expectCleanExit(e);
}

TEST(UsiProtocol, PonderHoldsTheBestmoveUntilPonderhitOrStop) {
    EngineProcess e = fakeEngine();
    e.send("position startpos");
    e.send("go ponder btime 1000 wtime 1000 byoyomi 1000");
    expectQuiet(e);
    // The think is over at once (scripted); the held bestmove costs no CPU while it waits.
    const long before = e.cpuTicks();
    EXPECT_FALSE(e.readLine(1000)) << "bestmove sent while pondering";
    EXPECT_LE(e.cpuTicks() - before, 10) << "busy while waiting for ponderhit";
    e.send("ponderhit");
    std::vector<std::string> lines = e.readUntil("bestmove", PROMPT_MS);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(legalIn(std::string(STARTPOS_SFEN), bestmoveOf(lines)));

    // A stopped ponder still answers, once.
    e.send("go ponder");
    EXPECT_FALSE(e.readLine(300));
    e.send("stop");
    EXPECT_FALSE(e.readUntil("bestmove", PROMPT_MS).empty());
    e.send("stop");
    e.send("ponderhit");
    expectQuiet(e);

    // gameover drops the ponder without a bestmove; the next game thinks as usual.
    e.send("go ponder");
    e.send("gameover lose");
    expectQuiet(e);
    EXPECT_FALSE(think(e).empty());
    expectCleanExit(e);
}

TEST(UsiProtocol, InfiniteThinkEndsOnStopWithALegalMoveEvenIfNoneWasSearched) {
    EngineProcess e = fakeEngine({"--think-ms", "60000", "--reply", "nomove"});
    e.send("position sfen " + std::string(AFTER_7G7F));
    e.send("go infinite");
    expectQuiet(e);
    e.send("go");
    expectComplaint(e, "go during a think");
    e.send("stop");
    const std::vector<std::string> lines = e.readUntil("bestmove", PROMPT_MS);
    ASSERT_EQ(lines.size(), 3u) << "stop did not end the think";
    EXPECT_EQ(lines[0].find(" pv "), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("info string stopped", 0), 0u) << lines[1];
    EXPECT_TRUE(legalIn(AFTER_7G7F, bestmoveOf(lines))) << lines[2];
    expectQuiet(e);  // exactly one bestmove
    expectCleanExit(e);
}

TEST(UsiProtocol, QuitOrEndOfInputDuringAThinkExitsPromptly) {
    for (const bool quit : {true, false}) {
        EngineProcess e = fakeEngine({"--think-ms", "60000"});
        e.send("go btime 0 wtime 0 byoyomi 60000");
        expectQuiet(e);
        if (quit) e.send("quit");
        expectCleanExit(e);
    }
}

TEST(UsiProtocol, NeverAnIllegalMove) {
    // What the player answers: an illegal move is never passed on; a resignation has no pv.
    const std::pair<std::string, std::string_view> replies[] = {
        {"illegal", "illegal move 'R*5e'"},
        {"resign", "info depth 10 score cp -9000 nodes"},
        {"mate", " score mate 3 "}};
    for (const auto& [reply, shown] : replies) {
        EngineProcess e = fakeEngine({"--reply", reply});
        const std::vector<std::string> lines = think(e);
        ASSERT_GE(lines.size(), 2u) << reply;
        EXPECT_NE(lines[lines.size() - 2].find(shown), std::string::npos)
            << lines[lines.size() - 2];
        EXPECT_EQ(bestmoveOf(lines) == "resign", reply != "mate") << reply;
        EXPECT_TRUE(reply != "resign" || lines[0].find(" pv ") == std::string::npos) << lines[0];
        expectCleanExit(e);
    }
}

}  // namespace
}  // namespace kaz
