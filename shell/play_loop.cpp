// play_loop.cpp - one pass of the play loop. The order of the passes is the
// order of play and also the layering on screen: later passes draw over
// earlier ones.
#include "shell/play_loop.h"

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/render/render.h"
#include "gameplay/air.h"
#include "gameplay/items.h"
#include "gameplay/player.h"
#include "gameplay/spikes.h"
#include "gameplay/terrain.h"
#include "shell/hud.h"
#include "shell/screenshot.h"
#include "world/baddies.h"
#include "world/level_loader.h"
#include "world/messages.h"

namespace {

// M, W and S during play.
void shellKeys(Game& game) {
    Shell& shell = game.shell;
    if (keyHit(KEY_M)) {
        shell.musicOn = !shell.musicOn;
        if (shell.musicOn)
            playSound(game.assets.musicGame.get(), shell.musicChannel);
        else
            stopChannel(shell.musicChannel);
    }
    if (keyHit(KEY_W)) shell.screen.toggleFullScreen();
    if (keyHit(KEY_S)) shell.screen.cycleScale(0);
}

// A life is lost after the frame that showed the death has been presented.
void deathStep(Game& game) {
    GameState& g = game.world;
    if (!g.playerDied) return;
    lostLifeWait(game);
    g.player.lives -= 1;
    g.loadLevelPending = 1;
}

} // namespace

void newGame(Game& game) {
    // A game started as soon as the title shows waits for the last sounds.
    finishLoadingSounds(game.assets);
    GameState& g = game.world;
    g.slideInPending = 1;
    flushKeys();
    g.player = Player{};
    g.player.level = g.startLevel;
    g.player.frameCount = 16;
    g.livesAnim = Anim{};
    g.loadLevelPending = 1;
    g.playerDied = 0;
    g.quitToTitle = 0;
    freeChannel(game.shell.musicChannel);
    game.shell.musicChannel = allocChannel();
    if (game.shell.musicOn) playSound(game.assets.musicGame.get(), game.shell.musicChannel);
}

bool playTick(Game& game, std::string* error) {
    GameState& g = game.world;
    const Assets& a = game.assets;

    if (g.loadLevelPending && !loadLevel(g, a, error)) return false;

    airCountdown(g);
    clearScreen();
    drawBackdrop(g, a);
    inputStep(g);
    shellKeys(game);
    drawPlayer(g, a);
    g.terrain = TerrainFlags{};
    terrainPass(g, a);
    movementStep(g, a);
    itemPass(g, a);
    messagePass(g, a);
    spikePass(g, a);
    baddiePass(g, a);
    walkAnimation(g.player);
    livesIconAnimation(g);
    drawHud(game);
    if (keyHit(KEY_F10)) saveScreenshot(game.shell.writeFolder);
    if (game.shell.screen.labelTimer > 0) game.shell.screen.drawModeLabel();
    // A pad's Start pauses like H; both are read, so neither is left over
    // to end the pause at once.
    const bool pauseKey = keyHit(KEY_H) > 0;
    const bool pauseButton = padHit(PAD_START, 0) > 0;
    if (pauseKey || pauseButton) pauseScreen(game);
    flipFrame(-1);
    deathStep(game);
    if (keyHit(KEY_Q)) g.quitToTitle = 1;
    answerCloseRequest(game);
    return true;
}

bool playLoopOver(const Game& game) {
    return game.world.player.lives <= 0 || game.world.quitToTitle;
}
