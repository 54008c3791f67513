#pragma once

// Checks shared by the protocol tests of the scripted and the real engine.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "tests/usi/engine_process.h"

namespace kaz::testing {

// Long enough for a sanitizer build on a busy machine, short against a hang.
constexpr int PROMPT_MS = 5000;

// Closes the engine's input, as a GUI that goes away does, and expects status 0 and no sanitizer
// report.
inline void expectCleanExit(EngineProcess& e) {
    e.closeInput();
    EXPECT_EQ(e.waitExit(PROMPT_MS), 0) << e.errorText();
    for (const char* report : {"Sanitizer", "runtime error"})
        EXPECT_EQ(e.errorText().find(report), std::string::npos) << e.errorText();
}

// Sends isready and expects readyok as the very next line: nothing else was said before it.
inline void expectQuiet(EngineProcess& e) {
    e.send("isready");
    EXPECT_EQ(e.readLine(PROMPT_MS).value_or("(nothing)"), "readyok");
}

// The lines of one think after `go ...`, the bestmove last.
inline std::vector<std::string> think(EngineProcess& e, const std::string& go = "go",
                                      int timeoutMs = PROMPT_MS) {
    e.send(go);
    std::vector<std::string> lines = e.readUntil("bestmove", timeoutMs);
    EXPECT_FALSE(lines.empty()) << "no bestmove after " << go;
    return lines;
}

inline std::string bestmoveOf(const std::vector<std::string>& lines) {
    return lines.empty() ? "" : lines.back().substr(std::string("bestmove ").size());
}

// The fields of an "info ..." line: each keyword's value ("score" keeps both words), and under
// "keys" the keywords in order.
inline std::map<std::string, std::string> infoFields(const std::string& line) {
    std::map<std::string, std::string> f;
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word != "info") return f;
    while (in >> word) {
        std::string value, more;
        in >> value;
        if (word == "score" && in >> more) value += " " + more;
        f[word] = value;
        f["keys"] += (f["keys"].empty() ? "" : " ") + word;
    }
    return f;
}

inline bool legalIn(const std::string& sfen, const std::string& usi) {
    SfenPosition s{};
    EngineMove m{};
    return parseSfen(sfen, s).empty() && parseUsiMove(usi, s.pos, s.sideToMove, m).empty() &&
           isLegal(s.pos, s.sideToMove, m);
}

}  // namespace kaz::testing
