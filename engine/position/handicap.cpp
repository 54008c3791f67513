#include "engine/position/handicap.h"

namespace kaz {

int handicapIndex(std::string_view name) {
    for (int i = 0; i < static_cast<int>(HANDICAPS.size()); ++i)
        if (HANDICAPS[i].name == name) return i;
    return -1;
}

SfenPosition handicapStart(int index) {
    SfenPosition start{};
    parseSfen(HANDICAPS[index].sfen, start);  // the table's positions are valid
    return start;
}

int handicapOf(const Position& pos, int sideToMove) {
    for (int i = 0; i < static_cast<int>(HANDICAPS.size()); ++i) {
        const SfenPosition start = handicapStart(i);
        if (start.pos == pos && start.sideToMove == sideToMove) return i;
    }
    return -1;
}

}  // namespace kaz
