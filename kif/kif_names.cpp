#include "kif/kif_names.h"

#include "kif/sjis.h"

namespace kaz {

namespace {

constexpr std::string_view FILE_DIGITS[9] = {"９", "８", "７", "６", "５", "４", "３", "２", "１"};
constexpr std::string_view RANK_NUMERALS[9] = {"一", "二", "三", "四", "五",
                                               "六", "七", "八", "九"};

std::string toSjis(std::string_view utf8) {
    std::string out;
    utf8ToSjis(utf8, out);  // the names are all in code page 932
    return out;
}

}  // namespace

// Index 12 and 15 (a promoted gold or king) never occur; they hold an ideographic space.
const std::array<std::string_view, 16> PIECE_NAMES_UTF8 = {"歩", "香", "桂", "銀",   "金",   "角",
                                                           "飛", "玉", "と", "成香", "成桂", "成銀",
                                                           "　", "馬", "龍", "　"};

std::string squareNameUtf8(int row, int col) {
    return std::string(FILE_DIGITS[col]) + std::string(RANK_NUMERALS[row]);
}

const std::array<std::string, 83>& squareNameTable() {
    static const std::array<std::string, 83> table = [] {
        std::array<std::string, 83> names;
        for (int row = 0; row < 9; ++row)
            for (int col = 0; col < 9; ++col)
                names[9 * row + col] = toSjis(squareNameUtf8(row, col));
        names[81] = toSjis("同　");
        names[82] = "Err.";
        return names;
    }();
    return table;
}

const std::array<std::string, 16>& pieceNameTable() {
    static const std::array<std::string, 16> table = [] {
        std::array<std::string, 16> names;
        for (int i = 0; i < 16; ++i) names[i] = toSjis(PIECE_NAMES_UTF8[i]);
        return names;
    }();
    return table;
}

}  // namespace kaz
