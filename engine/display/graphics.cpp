// Placeholder so the program links while this module is being written.
#include "engine/display/graphics.h"
void FramePacer::reset(int, int64_t) {}
int FramePacer::frameWait(int64_t) { return 0; }
void setGraphicsDefaultFlags(int) {}
void setWindowTitle(const char*) {}
bool openGraphics(int, int, int, int, int) { return false; }
void closeGraphics() {}
bool graphicsOpen() { return false; }
void flipFrame(int) {}
int graphicsWidth() { return 0; }
int graphicsHeight() { return 0; }
uint32_t graphicsGeneration() { return 1; }
void hidePointer() {}
int64_t millisecs() { return 0; }
void delayMs(int) {}
