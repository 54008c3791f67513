#pragma once

#include <string_view>

#include "kif/kif_reader.h"

namespace kaz {

// Reads a position or a whole record given as text, as the clipboard brings it: a SFEN (with or
// without the word "sfen", or "startpos"), a USI "position" line with its moves, a CSA record or a
// KIF record. The result is as readKif's; text that is none of these is a failure.
KifReadResult readRecordText(std::string_view text, MoveRecord& record);

// The SFEN of slot k of a record written with sente at the bottom.
std::string sfenOfSlot(const MoveRecord& record, int k);

}  // namespace kaz
