#include "kif/kif_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/data_lines.h"
#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

struct Read {
    std::unique_ptr<MoveRecord> record = std::make_unique<MoveRecord>();
    KifReadResult result;
};

Read readBytes(const std::string& bytes) {
    Read r;
    r.result = readKif(bytes, *r.record);
    return r;
}

// The bishops exchanged on 22, then `next` as move 5.
std::string afterOpening(std::string_view next) {
    return kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)", "4 同　銀(31)", next});
}

// Slot 4 of that opening: each side holds a bishop.
void expectOpeningSlot4(const MoveRecord& rec) {
    EXPECT_EQ(rec.boards[4][cellAt(22)], GIN | OWNER_BIT);
    EXPECT_EQ(rec.boards[4][cellAt(31)], EMPTY);
    EXPECT_EQ(rec.boards[4][cellAt(88)], EMPTY);
    EXPECT_EQ(rec.hands[0][4][KAKU], 1);
    EXPECT_EQ(rec.hands[1][4][KAKU], 1);
}

TEST(KifReader, OwnFormatWithSameSquareCommentsAndResignation) {
    const Read r =
        readBytes(kifSjis({"1 ７六歩(77)", "# a comment", "2 ３四歩(33)", "*another comment",
                           "3 ２二角成(88)", "4 同　銀(31)", "5 投了", "6 ５五角打"}));
    ASSERT_TRUE(r.result.ok) << r.result.reason;
    EXPECT_EQ(r.result.moves, 4);  // comments do not count, 投了 ends the list
    EXPECT_EQ(r.record->boards[0], makeInitialBoard());
    EXPECT_EQ(r.record->boards[3][cellAt(22)], UMA);
    expectOpeningSlot4(*r.record);

    // No moves at all; a last line with no line end.
    EXPECT_EQ(readBytes(sjisOf("開始日時：2024/01/01\r\n")).result.moves, 0);
    const Read loose = readBytes(sjisOf(std::string(KIF_HEADER) + "1 ７六歩(77)\r\n2 投了"));
    ASSERT_TRUE(loose.result.ok);
    EXPECT_EQ(loose.result.moves, 1);
}

TEST(KifReader, FilesAsOtherProgramsWriteThem) {
    // Padded move numbers, time columns, "不成", blank and "&" lines, and a closing "まで" line.
    const std::string header =
        "# ---- written by another program ----\r\n開始日時：2024/01/01\r\n手合割：平手\r\n"
        "先手：A\r\n後手：B\r\n手数----指手---------消費時間--\r\n";
    const std::string good =
        kifUtf8({"   1 ７六歩(77)   ( 0:01/00:00:01)", "   2 ３四歩(33)   ( 0:02/00:00:02)", "",
                 "   3 ２二角成(88) ( 0:03/00:00:04)", "\t \r", "&しおり",
                 "   4 同　銀(31)   ( 0:01/00:00:03)", "   5 ４五角打     ( 0:01/00:00:05)",
                 "   6 ３三角打     ( 0:01/00:00:04)", "   7 ３四角(45)   ( 0:01/00:00:06)",
                 "   8 同　角(33)   ( 0:01/00:00:05)", "   9 ６八銀不成(79)", "まで9手で先手の勝ち",
                 "  10 ５五角打"},
                header);
    const Read sjis = readBytes(sjisOf(good));
    ASSERT_TRUE(sjis.result.ok) << sjis.result.line << " " << sjis.result.reason;
    EXPECT_EQ(sjis.result.moves, 9);
    expectOpeningSlot4(*sjis.record);
    EXPECT_EQ(sjis.record->boards[9][cellAt(68)], GIN);  // 不成: not promoted
    EXPECT_EQ(sjis.record->hands[1][8][KAKU], 1);
    EXPECT_EQ(sjis.record->hands[0][8][HU], 1);

    // The same file in UTF-8, with and without a byte-order mark, loads like its twin.
    for (const std::string& bytes : {good, "\xEF\xBB\xBF" + good}) {
        const Read u = readBytes(bytes);
        ASSERT_TRUE(u.result.ok) << u.result.reason;
        ASSERT_EQ(u.result.moves, 9);
        for (int k = 0; k <= 9; ++k) EXPECT_EQ(u.record->boards[k], sjis.record->boards[k]);
    }
}

TEST(KifReader, GameEndingWordsAndVariationsCloseTheList) {
    for (std::string_view word : {"中断", "詰み", "千日手", "持将棋", "切れ負け", "反則勝ち",
                                  "反則負け", "入玉勝ち", "不戦勝", "不戦敗"}) {
        const Read r = readBytes(afterOpening("   5 " + std::string(word) + "   ( 0:01/00:00:05)"));
        ASSERT_TRUE(r.result.ok) << word;
        EXPECT_EQ(r.result.moves, 4) << word;
    }
    const Read variation =
        readBytes(kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "", "変化：2手", "2 ８四歩(83)"}));
    ASSERT_TRUE(variation.result.ok);
    EXPECT_EQ(variation.result.moves, 2);
    EXPECT_EQ(variation.record->boards[2][cellAt(34)], HU | OWNER_BIT);
}

