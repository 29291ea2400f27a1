// Placeholder so the program links while this module is being written.
#include "engine/render/render.h"
void setColor(int, int, int) {}
void setAlpha(float) {}
float getAlpha() { return 1.0f; }
void setBlend(int) {}
int getBlend() { return MASK_BLEND; }
void getColor(int* r, int* g, int* b) { *r = *g = *b = 255; }
void resetDrawState(int, int) {}
void clearScreen() {}
void drawRect(float, float, float, float) {}
void drawImage(Image*, float, float, int) {}
void drawImageRect(Image*, float, float, float, float, int) {}
ImagePtr createImage(int, int, int, int) { return nullptr; }
void grabImage(Image*, int, int, int) {}
PixelBuffer grabPixels(int, int, int, int) { return {}; }
