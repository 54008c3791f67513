#include "kif/csa_reader.h"

#include <cstring>
#include <string>

#include "kif/csa_names.h"
#include "kif/record_replay.h"
#include "kif/sjis.h"

namespace kaz {

namespace {

// The code & 15 of a two-letter CSA piece name, or -1.
int pieceOfName(std::string_view name) {
    for (int k = 0; k < 16; ++k)
        if (!CSA_PIECE_NAMES[k].empty() && CSA_PIECE_NAMES[k] == name) return k;
    return -1;
}

// Row and col of the two digits "file rank" at s, or false.
bool squareAt(std::string_view s, int& row, int& col) {
    if (s.size() < 2 || s[0] < '1' || s[0] > '9' || s[1] < '1' || s[1] > '9') return false;
    col = 9 - (s[0] - '0');
    row = s[1] - '1';
    return true;
}

// A name in UTF-8: kept when it is UTF-8 already, converted from Shift-JIS otherwise.
std::string nameText(std::string_view raw) {
    std::string out;
    if (isValidUtf8(raw)) return std::string(raw);
    if (sjisToUtf8(raw, out)) return out;
    return {};
}

class CsaReplay {
  public:
    explicit CsaReplay(MoveRecord& record) : record_(record) {
        record_.boards[0] = makeEmptyBoard();
        record_.hands[0][0].fill(0);
        record_.hands[1][0].fill(0);
        record_.header = RecordHeader{};
    }

    int moves() const { return m_ - 1; }
    bool full() const { return m_ - 1 >= KIF_MOVE_LIMIT; }

    // One statement; sets `ended` on a "%" ending.
    std::string_view read(std::string_view s, bool& ended) {
        ended = false;
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        if (s.empty() || s[0] == '\'' || s[0] == 'V' || s[0] == '$' || s[0] == 'T') return {};
        if (s[0] == 'N' && s.size() >= 2 && (s[1] == '+' || s[1] == '-')) {
            record_.header.names[s[1] == '+' ? 0 : 1] = nameText(s.substr(2));
            return {};
        }
        if (s[0] == '%') {
            ended = true;
            return {};
        }
        if (s[0] == 'P') {
            if (started_) return "position line after the moves began";
            return readPosition(s);
        }
        if (s[0] != '+' && s[0] != '-') return "unknown statement";
        const int side = s[0] == '+' ? 0 : 1;
        if (s.size() == 1) {
            if (started_) return "side to move after the moves began";
            firstSide_ = side;
            return {};
        }
        if (!started_) {
            if (std::string_view reason = begin(); !reason.empty()) return reason;
            if (firstSide_ < 0) firstSide_ = side;  // no side line: the first move says it
            record_.header.goteFirst = firstSide_ == 1;
        }
        return readMove(s, side);
    }

    // After the last statement: a file without moves still has its start.
    std::string_view finish() { return started_ ? std::string_view{} : begin(); }

  private:
    // The start is complete once the first move (or the end of the file) comes.
    std::string_view begin() {
        started_ = true;
        if (!positionGiven_) return "no start position (PI or P1..P9)";
        if (firstSide_ < 0) firstSide_ = 0;
        record_.header.goteFirst = firstSide_ == 1;
        if (!isPlayableStart(record_)) return "impossible start position";
        return {};
    }

