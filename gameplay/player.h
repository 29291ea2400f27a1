// player.h - the miner's controls, movement and walk animation.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

// Clears the walking flags, sets falling, and reads left/right input.
void inputStep(GameState& game);
// Draws the miner with its current frame (before the terrain covers it).
void drawPlayer(const GameState& game, const Assets& assets);
// Climb, jump start and rise, gravity, the horizontal step and the standing
// pose, from the flags the terrain pass left.
void movementStep(GameState& game, const Assets& assets);
// The walk cycle of the frame drawn next tick.
void walkAnimation(Player& player);
