// Records written by tsshogi (tools/rules_reference/record_corpus.mjs) for every handicap and for
// set-up positions with pieces in hand: each reads to the positions tsshogi replays, and our own
// KIF and CSA texts of it read back to the same record. Our files are left in KAZ_WRITTEN_DIR,
// where ./test has tsshogi read them back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/position/sfen.h"
#include "kif/csa_reader.h"
#include "kif/csa_writer.h"
#include "kif/kif_reader.h"
#include "kif/kif_writer.h"
#include "kif/record_text.h"
#include "tests/support/data_lines.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

namespace fs = std::filesystem;

using Reader = KifReadResult (*)(std::string_view, MoveRecord&);

// Reads `file` with `read` to the positions of its .sfen file and tsshogi's names, writes it with
// `write` into KAZ_WRITTEN_DIR and reads that back to the same; returns the number of moves.
template <typename Write>
void checkRecord(const fs::path& file, Reader read, Write write) {
    SCOPED_TRACE(file.filename().string());
    auto record = std::make_unique<MoveRecord>();
    auto again = std::make_unique<MoveRecord>();
    const std::vector<std::string> expected = fileLines(fs::path(file).replace_extension(".sfen"));
    const std::string text = fileBytes(file);
    const KifReadResult first = read(text, *record);
    ASSERT_TRUE(first.ok) << first.line << ": " << first.reason;
    EXPECT_EQ(positions(*record, first.moves), expected);
    // The same text pasted: its format is recognised.
    const KifReadResult pasted = readRecordText(text, *again);
    ASSERT_TRUE(pasted.ok) << pasted.reason;
    EXPECT_EQ(positions(*again, pasted.moves), expected);
    const std::string stem = file.stem().string();
    EXPECT_EQ(record->header.names, (std::array<std::string, 2>{"先手" + stem, "後手" + stem}));

    std::string ours;
    ASSERT_EQ(write(*record, first.moves, ours).error, KifWriteError::None);
    std::ofstream(fs::path(KAZ_WRITTEN_DIR) / file.filename(), std::ios::binary) << ours;
    const KifReadResult back = read(ours, *again);
    ASSERT_TRUE(back.ok) << back.line << ": " << back.reason;
    EXPECT_EQ(positions(*again, back.moves), expected);
    EXPECT_EQ(again->header.names, record->header.names);
}

TEST(RecordCorpus, TsshogiRecordsReadToItsPositionsAndRoundTrip) {
    fs::create_directories(KAZ_WRITTEN_DIR);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(KAZ_KIF_DATA) / "tsshogi")) {
        const fs::path& file = entry.path();
        if (file.extension() == ".kif") {
            checkRecord(file, readKif, [](const MoveRecord& r, int n, std::string& out) {
                return formatKif(r, n, std::tm{}, out);
            });
            ++files;
        } else if (file.extension() == ".csa") {
            checkRecord(file, readCsa, formatCsa);
            ++files;
        }
    }
    EXPECT_EQ(files, 40);
}

TEST(RecordText, PositionsAndUsiLinesOrAClearError) {
    auto record = std::make_unique<MoveRecord>();
    for (const auto& f : testing::dataLines(KAZ_KIF_DATA "/record_text.txt")) {
        const KifReadResult r = readRecordText(unescaped(f[0]), *record);
        EXPECT_EQ(r.ok, f[1].empty()) << f[0];
        EXPECT_EQ(r.reason, f[1]) << f[0];
        if (!r.ok) continue;
        std::string slots;
        for (const std::string& p : positions(*record, r.moves))
            slots += (slots.empty() ? "" : " ; ") + p;
        EXPECT_EQ(slots, f.at(2)) << f[0];
    }
}

}  // namespace
}  // namespace kaz::test
