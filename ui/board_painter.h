#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <atomic>
#include <functional>

#include "engine/search/think.h"
#include "game/game_board.h"
#include "game/game_state.h"
#include "ui/move_entry.h"

namespace kaz::ui {

// Draws the whole visible game into an off-screen picture that the window only copies to the
// screen. The picture starts as the wallpaper and is never cleared: what a paint leaves alone
// keeps the wallpaper's pixels.
//
// Painting and reading the picture exclude each other through an atomic test-and-set, so the
// painter may run on any thread; the window runs it on its own thread.
class BoardPainter {
  public:
    BoardPainter();

    // Puts the picture into the top-left corner of the canvas. False when it cannot be read; the
    // canvas then keeps its plain background.
    bool loadWallpaper(const QString& path);
    // Loads the piece pictures; `locate` turns a name such as "koma/hu1.gif" into a path.
    // Returns how many of the 28 could be read; a missing one is simply not drawn.
    int loadPieceImages(const std::function<QString(const QString&)>& locate);

    // The text drawn at the credit line's position.
    void setCredit(const QString& text) { credit_ = text; }

    // Draws board, hands, highlights, progress strip, credit and status line. `selection` is the
    // click handler's selected piece with the cells it can go to.
    void paint(const GameView& view, const MoveEntry& selection, SearchProgress progress);

    // Runs `use` with the canvas while no paint is under way.
    void withCanvas(const std::function<void(const QImage&)>& use);

    // The canvas itself; only for callers that know no paint runs meanwhile (tests).
    const QImage& offscreenImage() const { return offscreenImage_; }
    bool hasPieceImage(int code) const;
    const QFont& font() const { return font_; }

  private:
    void lockForPainting();
    void lockForCopying();
    void unlock();

    void drawBoardAndHands(class QPainter& p, const GameView& view, const MoveEntry& selection);
    void drawPiece(QPainter& p, int code, int x, int y);
    void drawHand(QPainter& p, const GameHand& hand, int codeOffset,
                  const std::array<int, 8>& handY);
    void drawProgress(QPainter& p, bool thinking, SearchProgress progress);
    void drawTexts(QPainter& p, const QString& status);

    QImage offscreenImage_;
    // The wallpaper's pixels under the status line, put back before each status text.
    QImage statusBackground_;
    std::array<QImage, 32> pieceImages_;
    QFont font_;
    QString credit_;
    int lastDrawnProgress_ = 0;
    std::atomic_flag paintLock_;
};

}  // namespace kaz::ui
