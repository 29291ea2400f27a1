// display_test.cpp - frame pacing arithmetic on a simulated clock, and the
// window and full-screen contexts under an X server (Xvfb in the test run).
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/display/graphics.h"

namespace {

bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}

#define REQUIRE_DISPLAY()                                                                          \
    if (!haveDisplay()) GTEST_SKIP() << "needs an X server (run under xvfb-run)"

// Runs frames on a simulated clock: each frame takes `work` ms, then sleeps
// what the pacer asks. Returns the length of every frame.
std::vector<int64_t> runFrames(FramePacer& pacer, int64_t& clock, int frames, int work) {
    std::vector<int64_t> lengths;
    for (int i = 0; i < frames; ++i) {
        const int64_t start = clock;
        clock += work;
        clock += pacer.frameWait(clock);
        lengths.push_back(clock - start);
    }
    return lengths;
}

struct PacingCase {
    int hertz;
    int frames;
    int work;
    int64_t total;
    int64_t shortest, longest;
};

TEST(DisplayPacer, FramesFillWholeSeconds) {
    const PacingCase cases[] = {
        {60, 600, 0, 10000, 16, 17}, // ten seconds, never 9600
        {60, 600, 12, 10000, 16, 17}, {60, 60, 0, 1000, 16, 17},   {60, 1, 0, 16, 16, 16},
        {50, 500, 3, 10000, 20, 20},  {75, 750, 0, 10000, 13, 14}, {70, 70, 0, 1000, 14, 15},
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz, " << c.frames << " frames");
        FramePacer pacer;
        int64_t clock = 5000;
        pacer.reset(c.hertz, clock);
        EXPECT_TRUE(pacer.softSync);
        EXPECT_EQ(pacer.period, 1000 / c.hertz);
        EXPECT_EQ(pacer.remainder, 1000 - (1000 / c.hertz) * c.hertz);
        const std::vector<int64_t> lengths = runFrames(pacer, clock, c.frames, c.work);
        EXPECT_EQ(clock - 5000, c.total);
        for (int64_t length : lengths) {
            EXPECT_GE(length, c.shortest);
            EXPECT_LE(length, c.longest);
        }
    }
}

TEST(DisplayPacer, LateFrameIsNotMadeUp) {
    FramePacer pacer;
    int64_t clock = 0;
    pacer.reset(60, clock);
    runFrames(pacer, clock, 30, 2);
    const int64_t lateStart = clock;
    clock += 40; // one slow frame
    EXPECT_EQ(pacer.frameWait(clock), 0);
    EXPECT_EQ(pacer.nextTime, lateStart + 40);
    // The schedule restarts from now: the following frames are of normal
    // length, none shortened to win back the lost time.
    const std::vector<int64_t> after = runFrames(pacer, clock, 120, 0);
    for (int64_t length : after) {
        EXPECT_GE(length, 16);
        EXPECT_LE(length, 17);
    }
    EXPECT_EQ(clock - (lateStart + 40), 2000);
}

TEST(DisplayPacer, ZeroHertzMeansNoPacing) {
    FramePacer pacer;
    pacer.reset(0, 100);
    EXPECT_FALSE(pacer.softSync);
    EXPECT_EQ(pacer.period, 0);
    EXPECT_EQ(pacer.frameWait(100), 0);
    EXPECT_EQ(pacer.frameWait(90), 0);
}

