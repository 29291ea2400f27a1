// terrain.h - contact between the miner and every kind of tile.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

// The coarse window before any pixel test: x2 - reachX <= x1 <= x2 + reachX and
// y2 - reachY <= y1 <= y2 + reachY.
bool isNear(int x1, int y1, int reachX, int x2, int y2, int reachY);

// Clears nothing: the play loop clears game.terrain first. Walks platformList
// once: contacts, the exit rule, tile animation, crumbling and drawing.
void terrainPass(GameState& game, const Assets& assets);
