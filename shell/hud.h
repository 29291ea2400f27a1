// hud.h - what surrounds play (lives, air bar, title, score) and the
// sequences that interrupt it: the pause, the lost-life wait and Game Over.
#pragma once

#include <string>

#include "shell/game.h"

void livesIconAnimation(GameState& game);
void drawHud(Game& game);         // also adds the Hurry message once per try
void pauseScreen(Game& game);     // until H or Q; F7 skips a level
void lostLifeWait(Game& game);    // plays the ouch sound and waits for its end
void gameOver(Game& game);        // until Space / joystick button 0 after the splat, or Esc
void drawInterleaved(const std::string& text, int offset);
