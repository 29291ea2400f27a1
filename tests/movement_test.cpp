// movement_test.cpp - walking, the input limits, the jump arc, re-jumping and
// the walk cycle, played through the real tick with key events on the test
// levels of tests/levels/moves/.
#include <gtest/gtest.h>

#include <vector>

#include "world_test_support.h"

namespace {

// Levels of tests/levels/moves.
constexpr int FLAT = 1;
constexpr int CEILINGS = 3;
constexpr int CONVEYOR_EDGE = 17;

constexpr int FLOOR_Y = 190; // the miner's y when standing on the bottom row

TEST(Walking, OnePixelPerTickBothWays) {
    Headless& s = startAt("moves", FLAT);
    ASSERT_EQ(miner(s).x, 150);
    for (int t = 1; t <= 10; ++t) {
        play(s, 1, RIGHT);
        EXPECT_EQ(miner(s).x, 150 + t);
        EXPECT_EQ(miner(s).y, FLOOR_Y);
    }
    play(s, 10, LEFT);
    EXPECT_EQ(miner(s).x, 150);
    play(s, 1, LEFT_RIGHT); // both held: left wins
    EXPECT_EQ(miner(s).x, 149);
    play(s, 5, NO_KEYS);
    EXPECT_EQ(miner(s).x, 149);
}

TEST(Walking, InputStopsAtZeroAndAtSixHundredForty) {
    Headless& s = startAt("moves", FLAT);
    placeMiner(s, 3, FLOOR_Y);
    play(s, 10, LEFT);
    EXPECT_EQ(miner(s).x, 0);
    // Off the right end of the floor the miner falls, but input still moves
    // it as far as 640, twice the screen's width.
    placeMiner(s, 630, FLOOR_Y);
    play(s, 30, RIGHT);
    EXPECT_EQ(miner(s).x, 640);
    EXPECT_GT(miner(s).y, FLOOR_Y);
}

// A conveyor is not input: it carries the miner past x = 0 until the miner
// drops off the belt's end at x = -8.
TEST(Walking, AConveyorCarriesPastTheLeftLimit) {
    Headless& s = startAt("moves", CONVEYOR_EDGE);
    play(s, 40, NO_KEYS);
    EXPECT_EQ(miner(s).x, -8);
    EXPECT_GT(miner(s).y, FLOOR_Y);
}

// Up 2 pixels in ticks 1..14, down 1 pixel in ticks 15..42, standing at 43.
TEST(Jumping, FortyTwoTickArcOnFlatGround) {
    Headless& s = startAt("moves", FLAT);
    std::vector<int> heights;
    play(s, 1, JUMP);
    heights.push_back(miner(s).y);
    for (int t = 2; t <= 50; ++t) {
        play(s, 1, NO_KEYS);
        heights.push_back(miner(s).y);
    }
    for (int t = 1; t <= 50; ++t) {
        const int expected = t <= 14 ? FLOOR_Y - 2 * t : t <= 42 ? 162 + (t - 14) : FLOOR_Y;
        EXPECT_EQ(heights[t - 1], expected) << "tick " << t;
    }
    EXPECT_EQ(miner(s).jumping, 0);
}

TEST(Jumping, WithADirectionHeldTravelsFortyTwoPixels) {
    Headless& s = startAt("moves", FLAT);
    play(s, 1, RIGHT_JUMP);
    play(s, 41, RIGHT);
    EXPECT_EQ(miner(s).x, 192);
    EXPECT_EQ(miner(s).y, FLOOR_Y);
}

TEST(Jumping, HoldingJumpJumpsAgainOnTick43) {
    Headless& s = startAt("moves", FLAT);
    play(s, 42, JUMP);
    EXPECT_EQ(miner(s).y, FLOOR_Y);
    play(s, 1, JUMP);
    EXPECT_EQ(miner(s).y, FLOOR_Y - 2);
    EXPECT_EQ(miner(s).jumpTimer, 1);
}

// Under a solid tile the jump does not rise but still lasts 14 ticks, and
// only then can the next one start.
TEST(Jumping, UnderASolidTileHangsForFourteenTicks) {
    Headless& s = startAt("moves", CEILINGS);
    ASSERT_EQ(miner(s).x, 20);
    for (int t = 1; t <= 14; ++t) {
        play(s, 1, JUMP);
        EXPECT_EQ(miner(s).y, FLOOR_Y) << "tick " << t;
        EXPECT_EQ(miner(s).jumpTimer, t);
    }
    EXPECT_EQ(miner(s).jumping, 0);
    play(s, 1, JUMP);
    EXPECT_EQ(miner(s).jumping, 1);
    EXPECT_EQ(miner(s).jumpTimer, 1);
}

// From standing, frame 0 for 5 ticks, then 1..7 and round, 5 ticks each.
TEST(WalkCycle, FramesWhileWalkingRight) {
    Headless& s = startAt("moves", FLAT);
    for (int t = 1; t <= 45; ++t) {
        play(s, 1, RIGHT);
        EXPECT_EQ(miner(s).frame, (t / 5) % 8) << "tick " << t;
    }
}

// Turning left keeps the timer, so the first left frame change comes early;
// turning right resets it.
TEST(WalkCycle, TurningLeftKeepsTheTimerTurningRightResetsIt) {
    Headless& s = startAt("moves", FLAT);
    play(s, 43, RIGHT); // timer at 3
    play(s, 1, LEFT);
    EXPECT_EQ(miner(s).frame, 8);
    play(s, 1, LEFT);
    EXPECT_EQ(miner(s).frame, 9);
    play(s, 4, LEFT);
    EXPECT_EQ(miner(s).frame, 9);
    play(s, 1, LEFT);
    EXPECT_EQ(miner(s).frame, 10);
    play(s, 25, LEFT);
    EXPECT_EQ(miner(s).frame, 15);
    play(s, 5, LEFT);
    EXPECT_EQ(miner(s).frame, 8); // wraps within the left half
    play(s, 3, LEFT);
    for (int t = 1; t <= 6; ++t) {
        play(s, 1, RIGHT);
        EXPECT_EQ(miner(s).frame, t < 6 ? 0 : 1) << "tick " << t;
    }
}

TEST(WalkCycle, StandingKeepsTheFacing) {
    Headless& s = startAt("moves", FLAT);
    play(s, 12, LEFT);
    ASSERT_GT(miner(s).frame, 8);
    play(s, 1, NO_KEYS);
    EXPECT_EQ(miner(s).frame, 8);
    EXPECT_EQ(miner(s).frameTimer, 0);
    play(s, 12, RIGHT);
    ASSERT_GT(miner(s).frame, 0);
    play(s, 1, NO_KEYS);
    EXPECT_EQ(miner(s).frame, 0);
}

// A death reloads the level without touching the frame: the miner comes
// back facing the way it faced.
TEST(WalkCycle, TheFacingSurvivesAReload) {
    Headless& s = startAt("moves", FLAT);
    play(s, 3, LEFT);
    GameState& g = s.game().world;
    g.loadLevelPending = 1; // as after a lost life
    play(s, 1, NO_KEYS);
    EXPECT_EQ(miner(s).x, 150);
    EXPECT_EQ(miner(s).frame, 8);
}

} // namespace
