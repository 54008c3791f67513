#include "app/usi.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/go_limits.h"
#include "app/line_reader.h"
#include "engine/position/engine_move.h"
#include "engine/position/parse_number.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"

namespace kaz {
namespace {

// Enough for a position command with well over a hundred thousand moves.
constexpr std::size_t MAX_LINE = 1 << 20;
constexpr unsigned MAX_SEED = 2147483647;  // GUIs keep spin values in 32-bit signed integers
// Kept back from every timed think for the GUI and the pipe. The think itself ends within a few
// milliseconds of its deadline on an idle machine, but on two cores loaded fifteen-fold answers
// came up to 330 ms late: the margin covers that even for a GUI that allows no grace at all.
constexpr unsigned DEFAULT_MARGIN_MS = 400;
constexpr unsigned MAX_MARGIN_MS = 10000;
// How long quit waits for a think to stop before the process ends without it.
constexpr std::chrono::milliseconds QUIT_GRACE{1000};

// Index of the first `word` at or after `from`, or words.size().
std::size_t findWord(const std::vector<std::string_view>& words, std::size_t from,
                     std::string_view word) {
    for (std::size_t i = from; i < words.size(); ++i)
        if (words[i] == word) return i;
    return words.size();
}

std::string joinWords(const std::vector<std::string_view>& words, std::size_t from,
                      std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) out += ' ';
        out += words[i];
    }
    return out;
}

// Text for the GUI built from whatever arrived: printable ASCII only, so that no byte of bad
// input reaches a GUI's line reader.
std::string printable(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        out += (c >= 0x20 && c < 0x7F) ? ch : '?';
    }
    return out;
}

// Input quoted back to the GUI, shortened.
std::string quoted(std::string_view text) {
    constexpr std::size_t LIMIT = 40;
    return "'" + printable(text.substr(0, LIMIT)) + (text.size() > LIMIT ? "...'" : "'");
}

// Numbers of the protocol: at most 19 digits.
bool parseUsiNumber(std::string_view text, std::uint64_t max, std::uint64_t& out) {
    return parseNumber(text, max, out, 19);
}

bool hasKing(const Position& pos, int side) { return findKing(pos.board, side) >= 0; }

// The move a think returned, as notation, if it is legal in the position it was asked about.
bool legalNotation(const ThinkRequest& req, const EngineMove& m, std::string& usi) {
    auto inBoard = [](int v) { return v >= 0 && v <= 8; };
    const bool drop = m.fromFile == -1 && m.fromRank == -1;
    if (!inBoard(m.toFile) || !inBoard(m.toRank) ||
        (!drop && (!inBoard(m.fromFile) || !inBoard(m.fromRank))))
        return false;
    usi = toUsi(m);
    EngineMove parsed{};
    return parseUsiMove(usi, req.pos, req.sideToMove, parsed).empty() &&
           isLegal(req.pos, req.sideToMove, parsed);
}

// The protocol state: the current position, the options, and the one think that may be running.
// Commands arrive on the reader's thread; the think runs on its own thread and sends its bestmove
// itself once the think is over and nothing holds it back.
class UsiSession {
  public:
    UsiSession(Player& player, int outFd) : player_(player), outFd_(outFd) {
        pos_ = initialPosition();
    }
    ~UsiSession() {
        abandonThink();
        if (thread_.joinable()) thread_.join();
    }

    // One input line; false when the engine should exit.
    bool handle(std::string_view line);
    void send(std::string_view line);
    void info(std::string_view message) { send("info string " + printable(message)); }
    // Ends any think without a bestmove; does not wait for it.
    void abandonThink();
    // Abandons any think and waits up to `grace` for its thread; false if it is still running.
    bool finish(std::chrono::milliseconds grace);

  private:
    void usi();
    void setOption(const std::vector<std::string_view>& words);
    void position(const std::vector<std::string_view>& words);
    void go(const std::vector<std::string_view>& words);
    void stop();
    void ponderHit();
    void runThink(ThinkRequest request);
    std::string decide(const ThinkRequest& request);

    Player& player_;
    const int outFd_;
    std::mutex outMutex_;

    // Owned by the reader's thread.
    Position pos_;
    int side_ = 0;
    int plies_ = 0;
    unsigned seed_ = 0;
    unsigned marginMs_ = DEFAULT_MARGIN_MS;
    bool newGamePending_ = true;
    std::thread thread_;

