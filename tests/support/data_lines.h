#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kaz::testing {

// The cases of a test-data file: one a line, fields split at '|' and trimmed of spaces; blank
// lines and lines starting with '#' are left out.
inline std::vector<std::vector<std::string>> dataLines(const std::string& file) {
    std::ifstream in(file);
    EXPECT_TRUE(in) << file;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(' ') == std::string::npos || line[0] == '#') continue;
        auto& fields = rows.emplace_back();
        for (std::size_t a = 0, b = 0; b != std::string::npos; a = b + 1) {
            b = line.find('|', a);
            const std::string f = line.substr(a, b == std::string::npos ? b : b - a);
            const std::size_t first = f.find_first_not_of(' '), last = f.find_last_not_of(' ');
            fields.push_back(first == std::string::npos ? "" : f.substr(first, last - first + 1));
        }
    }
    return rows;
}

// The lines of a file as they stand, as the .sfen files beside recorded games list positions.
inline std::vector<std::string> fileLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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

}  // namespace kaz::testing
