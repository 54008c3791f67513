#pragma once

#include "game/game_state.h"

namespace kaz {

// Menu command "棋譜を保存する": writes the record as a KIF file chosen in the save dialog, or as
// CSA when the name ends in ".csa". The file is replaced only once the whole new text is on disk;
// every outcome is reported through the window.
void saveRecord(GameState& game);

// Menu command "棋譜を読み込む": reads a KIF (CSA for ".csa") file chosen in the open dialog into
// the record and leaves the game started and paused at move 0, the human playing sente (at the
// bottom); true then. A file that cannot be read leaves the current game as it was.
bool loadRecord(GameState& game);

// Menu command "局面をコピー": the position on the board as SFEN on the clipboard.
void copyPosition(GameState& game);

// Menu command "局面を貼り付け": starts a record from the clipboard's SFEN, USI position line or
// KIF/CSA record as loading a file does, after asking when the current game has unsaved moves.
// Text that is none of these is reported and leaves the game as it was; true when pasted.
bool pastePosition(GameState& game);

// Turns every stored position 0..recordLength by 180 degrees and exchanges owners and hands when
// the human plays gote, so that sente stands at the bottom with the codes of side 0 as files show
// it; a second call restores the record.
void rotateRecord(GameState& game);

}  // namespace kaz
