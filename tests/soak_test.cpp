// soak_test.cpp - a long headless game over every shipped level with random
// but reproducible input: games start on each level in turn and run until the
// lives are gone or their share of ticks is played. Nothing may fail, the
// world must stay within its rules, and resident memory must stay flat once
// the first level has been played.
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
#include <string>

#include "world/level_loader.h"
#include "world_test_support.h"

namespace {

constexpr int DEFAULT_TICKS = 20000;
constexpr int GAME_TICKS = 3000; // the most one game plays before the next level's turn
constexpr long RSS_GROWTH_LIMIT_KB = 2048;

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

    Headless& s = sharedSession();
    RandomPlayer player(20240607);
    const auto start = std::chrono::steady_clock::now();
    int played = 0, games = 0, completed = 0, deaths = 0;
    long rssFirst = -1, peakFirst = -1;
    while (played < total) {
        const int level = games % index.levelCount + 1;
        ASSERT_TRUE(s.begin(levels, level, &error)) << error;
        ++games;
        int lives = 4;
        for (int i = 0; i < GAME_TICKS && played < total && !s.over(); ++i, ++played) {
            ASSERT_TRUE(s.tick(player.next(), &error)) << "tick " << played << ": " << error;
            ASSERT_NO_FATAL_FAILURE(expectSound(s.world())) << "tick " << played;
            if (s.world().player.lives < lives) ++deaths;
            lives = s.world().player.lives;
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
    std::printf("soak: %d games over %d levels, %d levels completed, %d lives lost\n", games,
                index.levelCount, completed, deaths);
    std::printf("soak: resident after the first levels %ld kB (peak %ld kB), at the end %ld kB "
                "(peak %ld kB)\n",
                rssFirst, peakFirst, rssEnd, peakEnd);
    EXPECT_EQ(played, total);
    EXPECT_GT(deaths, 0) << "random input that never dies tests little";
    if (rssFirst > 0 && games > index.levelCount) {
        EXPECT_LE(rssEnd - rssFirst, RSS_GROWTH_LIMIT_KB) << "resident memory grew";
    }
}

} // namespace
