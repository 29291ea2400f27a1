// screenshot_test.cpp - screenshot names and the search for the first free one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "shell/screenshot.h"

namespace fs = std::filesystem;

namespace {

TEST(ScreenshotName, PaddedToThreeDigits) {
    EXPECT_EQ(screenshotName(0), "screen000.jpg");
    EXPECT_EQ(screenshotName(7), "screen007.jpg");
    EXPECT_EQ(screenshotName(42), "screen042.jpg");
    EXPECT_EQ(screenshotName(999), "screen999.jpg");
    EXPECT_EQ(screenshotName(1000), "screen1000.jpg");
}

class ScreenshotFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/gloam_shotsXXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }
    void touch(const std::string& name) { std::ofstream(dir / name) << "x"; }
    std::string next() { return fs::path(nextScreenshotName(dir.string())).filename(); }
    fs::path dir;
};

TEST_F(ScreenshotFolder, FirstFreeNameFillsGaps) {
    EXPECT_EQ(next(), "screen000.jpg");
    touch("screen000.jpg");
    touch("screen002.jpg");
    EXPECT_EQ(next(), "screen001.jpg");
    touch("screen001.jpg");
    EXPECT_EQ(next(), "screen003.jpg");
    fs::remove(dir / "screen001.jpg"); // a deleted file leaves a gap, filled first
    EXPECT_EQ(next(), "screen001.jpg");
}

TEST_F(ScreenshotFolder, FolderOfTheSameNameIsSkipped) {
    fs::create_directory(dir / "screen000.jpg");
    EXPECT_EQ(next(), "screen001.jpg");
}

TEST_F(ScreenshotFolder, PastNineHundredAndNinetyNine) {
    for (int n = 0; n < 1000; ++n)
        touch(screenshotName(n));
    EXPECT_EQ(next(), "screen1000.jpg");
}

TEST_F(ScreenshotFolder, WithoutAWindowNothingIsWritten) {
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    saveScreenshot();
    fs::current_path(old);
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
