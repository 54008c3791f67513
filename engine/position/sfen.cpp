#include "engine/position/sfen.h"

#include <cctype>
#include <vector>

#include "engine/position/parse_number.h"

namespace kaz {
namespace {

constexpr char KIND_LETTERS[8] = {'P', 'L', 'N', 'S', 'G', 'B', 'R', 'K'};
// How many of each base kind a full set holds.
constexpr int SET_SIZE[8] = {18, 4, 4, 4, 4, 2, 2, 2};
// SFEN hand order: rook, bishop, gold, silver, knight, lance, pawn.
constexpr int HAND_ORDER[7] = {HI, KAKU, KIN, GIN, KEI, KYO, HU};

int kindOfLetter(char c) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int k = 0; k < 8; ++k)
        if (KIND_LETTERS[k] == u) return k;
    return -1;
}

std::string parseBoard(std::string_view s, Position& pos) {
    int rank = 0, file = 0;
    bool promoted = false;
    for (char c : s) {
        if (c == '/') {
            if (promoted) return "'+' must be followed by a piece";
            if (file != 9) return "rank " + std::to_string(rank + 1) + " does not have 9 squares";
            if (++rank > 8) return "more than 9 ranks";
            file = 0;
        } else if (c >= '1' && c <= '9') {
            if (promoted) return "'+' must be followed by a piece";
            file += c - '0';
            if (file > 9) return "rank " + std::to_string(rank + 1) + " has more than 9 squares";
        } else if (c == '+') {
            if (promoted) return "'++' in board";
            promoted = true;
        } else {
            const int kind = kindOfLetter(c);
            if (kind < 0) return std::string("unknown piece letter '") + c + "'";
            if (file >= 9) return "rank " + std::to_string(rank + 1) + " has more than 9 squares";
            if (promoted && (kind == KIN || kind == GYOKU))
                return std::string("piece '") + c + "' cannot be promoted";
            const int side = std::islower(static_cast<unsigned char>(c)) ? 1 : 0;
            PieceCode code = pieceOf(side, kind);
            if (promoted) code |= PROMOTED_BIT;
            pos.board[squareOf(rank, file)] = code;
            promoted = false;
            ++file;
        }
    }
    if (promoted) return "'+' must be followed by a piece";
    if (rank != 8 || file != 9) return "board does not have 9 full ranks";
    return {};
}

std::string parseHands(std::string_view s, Position& pos) {
    if (s == "-") return {};
    int n = 0;
    bool haveCount = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            n = n * 10 + (c - '0');
            if (n > 18) return "hand count too large";
            haveCount = true;
            continue;
        }
        const int kind = kindOfLetter(c);
        if (kind < 0 || kind == GYOKU) return std::string("bad piece in hand '") + c + "'";
        if (haveCount && n < 1) return "hand count must be at least 1";
        const int side = std::islower(static_cast<unsigned char>(c)) ? 1 : 0;
        const int add = haveCount ? n : 1;
        if (pos.hand[side][kind] + add > SET_SIZE[kind]) return "too many pieces in hand";
        pos.hand[side][kind] = static_cast<std::uint8_t>(pos.hand[side][kind] + add);
        n = 0;
        haveCount = false;
    }
    if (haveCount) return "hand ends with a count";
    return {};
}

