#include "ui/board_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <thread>

#include "ui/layout.h"

namespace kaz::ui {

namespace {

using namespace std::chrono_literals;

const QColor YELLOW(255, 255, 0);
const QColor RED(255, 0, 0);
const QColor BLUE(0, 0, 255);
const QColor GREEN(0, 255, 0);
// The canvas colour where no wallpaper could be read.
const QColor PLAIN_BACKGROUND(240, 240, 240);

// Picture names by piece code of the human's side; 12 and 15 have no piece.
constexpr const char* PIECE_NAMES[15] = {"hu",   "kyo",  "kei",   "gin",   "kin",
                                         "kaku", "hi",   "gyoku", "tokin", "nkyo",
                                         "nkei", "ngin", nullptr, "uma",   "ryu"};

// The used 32 x 32 corner of a piece picture, with pure white (and whatever the file itself marks
// transparent) made fully transparent and every other pixel fully opaque.
QImage pieceFromPicture(const QImage& picture) {
    QImage piece =
        picture.convertToFormat(QImage::Format_ARGB32).copy(0, 0, PIECE_SIZE, PIECE_SIZE);
    for (int y = 0; y < PIECE_SIZE; ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < PIECE_SIZE; ++x) {
            const QRgb c = line[x];
            const bool white = (c & 0xFFFFFF) == 0xFFFFFF;
            line[x] = (qAlpha(c) == 0 || white) ? 0 : (c | 0xFF000000u);
        }
    }
    return piece;
}

QFont statusFont() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(16);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

BoardPainter::BoardPainter()
    : offscreenImage_(CANVAS_WIDTH, CANVAS_HEIGHT, QImage::Format_RGB32), font_(statusFont()) {
    offscreenImage_.fill(PLAIN_BACKGROUND);
    statusBackground_ =
        offscreenImage_.copy(0, STATUS_Y, CANVAS_WIDTH, QFontMetrics(font_).height());
}

bool BoardPainter::loadWallpaper(const QString& path) {
    const QImage wallpaper(path);
    if (wallpaper.isNull()) return false;
    lockForPainting();
    {
        QPainter p(&offscreenImage_);
        p.drawImage(0, 0, wallpaper);
    }
    statusBackground_ =
        offscreenImage_.copy(0, STATUS_Y, CANVAS_WIDTH, QFontMetrics(font_).height());
    unlock();
    return true;
}

int BoardPainter::loadPieceImages(const std::function<QString(const QString&)>& locate) {
    int loaded = 0;
    for (int k = 0; k < 15; ++k) {
        if (PIECE_NAMES[k] == nullptr) continue;
        for (int side = 0; side < 2; ++side) {
            const QString name =
                QStringLiteral("koma/%1%2.gif").arg(QLatin1String(PIECE_NAMES[k])).arg(side + 1);
            const QImage picture(locate(name));
            QImage& slot = pieceImages_[k + 16 * side];
            slot = picture.isNull() ? QImage() : pieceFromPicture(picture);
            if (!slot.isNull()) ++loaded;
        }
    }
    return loaded;
}

bool BoardPainter::hasPieceImage(int code) const {
    return code >= 0 && code < 32 && !pieceImages_[code].isNull();
}

void BoardPainter::lockForPainting() {
    while (paintLock_.test_and_set(std::memory_order_acquire)) std::this_thread::sleep_for(100ms);
}

void BoardPainter::lockForCopying() {
    while (paintLock_.test_and_set(std::memory_order_acquire)) std::this_thread::sleep_for(10ms);
}

void BoardPainter::unlock() { paintLock_.clear(std::memory_order_release); }

void BoardPainter::withCanvas(const std::function<void(const QImage&)>& use) {
    lockForCopying();
    use(offscreenImage_);
    unlock();
}

void BoardPainter::paint(const GameView& view, const MoveEntry& selection,
                         SearchProgress progress) {
    lockForPainting();
    {
        QPainter p(&offscreenImage_);
        drawBoardAndHands(p, view, selection);
        drawProgress(p, view.thinking, progress);
        drawTexts(p, QString::fromStdString(view.status));
    }
    unlock();
}

void BoardPainter::drawBoardAndHands(QPainter& p, const GameView& view,
                                     const MoveEntry& selection) {
    // A rectangle covers left..right-1 and top..bottom-1, outline included.
    const auto cellRect = [&p](const Rect& r, const QColor& fill) {
        p.setBrush(fill);
        p.drawRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
    };
    const auto cell = [&cellRect](int col, int row, const QColor& fill) {
        cellRect({CELL * col, CELL * row, CELL * col + CELL, CELL * row + CELL}, fill);
    };

    p.setPen(Qt::black);
    for (const Rect& area : {BOARD_AREA, COMPUTER_HAND_AREA, HUMAN_HAND_AREA})
        cellRect(area, YELLOW);
    // The grid ends one pixel short of each line's far end.
    for (int v = 0; v <= BOARD_SIZE; v += CELL) {
        p.drawLine(0, v, BOARD_SIZE - 1, v);
        p.drawLine(v, 0, v, BOARD_SIZE - 1);
    }

    // Highlights only on the human's turn.
    if (view.humanToMove) {
        if (view.showLastMove && view.lastMoveCol >= 0 && view.lastMoveRow >= 0)
            cell(view.lastMoveCol, view.lastMoveRow, RED);
        if (selection.selectionState != 0) {
            if (selection.selCol != -1 && selection.selRow != -1) {
                cell(selection.selCol, selection.selRow, BLUE);
                for (int row = 0; row < 9; ++row)
                    for (int col = 0; col < 9; ++col)
                        if (selection.reachable[cellOf(row, col)] != 0) cell(col, row, GREEN);
            } else {
                cell(selection.handCellCol, selection.handCellRow, BLUE);
            }
        }
    }

    for (int col = 0; col < 9; ++col)
        for (int row = 0; row < 9; ++row) {
            const int code = view.board[cellOf(row, col)];
            if (code != EMPTY)
                drawPiece(p, code, CELL * col + PIECE_INSET, CELL * row + PIECE_INSET);
        }
    drawHand(p, view.hands[0], 0, HUMAN_HAND_Y);
    drawHand(p, view.hands[1], OWNER_BIT, COMPUTER_HAND_Y);
}

void BoardPainter::drawPiece(QPainter& p, int code, int x, int y) {
    if (hasPieceImage(code)) p.drawImage(x, y, pieceImages_[code]);
}

void BoardPainter::drawHand(QPainter& p, const GameHand& hand, int codeOffset,
                            const std::array<int, 8>& handY) {
    // The king (kind 7) is never shown in a hand.
    for (int kind = 0; kind < 7; ++kind) {
        const int n = hand[kind];
        if (n <= 0) continue;
        // Several pieces of a kind fan out to the right; pawns have a row of their own.
        int step = static_cast<int>(40.0 / (n + 1.0));
        if (kind == HU) step *= 3;
        for (int i = 0; i < n; ++i)
            drawPiece(p, kind + codeOffset, HAND_X[kind] + PIECE_INSET + i * step,
                      handY[kind] + PIECE_INSET);
    }
}

void BoardPainter::drawProgress(QPainter& p, bool thinking, SearchProgress progress) {
    const Rect& strip = PROGRESS_STRIP;
    const int height = strip.bottom - strip.top;
    p.fillRect(strip.left, strip.top, strip.right - strip.left, height, Qt::white);
    if (!thinking) {
        lastDrawnProgress_ = 0;
        return;
    }
    // Only a paint that sees a new column draws the bar; other paints leave the strip white.
    if (progress.column == lastDrawnProgress_) return;
    lastDrawnProgress_ = progress.column;
    const int columns = std::clamp(progress.column, 0, 8) + 1;
    const QColor colour = progress.pass == 0 ? GREEN : progress.pass == 1 ? BLUE : RED;
    p.fillRect(strip.left, strip.top, CELL * columns, height, colour);
}

void BoardPainter::drawTexts(QPainter& p, const QString& status) {
    p.setFont(font_);
    const QFontMetrics metrics(font_);
    const auto opaqueText = [&](int x, int y, const QString& text) {
        const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };
    opaqueText(CREDIT_X, CREDIT_Y, credit_);
    // Back to the wallpaper first, so that no part of a longer earlier text survives beyond the
    // blanks that follow the new one.
    p.drawImage(0, STATUS_Y, statusBackground_);
    opaqueText(STATUS_X, STATUS_Y, status + QString(STATUS_BLANKS, QLatin1Char(' ')));
}

}  // namespace kaz::ui
