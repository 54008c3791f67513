#include "kif/kif_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>

#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

// The time in the header of the fixture and of KIF_HEADER.
const std::tm STARTED = [] {
    std::tm t{};
    t.tm_year = 124, t.tm_mon = 4, t.tm_mday = 6, t.tm_hour = 7, t.tm_min = 8, t.tm_sec = 9;
    return t;
}();

// Games written byte for byte as their fixtures: the short game, and promoted pieces by name (the
// horse moving on at move 5 is 馬, no 成). A repeated slot after the last move ends the record.
TEST(KifWriter, GamesAreWrittenByteExact) {
    const std::tuple<std::string_view, int, std::string> games[] = {
        {SHORT_GAME, 8, "short_game.kif"},
        {"77-76 33-34 88-22+ 41-32 22-11", 5, "promoted_names.kif"}};
    for (const auto& [moves, written, fixture] : games) {
        TestGame game;
        game.start();
        play(game, moves);
        {
            std::lock_guard lock(game->gameLock);
            recordPosition(*game);
            recordPosition(*game);
        }
        std::string bytes;
        const KifWriteResult r = formatKif(game->moveRecord, game->recordLength, STARTED, bytes);
        ASSERT_EQ(r.error, KifWriteError::None) << fixture;
        EXPECT_EQ(r.movesWritten, written) << fixture;
        EXPECT_EQ(bytes, fileBytes(KAZ_KIF_DATA "/" + fixture));
    }
}

TEST(KifWriter, RecordsThatAreNotMovesAreRefused) {
    TestGame game;
    game.start();
    play(game, "77-76 33-34 27-26");
    MoveRecord& rec = game->moveRecord;
    std::string bytes;
    // Each case replaces move 3 (slot 2 to slot 3) by something that is not a move.
    const auto move3 = [&](std::initializer_list<std::pair<int, std::int32_t>> cells) {
        rec.boards[3] = rec.boards[2];
        for (const auto& [sq, code] : cells) rec.boards[3][cellAt(sq)] = code;
        return formatKif(rec, 3, STARTED, bytes);
    };
    const KifWriteResult four = move3({{55, HU}, {56, HU}, {54, HU}, {53, HU}});
    EXPECT_EQ(four.error, KifWriteError::TooManyChanges);
    EXPECT_EQ(four.changes, 4);
    // One piece replaced by another is no drop; two pieces vanishing is no move.
    EXPECT_EQ(move3({{99, HU | OWNER_BIT}}).error, KifWriteError::NotADrop);
    EXPECT_EQ(move3({{27, EMPTY}, {28, EMPTY}}).error, KifWriteError::NotAMove);
}

}  // namespace
}  // namespace kaz::test
