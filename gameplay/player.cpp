// player.cpp - the miner: walking input, the jump, gravity, the sideways step
// and the walk cycle. Contact with tiles is decided by the terrain pass, which
// runs between inputStep and movementStep and leaves its results in
// game.terrain and in the player's falling / moving flags.
#include "gameplay/player.h"

#include "engine/audio/audio.h"
#include "engine/input/input.h"
#include "engine/render/render.h"

namespace {

constexpr int WALK_LIMIT_LEFT = 0;
constexpr int WALK_LIMIT_RIGHT = 640; // twice the screen: walking input only stops far off-screen
constexpr int JUMP_TICKS = 14;
constexpr int FACING_LEFT = 8; // frames 0..7 face right, 8..15 face left

// Space, else a joystick press not yet reported, else a held button. Read
// only in supported ticks, so a press made in the air starts the next jump.
bool jumpRequest() {
    return keyDown(KEY_SPACE) || joyHit(0, 0) > 0 || joyDown(0, 0);
}

} // namespace

void inputStep(GameState& game) {
    Player& p = game.player;
    p.movingLeft = 0;
    p.movingRight = 0;
    p.falling = 1;
    // Left wins when both are held; the joystick counts only fully deflected.
    if (keyDown(KEY_LEFT) || joyX(0) == -1.0f) {
        if (p.x > WALK_LIMIT_LEFT) p.movingLeft = 1;
    } else if (keyDown(KEY_RIGHT) || joyX(0) == 1.0f) {
        if (p.x < WALK_LIMIT_RIGHT) p.movingRight = 1;
    }
}

void drawPlayer(const GameState& game, const Assets& assets) {
    const Player& p = game.player;
    drawImage(assets.player.get(), static_cast<float>(p.x), static_cast<float>(p.y), p.frame);
}

void movementStep(GameState& game, const Assets& assets) {
    Player& p = game.player;
    const TerrainFlags& t = game.terrain;

    if (t.climbUp) {
        p.y -= 1;
        p.falling = 0;
    }
    if (p.falling == 0 || t.slopeJump) {
        if (jumpRequest() && p.jumping == 0) {
            playSound(assets.jump.get());
            p.jumping = 1;
            p.jumpTimer = 0;
        }
    }
    if (p.jumping) {
        p.falling = 0;
        p.jumpTimer += 1;
        if (!t.blockedAbove) p.y -= p.jumpRise;
        if (p.jumpTimer == JUMP_TICKS) p.jumping = 0;
    }
    if (p.falling) p.y += 1;
    if (p.movingLeft && !t.blockedLeft) p.x -= 1;
    if (p.movingRight && !t.blockedRight) p.x += 1;
    if (p.movingLeft + p.movingRight == 0) {
        // Standing keeps the facing of the last walk.
        p.frameTimer = 0;
        p.frame = p.frame < p.frameCount / 2 ? 0 : FACING_LEFT;
    }
}

void walkAnimation(Player& p) {
    if (p.movingLeft) {
        p.frameTimer += 1;
        if (p.frame < FACING_LEFT) p.frame = FACING_LEFT; // turning keeps the timer
        if (p.frameTimer == p.frameDelay) {
            p.frameTimer = 0;
            p.frame += 1;
            if (p.frame == 2 * FACING_LEFT) p.frame = FACING_LEFT;
        }
    }
    if (p.movingRight) {
        p.frameTimer += 1;
        if (p.frame >= FACING_LEFT) {
            p.frame = 0;
            p.frameTimer = 0;
        }
        if (p.frameTimer == p.frameDelay) {
            p.frameTimer = 0;
            p.frame += 1;
            if (p.frame == FACING_LEFT) p.frame = 0;
        }
    }
}
