// title.h - the title screen between games.
#pragma once

#include <string>

#include "shell/game.h"

const std::string& scrollerText();
// Runs until F1 / joystick button 1 / a pad's Start (returns to start a
// game) or Esc (sets quitProgram).
void titleScreen(Game& game);

constexpr int SCROLLER_LEFT = 75; // where the text starts, under the left end picture
constexpr int SCROLLER_Y = 197;
constexpr int SCROLLER_CHARS = 24; // enough to reach under the right end picture

// The scroller as a ring of characters: the first one is drawn at x.
struct ScrollerState {
    std::string text;
    int x = SCROLLER_LEFT;
    void reset(); // the full text from its start, at the left edge
    // Moves the first character to the end once it has passed under the left
    // end picture; at most one per frame.
    void rotate();
    void advance() { x -= 1; }
    std::string visible() const; // the characters drawn this frame
};