TEST(KifReader, AtMost498MovesAreRead) {
    // Both kings walk back and forth: 500 move lines.
    std::string utf8(KIF_HEADER);
    const char* cycle[4] = {"４八玉(59)", "６二玉(51)", "５九玉(48)", "５一玉(62)"};
    for (int n = 1; n <= 500; ++n) utf8 += std::to_string(n) + " " + cycle[(n - 1) % 4] + "\r\n";
    const Read r = readBytes(sjisOf(utf8));
    ASSERT_TRUE(r.result.ok) << r.result.reason;
    EXPECT_EQ(r.result.moves, KIF_MOVE_LIMIT);
    EXPECT_EQ(r.record->boards[498][cellAt(62)], GYOKU | OWNER_BIT);  // move 498: ６二玉
}

TEST(KifReader, SameSquareWithAnySpaceOrNone) {
    for (std::string_view same : {"4 同　銀(31)", "4 同 銀(31)", "4 同銀(31)"}) {
        const Read r = readBytes(kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)", same}));
        ASSERT_TRUE(r.result.ok) << same << r.result.reason;
        expectOpeningSlot4(*r.record);
    }
}

// A diagram of eight rows, with `row` as the ninth when given.
std::string diagram(std::string_view row, std::string_view hands = "先手の持駒：なし\r\n") {
    std::string text = "後手の持駒：なし\r\n+---------------------------+\r\n";
    text += "|v香v桂v銀v金v玉v金v銀v桂v香|一\r\n";
    for (int i = 0; i < 7; ++i) text += "| ・ ・ ・ ・ ・ ・ ・ ・ ・|\r\n";
    text += row;
    text += "+---------------------------+\r\n";
    text += hands;
    return text + "手数----指手---------消費時間--\r\n";
}

TEST(KifReader, FormatErrors) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"binary file (NUL bytes)", sjisOf(KIF_HEADER) + std::string("1 \0\x01\x02", 5)},
        {"neither Shift-JIS nor UTF-8 text", sjisOf(KIF_HEADER) + "1 \x82\xff\x85\r\n"},
        {"line longer than 9998 bytes", kifSjis({std::string(KIF_MAX_LINE_BYTES + 1, '*')})},
        {"file too large", std::string(KIF_MAX_FILE_BYTES + 1, '*')},
        {"unknown handicap", kifSjis({}, "手合割：九枚落ち\r\n手数----指手--\r\n")},
        {"handicap \"その他\" without a board diagram",
         kifSjis({}, "手合割：その他\r\n手数----指手--\r\n")},
        {"hands without a board diagram", kifSjis({}, "先手の持駒：歩\r\n手数----指手--\r\n")},
        {"board diagram without nine rows", kifSjis({}, diagram(""))},
        {"more than nine rows in the board diagram",
         kifSjis({},
                 diagram("| 玉 ・ ・ ・ ・ ・ ・ ・ ・|九\r\n| ・ ・ ・ ・ ・ ・ ・ ・ ・|\r\n"))},
        {"malformed square in the board diagram", kifSjis({}, diagram("|x玉 ・ ・ ・ ・|九\r\n"))},
        {"unknown piece in the board diagram",
         kifSjis({}, diagram("| 猫 ・ ・ ・ ・ ・ ・ ・ ・|九\r\n"))},
        {"board diagram row without its closing \"|\"",
         kifSjis({}, diagram("| 玉 ・ ・ ・ ・ ・ ・ ・ ・九\r\n"))},
        {"impossible position in the diagram",
         kifSjis({}, diagram("| 玉 ・ ・ ・ ・ ・ ・ ・ 玉|九\r\n"))},
        {"impossible position in the diagram",
         kifSjis({}, diagram("| 玉 ・ ・ ・ ・ ・ ・ ・ ・|九\r\n", "先手の持駒：歩十九\r\n"))},
        {"unknown piece in a hand",
         kifSjis({}, diagram("| 玉 ・ ・ ・ ・ ・ ・ ・ ・|九\r\n", "先手の持駒：玉\r\n"))},
    };
    for (const auto& f : testing::dataLines(KAZ_KIF_DATA "/bad_moves.txt")) {
        std::vector<std::string_view> lines;
        for (std::size_t a = 0, b = 0; b != std::string::npos; a = b + 3)
            lines.push_back(std::string_view(f[1]).substr(a, (b = f[1].find(" / ", a)) - a));
        cases.emplace_back(f[0], kifSjis(lines));
    }
    for (const auto& [reason, bytes] : cases) {
        const Read r = readBytes(bytes);
        EXPECT_FALSE(r.result.ok) << reason;
        EXPECT_EQ(r.result.reason, reason) << bytes.substr(0, 200);
    }
}

}  // namespace
}  // namespace kaz::test
