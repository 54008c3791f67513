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

// The bishops exchanged on 22 (同 with no space), then `next` as move 5.
std::string afterOpening(std::string_view next) {
    return kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)", "4 同銀(31)", next});
}

TEST(KifReader, FilesAsOtherProgramsWriteThem) {
    // Padded move numbers, 同 with a narrow space, time columns, "不成", blank and "&" lines, and a
    // closing "まで" line.
    const std::string good = fileBytes(KAZ_KIF_DATA "/other_program.kif");
    const Read sjis = readBytes(sjisOf(good));
    ASSERT_TRUE(sjis.result.ok) << sjis.result.line << " " << sjis.result.reason;
    EXPECT_EQ(positions(*sjis.record, sjis.result.moves),
              fileLines(KAZ_KIF_DATA "/other_program.sfen"));

    // The same file in UTF-8, with and without a byte-order mark, loads like its twin.
    for (const std::string& bytes : {good, "\xEF\xBB\xBF" + good}) {
        const Read u = readBytes(bytes);
        ASSERT_TRUE(u.result.ok) << u.result.reason;
        ASSERT_EQ(u.result.moves, 9);
        for (int k = 0; k <= 9; ++k) EXPECT_EQ(u.record->boards[k], sjis.record->boards[k]);
    }
}

TEST(KifReader, GameEndingWordsCloseTheList) {
    for (std::string_view word : {"中断", "詰み", "千日手", "持将棋", "切れ負け", "反則勝ち",
                                  "反則負け", "入玉勝ち", "不戦勝", "不戦敗"}) {
        const Read r = readBytes(afterOpening("   5 " + std::string(word) + "   ( 0:01/00:00:05)"));
        ASSERT_TRUE(r.result.ok) << word;
        EXPECT_EQ(r.result.moves, 4) << word;
    }
    EXPECT_EQ(readBytes(sjisOf("開始日時：2024/01/01\r\n")).result.moves, 0);  // no moves at all
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

TEST(KifReader, FormatErrors) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"line longer than 9998 bytes", kifSjis({std::string(KIF_MAX_LINE_BYTES + 1, '*')})},
        {"file too large", std::string(KIF_MAX_FILE_BYTES + 1, '*')},
    };
    // Headers and board diagrams, each file naming its reason in its first line.
    for (const auto& entry : std::filesystem::directory_iterator(KAZ_KIF_DATA "/bad")) {
        const std::string bytes = fileBytes(entry.path());
        std::string reason;
        sjisToUtf8(bytes.substr(2, bytes.find('\r') - 2), reason);
        cases.emplace_back(reason, bytes);
    }
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
