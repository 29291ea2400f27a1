// write_folder_test.cpp - where the settings and screenshots go: the player's
// folder named from XDG_DATA_HOME and HOME, and the choice between the
// program's folder and that one as an ordinary player makes it. Run as root,
// the choosing cases drop to the user nobody in their death-test child,
// because root may write into any folder.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/write_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t NOBODY = 65534;

TEST(UserGameFolder, NamedFromTheVariables) {
    struct Case {
        const char* name;
        const char* xdg;
        const char* home;
        const char* folder;
    };
    const Case cases[] = {
        {"1 only HOME", nullptr, "/home/ann", "/home/ann/.local/share/gloam-didaruv/"},
        {"2 HOME with a slash", nullptr, "/home/ann/", "/home/ann/.local/share/gloam-didaruv/"},
        {"3 XDG_DATA_HOME first", "/data", "/home/ann", "/data/gloam-didaruv/"},
        {"4 empty XDG_DATA_HOME", "", "/home/ann", "/home/ann/.local/share/gloam-didaruv/"},
        {"5 relative XDG_DATA_HOME", "data", "/home/ann", "/home/ann/.local/share/gloam-didaruv/"},
        {"6 neither", nullptr, nullptr, ""},
        {"7 relative HOME", nullptr, "ann", ""},
        {"8 root folder as HOME", nullptr, "/", "/.local/share/gloam-didaruv/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(userGameFolder(c.xdg, c.home), c.folder);
    }
}

// A folder under /tmp that nobody can reach, emptied for each test.
fs::path scratch() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir = fs::temp_directory_path() / ("gloam_write_" + std::string(info->name()) +
                                                      "_" + std::to_string(geteuid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    return dir;
}

// A folder the player may or may not write; as root the player is nobody.
fs::path folder(const fs::path& path, bool writable) {
    fs::create_directories(path);
    if (geteuid() == 0) {
        if (writable && chown(path.c_str(), NOBODY, NOBODY) != 0) ADD_FAILURE() << "chown";
        chmod(path.c_str(), 0755);
    } else {
        chmod(path.c_str(), writable ? 0755 : 0555);
    }
    return path;
}

// In the death-test child: become the ordinary player, go to the program's
// folder, choose, and report the choice on the error stream.
[[noreturn]] void chooseAsPlayer(const fs::path& program, const char* xdg, const fs::path& home) {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0))
        std::_Exit(3);
    if (chdir(program.c_str()) != 0) std::_Exit(4);
    if (xdg)
        setenv("XDG_DATA_HOME", xdg, 1);
    else
        unsetenv("XDG_DATA_HOME");
    setenv("HOME", home.c_str(), 1);
    const std::string chosen = chooseWriteFolder();
    fprintf(stderr, "chosen: [%s]\n", chosen.c_str());
    std::_Exit(0);
}

size_t entries(const fs::path& dir) {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

// The children fork at each case (no threads here), so every check after a
// case sees what that case's child made.
TEST(WriteFolderDeathTest, ProgramFolderFirstThenThePlayersFolder) {
    GTEST_FLAG_SET(death_test_style, "fast");
    struct Case {
        const char* name;
        bool programWritable;
        bool homeWritable;
        bool xdg;
        const char* chosen; // below home, or "" for the program's folder
    };
    const Case cases[] = {
        {"1 portable folder", true, true, false, ""},
        {"2 installed, default place", false, true, false, ".local/share/gloam-didaruv/"},
        {"3 installed, XDG_DATA_HOME", false, true, true, "xdg/gloam-didaruv/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = scratch();
        const fs::path program = folder(dir / "program", c.programWritable);
        const fs::path home = folder(dir / "home", c.homeWritable);
        const std::string xdg = (home / "xdg").string();
        const std::string expected = c.chosen[0] ? (home / c.chosen).string() : "";
        EXPECT_EXIT(chooseAsPlayer(program, c.xdg ? xdg.c_str() : nullptr, home),
                    testing::ExitedWithCode(0), "^chosen: \\[" + expected + "\\]\n$");
        // The probe leaves nothing behind; the player's folder is private.
        EXPECT_EQ(entries(program), 0u);
        if (c.chosen[0]) {
            struct stat info;
            ASSERT_EQ(stat(expected.c_str(), &info), 0);
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            EXPECT_EQ(info.st_mode & 0777, 0700u);
        }
    }
    fs::remove_all(scratch());
}

TEST(WriteFolderDeathTest, NeitherWritableEndsTheProgramWritingNothing) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const fs::path dir = scratch();
    const fs::path program = folder(dir / "program", false);
    const fs::path home = folder(dir / "home", false);
    EXPECT_EXIT(chooseAsPlayer(program, nullptr, home), testing::ExitedWithCode(255),
                "^Cannot write configuration file\n$");
    // An existing but read-only folder of the game's counts as unwritable too.
    const fs::path other = folder(dir / "other", true);
    folder(other / ".local/share/gloam-didaruv", false);
    EXPECT_EXIT(chooseAsPlayer(program, nullptr, other), testing::ExitedWithCode(255),
                "^Cannot write configuration file\n$");
    EXPECT_EQ(entries(program), 0u);
    EXPECT_EQ(entries(home), 0u);
    fs::remove_all(dir);
}

} // namespace
