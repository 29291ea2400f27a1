// screen.cpp - the display manager and the settings file "gloam.cfg".
//
//   Screen screen;
//   readSettings(screen);   // or create the file: windowed, scale 1.0
//   screen.apply();         // opens 320 x 240 x scale, logical 320 x 240
//   ... S: screen.cycleScale(0); W: screen.toggleFullScreen(); ...
//   writeSettings(screen);  // on the way out
//
// The file holds two CR LF lines, the colour depth (0 = windowed) and the
// scale, e.g. "0\r\n1.00000000\r\n". It is rewritten through a temporary file
// and a rename, so it is never left half written.
#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "engine/display/graphics.h"
#include "engine/io/convert.h"
#include "engine/io/runtime_error.h"
#include "engine/io/stream.h"
#include "engine/render/font.h"
#include "shell/screen.h"

namespace {

constexpr int LABEL_FRAMES = 60;
constexpr const char* WRITE_ERROR = "Cannot write configuration file";

int scaled(int length, float scale) {
    return floatToInt(static_cast<double>(length) * scale);
}

// A scale the display can use: finite, at least one pixel wide and high, and
// not wider or taller than the desktop (when there is one to ask).
bool usableScale(const Screen& screen, float scale) {
    if (!std::isfinite(scale) || scale <= 0.0f) return false;
    if (scaled(screen.logicalWidth, scale) < 1 || scaled(screen.logicalHeight, scale) < 1)
        return false;
    int desktopWidth = 0, desktopHeight = 0;
    if (!desktopSize(&desktopWidth, &desktopHeight)) return true;
    return scaled(screen.logicalWidth, scale) <= desktopWidth &&
           scaled(screen.logicalHeight, scale) <= desktopHeight;
}

// The sizes S walks through; S reaches each of them whatever the desktop.
bool onCycle(float scale) {
    return scale == 1.0f || scale == 2.0f || scale == 2.5f || scale == 3.2f;
}

// Makes the new file's bytes durable before it replaces the old one.
void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void Screen::apply() {
    windowWidth = scaled(logicalWidth, scale);
    windowHeight = scaled(logicalHeight, scale);
    openDisplay(logicalWidth, logicalHeight, windowWidth, windowHeight, colourDepth, refreshRate);
    hidePointer();
}

void Screen::cycleScale(int n) {
    if (n > 0)
        scale = static_cast<float>(n);
    else
        scale = scale + 1.0f;
    if (scale == 3.0f) scale = 2.5f;
    if (scale == 3.5f) scale = 3.2f;
    if (scale == 4.2f) scale = 1.0f;
    // An off-cycle scale from the file comes back onto the cycle instead of
    // growing without end.
    if (scale > 3.2f) scale = 1.0f;
    labelTimer = 1;
    apply();
}

void Screen::toggleFullScreen() {
    colourDepth = colourDepth == 16 ? 0 : 16;
    openDisplay(logicalWidth, logicalHeight, windowWidth, windowHeight, colourDepth, refreshRate);
    hidePointer();
}

void Screen::drawModeLabel() {
    ++labelTimer;
    if (labelTimer >= LABEL_FRAMES) labelTimer = 0;
    const std::string label = modeLabel();
    drawText(label, static_cast<float>(logicalWidth - textWidth(label) - 10), 10.0f);
}

std::string Screen::modeLabel() const {
    return intToString(scaled(logicalWidth, scale)) + "x" +
           intToString(scaled(logicalHeight, scale));
}

void Screen::openDisplay(int lw, int lh, int ww, int wh, int depth, int hertz) {
    // An open window is changed in place rather than made anew: a key
    // released during a new window's making would stay held for the
    // platform, and its next press would count as a repeat.
    if (!changeGraphics(ww, wh, depth, hertz)) {
        runtimeError(std::string("Cannot open the game window: ") + graphicsError());
    }
    // Every frame is drawn once at the logical size and enlarged as a whole
    // when presented, so the cost of a frame hardly grows with the window.
    setGraphicsCanvas(lw, lh);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, lw, lh, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void readSettings(Screen& screen, const std::string& path) {
    // Anything but a regular file counts as missing: a folder cannot be
    // rewritten at exit, so that fails now, and a named pipe would wait for ever.
    StreamPtr file = fileType(path) == 1 ? openStream(path, true, false) : nullptr;
    if (!file) {
        screen.colourDepth = 0;
        screen.scale = 1.0f;
        writeSettings(screen, path);
        return;
    }
    const std::string depthLine = readLine(*file);
    const std::string scaleLine = readLine(*file);
    closeStream(file);
    screen.colourDepth = floatToInt(stringToFloat(depthLine));
    if (screen.colourDepth < 0) screen.colourDepth = 0;
    const float scale = stringToFloat(scaleLine);
    // A size S could have chosen stays as read, even one larger than this
    // desktop; only a hand-edited one the display cannot use is replaced.
    screen.scale = onCycle(scale) || usableScale(screen, scale) ? scale : 1.0f;
}

void writeSettings(const Screen& screen, const std::string& path) {
    const std::string temporary = path + ".tmp";
    StreamPtr file = openWriteStream(temporary);
    if (!file) runtimeError(WRITE_ERROR);
    const std::string depthText = intToString(screen.colourDepth);
    const std::string scaleText = floatToString(screen.scale);
    const bool written = writeLine(*file, depthText) && writeLine(*file, scaleText);
    closeStream(file);
    // Closing can still fail to write (a full disk): check what arrived.
    const int64_t expected = static_cast<int64_t>(depthText.size() + scaleText.size() + 4);
    StreamPtr check = written ? openStream(temporary, true, false) : nullptr;
    const bool complete = check && check->size() == expected;
    closeStream(check);
    if (complete) syncFile(temporary);
    if (!complete || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        runtimeError(WRITE_ERROR);
    }
}
