#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "kif/record_text.h"
#include "kif/sjis.h"
#include "tests/support/data_lines.h"

namespace kaz::test {

inline std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Board, side to move and hands of slots 0..moves, as in the .sfen files.
inline std::vector<std::string> positions(const MoveRecord& record, int moves) {
    std::vector<std::string> out;
    for (int k = 0; k <= moves; ++k) {
        const std::string sfen = sfenOfSlot(record, k);
        out.push_back(sfen.substr(0, sfen.rfind(' ')));
    }
    return out;
}

using testing::fileLines;
using testing::unescaped;

inline std::string sjisOf(std::string_view utf8) {
    std::string out;
    utf8ToSjis(utf8, out);
    return out;
}

// The six header lines our writer puts before the moves, in UTF-8.
inline constexpr std::string_view KIF_HEADER =
    "開始日時：2024/05/06 (07:08:09)\r\n棋戦：将棋入門\r\n手合割：平手\r\n先手：--------\r\n"
    "後手：--------\r\n手数----指手---------消費時間--\r\n";

// A Shift-JIS KIF text: the header, then each line with CR LF.
inline std::string kifSjis(const std::vector<std::string_view>& lines) {
    std::string text(KIF_HEADER);
    for (std::string_view line : lines) (text += line) += "\r\n";
    return sjisOf(text);
}

}  // namespace kaz::test
