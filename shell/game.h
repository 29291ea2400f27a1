// game.h - everything the main program owns: the shell state, the world of
// the running game and the loaded pictures and sounds.
#pragma once

#include <string>

#include "engine/audio/audio.h"
#include "shell/screen.h"
#include "world/assets.h"
#include "world/game_state.h"

struct Shell {
    Screen screen;
    int musicOn = 1;
    Channel musicChannel; // the tune now playing; a fresh one per title visit and game
    Channel sfxChannel;   // the last effect the shell plays on a channel of its own
    int quitProgram = 0;
    std::string writeFolder; // settings and screenshots: "" beside the program
    // A program that plays levels inside its own window (the level editor)
    // answers close requests itself: one then only ends the play (as Q does).
    int closeEndsPlayOnly = 0;
};

struct Game {
    Shell shell;
    GameState world;
    Assets assets;
};

// The normal way out: writes the settings file and ends the process with
// status 0. Taken after Esc on the title screen and on a close request.
[[noreturn]] void exitProgram(Game& game);
// What a screen does at a close request: exitProgram, or, with
// closeEndsPlayOnly, sets quitToTitle and returns true. False without a request.
bool answerCloseRequest(Game& game);
