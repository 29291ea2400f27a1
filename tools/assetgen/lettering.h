// lettering.h - the pictures' own 5 x 7 pixel font (art/font.txt) and the
// painting of words with it: gradient ink, a near-black outline, a shadow.
//
//   const Font font = parseFont(readTextFile(".../font.txt"), "font.txt");
//   Ink ink = inkText(font, "EXIT OPEN", 1);
//   paintInk(picture, ink, x, y, {yellow, orange, outline, shadow, 0});
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/assetgen/picture.h"

struct Font {
    std::map<char, std::array<uint8_t, 7>> glyphs; // per row, bit 4 = leftmost column
};

// Throws GridError on a malformed glyph.
Font parseFont(const std::string& text, const std::string& origin);

// Where a line of text puts ink, at a whole-number scale: glyphs 5 wide with
// one column between them. Throws for characters the font lacks.
struct Ink {
    int width = 0, height = 0;
    std::vector<uint8_t> on; // row-major, 1 = ink
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               on[static_cast<size_t>(y) * width + x];
    }
};
Ink inkText(const Font& font, const std::string& text, int scale);

struct InkStyle {
    Rgb top, bottom;  // ink colour blends from top to bottom
    Rgb outline;      // one pixel round the ink (8-neighbourhood)
    Rgb shadow;       // drawn at +shadowOffset, under everything
    int shadowOffset; // 0 = no shadow
};
void paintInk(Picture& p, const Ink& ink, int x, int y, const InkStyle& style);
