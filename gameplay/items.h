// items.h - collecting items: score, bonus lives, messages, item animation.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

void itemPass(GameState& game, const Assets& assets);
