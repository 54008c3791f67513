#include "kif/record_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/game_driver.h"
#include "tests/support/kif_text.h"

namespace kaz::test {
namespace {

namespace fs = std::filesystem;
using Msg = ScriptedWindow::Message;

const Msg SAVED{"棋譜ファイルを保存しました。", "成功"};
const Msg OPENED{"棋譜ファイルを開けました。", "成功"};
const Msg READ_ERROR{"棋譜ファイルのフォーマットが合いません。", "棋譜読み込みエラー"};

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
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    int filesInDir() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir), {}));
    }

    fs::path dir;
};

// Everything after header line 1, which carries the time of saving.
std::string afterFirstLine(const std::string& bytes) { return bytes.substr(bytes.find('\n') + 1); }

TEST_F(RecordFiles, SaveThenLoadRestoresEveryPositionHumanFirst) {
    TestGame game;
    game.start();
    playShortGame(game);
    auto saved = std::make_unique<MoveRecord>(game->moveRecord);

    game.window.queueFile(path("game.kif"));
    saveRecord(*game);
    EXPECT_EQ(game.window.messages(), std::vector<Msg>{SAVED});
    EXPECT_EQ(game.window.lastFilter(), "KIF files {*.kif}|*.kif");
    const std::string bytes = contents(path("game.kif"));
    EXPECT_EQ(afterFirstLine(bytes),
              afterFirstLine(contents(std::string(KAZ_KIF_DATA) + "/short_game.kif")));
    EXPECT_TRUE(bytes.ends_with(sjisOf("9 投了")));  // no line end after the last line

    TestGame loaded;
    loaded.window.queueFile(path("game.kif"));
    loadRecord(*loaded);
    EXPECT_EQ(loaded.window.messages(), std::vector<Msg>{OPENED});
    ASSERT_EQ(loaded->recordLength, 8);
    for (int k = 0; k <= 8; ++k) {
        EXPECT_EQ(loaded->moveRecord.boards[k], saved->boards[k]) << k;
        EXPECT_EQ(loaded->moveRecord.hands[0][k], saved->hands[0][k]) << k;
        EXPECT_EQ(loaded->moveRecord.hands[1][k], saved->hands[1][k]) << k;
    }
    // Started, paused at move 0, the human moving first.
    EXPECT_TRUE(loaded->started);
    EXPECT_TRUE(loaded->paused);
    EXPECT_TRUE(loaded->humanToMove);
    EXPECT_EQ(loaded->cursor, 0);
    EXPECT_EQ(loaded->humanIsSecond, 0);
    EXPECT_EQ(loaded->board, loaded->initialBoard);
    EXPECT_EQ(loaded.window.startCaption(), "初期化");
    EXPECT_EQ(loaded.window.pauseCaption(), "■");
}

TEST_F(RecordFiles, SaveWithTheHumanSecondWritesFromTheFirstPlayersSide) {
    TestGame game;
    game.start(/*humanSecond=*/true);
    // The computer moves first from the top: its 33 pawn is the first player's 77.
    game.computer(33, 34);
    game.human(77, 76);
    game.computer(22, 88, true);
    game.human(79, 88);
    game.computerDrop(KAKU, 65);
    auto before = std::make_unique<MoveRecord>(game->moveRecord);
    const GameBoard board = game->board;

    game.window.queueFile(path("second.kif"));
    saveRecord(*game);
    ASSERT_EQ(game.window.messages(), std::vector<Msg>{SAVED});
    EXPECT_EQ(afterFirstLine(contents(path("second.kif"))),
              afterFirstLine(kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)",
                                      "4 ２二銀(31)", "5 ４五角打"})) +
                  sjisOf("6 投了"));
    // The record and the board are exactly as before.
    for (int k = 0; k <= 5; ++k) EXPECT_EQ(game->moveRecord.boards[k], before->boards[k]) << k;
    EXPECT_EQ(game->board, board);

    // Loading gives the same game turned round: the first player at the bottom, played by the
    // human.
    TestGame loaded;
    loaded.window.queueFile(path("second.kif"));
    loadRecord(*loaded);
    ASSERT_EQ(loaded->recordLength, 5);
    for (int k = 0; k <= 5; ++k) {
        EXPECT_EQ(loaded->moveRecord.boards[k], rotateBoard(before->boards[k], true)) << k;
        EXPECT_EQ(loaded->moveRecord.hands[0][k], before->hands[1][k]) << k;
        EXPECT_EQ(loaded->moveRecord.hands[1][k], before->hands[0][k]) << k;
    }
}

