#include "kif/kif_header.h"

#include <array>

#include "engine/position/handicap.h"
#include "kif/record_replay.h"

namespace kaz {

namespace {

// Single-character names on the diagram, by code & 15; promoted lance, knight and silver have
// their one-character forms there. Index 12 and 15 never occur.
constexpr std::array<std::string_view, 16> BOARD_NAMES = {
    "歩", "香", "桂", "銀", "金", "角", "飛", "玉", "と", "杏", "圭", "全", "", "馬", "龍", ""};
constexpr std::string_view NUMERALS[10] = {"",   "一", "二", "三", "四",
                                           "五", "六", "七", "八", "九"};
// Hand order in files: rook, bishop, gold, silver, knight, lance, pawn.
constexpr int HAND_ORDER[7] = {HI, KAKU, KIN, GIN, KEI, KYO, HU};
constexpr std::string_view FULL_SPACE = "　";
constexpr std::string_view BORDER = "+---------------------------+";

bool eat(std::string_view& s, std::string_view word) {
    if (!s.starts_with(word)) return false;
    s.remove_prefix(word.size());
    return true;
}

void trimSpaces(std::string_view& s) {
    while (eat(s, " ") || eat(s, FULL_SPACE) || eat(s, "\t")) {
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    while (s.ends_with(FULL_SPACE)) s.remove_suffix(FULL_SPACE.size());
}

// A label and its colon, full-width or not.
bool eatLabel(std::string_view& s, std::string_view label) {
    std::string_view rest = s;
    if (!eat(rest, label) || !(eat(rest, "：") || eat(rest, ":"))) return false;
    s = rest;
    return true;
}

// The code & 15 of a diagram piece, or -1.
int boardPieceAt(std::string_view& s) {
    if (eat(s, "王")) return GYOKU;
    if (eat(s, "竜")) return RYU;
    for (int k = 0; k < 16; ++k)
        if (!BOARD_NAMES[k].empty() && eat(s, BOARD_NAMES[k])) return k;
    return -1;
}

// A count written in kanji, 1..18; 0 when none is there; -1 when malformed.
int countAt(std::string_view& s) {
    int n = 0;
    if (eat(s, "十")) n = 10;
    for (int d = 1; d <= 9; ++d)
        if (eat(s, NUMERALS[d])) return n + d;
    return n;
}

std::string_view readHand(std::string_view s, GameHand& hand) {
    trimSpaces(s);
    if (s == "なし") return {};
    while (!s.empty()) {
        const int kind = boardPieceAt(s);
        if (kind < 0 || kind >= GYOKU) return "unknown piece in a hand";
        const int n = countAt(s);
        hand[kind] += n == 0 ? 1 : n;
        if (!s.empty() && !eat(s, FULL_SPACE) && !eat(s, " ")) return "malformed hand";
        trimSpaces(s);
    }
    return {};
}

std::string handText(const GameHand& hand) {
    std::string text;
    for (int kind : HAND_ORDER) {
        const int n = hand[kind];
        if (n <= 0) continue;
        text += BOARD_NAMES[kind];
        if (n >= 10) text += "十";
        if (n > 1 && n % 10 != 0) text += NUMERALS[n % 10];
        text += FULL_SPACE;
    }
    return text.empty() ? "なし" : text;
}

std::string diagramLines(const MoveRecord& record) {
    const GameBoard& board = record.boards[0];
    std::string text = "後手の持駒：" + handText(record.hands[1][0]) + "\r\n";
    text += "  ９ ８ ７ ６ ５ ４ ３ ２ １\r\n";
    text += std::string(BORDER) + "\r\n";
    for (int row = 0; row < 9; ++row) {
        text += '|';
        for (int col = 0; col < 9; ++col) {
            const std::int32_t v = board[cellOf(row, col)];
            if (v == EMPTY) {
                text += " ・";
                continue;
            }
            text += (v & OWNER_BIT) ? 'v' : ' ';
            text += BOARD_NAMES[v & 15];
        }
        text += '|';
        text += NUMERALS[row + 1];
        text += "\r\n";
    }
    text += std::string(BORDER) + "\r\n";
    text += "先手の持駒：" + handText(record.hands[0][0]) + "\r\n";
    text += record.header.goteFirst ? "後手番\r\n" : "先手番\r\n";
    return text;
}

std::string nameOr(const std::string& name) { return name.empty() ? "--------" : name; }

}  // namespace

std::string_view KifHeaderReader::readBoardRow(std::string_view s) {
    if (rows_ >= 9) return "more than nine rows in the board diagram";
    eat(s, "|");
    for (int col = 0; col < 9; ++col) {
        int owner = 0;
        if (eat(s, "v") || eat(s, "V")) {
            owner = 1;
        } else if (!eat(s, " ")) {
            return "malformed square in the board diagram";
        }
        if (eat(s, "・")) continue;
        const int k = boardPieceAt(s);
        if (k < 0) return "unknown piece in the board diagram";
        board_[cellOf(rows_, col)] = k | (owner ? OWNER_BIT : 0);
    }
    if (!s.starts_with("|")) return "board diagram row without its closing \"|\"";
    ++rows_;
    return {};
}

std::string_view KifHeaderReader::readLine(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    std::string_view s = line;
    if (eatLabel(s, "手合割")) {
        trimSpaces(s);
        handicap_ = s == "その他" ? OTHER_HANDICAP : handicapIndex(s);
        if (handicap_ == -1) return "unknown handicap";
        return {};
    }
    for (int side = 0; side < 2; ++side)
        if (eatLabel(s, side == 0 ? "先手の持駒" : "後手の持駒") ||
            eatLabel(s, side == 0 ? "下手の持駒" : "上手の持駒")) {
            const std::string_view reason = readHand(s, hands_[side]);
            // An empty hand ("なし") also stands alone in some files; pieces need a diagram.
            for (int kind = 0; kind < GYOKU; ++kind) handGiven_ |= hands_[side][kind] > 0;
            return reason;
        }
    for (int side = 0; side < 2; ++side)
        for (std::string_view label : {side == 0 ? "先手" : "後手", side == 0 ? "下手" : "上手"}) {
            if (eatLabel(s, label)) {
                trimSpaces(s);
                if (s != "--------") header_.names[side] = s;
                return {};
            }
            std::string_view turn = line;
            if (eat(turn, label) && turn == "番") {
                sideToMove_ = side;
                return {};
            }
        }
    if (line.starts_with("+---")) {
        if (rows_ < 0) {
            rows_ = 0;
            diagram_ = true;
        } else if (rows_ != 9) {
            return "board diagram without nine rows";
        }
        return {};
    }
    if (line.starts_with("|")) {
        if (rows_ < 0) return "board row outside a diagram";
        return readBoardRow(line);
    }
    return {};
}

std::string_view KifHeaderReader::finish(MoveRecord& record) {
    record.header = header_;
    if (diagram_) {
        if (rows_ != 9) return "board diagram without nine rows";
        record.boards[0] = board_;
        record.hands[0][0] = hands_[0];
        record.hands[1][0] = hands_[1];
        if (!isPlayableStart(record)) return "impossible position in the diagram";
        record.header.goteFirst = sideToMove_ == 1;
        return {};
    }
    if (handGiven_) return "hands without a board diagram";
    if (handicap_ == OTHER_HANDICAP) return "handicap \"その他\" without a board diagram";
    const int index = handicap_ < 0 ? 0 : handicap_;
    const SfenPosition start = handicapStart(index);
    fromEnginePosition(start.pos, record.boards[0], record.hands[0][0], record.hands[1][0]);
    record.header.goteFirst = sideToMove_ < 0 ? start.sideToMove == 1 : sideToMove_ == 1;
    return {};
}

std::string kifStartLines(const MoveRecord& record) {
    const Position start =
        toEnginePosition(record.boards[0], record.hands[0][0], record.hands[1][0]);
    const int handicap = handicapOf(start, record.header.goteFirst ? 1 : 0);
    const std::string& sente = nameOr(record.header.names[0]);
    const std::string& gote = nameOr(record.header.names[1]);
    if (handicap == 0) return "手合割：平手\r\n先手：" + sente + "\r\n後手：" + gote + "\r\n";
    if (handicap > 0) {
        std::string text = "手合割：" + std::string(HANDICAPS[handicap].name) + "\r\n下手：" +
                           sente + "\r\n上手：" + gote + "\r\n";
        // Names that some programs do not know come with the diagram as well.
        constexpr std::string_view WIDELY_KNOWN[] = {"香落ち",   "右香落ち", "角落ち",   "飛車落ち",
                                                     "飛香落ち", "二枚落ち", "四枚落ち", "六枚落ち",
                                                     "八枚落ち", "十枚落ち"};
        bool known = false;
        for (std::string_view name : WIDELY_KNOWN) known |= name == HANDICAPS[handicap].name;
        return known ? text : text + diagramLines(record);
    }
    return "先手：" + sente + "\r\n後手：" + gote + "\r\n" + diagramLines(record);
}

}  // namespace kaz
