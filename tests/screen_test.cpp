// screen_test.cpp - the display manager's scale cycle, full-screen toggle and
// size label (in windows under Xvfb), and the settings file's exact bytes and
// failure paths.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/display/graphics.h"
#include "shell/screen.h"

namespace fs = std::filesystem;

namespace {

#define REQUIRE_DISPLAY()                                                                          \
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (run under xvfb-run)"

// A fresh folder per test, inside the build folder. Death-test children run
// the test again from the start and get the same folder.
fs::path scratch() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::path(GLOAM_BINARY_DIR) / "test-scratch" /
                   (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void putFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void expectWindow(int width, int height) {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(graphicsWidth(), width);
    EXPECT_EQ(graphicsHeight(), height);
}

// ---- Scale cycle and full screen -----------------------------------------------------------

struct CycleCase {
    const char* name;
    float start;
    int n;
    float scale;
    const char* label;
    int width, height;
};

TEST(ScreenCycle, ScalesStepThroughTheCycle) {
    REQUIRE_DISPLAY();
    const CycleCase cases[] = {
        {"1 from 1.0", 1.0f, 0, 2.0f, "640x480", 640, 480},
        {"2 from 2.0", 2.0f, 0, 2.5f, "800x600", 800, 600},
        {"3 from 2.5", 2.5f, 0, 3.2f, "1024x768", 1024, 768},
        {"4 from 3.2", 3.2f, 0, 1.0f, "320x240", 320, 240},
        {"5 off-cycle 1.5", 1.5f, 0, 2.5f, "800x600", 800, 600},
        {"6 off-cycle 1.1", 1.1f, 0, 2.1f, "671x503", 671, 503},
        {"7 off-cycle 2.1 truncates", 2.1f, 0, 3.1f, "991x743", 991, 743},
        {"8 off-cycle 3.1 comes back", 3.1f, 0, 1.0f, "320x240", 320, 240},
        {"9 asked for 2", 1.0f, 2, 2.0f, "640x480", 640, 480},
        {"10 asked for 3", 1.0f, 3, 2.5f, "800x600", 800, 600},
    };
    for (const CycleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Screen screen;
        screen.colourDepth = 0;
        screen.scale = c.start;
        screen.cycleScale(c.n);
        EXPECT_EQ(screen.scale, c.scale);
        EXPECT_EQ(screen.labelTimer, 1);
        EXPECT_EQ(screen.modeLabel(), c.label);
        EXPECT_EQ(screen.windowWidth, c.width);
        EXPECT_EQ(screen.windowHeight, c.height);
        expectWindow(c.width, c.height);
    }
    closeGraphics();
}

TEST(ScreenCycle, FourPressesComeBackToTheStart) {
    REQUIRE_DISPLAY();
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 1.0f;
    screen.apply();
    expectWindow(320, 240);
    // Each step changes the one window in place: a new window would lose the
    // keys held or released during its making.
    SDL_Window* const window = SDL_GL_GetCurrentWindow();
    const SDL_GLContext context = SDL_GL_GetCurrentContext();
    const char* labels[] = {"640x480", "800x600", "1024x768", "320x240"};
    for (const char* label : labels) {
        screen.cycleScale(0);
        EXPECT_EQ(screen.modeLabel(), label);
        EXPECT_EQ(SDL_GL_GetCurrentWindow(), window) << label;
        EXPECT_EQ(SDL_GL_GetCurrentContext(), context) << label;
    }
    EXPECT_EQ(screen.scale, 1.0f);
    expectWindow(320, 240);
    closeGraphics();
}

TEST(ScreenCycle, LogicalAreaCoversTheWindow) {
    REQUIRE_DISPLAY();
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 2.0f;
    screen.apply();
    // Logical (0, 0) is the top-left corner, (320, 240) the bottom-right.
    GLdouble projection[16] = {}, modelView[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_NEAR(projection[0], 2.0 / 320, 1e-7);
    EXPECT_NEAR(projection[5], -2.0 / 240, 1e-7);
    EXPECT_NEAR(projection[10], -2.0, 1e-7);
    EXPECT_NEAR(projection[12], -1.0, 1e-7);
    EXPECT_NEAR(projection[13], 1.0, 1e-7);
    EXPECT_NEAR(projection[14], -1.0, 1e-7);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(modelView[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    closeGraphics();
}

TEST(ScreenCycle, FullScreenToggles) {
    REQUIRE_DISPLAY();
    const struct {
        int start;
        int after[2];
    } cases[] = {{0, {16, 0}}, {16, {0, 16}}, {32, {16, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        Screen screen;
        screen.colourDepth = c.start;
        screen.scale = 2.0f;
        screen.apply();
        SDL_Window* const first = SDL_GL_GetCurrentWindow();
        for (int expected : c.after) {
            screen.toggleFullScreen();
            EXPECT_EQ(SDL_GL_GetCurrentWindow(), first) << "switched in place";
            EXPECT_EQ(screen.colourDepth, expected);
            EXPECT_EQ(screen.labelTimer, 0) << "W shows no label";
            SDL_Window* window = SDL_GL_GetCurrentWindow();
            ASSERT_NE(window, nullptr);
            const bool fullScreen = SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN;
            EXPECT_EQ(fullScreen, expected != 0);
            if (expected == 0) expectWindow(640, 480);
        }
    }
    closeGraphics();
}

TEST(ScreenLabel, ShownForFiftyNineFrames) {
    REQUIRE_DISPLAY();
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 1.0f;
    screen.cycleScale(0);
    std::vector<int> timers;
    while (screen.labelTimer > 0 && timers.size() < 100) {
        screen.drawModeLabel();
        timers.push_back(screen.labelTimer);
    }
    ASSERT_EQ(timers.size(), 59u);
    for (size_t i = 0; i + 1 < timers.size(); ++i)
        EXPECT_EQ(timers[i], static_cast<int>(i) + 2);
    EXPECT_EQ(timers.back(), 0);
    // Another S while showing restarts it at the new size.
    screen.cycleScale(0);
    screen.drawModeLabel();
    screen.cycleScale(0);
    EXPECT_EQ(screen.labelTimer, 1);
    EXPECT_EQ(screen.modeLabel(), "1024x768");
    closeGraphics();
}

// ---- Settings file ---------------------------------------------------------------------------

TEST(ScreenSettings, MissingFileIsCreatedWithDefaults) {
    const fs::path path = scratch() / "gloam.cfg";
    Screen screen;
    screen.scale = 2.5f;
    readSettings(screen, path.string());
    EXPECT_EQ(screen.colourDepth, 0);
    EXPECT_EQ(screen.scale, 1.0f);
    EXPECT_EQ(fileBytes(path), std::string("0\r\n1.00000000\r\n"));
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
}

TEST(ScreenSettings, ReadTable) {
    int desktopWidth = 0, desktopHeight = 0;
    const bool desktop = desktopSize(&desktopWidth, &desktopHeight);
    const bool fourFits = !desktop || (desktopWidth >= 1280 && desktopHeight >= 960);
    const struct {
        const char* name;
        const char* bytes;
        int depth;
        float scale;
    } cases[] = {
        {"1 defaults", "0\r\n1.00000000\r\n", 0, 1.0f},
        {"2 full screen 2.5", "16\r\n2.50000000\r\n", 16, 2.5f},
        {"3 3.2 as written", "0\r\n3.20000005\r\n", 0, 3.2f},
        {"4 depth 16.9 reads 16", "16.9\r\n2\r\n", 16, 2.0f},
        {"5 depth 32, LF only", "32\n2.00000000\n", 32, 2.0f},
        {"6 off-cycle scale kept", "0\r\n1.5\r\n", 0, 1.5f},
        {"7 negative depth is windowed", "-16\r\n2\r\n", 0, 2.0f},
        {"8 missing scale line", "16\r\n", 16, 1.0f},
        {"9 empty file", "", 0, 1.0f},
        {"10 scale 0", "0\r\n0\r\n", 0, 1.0f},
        {"11 negative scale", "0\r\n-2\r\n", 0, 1.0f},
        {"12 not a number", "0\r\nnan\r\n", 0, 1.0f},
        {"13 infinite", "0\r\ninf\r\n", 0, 1.0f},
        {"14 too large for any desktop", "0\r\n1e30\r\n", 0, desktop ? 1.0f : 1e30f},
        {"15 scale 4", "0\r\n4\r\n", 0, fourFits ? 4.0f : 1.0f},
        {"16 non-numeric depth", "abc\r\n2\r\n", 0, 2.0f},
    };
    const fs::path path = scratch() / "gloam.cfg";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(path, c.bytes);
        Screen screen;
        readSettings(screen, path.string());
        EXPECT_EQ(screen.colourDepth, c.depth);
        EXPECT_EQ(screen.scale, c.scale);
        EXPECT_EQ(fileBytes(path), c.bytes) << "reading never rewrites";
    }
}

TEST(ScreenSettings, ScalesOfTheCycleAreKeptOnAnyDesktop) {
    // A logical area as large as the desktop makes every scale above 1 too
    // large for it, as 2.5 and 3.2 are on a small monitor.
    int desktopWidth = 0, desktopHeight = 0;
    if (!desktopSize(&desktopWidth, &desktopHeight)) GTEST_SKIP() << "no desktop to be larger than";
    const struct {
        const char* text;
        float scale;
    } cases[] = {
        {"2.00000000", 2.0f}, // 1: on the cycle, too large: kept
        {"2.50000000", 2.5f}, // 2
        {"3.20000005", 3.2f}, // 3
        {"3.2", 3.2f},        // 4: the same float
        {"1.00000000", 1.0f}, // 5
        {"0.5", 0.5f},        // 6: off the cycle but usable: kept
        {"1.5", 1.0f},        // 7: off the cycle and too large: replaced
        {"4", 1.0f},          // 8
        {"3.1", 1.0f},        // 9: close to the cycle is not on it
    };
    const fs::path path = scratch() / "gloam.cfg";
    for (size_t i = 0; i < std::size(cases); ++i) {
        putFile(path, std::string("0\r\n") + cases[i].text + "\r\n");
        Screen screen;
        screen.logicalWidth = desktopWidth;
        screen.logicalHeight = desktopHeight;
        readSettings(screen, path.string());
        EXPECT_EQ(screen.scale, cases[i].scale) << "case " << i + 1;
    }
}

TEST(ScreenSettings, WriteTable) {
    const struct {
        int depth;
        float scale;
        const char* bytes;
    } cases[] = {
        {0, 1.0f, "0\r\n1.00000000\r\n"},   {16, 2.5f, "16\r\n2.50000000\r\n"},
        {0, 3.2f, "0\r\n3.20000005\r\n"},   {32, 2.0f, "32\r\n2.00000000\r\n"},
        {16, 1.5f, "16\r\n1.50000000\r\n"},
    };
    const fs::path path = scratch() / "gloam.cfg";
    putFile(path, "a much longer file than any settings file will ever be\r\n\r\n\r\n");
    for (const auto& c : cases) {
        Screen screen;
        screen.colourDepth = c.depth;
        screen.scale = c.scale;
        writeSettings(screen, path.string());
        EXPECT_EQ(fileBytes(path), c.bytes);
        EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
        Screen back;
        readSettings(back, path.string());
        EXPECT_EQ(back.colourDepth, c.depth);
        EXPECT_EQ(back.scale, c.scale);
    }
}

TEST(ScreenSettingsDeathTest, UnwritableFileEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = scratch();
    Screen screen;
    // No folder to create the file in.
    EXPECT_EXIT(readSettings(screen, (dir / "missing" / "gloam.cfg").string()),
                testing::ExitedWithCode(255), "Cannot write configuration file");
    // The folder is a plain file.
    putFile(dir / "file", "x");
    EXPECT_EXIT(writeSettings(screen, (dir / "file" / "gloam.cfg").string()),
                testing::ExitedWithCode(255), "Cannot write configuration file");
}

TEST(ScreenSettingsDeathTest, FailedWriteLeavesTheOldFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = scratch();
    const fs::path path = dir / "gloam.cfg";
    putFile(path, "16\r\n2.50000000\r\n");
    fs::create_directory(dir / "gloam.cfg.tmp"); // the temporary file cannot be made
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 1.0f;
    EXPECT_EXIT(writeSettings(screen, path.string()), testing::ExitedWithCode(255),
                "Cannot write configuration file");
    EXPECT_EQ(fileBytes(path), "16\r\n2.50000000\r\n");
}

TEST(ScreenDisplayDeathTest, NoWindowEndsTheProgramWithTheReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "x11", 1);
            setenv("DISPLAY", ":4242", 1); // no such X server
            Screen::openDisplay(320, 240, 320, 240, 0, 60);
        },
        testing::ExitedWithCode(255), "^Cannot open the game window: .+");
}

} // namespace
