#pragma once

#include <array>
#include <cstdint>

#include "engine/position/types.h"

namespace kaz {

constexpr int BOOK_LINES = 6;
constexpr int BOOK_LINE_LENGTH = 30;
constexpr int BOOK_SIZE = 186;  // six lines of 30, then six blank records that never match
constexpr int MAX_BOOK_CANDIDATES = 10;
constexpr std::int32_t BOOK_HIT = -100000;

// One position of a book line (squares at 9 * rank + file, hands not recorded) with the move
// played from it and the weight a root move equal to it earns: +80 for side 0's moves, negative
// for side 1's.
struct BookRecord {
    std::int32_t board[81];
    std::int32_t weight;
    EngineMove move;
};

// The book, replayed from its six lines at compile time.
const std::array<BookRecord, BOOK_SIZE>& openingBook();

}  // namespace kaz
