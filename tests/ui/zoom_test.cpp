#include <gtest/gtest.h>

#include <QSettings>

#include "tests/ui/window_fixture.h"

namespace kaz::test {
namespace {

TEST(HighResolution, PiecesAreDrawnFromTheirOwnPicturesAtDevicePixelRatioTwo) {
    WindowFixture f;
    f.window->painter().setScale(2, 1);
    f.window->paintBoard();
    const QImage& canvas = f.canvas();
    ASSERT_EQ(canvas.size(), QSize(2 * ui::CANVAS_WIDTH, 2 * ui::CANVAS_HEIGHT));
    // The human's king, cell (col 4, row 8): its 64 x 64 picture at device pixel (328, 648),
    // pixel for pixel; the 32-pixel picture enlarged would differ at many edge pixels.
    const QImage sharp = picture(QStringLiteral("koma/gyoku1@2x.gif"));
    const QImage enlarged = picture(QStringLiteral("koma/gyoku1.gif")).scaled(64, 64);
    ASSERT_EQ(sharp.size(), QSize(64, 64));
    const QRect cell(2 * 164, 2 * 324, 64, 64);
    EXPECT_EQ(differingPixels(canvas, sharp, {0}, 0, cell), 0);
    EXPECT_GT(differingPixels(canvas, enlarged, {0}, 0, cell), 200);
    // Grid lines and the yellow cells are drawn at the device resolution too.
    EXPECT_EQ(canvas.pixelColor(2 * 160, 2 * 340), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(2 * 160 + 3, 2 * 320 + 3), YELLOW);
}

TEST(Zoom, EnlargesTheWindowMapsClicksAndIsRememberedBetweenRuns) {
    {
        WindowFixture f;
        EXPECT_EQ(f.window->zoomPercent(), 100);
        f.window->setZoom(150);
        f.settle();
        EXPECT_EQ(f.window->boardView()->size(), QSize(960, 630));
        EXPECT_EQ(f.window->button(ui::CMD_START_RESET)->geometry(), QRect(450, 555, 120, 30));
        const QImage& canvas = f.canvas();
        EXPECT_EQ(canvas.pixelColor(qRound(1.5 * 360) - 1, 100), QColor(Qt::black));  // board edge

        // A pawn at 77 (col 2, row 6) clicked at 150 % by its cell's top right corner, then the
        // square in front of it.
        f.start();
        f.clickAt(QPoint(60 * 2 + 59, 60 * 6 + 1));
        EXPECT_EQ(f.window->moveEntry().selectionState, 1);
        EXPECT_EQ(f.canvas().pixelColor(60 * 2 + 4, 60 * 6 + 4), BLUE);
        f.clickAt(QPoint(60 * 2 + 59, 60 * 5 + 1));
        EXPECT_EQ(f.g().board[cellOf(5, 2)], HU);
        EXPECT_EQ(f.g().board[cellOf(6, 2)], EMPTY);
    }
    QSettings settings(QStringLiteral("kazaguruma"), QStringLiteral("kazaguruma"));
    EXPECT_EQ(settings.value(QLatin1String(ui::ZOOM_SETTING)).toInt(), 150);
    {
        WindowFixture f;
        EXPECT_EQ(f.window->zoomPercent(), 150);
        EXPECT_EQ(f.window->boardView()->size(), QSize(960, 630));
    }
    // A value this version does not offer opens at 100 %.
    settings.setValue(QLatin1String(ui::ZOOM_SETTING), 175);
    settings.sync();
    EXPECT_EQ(ui::storedZoom(), 100);
    settings.remove(QLatin1String(ui::ZOOM_SETTING));
}

}  // namespace
}  // namespace kaz::test
