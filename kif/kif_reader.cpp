#include "kif/kif_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "kif/kif_header.h"
#include "kif/kif_names.h"
#include "kif/record_replay.h"
#include "kif/sjis.h"

namespace kaz {

namespace {

std::string sjis(std::string_view utf8) {
    std::string out;
    utf8ToSjis(utf8, out);
    return out;
}

// Shift-JIS forms of the fixed words the reader looks for, made once.
struct ReaderWords {
    std::string columnTitle = sjis("手数");
    std::string moveCountMark = sjis("手数＝");  // a diagram's move number, not the column titles
    std::string same = sjis("同");
    std::string fullSpace = sjis("　");
    std::string drop = sjis("打");
    std::string promote = sjis("成");
    // Words that end the move list, found right after the move-number prefix.
    std::array<std::string, 13> endings = {
        sjis("投了"),     sjis("中断"),     sjis("詰み"),     sjis("千日手"),   sjis("持将棋"),
        sjis("切れ負け"), sjis("反則勝ち"), sjis("反則負け"), sjis("入玉勝ち"), sjis("不戦勝"),
        sjis("不戦敗"),   sjis("まで"),     sjis("変化：")};
};

const ReaderWords& words() {
    static const ReaderWords w;
    return w;
}

// n bytes from pos, cut at the end of s: never a read outside the line.
std::string_view bytesAt(std::string_view s, std::size_t pos, std::size_t n) {
    return pos <= s.size() ? s.substr(pos, n) : std::string_view{};
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool isSkipped(std::string_view line) {
    return isBlank(line) || line[0] == '#' || line[0] == '*' || line[0] == '&';
}

// The file's text in Shift-JIS, or a reason it has none.
std::string_view decode(std::string_view bytes, std::string& text) {
    if (bytes.size() > KIF_MAX_FILE_BYTES) return "file too large";
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) return "binary file (NUL bytes)";
    constexpr std::string_view BOM = "\xEF\xBB\xBF";
    const bool bom = bytes.substr(0, 3) == BOM;
    if (bom) bytes.remove_prefix(3);
    const bool nonAscii =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
    if (bom || (nonAscii && isValidUtf8(bytes))) {
        if (!utf8ToSjisLenient(bytes, text)) return "invalid UTF-8 text";
        return {};
    }
    std::string check;
    if (!sjisToUtf8(bytes, check)) return "neither Shift-JIS nor UTF-8 text";
    text.assign(bytes);
    return {};
}

// The replay of the move lines into the record.
class Replay {
  public:
    // Slot 0 and the header of `record` hold the start already.
    explicit Replay(MoveRecord& record)
        : record_(record), firstSide_(record.header.goteFirst ? 1 : 0) {}

    int moves() const { return m_ - 1; }
    bool full() const { return m_ - 1 >= KIF_MOVE_LIMIT; }

    // Reads one line after the column titles. Returns a reason on a format error; sets `ended`
    // when the line closes the move list.
    std::string_view readLine(std::string_view line, bool& ended) {
        ended = false;
        if (isSkipped(line)) return {};
        std::size_t p = 0;
        while (p < line.size() && p < 10 && (line[p] == ' ' || (line[p] >= '0' && line[p] <= '9')))
            ++p;
        if (p >= 10) return "move number prefix of 10 or more bytes";
        const std::string_view rest = bytesAt(line, p, line.size());
        for (const std::string& word : words().endings)
            if (rest.starts_with(word)) {
                ended = true;
                return {};
            }
        return readMove(line, p);
    }

  private:
    std::string_view readMove(std::string_view line, std::size_t p) {
        const ReaderWords& w = words();
        // Target square: four bytes at p, or 同 (the previous move's target) followed by a
        // full-width space, a half-width one or none. q is where the piece name begins.
        std::size_t q = p + 4;
        if (bytesAt(line, p, 2) == w.same) {
            if (prevRow_ < 0) return "\"同\" with no previous move";
            q = p + 2;
            if (bytesAt(line, q, 2) == w.fullSpace)
                q += 2;
            else if (bytesAt(line, q, 1) == " ")
                q += 1;
        } else {
            const std::string_view name = bytesAt(line, p, 4);
            int t = 0;
            while (t < SQUARE_SAME_AS_PREVIOUS && SQUARE_NAMES[t] != name) ++t;
            if (t == SQUARE_SAME_AS_PREVIOUS) return "no square name where the move begins";
            prevRow_ = t / 9;
            prevCol_ = t % 9;
        }

        FileMove move;
        move.toRow = prevRow_;
        move.toCol = prevCol_;
        if (findSjis(line, w.drop) != std::string_view::npos) {
            const std::string_view piece = bytesAt(line, q, 2);
            move.dropKind = 0;
            while (move.dropKind < 7 && PIECE_NAMES[move.dropKind] != piece) ++move.dropKind;
        } else {
            const std::size_t paren = findSjis(line, "(");
            if (paren == std::string_view::npos) return "neither a drop nor an origin in \"(\"";
            if (line.size() < paren + 3) return "origin digits missing";
            const int file = line[paren + 1] - '0', rank = line[paren + 2] - '0';
            if (file < 1 || file > 9 || rank < 1 || rank > 9) return "origin digits outside 1..9";
            move.fromRow = rank - 1;
            move.fromCol = 9 - file;
            move.promotes = bytesAt(line, q + 2, 2) == w.promote;
        }
        const int side = (m_ % 2 == 1) ? firstSide_ : 1 - firstSide_;
        if (std::string_view reason = replayMove(record_, m_, side, move); !reason.empty())
            return reason;
        ++m_;
        return {};
    }

    MoveRecord& record_;
    int firstSide_;  // the side that makes move 1
    int m_ = 1;      // number of the move being read
    int prevRow_ = -1, prevCol_ = -1;
};

}  // namespace

KifReadResult readKif(std::string_view fileBytes, MoveRecord& record) {
    KifReadResult result;
    std::string text;
    if (std::string_view reason = decode(fileBytes, text); !reason.empty()) {
        result.reason = reason;
        return result;
    }
    // The header up to the column titles says where the game starts.
    KifHeaderReader header;
    std::string_view rest = text;
    int lineNumber = 0;
    const auto readHeader = [&](std::string_view line, bool& titles) -> std::string_view {
        titles = line.starts_with(words().columnTitle) && !line.starts_with(words().moveCountMark);
        std::string utf8;
        if (titles || !sjisToUtf8(line, utf8)) return {};
        return header.readLine(utf8);
    };
    if (!forEachLine(rest, lineNumber, result, readHeader)) return result;
    if (std::string_view reason = header.finish(record); !reason.empty()) {
        result.reason = reason;
        return result;
    }

    Replay replay(record);
    const auto readMove = [&](std::string_view line, bool& ended) -> std::string_view {
        if (replay.full()) {
            ended = true;
            return {};
        }
        return replay.readLine(line, ended);
    };
    if (!forEachLine(rest, lineNumber, result, readMove)) return result;
    result.ok = true;
    result.moves = replay.moves();
    return result;
}

}  // namespace kaz
