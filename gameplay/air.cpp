// air.cpp - the air supply: one unit per tick, and a death when it runs out.
//
// Call airCountdown first in every tick of play; the loader refills air.
#include "gameplay/air.h"

void airCountdown(GameState& game) {
    game.air -= 1;
    // The rest of the tick still runs; the death step after the frame acts on it.
    if (game.air == 0) game.playerDied = 1;
}
