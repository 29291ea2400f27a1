// screenshot.h - F10: the window as the first free screenNNN.jpg.
#pragma once

#include <string>

std::string screenshotName(int n); // "screen000.jpg", ..., "screen1000.jpg"
// The first name of the series not taken by a file or a folder in folder
// ("" = the working directory), searched from 0 so gaps are filled first.
std::string nextScreenshotName(const std::string& folder = {});
// Writes the back buffer at the window's pixel size into folder ("" = the
// working directory); silent on failure.
void saveScreenshot(const std::string& folder = {});
