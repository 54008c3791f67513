#include "kif/csa_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/data_lines.h"
#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

// Statements, comments, times and the ending are read in the pasted-text table.
TEST(CsaReader, FileNames) {
    EXPECT_TRUE(isCsaFileName("a/b.CSA"));
    EXPECT_FALSE(isCsaFileName("b.kif"));
}

TEST(CsaReader, FormatErrors) {
    auto record = std::make_unique<MoveRecord>();
    for (const auto& f : testing::dataLines(KAZ_KIF_DATA "/csa_bad.txt")) {
        const KifReadResult r = readCsa(unescaped(f[1]), *record);
        EXPECT_FALSE(r.ok) << f[0];
        EXPECT_EQ(r.reason, f[0]) << f[1];
    }
}

}  // namespace
}  // namespace kaz::test
