#include "engine/position/attack_map.h"

#include <cstring>

namespace kaz {
namespace {

// Enters one piece's attacks into count and rays only; the ply planes stay clear after a build.
template <int S>
struct Builder {
    AttackMap* am;
    const Board* board;
    int q;

    void step(int o) { am->count[S][q + o] += 1; }
    void line(int o) {
        const std::int32_t b = rayBitOf(o);
        int t = q;
        do {
            t += o;
            am->count[S][t] += 1;
            am->rays[S][t] |= b;
        } while ((*board)[t] == EMPTY);
    }
    int result() const { return 0; }
};

}  // namespace

void AttackMap::buildAttackMap(const Board& board) {
    std::memset(count, 0, sizeof count);
    std::memset(rays, 0, sizeof rays);
    std::memset(plyCount, 0, sizeof plyCount);
    std::memset(plyRays, 0, sizeof plyRays);
    for (int rank = 0; rank < 9; ++rank) {
        for (int file = 0; file < 9; ++file) {
            const int q = squareOf(rank, file);
            const PieceCode v = board[q];
            if (v >= 0x80) continue;
            attacks::dispatch<Builder, int>(v, this, &board, q);
        }
    }
    // The incremental routines need no preparation; ply index -1 leaves the map as it is.
    removeAttacks(-1, board, squareOf(0, 0));
    addAttacks(-1, 189, board, squareOf(0, 0));
}

}  // namespace kaz
