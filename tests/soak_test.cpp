// soak_test.cpp - a long headless game over every shipped level with random
// but reproducible input: games start on each level in turn and run until the
// lives are gone or their share of ticks is played. Every other sweep over the
// levels, starting with the first, plays each level's stored route before the
// random input, so every level is also won and the next one (and the wrap
// after the last) is loaded mid-game. Nothing may fail, the world must stay
// within its rules, and resident memory must stay flat once every level has
// been loaded.
//
// GLOAM_SOAK_TICKS sets the length (default 20000 ticks, about 5.5 minutes
// of game time); scripts/soak runs an hour of game time (216000 ticks) and a
// shorter stretch under LeakSanitizer and valgrind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "world/level_loader.h"
#include "world_test_support.h"

namespace {

constexpr int DEFAULT_TICKS = 20000;
constexpr int GAME_TICKS = 3000; // the most one game plays after its route, if any
constexpr long RSS_GROWTH_LIMIT_KB = 2048;
// AddressSanitizer holds freed memory in quarantine, so resident memory
// grows there without a leak; LeakSanitizer judges leaks in that build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool RSS_IS_MEANINGFUL = false;
#else
constexpr bool RSS_IS_MEANINGFUL = true;
#endif

int soakTicks() {
    const char* text = std::getenv("GLOAM_SOAK_TICKS");
    const long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n > 0 && n < 1000000000 ? static_cast<int>(n) : DEFAULT_TICKS;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
long statusKb(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

// The stored winning route of a shipped level as one step per tick; empty
// when the level has none.
std::vector<ReplayStep> routeTicks(int level) {
    std::ifstream in(std::string(GLOAM_SOURCE_DIR) + "/tests/solutions/level" +
                     std::to_string(level) + ".txt");
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<ReplayStep> steps, ticks;
    std::string error;
    if (!parseReplay(text.str(), &steps, &error))
        ADD_FAILURE() << "level " << level << ": " << error;
    for (const ReplayStep& step : steps)
        for (int i = 0; i < step.ticks; ++i)
            ticks.push_back({.left = step.left, .right = step.right, .jump = step.jump});
    return ticks;
}

// Keys held for a random stretch: mostly walking and jumping, sometimes
// nothing or both directions at once.
class RandomPlayer {
  public:
    explicit RandomPlayer(uint32_t seed) : random_(seed) {}
    ReplayStep next() {
        if (left_ == 0) {
            static constexpr ReplayStep kChoices[] = {
                {},
                {.left = true},
                {.right = true},
                {.right = true},
                {.jump = true},
                {.left = true, .jump = true},
                {.right = true, .jump = true},
                {.right = true, .jump = true},
                {.left = true, .right = true},
            };
            keys_ = kChoices[random_() % std::size(kChoices)];
            left_ = 1 + static_cast<int>(random_() % 90);
        }
        --left_;
        return keys_;
    }

  private:
    std::mt19937 random_;
    ReplayStep keys_{};
    int left_ = 0;
};

// What must hold after every tick, whatever the input.
void expectSound(const GameState& g) {
    const Player& p = g.player;
    ASSERT_GE(p.level, 1);
    ASSERT_LE(p.level, g.levelCount + 1); // one past the last until the next load wraps
    ASSERT_GE(p.lives, 0);
    ASSERT_GE(g.air, 0);
    ASSERT_LE(g.air, g.airMax);
    ASSERT_LT(g.messageList.size(), 64u);
    ASSERT_GE(p.score, 0);
}

TEST(Soak, EveryShippedLevelWithRandomInput) {
    const std::string levels = std::string(GLOAM_SOURCE_DIR) + "/levels";
    const int total = soakTicks();
    GameState index;
    index.levelDirectory = levels;
    std::string error;
    ASSERT_TRUE(readLevelCount(index, &error)) << error;
    ASSERT_GE(index.levelCount, 1);

    std::vector<std::vector<ReplayStep>> routes(index.levelCount + 1);
    for (int level = 1; level <= index.levelCount; ++level)
        routes[level] = routeTicks(level);

    Headless& s = sharedSession();
    RandomPlayer player(20240607);
    const auto start = std::chrono::steady_clock::now();
    int played = 0, games = 0, completed = 0, deaths = 0, routesPlayed = 0, routesWon = 0;
    long rssFirst = -1, peakFirst = -1;
    while (played < total) {
        const int level = games % index.levelCount + 1;
        const bool routed = (games / index.levelCount) % 2 == 0;
        const std::vector<ReplayStep> none;
        const std::vector<ReplayStep>& route = routed ? routes[level] : none;
        ASSERT_TRUE(s.begin(levels, level, &error)) << error;
        ++games;
        int lives = 4;
        const int budget = static_cast<int>(route.size()) + GAME_TICKS;
        for (int i = 0; i < budget && played < total && !s.over(); ++i, ++played) {
            const ReplayStep keys = i < static_cast<int>(route.size()) ? route[i] : player.next();
            ASSERT_TRUE(s.tick(keys, &error)) << "tick " << played << ": " << error;
            ASSERT_NO_FATAL_FAILURE(expectSound(s.world())) << "tick " << played;
            if (s.world().player.lives < lives) ++deaths;
            lives = s.world().player.lives;
            if (!route.empty() && i + 1 == static_cast<int>(route.size())) {
                ++routesPlayed;
                routesWon += s.completed() >= 1;
            }
        }
        completed += s.completed();
        if (games == index.levelCount) { // every level has been loaded once
            rssFirst = statusKb("VmRSS");
            peakFirst = statusKb("VmHWM");
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long rssEnd = statusKb("VmRSS");
    const long peakEnd = statusKb("VmHWM");
    std::printf("soak: %d ticks (%.1f min of game time) in %.1f s: %.0f ticks/s\n", played,
                played / 3600.0, seconds, played / seconds);
    std::printf("soak: %d games over %d levels, %d levels completed (%d of %d routes), "
                "%d lives lost\n",
                games, index.levelCount, completed, routesWon, routesPlayed, deaths);
    if (rssFirst > 0)
        std::printf("soak: resident after the first levels %ld kB (peak %ld kB), at the end "
                    "%ld kB (peak %ld kB)\n",
                    rssFirst, peakFirst, rssEnd, peakEnd);
    else
        std::printf("soak: resident at the end %ld kB (peak %ld kB); too short to load every "
                    "level once\n",
                    rssEnd, peakEnd);
    EXPECT_EQ(played, total);
    // A route is won from a new game whatever came before it in the process.
    EXPECT_EQ(routesWon, routesPlayed) << "a stored route lost its level during the soak";
    EXPECT_GT(deaths, 0) << "random input that never dies tests little";
    if (RSS_IS_MEANINGFUL && rssFirst > 0 && games > index.levelCount) {
        EXPECT_LE(rssEnd - rssFirst, RSS_GROWTH_LIMIT_KB) << "resident memory grew";
    }
}

} // namespace
