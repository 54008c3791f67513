#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "kif/record_text.h"
#include "kif/sjis.h"

namespace kaz::test {

inline std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The lines of a file, as the .sfen files beside recorded games list the positions of their slots.
inline std::vector<std::string> fileLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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

// A test-data field with \n, \r and \xHH written out as the bytes they name.
inline std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (text[++i] == 'x') {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == 'n' ? '\n' : text[i] == 'r' ? '\r' : text[i];
        }
    }
    return out;
}

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