    std::string_view readPosition(std::string_view s) {
        GameBoard& board = record_.boards[0];
        if (s.starts_with("PI")) {
            if (positionGiven_) return "more than one start position";
            positionGiven_ = true;
            board = makeInitialBoard();
            // Pieces taken off the standard start: square and name, four bytes each.
            for (s.remove_prefix(2); !s.empty(); s.remove_prefix(4)) {
                int row, col;
                if (s.size() < 4 || !squareAt(s, row, col)) return "malformed PI line";
                std::int32_t& cell = board[cellOf(row, col)];
                if (cell == EMPTY || (cell & 15) != pieceOfName(s.substr(2, 2)))
                    return "PI removes a piece that is not there";
                cell = EMPTY;
            }
            return {};
        }
        if (s.size() >= 2 && s[1] >= '1' && s[1] <= '9') {
            const int row = s[1] - '1';
            if (row != rows_) return "board rows out of order";
            if (row == 0 && positionGiven_) return "more than one start position";
            positionGiven_ = true;
            ++rows_;
            s.remove_prefix(2);
            for (int col = 0; col < 9; ++col) {
                if (s.size() < 3 && col == 8 && s.starts_with(" *")) break;  // trailing blank cut
                if (s.size() < 3) return "board row shorter than nine squares";
                const std::string_view cell = s.substr(0, 3);
                s.remove_prefix(3);
                if (cell == " * ") continue;
                const int k = pieceOfName(cell.substr(1));
                if ((cell[0] != '+' && cell[0] != '-') || k < 0) return "malformed board square";
                board[cellOf(row, col)] = k | (cell[0] == '-' ? OWNER_BIT : 0);
            }
            return {};
        }
        if (s.starts_with("P+") || s.starts_with("P-")) {
            if (!positionGiven_ || (rows_ != 0 && rows_ != 9))
                return "pieces placed before the board is complete";
            const int side = s[1] == '+' ? 0 : 1;
            for (s.remove_prefix(2); !s.empty(); s.remove_prefix(4)) {
                if (s.size() < 4) return "malformed P+ or P- line";
                const std::string_view name = s.substr(2, 2);
                if (s.starts_with("00")) {
                    if (name == "AL") return "00AL is not supported";
                    const int kind = pieceOfName(name);
                    if (kind < 0 || kind >= GYOKU) return "piece in hand that cannot be held";
                    record_.hands[side][0][kind] += 1;
                    continue;
                }
                int row, col;
                const int k = pieceOfName(name);
                if (!squareAt(s, row, col) || k < 0) return "malformed P+ or P- line";
                record_.boards[0][cellOf(row, col)] = k | (side ? OWNER_BIT : 0);
            }
            return {};
        }
        return "unknown position line";
    }

    std::string_view readMove(std::string_view s, int side) {
        if (side != ((m_ % 2 == 1) ? firstSide_ : 1 - firstSide_)) return "move by the wrong side";
        const int piece = s.size() == 7 ? pieceOfName(s.substr(5, 2)) : -1;
        if (piece < 0) return "malformed move";
        FileMove move;
        if (!squareAt(s.substr(3), move.toRow, move.toCol)) return "malformed move";
        if (s.substr(1, 2) == "00") {
            move.dropKind = piece;
        } else {
            if (!squareAt(s.substr(1), move.fromRow, move.fromCol)) return "malformed move";
            const std::int32_t origin = record_.boards[m_ - 1][cellOf(move.fromRow, move.fromCol)];
            const int before = origin & 15;
            move.promotes = origin != EMPTY && piece != before && piece == (before | PROMOTED_BIT);
            if (origin != EMPTY && !move.promotes && piece != before)
                return "piece after the move does not match the origin";
        }
        if (std::string_view reason = replayMove(record_, m_, side, move); !reason.empty())
            return reason;
        ++m_;
        return {};
    }

    MoveRecord& record_;
    bool positionGiven_ = false;
    bool started_ = false;
    int rows_ = 0;
    int firstSide_ = -1;
    int m_ = 1;
};

}  // namespace

bool isCsaFileName(std::string_view path) {
    if (path.size() < 4) return false;
    std::string ext(path.substr(path.size() - 4));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".csa";
}

KifReadResult readCsa(std::string_view bytes, MoveRecord& record) {
    KifReadResult result;
    if (bytes.size() > KIF_MAX_FILE_BYTES) {
        result.reason = "file too large";
        return result;
    }
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        result.reason = "binary file (NUL bytes)";
        return result;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    CsaReplay replay(record);
    int lineNumber = 0;
    const auto readLine = [&](std::string_view line, bool& ended) -> std::string_view {
        // Statements other than comments and names may share a line, split by commas.
        const bool whole = line.starts_with("'") || line.starts_with("N") || line.starts_with("$");
        while (!ended) {
            if (replay.full()) {
                ended = true;
                break;
            }
            const std::size_t comma = whole ? std::string_view::npos : line.find(',');
            if (std::string_view reason = replay.read(line.substr(0, comma), ended);
                !reason.empty())
                return reason;
            if (comma == std::string_view::npos) break;
            line.remove_prefix(comma + 1);
        }
        return {};
    };
    if (!forEachLine(bytes, lineNumber, result, readLine)) return result;
    if (std::string_view reason = replay.finish(); !reason.empty()) {
        result.reason = reason;
        return result;
    }
    result.ok = true;
    result.moves = replay.moves();
    return result;
}

}  // namespace kaz
