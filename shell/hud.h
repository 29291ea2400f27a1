// hud.h - what surrounds play (lives, air bar, title, score) and the
// sequences that interrupt it: the pause, the lost-life wait and Game Over.
//
// The screen functions are thin loops; the arithmetic they run on (bar length
// and colour, icon positions, the pause zoom, the Game Over wobble and foot)
// is plain data and functions here so it can be checked without a window.
#pragma once

#include <string>
#include <utility>

#include "shell/game.h"

void livesIconAnimation(GameState& game);
void drawHud(Game& game);      // also adds the Hurry message once per try
void pauseScreen(Game& game);  // until H / Start or Q / Back; F7 skips a level
void lostLifeWait(Game& game); // plays the ouch sound and waits for its end
void gameOver(Game& game);     // until Space / joystick button 0 after the splat, or Esc
void drawInterleaved(const std::string& text, int offset);

// ---- Heads-up display arithmetic -------------------------------------------------------
struct Rgb {
    int red = 0, green = 0, blue = 0;
};
int livesIconX(int icon, int maskWidth); // x of spare-life icon 1, 2, ...
float hudBarLength(int air, int airMax); // 0 .. 290 logical pixels
Rgb hudBarColour(float barLength);       // green, blue, then red
bool hudBarIsLow(float barLength);       // red: time for the Hurry warning
int soundLengthMs(const Sound& sound);   // frames / rate, in milliseconds

// ---- Pause ------------------------------------------------------------------------------
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};
int pauseEffectLimit(int effect);           // zoom at which the effect turns back
Rect pauseEffectRect(int effect, int zoom); // where the frozen picture is drawn
struct PauseZoom {
    int effect = 0; // 0 shrink, 1 fold top-bottom, 2 fold left-right
    int zoom = 0;
    int zoomStep = 2;
    void step(); // one frame on: moves, turning back at 0 and at the limit
    Rect rect() const { return pauseEffectRect(effect, zoom); }
};

// ---- Game Over ----------------------------------------------------------------------------
enum class FootState {
    Falling,  // still coming down
    Landed,   // reached the ground this frame: start the splat
    Grounded, // landed on an earlier frame: Space or the button may leave
};
struct GameOverState {
    int wobble = 0; // 0 .. 13
    int wobbleStep = 1;
    int wobbleTick = 0;
    int footY = 33;
    int splatPlayed = 0;
    void stepWobble();
    FootState stepFoot();
    int textOffset() const { return 7 - wobble; }
};
// The two halves drawInterleaved draws: odd characters each followed by a
// space, even characters each preceded by one.
std::pair<std::string, std::string> interleavedHalves(const std::string& text);
