#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/commands.h"
#include "engine/mate/side_to_move.h"
#include "engine/position/parse_number.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "kazaguruma-engine: %s\n", message.c_str());
    return 2;
}

// A depth 0..MAX_PLY in the form strtol reads: leading blanks and a sign are accepted ("-0" is 0).
bool readDepth(std::string_view text, int& depth) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint64_t n = 0;
    if (!kaz::parseNumber(text, kaz::MAX_PLY, n) || (negative && n != 0)) return false;
    depth = static_cast<int>(n);
    return true;
}

// Reads the SFEN words and an optional "--depth N" (only where allowDepth); "" on success.
std::string readArgs(int argc, char** argv, bool allowDepth, kaz::SfenPosition& sfen, int& depth) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--depth") == 0) {
            if (!allowDepth) return "unknown option --depth";
            if (i + 1 >= argc) return "--depth needs a number";
            if (!readDepth(argv[++i], depth))
                return "--depth must be a whole number from 0 to " + std::to_string(kaz::MAX_PLY);
            continue;
        }
        if (!text.empty()) text += ' ';
        text += argv[i];
    }
    if (text.empty()) return "missing SFEN";
    return kaz::parseSfen(text, sfen);
}

long long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace

int runMateCommand(int argc, char** argv) {
    kaz::SfenPosition sfen;
    int depth = kaz::MATE_SOLVER_DEPTH;
    if (std::string err = readArgs(argc, argv, true, sfen, depth); !err.empty()) return fail(err);
    auto solver = std::make_unique<kaz::MateSolver>();
    const auto start = std::chrono::steady_clock::now();
    const kaz::MateAnswer answer = kaz::solveSideToMove(*solver, sfen, depth);
    const long long ms = millisecondsSince(start);
    const unsigned long long nodes = answer.nodes;
    if (answer.found)
        std::printf("found %s length %d nodes %llu time_ms %lld\n", kaz::toUsi(answer.move).c_str(),
                    answer.length, nodes, ms);
    else
        std::printf("nomate nodes %llu time_ms %lld\n", nodes, ms);
    return 0;
}

int runTestmateCommand(int argc, char** argv) {
    kaz::SfenPosition sfen;
    int depth = 0;
    if (std::string err = readArgs(argc, argv, false, sfen, depth); !err.empty()) return fail(err);
    auto tester = std::make_unique<kaz::MateTester>();
    std::printf("%d\n", kaz::testMateSideToMove(*tester, sfen) ? 1 : 0);
    return 0;
}
