// main.cpp - the program: start-up in its fixed order, then the title screen
// and games until Esc on the title screen (or a close request) ends it.
#include <csignal>
#include <string>

#include "engine/audio/audio.h"
#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/io/runtime_error.h"
#include "engine/render/render.h"
#include "engine/resources/resource_store.h"
#include "shell/flow.h"
#include "shell/game.h"
#include "shell/hud.h"
#include "shell/play_loop.h"
#include "shell/title.h"
#include "shell/write_folder.h"
#include "world/level_loader.h"

int main(int argc, char** argv) {
    (void)argc;
    enterProgramDirectory(argv[0]);
    installTerminateHandler();
    registerEmbeddedResources();

    static Game game; // lives to the end of the process; exitProgram never returns
    game.world.startLevel = 1;
    setGraphicsDefaultFlags(BACK_BUFFER);
    setWindowTitle("Gloam Didaruv");
    game.shell.writeFolder = chooseWriteFolder();
    readSettings(game.shell.screen, game.shell.writeFolder + SETTINGS_FILE);
    game.shell.screen.apply();
    // After the display opens, which they would only slow down; the sounds
    // only after the loading picture, for the same reason.
    beginLoadingPictures(game.assets);

    showLoadingPicture();
    audioOpen();
    loadAssetsForTitle(game.assets); // starts the sounds: all but the title tune decode on

    std::string error;
    if (!readLevelCount(game.world, &error)) runtimeError(error);
    game.shell.musicOn = 1;
    game.shell.quitProgram = 0;
    game.world.quitToTitle = 0;
    game.world.airMax = AIR_MAX;
    game.world.tileSize = TILE_SIZE;
    joyCount();

    for (;;) {
        titleScreen(game);
        if (game.shell.quitProgram) exitProgram(game);
        newGame(game);
        while (!playLoopOver(game)) {
            if (!playTick(game, &error)) runtimeError(error);
        }
        if (!game.world.quitToTitle) gameOver(game);
        stopChannel(game.shell.musicChannel);
        game.world.quitToTitle = 0;
    }
}
