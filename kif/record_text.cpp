#include "kif/record_text.h"

#include <string>

#include "engine/position/engine_move.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "kif/csa_reader.h"

namespace kaz {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::string_view(" \t\r\n").find(s.front()) != std::string_view::npos)
        s.remove_prefix(1);
    while (!s.empty() && std::string_view(" \t\r\n").find(s.back()) != std::string_view::npos)
        s.remove_suffix(1);
    return s;
}

bool lineStartsWith(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (text.substr(at).starts_with(word)) return true;
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return false;
}

void storeSlot(MoveRecord& record, int k, const Position& pos) {
    fromEnginePosition(pos, record.boards[k], record.hands[0][k], record.hands[1][k]);
}

// "[position] (startpos | [sfen] BOARD SIDE HANDS [N]) [moves M...]", every move legal.
KifReadResult readUsiPosition(std::string_view text, MoveRecord& record) {
    KifReadResult result;
    result.line = 1;
    std::vector<std::string_view> words = splitFields(text);
    if (!words.empty() && words[0] == "position") words.erase(words.begin());
    std::size_t movesAt = 0;
    while (movesAt < words.size() && words[movesAt] != "moves") ++movesAt;
    std::string start;
    for (std::size_t i = 0; i < movesAt; ++i) (start += words[i]) += ' ';
    SfenPosition sfen{};
    if (!parseSfen(start, sfen).empty()) {
        result.reason = "not a SFEN or USI position";
        return result;
    }
    if (inCheck(sfen.pos, 1 - sfen.sideToMove)) {
        result.reason = "the side not to move is in check";
        return result;
    }
    record.header = RecordHeader{};
    record.header.goteFirst = sfen.sideToMove == 1;
    storeSlot(record, 0, sfen.pos);
    int side = sfen.sideToMove, moves = 0;
    for (std::size_t i = movesAt + 1; i < words.size() && moves < KIF_MOVE_LIMIT; ++i) {
        EngineMove m{};
        if (!parseUsiMove(words[i], sfen.pos, side, m).empty() || !isLegal(sfen.pos, side, m)) {
            result.reason = "illegal or malformed USI move";
            return result;
        }
        applyMove(sfen.pos, side, m);
        storeSlot(record, ++moves, sfen.pos);
        side = 1 - side;
    }
    result.ok = true;
    result.moves = moves;
    return result;
}

}  // namespace

KifReadResult readRecordText(std::string_view text, MoveRecord& record) {
    const std::string_view body = trimmed(text);
    const bool oneLine = body.find('\n') == std::string_view::npos;
    if (oneLine && (body.starts_with("position") || body.starts_with("sfen") ||
                    body.starts_with("startpos") || body.find('/') != std::string_view::npos))
        return readUsiPosition(body, record);
    for (std::string_view csaMark : {"PI", "P1", "V2", "N+", "N-"})
        if (lineStartsWith(body, csaMark)) return readCsa(text, record);
    // KIF: only text with a KIF header, diagram or column titles; anything else would read as an
    // empty game from the standard start.
    for (std::string_view kifMark : {"手合割", "持駒", "手数"})
        if (body.find(kifMark) != std::string_view::npos) return readKif(text, record);
    KifReadResult result;
    result.reason = "neither a position nor a record";
    return result;
}

std::string sfenOfSlot(const MoveRecord& record, int k) {
    const int side = (k + (record.header.goteFirst ? 1 : 0)) % 2;
    return toSfen(
        {toEnginePosition(record.boards[k], record.hands[0][k], record.hands[1][k]), side, k + 1});
}

}  // namespace kaz
