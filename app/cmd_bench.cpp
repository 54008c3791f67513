// The bench: one think on each position of a fixed suite with a fixed seed. The mate solver runs
// to completion before each main search (Searcher::solverFirst), so the node totals do not depend
// on thread timing: they are the search's signature.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/engine_args.h"
#include "engine/position/sfen.h"
#include "engine/position/transform.h"
#include "engine/search/play.h"

namespace {

struct BenchPosition {
    const char* sfen;
    const char* what;
};

constexpr BenchPosition SUITE[] = {
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", "initial position"},
    {"lnsgkgsnl/1r5b1/ppppppppp/9/9/7P1/PPPPPPP1P/1B5R1/LNSGKGSNL w - 2", "book: after 2g2f"},
};

}  // namespace

int runBenchCommand(int argc, char** argv) {
    unsigned seed = 1;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        if (arg == "--seed" && i + 1 < argc && kaz::parseCount(argv[i + 1], 4294967295L, value) &&
            value > 0) {
            seed = static_cast<unsigned>(value);
            ++i;
        } else {
            std::fprintf(stderr, "kazaguruma-engine: bench takes only --seed N (N from 1)\n");
            return 2;
        }
    }
    auto searcher = std::make_unique<kaz::Searcher>();
    searcher->solverFirst = true;
    std::uint64_t nodes = 0, mateNodes = 0, testerNodes = 0;
    std::int64_t totalMs = 0;
    int index = 0;
    for (const BenchPosition& b : SUITE) {
        ++index;
        kaz::SfenPosition sfen;
        if (std::string err = kaz::parseSfen(b.sfen, sfen); !err.empty()) {
            std::fprintf(stderr, "kazaguruma-engine: bench position %d: %s\n", index, err.c_str());
            return 1;
        }
        const kaz::ThinkResult r =
            kaz::thinkFor(*searcher, sfen.pos, sfen.sideToMove, sfen.moveNumber - 1, seed);
        std::printf(
            "%2d %-8s value %7d nodes %10llu mate_nodes %9llu tester_nodes %10llu "
            "time_ms %6lld  %s\n",
            index, r.resign ? "resign" : kaz::toUsi(r.move).c_str(), r.value,
            static_cast<unsigned long long>(r.nodes), static_cast<unsigned long long>(r.mateNodes),
            static_cast<unsigned long long>(r.testerNodes), static_cast<long long>(r.timeMs),
            b.what);
        std::fflush(stdout);
        nodes += r.nodes;
        mateNodes += r.mateNodes;
        testerNodes += r.testerNodes;
        totalMs += r.timeMs;
    }
    const double seconds = std::max<std::int64_t>(totalMs, 1) / 1000.0;
    std::printf("positions %d nodes %llu mate_nodes %llu tester_nodes %llu time_ms %lld nps %.0f\n",
                index, static_cast<unsigned long long>(nodes),
                static_cast<unsigned long long>(mateNodes),
                static_cast<unsigned long long>(testerNodes), static_cast<long long>(totalMs),
                (nodes + mateNodes + testerNodes) / seconds);
    return 0;
}
