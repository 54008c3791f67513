#include "kif/csa_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/game_driver.h"

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
    const std::string board =
        "P1-KY-KE-GI-KI-OU-KI-GI-KE-KY\nP2 * -HI *  *  *  *  * -KA * \n"
        "P3-FU-FU-FU-FU-FU-FU-FU-FU-FU\nP4 *  *  *  *  *  *  *  *  * \n"
        "P5 *  *  *  *  *  *  *  *  * \nP6 *  *  *  *  *  *  *  *  * \n"
        "P7+FU+FU+FU+FU+FU+FU+FU+FU+FU\nP8 * +KA *  *  *  *  * +HI * \n";
    const std::pair<std::string_view, std::string> cases[] = {
        {"no start position (PI or P1..P9)", "V2.2\n+\n+7776FU\n"},
        {"no start position (PI or P1..P9)", "V2.2\n"},
        {"move by the wrong side", "PI\n+\n-3334FU\n"},
        {"piece after the move does not match the origin", "PI\n+\n+7776KI\n"},
        {"origin holds no piece of the mover", "PI\n+\n+5554FU\n"},
        {"drop of a piece not in hand", "PI\n+\n+0055KA\n"},
        {"malformed move", "PI\n+\n+77\n"},
        {"malformed move", "PI\n+\n+7776XX\n"},
        {"unknown statement", "PI\n+\nhello\n"},
        {"PI removes a piece that is not there", "PI82KA\n+\n"},
        {"malformed PI line", "PI8\n+\n"},
        {"board rows out of order", "P2 *  *  *  *  *  *  *  *  * \n"},
        {"board row shorter than nine squares", board + "P9+KY+KE\n+\n"},
        {"malformed board square", board + "P9+KY+KE+GI+KI+XX+KI+GI+KE+KY\n+\n"},
        {"impossible start position", board + "P9+KY+KE+GI+OU+OU+KI+GI+KE+KY\n+\n"},
        {"00AL is not supported", board + "P9 *  *  *  * +OU *  *  *  * \nP-00AL\n+\n"},
        {"piece in hand that cannot be held", "PI\nP+00OU\n+\n"},
        {"position line after the moves began", "PI\n+\n+7776FU\nP+00FU\n"},
        {"binary file (NUL bytes)", std::string("PI\n+\n\0", 6)},
    };
    auto record = std::make_unique<MoveRecord>();
    for (const auto& [reason, bytes] : cases) {
        const KifReadResult r = readCsa(bytes, *record);
        EXPECT_FALSE(r.ok) << reason;
        EXPECT_EQ(r.reason, reason) << bytes;
    }
}

}  // namespace
}  // namespace kaz::test
