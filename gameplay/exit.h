// exit.h - the exit door: closed while items remain, then animated and open.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

// For one exit tile, at its place in the terrain pass. `near` is the pass's
// isNear result. Reaching the open exit plays the success sound, moves to the
// next level and sets the level change; the door is animated and drawn always.
void exitRule(GameState& game, const Assets& assets, Platforms& tile, bool near);
