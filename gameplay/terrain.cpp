// terrain.cpp - the terrain pass: every tile near the miner is tested pixel by
// pixel against the collision mask (playermask.bmp, frame 0) shifted by a
// pixel or two, and its effect lands in the per-tick flags that movementStep
// reads. Every tile is also animated and drawn here, near or not.
//
// The tile pictures' opaque shapes are part of the rules: a slope is a slope
// because its picture is a staircase of pixels.
#include "gameplay/terrain.h"

#include <cstddef>
#include <cstdint>

#include "engine/collision/collision.h"
#include "engine/render/render.h"
#include "gameplay/exit.h"

namespace {

constexpr int MASK_HEIGHT = 20;
constexpr int CRUMBLE_STEP_TICKS = 6;
constexpr int CRUMBLED_FRAME = 4;
constexpr int CONVEYOR_STEP_TICKS = 4;
constexpr int CONVEYOR_FRAMES = 2;

// The collision mask at the player's position plus (dx, dy) against the
// tile picture where the tile stands; both frame 0.
struct Contact {
    const Image* mask;
    const Image* picture;
    const Player& player;
    const Platforms& tile;
    bool at(int dx, int dy) const {
        return imagesOverlap(mask, player.x + dx, player.y + dy, 0, picture, tile.x, tile.y, 0);
    }
};

bool risesLeft(int kind) {
    return kind == TILE_STAIRS_LEFT || kind == TILE_ROOF_LEFT;
}
bool risesRight(int kind) {
    return kind == TILE_STAIRS_RIGHT || kind == TILE_ROOF_RIGHT;
}

void slopeContact(GameState& game, const Contact& c, int kind) {
    Player& p = game.player;
    TerrainFlags& t = game.terrain;
    if (!risesLeft(kind) && !risesRight(kind)) return;
    if (c.at(0, 0)) {
        p.falling = 0;
        if (risesLeft(kind) ? p.movingLeft : p.movingRight) t.climbUp = 1;
    }
    if (c.at(0, 2)) {
        if (risesLeft(kind) ? p.movingRight : p.movingLeft) t.slopeJump = 1;
    }
}

// Standing: the tile's top row exactly one row below the feet.
void supportContact(GameState& game, const Contact& c, Platforms& tile) {
    Player& p = game.player;
    if (tile.y != p.y + MASK_HEIGHT || !c.at(0, 1)) return;
    p.falling = 0;
    if (tile.kind == TILE_CRUMBLING) tile.steppedOn = 1;
    if (tile.kind == TILE_CONVEYOR_LEFT) {
        p.movingLeft = 1;
        p.movingRight = 0;
    }
    if (tile.kind == TILE_CONVEYOR_RIGHT) {
        p.movingLeft = 0;
        p.movingRight = 1;
    }
}

void wallAndCeilingContact(GameState& game, const Contact& c, const Platforms& tile) {
    const Player& p = game.player;
    TerrainFlags& t = game.terrain;
    if (tile.kind == TILE_SOLID) {
        if (tile.x > p.x && c.at(1, 0)) t.blockedRight = 1;
        if (tile.x < p.x && c.at(-1, 0)) t.blockedLeft = 1;
    }
    if (tile.kind == TILE_SOLID || tile.kind == TILE_STAIRS_LEFT ||
        tile.kind == TILE_STAIRS_RIGHT) {
        if (c.at(0, -1)) t.blockedAbove = 1;
    }
}

// Animates and draws one tile; false when a crumbling tile has just gone.
bool animateAndDraw(Platforms& tile, Image* picture) {
    const float x = static_cast<float>(tile.x);
    const float y = static_cast<float>(tile.y);
    switch (tile.kind) {
    case TILE_CRUMBLING:
        // A step once begun completes even when the player walks off.
        if (tile.steppedOn) {
            tile.animTimer += 1;
            if (tile.animTimer == CRUMBLE_STEP_TICKS) {
                tile.steppedOn = 0;
                tile.animTimer = 0;
                tile.animFrame += 1;
            }
        }
        if (tile.animFrame == CRUMBLED_FRAME) return false;
        drawImage(picture, x, y, tile.animFrame);
        return true;
    case TILE_CONVEYOR_LEFT:
    case TILE_CONVEYOR_RIGHT:
        tile.animTimer += 1;
        if (tile.animTimer == CONVEYOR_STEP_TICKS) {
            tile.animTimer = 0;
            tile.animFrame += 1;
            if (tile.animFrame == CONVEYOR_FRAMES) tile.animFrame = 0;
        }
        drawImage(picture, x, y, tile.animFrame);
        return true;
    default:
        drawImage(picture, x, y, 0);
        return true;
    }
}

} // namespace

void terrainPass(GameState& game, const Assets& assets) {
    PlatformList& tiles = game.platformList;
    const Image* mask = assets.playerMask.get();
    // By index: a crumbled tile is erased where it stands and the walk goes
    // on with its successor, which has moved into the same index.
    for (size_t i = 0; i < tiles.size();) {
        Platforms& tile = tiles[i];
        Image* picture = platformPicture(assets, tile.pictureId);
        const Player& p = game.player;
        const bool near = isNear(tile.x, tile.y, imageWidth(picture), p.x, p.y, MASK_HEIGHT);
        if (near) {
            const Contact contact{mask, picture, p, tile};
            const int feet = p.y + MASK_HEIGHT;
            if (feet <= tile.y + imageHeight(picture)) slopeContact(game, contact, tile.kind);
            if (tile.kind != TILE_EXIT) supportContact(game, contact, tile);
            wallAndCeilingContact(game, contact, tile);
        }
        if (tile.kind == TILE_EXIT) {
            exitRule(game, assets, tile, near); // tests, animates and draws the door
        } else if (!animateAndDraw(tile, picture)) {
            tiles.erase(tiles.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
}
