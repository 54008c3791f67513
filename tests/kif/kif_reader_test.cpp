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

TEST(KifReader, FilesAsOtherProgramsWriteThem) {
    // Padded move numbers, 同 with a narrow space, time columns, "不成", blank and "&" lines, and a
    // closing "まで" line.
    // In Shift-JIS, and in UTF-8 with and without a byte-order mark.
    const std::string good = fileBytes(KAZ_KIF_DATA "/other_program.kif");
    const std::vector<std::string> expected = fileLines(KAZ_KIF_DATA "/other_program.sfen");
    for (const std::string& bytes : {sjisOf(good), good, "\xEF\xBB\xBF" + good}) {
        const Read r = readBytes(bytes);
        ASSERT_TRUE(r.result.ok) << r.result.line << " " << r.result.reason;
        EXPECT_EQ(positions(*r.record, r.result.moves), expected);
    }
}

// Game-ending words and variations are read in the pasted-text table.
TEST(KifReader, FromNoMovesToAtMost498) {
    EXPECT_EQ(readBytes(sjisOf("開始日時：2024/01/01\r\n")).result.moves, 0);
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
