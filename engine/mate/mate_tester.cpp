#include "engine/mate/mate_tester.h"

namespace kaz {

std::uint8_t MateTester::testMate(const Board&, const Hand&, const Hand&) {
    // Placeholder until the nodes land: answers no mate.
    mateFlag[0] = 0;
    return mateFlag[0];
}

}  // namespace kaz
