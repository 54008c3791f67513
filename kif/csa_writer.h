#pragma once

#include <string>

#include "kif/kif_writer.h"

namespace kaz {

// The CSA text (version 2.2, UTF-8, LF line ends) of slots 0..recordLength with sente at the
// bottom: names, "PI" for the standard start or the nine rows and both hands otherwise, the side
// that moves first, the moves and "%TORYO". Errors and the early end are those of formatKif.
KifWriteResult formatCsa(const MoveRecord& record, int recordLength, std::string& out);

}  // namespace kaz
