#include "kif/kif_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "kif/kif_names.h"
#include "kif/kif_reader.h"
#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(KAZ_KIF_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::tm fixtureTime() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 6;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    return t;
}

TEST(KifNames, ShiftJisBytes) {
    EXPECT_EQ(SQUARE_NAMES[0], "\x82\x58\x88\xea");   // ９一
    EXPECT_EQ(SQUARE_NAMES[8], "\x82\x50\x88\xea");   // １一
    EXPECT_EQ(SQUARE_NAMES[80], "\x82\x50\x8b\xe3");  // １九
    EXPECT_EQ(SQUARE_NAMES[81], "\x93\xaf\x81\x40");  // 同　
    EXPECT_EQ(SQUARE_NAMES[82], "Err.");
    EXPECT_EQ(PIECE_NAMES[0], "\x95\xe0");   // 歩
    EXPECT_EQ(PIECE_NAMES[14], "\x97\xb4");  // 龍
    EXPECT_EQ(PIECE_NAMES[12], "\x81\x40");
    EXPECT_EQ(PIECE_NAMES[9], sjisOf("成香"));
}

TEST(KifWriter, ShortGameIsByteExact) {
    TestGame game;
    game.start();
    playShortGame(game);
    std::string bytes;
    const KifWriteResult r = formatKif(game->moveRecord, game->recordLength, fixtureTime(), bytes);
    ASSERT_EQ(r.error, KifWriteError::None);
    EXPECT_EQ(r.movesWritten, 8);
    EXPECT_EQ(bytes, readFixture("short_game.kif"));
}

TEST(KifWriter, PromotedPieceNamesAndRepeatedPositionEndTheRecord) {
    TestGame game;
    game.start();
    game.human(77, 76);
    game.computer(33, 34);
    game.human(88, 22, true);
    game.computer(41, 32);
    game.human(22, 11);  // the horse moves on: its name is 馬, no 成
    {
        std::lock_guard lock(game->gameLock);
        recordPosition(*game);  // a repeated slot cuts the record here
        recordPosition(*game);
    }
    std::string bytes;
    const KifWriteResult r = formatKif(game->moveRecord, game->recordLength, fixtureTime(), bytes);
    ASSERT_EQ(r.error, KifWriteError::None);
    EXPECT_EQ(r.movesWritten, 5);
    const std::string expected = kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)",
                                          "4 ３二金(41)", "5 １一馬(22)"}) +
                                 sjisOf("6 投了");
    EXPECT_EQ(bytes, expected);
}

TEST(KifWriter, RecordsThatAreNotMovesAreRefused) {
    TestGame game;
    game.start();
    game.human(77, 76);
    game.computer(33, 34);
    game.human(27, 26);
    MoveRecord& rec = game->moveRecord;
    std::string bytes;

    // Each case replaces move 3 (slot 2 to slot 3) by something that is not a move.
    rec.boards[3] = rec.boards[2];
    for (int sq : {55, 56, 54, 53}) rec.boards[3][cellAt(sq)] = HU;
    KifWriteResult r = formatKif(rec, 3, fixtureTime(), bytes);
    EXPECT_EQ(r.error, KifWriteError::TooManyChanges);
    EXPECT_EQ(r.changes, 4);

    rec.boards[3] = rec.boards[2];
    rec.boards[3][cellAt(99)] = HU | OWNER_BIT;  // one piece replaced by another: no drop
    EXPECT_EQ(formatKif(rec, 3, fixtureTime(), bytes).error, KifWriteError::NotADrop);

    rec.boards[3] = rec.boards[2];
    rec.boards[3][cellAt(27)] = EMPTY;  // two pieces vanish, none arrives
    rec.boards[3][cellAt(28)] = EMPTY;
    EXPECT_EQ(formatKif(rec, 3, fixtureTime(), bytes).error, KifWriteError::NotAMove);
}

}  // namespace
}  // namespace kaz::test
