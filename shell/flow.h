// flow.h - start-up helpers of the main program.
#pragma once

#include <string>

// Makes the folder that holds the program the working directory, so the
// levels are found beside it (and the settings and screenshots too, when the
// player can write there).
void enterProgramDirectory(const char* argv0);
// The folder part of a program path ("" when the path names no folder).
std::string programDirectory(const std::string& programPath);
// SIGTERM becomes a close request: the screens then take the exit path.
void installTerminateHandler();
// Shows gfx\loading.bmp for one frame; the picture is not kept.
void showLoadingPicture();
