// Placeholder so the program links while this module is being written.
#include "gameplay/terrain.h"
bool isNear(int, int, int, int, int, int) { return false; }
void terrainPass(GameState&, const Assets&) {}
