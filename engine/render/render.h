// render.h - the immediate-mode 2D renderer: one DrawState per graphics
// context, quads for pictures and rectangles, and reading pixels back.
//
// Every call does nothing when no graphics context is open, so the rules of
// the game can run (and be tested) without a window.
#pragma once

#include "engine/pixels/pixel_buffer.h"
#include "engine/resources/image.h"

constexpr int MASK_BLEND = 1;  // alpha test at one half, no blending
constexpr int SOLID_BLEND = 2; // replace
constexpr int ALPHA_BLEND = 3; // src * a + dst * (1 - a)
constexpr int LIGHT_BLEND = 4; // src * a + dst
constexpr int SHADE_BLEND = 5; // dst * src

// ---- State ---------------------------------------------------------------------
void setColor(int red, int green, int blue); // clamped to 0..255
void setAlpha(float alpha);                  // stored as given, clamped when applied
float getAlpha();
void setBlend(int mode);
int getBlend();
void getColor(int* red, int* green, int* blue);
// Every newly opened context starts with the default DrawState (white, alpha
// 1, MASK_BLEND), noticed by its graphics generation; without a context the
// state keeps what was set.

// ---- Drawing ----------------------------------------------------------------
void clearScreen();
void drawRect(float x, float y, float width, float height);
void drawImage(Image* image, float x, float y, int frame);
void drawImageRect(Image* image, float x, float y, float width, float height,
                   int frame); // negative size mirrors

// ---- Pictures from the screen ----------------------------------------------------
ImagePtr createImage(int width, int height, int frames, int flags); // DYNAMIC_IMAGE always added
void grabImage(Image* image, int x, int y, int frame);              // window pixels, y from the top
PixelBuffer grabPixels(int x, int y, int width, int height);        // RGBA, first row at the top
