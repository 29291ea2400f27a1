// contact.cpp - the coarse window and the contact rule built on it.
//
//   if (touches(playerPicture, player.x, player.y, player.frame, spike, x, y, 0)) ...
#include "engine/collision/contact.h"

#include <cstdint>

#include "engine/collision/collision.h"
#include "engine/resources/image.h"

bool isNear(int x1, int y1, int reachX, int x2, int y2, int reachY) {
    // In 64 bits: a baddie from a hand-edited record may stand near the ends of int.
    const int64_t x = x2, y = y2;
    return x - reachX <= x1 && x1 <= x + reachX && y - reachY <= y1 && y1 <= y + reachY;
}

bool touches(const Image* mover, int moverX, int moverY, int moverFrame, const Image* other,
             int otherX, int otherY, int otherFrame) {
    // The window is measured from the mover's top-left corner, so a picture
    // level with the mover's lower half is out of reach.
    return isNear(moverX, moverY, imageWidth(mover), otherX, otherY, imageHeight(other)) &&
           imagesOverlap(mover, moverX, moverY, moverFrame, other, otherX, otherY, otherFrame);
}
