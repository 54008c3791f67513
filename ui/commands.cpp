#include "ui/commands.h"

#include "game/record_files.h"

namespace kaz::ui {

void handleCommand(GameState& game, MoveEntry& entry, int id) {
    // A selection exists only on the human's turn outside a think, so the commands refused
    // during a think never have one to keep.
    bool dropSelection = false;
    switch (id) {
        case CMD_LOAD_RECORD:
            dropSelection = loadRecord(game);
            break;
        case CMD_SAVE_RECORD:
            saveRecord(game);
            break;
        case CMD_SWAP_SIDES:
            dropSelection = swapSides(game);
            break;
        case CMD_PAUSE:
            togglePause(game);
            break;
        case CMD_TO_START:
            goToStart(game);
            dropSelection = true;
            break;
        case CMD_BACK_ONE:
            goBackOne(game);
            dropSelection = true;
            break;
        case CMD_FORWARD_ONE:
            goForwardOne(game);
            dropSelection = true;
            break;
        case CMD_TO_END:
            goToEnd(game);
            dropSelection = true;
            break;
        case CMD_START_RESET:
            if (game.started)
                resetGame(game);
            else
                startGame(game);
            dropSelection = true;
            break;
        default:
            break;
    }
    if (dropSelection) entry.selectionState = 0;
}

}  // namespace kaz::ui
