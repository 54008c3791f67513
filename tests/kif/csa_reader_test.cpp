#include "kif/csa_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/data_lines.h"
#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

TEST(CsaReader, StatementsCommentsTimesAndTheEnding) {
    auto record = std::make_unique<MoveRecord>();
    const KifReadResult r = readCsa(
        "'a comment\r\nV2.2\r\nN+Sente\r\n$EVENT:test\r\nPI\r\n+\r\n+7776FU,T3\r\n-3334FU\r\nT2\r\n"
        "+8822UM\r\n-3122GI,T1,%TORYO\r\n+0055KA\r\n",
        *record);
    ASSERT_TRUE(r.ok) << r.line << ": " << r.reason;
    EXPECT_EQ(r.moves, 4);
    EXPECT_EQ(record->header.names[0], "Sente");
    EXPECT_FALSE(record->header.goteFirst);
    EXPECT_EQ(record->boards[3][cellAt(22)], UMA);
    EXPECT_EQ(record->boards[4][cellAt(22)], GIN | OWNER_BIT);
    EXPECT_EQ(record->hands[0][4][KAKU], 1);
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
