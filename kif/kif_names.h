#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kaz {

// Names used on KIF move lines, in UTF-8: the square of row i, col j is file 9 - j as a
// full-width digit followed by rank i + 1 as a kanji numeral; pieces by code & 15.
std::string squareNameUtf8(int row, int col);
extern const std::array<std::string_view, 16> PIECE_NAMES_UTF8;

// The same in Shift-JIS bytes, built once from the UTF-8 names. SQUARE_NAMES is indexed by
// 9 * row + col; entry 81 is "同　" (the previous move's target), entry 82 "Err.".
const std::array<std::string, 83>& squareNameTable();
const std::array<std::string, 16>& pieceNameTable();
inline const std::array<std::string, 83>& SQUARE_NAMES = squareNameTable();
inline const std::array<std::string, 16>& PIECE_NAMES = pieceNameTable();

constexpr int SQUARE_SAME_AS_PREVIOUS = 81;

}  // namespace kaz
