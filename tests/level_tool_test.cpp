// level_tool_test.cpp - the replay scripts, the headless session (whole games,
// determinism) and the gloam-level program, which is run as a separate
// process on the test level sets of tests/levels/.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "world/level_loader.h"
#include "world_test_support.h"

namespace {

namespace fs = std::filesystem;

// ---- replay scripts -----------------------------------------------------------------

TEST(ReplayScript, ParsesCountsKeysCommentsAndBlankLines) {
    std::vector<ReplayStep> steps;
    std::string error;
    ASSERT_TRUE(
        parseReplay("# warm up\n10 -\n\n  3 LJ  # jump left\r\n2 RLJ\n0 R\n", &steps, &error))
        << error;
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].ticks, 10);
    EXPECT_FALSE(steps[0].left || steps[0].right || steps[0].jump);
    EXPECT_EQ(steps[1].ticks, 3);
    EXPECT_TRUE(steps[1].left && steps[1].jump && !steps[1].right);
    EXPECT_TRUE(steps[2].left && steps[2].right && steps[2].jump);
    EXPECT_EQ(steps[3].ticks, 0);
}

TEST(ReplayScript, RejectsBadLinesNamingThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"5 R\nfive R\n", "line 2: expected a tick count, found \"five\""},
        {"-3 R\n", "line 1: expected a tick count, found \"-3\""},
        {"5\n", "line 1: expected keys (L, R, J or -) after the count"},
        {"5 X\n", "line 1: expected keys (L, R, J or -) after the count"},
        {"5 RR\n", "line 1: expected keys (L, R, J or -) after the count"},
        {"5 R J\n", "line 1: expected keys (L, R, J or -) after the count"},
        {"99999999999 R\n", "line 1: expected a tick count, found \"99999999999\""},
    };
    for (const auto& [text, message] : cases) {
        std::vector<ReplayStep> steps;
        std::string error;
        EXPECT_FALSE(parseReplay(text, &steps, &error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

// ---- whole games through the session ------------------------------------------------------

// Level 1 of the set has one item, level 2 two; walking right collects them
// and reaches each exit, and after level 2 comes level 1 again.
TEST(HeadlessGame, CollectingAndLeavingWrapsPastTheLastLevel) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("play"), 1, &error)) << error;
    struct Seen {
        int level, score, items;
    };
    std::vector<Seen> seen;
    ASSERT_TRUE(runReplay(
        s, {{.ticks = 400, .right = true}},
        [&](const Headless& h) {
            const GameState& g = h.world();
            // The exit tick already counts the next level; 3 becomes 1 at the next load.
            const int level = g.player.level > g.levelCount ? 1 : g.player.level;
            seen.push_back({level, g.player.score, static_cast<int>(g.itemList.size())});
        },
        &error))
        << error;
    const ReplayResult r = s.result();
    EXPECT_FALSE(r.gameOver);
    EXPECT_EQ(r.tick, 400);
    EXPECT_EQ(r.lives, 4);
    ASSERT_EQ(seen.size(), 400u);
    EXPECT_EQ(seen[0].level, 1);
    int changes = 0;
    int scoreAtChange = 0;
    for (size_t t = 1; t < seen.size(); ++t) {
        if (seen[t].level == seen[t - 1].level) continue;
        ++changes;
        const int left = seen[t - 1].level;
        EXPECT_EQ(seen[t].level, left == 1 ? 2 : 1) << "tick " << t + 1;
        EXPECT_EQ(seen[t - 1].items, 0) << "left level " << left << " with items";
        EXPECT_EQ(seen[t - 1].score - scoreAtChange, left == 1 ? 10 : 20);
        scoreAtChange = seen[t - 1].score;
    }
    EXPECT_GE(changes, 4);
    EXPECT_EQ(r.completed, changes);
    EXPECT_EQ(r.score, seen.back().score);
}

TEST(HeadlessGame, EndsWhenTheLivesAreSpent) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("deadly"), 1, &error)) << error;
    ASSERT_TRUE(runReplay(s, {{.ticks = 5000}}, nullptr, &error)) << error;
    const ReplayResult r = s.result();
    EXPECT_TRUE(r.gameOver);
    EXPECT_EQ(r.lives, 0);
    EXPECT_LT(r.tick, 5000);
    EXPECT_TRUE(s.over());
}

TEST(HeadlessGame, AMissingLevelStopsTheRunWithTheFileName) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("loader"), 10, &error)) << error;
    EXPECT_FALSE(s.tick(NO_KEYS, &error));
    EXPECT_EQ(error, "Cannot open level file " + testLevels("loader") + "\\level10.txt");
}

