// Make + unmake pairs per second on a middle-game position: every legal board move, capture and
// drop.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/position/attack_map.h"
#include "engine/position/make_move.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"

namespace {

constexpr const char* MIDDLE_GAME =
    "lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 1";

// A move in the squares and codes that make and unmake take; from is -1 for a drop.
struct BenchMove {
    int from, to;
    kaz::PieceCode piece, newPiece, captured;
};

// Every legal move of `side`, converted once so that the timed loop only makes and unmakes.
std::vector<BenchMove> benchMoves(const kaz::Position& pos, int side) {
    std::vector<BenchMove> out;
    for (const kaz::EngineMove& m : kaz::legalMoves(pos, side))
        out.push_back({m.fromFile < 0 ? -1 : kaz::squareOf(m.fromRank, m.fromFile),
                       kaz::squareOf(m.toRank, m.toFile), static_cast<kaz::PieceCode>(m.piece),
                       static_cast<kaz::PieceCode>(m.newPiece),
                       static_cast<kaz::PieceCode>(m.captured)});
    return out;
}

// Planes: the per-ply planes kept, all of them here and none at the search's horizon.
template <int Planes>
void BM_MakeUnmake(benchmark::State& state) {
    kaz::SfenPosition s{};
    if (!kaz::parseSfen(MIDDLE_GAME, s).empty()) {
        state.SkipWithError("bad position");
        return;
    }
    auto am = std::make_unique<kaz::AttackMap>();
    am->buildAttackMap(s.pos.board);
    const std::vector<BenchMove> moves = benchMoves(s.pos, 0);
    for (auto _ : state) {
        for (const BenchMove& m : moves) {
            if (m.from < 0) {
                benchmark::DoNotOptimize(kaz::makeDrop<Planes>(s.pos, *am, 1, 189, m.to, m.piece));
                kaz::unmakeDrop<Planes>(s.pos, *am, 1, m.to, m.piece);
            } else {
                benchmark::DoNotOptimize(kaz::makeMove<Planes>(s.pos, *am, 1, 189, m.from, m.to,
                                                               m.newPiece, m.captured));
                kaz::unmakeMove<Planes>(s.pos, *am, 1, m.from, m.piece, m.to, m.captured);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(moves.size()));
    state.counters["moves"] = static_cast<double>(moves.size());
}
BENCHMARK(BM_MakeUnmake<kaz::ALL_PLY_PLANES>)->Name("BM_MakeUnmake");
BENCHMARK(BM_MakeUnmake<0>)->Name("BM_MakeUnmakeNoPlanes");

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