    // Shared with the think thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable released_;  // hold_ cleared
    std::condition_variable idle_;      // busy_ cleared
    bool busy_ = false;                 // a think runs, or its bestmove has not been sent yet
    bool hold_ = false;    // go ponder / go infinite: bestmove waits for ponderhit or stop
    bool ponder_ = false;  // the think is a ponder
    bool silent_ = false;  // the game ended or the engine quits: drop the bestmove
};

void UsiSession::send(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::lock_guard<std::mutex> lock(outMutex_);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(outFd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the GUI went away; the reader will see the end of input
        done += static_cast<std::size_t>(n);
    }
}

bool UsiSession::handle(std::string_view line) {
    const std::vector<std::string_view> words = splitFields(line);
    if (words.empty()) return true;
    const std::string_view cmd = words[0];
    if (cmd == "usi") {
        usi();
    } else if (cmd == "isready") {
        send("readyok");
    } else if (cmd == "setoption") {
        setOption(words);
    } else if (cmd == "usinewgame") {
        newGamePending_ = true;
    } else if (cmd == "position") {
        position(words);
    } else if (cmd == "go") {
        go(words);
    } else if (cmd == "stop") {
        stop();
    } else if (cmd == "ponderhit") {
        ponderHit();
    } else if (cmd == "gameover") {
        abandonThink();
    } else if (cmd == "quit") {
        return false;
    } else {
        info("unknown command " + quoted(cmd));
    }
    return true;
}

void UsiSession::usi() {
    send("id name Kazaguruma " KAZ_VERSION);
    send("id author the Kazaguruma developers");
    send("option name RandomSeed type spin default 0 min 0 max " + std::to_string(MAX_SEED));
    send("option name ByoyomiMargin type spin default " + std::to_string(DEFAULT_MARGIN_MS) +
         " min 0 max " + std::to_string(MAX_MARGIN_MS));
    send("usiok");
}

void UsiSession::setOption(const std::vector<std::string_view>& words) {
    const std::size_t value = findWord(words, 2, "value");
    if (words.size() < 3 || words[1] != "name") {
        info("setoption needs 'name <id> [value <x>]'");
        return;
    }
    const std::string name = joinWords(words, 2, value);
    unsigned* field = name == "RandomSeed"      ? &seed_
                      : name == "ByoyomiMargin" ? &marginMs_
                                                : nullptr;
    if (field == nullptr) return;  // GUIs send USI_Hash and the like
    const unsigned max = field == &seed_ ? MAX_SEED : MAX_MARGIN_MS;
    std::uint64_t n = 0;
    if (value + 2 != words.size() || !parseUsiNumber(words[value + 1], max, n)) {
        info(name + " needs a whole number from 0 to " + std::to_string(max));
        return;
    }
    *field = static_cast<unsigned>(n);
}

void UsiSession::position(const std::vector<std::string_view>& words) {
    const std::size_t movesAt = findWord(words, 1, "moves");
    SfenPosition start{};
    if (words.size() >= 2 && words[1] == "startpos" && movesAt == 2) {
        parseSfen(STARTPOS_SFEN, start);
    } else if (words.size() >= 2 && words[1] == "sfen") {
        if (std::string err = parseSfen(joinWords(words, 2, movesAt), start); !err.empty()) {
            info("position ignored: " + err);
            return;
        }
    } else {
        info("position needs 'startpos' or 'sfen <board> <side> <hands> [<move number>]'");
        return;
    }
    if (inCheck(start.pos, 1 - start.sideToMove)) {
        info("position ignored: the side not to move is in check");
        return;
    }
    Position pos = start.pos;
    int side = start.sideToMove;
    for (std::size_t i = movesAt + 1; i < words.size(); ++i) {
        EngineMove m{};
        std::string err = parseUsiMove(words[i], pos, side, m);
        if (err.empty() && !isLegal(pos, side, m)) err = "illegal move";
        if (!err.empty()) {
            info("position ignored: move " + std::to_string(i - movesAt) + " " + quoted(words[i]) +
                 ": " + quoted(err));
            return;
        }
        applyMove(pos, side, m);
        side = 1 - side;
    }
    pos_ = pos;
    side_ = side;
    const std::size_t moves = movesAt < words.size() ? words.size() - movesAt - 1 : 0;
    plies_ = start.moveNumber - 1 + static_cast<int>(moves);
}

