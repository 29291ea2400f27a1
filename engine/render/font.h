// font.h - the built-in 8 x 16 fixed-pitch font (codes 32..127) and text.
#pragma once

#include <cstdint>
#include <string>

// The table is in the resource store under this name from start-up on.
constexpr const char* FONT_RESOURCE_NAME = "builtin\\font8x16";
constexpr int FONT_TABLE_SIZE = 1536; // 16 rows x 96 cells, bit k = column k

const uint8_t* fontTable(); // the 1536-byte glyph table
void drawText(const std::string& text, float x, float y);
int textWidth(const std::string& text);  // 8 per character of 32..127
int textHeight(const std::string& text); // 16
