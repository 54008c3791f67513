// libFuzzer target for the KIF and CSA readers: any bytes must be read by both without a crash, a
// hang or a leak, and a file that is accepted must replay into boards of pieces and hands of no
// negative count.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "kif/csa_reader.h"
#include "kif/kif_reader.h"

namespace {

bool wellFormed(const kaz::MoveRecord& record, int moves) {
    for (int k = 0; k <= moves; ++k) {
        for (int row = 0; row < 9; ++row)
            for (int col = 0; col < 9; ++col) {
                const std::int32_t v = record.boards[k][kaz::cellOf(row, col)];
                if (v != kaz::EMPTY &&
                    (v < 0 || v >= 32 || !kaz::isPiece(static_cast<kaz::PieceCode>(v))))
                    return false;
            }
        for (int side = 0; side < 2; ++side)
            for (int kind = 0; kind < 8; ++kind)
                if (record.hands[side][k][kind] < 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto record = std::make_unique<kaz::MoveRecord>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (auto read : {kaz::readKif, kaz::readCsa}) {
        const kaz::KifReadResult r = read(bytes, *record);
        if (r.ok && (r.moves < 0 || r.moves > kaz::KIF_MOVE_LIMIT || !wellFormed(*record, r.moves)))
            __builtin_trap();
    }
    return 0;
}
