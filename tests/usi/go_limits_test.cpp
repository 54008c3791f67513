// The clock fields of `go` and the think budget they give, from a table of clock states.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/go_limits.h"
#include "engine/position/sfen.h"

namespace kaz {
namespace {

TEST(GoLimits, BudgetsFromTheClockTable) {
    std::ifstream in(KAZ_USI_DATA "/go_budgets.txt");
    ASSERT_TRUE(in) << KAZ_USI_DATA;
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        for (std::size_t from = 0;;) {
            const std::size_t bar = line.find('|', from);
            cells.emplace_back(line.substr(from, bar - from));
            if (bar == std::string::npos) break;
            from = bar + 1;
        }
        ASSERT_EQ(cells.size(), 5u) << line;
        GoLimits go;
        const std::vector<std::string> complaints = readGo(splitFields(cells[0]), go);
        const int side = splitFields(cells[1])[0] == "w" ? 1 : 0;
        const std::int64_t budget = thinkBudgetMs(go, side, std::stoll(cells[2]));
        EXPECT_EQ(budget, std::stoll(cells[3])) << line;
        EXPECT_EQ(complaints.size(), std::stoul(cells[4])) << line;
        ++rows;
    }
    EXPECT_GT(rows, 15);
}

}  // namespace
}  // namespace kaz
