// screenshot.h - F10: the window as the first free screenNNN.jpg.
#pragma once

#include <string>

std::string screenshotName(int n); // "screen000.jpg", ..., "screen1000.jpg"
// Writes the back buffer at the window's pixel size; silent on failure.
void saveScreenshot();
