#include "game/record_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kif/kif_reader.h"
#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

namespace fs = std::filesystem;
using Msg = ScriptedWindow::Message;
using Msgs = std::vector<Msg>;

const Msg SAVED{"棋譜ファイルを保存しました。", "成功"};
const Msg OPENED{"棋譜ファイルを開けました。", "成功"};
const Msg READ_ERROR{"棋譜ファイルのフォーマットが合いません。", "棋譜読み込みエラー"};
Msg cannotOpen(const std::string& where) { return {"棋譜ファイルを開けませんでした。", where}; }

// Everything after header line 1, which carries the time of saving.
std::string afterFirstLine(const std::string& bytes) { return bytes.substr(bytes.find('\n') + 1); }

// Save or load through the scripted dialogs (no file: the dialog is cancelled); returns the
// messages shown.
template <auto action>
Msgs withDialog(TestGame& game, std::optional<std::string> file) {
    if (file) game.window.queueFile(file);
    action(*game);
    return game.window.takeMessages();
}
constexpr auto save = withDialog<saveRecord>, load = withDialog<loadRecord>;

// A fresh folder per test, removed afterwards.
class RecordFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kaz_kif_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    int filesInDir() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir), {}));
    }

    fs::path dir;
};

TEST_F(RecordFiles, SaveThenLoadRestoresEveryPositionHumanFirst) {
    TestGame game;
    game.start();
    playShortGame(game);
    ASSERT_EQ(save(game, path("game.kif")), Msgs{SAVED});

    TestGame loaded;
    EXPECT_EQ(load(loaded, path("game.kif")), Msgs{OPENED});
    ASSERT_EQ(loaded->recordLength, 8);
    expectSameSlots(loaded->moveRecord, game->moveRecord, 8);
    // Started, paused at move 0, the human moving first.
    EXPECT_TRUE(loaded->started && loaded->paused && loaded->humanToMove);
    EXPECT_EQ(loaded->cursor, 0);
    EXPECT_EQ(loaded->board, loaded->initialBoard);
    EXPECT_EQ(loaded.window.pauseCaption(), "■");
}

TEST_F(RecordFiles, SaveWithTheHumanSecondWritesFromTheFirstPlayersSide) {
    TestGame game;
    game.start(/*humanSecond=*/true);
    // The computer moves first from the top: its 33 pawn is the first player's 77.
    play(game, "33-34 77-76 22-88+ 79-88 B*65", /*computerFirst=*/true);
    auto before = std::make_unique<MoveRecord>(game->moveRecord);
    const GameBoard board = game->board;

    ASSERT_EQ(save(game, path("second.kif")), Msgs{SAVED});
    EXPECT_EQ(afterFirstLine(fileBytes(path("second.kif"))),
              afterFirstLine(fileBytes(KAZ_KIF_DATA "/human_second.kif")));
    // Saving turns the record round and back: the game is exactly as before.
    expectSameSlots(game->moveRecord, *before, 5);
    EXPECT_EQ(game->board, board);

    // Loading gives the same game turned round, the human now moving first.
    TestGame loaded;
    load(loaded, path("second.kif"));
    ASSERT_EQ(loaded->recordLength, 5);
    for (int k = 0; k <= 5; ++k) {
        EXPECT_EQ(loaded->moveRecord.boards[k], rotateBoard(before->boards[k], true)) << k;
        EXPECT_EQ(loaded->moveRecord.hands[0][k], before->hands[1][k]) << k;
        EXPECT_EQ(loaded->moveRecord.hands[1][k], before->hands[0][k]) << k;
    }
}

// A 香落ち game from the start button, the human giving (上手, at the bottom, moving first) or
// taking the handicap: saved as KIF and CSA, it loads back with the human on 下手.
TEST_F(RecordFiles, HandicapGamesFromTheStartButtonSaveAndLoad) {
    for (const bool humanGives : {true, false}) {
        SCOPED_TRACE(humanGives);
        TestGame game;
        game->startHandicap = 1;
        game.start(/*humanSecond=*/!humanGives);
        EXPECT_EQ(game.window.questions().back().caption, "香落ち：上手・下手の選択");
        EXPECT_EQ(game->humanToMove, humanGives);
        // The missing lance: 上手's 1一, at the bottom left when the human gives it.
        EXPECT_EQ(game->board[humanGives ? cellAt(99) : cellAt(11)], EMPTY);
        EXPECT_NE(game->board[humanGives ? cellAt(11) : cellAt(99)], EMPTY);
        play(game, humanGives ? "37-36 33-34 28-24" : "33-34 77-76 22-88+", !humanGives);
        for (const char* name : {"h.kif", "h.csa"}) {
            ASSERT_EQ(save(game, path(name)), Msgs{SAVED});
            TestGame loaded;
            load(loaded, path(name));
            ASSERT_EQ(loaded->recordLength, 3);
            EXPECT_TRUE(loaded->moveRecord.header.goteFirst);
            EXPECT_FALSE(loaded->humanToMove);  // the human takes 下手; 上手 moves first
            for (int k = 0; k <= 3; ++k) {
                const GameBoard& own = game->moveRecord.boards[k];
                EXPECT_EQ(loaded->moveRecord.boards[k], humanGives ? rotateBoard(own, true) : own);
            }
        }
        EXPECT_NE(fileBytes(path("h.kif")).find(sjisOf("手合割：香落ち\r\n下手：")),
                  std::string::npos);
    }
}

