// Make + unmake pairs per second on a middle-game position: board moves, captures and drops.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/position/attack_map.h"
#include "engine/position/make_move.h"
#include "engine/position/sfen.h"
#include "tests/support/pseudo_moves.h"

namespace {

constexpr const char* MIDDLE_GAME =
    "lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 1";

void BM_MakeUnmake(benchmark::State& state) {
    kaz::SfenPosition s{};
    if (!kaz::parseSfen(MIDDLE_GAME, s).empty()) {
        state.SkipWithError("bad position");
        return;
    }
    auto am = std::make_unique<kaz::AttackMap>();
    am->buildAttackMap(s.pos.board);
    std::vector<kaz::testing::PseudoMove> moves = kaz::testing::pseudoMoves(s.pos, 0);
    for (auto _ : state) {
        for (const auto& m : moves) {
            if (m.from < 0) {
                benchmark::DoNotOptimize(kaz::makeDrop(s.pos, *am, 1, 189, m.to, m.piece));
                kaz::unmakeDrop(s.pos, *am, 1, m.to, m.piece);
            } else {
                benchmark::DoNotOptimize(
                    kaz::makeMove(s.pos, *am, 1, 189, m.from, m.to, m.newPiece, m.captured));
                kaz::unmakeMove(s.pos, *am, 1, m.from, m.piece, m.to, m.captured);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(moves.size()));
    state.counters["moves"] = static_cast<double>(moves.size());
}
BENCHMARK(BM_MakeUnmake);

void BM_BuildAttackMap(benchmark::State& state) {
    kaz::SfenPosition s{};
    kaz::parseSfen(MIDDLE_GAME, s);
    auto am = std::make_unique<kaz::AttackMap>();
    for (auto _ : state) {
        am->buildAttackMap(s.pos.board);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildAttackMap);

}  // namespace

BENCHMARK_MAIN();
