// solutions_test.cpp - the shipped levels, each won by its stored route.
//
// For every level N of levels/levels.txt, tests/solutions/level<N>.txt is a
// replay script (the format of "gloam-level replay"). Played from a new game
// at level N it must reach the exit with every item collected, without a
// lost life, and with at least 15% of the air left. A rule change that
// breaks a route, or a level edit that blocks one, fails here; "gloam-level
// solve --level N --out tests/solutions/levelN.txt" finds a new route.
//
// The set as a whole must also show the player everything the game has:
// every tile code, baddie kind, item kind, backdrop and spike style.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "world/assets.h"
#include "world/game_state.h"
#include "world_test_support.h"

namespace {

const std::string SHIPPED = std::string(GLOAM_SOURCE_DIR) + "/levels";

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> fileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(fileText(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int shippedLevelCount() {
    const std::vector<std::string> lines = fileLines(SHIPPED + "/levels.txt");
    return lines.empty() ? 0 : std::atoi(lines[0].c_str());
}

struct Outcome {
    int diedAt = 0; // first tick with a lost life, 0 for none
    int wonAt = 0;  // tick the exit was reached, 0 for never
    size_t itemsLeft = 0;
    int air = 0;   // air in the winning tick
    int lives = 0; // lives at the end of the route
    int level = 0; // level being played at the end of the route
};

Outcome playSolution(int level, std::string* error) {
    Outcome out;
    std::vector<ReplayStep> steps;
    const std::string path =
        std::string(GLOAM_SOURCE_DIR) + "/tests/solutions/level" + std::to_string(level) + ".txt";
    if (!parseReplay(fileText(path), &steps, error)) return out;
    Headless& session = sharedSession();
    if (!session.begin(SHIPPED, level, error)) return out;
    const int livesAtStart = session.world().player.lives;
    runReplay(
        session, steps,
        [&](const Headless& s) {
            const GameState& g = s.world();
            if ((g.playerDied || g.player.lives < livesAtStart) && !out.diedAt)
                out.diedAt = s.ticks();
            if (s.completed() >= 1 && !out.wonAt) {
                out.wonAt = s.ticks();
                out.itemsLeft = g.itemList.size();
                out.air = g.air;
            }
        },
        error);
    out.lives = session.world().player.lives;
    return out;
}

TEST(ShippedLevels, EveryLevelIsWonByItsStoredRoute) {
    const int count = shippedLevelCount();
    ASSERT_GE(count, 20) << "the game ships at least twenty levels";
    for (int level = 1; level <= count; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        std::string error;
        const Outcome o = playSolution(level, &error);
        ASSERT_TRUE(error.empty()) << error;
        EXPECT_EQ(o.diedAt, 0) << "a life is lost in tick " << o.diedAt;
        ASSERT_GT(o.wonAt, 0) << "the route never reaches the exit";
        EXPECT_EQ(o.itemsLeft, 0u) << "the exit was reached with items left";
        // 15% of the full tank: a route may not scrape through on the last breath.
        EXPECT_GE(o.air, AIR_MAX * 15 / 100) << "air left " << o.air;
    }
}

// A fair start: a player who has not touched a key yet loses nothing in the
// first second of any level.
TEST(ShippedLevels, StandingStillForASecondIsSafeEverywhere) {
    const int count = shippedLevelCount();
    for (int level = 1; level <= count; ++level) {
        Headless& session = sharedSession();
        std::string error;
        ASSERT_TRUE(session.begin(SHIPPED, level, &error)) << error;
        const int lives = session.world().player.lives;
        for (int tick = 1; tick <= 60; ++tick) {
            ASSERT_TRUE(session.tick(NO_KEYS, &error)) << error;
            ASSERT_FALSE(session.world().playerDied)
                << "level " << level << ": a life is lost in tick " << tick;
        }
        EXPECT_EQ(session.world().player.lives, lives) << "level " << level;
    }
}

// Renumbering the set is where a level gets lost or doubled: every level is
// its own (title and grid), and the stored routes are exactly those of the
// levels counted, none left over under an old number.
TEST(ShippedLevels, EachLevelIsItsOwnAndEveryRouteBelongsToOne) {
    const int count = shippedLevelCount();
    std::map<std::string, int> titles, grids;
    for (int level = 1; level <= count; ++level) {
        const std::vector<std::string> lines =
            fileLines(SHIPPED + "/level" + std::to_string(level) + ".txt");
        ASSERT_GE(lines.size(), 23u) << "level " << level;
        std::string grid;
        for (size_t row = 4; row < 23; ++row)
            grid += lines[row] + "\n";
        const auto [title, freshTitle] = titles.emplace(lines[0], level);
        EXPECT_TRUE(freshTitle) << "levels " << title->second << " and " << level << " are both \""
                                << lines[0] << "\"";
        const auto [same, freshGrid] = grids.emplace(grid, level);
        EXPECT_TRUE(freshGrid) << "levels " << same->second << " and " << level
                               << " have the same grid";
    }
    std::set<std::string> routes;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(GLOAM_SOURCE_DIR) + "/tests/solutions"))
        routes.insert(entry.path().filename().string());
    std::set<std::string> expected;
    for (int level = 1; level <= count; ++level)
        expected.insert("level" + std::to_string(level) + ".txt");
    EXPECT_EQ(routes, expected);
}

// Everything the game can show appears somewhere in the set.
TEST(ShippedLevels, TheSetUsesEveryTileKindItemBackdropAndSpikeStyle) {
    const int count = shippedLevelCount();
    std::set<char> tiles;
    std::set<std::string> items, spikes, backdrops, kinds;
    for (int level = 1; level <= count; ++level) {
        const std::vector<std::string> lines =
            fileLines(SHIPPED + "/level" + std::to_string(level) + ".txt");
        ASSERT_GE(lines.size(), 24u) << "level " << level;
        items.insert(lines[1]);
        spikes.insert(lines[2]);
        backdrops.insert(lines[3]);
        for (size_t row = 4; row < 23; ++row)
            for (size_t c = 0; c < lines[row].size() && c < 32; ++c)
                if (lines[row][c] != ' ') tiles.insert(lines[row][c]);
        // Records: a keyword line and eleven numbers each, until "#end#".
        for (size_t at = 23; at < lines.size() && lines[at] != "#end#"; at += 12)
            kinds.insert(lines[at]);
        if (tiles.count('M')) kinds.insert("Spider");
        if (tiles.count('*')) kinds.insert("Bush");
    }
    for (char code : std::string("1#=[{]-\\/;:R\"'234D<>HPES|M*"))
        EXPECT_TRUE(tiles.count(code)) << "no level uses the tile code " << code;
    for (const char* item : {"Coin", "Key", "Cup", "Candle", "Coal"})
        EXPECT_TRUE(items.count(item)) << "no level has " << item << " items";
    for (const char* style : {"Spikes", "TedSpikes", "VexelSpikes"})
        EXPECT_TRUE(spikes.count(style)) << "no level has the spike style " << style;
    for (const char* backdrop : {"Woods", "Caves", "Abbey"})
        EXPECT_TRUE(backdrops.count(backdrop)) << "no level has the backdrop " << backdrop;
    for (const std::string& kind : kinds)
        EXPECT_GE(baddieKindIndex(kind), 0) << "unknown baddie keyword " << kind;
    for (const char* kind :
         {"Guard1",    "Guard2", "TedHead", "MegaFred", "Grimble",   "Phone",  "Phone_green",
          "Phone_red", "Monk",   "TedDisk", "TedBike",  "Teapot",    "Spider", "Penguin",
          "Bush",      "Hatter", "Monty",   "BlueBlob", "GreenBlob", "Crusher"})
        EXPECT_TRUE(kinds.count(kind)) << "no level has a " << kind;
}

} // namespace
