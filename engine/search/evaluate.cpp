#include "engine/search/evaluate.h"

#include <cmath>
#include <cstdlib>

#include "engine/search/searcher.h"

namespace kaz {
namespace {

// 10 / divisor as a float, by distance to the king: index 0 and 1 hold the uneven weights of the
// king's own square and its neighbours, the rest 10 / d.
struct Weights {
    float attacker[20];  // weight of side 0's attacks near side 0's king (and side 1's near 1's)
    float defender[20];  // weight of the opponent's attacks near the king
};

constexpr Weights makeWeights() {
    Weights w{};
    for (int d = 0; d < 20; ++d) {
        const int a = d == 0 ? 3 : d == 1 ? 2 : d;
        const int b = d == 0 ? 1 : d == 1 ? 2 : d;
        w.attacker[d] = 10.0f / static_cast<float>(a);
        w.defender[d] = 10.0f / static_cast<float>(b);
    }
    return w;
}

constexpr Weights WEIGHTS = makeWeights();

// sqrt(|n|) computed in double and rounded to float, cached for the counts that occur.
struct RootTable {
    float value[64];
    RootTable() {
        for (int n = 0; n < 64; ++n)
            value[n] = static_cast<float>(std::sqrt(static_cast<double>(n)));
    }
};

const RootTable ROOTS;

inline float rootOf(std::int32_t n) {
    const std::int32_t a = n < 0 ? -n : n;
    if (a < 64) return ROOTS.value[a];
    return static_cast<float>(std::sqrt(static_cast<double>(a)));
}

}  // namespace

std::int32_t kingSafety(const AttackMap& map, int king0, int king1, int gameMoveCount) {
    if (gameMoveCount < 15) return 0;  // factor 0: the sum cannot matter
    const int r0 = rankOf(king0), f0 = fileOf(king0);
    const int r1 = rankOf(king1), f1 = fileOf(king1);
    float sum = 0.0f;
    for (int r = 0; r < 9; ++r) {
        for (int f = 0; f < 9; ++f) {
            const int q = squareOf(r, f);
            const int d0 = std::abs(r0 - r) + std::abs(f0 - f);
            const int d1 = std::abs(r1 - r) + std::abs(f1 - f);
            // Side 0's king: a0 is 3 on its square, b0 1; side 1's king: a1 1, b1 3.
            const float w0a = d0 < 20 ? WEIGHTS.attacker[d0] : 10.0f / static_cast<float>(d0);
            const float w0b = d0 < 20 ? WEIGHTS.defender[d0] : 10.0f / static_cast<float>(d0);
            const float w1a = d1 < 20 ? WEIGHTS.defender[d1] : 10.0f / static_cast<float>(d1);
            const float w1b = d1 < 20 ? WEIGHTS.attacker[d1] : 10.0f / static_cast<float>(d1);
            const float s0 = rootOf(map.count[0][q]);
            const float s1 = rootOf(map.count[1][q]);
            sum = (((w0a * s0 + sum) - w0b * s1) + w1a * s0) - w1b * s1;
        }
    }
    const float factor = 10.0f;  // min(10, gameMoveCount) once gameMoveCount >= 15
    return static_cast<std::int32_t>(factor * sum);
}

std::int32_t Searcher::kingSafety() const {
    return kaz::kingSafety(attackMap, kingSquare[0][ply], kingSquare[1][ply], gameMoveCount);
}

void Searcher::captureReply() {
    const int p = ply;
    plyValue[p] = 0;
    const int t = lastTarget[p - 1];
    const PieceCode c = position.board[t];
    if (attackMap.count[0][t] != 0 && c >= 16 && c <= 30) plyValue[p] = pieceValue[c];
}

}  // namespace kaz
