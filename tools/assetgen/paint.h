// paint.h - small deterministic painting helpers shared by the procedural
// pictures: integer-hash noise (no random state, so every run paints the same
// pixels), colour mixing and filled shapes.
#pragma once

#include <cstdint>

#include "tools/assetgen/picture.h"

// A hash of a lattice point: the same inputs always give the same 0..1 value.
double latticeValue(int x, int y, uint32_t seed);
// Smooth value noise, 0..1, one lattice cell per unit.
double valueNoise(double x, double y, uint32_t seed);
// Sum of octaves of value noise, 0..1.
double fractalNoise(double x, double y, int octaves, uint32_t seed);

Rgb mix(Rgb a, Rgb b, double t); // t 0 gives a, 1 gives b (clamped)
Rgb scale(Rgb c, double f);      // brightness times f, clamped; never pure black
Rgb notBlack(Rgb c);             // pure black nudged to the near-black outline colour

void fillRect(Picture& p, int x0, int y0, int x1, int y1, Rgb c); // inclusive corners
void fillEllipse(Picture& p, double cx, double cy, double rx, double ry, Rgb c);
