#include <cstdio>
#include <string>

#include "app/commands.h"
#include "engine/position/sfen.h"

int runSfenCommand(int argc, char** argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i) text += ' ';
        text += argv[i];
    }
    kaz::SfenPosition sfen;
    if (std::string err = kaz::parseSfen(text, sfen); !err.empty()) {
        std::fprintf(stderr, "kazaguruma-engine: %s\n", err.c_str());
        return 2;
    }
    std::printf("%s\n", kaz::toSfen(sfen).c_str());
    return 0;
}
