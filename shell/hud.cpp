// hud.cpp - the heads-up display drawn at the end of every tick, the lives
// icons' walk and the wait after a lost life.
//
// Layout: spare lives and score in the band above the level grid, the air bar
// and the level title in the band below it.
#include "shell/hud.h"

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/io/convert.h"
#include "engine/render/font.h"
#include "engine/render/render.h"
#include "world/messages.h"

namespace {

constexpr int LIVES_ICON_LEFT = 45;
constexpr int LIVES_ICON_Y = 10;
constexpr int LIVES_ICON_FRAMES = 8; // the right-facing walk of the player strip
constexpr float BAR_SCALE = 2.9f;    // pixels per percent of air
constexpr float BAR_GREEN_FROM = 200.0f;
constexpr float BAR_BLUE_FROM = 100.0f;

// Keeps the window alive (and a close request noticed) while nothing else runs.
void idleMs(Game& game, int ms) {
    pollEvents();
    answerCloseRequest(game);
    delayMs(ms);
}

} // namespace

int livesIconX(int icon, int maskWidth) {
    return LIVES_ICON_LEFT + icon * (maskWidth + 1);
}

float hudBarLength(int air, int airMax) {
    const int perPercent = airMax / 100;
    if (perPercent <= 0) return 0.0f; // no air supply to measure against
    return BAR_SCALE * static_cast<float>(air / perPercent);
}

Rgb hudBarColour(float barLength) {
    if (barLength >= BAR_GREEN_FROM) return {0, 255, 0};
    if (barLength >= BAR_BLUE_FROM) return {0, 0, 255};
    return {255, 0, 0};
}

bool hudBarIsLow(float barLength) {
    return barLength < BAR_BLUE_FROM;
}

int soundLengthMs(const Sound& sound) {
    if (sound.rate <= 0 || sound.frames <= 0) return 0;
    return static_cast<int>(static_cast<long long>(sound.frames) * 1000 / sound.rate);
}

void livesIconAnimation(GameState& game) {
    Anim& anim = game.livesAnim;
    anim.frameTimer += 1;
    if (anim.frameTimer == anim.frameDelay) {
        anim.frame += anim.frameStep;
        anim.frameTimer = 0;
        if (anim.frame == LIVES_ICON_FRAMES) anim.frame = 0;
    }
}

void drawHud(Game& game) {
    GameState& g = game.world;
    const Assets& a = game.assets;

    const int maskWidth = imageWidth(a.playerMask.get());
    for (int i = 1; i <= g.player.lives - 1; ++i)
        drawImage(a.player.get(), static_cast<float>(livesIconX(i, maskWidth)), LIVES_ICON_Y,
                  g.livesAnim.frame);

    const float barLength = hudBarLength(g.air, g.airMax);
    const Rgb colour = hudBarColour(barLength);
    if (hudBarIsLow(barLength) && !g.hurryShown) {
        addMessage(g, MSG_HURRY, 180, 120);
        g.hurryShown = 1;
    }
    setColor(colour.red, colour.green, colour.blue);
    drawRect(30, 225, barLength, 4);

    setColor(255, 0, 0);
    const int titleX = game.shell.screen.logicalWidth / 2 - textWidth(g.levelTitle) / 2;
    drawText(g.levelTitle, static_cast<float>(titleX), 228);

    setColor(0, 150, 150);
    drawText("Air", 0, 220);

    // White stays in force: every other screen draws in it.
    setColor(255, 255, 255);
    drawText("Lives: ", 10, 14);
    drawText("Score: " + intToString(g.player.score), 180, 14);
}

void lostLifeWait(Game& game) {
    Shell& shell = game.shell;
    const Sound* ow = game.assets.ow.get();
    freeChannel(shell.sfxChannel);
    shell.sfxChannel = allocChannel();
    playSound(ow, shell.sfxChannel);
    if (shell.sfxChannel) {
        while (channelPlaying(shell.sfxChannel))
            idleMs(game, 1);
        return;
    }
    // No sound device: hold the last frame for as long as the sound would
    // have played, so a death still shows; headless runs do not wait at all.
    if (!graphicsOpen() || !ow) return;
    const int64_t end = millisecs() + soundLengthMs(*ow);
    while (millisecs() < end)
        idleMs(game, 1);
}
