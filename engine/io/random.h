// random.h - the deterministic random sequence (multiplicative congruential).
// The state starts at 4660 and the game never reseeds, so every run draws the
// same numbers; tests restore that start with rndReset().
#pragma once

#include <cstdint>

double rndRange(double a, double b); // uniform in [min(a,b), max(a,b))
double rndUnit();                    // uniform in [0, 1), two generator steps
void rndSeed(int32_t seed);          // state := seed & 0x7fffffff (0 or 0x7fffffff -> 4660)
void rndReset();                     // back to the start state 4660
int32_t rndState();                  // current state, for determinism checks
void rndSetState(int32_t state);     // restore a saved state
