// title.cpp - the title screen: the title picture, the scroller between its
// two end pictures, the title tune, and the keys that start a game (F1, the
// joystick's second button or a pad's Start), quit (Esc), switch the music
// (M) and change the display (W, S). F10 saves the presented frame.
#include "shell/title.h"

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/io/convert.h"
#include "engine/render/font.h"
#include "engine/render/render.h"
#include "shell/screenshot.h"

const std::string& scrollerText() {
    static const std::string text =
        "........  Welcome to Gloam Didaruv!  Guide the little miner through caves, woods "
        "and abbeys: pick up every item, then reach the exit before the air runs out.  "
        "Mind the spikes and keep clear of everything that moves.  Press F1 or the "
        "joystick's second button to start.  Walk with the cursor keys and jump with "
        "space (or the stick and its first button).  H pauses the game, M switches the "
        "music on and off, W swaps window and full screen, S changes the window size and "
        "F10 saves a screenshot.  Q gives up a game and Esc quits.  Visit our web site "
        "for the latest version of this and other games";
    return text;
}

void ScrollerState::reset() {
    text = scrollerText();
    x = SCROLLER_LEFT;
}

void ScrollerState::rotate() {
    if (text.empty()) return;
    const int w = textWidth(leftString(text, 1));
    if (x + w < SCROLLER_LEFT) {
        x += w;
        text = subString(text, 2) + leftString(text, 1);
    }
}

std::string ScrollerState::visible() const {
    return leftString(text, SCROLLER_CHARS);
}

namespace {

enum class TitleChoice { Stay, Play, Quit };

TitleChoice titleKeys(Game& game) {
    Shell& shell = game.shell;
    if (keyHit(KEY_F1) || joyDown(1, 0) || padHit(PAD_START, 0)) return TitleChoice::Play;
    if (keyHit(KEY_ESCAPE)) return TitleChoice::Quit;
    if (keyHit(KEY_M)) {
        shell.musicOn = !shell.musicOn;
        if (shell.musicOn)
            playSound(game.assets.musicTitle.get(), shell.musicChannel);
        else
            stopChannel(shell.musicChannel);
    }
    if (keyHit(KEY_W)) shell.screen.toggleFullScreen();
    if (keyHit(KEY_S)) shell.screen.cycleScale(0);
    return TitleChoice::Stay;
}

} // namespace

void drawTitleFrame(const Assets& assets, ScrollerState& scroller) {
    drawImage(assets.titleScreen.get(), 0, 0, 0);
    scroller.rotate();
    drawText(scroller.visible(), static_cast<float>(scroller.x), SCROLLER_Y);
    drawImage(assets.scrollLeft.get(), 48, 184, 0);
    drawImage(assets.scrollRight.get(), 256, 184, 0);
    scroller.advance();
}

void titleScreen(Game& game) {
    Shell& shell = game.shell;
    const Assets& a = game.assets;

    flushKeys();
    // The channel of the last visit or game is given back before a new one
    // is reserved, so a long run never runs out of them.
    freeChannel(shell.musicChannel);
    shell.musicChannel = allocChannel();
    if (shell.musicOn) playSound(a.musicTitle.get(), shell.musicChannel);
    ScrollerState scroller;
    scroller.reset();

    for (;;) {
        drawTitleFrame(a, scroller);
        if (shell.screen.labelTimer > 0) shell.screen.drawModeLabel();

        // Leaving to play keeps this frame unpresented: the slide starts from it.
        const TitleChoice choice = titleKeys(game);
        if (choice == TitleChoice::Quit) shell.quitProgram = 1;
        if (choice != TitleChoice::Stay) break;

        flipFrame(-1);
        if (keyHit(KEY_F10)) saveScreenshot(game.shell.writeFolder);
        if (terminateRequested()) exitProgram(game);
    }
    stopChannel(shell.musicChannel);
}
