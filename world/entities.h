// entities.h - the plain records that make up a level: tiles, items, spikes,
// baddies, floating messages and the player. They carry no behaviour; the
// passes in gameplay/ and world/ act on them.
#pragma once

#include <string>

struct Location {
    int x = 0;
    int y = 0;
};

struct Anim : Location {
    int frame = 0;
    int frameStep = 1;  // +1 / -1 for ping-pong stepping
    int frameTimer = 0; // ticks counted towards the next frame
    int frameDelay = 5; // ticks between frame changes
    int frameCount = 0;
    int animMode = 1;
};

// Behaviour kinds of a terrain tile.
enum PlatformKind : int {
    TILE_SOLID = 1,
    TILE_CRUMBLING = 2,
    TILE_EXIT = 3,
    TILE_ONE_WAY = 4,
    TILE_CONVEYOR_LEFT = 5,
    TILE_CONVEYOR_RIGHT = 6,
    TILE_LADDER = 7,
    TILE_STAIRS_LEFT = 9,   // rising to the left
    TILE_STAIRS_RIGHT = 10, // rising to the right
    TILE_ROOF_RIGHT = 13,   // rising to the right
    TILE_ROOF_LEFT = 14,    // rising to the left
};

struct Platforms : Location {
    int kind = 0;
    int animTimer = 0;
    int animFrame = 0;
    int steppedOn = 0;
    int pictureId = 0; // 1..19
};

struct Spikes : Location {
    int pictureId = 0; // 1 spike, 2 spike2, 3 tedspike, 4 tedspike2
};

struct Coins : Anim {
    int points = 1;
    int itemKind = 0; // 1 Coin, 2 Key, 3 Cup, 4 Candle, 5 Coal
};

struct Player : Anim {
    int score = 0;
    int lives = 4;
    int jumpRise = 2;
    int movingLeft = 0;
    int movingRight = 0;
    int falling = 1;
    int jumping = 0;
    int jumpTimer = 0;
    int level = 1;
};

struct Baddie : Anim {
    std::string kind;
    int dirX = 0, dirY = 0;
    int minX = 0, maxX = 0;
    int minY = 0, maxY = 0;
    int speedX = 0, speedY = 0;
};

struct PixelMessage {
    int kind = 0; // 1 ten points, 2 exit open, 3 ouch, 4 bonus life, 5 hurry
    int x = 0;    // centre
    int y = 0;
    int life = 0; // ticks left
};