void UsiSession::go(const std::vector<std::string_view>& words) {
    for (std::string_view w : words)
        if (w == "mate") {
            send("checkmate notimplemented");
            return;
        }
    GoLimits limits;
    for (const std::string& complaint : readGo(words, limits)) info(complaint);
    const bool ponder = limits.ponder, infinite = limits.infinite;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (busy_ && !silent_) {
            info("go ignored: a think is already running (send stop first)");
            return;
        }
        idle_.wait(lock, [this] { return !busy_; });  // a think abandoned by gameover
        hold_ = ponder || infinite;
        ponder_ = ponder;
        silent_ = false;
        busy_ = true;
    }
    if (thread_.joinable()) thread_.join();  // the last think has sent its bestmove already
    if (newGamePending_) {
        player_.newGame();
        newGamePending_ = false;
    }
    player_.clearStop();
    const std::int64_t budget = thinkBudgetMs(limits, side_, marginMs_);
    thread_ = std::thread(
        &UsiSession::runThink, this,
        ThinkRequest{pos_, side_, plies_,
                     ThinkLimits{.seed = seed_, .budgetMs = budget, .clockHeld = ponder}});
}

void UsiSession::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!busy_) return;
        hold_ = false;
    }
    released_.notify_all();
    player_.requestStop();
}

void UsiSession::ponderHit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!busy_ || !ponder_) return;
        hold_ = false;
        ponder_ = false;
    }
    player_.startClock();
    released_.notify_all();
}

void UsiSession::abandonThink() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (busy_) {
            silent_ = true;
            hold_ = false;
        }
    }
    released_.notify_all();
    player_.requestStop();
}

bool UsiSession::finish(std::chrono::milliseconds grace) {
    abandonThink();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!idle_.wait_for(lock, grace, [this] { return !busy_; })) return false;
    }
    if (thread_.joinable()) thread_.join();
    return true;
}

void UsiSession::runThink(ThinkRequest request) {
    const std::string lines = decide(request);
    std::unique_lock<std::mutex> lock(mutex_);
    released_.wait(lock, [this] { return !hold_; });
    if (!silent_) send(lines);
    busy_ = false;
    idle_.notify_all();
}

// The info and bestmove lines for one think. A move the think returns is sent only if the rules
// say it is legal; anything else becomes a resignation with the reason in an info string, since a
// GUI forfeits an illegal move anyway and a resignation at least says what happened.
std::string UsiSession::decide(const ThinkRequest& req) {
    if (!hasKing(req.pos, 0) || !hasKing(req.pos, 1))
        return "info string cannot play without both kings on the board\nbestmove resign";
    if (legalMoves(req.pos, req.sideToMove).empty())
        return "info string no legal move\nbestmove resign";
    const ThinkReply r = player_.think(req);
    std::string line = "info depth " + std::to_string(r.depth) + " score ";
    line += r.mate ? "mate " + std::to_string(r.mateLength) : "cp " + std::to_string(r.value);
    const std::int64_t ms = r.timeMs > 0 ? r.timeMs : 0;
    const std::uint64_t nps = ms > 0 ? r.nodes * 1000 / static_cast<std::uint64_t>(ms) : 0;
    line += " nodes " + std::to_string(r.nodes) + " nps " + std::to_string(nps) + " time " +
            std::to_string(ms);
    if (r.resign) return line + "\nbestmove resign";
    std::string usi;
    if (r.noMove) {
        // Stopped before the search finished a single move. Whoever stops a think wants the answer
        // now, and a better choice would need the search just cancelled; any legal move keeps the
        // game going, while a resignation would throw it away.
        usi = toUsi(legalMoves(req.pos, req.sideToMove).front());
        return line + "\ninfo string stopped before a move was searched; playing " + usi +
               "\nbestmove " + usi;
    }
    if (!legalNotation(req, r.move, usi)) {
        const std::string what = "the search chose an illegal move " + quoted(usi) + "; resigning";
        std::fprintf(stderr, "kazaguruma-engine: internal error: %s\n", what.c_str());
        return line + "\ninfo string internal error: " + what + "\nbestmove resign";
    }
    return line + " pv " + usi + "\nbestmove " + usi;
}

}  // namespace

int runUsi(Player& player, int inFd, int outFd) {
    std::signal(SIGPIPE, SIG_IGN);  // a vanished GUI shows as failed writes and end of input
    UsiSession session(player, outFd);
    LineReader reader(inFd, MAX_LINE);
    std::string line;
    for (;;) {
        const LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::TooLong) {
            session.info("line longer than " + std::to_string(MAX_LINE) + " bytes ignored");
            continue;
        }
        if (!session.handle(line)) break;
    }
    if (!session.finish(QUIT_GRACE)) {
        // The search has not reached a point where it stops; it holds nothing that must be saved
        // and every line sent is already written, so the process ends without it.
        std::fprintf(stderr, "kazaguruma-engine: the think did not stop in time; exiting\n");
        std::_Exit(0);
    }
    return 0;
}

}  // namespace kaz
