// The bench: one think on each position of a fixed suite with a fixed seed. The mate solver runs
// to completion before each main search (ThinkLimits::solverFirst), so the node totals do not
// depend on thread timing: they are the search's signature. With --time-ms every think gets that
// budget instead (the solver then runs beside it, as in a game), and the bench reports how the
// answers kept to it: the wall time from the start of each think to its answer, and legality.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "engine/position/parse_number.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "engine/search/searcher.h"

namespace {

struct BenchPosition {
    const char* sfen;
    const char* what;
};

constexpr BenchPosition SUITE[] = {
    // Openings: in the book, near it, out of it.
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", "initial position"},
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/7P1/PPPPPPP1P/1B5R1/LNSGKGSNL w - 2", "book hit after 2g2f"},
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2", "book hit after 7g7f"},
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/4P4/PPPP1PPPP/1B5R1/LNSGKGSNL w - 2", "book candidates 5g5f"},
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/P8/1PPPPPPPP/1B5R1/LNSGKGSNL w - 2", "out of book 9g9f"},
    {"lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 3", "opening, sente"},
    {"lnsgk1snl/1r4gb1/p1pppp1pp/6p2/1p5P1/2P6/PP1PPPP1P/1BG4R1/LNS1KGSNL b - 9",
     "opening, developed"},
    {"ln1gk1snl/1rs3gb1/p1pppp1pp/6p2/1p5P1/2P6/PPSPPPP1P/1BG4R1/LN2KGSNL b - 11",
     "opening, silvers out"},
    // Middle games.
    {"ln1g3nl/1r1s1kg2/p1ppppspp/1p4p2/9/2P1P1P2/PPSP1P1PP/2GK3R1/LN3GSNL w Bb 20",
     "middle game, bishops in hand"},
    {"lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 41",
     "middle game, castled kings"},
    {"ln1g4l/1ks2r3/1ppp1bnpp/p3ppp2/9/2PSP1P2/PP1P1P1PP/1KG1G2R1/LN6L b GSNbs 51",
     "middle game, many pieces in hand"},
    {"l6nl/1r3kg2/p2ppp1p1/2ps2p1p/1p7/2P1SPP1P/PPNP1S3/2GK2G2/L6RL w BGNPbnp 61",
     "middle game, attack on both sides"},
    {"ln3k1nl/1r4g2/p1ppsp1pp/6p2/1p2P4/2P2P3/PPSP2PPP/2G4R1/LN2KG1NL b BGSbsp 31",
     "middle game, open centre"},
    // Endgames: mates for the side to move, mates against it, resignation.
    {"4k4/9/4P4/9/9/9/9/9/4K4 b G 1", "mate in one by a gold drop"},
    {"k8/2G6/9/9/9/9/9/9/8K b 2S 1", "two silvers in hand, cornered king"},
    {"8k/9/9/9/9/9/g8/1S7/KL7 w p 1", "only mate is a pawn drop (illegal)"},
    {"k8/G8/P8/9/9/9/9/9/8K w - 1", "checkmated: resign"},
    {"7lk/7p1/6G2/9/9/9/9/9/K8 b RS 1", "mate for sente with rook and silver"},
    {"3gkg3/9/4p4/9/9/9/9/2r6/K8 w RG 1", "gote attacks, sente holds rook and gold"},
    {"4k4/9/9/9/9/9/9/2g6/K1g6 b - 1", "two gote golds beside sente's king"},
    {"6snl/6gk1/7p1/7N1/9/9/1P7/1KG6/LNS6 b Sr 1", "attack on a castled king"},
    {"3gk4/4s4/4p4/9/9/9/4P4/4S4/4KG3 b - 1", "quiet endgame, no hands"},
    {"ln2k2nl/9/p1pp1pp1p/9/9/9/P1PP1PP1P/9/LN2K2NL b - 1", "pawns and lances"},
    {"4k4/4g4/9/9/9/9/9/4G4/4K4 b - 1", "golds only"},
    {"4k4/9/9/4r4/9/9/4B4/9/4K4 b - 1", "rook against bishop"},
    // Pieces in hand.
    {"4k4/9/9/9/9/9/9/9/4K4 b Gg 1", "a gold each in hand"},
    {"4k4/9/9/9/9/9/9/9/4K4 b Pp 1", "a pawn each in hand"},
    {"3gk4/9/4p4/9/9/9/4P4/9/4KG3 b Ss 1", "a silver each in hand"},
    {"4k4/9/4p4/9/9/9/4P4/9/4K4 b GSgs 1", "gold and silver each in hand"},
    {"l3k3l/9/p1p1p1p1p/9/9/9/P1P1P1P1P/9/L3K3L b Nn 1", "a knight each in hand"},
    {"3gk4/9/4p4/4B4/9/9/4P4/9/4KG3 w r 1", "rook in hand against a bishop"},
    {"6snl/6gk1/7p1/9/9/9/1P7/1KG6/LNS6 b RBrb 1", "rook and bishop each in hand"},
};

// Reads "--positions 1,2,5": the suite's positions to run, numbered from 1.
bool parsePositions(const std::string& list, bool (&chosen)[std::size(SUITE)]) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        std::uint64_t n = 0;
        if (!kaz::parseNumber(std::string_view(list).substr(start, end - start), std::size(SUITE),
                              n) ||
            n == 0)
            return false;
        chosen[n - 1] = true;
        start = end + 1;
    }
    return true;
}

}  // namespace

