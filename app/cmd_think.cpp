#include <cstdio>
#include <memory>
#include <string>

#include "app/commands.h"
#include "engine/position/parse_number.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "engine/search/searcher.h"

int runThinkCommand(int argc, char** argv) {
    std::string text;
    unsigned seed = 0;
    long moves = -1;
    std::int64_t timeMs = -1;
    bool plies = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plies") {
            plies = true;
        } else if (arg == "--seed" || arg == "--moves" || arg == "--time-ms") {
            std::uint64_t value = 0;
            const long limit = arg == "--seed"    ? 4294967295L
                               : arg == "--moves" ? 100000L
                                                  : MAX_TIME_MS;
            if (i + 1 >= argc || !kaz::parseNumber(argv[i + 1], limit, value)) {
                std::fprintf(stderr, "kazaguruma-engine: %s needs a whole number from 0 to %ld\n",
                             arg.c_str(), limit);
                return 2;
            }
            ++i;
            if (arg == "--seed")
                seed = static_cast<unsigned>(value);
            else if (arg == "--moves")
                moves = static_cast<long>(value);
            else
                timeMs = static_cast<std::int64_t>(value);
        } else {
            if (!text.empty()) text += ' ';
            text += arg;
        }
    }
    kaz::SfenPosition sfen;
    if (std::string err = kaz::parseSfen(text, sfen); !err.empty()) {
        std::fprintf(stderr, "kazaguruma-engine: %s\n", err.c_str());
        return 2;
    }
    if (moves < 0) moves = sfen.moveNumber > 0 ? sfen.moveNumber - 1 : 0;

    auto searcher = std::make_unique<kaz::Searcher>();
    const kaz::ThinkResult r =
        searcher->thinkFor(sfen.pos, sfen.sideToMove, static_cast<int>(moves),
                           kaz::ThinkLimits{.seed = seed, .budgetMs = timeMs});
    const kaz::ThinkStats stats = searcher->stats();
    if (r.resign)
        std::printf("resign\n");
    else
        std::printf("bestmove %s\n", kaz::toUsi(r.move).c_str());
    std::printf(
        "value %d nodes %llu mate_nodes %llu tester_nodes %llu time_ms %lld book %d mate %d "
        "depth %d\n",
        r.value, static_cast<unsigned long long>(stats.nodes),
        static_cast<unsigned long long>(stats.mateNodes),
        static_cast<unsigned long long>(stats.testerNodes), static_cast<long long>(stats.timeMs),
        r.book ? 1 : 0, r.mate ? 1 : 0, r.depth);
    if (plies) {
        std::printf("nodes_by_ply");
        for (int p = 0; p < 10; ++p)
            std::printf(" %llu", static_cast<unsigned long long>(stats.nodesAtPly[p]));
        std::printf("\n");
    }
    return 0;
}
