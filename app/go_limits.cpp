#include "app/go_limits.h"

#include <algorithm>

#include "engine/position/parse_number.h"

namespace kaz {
namespace {

// Shares of the main time one move may take: with byoyomi behind it the main time can be spent
// faster, since running out of it still leaves the byoyomi for every move.
constexpr std::int64_t SHARE_WITH_BYOYOMI = 10;
constexpr std::int64_t SHARE_SUDDEN_DEATH = 40;

}  // namespace

std::vector<std::string> readGo(const std::vector<std::string_view>& words, GoLimits& out) {
    // Longer than any game: a larger value is a typo, not a clock.
    constexpr std::uint64_t MAX_MS = 1000ull * 60 * 60 * 24 * 365;
    std::vector<std::string> complaints;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string_view w = words[i];
        if (w == "ponder") {
            out.ponder = true;
            continue;
        }
        if (w == "infinite") {
            out.infinite = true;
            continue;
        }
        std::int64_t* field = w == "btime"      ? &out.time[0]
                              : w == "wtime"    ? &out.time[1]
                              : w == "binc"     ? &out.inc[0]
                              : w == "winc"     ? &out.inc[1]
                              : w == "byoyomi"  ? &out.byoyomi
                              : w == "movetime" ? &out.movetime
                                                : nullptr;
        if (field == nullptr && w != "depth" && w != "nodes") {
            complaints.push_back("go: '" + std::string(w.substr(0, 40)) + "' ignored");
            continue;
        }
        std::uint64_t n = 0;
        if (i + 1 >= words.size() || !parseNumber(words[i + 1], MAX_MS, n))
            complaints.push_back(std::string(w) + " needs a whole number of milliseconds; ignored");
        else if (field != nullptr)  // depth and nodes: the search depth is fixed
            *field = static_cast<std::int64_t>(n);
        ++i;
    }
    return complaints;
}

std::int64_t thinkBudgetMs(const GoLimits& go, int side, std::int64_t marginMs) {
    if (go.infinite) return NO_TIME_LIMIT;
    const std::int64_t time = std::max<std::int64_t>(go.time[side], 0);
    const std::int64_t inc = go.inc[side];
    if (go.movetime > 0) return std::max<std::int64_t>(go.movetime - marginMs, 0);
    if (time == 0 && inc == 0 && go.byoyomi == 0) return NO_TIME_LIMIT;
    const std::int64_t share = time / (go.byoyomi > 0 ? SHARE_WITH_BYOYOMI : SHARE_SUDDEN_DEATH);
    // The increment arrives after the move, so only main time and byoyomi can be spent on it.
    const std::int64_t allowed = time + go.byoyomi;
    const std::int64_t wanted = go.byoyomi + inc + share;
    return std::max<std::int64_t>(std::min(wanted, allowed) - marginMs, 0);
}

}  // namespace kaz
