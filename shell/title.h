// title.h - the title screen between games.
#pragma once

#include <string>

#include "shell/game.h"

const std::string& scrollerText();
// Runs until F1 / joystick button 1 (returns to start a game) or Esc (sets
// quitProgram).
void titleScreen(Game& game);