// Rejects what no game can reach and what the engine cannot handle: too many pieces of a kind,
// more than one king a side, pieces that could never move again, two pawns of a side on a file.
std::string checkPosition(const Position& pos) {
    int total[8] = {};
    int kings[2] = {};
    for (int side = 0; side < 2; ++side)
        for (int k = 0; k < 8; ++k) total[k] += pos.hand[side][k];
    for (int file = 0; file < 9; ++file) {
        bool pawn[2] = {false, false};
        for (int rank = 0; rank < 9; ++rank) {
            const PieceCode c = pos.board[squareOf(rank, file)];
            if (c == EMPTY) continue;
            const int side = ownerOf(c);
            total[c & 7] += 1;
            if ((c & 7) == GYOKU) ++kings[side];
            const int ahead = side == 0 ? rank : 8 - rank;  // ranks left in front of the piece
            const int k = c & 15;
            if ((k == HU || k == KYO) && ahead == 0) return "pawn or lance on the last rank";
            if (k == KEI && ahead < 2) return "knight on one of the last two ranks";
            if (k == HU) {
                if (pawn[side]) return "two unpromoted pawns of one side on a file";
                pawn[side] = true;
            }
        }
    }
    for (int k = 0; k < 8; ++k)
        if (total[k] > SET_SIZE[k])
            return std::string("too many pieces of kind ") + KIND_LETTERS[k];
    if (kings[0] > 1 || kings[1] > 1) return "more than one king of a side";
    return {};
}

}  // namespace

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
        if (j > i) fields.push_back(text.substr(i, j - i));
        i = j;
    }
    return fields;
}

char kindLetter(int kind) { return KIND_LETTERS[kind & 7]; }

Position emptyPosition() {
    Position pos{};
    pos.board.fill(OFF_BOARD);
    for (int rank = 0; rank < 9; ++rank)
        for (int file = 0; file < 9; ++file) pos.board[squareOf(rank, file)] = EMPTY;
    return pos;
}

Position initialPosition() {
    SfenPosition s{};
    parseSfen(STARTPOS_SFEN, s);
    return s.pos;
}

std::string parseSfen(std::string_view text, SfenPosition& out) {
    if (text.size() > 4096) return "SFEN too long";
    std::vector<std::string_view> f = splitFields(text);
    if (f.size() == 1 && f[0] == "startpos") return parseSfen(STARTPOS_SFEN, out);
    if (!f.empty() && f[0] == "sfen") f.erase(f.begin());
    if (f.size() < 3 || f.size() > 4)
        return "SFEN needs 3 or 4 fields (board, side to move, hands, move number)";
    SfenPosition r{};
    r.pos = emptyPosition();
    if (std::string e = parseBoard(f[0], r.pos); !e.empty()) return "bad SFEN board: " + e;
    if (f[1] == "b") {
        r.sideToMove = 0;
    } else if (f[1] == "w") {
        r.sideToMove = 1;
    } else {
        return "bad SFEN side to move (expected 'b' or 'w')";
    }
    if (std::string e = parseHands(f[2], r.pos); !e.empty()) return "bad SFEN hands: " + e;
    r.moveNumber = 1;
    if (f.size() == 4) {
        std::uint64_t n = 0;
        if (!parseNumber(f[3], 999999, n, 6) || n < 1) return "bad SFEN move number";
        r.moveNumber = static_cast<int>(n);
    }
    if (std::string e = checkPosition(r.pos); !e.empty()) return "impossible SFEN position: " + e;
    out = r;
    return {};
}

std::string toSfen(const SfenPosition& s) {
    std::string out;
    for (int rank = 0; rank < 9; ++rank) {
        if (rank > 0) out += '/';
        int blanks = 0;
        for (int file = 0; file < 9; ++file) {
            const PieceCode c = s.pos.board[squareOf(rank, file)];
            if (c == EMPTY) {
                ++blanks;
                continue;
            }
            if (blanks) out += static_cast<char>('0' + blanks);
            blanks = 0;
            if (c & PROMOTED_BIT) out += '+';
            const char l = KIND_LETTERS[c & 7];
            out += ownerOf(c) ? static_cast<char>(std::tolower(l)) : l;
        }
        if (blanks) out += static_cast<char>('0' + blanks);
    }
    out += s.sideToMove == 0 ? " b " : " w ";
    std::string hands;
    for (int side = 0; side < 2; ++side) {
        for (int k : HAND_ORDER) {
            const int n = s.pos.hand[side][k];
            if (n == 0) continue;
            if (n > 1) hands += std::to_string(n);
            const char l = KIND_LETTERS[k];
            hands += side ? static_cast<char>(std::tolower(l)) : l;
        }
    }
    out += hands.empty() ? "-" : hands;
    out += ' ';
    out += std::to_string(s.moveNumber);
    return out;
}

}  // namespace kaz