TEST(DisplayHeadless, CallsWithoutContextDoNothing) {
    ASSERT_FALSE(graphicsOpen());
    const uint32_t generation = graphicsGeneration();
    EXPECT_NE(generation, 0u);
    closeGraphics();
    flipFrame(-1);
    flipFrame(0);
    hidePointer();
    EXPECT_EQ(graphicsGeneration(), generation);
    EXPECT_EQ(graphicsWidth(), 0);
    EXPECT_EQ(graphicsHeight(), 0);
    int x = -1, y = -1;
    graphicsViewport(&x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_FALSE(openGraphics(0, 240, 0, 60, 0));
    EXPECT_STRNE(graphicsError(), "");
    EXPECT_EQ(graphicsGeneration(), generation);
}

TEST(DisplayClock, MonotonicMilliseconds) {
    const int64_t before = millisecs();
    delayMs(20);
    const int64_t after = millisecs();
    EXPECT_GE(after - before, 20);
    delayMs(0);
    delayMs(-5);
    EXPECT_GE(millisecs(), after);
    // Never before the millisecond asked for, from any point within the present
    // one; what it reports late is at least the part of it already past.
    for (int64_t ahead : {-3, 0, 1, 2, 7}) {
        const int64_t target = millisecs() + ahead;
        const int64_t lateUs = delayUntilMs(target);
        EXPECT_GE(millisecs(), target) << ahead;
        EXPECT_GE(lateUs, std::max<int64_t>(0, -ahead * 1000)) << ahead;
        EXPECT_LE(lateUs / 1000, millisecs() - target) << ahead;
    }
}

TEST(DisplayWindow, WindowHasExactClientAreaAndPlace) {
    REQUIRE_DISPLAY();
    setGraphicsDefaultFlags(BACK_BUFFER);
    setWindowTitle("Display Test");
    const uint32_t generation = graphicsGeneration();
    ASSERT_TRUE(openGraphics(640, 480, 0, 60, 0)) << graphicsError();
    EXPECT_TRUE(graphicsOpen());
    EXPECT_EQ(graphicsGeneration(), generation + 1);
    EXPECT_EQ(graphicsWidth(), 640);
    EXPECT_EQ(graphicsHeight(), 480);

    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    int w = 0, h = 0, x = 0, y = 0;
    SDL_GetWindowSize(window, &w, &h);
    SDL_GetWindowPosition(window, &x, &y);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(x, 32);
    EXPECT_EQ(y, 32);
    const Uint32 flags = SDL_GetWindowFlags(window);
    EXPECT_FALSE(flags & SDL_WINDOW_RESIZABLE);
    EXPECT_FALSE(flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Display Test");

    int major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    EXPECT_GE(major * 10 + minor, 21);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    closeGraphics();
    EXPECT_FALSE(graphicsOpen());
    EXPECT_EQ(graphicsGeneration(), generation + 2);
    EXPECT_EQ(graphicsWidth(), 0);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
}

TEST(DisplayWindow, TexturesSurviveReopening) {
    REQUIRE_DISPLAY();
    setGraphicsDefaultFlags(BACK_BUFFER);
    ASSERT_TRUE(openGraphics(320, 240, 0, 60, 0)) << graphicsError();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const unsigned char pixel[4] = {10, 20, 30, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    ASSERT_TRUE(glIsTexture(texture));
    for (int size : {640, 800, 320}) {
        ASSERT_TRUE(openGraphics(size, size * 3 / 4, 0, 60, 0)) << graphicsError();
        EXPECT_EQ(graphicsWidth(), size);
        EXPECT_TRUE(glIsTexture(texture)) << "after reopening at " << size;
    }
    unsigned char back[4] = {};
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(std::memcmp(back, pixel, 4), 0);
    glDeleteTextures(1, &texture);
    closeGraphics();
}

// Reads one pixel of the frame just presented (window coordinates, y up).
// The back buffer is read: Mesa's software driver keeps it across a swap,
// while its front buffer of a double-buffered window reads back black.
void presentedPixel(int x, int y, unsigned char rgba[4]) {
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

TEST(DisplayFullScreen, SmallerModeIsCentredOnBlack) {
    REQUIRE_DISPLAY();
    setGraphicsDefaultFlags(BACK_BUFFER);
    int desktopWidth = 0, desktopHeight = 0;
    ASSERT_TRUE(desktopSize(&desktopWidth, &desktopHeight));
    ASSERT_TRUE(openGraphics(640, 480, 16, 60, 0)) << graphicsError();
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);

    // The largest 4:3 picture that fits, centred.
    int pictureWidth = w, pictureHeight = w * 3 / 4;
    if (pictureHeight > h) {
        pictureHeight = h;
        pictureWidth = h * 4 / 3;
    }
    if (w == 640 && h == 480) GTEST_SKIP() << "the display gave the exact mode";
    EXPECT_EQ(graphicsWidth(), pictureWidth);
    EXPECT_EQ(graphicsHeight(), pictureHeight);
    int x = 0, y = 0;
    graphicsViewport(&x, &y);
    EXPECT_EQ(x, (w - pictureWidth) / 2);
    EXPECT_EQ(y, (h - pictureHeight) / 2);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], x);
    EXPECT_EQ(viewport[1], y);
    EXPECT_EQ(viewport[2], pictureWidth);
    EXPECT_EQ(viewport[3], pictureHeight);

    // Clear everything red: only the picture may show it.
    // A few frames, so the window has settled into its mode on the server.
    for (int frame = 0; frame < 10; ++frame) {
        SDL_PumpEvents();
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        flipFrame(-1);
    }
    unsigned char centre[4] = {}, border[4] = {255, 255, 255, 255};
    presentedPixel(w / 2, h / 2, centre);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    if (y > 0)
        presentedPixel(w / 2, 0, border);
    else
        presentedPixel(0, h / 2, border);
    EXPECT_EQ(border[0], 0);
    EXPECT_EQ(border[1], 0);
    EXPECT_EQ(border[2], 0);

    closeGraphics();
    EXPECT_EQ(graphicsWidth(), 0);
    int x2 = -1, y2 = -1;
    graphicsViewport(&x2, &y2);
    EXPECT_EQ(x2, 0);
    EXPECT_EQ(y2, 0);
}

TEST(DisplayDeathTest, NoFullScreenWindowAtAllEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // SDL's dummy video driver makes no OpenGL windows of any kind.
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            openGraphics(640, 480, 16, 60, 0);
        },
        testing::ExitedWithCode(255), "GLGraphicsDriver failed to set display mode");
}

TEST(DisplayDeathTest, NoWindowIsAFailureNotAnEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            const bool opened = openGraphics(640, 480, 0, 60, 0);
            std::fprintf(stderr, "opened %d: %s\n", opened, graphicsError());
            std::exit(opened || graphicsOpen() || graphicsWidth() != 0 ? 1 : 3);
        },
        testing::ExitedWithCode(3), "opened 0: window: .+");
}

} // namespace
