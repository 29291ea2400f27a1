// screenshot.cpp - F10 writes the frame as the window shows it, at the
// window's real pixel size, as the first free screenNNN.jpg in the game's
// write folder. Nothing confirms
// it and a failure is silent: the game simply goes on.
#include "shell/screenshot.h"

#include "engine/display/graphics.h"
#include "engine/io/convert.h"
#include "engine/io/jpeg_write.h"
#include "engine/io/stream.h"
#include "engine/render/render.h"

namespace {
constexpr int SCREENSHOT_QUALITY = 75;
}

std::string screenshotName(int n) {
    std::string digits = intToString(n);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return "screen" + digits + ".jpg";
}

std::string nextScreenshotName(const std::string& folder) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int n = 0;
    while (fileType(prefix + screenshotName(n)) != 0)
        ++n;
    return prefix + screenshotName(n);
}

void saveScreenshot(const std::string& folder) {
    const PixelBuffer pixels = grabWindowPixels();
    if (pixels.width <= 0 || pixels.height <= 0) return; // no window to take
    saveJpeg(pixels, nextScreenshotName(folder), SCREENSHOT_QUALITY);
}
