#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QTemporaryDir>

#include <sstream>

#include "tests/support/data_lines.h"
#include "tests/ui/window_fixture.h"

namespace kaz::test {
namespace {

TEST(Painter, PiecesSitFourPixelsInsideTheirCellsAndFanOutInHand) {
    WindowFixture f;
    // The human's king at row 8, col 4; the computer's, turned round, at row 0. The cell's grid
    // line is at x 160, the piece at 164.
    for (const auto& [name, row] : {std::pair{"gyoku1.gif", 8}, std::pair{"gyoku2.gif", 0}}) {
        const QImage piece = picture(QStringLiteral("koma/") + name);
        ASSERT_EQ(piece.size(), QSize(32, 32));
        EXPECT_EQ(differingPixels(f.canvas(), piece, {3}, 3, QRect(161, 40 * row + 1, 39, 38)), 0)
            << name;
        EXPECT_EQ(f.pixel(160, 40 * row + 20), QColor(Qt::black));
    }

    GameState& g = f.g();
    g.hands[0][HU] = 5;     // step 40 / 6 = 6, tripled: 18
    g.hands[1][KIN] = 2;    // step 40 / 3 = 13
    g.hands[0][GYOKU] = 1;  // a taken king is never shown
    f.window->paintBoard();
    // The human's pawn row (y 200..239), the computer's silver-and-gold row (gold from x 480).
    const QImage& canvas = f.canvas();
    EXPECT_EQ(differingPixels(canvas, picture("koma/hu1.gif"), {3, 21, 39, 57, 75}, 3,
                              QRect(401, 201, 158, 39)),
              0);
    EXPECT_EQ(differingPixels(canvas, picture("koma/kin2.gif"), {3, 16}, 3, QRect(481, 41, 78, 39)),
              0);
    // Where the king's entry of the table points (520, 320) nothing is drawn.
    EXPECT_EQ(differingPixels(canvas, QImage(), {}, 0, QRect(521, 321, 38, 38)), 0);
}

TEST(Painter, ProgressStripShowsTheNewColumnInThePassColour) {
    WindowFixture f;
    GameState& g = f.g();
    for (const auto& step : testing::dataLines(KAZ_UI_TEST_DATA "/progress_strip.txt")) {
        g.thinking = step[0] == "1";
        SearcherTestAccess s(*f.searcher);
        s.pass = std::stoi(step[1]);
        s.progressColumn = std::stoi(step[2]);
        f.window->paintBoard();
        std::istringstream seen(step[3]);
        for (std::string at; seen >> at;)
            EXPECT_EQ(f.pixel(std::stoi(at), 365).name().toStdString(), at.substr(at.find(':') + 1))
                << step[1] << " " << step[2] << " x " << at;
    }
}

TEST(Painter, ShorterStatusTextLeavesNothingOfTheLongerOne) {
    WindowFixture f;
    GameState& g = f.g();
    const QFontMetrics metrics(f.window->painter().font());
    const auto darkPixelsBetween = [&](int x0, int x1) {
        const QImage& canvas = f.canvas();
        int dark = 0;
        for (int y = ui::STATUS_Y; y < ui::STATUS_Y + metrics.height(); ++y)
            for (int x = x0; x < x1; ++x) dark += qGray(canvas.pixel(x, y)) < 100;
        return dark;
    };
    const QString longText =
        "コンピュータが投了しました。試合終了です。評価値の表示を確かめる長い文";
    g.statusText.set(longText.toStdString());
    f.window->paintBoard();
    const int longWidth = metrics.horizontalAdvance(longText);
    ASSERT_GT(longWidth, 400);
    EXPECT_GT(darkPixelsBetween(300, 400), 20);

    // The short text is followed by white blanks, then the wallpaper.
    g.statusText.set("短い");
    f.window->paintBoard();
    const int textWidth = metrics.horizontalAdvance(QStringLiteral("短い"));
    EXPECT_GT(darkPixelsBetween(0, textWidth), 20);
    EXPECT_EQ(darkPixelsBetween(textWidth + 2, longWidth + 20), 0);
    EXPECT_EQ(f.pixel(textWidth + 40, ui::STATUS_Y + metrics.height() / 2), WHITE);
}

TEST(Painter, MissingPicturesAreSkipped) {
    ui::BoardPainter painter;
    EXPECT_FALSE(painter.loadWallpaper(QStringLiteral("/nonexistent/wallpaper.jpg")));
    EXPECT_EQ(
        painter.loadPieceImages([](const QString&) { return QStringLiteral("/nonexistent"); }), 0);
    const auto game = std::make_unique<GameState>();
    painter.paint(viewForPainting(*game), ui::MoveEntry{}, {});
    // The board is drawn; the pieces are not.
    EXPECT_EQ(painter.offscreenImage().pixelColor(20, 20), YELLOW);
    EXPECT_EQ(painter.offscreenImage().pixelColor(180, 340), YELLOW);
}

TEST(Pictures, ACopyInTheWorkingDirectoryComesFirst) {
    // Without a copy in the working directory the source tree's pictures are found; with one,
    // that copy; a picture found nowhere keeps its relative name.
    EXPECT_TRUE(QFileInfo(ui::findDataFile("koma/hu1.gif")).isFile());
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("koma"));
    QFile own(dir.filePath("koma/hu1.gif"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString found = ui::findDataFile("koma/hu1.gif");
    const QString missing = ui::findDataFile("koma/none.gif");
    QDir::setCurrent(before);
    EXPECT_EQ(QFileInfo(found).canonicalFilePath(), QFileInfo(own).canonicalFilePath());
    EXPECT_EQ(missing, "koma/none.gif");
}

}  // namespace
}  // namespace kaz::test