// The same script on the same level gives the same world, tick after tick.
TEST(HeadlessGame, IsDeterministic) {
    std::vector<ReplayStep> script;
    std::string error;
    ASSERT_TRUE(parseReplay("30 R\n20 RJ\n40 -\n60 L\n15 LJ\n100 R\n25 J\n200 RJ\n300 L\n", &script,
                            &error));
    auto run = [&](std::vector<uint64_t>* hashes) {
        Headless& s = sharedSession();
        ASSERT_TRUE(s.begin(testLevels("busy"), 1, &error)) << error;
        ASSERT_TRUE(runReplay(
            s, script, [&](const Headless& h) { hashes->push_back(worldHash(h.world())); }, &error))
            << error;
    };
    std::vector<uint64_t> first, second;
    run(&first);
    run(&second);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    // The hash follows the world: the busy level never looks the same twice
    // in a row (its conveyors and baddies move every tick).
    std::set<uint64_t> distinct(first.begin(), first.end());
    EXPECT_GT(distinct.size(), first.size() * 9 / 10);
}

// ---- the gloam-level program ---------------------------------------------------------------

using Output = ToolOutput;

Output runTool(const std::string& arguments) {
    return runLevelTool(arguments);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

TEST(LevelTool, TheShippedLevelsAreClean) {
    std::ifstream index(std::string(GLOAM_SOURCE_DIR) + "/levels/levels.txt");
    int count = 0;
    index >> count;
    ASSERT_GT(count, 0);
    const std::string ok = std::to_string(count) + " levels ok\n";
#if defined(__SANITIZE_ADDRESS__)
    // Playing every level for its traps takes minutes under the sanitizers;
    // the plain build plays them.
    const std::string check = "check --no-traps";
#else
    const std::string check = "check";
#endif
    const Output out = runTool(check + " " + std::string(GLOAM_SOURCE_DIR) + "/levels");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.text, ok);
    // Without a folder it checks the levels beside the program: the same
    // files, so the quick check tells enough.
    const Output beside = runTool("check --no-traps");
    EXPECT_EQ(beside.status, 0);
    EXPECT_EQ(beside.text, ok);
}

