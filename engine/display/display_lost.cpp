// display_lost.cpp - the Xlib fatal-error handler of the game's display.
#include "engine/display/display_lost.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstring>

namespace {

// Xlib ends the process when this returns, through exit() and so through
// the exit handlers, which would close the window on the dead connection.
// Nothing of the display is left to give back, so end here instead.
int onDisplayLost(Display*) {
    static const char message[] = "Gloam Didaruv: the connection to the display was lost\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

} // namespace

void watchDisplayConnection() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) XSetIOErrorHandler(onDisplayLost);
}
