// random.cpp - the game's random sequence: a multiplicative congruential
// generator (48271 modulo 2^31 - 1) whose state starts at 4660 every run.
//
//   int pick = floatToInt(rndRange(0, 3)); // 0, 1 or 2
#include "engine/io/random.h"

namespace {

constexpr int32_t START_STATE = 4660;
constexpr int32_t MODULUS = 2147483647;
int32_t state = START_STATE;

// Schrage's method: 48271 * state mod (2^31 - 1) without a 64-bit product.
// 44488 = MODULUS / 48271 and 3399 = MODULUS % 48271.
void step() {
    int32_t next = (state % 44488) * 48271 - (state / 44488) * 3399;
    if (next < 0) next += MODULUS;
    state = next;
}

} // namespace

double rndUnit() {
    step();
    int32_t hi = state & 0x1FFFFFFC;
    step();
    int32_t lo = state & 0x1FFFFFF8;
    return (hi + lo / 134217728.0) / 536870912.0;
}

double rndRange(double a, double b) {
    double u = rndUnit();
    if (b > a) return a + u * (b - a);
    return b + u * (a - b);
}

void rndSeed(int32_t seed) {
    state = seed & 0x7FFFFFFF;
    // 0 would stay 0 forever, and 2^31 - 1 is 0 modulo the modulus.
    if (state == 0 || state == MODULUS) state = START_STATE;
}

void rndReset() {
    state = START_STATE;
}

int32_t rndState() {
    return state;
}

void rndSetState(int32_t newState) {
    state = newState;
}