// The miner is two cells tall and the door two cells wide and tall: a start
// standing in a floor and a door drawn over tiles are both reported.
TEST(LevelTool, WarnsOfAStartInAFloorAndADoorOverTiles) {
    const fs::path dir = fs::temp_directory_path() / ("gloam-room-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "levels.txt") << "1\n";
    {
        std::ofstream f(dir / "level1.txt", std::ios::binary);
        f << "Crowded\nCoin\nSpikes\nCaves\n";
        const char* rows[19] = {"S  S   E ", "#  H    H", "", "",   "      E",   "       |", "  2",
                                "",          "",          "", "",   "",          "",         "",
                                "",          "",          "", "EE", "  S 3    E"};
        for (const char* row : rows)
            f << row << "\n";
        f << "#end#\n";
    }
    const Output out = runTool("check " + dir.string());
    EXPECT_EQ(out.status, 0) << "warnings only";
    const std::string f = (dir / "level1.txt").string();
    const std::vector<std::string> expected = {
        f + ":5: warning: the start at column 1 of row 1 has the tile '#' below it: the miner "
            "is two cells tall",
        f + ":5: warning: the exit at column 8 of row 1 covers the tile 'H' at column 9 of row "
            "2: the exit is two cells wide and tall",
        f + ":9: warning: the exit at column 7 of row 5 covers the tile '|' at column 8 of row "
            "6: the exit is two cells wide and tall",
        f + ":22: warning: the exit at column 1 of row 18 covers the tile 'E' at column 2 of "
            "row 18: the exit is two cells wide and tall",
        f + ":23: warning: the start at column 3 of row 19 is on the last row: the miner is two "
            "cells tall",
    };
    EXPECT_EQ(lines(out.text), expected) << out.text;
    fs::remove_all(dir);
}

// A baddie above the grid (y below 30) covers the lives and the score; the
// check plays each record's vertical patrol to find how high it gets.
TEST(LevelTool, WarnsOfAPatrolReachingIntoTheStatusBand) {
    const fs::path dir = fs::temp_directory_path() / ("gloam-band-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "levels.txt") << "1\n";
    struct Record {
        const char* numbers; // column, row, dirX, dirY, min/max column, min/max row, speeds, delay
        const char* warning; // nullptr: none
    };
    const Record records[] = {
        /* 1 */ {"9 0 0 0 9 9 4 9 0 1 5", "reaches y -10"}, // starts above, never moves
        /* 2 */ {"9 6 0 -1 9 9 2 6 0 1 5", "reaches y 10"}, // climbs to its bound
        /* 3 */ {"9 4 0 1 9 9 4 8 0 1 5", nullptr},         // patrols rows 4 to 8
        /* 4 */ {"9 6 0 -1 9 9 4 6 0 3 5", "reaches y 29"}, // overshoots row 4 by a pixel
        /* 5 */ {"9 6 0 0 9 9 0 6 0 1 5", nullptr},         // a bound above, but still
        /* 6 */ {"9 8 0 1 9 9 2 9 0 1 5", "reaches y 10"},  // goes down first, then up
        /* 7 */ {"9 6 1 0 1 30 0 0 1 0 5", nullptr},        // walks along row 6
    };
    {
        std::ofstream f(dir / "level1.txt", std::ios::binary);
        f << "Band\nCoin\nSpikes\nCaves\nE 2\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\nS\n\n";
        for (const Record& r : records) {
            f << "Crusher\n";
            std::istringstream numbers(r.numbers);
            std::string n;
            while (numbers >> n)
                f << n << "\n";
        }
        f << "#end#\n";
    }
    const Output out = runTool("check " + dir.string());
    EXPECT_EQ(out.status, 0) << "warnings only";
    std::vector<std::string> expected;
    const std::string file = (dir / "level1.txt").string();
    for (size_t i = 0; i < std::size(records); ++i)
        if (records[i].warning)
            expected.push_back(file + ":" + std::to_string(24 + 12 * i) +
                               ": warning: the Crusher " + records[i].warning +
                               ", above the grid (y 30): it covers the " + "status band");
    // The start stands on nothing: the miner falls out of the level at once.
    expected.push_back(file + ":22: warning: a trap at column 1 of row 18 (2 cells): the miner " +
                       "gets in from the start but never out, nor to the exit or a hazard");
    EXPECT_EQ(lines(out.text), expected) << out.text;
    fs::remove_all(dir);
}

TEST(LevelTool, ReportsEveryKindOfProblem) {
    const std::string d = testLevels("broken");
    const Output out = runTool("check " + d);
    EXPECT_EQ(out.status, 1);
    const std::vector<std::string> expected = {
        d + "/level1.txt:2: error: unknown item keyword \"Ruby\" (Coin, Key, Cup, Candle or Coal)",
        d + "/level1.txt:3: warning: unknown spike style \"Nails\": the previous level's style "
            "is kept",
        d + "/level1.txt:4: warning: unknown backdrop \"Mars\": the level shows black",
        d + "/level1.txt:5: warning: row 1 is 34 characters long; those after the 32nd are "
            "ignored",
        d + "/level1.txt:6: warning: unknown tile character 'x' in column 3 (an empty cell)",
        d + "/level1.txt:5: warning: no start tile \"S\"",
        d + "/level1.txt:5: warning: no exit tile \"E\"",
        d + "/level1.txt:5: warning: no items (\"2\"): the exit is open at once",
        d + "/level1.txt:24: error: unknown baddie keyword \"Dragon\"",
        d + "/level1.txt:39: error: expected a number (horizontal direction), found \"abc\"",
        d + "/level2.txt:7: error: the file ends after 2 of the 19 grid lines",
        d + "/level3.txt:36: error: expected a baddie keyword or #end#",
        d + "/level4.txt:30: error: record cut short: \"#end#\" where its right bound column "
            "should be",
        d + "/level5.txt:1: error: cannot open the level file",
        d + "/level6.txt:36: error: no \"#end#\" line after the baddie records",
    };
    EXPECT_EQ(lines(out.text), expected);
}

TEST(LevelTool, WarningsAloneDoNotFail) {
    const Output out = runTool("check " + testLevels("moves"));
    EXPECT_EQ(out.status, 0);
    EXPECT_NE(out.text.find("level1.txt:5: warning: no exit tile"), std::string::npos);
    EXPECT_EQ(out.text.find("error"), std::string::npos);
    EXPECT_EQ(out.text.find("levels ok"), std::string::npos);
}

TEST(LevelTool, RejectsAMissingOrBadLevelCount) {
    const Output bad = runTool("check " + testLevels("badcount"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.text, testLevels("badcount") +
                            "/levels.txt:1: error: the level count \"0\" is not a positive "
                            "number\n");
    const Output missing = runTool("check " + testLevels("nowhere"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.text,
              testLevels("nowhere") + "/levels.txt:1: error: cannot open the level count file\n");
}

// The checker and the loader must agree on which characters are tiles: one
// level per byte value, each holding that character alone.
TEST(LevelTool, AgreesWithTheLoaderOnTileCharacters) {
    const fs::path dir = fs::temp_directory_path() / ("gloam-tiles-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::vector<int> codes;
    for (int c = 1; c < 256; ++c)
        if (c != '\n' && c != '\r') codes.push_back(c);
    std::ofstream(dir / "levels.txt") << codes.size() << "\n";
    for (size_t i = 0; i < codes.size(); ++i) {
        std::ofstream f(dir / ("level" + std::to_string(i + 1) + ".txt"), std::ios::binary);
        f << "T\nCoin\nSpikes\nCaves\n" << static_cast<char>(codes[i]) << "\n";
        for (int r = 2; r <= 19; ++r)
            f << "\n";
        f << "#end#\n";
    }
    const Output out = runTool("check " + dir.string());
    std::set<std::string> flagged;
    for (const std::string& line : lines(out.text))
        if (line.find("unknown tile character") != std::string::npos)
            flagged.insert(line.substr(0, line.find(':')));

    GameState g;
    Assets none;
    g.levelDirectory = dir.string();
    g.levelCount = static_cast<int>(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        g.player = Player{};
        g.player.x = -99;
        g.player.level = static_cast<int>(i + 1);
        g.itemKindOfLevel = 0;
        std::string error;
        ASSERT_TRUE(loadLevel(g, none, &error)) << error;
        const bool made = !g.platformList.empty() || !g.itemList.empty() || !g.spikeList.empty() ||
                          !g.baddieList.empty() || g.player.x != -99;
        const std::string file = (dir / ("level" + std::to_string(i + 1) + ".txt")).string();
        const bool blank = codes[i] == ' ';
        EXPECT_EQ(flagged.count(file) == 1, !made && !blank) << "character " << codes[i];
    }
    fs::remove_all(dir);
}

TEST(LevelTool, ReplayTracesEveryTick) {
    const fs::path script =
        fs::temp_directory_path() / ("gloam-replay-" + std::to_string(getpid()));
    std::ofstream(script) << "# walk, then stand\n3 R\n2 -\n";
    const Output out =
        runTool("replay --levels " + testLevels("moves") + " --level 1 --trace " + script.string());
    EXPECT_EQ(out.status, 0);
    const std::vector<std::string> expected = {
        "tick=1 level=1 x=151 y=190 frame=0 air=5599 lives=4 score=0 items=0 baddies=",
        "tick=2 level=1 x=152 y=190 frame=0 air=5598 lives=4 score=0 items=0 baddies=",
        "tick=3 level=1 x=153 y=190 frame=0 air=5597 lives=4 score=0 items=0 baddies=",
        "tick=4 level=1 x=153 y=190 frame=0 air=5596 lives=4 score=0 items=0 baddies=",
        "tick=5 level=1 x=153 y=190 frame=0 air=5595 lives=4 score=0 items=0 baddies=",
        "result: ended tick=5 level=1 lives=4 score=0 completed=0",
    };
    EXPECT_EQ(lines(out.text), expected);

    const Output busy =
        runTool("replay --levels " + testLevels("busy") + " --trace " + script.string());
    EXPECT_EQ(busy.status, 0);
    const std::vector<std::string> busyLines = lines(busy.text);
    ASSERT_EQ(busyLines.size(), 6u);
    EXPECT_NE(busyLines[0].find(" items=10 baddies=190:140:0,290:200:0,41:190:0,"),
              std::string::npos)
        << busyLines[0];
    fs::remove(script);
}

TEST(LevelTool, ReplayFailuresExitWithOne) {
    const fs::path script = fs::temp_directory_path() / ("gloam-bad-" + std::to_string(getpid()));
    std::ofstream(script) << "3 R\n4 Q\n";
    const Output bad = runTool("replay --levels " + testLevels("moves") + " " + script.string());
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.text, "gloam-level: " + script.string() +
                            ": line 2: expected keys (L, R, J or -) after the count\n");

    const Output unreadable = runTool("replay " + script.string() + ".missing");
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.text, "gloam-level: cannot read " + script.string() + ".missing\n");

    std::ofstream(script) << "3 R\n";
    const Output noLevels =
        runTool("replay --levels " + testLevels("nowhere") + " " + script.string());
    EXPECT_EQ(noLevels.status, 1);
    EXPECT_EQ(noLevels.text,
              "gloam-level: Cannot open level file " + testLevels("nowhere") + "\\levels.txt\n");

    const Output past =
        runTool("replay --levels " + testLevels("moves") + " --level 18 " + script.string());
    EXPECT_EQ(past.status, 1);

    const Output broken =
        runTool("replay --levels " + testLevels("loader") + " --level 5 " + script.string());
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.text.find("line 36: expected a baddie keyword or #end#"), std::string::npos);
    fs::remove(script);
}

} // namespace