TEST_F(RecordFiles, ThreeMovesAreSavedTwoAreRefused) {
    TestGame game;
    game.start();
    play(game, "77-76 33-34");
    EXPECT_EQ(save(game, std::nullopt), (Msgs{{"保存する棋譜の手数が足りません。", "失敗"}}));
    game.human(27, 26);
    EXPECT_EQ(save(game, std::nullopt), (Msgs{cannotOpen("失敗")}));

    game->thinking = true;
    EXPECT_TRUE(save(game, std::nullopt).empty());
    EXPECT_EQ(game->statusText.get(), "コンピュータの思考中は棋譜を保存できません。");
    game->thinking = false;

    save(game, path("three.kif"));
    EXPECT_TRUE(fileBytes(path("three.kif")).ends_with(sjisOf("3 ２六歩(27)\r\n4 投了")));
    EXPECT_EQ(filesInDir(), 1);
}

TEST_F(RecordFiles, FailedSavesLeaveTheExistingFileAndNoTemporary) {
    TestGame game;
    game.start();
    playShortGame(game);
    const std::string target = path("keep.kif");
    std::ofstream(target) << "precious";
    const auto untouched = [&] { return fileBytes(target) == "precious" && filesInDir() == 1; };

    // A record that is not a sequence of moves.
    game->moveRecord.boards[4][cellAt(55)] = GIN;
    game->moveRecord.boards[4][cellAt(54)] = GIN;
    EXPECT_EQ(save(game, target),
              (Msgs{{"棋譜ファイルのフォーマットが合いません。c=4", "棋譜書き込みエラー"}}));
    EXPECT_TRUE(untouched());
    game->moveRecord.boards[4][cellAt(55)] = EMPTY;
    game->moveRecord.boards[4][cellAt(54)] = EMPTY;

    // The disk fills up while writing (a file size limit makes every write past it fail).
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const Msgs full = save(game, target);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(full, (Msgs{{"棋譜ファイルを書き込めませんでした。", target}}));
    EXPECT_TRUE(untouched());

    // A folder that cannot be written to (root may write anyway), and one that does not exist.
    if (geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_EQ(save(game, target), Msgs{cannotOpen(target)});
        EXPECT_TRUE(untouched());
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(save(game, path("missing/x.kif")), Msgs{cannotOpen(path("missing/x.kif"))});

    // A save that works replaces the file and keeps its permissions.
    chmod(target.c_str(), 0640);
    EXPECT_EQ(save(game, target), Msgs{SAVED});
    EXPECT_TRUE(fileBytes(target).ends_with(sjisOf("9 投了")));
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(filesInDir(), 1);
}

TEST_F(RecordFiles, LoadFailuresKeepTheCurrentGame) {
    TestGame game;
    game.start();
    playShortGame(game);
    auto before = std::make_unique<MoveRecord>(game->moveRecord);
    const GameBoard board = game->board;
    const auto unchanged = [&] {
        return game->recordLength == 8 && game->cursor == 8 && game->board == board &&
               game->moveRecord.boards[8] == before->boards[8] && !game->paused;
    };

    EXPECT_EQ(load(game, std::nullopt), (Msgs{{"棋譜ファイルを開きませんでした。", "失敗"}}));
    EXPECT_EQ(load(game, path("absent.kif")), Msgs{cannotOpen(path("absent.kif"))});
    EXPECT_EQ(load(game, dir.string()), Msgs{cannotOpen(dir.string())});
    EXPECT_TRUE(unchanged());

    // A bad move, and a file too large to be a record (sparse: no disk used).
    std::ofstream(path("bad.kif")) << kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ５五角打"});
    EXPECT_EQ(load(game, path("bad.kif")), (Msgs{OPENED, READ_ERROR}));
    EXPECT_TRUE(unchanged());
    std::ofstream(path("huge.kif")) << sjisOf(KIF_HEADER);
    fs::resize_file(path("huge.kif"), KIF_MAX_FILE_BYTES + 1);
    EXPECT_EQ(load(game, path("huge.kif")), (Msgs{OPENED, READ_ERROR}));
    EXPECT_TRUE(unchanged());

    game->thinking = true;
    EXPECT_TRUE(load(game, std::nullopt).empty());
    EXPECT_EQ(game->statusText.get(), "コンピュータの思考中は棋譜を読み込めません。");
    EXPECT_TRUE(unchanged());
    game->thinking = false;

    // A file with no column-title line is read as an empty game.
    std::ofstream(path("notes.kif")) << sjisOf("メモ\r\n");
    load(game, path("notes.kif"));
    EXPECT_EQ(game->recordLength, 0);
    EXPECT_TRUE(game->started);
}

}  // namespace
}  // namespace kaz::test
