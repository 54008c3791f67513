#include <cstdio>
#include <memory>
#include <string>

#include "app/commands.h"
#include "engine/position/sfen.h"
#include "kif/csa_reader.h"
#include "kif/file_io.h"
#include "kif/kif_reader.h"
#include "kif/record_text.h"

int runKifCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: kazaguruma-engine kif FILE\n");
        return 2;
    }
    const std::string path = argv[0];
    std::string bytes;
    switch (kaz::readWholeFile(path, kaz::KIF_MAX_FILE_BYTES, bytes)) {
        case kaz::ReadFileError::None:
            break;
        case kaz::ReadFileError::CannotOpen:
            std::fprintf(stderr, "kazaguruma-engine: %s: 棋譜ファイルを開けませんでした。\n",
                         path.c_str());
            return 2;
        case kaz::ReadFileError::TooLarge:
            std::fprintf(stderr, "kazaguruma-engine: %s: file too large\n", path.c_str());
            return 2;
    }
    auto record = std::make_unique<kaz::MoveRecord>();
    const kaz::KifReadResult result =
        kaz::isCsaFileName(path) ? kaz::readCsa(bytes, *record) : kaz::readKif(bytes, *record);
    if (!result.ok) {
        std::fprintf(stderr,
                     "kazaguruma-engine: %s:%d: 棋譜ファイルのフォーマットが合いません。 (%.*s)\n",
                     path.c_str(), result.line, static_cast<int>(result.reason.size()),
                     result.reason.data());
        return 2;
    }
    // The start first, then the position after each move.
    for (int n = 0; n <= result.moves; ++n)
        std::printf("%d %s\n", n, kaz::sfenOfSlot(*record, n).c_str());
    return 0;
}
