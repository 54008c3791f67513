#include "ui/commands.h"

#include "engine/position/handicap.h"
#include "kif/record_files.h"

namespace kaz::ui {

void handleCommand(GameState& game, int id) {
    switch (id) {
        case CMD_LOAD_RECORD:
            loadRecord(game);
            break;
        case CMD_SAVE_RECORD:
            saveRecord(game);
            break;
        case CMD_SWAP_SIDES:
            swapSides(game);
            break;
        case CMD_COPY_POSITION:
            copyPosition(game);
            break;
        case CMD_PASTE_POSITION:
            pastePosition(game);
            break;
        case CMD_PAUSE:
            togglePause(game);
            break;
        case CMD_TO_START:
            goToStart(game);
            break;
        case CMD_BACK_ONE:
            goBackOne(game);
            break;
        case CMD_FORWARD_ONE:
            goForwardOne(game);
            break;
        case CMD_TO_END:
            goToEnd(game);
            break;
        case CMD_START_RESET:
            if (game.started)
                resetGame(game);
            else
                startGame(game);
            break;
        default:
            if (id >= CMD_HANDICAP && id < CMD_HANDICAP + static_cast<int>(HANDICAPS.size()))
                game.startHandicap = id - CMD_HANDICAP;
            break;
    }
}

}  // namespace kaz::ui
