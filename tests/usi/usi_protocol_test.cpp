// The USI protocol through pipes, with a scripted player (fake_engine.cpp) in place of the search.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/data_lines.h"
#include "tests/usi/engine_process.h"

namespace kaz {
namespace {

using namespace kaz::testing;

constexpr char AFTER_7G7F[] = "lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 1";

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

// Plays the dialogues of dialogues.txt with the scripted player (the file says how to read them).
TEST(UsiProtocol, Dialogues) {
    std::unique_ptr<EngineProcess> e;
    const std::vector<std::string> lines = fileLines(KAZ_USI_DATA "/dialogues.txt");
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        const std::string line = i < lines.size() ? lines[i] : "==";
        const std::string text = line.size() > 2 ? line.substr(2) : "";
        SCOPED_TRACE(line);
        if (line.starts_with("==")) {
            if (e) expectCleanExit(*e);
            std::vector<std::string> args;
            std::istringstream words(text.substr(text.find('|') + 1));
            for (std::string word; words >> word;) args.push_back(word);
            if (i < lines.size()) e = std::make_unique<EngineProcess>(KAZ_FAKE_ENGINE, args);
        } else if (line.starts_with("> ")) {
            e->send(unescaped(text));
        } else if (line.starts_with("< ")) {
            const std::string got = e->readLine(PROMPT_MS).value_or("(nothing)");
            EXPECT_TRUE(std::regex_match(got, std::regex(text))) << got;
        } else if (line.starts_with("?")) {
            expectComplaint(*e, line);
        } else if (line == "=") {
            expectQuiet(*e);
        } else if (line.starts_with("! ")) {
            EXPECT_EQ(e->errorText(), unescaped(text));
        }
    }
}

TEST(UsiProtocol, PositionsForBothColoursWithPromotionsDropsAndThousandsOfPlies) {
    EngineProcess e(KAZ_FAKE_ENGINE);
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

// A line of two megabytes is skipped whole, the position kept, and the next line read as usual.
TEST(UsiProtocol, AHugeLineIsSkippedWhole) {
    EngineProcess e(KAZ_FAKE_ENGINE);
    e.send("position startpos moves 7g7f");
    e.send("position startpos moves " + std::string(2 << 20, '7'));
    expectComplaint(e, "long line");
    think(e);
    EXPECT_EQ(lastThink(e), std::string(AFTER_7G7F) + " plies=1 seed=0");
    expectCleanExit(e);
}

TEST(UsiProtocol, PonderHoldsTheBestmoveUntilPonderhitOrStop) {
    EngineProcess e(KAZ_FAKE_ENGINE);
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

}  // namespace
}  // namespace kaz
