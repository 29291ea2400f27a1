// collision.h - pixel-exact overlap of two image frames at two positions.
#pragma once

struct Image;

// True when some screen pixel is covered by a solid texel (alpha >= 128) of
// both frames. Frames without an alpha channel count as solid rectangles.
// None or a missing frame never overlaps. Allocates nothing after warm-up.
bool imagesOverlap(const Image* image1, int x1, int y1, int frame1, const Image* image2, int x2,
                   int y2, int frame2);
