// play_loop.h - a game from its first level to its end, one tick at a time.
//
// playTick is the whole of one pass of the play loop and runs the same with
// or without a window and sound device, so the level tool and the tests drive
// the real rules through it.
#pragma once

#include <string>

#include "shell/game.h"

// A new Player at the start level, the lives icons, the first level pending
// with its slide, and the in-game tune on a fresh music channel.
void newGame(Game& game);

// One pass: the pending level start, then the tick in its fixed order.
// Returns false with a message when a level file cannot be loaded.
bool playTick(Game& game, std::string* error);

// True once the game has ended: no lives left, or Q was pressed.
bool playLoopOver(const Game& game);
