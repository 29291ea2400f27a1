// level_loader.h - the level files: the level count, one level into the five
// lists, the backdrop of every tick and the slide between levels.
#pragma once

#include <string>

#include "world/assets.h"
#include "world/game_state.h"

// The grid of a level file: 19 rows of 32 tiles, the first row at y 30, below
// the three tiles of the status band.
constexpr int GRID_ROWS = 19;
constexpr int GRID_COLUMNS = 32;
constexpr int GRID_TOP = 30;

// (n - 1) x 10: the pixel position of a record's 1-based column or row.
int cellToPixels(int n);
// "levels\level7.txt" for 7 (the game's own spelling; openStream reads '\' as '/').
std::string levelFileName(int level, const std::string& directory = "levels");

// Reads the first line of <levelDirectory>\levels.txt into levelCount. False
// with "Cannot open level file levels\levels.txt" when it cannot be opened.
bool readLevelCount(GameState& game, std::string* error);

// The whole level start: clears the pending flags and lists, grabs the old
// screen or adds the Ouch message, wraps the level number, reads the file,
// plays the slide when slideInPending, and fills the air. False with a
// message naming the file when it cannot be opened or is broken.
bool loadLevel(GameState& game, const Assets& assets, std::string* error);

// Draws the picture that backdropName selects, or nothing.
void drawBackdrop(const GameState& game, const Assets& assets);

// One frame of the level-change slide: the old screen moved `offset` pixels
// to the left, the new one coming in from the right.
void drawSlideFrame(Image* oldScreen, Image* newScreen, int offset);
