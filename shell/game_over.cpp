// game_over.cpp - the end of a game: "Game Over" wobbling apart into two rows
// while a foot comes down on the miner; Space (or joystick button 0) after
// the splat, or Esc at any time, returns to the title screen.
#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/render/font.h"
#include "engine/render/render.h"
#include "shell/hud.h"

namespace {

constexpr int WOBBLE_MAX = 13;
constexpr int FOOT_GROUND = 190; // the foot lands once its top is this low
constexpr int FOOT_SPEED = 3;

} // namespace

void GameOverState::stepWobble() {
    wobbleTick += 1;
    if (wobbleTick % 3 != 1) return;
    wobble += wobbleStep;
    if (wobble == WOBBLE_MAX || wobble == 0) {
        wobbleStep = -wobbleStep;
        wobbleTick = 0;
    }
}

FootState GameOverState::stepFoot() {
    if (splatPlayed) return FootState::Grounded;
    if (footY >= FOOT_GROUND) {
        splatPlayed = 1;
        return FootState::Landed;
    }
    footY += FOOT_SPEED;
    return FootState::Falling;
}

std::pair<std::string, std::string> interleavedHalves(const std::string& text) {
    std::string first, second;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % 2 == 0) {
            first += text[i];
            first += ' ';
        } else {
            second += ' ';
            second += text[i];
        }
    }
    return {first, second};
}

void drawInterleaved(const std::string& text, int offset) {
    const auto [first, second] = interleavedHalves(text);
    const int x = 160 - textWidth(first) / 2;
    const int baseY = 120 - textHeight(first) / 2;
    drawText(first, static_cast<float>(x), static_cast<float>(baseY + offset));
    drawText(second, static_cast<float>(x), static_cast<float>(baseY - offset));
}

void drawGameOverFrame(const Assets& assets, const GameOverState& state) {
    clearScreen();
    drawInterleaved("Game Over", state.textOffset());
    drawImage(assets.player.get(), 155, 220, 0);
    drawImage(assets.foot.get(), 115, static_cast<float>(state.footY), 0);
}

void gameOver(Game& game) {
    Shell& shell = game.shell;
    const Assets& a = game.assets;
    if (shell.musicOn) stopChannel(shell.musicChannel);
    GameOverState state;
    flushKeys();
    for (;;) {
        state.stepWobble();
        const FootState foot = state.stepFoot();
        if (foot == FootState::Landed) {
            freeChannel(shell.sfxChannel);
            shell.sfxChannel = allocChannel();
            playSound(a.splat.get(), shell.sfxChannel);
        } else if (foot == FootState::Grounded && (keyDown(KEY_SPACE) || joyDown(0, 0))) {
            return;
        }
        if (keyDown(KEY_ESCAPE)) return;
        drawGameOverFrame(a, state);
        flipFrame(-1);
        if (terminateRequested()) exitProgram(game);
    }
}
