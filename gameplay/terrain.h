// terrain.h - contact between the miner and every kind of tile.
#pragma once

#include "engine/collision/contact.h" // isNear, the window before each tile's pixel test
#include "world/assets.h"
#include "world/game_state.h"

// Clears nothing: the play loop clears game.terrain first. Walks platformList
// once: contacts, the exit rule, tile animation, crumbling and drawing.
void terrainPass(GameState& game, const Assets& assets);
