// pause.cpp - H (or a pad's Start) during play: the frozen frame swings
// through one of three picture effects under "Paused." until H or Start
// (resume) or Q or Back (give up the game).
//
// The music plays on at a quarter volume; W, S, M and F10 keep working, and
// F7 skips ahead one level per press (loaded when the pause ends).
#include "shell/hud.h"

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/io/convert.h"
#include "engine/io/random.h"
#include "engine/render/font.h"
#include "engine/render/render.h"
#include "shell/screenshot.h"

namespace {

constexpr float PAUSE_ALPHA = 0.75f;
constexpr float PAUSE_MUSIC_VOLUME = 0.25f;
constexpr const char* PAUSE_TEXT = "Paused.  Press H to continue.";

// Reopening the display (W, S) resets the drawing state, so this is redone.
void pauseDrawState() {
    setBlend(ALPHA_BLEND);
    setAlpha(PAUSE_ALPHA);
}

// The keys of one pause frame; false when the pause ends.
bool pauseKeys(Game& game) {
    Shell& shell = game.shell;
    GameState& g = game.world;
    // A pad's Start resumes like H and its Back gives up like Q.
    const bool resumeKey = keyHit(KEY_H) > 0;
    const bool resumeButton = padHit(PAD_START, 0) > 0;
    if (resumeKey || resumeButton) return false;
    const bool quitKey = keyHit(KEY_Q) > 0;
    const bool quitButton = padHit(PAD_BACK, 0) > 0;
    if (quitKey || quitButton) {
        g.quitToTitle = 1;
        return false;
    }
    if (keyHit(KEY_F10)) saveScreenshot(game.shell.writeFolder);
    if (keyHit(KEY_M)) {
        shell.musicOn = !shell.musicOn;
        if (shell.musicOn) {
            playSound(game.assets.musicGame.get(), shell.musicChannel);
            setChannelVolume(shell.musicChannel, PAUSE_MUSIC_VOLUME);
        } else {
            stopChannel(shell.musicChannel);
        }
    }
    if (keyHit(KEY_W)) {
        shell.screen.toggleFullScreen();
        pauseDrawState();
    }
    if (keyHit(KEY_S)) {
        shell.screen.cycleScale(0);
        pauseDrawState();
    }
    if (keyHit(KEY_F7)) {
        g.player.level += 1;
        g.loadLevelPending = 1;
        g.slideInPending = 1;
    }
    return true;
}

} // namespace

int pauseEffectLimit(int effect) {
    return effect == 2 ? 320 : 240;
}

Rect pauseEffectRect(int effect, int zoom) {
    switch (effect) {
    case 1:
        return {0, zoom, 320, 240 - 2 * zoom};
    case 2:
        return {zoom, 0, 320 - 2 * zoom, 240};
    default:
        return {zoom / 2, zoom / 2, 320 - zoom, 240 - zoom};
    }
}

void PauseZoom::step() {
    zoom += zoomStep;
    if (zoom <= 0 || zoom >= pauseEffectLimit(effect)) zoomStep = -zoomStep;
}

void drawPauseFrame(Image* frozen, const PauseZoom& zoom) {
    clearScreen();
    const Rect r = zoom.rect();
    drawImageRect(frozen, static_cast<float>(r.x), static_cast<float>(r.y),
                  static_cast<float>(r.width), static_cast<float>(r.height), 0);
    drawText(PAUSE_TEXT, static_cast<float>(160 - textWidth(PAUSE_TEXT) / 2),
             static_cast<float>(120 - textHeight(PAUSE_TEXT) / 2));
}

void pauseScreen(Game& game) {
    // Without a window no key can ever end the pause.
    if (!graphicsOpen()) return;
    // Back does nothing in play; a press made there must not end this pause.
    padHit(PAD_BACK, 0);
    Shell& shell = game.shell;
    GameState& g = game.world;

    g.newScreenGrab = createImage(canvasWidth(), canvasHeight(), 1, -1);
    grabImage(g.newScreenGrab.get(), 0, 0, 0);
    PauseZoom zoom;
    zoom.effect = floatToInt(rndRange(3, 0));
    const int savedBlend = getBlend();
    const int savedAlpha = floatToInt(getAlpha());
    pauseDrawState();
    if (shell.musicOn) setChannelVolume(shell.musicChannel, PAUSE_MUSIC_VOLUME);

    while (pauseKeys(game)) {
        zoom.step();
        drawPauseFrame(g.newScreenGrab.get(), zoom);
        flipFrame(-1);
        if (answerCloseRequest(game)) break;
    }

    setBlend(savedBlend);
    setAlpha(static_cast<float>(savedAlpha));
    if (shell.musicOn) setChannelVolume(shell.musicChannel, 1.0f);
}
