#include <cstdio>
#include <cstring>

#include "app/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

constexpr Command COMMANDS[] = {
    {"sfen", runSfenCommand, "sfen SFEN          parse a position and print it normalised"},
    {"kif", runKifCommand, "kif FILE           replay a KIF or .csa record, one SFEN per position"},
    {"think", runThinkCommand,
     "think SFEN [--seed N] [--moves N] [--time-ms N] [--plies]   one think for the side to move"},
    {"bench", runBenchCommand,
     "bench [--seed N] [--positions I,J,...] [--time-ms N] [--list]   thinks on the built-in "
     "suite; node totals"},
    {"mate", runMateCommand, "mate SFEN [--depth N]  search a forced mate for the side to move"},
    {"testmate", runTestmateCommand,
     "testmate SFEN      1 if the side to move forces mate, else 0"},
};

int usage() {
    std::fprintf(stderr, "usage: kazaguruma-engine [COMMAND ...]\n");
    std::fprintf(stderr, "  (no command)       speak USI on standard input and output\n");
    for (const Command& c : COMMANDS) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // GUIs start an engine without arguments.
    if (argc < 2) return runUsiCommand(0, argv + 1);
    for (const Command& c : COMMANDS)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "kazaguruma-engine: unknown command '%s'\n", argv[1]);
    return usage();
}
