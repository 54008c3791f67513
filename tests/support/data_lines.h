#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
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

}  // namespace kaz::testing
