// hardening_settings_test.cpp - the settings file gloam.cfg as a player might
// leave it after editing it by hand, and the places it cannot be written to:
// a folder or a named pipe in its place, /proc, a disk that fills up. Reading
// always gives a mode the display can open; only a file that cannot be
// written ends the program, with "Cannot write configuration file".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "engine/display/graphics.h"
#include "hardening_support.h"
#include "shell/screen.h"

namespace {

using namespace hardening;

TEST(SettingsHardening, HandEditedFilesReadAsAUsableMode) {
    int desktopWidth = 0, desktopHeight = 0;
    const bool desktop = desktopSize(&desktopWidth, &desktopHeight);
    const float huge = desktop ? 1.0f : 1e20f; // without a desktop nothing limits the size
    const struct {
        const char* name;
        std::string bytes;
        int depth;
        float scale;
    } cases[] = {
        {"1 one line, no line end", "16", 16, 1.0f},
        {"2 binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18), 0, 1.0f},
        {"3 huge depth", "1e300\r\n2\r\n", 2147483647, 2.0f},
        {"4 huge scale", "0\r\n99999999999999999999\r\n", 0, huge},
        {"5 negative zero scale", "0\r\n-0\r\n", 0, 1.0f},
        {"6 depth 7 is full screen", "7\r\n2\r\n", 7, 2.0f},
        {"7 extra lines are ignored", "0\r\n2\r\n16\r\n3\r\nhello\r\n", 0, 2.0f},
        {"8 a zero byte ends the line", std::string("16\0junk\r\n2\r\n", 12), 16, 1.0f},
        {"9 byte-order mark",
         "\xEF\xBB\xBF"
         "16\r\n2\r\n",
         0, 2.0f},
        {"10 a megabyte of digits", "0\r\n" + std::string(1 << 20, '7') + "\r\n", 0, 1.0f},
        {"11 scale too small for one pixel", "0\r\n0.001\r\n", 0, 1.0f},
        {"12 one pixel wide but none high", "0\r\n0.004\r\n", 0, 1.0f},
        {"13 smallest float", "0\r\n1e-45\r\n", 0, 1.0f},
        {"14 trailing junk", "16abc\r\n2.5junk\r\n", 16, 2.5f},
        {"15 blanks around", "  16  \r\n\t2 \r\n", 16, 2.0f},
        {"16 decimal comma", "0\r\n2,5\r\n", 0, 2.0f},
        {"17 NaN depth", "nan\r\n2\r\n", 0, 2.0f},
        {"18 CR only", "16\r2\r", 162, 1.0f},
    };
    const fs::path path = scratch() / "gloam.cfg";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(path, c.bytes);
        Screen screen;
        readSettings(screen, path.string());
        EXPECT_EQ(screen.colourDepth, c.depth);
        EXPECT_EQ(screen.scale, c.scale);
        // What is read is written back exactly and reads the same again.
        writeSettings(screen, path.string());
        Screen back;
        readSettings(back, path.string());
        EXPECT_EQ(back.colourDepth, screen.colourDepth);
        EXPECT_EQ(back.scale, screen.scale);
    }
}

// A folder cannot be replaced at exit, so it fails at start-up, before any
// window opens, rather than after a game has been played.
TEST(SettingsHardeningDeathTest, AFolderInPlaceOfTheFileFailsAtStartUp) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = scratch() / "gloam.cfg";
    fs::create_directory(path);
    Screen screen;
    EXPECT_EXIT(readSettings(screen, path.string()), testing::ExitedWithCode(255),
                "^Cannot write configuration file\n$");
    EXPECT_TRUE(fs::is_directory(path));
}

// Nobody writes to a named pipe called gloam.cfg: reading must not wait for
// one. It is treated as a missing file and replaced by the defaults.
TEST(SettingsHardeningDeathTest, ANamedPipeIsNotWaitedOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = scratch() / "gloam.cfg";
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    EXPECT_EXIT(
        {
            alarm(10); // a read that blocks ends the child with SIGALRM
            Screen screen;
            readSettings(screen, path.string());
            std::_Exit(screen.colourDepth == 0 && screen.scale == 1.0f ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    ASSERT_TRUE(fs::is_regular_file(path)); // else reading it here would wait for ever
    EXPECT_EQ(fileBytes(path), "0\r\n1.00000000\r\n");
}

TEST(SettingsHardeningDeathTest, UnwritablePlacesEndTheProgramWithTheMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Screen screen;
    screen.colourDepth = 16;
    screen.scale = 2.5f;
    EXPECT_EXIT(writeSettings(screen, "/proc/gloam.cfg"), testing::ExitedWithCode(255),
                "^Cannot write configuration file\n$");
    EXPECT_EXIT(readSettings(screen, "/proc/self/gloam.cfg"), testing::ExitedWithCode(255),
                "^Cannot write configuration file\n$");
}

// A disk that fills up during the write (here a file size limit of 8 bytes)
// must fail loudly and leave the previous file as it was.
TEST(SettingsHardeningDeathTest, AFullDiskKeepsTheOldFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = scratch() / "gloam.cfg";
    putFile(path, "16\r\n2.50000000\r\n");
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 1.0f;
    EXPECT_EXIT(
        {
            limitFileSize(8);
            writeSettings(screen, path.string());
        },
        testing::ExitedWithCode(255), ""); // the limit cuts the message short too
    EXPECT_EQ(fileBytes(path), "16\r\n2.50000000\r\n");
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
}

// A file the player made read-only is still replaced: the new settings go
// to a temporary file that is renamed over it.
TEST(SettingsHardening, AReadOnlyFileIsReplaced) {
    const fs::path path = scratch() / "gloam.cfg";
    putFile(path, "0\r\n1.00000000\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Screen screen;
    screen.colourDepth = 16;
    screen.scale = 2.0f;
    writeSettings(screen, path.string());
    EXPECT_EQ(fileBytes(path), "16\r\n2.00000000\r\n");
}

} // namespace
