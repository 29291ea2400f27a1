// spikes.h - static hazards: deadly on pixel contact, never terrain.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

void spikePass(GameState& game, const Assets& assets);
