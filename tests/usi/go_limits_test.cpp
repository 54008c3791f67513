// The clock fields of `go` and the think budget they give, from a table of clock states.

#include <gtest/gtest.h>

#include <string>

#include "app/go_limits.h"
#include "engine/position/sfen.h"
#include "tests/support/data_lines.h"

namespace kaz {
namespace {

TEST(GoLimits, BudgetsFromTheClockTable) {
    const auto rows = testing::dataLines(KAZ_USI_DATA "/go_budgets.txt");
    EXPECT_GT(rows.size(), 15u);
    for (const std::vector<std::string>& cells : rows) {
        ASSERT_EQ(cells.size(), 5u) << cells[0];
        GoLimits go;
        const std::vector<std::string> complaints = readGo(splitFields(cells[0]), go);
        const int side = cells[1] == "w" ? 1 : 0;
        EXPECT_EQ(thinkBudgetMs(go, side, std::stoll(cells[2])), std::stoll(cells[3])) << cells[0];
        EXPECT_EQ(complaints.size(), std::stoul(cells[4])) << cells[0];
    }
}

}  // namespace
}  // namespace kaz
