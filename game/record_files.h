#pragma once

#include "game/game_state.h"

namespace kaz {

// Menu command "棋譜を保存する": writes the record as a KIF file chosen in the save dialog. The
// file is replaced only once the whole new text is on disk; every outcome is reported through the
// window.
void saveRecord(GameState& game);

// Menu command "棋譜を読み込む": reads a KIF file chosen in the open dialog into the record and
// leaves the game started and paused at move 0 with the human moving first; true then. A file that
// cannot be read leaves the current game as it was.
bool loadRecord(GameState& game);

// Turns every stored position 0..recordLength by 180 degrees (owners unchanged, hands exchanged)
// when the human plays second, so that the first player stands at the bottom; a second call
// restores the record.
void rotateRecord(GameState& game);

}  // namespace kaz
