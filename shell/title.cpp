// Placeholder so the program links while this module is being written.
#include "shell/title.h"
const std::string& scrollerText() { static const std::string text; return text; }
void titleScreen(Game& game) { game.shell.quitProgram = 1; }