TEST_F(RecordFiles, SaveRefusals) {
    TestGame game;
    game.start();
    game.human(77, 76);
    game.computer(33, 34);
    saveRecord(*game);  // two moves are not enough
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"保存する棋譜の手数が足りません。", "失敗"}}));
    game.human(27, 26);
    game.window.clearMessages();

    saveRecord(*game);  // no file chosen
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを開けませんでした。", "失敗"}}));
    game.window.clearMessages();

    game->thinking = true;
    saveRecord(*game);
    EXPECT_EQ(game->statusText.get(), "コンピュータの思考中は棋譜を保存できません。");
    EXPECT_TRUE(game.window.messages().empty());
    game->thinking = false;

    // Exactly three moves: three move lines and "4 投了".
    game.window.queueFile(path("three.kif"));
    saveRecord(*game);
    EXPECT_EQ(afterFirstLine(contents(path("three.kif"))),
              afterFirstLine(kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２六歩(27)"})) +
                  sjisOf("4 投了"));
}

TEST_F(RecordFiles, FailedSavesLeaveTheExistingFileAndNoTemporary) {
    TestGame game;
    game.start();
    playShortGame(game);
    const std::string target = path("keep.kif");
    write(target, "precious");

    // A record that is not a sequence of moves: reported, file untouched.
    game->moveRecord.boards[4][cellAt(55)] = GIN;
    game->moveRecord.boards[4][cellAt(54)] = GIN;
    game.window.queueFile(target);
    saveRecord(*game);
    EXPECT_EQ(
        game.window.messages(),
        (std::vector<Msg>{{"棋譜ファイルのフォーマットが合いません。c=4", "棋譜書き込みエラー"}}));
    EXPECT_EQ(contents(target), "precious");
    EXPECT_EQ(filesInDir(), 1);
    game->moveRecord.boards[4][cellAt(55)] = EMPTY;
    game->moveRecord.boards[4][cellAt(54)] = EMPTY;
    game.window.clearMessages();

    // The disk fills up while writing (a file size limit makes every write past it fail).
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    game.window.queueFile(target);
    saveRecord(*game);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを書き込めませんでした。", target}}));
    EXPECT_EQ(contents(target), "precious");
    EXPECT_EQ(filesInDir(), 1);
    game.window.clearMessages();

    // A folder that cannot be written to (a no-op for root, who may write anyway).
    if (geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
        game.window.queueFile(target);
        saveRecord(*game);
        EXPECT_EQ(game.window.messages(),
                  (std::vector<Msg>{{"棋譜ファイルを開けませんでした。", target}}));
        EXPECT_EQ(contents(target), "precious");
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
        game.window.clearMessages();
    }
    // A folder that does not exist.
    game.window.queueFile(path("missing/x.kif"));
    saveRecord(*game);
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを開けませんでした。", path("missing/x.kif")}}));
    game.window.clearMessages();

    // And a save that works replaces the file and keeps its permissions.
    chmod(target.c_str(), 0640);
    game.window.queueFile(target);
    saveRecord(*game);
    EXPECT_EQ(game.window.messages(), std::vector<Msg>{SAVED});
    EXPECT_TRUE(contents(target).ends_with(sjisOf("9 投了")));
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
    auto unchanged = [&] {
        return game->recordLength == 8 && game->cursor == 8 && game->board == board &&
               game->moveRecord.boards[8] == before->boards[8] && !game->paused;
    };

    loadRecord(*game);  // cancelled
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを開きませんでした。", "失敗"}}));
    game.window.clearMessages();

    game.window.queueFile(path("absent.kif"));
    loadRecord(*game);
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを開けませんでした。", path("absent.kif")}}));
    game.window.clearMessages();

    write(path("bad.kif"), kifSjis({"1 ７六歩(77)", "2 ３四歩(33)", "3 ５五角打"}));
    game.window.queueFile(path("bad.kif"));
    loadRecord(*game);
    EXPECT_EQ(game.window.messages(), (std::vector<Msg>{OPENED, READ_ERROR}));
    EXPECT_TRUE(unchanged());
    game.window.clearMessages();

    game->thinking = true;
    loadRecord(*game);
    EXPECT_EQ(game->statusText.get(), "コンピュータの思考中は棋譜を読み込めません。");
    EXPECT_TRUE(game.window.messages().empty());
    EXPECT_TRUE(unchanged());
    game->thinking = false;

    // A directory, and a file with no column-title line (read as an empty game).
    game.window.queueFile(dir.string());
    loadRecord(*game);
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"棋譜ファイルを開けませんでした。", dir.string()}}));
    EXPECT_TRUE(unchanged());
    write(path("notes.kif"), sjisOf("メモ\r\n"));
    game.window.queueFile(path("notes.kif"));
    loadRecord(*game);
    EXPECT_EQ(game->recordLength, 0);
    EXPECT_TRUE(game->started);
}

}  // namespace
}  // namespace kaz::test
