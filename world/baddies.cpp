// Placeholder so the program links while this module is being written.
#include "world/baddies.h"
void stepBaddieFrame(Baddie&) {}
void baddiePass(GameState&, const Assets&) {}
