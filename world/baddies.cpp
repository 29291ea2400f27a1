// baddies.cpp - the enemies' pass: patrol inside the record's box, step the
// frame by the kind's animation mode, kill on pixel contact, draw.
//
// Call baddiePass once per tick after the spike pass. stepBaddieFrame is the
// frame rule alone, for callers that want to animate without moving.
#include "world/baddies.h"

#include <cstdint>

#include "engine/collision/contact.h"
#include "engine/render/render.h"

// Move first, then turn. Only the bound ahead is looked at: +1 heads for the
// upper bound, and every other non-zero direction counts as heading for the
// lower one, so a baddie that starts beyond a bound runs on to the other.
// The step wraps at 32 bits, as every other sum of level numbers does, so a
// record with an absurd speed or direction moves somewhere odd instead of
// overflowing.
void patrolAxis(int& position, int& direction, int speed, int lowerBound, int upperBound) {
    if (direction == 0) return;
    position = static_cast<int>(static_cast<uint32_t>(position) +
                                static_cast<uint32_t>(direction) * static_cast<uint32_t>(speed));
    if (direction == 1) {
        if (position >= upperBound) direction = -direction;
    } else if (position <= lowerBound) {
        direction = static_cast<int>(0u - static_cast<uint32_t>(direction)); // -INT_MIN wraps too
    }
}

namespace {

// Ping-pong inside the first half (forward) or the second half (backward).
void pingPongInHalf(Baddie& b, bool forward, int n, int h) {
    if (forward) {
        if (b.frame > h - 1) b.frame = 0;
        if (b.frame == h - 1) b.frameStep = -1;
        if (b.frame == 0) b.frameStep = +1;
    } else {
        if (b.frame < h) b.frame = h;
        if (b.frame == n - 1) b.frameStep = -1;
        if (b.frame == h) b.frameStep = +1;
    }
    b.frame += b.frameStep;
}

void cycleInHalf(Baddie& b, bool forward, int n, int h) {
    b.frame += 1;
    if (forward) {
        if (b.frame > h - 1) b.frame = 0;
    } else if (b.frame == n || b.frame < h) {
        b.frame = h;
    }
}

} // namespace

void stepBaddieFrame(Baddie& b) {
    const int n = b.frameCount;
    const int h = n / 2;
    // Right, down, or right-and-down in sum; standing still counts as backward.
    const bool forward = static_cast<int64_t>(b.dirX) + b.dirY > 0;
    switch (b.animMode) {
    case 1:
        pingPongInHalf(b, forward, n, h);
        break;
    case 2:
        cycleInHalf(b, forward, n, h);
        break;
    case 3:
        b.frame += 1;
        if (b.frame == n) b.frame = 0;
        break;
    case 4:
        if (b.frame == n - 1) b.frameStep = -1;
        if (b.frame == 0) b.frameStep = +1;
        b.frame += b.frameStep;
        break;
    default: // 5 is a still picture; anything else changes nothing either
        break;
    }
}

void baddiePass(GameState& game, const Assets& assets) {
    const Player& player = game.player;
    Image* playerPicture = assets.player.get();
    for (Baddie& b : game.baddieList) {
        // A keyword outside the kind table has no picture: such a baddie
        // neither moves, shows nor hurts.
        if (baddieKindIndex(b.kind) < 0) continue;

        patrolAxis(b.x, b.dirX, b.speedX, b.minX, b.maxX);
        patrolAxis(b.y, b.dirY, b.speedY, b.minY, b.maxY);

        // A delay of 0 or less is never reached, so the frame stays put.
        b.frameTimer += 1;
        if (b.frameTimer == b.frameDelay) {
            b.frameTimer = 0;
            stepBaddieFrame(b);
        }

        Image* picture = baddiePicture(assets, b.kind);
        if (touches(playerPicture, player.x, player.y, player.frame, picture, b.x, b.y, b.frame))
            game.playerDied = 1;

        drawImage(picture, static_cast<float>(b.x), static_cast<float>(b.y), b.frame);
    }
}
