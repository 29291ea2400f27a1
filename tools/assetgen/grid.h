// grid.h - pixel art written as text: one character per pixel, looked up in a
// palette.
//
// A palette file has lines "<char> <r> <g> <b>"; '.' is always the mask colour
// (black, transparent) and no other character may be pure black. An art file
// has optional directives, then "grid" and the frames:
//
//   size 10 20          cell width and height (required)
//   colour Q 90 20 20   a colour of this file only, added to the palette
//   mirror              append a left-right mirror of every frame, in order
//   grid
//   <cellHeight lines per block; a line holds one or more frames side by side,
//    separated by single spaces; blank lines between blocks>
//
// Frames are numbered left to right within a block, then block by block.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/assetgen/picture.h"

using Palette = std::map<char, Rgb>;

struct Sprite {
    int cellWidth = 0, cellHeight = 0;
    std::vector<Picture> frames;
};

struct GridError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Palette parsePalette(const std::string& text, const std::string& origin);
// A copy of the palette in which each pair "ab" of the list (e.g. "uR Up")
// draws character a in b's colour; used to make colour variants of one grid.
Palette remapPalette(const Palette& palette, const std::string& pairs);
// Throws GridError naming origin and line for any malformed input.
Sprite parseSprite(const std::string& text, const Palette& palette, const std::string& origin);
// The frames side by side in one row.
Picture joinStrip(const Sprite& sprite);

std::string readTextFile(const std::string& path); // throws GridError when unreadable