int runBenchCommand(int argc, char** argv) {
    unsigned seed = 1;
    bool chosen[std::size(SUITE)] = {};
    bool some = false;
    std::int64_t timeMs = -1;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        std::uint64_t value = 0;
        if (arg == "--seed" && i + 1 < argc && kaz::parseNumber(argv[i + 1], 4294967295u, value) &&
            value > 0) {
            seed = static_cast<unsigned>(value);
            ++i;
        } else if (arg == "--positions" && i + 1 < argc && parsePositions(argv[i + 1], chosen)) {
            some = true;
            ++i;
        } else if (arg == "--list") {
            for (const BenchPosition& b : SUITE) std::printf("%s\n", b.sfen);
            return 0;
        } else if (arg == "--time-ms" && i + 1 < argc &&
                   kaz::parseNumber(argv[i + 1], MAX_TIME_MS, value)) {
            timeMs = static_cast<std::int64_t>(value);
            ++i;
        } else {
            std::fprintf(stderr,
                         "kazaguruma-engine: bench takes only --seed N (N from 1), "
                         "--positions I,J,... (from 1 to %zu), --time-ms N and --list\n",
                         std::size(SUITE));
            return 2;
        }
    }
    auto searcher = std::make_unique<kaz::Searcher>();
    const bool timed = timeMs >= 0;
    // A solver run to completion first would not be bound by the budget.
    const kaz::ThinkLimits limits{.seed = seed, .solverFirst = !timed, .budgetMs = timeMs};
    std::int64_t worstOverMs = INT64_MIN;
    int illegal = 0, late = 0;
    std::uint64_t nodes = 0, mateNodes = 0, testerNodes = 0;
    std::int64_t totalMs = 0;
    double totalCpuMs = 0;  // process CPU time: on a busy machine wall time overstates the work
    int index = 0, count = 0;
    for (const BenchPosition& b : SUITE) {
        if (++index, some && !chosen[index - 1]) continue;
        ++count;
        kaz::SfenPosition sfen;
        if (std::string err = kaz::parseSfen(b.sfen, sfen); !err.empty()) {
            std::fprintf(stderr, "kazaguruma-engine: bench position %d: %s\n", index, err.c_str());
            return 1;
        }
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        const kaz::ThinkResult r =
            searcher->thinkFor(sfen.pos, sfen.sideToMove, sfen.moveNumber - 1, limits);
        const std::int64_t wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - wallStart)
                                        .count();
        const kaz::ThinkStats stats = searcher->stats();
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        if (timed) {
            const bool legal = r.resign || kaz::isLegal(sfen.pos, sfen.sideToMove, r.move);
            illegal += legal ? 0 : 1;
            late += wallMs > timeMs ? 1 : 0;
            worstOverMs = std::max(worstOverMs, wallMs - timeMs);
            std::printf("%2d depth %2d wall_ms %6lld%s\n", index, r.depth,
                        static_cast<long long>(wallMs), legal ? "" : " ILLEGAL");
        }
        std::printf(
            "%2d %-8s value %7d nodes %10llu mate_nodes %9llu tester_nodes %10llu "
            "time_ms %6lld cpu_ms %6.0f  %s\n",
            index, r.resign ? "resign" : kaz::toUsi(r.move).c_str(), r.value,
            static_cast<unsigned long long>(stats.nodes),
            static_cast<unsigned long long>(stats.mateNodes),
            static_cast<unsigned long long>(stats.testerNodes),
            static_cast<long long>(stats.timeMs), cpuMs, b.what);
        std::fflush(stdout);
        nodes += stats.nodes;
        mateNodes += stats.mateNodes;
        testerNodes += stats.testerNodes;
        totalMs += stats.timeMs;
        totalCpuMs += cpuMs;
    }
    const double cpuSeconds = std::max(totalCpuMs, 1.0) / 1000.0;
    std::printf(
        "positions %d nodes %llu mate_nodes %llu tester_nodes %llu time_ms %lld cpu_ms %.0f "
        "nps_cpu %.0f\n",
        count, static_cast<unsigned long long>(nodes), static_cast<unsigned long long>(mateNodes),
        static_cast<unsigned long long>(testerNodes), static_cast<long long>(totalMs), totalCpuMs,
        (nodes + mateNodes + testerNodes) / cpuSeconds);
    if (timed) {
        std::printf("budget_ms %lld over_budget %d illegal %d worst_overshoot_ms %lld\n",
                    static_cast<long long>(timeMs), late, illegal,
                    static_cast<long long>(worstOverMs));
        return illegal > 0 || late > 0 ? 1 : 0;
    }
    return 0;
}
