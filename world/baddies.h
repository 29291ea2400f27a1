// baddies.h - the enemies: patrol, frame stepping by animation mode, contact.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

// One step of the patrol on one axis: move by direction x speed, then turn
// when the bound ahead is reached or passed.
void patrolAxis(int& position, int& direction, int speed, int lowerBound, int upperBound);
// One step of a baddie's frame by its animMode, direction from dirX + dirY.
void stepBaddieFrame(Baddie& baddie);
// Moves, animates, tests and draws every baddie in list order. Baddies of an
// unknown kind are skipped.
void baddiePass(GameState& game, const Assets& assets);
