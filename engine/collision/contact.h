// contact.h - the one contact rule of play: a coarse window around the
// miner's corner, then the pixel test. Items, spikes and baddies all use it.
#pragma once

struct Image;

// The coarse window before any pixel test: x2 - reachX <= x1 <= x2 + reachX and
// y2 - reachY <= y1 <= y2 + reachY.
bool isNear(int x1, int y1, int reachX, int x2, int y2, int reachY);

// The mover (frame moverFrame at moverX, moverY) touches the other picture
// when the other's corner lies within the mover's width sideways and the
// other's height up or down, and the two frames share an opaque pixel.
bool touches(const Image* mover, int moverX, int moverY, int moverFrame, const Image* other,
             int otherX, int otherY, int otherFrame);
