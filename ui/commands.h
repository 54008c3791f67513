#pragma once

#include "game/game_state.h"
#include "ui/move_entry.h"

namespace kaz::ui {

// Command ids of the six buttons and the menu items.
enum Command : int {
    CMD_START_RESET = 0,
    CMD_TO_START = 1,
    CMD_BACK_ONE = 2,
    CMD_FORWARD_ONE = 3,
    CMD_TO_END = 4,
    CMD_PAUSE = 5,
    CMD_ABOUT = 104,
    CMD_EXIT = 105,
    CMD_LOAD_RECORD = 10001,
    CMD_SAVE_RECORD = 10002,
    CMD_SWAP_SIDES = 10003,
};

// Carries out the game's part of a command and drops the click handler's selection where the
// command changes the position; the About box and exit belong to the window and do nothing here,
// as does any unknown id.
void handleCommand(GameState& game, MoveEntry& entry, int id);

}  // namespace kaz::ui
