#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/commands.h"
#include "engine/mate/side_to_move.h"
#include "engine/position/sfen.h"
#include "engine/position/transform.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "kazaguruma-engine: %s\n", message.c_str());
    return 2;
}

// Reads the SFEN words and an optional "--depth N" (only where allowDepth); "" on success.
std::string readArgs(int argc, char** argv, bool allowDepth, kaz::SfenPosition& sfen, int& depth) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--depth") == 0) {
            if (!allowDepth) return "unknown option --depth";
            if (i + 1 >= argc) return "--depth needs a number";
            const char* s = argv[++i];
            char* end = nullptr;
            const long n = std::strtol(s, &end, 10);
            if (*s == '\0' || *end != '\0' || n < 0 || n > kaz::MAX_PLY)
                return "--depth must be a whole number from 0 to " + std::to_string(kaz::MAX_PLY);
            depth = static_cast<int>(n);
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
