// hardening_levels_test.cpp - level files as a designer might leave them
// (missing, empty, binary, a line of a megabyte, a thousand baddies, a record
// cut short, no "#end#", blanks after keywords, odd level counts, a folder or
// a named pipe where a file should be), through the game's loader, a played
// game and `gloam-level check`. Each must give either a sound world or a
// message naming the file and the line, never a crash, a hang or silence.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/io/random.h"
#include "hardening_support.h"
#include "world/level_loader.h"
#include "world_test_support.h"

namespace {

using namespace hardening;

using Output = ToolOutput;

// gloam-level with these arguments, given 30 seconds: a run that does not
// end is a failure.
Output runTool(const std::string& arguments) {
    return runLevelTool(arguments, 30);
}

Output check(const fs::path& dir) {
    return runTool("check '" + dir.string() + "'");
}

class LevelHardening : public testing::Test {
  protected:
    fs::path dir = scratch();
    GameState game;
    Assets noPictures;
    std::string error;

    void SetUp() override {
        rndReset();
        game.levelDirectory = dir.string();
    }
    // levels.txt with `count`, and level1.txt with `bytes`.
    void writeSet(const std::string& bytes, const std::string& count = "1") {
        putFile(dir / "levels.txt", count + "\n");
        putFile(dir / "level1.txt", bytes);
    }
    bool load(int level = 1) {
        error.clear();
        if (!readLevelCount(game, &error)) return false;
        game.player.level = level;
        game.loadLevelPending = 1;
        return loadLevel(game, noPictures, &error);
    }
    std::string file(int level = 1) const {
        return dir.string() + "\\level" + std::to_string(level) + ".txt";
    }
};

// ---- the loader, case by case -------------------------------------------------------------

TEST_F(LevelHardening, BrokenFilesGiveTheFileAndTheLine) {
    const struct {
        const char* name;
        std::string bytes;
        std::string message; // after "Level file <file> "
    } cases[] = {
        {"1 empty", "", "line 24: expected a baddie keyword or #end#"},
        {"2 header only", "Title\nCoin\nSpikes\nCaves\n",
         "line 24: expected a baddie keyword or #end#"},
        {"3 no #end#", goodLevel(guardRecord()), "line 36: expected a baddie keyword or #end#"},
        {"4 record cut short", goodLevel("Guard1\n5\n20\n1\n"),
         "line 36: expected a baddie keyword or #end#"},
        {"5 blank between records", goodLevel(guardRecord() + "\n" + guardRecord() + "#end#\n"),
         "line 36: expected a baddie keyword or #end#"},
        {"6 #end# with a blank after it", goodLevel("#end# \n"),
         "line 36: expected a baddie keyword or #end#"},
        {"7 one line", "just a title", "line 24: expected a baddie keyword or #end#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeSet(c.bytes);
        EXPECT_FALSE(load());
        EXPECT_EQ(error, "Level file " + file() + " " + c.message);
    }
}

TEST_F(LevelHardening, MissingFilesFolderAndPipeAreNamed) {
    EXPECT_FALSE(load());
    EXPECT_EQ(error, "Cannot open level file " + dir.string() + "\\levels.txt");

    putFile(dir / "levels.txt", "3\n");
    EXPECT_FALSE(load(1));
    EXPECT_EQ(error, "Cannot open level file " + file(1));

    fs::create_directory(dir / "level1.txt");
    EXPECT_FALSE(load(1));
    EXPECT_EQ(error, "Cannot open level file " + file(1));

    // A named pipe must not be waited on: nobody will ever write to it. The
    // load runs in a child that an alarm ends if it blocks.
    ASSERT_EQ(mkfifo((dir / "level2.txt").c_str(), 0644), 0);
    EXPECT_EXIT(
        {
            alarm(10);
            std::string message;
            game.player.level = 2;
            readLevelCount(game, &message);
            const bool loaded = loadLevel(game, noPictures, &message);
            std::fprintf(stderr, "%s\n", message.c_str());
            std::_Exit(loaded ? 1 : 0);
        },
        testing::ExitedWithCode(0), "Cannot open level file .*level2.txt");
}

TEST_F(LevelHardening, BinaryBytesNeverCrashTheLoader) {
    std::mt19937 random(1234);
    for (int i = 0; i < 200; ++i) {
        std::string bytes(static_cast<size_t>(random() % 4096), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        // Half the files get a sound header and grid, so the records are binary.
        if (i % 2) bytes = goodLevel("") + bytes;
        writeSet(bytes);
        if (!load()) {
            EXPECT_EQ(error.rfind("Level file " + file() + " line ", 0), 0u) << error;
        } else {
            EXPECT_EQ(game.air, AIR_MAX);
        }
        // The checker reads the same bytes; a few runs of the program suffice.
        if (i % 50 == 0) {
            const Output out = check(dir);
            EXPECT_TRUE(out.status == 0 || out.status == 1) << out.status;
            EXPECT_NE(out.text.find("level1.txt:"), std::string::npos);
        }
    }
}

TEST_F(LevelHardening, AMegabyteLineLoads) {
    const std::string huge(1 << 20, 'x');
    writeSet(goodLevel("#end#\n", "Coin", huge));
    ASSERT_TRUE(load()) << error;
    EXPECT_EQ(game.levelTitle, huge);
    EXPECT_EQ(check(dir).text, "1 levels ok\n");

    // As a grid row: only its first 32 characters count.
    std::string bytes = goodLevel();
    bytes.replace(bytes.find("# S"), 0, std::string(1 << 20, '1') + "\n");
    bytes.erase(bytes.find("################################\n#end#"), 33); // still 19 rows
    writeSet(bytes);
    ASSERT_TRUE(load()) << error;
    // Top border, 15 walled rows, the long row, the start row with its exit, one walled row.
    EXPECT_EQ(game.platformList.size(), 32u + 30 + 32 + 3 + 2);
    const Output row = check(dir);
    EXPECT_EQ(row.status, 0);
    // The start row is now the last but one, with no floor below: a trap.
    EXPECT_EQ(row.text, (dir / "level1.txt").string() +
                            ":21: warning: row 17 is 1048576 characters long; those after the "
                            "32nd are ignored\n" +
                            (dir / "level1.txt").string() +
                            ":22: warning: a trap at column 2 of row 18 (8 cells): the miner "
                            "gets in from the start but never out, nor to the exit or a hazard\n");

    // As a baddie keyword: an unknown kind, still a baddie with its numbers.
    writeSet(goodLevel(guardRecord(huge) + "#end#\n"));
    ASSERT_TRUE(load()) << error;
    ASSERT_EQ(game.baddieList.size(), 1u);
    EXPECT_EQ(game.baddieList[0].kind.size(), huge.size());
}

TEST_F(LevelHardening, KeywordsWithTrailingBlanksAreUnknownNotGuessed) {
    std::string bytes = goodLevel(guardRecord("Guard1 ") + "#end#\n", "Coin ");
    bytes.replace(bytes.find("Spikes"), 6, "Spikes\t");
    writeSet(bytes);
    ASSERT_TRUE(load()) << error;
    EXPECT_EQ(game.itemKindOfLevel, 0);
    EXPECT_TRUE(game.itemList.empty()) << "no item kind to inherit: the items are left out";
    EXPECT_EQ(game.spikeStyle, 0);
    ASSERT_EQ(game.baddieList.size(), 1u);
    EXPECT_EQ(game.baddieList[0].kind, "Guard1 ");
    EXPECT_EQ(game.baddieList[0].frameCount, 0);

    const Output out = check(dir);
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.text.find("level1.txt:2: error: unknown item keyword \"Coin \""),
              std::string::npos)
        << out.text;
    EXPECT_NE(out.text.find("level1.txt:3: warning: unknown spike style \"Spikes\t\""),
              std::string::npos)
        << out.text;
    EXPECT_NE(out.text.find("level1.txt:24: error: unknown baddie keyword \"Guard1 \""),
              std::string::npos)
        << out.text;
}

// ---- whole games ------------------------------------------------------------------------

// A thousand guards load and play at an ordinary pace.
TEST_F(LevelHardening, AThousandBaddiesPlay) {
    std::string records;
    for (int i = 0; i < 1000; ++i)
        records += guardRecord();
    writeSet(goodLevel(records + "#end#\n"));
    ASSERT_TRUE(load()) << error;
    EXPECT_EQ(game.baddieList.size(), 1000u);
#if defined(__SANITIZE_ADDRESS__)
    // The trap search over a thousand guards takes most of the 30 s under the
    // sanitizers; the plain build runs it, and the play below runs here too.
    EXPECT_EQ(runTool("check --no-traps '" + dir.string() + "'").status, 0);
#else
    EXPECT_EQ(check(dir).status, 0);
#endif

    Headless& s = sharedSession();
    ASSERT_TRUE(s.begin(dir.string(), 1, &error)) << error;
    play(s, 120, RIGHT);
    EXPECT_EQ(s.world().baddieList.size(), 1000u);
}

// Records with numbers at the ends of int: the guards wrap around instead
// of overflowing, and the game goes on.
TEST_F(LevelHardening, AbsurdRecordNumbersPlay) {
    const std::string records =
        "Guard1\n5\n20\n1\n0\n5\n28\n20\n20\n2147483647\n0\n5\n"  // speed
        "Guard1\n-214748364\n20\n-1\n0\n5\n28\n20\n20\n2\n0\n5\n" // far left
        "TedDisk\n5\n214748365\n1\n1\n5\n28\n-9999999\n99999999\n3\n2147483647\n-5\n"
        "Guard1\n5\n20\n2147483647\n-2147483648\n5\n28\n20\n20\n7\n9\n0\n" // directions
        "Guard1\n5\n20\n2147483647\n1\n5\n28\n20\n20\n1\n1\n1\n"           // frames
        "#end#\n";
    writeSet(goodLevel(records));
    Headless& s = sharedSession();
    ASSERT_TRUE(s.begin(dir.string(), 1, &error)) << error;
    play(s, 1);
    const Baddie& fast = s.world().baddieList[0];
    EXPECT_EQ(fast.x, static_cast<int>(40u + 2147483647u)) << "32-bit wrap";
    play(s, 600, RIGHT_JUMP);
    EXPECT_EQ(s.world().baddieList.size(), 5u);
}

TEST_F(LevelHardening, OddLevelCountsPlayLevelOneOrNameTheMissingFile) {
    const struct {
        const char* count;
        int levelCount;
    } cases[] = {{"0", 0}, {"-3", -3}, {"", 0}, {"lots", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        writeSet(goodLevel(), c.count);
        ASSERT_TRUE(load(1)) << error;
        EXPECT_EQ(game.levelCount, c.levelCount);
        EXPECT_EQ(game.player.level, 1);
        ASSERT_TRUE(load(2)) << "a level past the count wraps to level 1: " << error;
        EXPECT_EQ(game.player.level, 1);
        EXPECT_EQ(check(dir).status, 1);
    }

    // A count past the files: the game plays what exists and stops with the
    // name of the first file that is not there.
    writeSet(goodLevel(), "2147483647");
    Headless& s = sharedSession();
    ASSERT_TRUE(s.begin(dir.string(), 1, &error)) << error;
    play(s, 1);
    ASSERT_TRUE(s.begin(dir.string(), 2, &error)) << error;
    EXPECT_FALSE(s.tick(NO_KEYS, &error));
    EXPECT_EQ(error, "Cannot open level file " + file(2));
}

// ---- the checker -----------------------------------------------------------------------

TEST_F(LevelHardening, CheckerReportsOneProblemForACountPastTheFiles) {
    putFile(dir / "level1.txt", goodLevel());
    putFile(dir / "level2.txt", goodLevel());
    for (const char* count : {"3", "100000", "2147483647"}) {
        putFile(dir / "levels.txt", std::string(count) + "\n");
        const Output out = check(dir);
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(out.text, (dir / "levels.txt").string() + ":1: error: the level count is " +
                                count + ", but the last level file is level2.txt\n");
    }
    fs::remove(dir / "level1.txt");
    fs::remove(dir / "level2.txt");
    const Output none = check(dir);
    EXPECT_EQ(none.text, (dir / "levels.txt").string() +
                             ":1: error: the level count is 2147483647, but there are no level "
                             "files\n");
}

TEST_F(LevelHardening, CheckerNamesEveryBrokenFileWithoutWaiting) {
    putFile(dir / "levels.txt", "5\n");
    putFile(dir / "level1.txt", "");
    putFile(dir / "level2.txt", goodLevel("Guard1\n5\n20\n"));
    fs::create_directory(dir / "level3.txt");
    ASSERT_EQ(mkfifo((dir / "level4.txt").c_str(), 0644), 0);
    putFile(dir / "level5.txt", goodLevel(guardRecord("#end# ")));
    const Output out = check(dir);
    EXPECT_EQ(out.status, 1);
    const std::string d = dir.string();
    EXPECT_EQ(out.text, d + "/level1.txt:1: error: the file ends after 0 of the 19 grid lines\n" +
                            d +
                            "/level2.txt:27: error: record cut short: the file ends before its "
                            "horizontal direction\n" +
                            d + "/level3.txt:1: error: cannot open the level file\n" + d +
                            "/level4.txt:1: error: cannot open the level file\n" + d +
                            "/level5.txt:24: error: unknown baddie keyword \"#end# \"\n" + d +
                            "/level5.txt:36: error: no \"#end#\" line after the baddie records\n");
}

// An empty replay script is a run of no ticks; a folder is no script.
TEST_F(LevelHardening, ReplayScriptsEmptyOrNone) {
    writeSet(goodLevel());
    putFile(dir / "empty.txt", "");
    const Output empty =
        runTool("replay --levels '" + dir.string() + "' '" + (dir / "empty.txt").string() + "'");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.text, "result: ended tick=0 level=1 lives=4 score=0 completed=0\n");
    const Output folder = runTool("replay --levels '" + dir.string() + "' '" + dir.string() + "'");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.text, "gloam-level: cannot read " + dir.string() + "\n");
}

} // namespace
