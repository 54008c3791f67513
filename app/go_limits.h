#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kaz {

// The budget of a think without a clock: the fixed-depth think runs to its end.
constexpr std::int64_t NO_TIME_LIMIT = -1;

// What a `go` command asks for. Times are milliseconds; -1 means the field was not sent.
struct GoLimits {
    bool ponder = false;
    bool infinite = false;
    std::int64_t time[2] = {-1, -1};  // btime, wtime: main time left for sente, gote
    std::int64_t inc[2] = {0, 0};     // binc, winc: Fischer increment per move
    std::int64_t byoyomi = 0;
    std::int64_t movetime = -1;
};

// Reads the words of a `go` command (words[0] is "go"). Returns one complaint per word or value it
// could not use; the rest of the command still counts.
std::vector<std::string> readGo(const std::vector<std::string_view>& words, GoLimits& out);

// How long the think of `side` (0 = sente) may take: most of the byoyomi plus a share of the main
// time, or a share of the main time plus the increment, never more than the clock allows, less
// marginMs kept back for the GUI and the pipe; NO_TIME_LIMIT for `go infinite` or a command
// without any time (all fields absent or zero).
std::int64_t thinkBudgetMs(const GoLimits& go, int side, std::int64_t marginMs);

}  // namespace kaz
