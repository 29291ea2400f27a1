// air.h - the air supply that runs down every tick of play.
#pragma once

#include "world/game_state.h"

// air - 1; reaching 0 sets playerDied.
void airCountdown(GameState& game);
