#include "engine/search/book.h"

#include <string_view>

#include "engine/search/searcher.h"

namespace kaz {
namespace {

// Six openings of 30 plies, side 0 first. A move is the kind of the moving piece, origin file and
// rank digits, '-', target digits, then '+' for a promotion and 'x' for a capture; a drop is the
// kind, '*' and the target digits. Digits are 0-based file and rank (rank 0 is side 1's back rank).
constexpr std::string_view BOOK_TEXT[BOOK_LINES] = {
    "hu 76-75, hu 12-13, hu 75-74, hu 13-14, kin 38-27, kin 50-61, gin 68-67, gyoku 40-41, "
    "hu 06-05, hu 82-83, hu 56-55, hu 22-23, gin 67-56, kei 10-22, hu 74-73, hu 72-73x, "
    "hi 77-73x, hu*72, hi 73-77, hu 14-15, hu 16-15x, hi 11-15x, hu 26-25, gin 20-21, hu*16, "
    "hi 15-10, kin 58-47, hu 62-63, gin 56-45, hu 32-33",
    "hu 26-25, hu 12-13, kin 38-27, hu 13-14, kaku 17-26, hu 62-63, gin 28-37, gin 20-31, "
    "hu 76-75, hu 52-53, gin 68-57, kin 50-61, hu 06-05, gin 60-51, hu 75-74, gin 51-62, "
    "hu 56-55, hu 22-23, hu 36-35, gyoku 40-50, gin 37-36, kin 30-41, hu 66-65, kaku 71-60, "
    "gin 57-56, hu 42-43, kei 78-66, hu 02-03, kin 58-47, kei 10-22",
    "hu 26-25, hu 12-13, kin 38-27, hu 13-14, kaku 17-26, hu 62-63, gin 28-37, hu 22-23, "
    "gin 68-67, gin 20-31, hu 76-75, kaku 71-26+x, gin 37-26x, gin 60-71, hu 66-65, gin 71-62, "
    "hu 06-05, kei 10-22, gin 67-66, kin 50-61, hu 75-74, hu 32-33, gin 66-55, gin 31-32, "
    "gyoku 48-37, kin 30-31, kin 58-47, hu 02-03, gyoku 37-28, gin 32-43",
    "hu 26-25, hu 12-13, hu 76-75, kin 50-61, kin 38-27, hu 13-14, kaku 17-26, hu 62-63, "
    "gin 28-37, kaku 71-26+x, gin 37-26x, gin 60-71, gin 68-57, hu 02-03, hu 06-05, hu 82-83, "
    "hu 86-85, gin 20-31, hu 66-65, gin 71-62, hu 56-55, hu 22-23, gin 57-56, hu 32-33, "
    "kei 78-66, gin 31-32, gyoku 48-37, gin 32-43, kin 58-57, kei 10-22",
    "hu 26-25, hu 12-13, kin 38-27, hu 13-14, kaku 17-26, hu 62-63, gin 28-37, kin 50-61, "
    "gin 68-67, hu 82-83, hu 76-75, kaku 71-26+x, gin 37-26x, gin 60-71, hu 66-65, gin 20-31, "
    "hu 06-05, hu 02-03, gyoku 48-37, gin 71-62, hu 56-55, hu 22-23, kei 78-66, hu 32-33, "
    "hu 86-85, gyoku 40-51, gin 67-56, gin 31-32, gin 56-45, kei 10-22",
    "kin 38-27, kin 50-61, hu 26-25, hu 12-13, hu 76-75, hu 13-14, kaku 17-26, hu 62-63, "
    "gin 28-37, hu 02-03, gin 68-67, gin 60-51, kaku 26-71+x, kin 61-71x, gin 37-26, gin 51-62, "
    "hu 06-05, kin 71-61, hu 56-55, hu 32-33, kaku*32, kaku*21, kaku 32-65+, kaku 21-65x, "
    "hu 66-65x, hu 82-83, kei 78-66, gin 20-21, hu 86-85, gin 21-32",
};

constexpr std::string_view INITIAL_BOARD =
    "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL";

// Any malformed or impossible book move stops the compilation here.
constexpr void bookError(const char* what) {
    if (what != nullptr) throw what;
}

consteval int kindOfLetter(char c) {
    switch (c | 0x20) {
        case 'p':
            return HU;
        case 'l':
            return KYO;
        case 'n':
            return KEI;
        case 's':
            return GIN;
        case 'g':
            return KIN;
        case 'b':
            return KAKU;
        case 'r':
            return HI;
        case 'k':
            return GYOKU;
        default:
            bookError("bad letter in the initial board");
            return 0;
    }
}

consteval int kindOfName(std::string_view name) {
    constexpr std::string_view NAMES[8] = {"hu", "kyo", "kei", "gin", "kin", "kaku", "hi", "gyoku"};
    for (int k = 0; k < 8; ++k)
        if (NAMES[k] == name) return k;
    bookError("unknown kind name in the book");
    return 0;
}

consteval int digit(char c) {
    if (c < '0' || c > '8') bookError("bad square digit in the book");
    return c - '0';
}

struct Replay {
    std::int32_t board[81];
    constexpr std::int32_t& at(int file, int rank) { return board[9 * rank + file]; }
};

consteval Replay initialReplay() {
    Replay r{};
    int rank = 0, file = 0;
    for (char c : INITIAL_BOARD) {
        if (c == '/') {
            ++rank;
            file = 0;
        } else if (c >= '1' && c <= '9') {
            for (int i = 0; i < c - '0'; ++i) r.at(file++, rank) = EMPTY;
        } else {
            const bool side1 = c >= 'a';
            r.at(file++, rank) = pieceOf(side1 ? 1 : 0, kindOfLetter(c));
        }
    }
    return r;
}

// Reads one move of `side` from the text at `pos` (advanced past it) and checks it against the
// board: the named piece is the mover's, captures and drops agree with what stands on the target.
consteval EngineMove readMove(std::string_view text, std::size_t& pos, Replay& r, int side) {
    const std::size_t end = text.find_first_of(" *", pos);
    const int kind = kindOfName(text.substr(pos, end - pos));
    pos = text[end] == ' ' ? end + 1 : end;
    EngineMove m{};
    const std::int32_t own = side ? OWNER_BIT : 0;
    if (text[pos] == '*') {
        m = {-1, -1, kind | own, digit(text[pos + 1]), digit(text[pos + 2]), kind | own, EMPTY};
        pos += 3;
        if (r.at(m.toFile, m.toRank) != EMPTY) bookError("book drop onto an occupied square");
    } else {
        m.fromFile = digit(text[pos]);
        m.fromRank = digit(text[pos + 1]);
        if (text[pos + 2] != '-') bookError("book move without '-'");
        m.toFile = digit(text[pos + 3]);
        m.toRank = digit(text[pos + 4]);
        pos += 5;
        m.piece = r.at(m.fromFile, m.fromRank);
        if (m.piece == EMPTY || (m.piece & OWNER_BIT) != own || (m.piece & 7) != kind)
            bookError("book move of a piece that is not there");
        m.newPiece = m.piece;
        if (pos < text.size() && text[pos] == '+') {
            m.newPiece = m.piece + PROMOTED_BIT;
            ++pos;
        }
        m.captured = r.at(m.toFile, m.toRank);
        const bool marked = pos < text.size() && text[pos] == 'x';
        if (marked) ++pos;
        if (marked != (m.captured != EMPTY) ||
            (m.captured != EMPTY && (m.captured & OWNER_BIT) == own))
            bookError("book capture mark does not match the board");
        r.at(m.fromFile, m.fromRank) = EMPTY;
    }
    r.at(m.toFile, m.toRank) = m.newPiece;
    if (pos < text.size()) {
        if (text.substr(pos, 2) != ", ") bookError("book moves not separated by ', '");
        pos += 2;
    }
    return m;
}

consteval std::array<BookRecord, BOOK_SIZE> buildBook() {
    std::array<BookRecord, BOOK_SIZE> book{};
    for (int line = 0; line < BOOK_LINES; ++line) {
        Replay r = initialReplay();
        std::size_t pos = 0;
        for (int j = 0; j < BOOK_LINE_LENGTH; ++j) {
            BookRecord& rec = book[line * BOOK_LINE_LENGTH + j];
            for (int i = 0; i < 81; ++i) rec.board[i] = r.board[i];
            const int side = j % 2;
            rec.move = readMove(BOOK_TEXT[line], pos, r, side);
            rec.weight = side == 0 ? 80 : (line == 0 && j == 1 ? -200 : -80);
        }
        if (pos != BOOK_TEXT[line].size()) bookError("book line longer than 30 moves");
    }
    return book;  // records 180..185 stay all zero
}

constexpr std::array<BookRecord, BOOK_SIZE> OPENING_BOOK = buildBook();

}  // namespace

const std::array<BookRecord, BOOK_SIZE>& openingBook() { return OPENING_BOOK; }

bool Searcher::lookupBook() {
    const Board& b = position.board;
    bookCandidateCount = 0;
    for (int i = 0; i < bookCount; ++i) {
        const BookRecord& rec = book[i];
        bool equal = true;
        for (int q = 0; q < 81 && equal; ++q) equal = rec.board[q] == b[squareOf(q / 9, q % 9)];
        if (!equal) continue;
        const EngineMove& m = rec.move;
        chosenMove = m;
        // Only side 1's moves are answers; a drop also needs its square free and the piece in hand.
        bool accepted = (m.newPiece & OWNER_BIT) != 0;
        if (accepted && m.fromFile == -1)
            accepted =
                b[squareOf(m.toRank, m.toFile)] == EMPTY && position.hand[1][m.newPiece & 7] > 0;
        if (accepted) {
            plyValue[0] = BOOK_HIT;
            return true;
        }
    }

    auto addCandidate = [&](const BookRecord& rec) {
        if (bookCandidateCount >= MAX_BOOK_CANDIDATES) return;
        bookCandidates[bookCandidateCount] = {rec.move, rec.weight};
        if (rec.move.newPiece & OWNER_BIT) ++bookCandidateCount;
    };
    int best = 0;
    for (int i = 0; i < bookCount; ++i) {
        const BookRecord& rec = book[i];
        int same = 0;
        bool foreign = false;  // some side 1 piece is not where the record has it
        for (int q = 0; q < 81; ++q) {
            const std::int32_t here = b[squareOf(q / 9, q % 9)];
            if (rec.board[q] == here)
                ++same;
            else if ((rec.board[q] & OWNER_BIT) || (here & OWNER_BIT))
                foreign = true;
        }
        if (rec.weight >= 0) continue;
        if (!foreign) {
            addCandidate(rec);
        } else {
            const EngineMove& m = rec.move;
            if (same >= best && b[squareOf(m.fromRank, m.fromFile)] == m.piece &&
                b[squareOf(m.toRank, m.toFile)] == m.captured) {
                best = same;
                addCandidate(rec);
            }
        }
    }
    return false;
}

}  // namespace kaz
