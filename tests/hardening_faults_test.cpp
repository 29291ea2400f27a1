// hardening_faults_test.cpp - faults from outside the game while it plays: a
// joystick pulled out with the stick pushed and a button held, and a disk
// that fills up while a screenshot is written. The window-level faults (close
// requests, SIGTERM, focus loss, no sound device, read-only folders) are
// driven on the real program by tests/e2e/faults.sh.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "engine/input/input.h"
#include "engine/io/jpeg_write.h"
#include "engine/pixels/pixel_buffer.h"
#include "hardening_support.h"
#include "world_test_support.h"

namespace {

using namespace hardening;

class JoystickPulledOut : public testing::Test {
  protected:
    fs::path dir = scratch();
    int device = -1;
    SDL_Joystick* stick = nullptr;

    void SetUp() override {
        putFile(dir / "levels.txt", "1\n");
        putFile(dir / "level1.txt", goodLevel());
    }
    void TearDown() override {
        if (stick) SDL_JoystickClose(stick);
        if (device >= 0) SDL_JoystickDetachVirtual(device);
        inputReset();
    }
    // After the session's begin, which closes every port: the virtual pad
    // becomes port 0, as the first joystick of a player would be.
    bool plugIn() {
        if (joyCount() != 0) return false; // a real joystick would be port 0
        device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        stick = device >= 0 ? SDL_JoystickOpen(device) : nullptr;
        return stick && joyCount() == 1;
    }
    void pullOut() {
        SDL_JoystickClose(stick);
        stick = nullptr;
        ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
        device = -1;
    }
};

TEST_F(JoystickPulledOut, TheMinerStopsAndTheGameGoesOn) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(dir.string(), 1, &error)) << error;
    play(s, 30); // loaded and standing on the floor
    if (!plugIn())
        GTEST_SKIP() << "a joystick is attached, or no virtual joystick: " << SDL_GetError();
    const int startX = miner(s).x;
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, 32767), 0);
    play(s, 10);
    EXPECT_GT(miner(s).x, startX) << "the pushed stick walks the miner right";

    ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, 0, 1), 0); // jump held
    play(s, 3);
    pullOut();
    play(s, 60); // any jump in progress lands
    const Player landed = miner(s);
    play(s, 60);
    EXPECT_EQ(miner(s).x, landed.x) << "a pulled-out pad must not keep walking";
    EXPECT_EQ(miner(s).y, landed.y) << "nor keep jumping";
    EXPECT_EQ(miner(s).jumping, 0);
    EXPECT_EQ(joyCount(), 0);
    play(s, 20, RIGHT);
    EXPECT_GT(miner(s).x, landed.x) << "the keyboard still works";
}

// ---- screenshots on a full disk ----------------------------------------------------------

PixelBuffer noise(int width, int height) {
    PixelBuffer b = createPixelBuffer(width, height, PF_RGBA32);
    std::mt19937 random(7);
    for (uint8_t& byte : b.bytes)
        byte = static_cast<uint8_t>(random());
    return b;
}

// The file size limit stands in for a full disk; the child reports whether
// saveJpeg said it failed (bit 0 clear) and whether no file was left (bit 1
// clear).
int saveWithLimit(const PixelBuffer& pixels, const std::string& path, rlim_t bytes) {
    limitFileSize(bytes);
    const bool saved = saveJpeg(pixels, path, 75);
    return (saved ? 1 : 0) | (fs::exists(path) ? 2 : 0);
}

// A program that plays inside its own window (the level editor) keeps a close
// request for itself: the play ends as Q would end it, and the process lives on.
TEST_F(JoystickPulledOut, AHostedPlayEndsAtACloseRequest) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(dir.string(), 1, &error)) << error;
    s.game().shell.closeEndsPlayOnly = 1;
    play(s, 5);
    EXPECT_FALSE(s.over());
    inputTerminateEvent();
    ASSERT_TRUE(s.tick({}, &error)) << error;
    EXPECT_TRUE(s.over());
    EXPECT_TRUE(terminateRequested()) << "the request is the host's to answer";
    s.game().shell.closeEndsPlayOnly = 0;
    inputReset();
}

TEST(ScreenshotHardeningDeathTest, AFullDiskLeavesNoBrokenPicture) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = scratch();
    const struct {
        const char* name;
        int width, height;
        rlim_t limit;
    } cases[] = {
        {"1 fails in the middle of the data", 320, 240, 1000},
        {"2 fails only in the last, buffered bytes", 8, 8, 100},
        {"3 no room for a single byte", 8, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir / "screen000.jpg").string();
        const PixelBuffer pixels = noise(c.width, c.height);
        EXPECT_EXIT(std::_Exit(saveWithLimit(pixels, path, c.limit)), testing::ExitedWithCode(0),
                    "");
        EXPECT_FALSE(fs::exists(path));
    }
    // With room enough the same pictures are written whole.
    const std::string path = (dir / "screen001.jpg").string();
    EXPECT_TRUE(saveJpeg(noise(320, 240), path, 75));
    EXPECT_GT(fs::file_size(path), 1000u);
}

} // namespace
