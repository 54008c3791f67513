#pragma once

#include "game/game_state.h"

class QMenuBar;

namespace kaz::ui {

// One choice of the think-time menu: the budget per computer move, -1 for none.
struct ThinkTimeChoice {
    const char* label;
    int ms;
};

// No limit (the fixed-depth think, the default) or a budget per move.
inline constexpr ThinkTimeChoice THINK_TIMES[] = {
    {"制限なし", -1}, {"30秒", 30000}, {"10秒", 10000}, {"3秒", 3000}};

// Adds 設定 → 思考時間 to `bar`: one item per choice, the one remembered in the user's settings
// checked and handed to the game. A new choice is handed over and remembered at once; it applies
// from the next think on.
void addThinkTimeMenu(QMenuBar* bar, GameState& game);

}  // namespace kaz::ui
