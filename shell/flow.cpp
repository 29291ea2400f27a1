// flow.cpp - start-up helpers and the way out of the program.
//
// enterProgramDirectory runs first so the levels are found beside the
// program; exitProgram is the single normal exit.
#include "shell/flow.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "engine/audio/audio.h"
#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/render/render.h"
#include "engine/resources/image.h"
#include "shell/game.h"

namespace {

// Only records the request; the screens notice it at their next frame.
void onTerminate(int) {
    inputTerminateEvent();
}

} // namespace

std::string programDirectory(const std::string& programPath) {
    const size_t slash = programPath.rfind('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return programPath.substr(0, slash);
}

void enterProgramDirectory(const char* argv0) {
    std::string path;
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) {
        path.assign(buffer, static_cast<size_t>(n));
    } else if (argv0) {
        path = argv0;
    }
    const std::string folder = programDirectory(path);
    // A program found through PATH without /proc leaves no folder to go to;
    // the working directory then stays as it is.
    if (!folder.empty() && chdir(folder.c_str()) != 0) return;
}

void installTerminateHandler() {
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

void showLoadingPicture() {
    ImagePtr loading = loadImage("incbin::gfx\\loading.bmp", -1);
    drawImage(loading.get(), 0, 0, 0);
    flipFrame(-1);
}

bool answerCloseRequest(Game& game) {
    if (!terminateRequested()) return false;
    if (!game.shell.closeEndsPlayOnly) exitProgram(game);
    game.world.quitToTitle = 1;
    return true;
}

void exitProgram(Game& game) {
    writeSettings(game.shell.screen, game.shell.writeFolder + SETTINGS_FILE);
    audioClose();
    closeGraphics();
    std::exit(0);
}
