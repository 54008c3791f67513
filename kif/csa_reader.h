#pragma once

#include <string_view>

#include "kif/kif_reader.h"

namespace kaz {

// Replays a CSA file (version 2.2: names, the start in PI, P1..P9 and P+/P- forms, the side to
// move, one move per statement, statements split by "," or lines) into `record`, sente at the
// bottom, as readKif does: at most KIF_MOVE_LIMIT moves, every move checked against the replayed
// position, comments, times and other information skipped, a "%" ending closing the moves. The
// result counts moves and lines as for KIF; on failure the record is unspecified.
KifReadResult readCsa(std::string_view fileBytes, MoveRecord& record);

// Whether a file name ends in ".csa" (any case): such files are CSA, all others KIF.
bool isCsaFileName(std::string_view path);

}  // namespace kaz
