// Placeholder so the program links while this module is being written.
#include "engine/io/random.h"
double rndRange(double a, double) { return a; }
double rndUnit() { return 0; }
void rndSeed(int32_t) {}
void rndReset() {}
int32_t rndState() { return 4660; }
void rndSetState(int32_t) {}
