// Placeholder so the program links while this module is being written.
#include "shell/screen.h"
void Screen::apply() {}
void Screen::cycleScale(int) {}
void Screen::toggleFullScreen() {}
void Screen::drawModeLabel() {}
std::string Screen::modeLabel() const { return {}; }
void Screen::openDisplay(int, int, int, int, int, int) {}
void readSettings(Screen&, const std::string&) {}
void writeSettings(const Screen&, const std::string&) {}
