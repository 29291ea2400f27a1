// exit.cpp - the exit door. It stays shut and still while any item is left;
// once itemList is empty it animates, and the player's collision mask over
// it ends the level.
//
// exitRule is called by the terrain pass for every exit tile, in list order.
#include "gameplay/exit.h"

#include "engine/audio/audio.h"
#include "engine/collision/collision.h"
#include "engine/render/render.h"

namespace {

constexpr int EXIT_PICTURE = 7;
constexpr int EXIT_FRAMES = 4;
constexpr int EXIT_FRAME_TICKS = 5;

} // namespace

void exitRule(GameState& game, const Assets& assets, Platforms& tile, bool near) {
    Player& player = game.player;
    Image* door = platformPicture(assets, EXIT_PICTURE);
    const bool open = game.itemList.empty();

    // A level change already set this tick (a second exit tile under the
    // player) is not counted again: one level per tick, one success sound.
    if (near && open && !game.loadLevelPending &&
        imagesOverlap(assets.playerMask.get(), player.x, player.y, 0, door, tile.x, tile.y, 0)) {
        // Nothing waits for this sound, so it takes a slot that goes back
        // by itself when the sound ends; a reserved one would never return.
        playSound(assets.success.get());
        player.level += 1;
        game.loadLevelPending = 1;
        game.slideInPending = 1;
    }

    if (open) {
        tile.animTimer += 1;
        if (tile.animTimer >= EXIT_FRAME_TICKS) {
            tile.animTimer = 0;
            tile.animFrame += 1;
            if (tile.animFrame >= EXIT_FRAMES) tile.animFrame = 0;
        }
    }
    drawImage(door, static_cast<float>(tile.x), static_cast<float>(tile.y), tile.animFrame);
}
