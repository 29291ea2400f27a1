// terrain_test.cpp - contact between the miner and each kind of tile: support
// at the mask's edge, walls, ceilings, one-way platforms, slopes, crumbling
// floors, conveyors and ladders, on the test levels of tests/levels/moves/.
// The pass's own bookkeeping (removal during the walk, tile animation) is
// tested on hand-made tile lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gameplay/terrain.h"
#include "world_test_support.h"

namespace {

// Levels of tests/levels/moves.
constexpr int WALLS = 2;
constexpr int CEILINGS = 3;
constexpr int ONE_WAY = 4;
constexpr int SLOPES = 10;
constexpr int CRUMBLE = 11;
constexpr int CRUMBLE_TOUCH = 12;
constexpr int CONVEYOR_LEFT = 13;
constexpr int CONVEYOR_RIGHT = 14;
constexpr int LADDER = 15;
constexpr int POLE = 16;

constexpr int FLOOR_Y = 190;

struct Step {
    int x, y;
};

std::vector<Step> walk(Headless& s, int ticks, const ReplayStep& keys) {
    std::vector<Step> path;
    for (int t = 0; t < ticks; ++t) {
        play(s, 1, keys);
        path.push_back({miner(s).x, miner(s).y});
    }
    return path;
}

TEST(IsNear, BoundsAreIncluded) {
    struct Case {
        int x1, y1, reachX, x2, y2, reachY;
        bool near;
    };
    const Case cases[] = {
        {100, 100, 10, 100, 100, 20, true},  {90, 100, 10, 100, 100, 20, true},
        {110, 100, 10, 100, 100, 20, true},  {89, 100, 10, 100, 100, 20, false},
        {111, 100, 10, 100, 100, 20, false}, {100, 80, 10, 100, 100, 20, true},
        {100, 120, 10, 100, 100, 20, true},  {100, 79, 10, 100, 100, 20, false},
        {100, 121, 10, 100, 100, 20, false}, {120, 100, 20, 100, 100, 20, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isNear(c.x1, c.y1, c.reachX, c.x2, c.y2, c.reachY), c.near)
            << c.x1 << "," << c.y1 << " reach " << c.reachX << " vs " << c.x2 << "," << c.y2;
}

// A single tile at x = 150 under the miner: supported exactly while an opaque
// pixel of the tile's top row lies under one of the mask's columns x+2..x+7.
TEST(Support, AtTheEdgeColumnsOfTheMask) {
    struct Case {
        int level;
        const char* tile;
        int first, last;
    };
    const Case cases[] = {
        {5, "solid", 143, 157},  {6, "thread", 148, 153},  {7, "pole", 144, 157},
        {8, "ladder", 143, 157}, {9, "one-way", 143, 157},
    };
    for (const Case& c : cases) {
        Headless& s = startAt("moves", c.level);
        for (int x = c.first - 3; x <= c.last + 3; ++x) {
            placeMiner(s, x, FLOOR_Y);
            play(s, 1, NO_KEYS);
            const bool supported = x >= c.first && x <= c.last;
            EXPECT_EQ(miner(s).y, supported ? FLOOR_Y : FLOOR_Y + 1) << c.tile << " at x " << x;
        }
    }
}

TEST(Walls, SolidTilesStopAtEightPixels) {
    Headless& s = startAt("moves", WALLS);
    play(s, 100, RIGHT);
    EXPECT_EQ(miner(s).x, 210 - 8);
    play(s, 200, LEFT);
    EXPECT_EQ(miner(s).x, 90 + 8);
    EXPECT_EQ(miner(s).y, FLOOR_Y);
}

// A wall only stops movement towards it: a miner overlapping the wall tile
// (its lower half inside it) walks out either way.
TEST(Walls, AMinerInsideAWallWalksOut) {
    Headless& s = startAt("moves", WALLS);
    placeMiner(s, 210, FLOOR_Y);
    play(s, 12, RIGHT);
    EXPECT_EQ(miner(s).x, 222);
    placeMiner(s, 210, FLOOR_Y);
    play(s, 12, LEFT);
    EXPECT_EQ(miner(s).x, 198);
}

// Row 16 holds, over the columns at these x: solid, both stairs, both tile
// roofs, a tile-roof platform and a one-way platform.
TEST(Ceilings, OnlySolidTilesAndStairsStopTheRise) {
    struct Case {
        int x;
        const char* tile;
        bool blocks;
    };
    const Case cases[] = {
        {20, "solid", true},       {60, "stairs left", true},  {100, "stairs right", true},
        {140, "roof left", false}, {180, "roof right", false}, {220, "tile roof", false},
        {260, "one-way", false},
    };
    for (const Case& c : cases) {
        Headless& s = startAt("moves", CEILINGS);
        placeMiner(s, c.x, FLOOR_Y);
        play(s, 14, JUMP);
        EXPECT_EQ(miner(s).y, c.blocks ? FLOOR_Y : FLOOR_Y - 28) << c.tile;
    }
}

TEST(OneWay, PassedFromBelowAndLandedOnFromAbove) {
    Headless& s = startAt("moves", ONE_WAY);
    placeMiner(s, 150, FLOOR_Y); // inside the platform's row, feet on the floor
    play(s, 14, JUMP);
    EXPECT_EQ(miner(s).y, FLOOR_Y - 28);
    play(s, 8, NO_KEYS);
    EXPECT_EQ(miner(s).y, 170); // feet on the platform's top row
    play(s, 30, NO_KEYS);
    EXPECT_EQ(miner(s).y, 170);
}

// "/" rises to the right from x = 190 and "\" to the left from x = 129; the
// tops are at y = 170. Walking uphill lifts the miner one pixel per tick as
// it moves one pixel sideways; at the top it walks on.
TEST(Slopes, ClimbingRightAtFortyFiveDegrees) {
    Headless& s = startAt("moves", SLOPES);
    const std::vector<Step> path = walk(s, 120, RIGHT);
    for (size_t t = 1; t < path.size(); ++t) {
        const Step& a = path[t - 1];
        const Step& b = path[t];
        SCOPED_TRACE("tick " + std::to_string(t + 1));
        if (a.x < 183) {
            EXPECT_EQ(b.y, FLOOR_Y);
        } else if (a.y > 151) {
            EXPECT_EQ(b.x, a.x + 1); // on the slope: diagonal steps
            EXPECT_EQ(b.y, a.y - 1);
        } else {
            EXPECT_LE(b.y, 151);
        }
    }
    EXPECT_EQ(path.back().y, 150);
    EXPECT_EQ(path.back().x, 150 + 120 - 1); // one tick lost where the slope meets the top
}

TEST(Slopes, ClimbingLeftAtFortyFiveDegrees) {
    Headless& s = startAt("moves", SLOPES);
    const std::vector<Step> path = walk(s, 120, LEFT);
    int diagonal = 0;
    for (size_t t = 1; t < path.size(); ++t)
        diagonal += path[t].x == path[t - 1].x - 1 && path[t].y == path[t - 1].y - 1;
    EXPECT_GE(diagonal, 39);
    EXPECT_EQ(path.back().y, 150);
    EXPECT_LT(path.back().x, 80);
}

// Downhill the miner leaves the slope and falls 1 pixel per tick while it
// walks 1 pixel, so it follows the 45-degree line down.
TEST(Slopes, DescendingAtFortyFiveDegrees) {
    Headless& s = startAt("moves", SLOPES);
    placeMiner(s, 223, 150); // the top of the "/" run, facing downhill
    play(s, 2, LEFT);        // the top pixel of the first "/" still holds it
    ASSERT_EQ(miner(s).y, 150);
    const std::vector<Step> path = walk(s, 40, LEFT);
    Step before{221, 150};
    for (const Step& now : path) {
        EXPECT_EQ(now.x, before.x - 1);
        EXPECT_EQ(now.y, before.y + 1);
        before = now;
    }
    EXPECT_EQ(path.back().y, FLOOR_Y);
}

// The jump stays available on the way down although the miner is mostly
// unsupported: the slope two pixels below lets it start. The one exception
// is the tick in which the feet are a pixel above the next tile's top row:
// that tile is then 21 pixels below the miner's y, outside the window in
// which tiles are tested, so a jump pressed then starts a tick later.
TEST(Slopes, DescendingKeepsTheJump) {
    int refused = 0;
    for (int before = 3; before <= 40; ++before) {
        Headless& s = startAt("moves", SLOPES);
        placeMiner(s, 223, 150);
        play(s, before, LEFT);
        const int y = miner(s).y;
        ASSERT_EQ(miner(s).falling, 1) << "after " << before << " ticks";
        play(s, 1, {.left = true, .jump = true});
        const bool jumps = y % 10 != 9;
        EXPECT_EQ(miner(s).jumping, jumps ? 1 : 0) << "at y " << y;
        EXPECT_EQ(miner(s).y, jumps ? y - 2 : y + 1) << "at y " << y;
        refused += !jumps;
    }
    EXPECT_EQ(refused, 3); // y = 159, 169 and 179
}

TEST(Slopes, StandingStillOnASlopeHolds) {
    Headless& s = startAt("moves", SLOPES);
    play(s, 50, RIGHT); // part way up
    const Step here{miner(s).x, miner(s).y};
    ASSERT_LT(here.y, FLOOR_Y);
    ASSERT_GT(here.y, 150);
    play(s, 30, NO_KEYS);
    EXPECT_EQ(miner(s).x, here.x);
    EXPECT_EQ(miner(s).y, here.y);
}

const Platforms* tileAt(const GameState& g, int x, int y) {
    for (const Platforms& t : g.platformList)
        if (t.x == x && t.y == y) return &t;
    return nullptr;
}

// Standing from the level's first tick: frame 2 in the 6th tick, 3 in the
// 12th, gone in the 18th, falling from the 19th.
TEST(Crumbling, ThreeStepsThenTheFall) {
    Headless& s = startAt("moves", CRUMBLE); // tick 1
    const GameState& g = s.world();
    struct Expect {
        int tick, frame;
    };
    int tick = 1;
    for (const Expect e : {Expect{5, 1}, {6, 2}, {11, 2}, {12, 3}, {17, 3}}) {
        play(s, e.tick - tick);
        tick = e.tick;
        const Platforms* t = tileAt(g, 150, 210);
        ASSERT_NE(t, nullptr) << "tick " << tick;
        EXPECT_EQ(t->animFrame, e.frame) << "tick " << tick;
    }
    play(s, 1);
    EXPECT_EQ(tileAt(g, 150, 210), nullptr);
    EXPECT_EQ(miner(s).y, FLOOR_Y);
    play(s, 1);
    EXPECT_EQ(miner(s).y, FLOOR_Y + 1);
}

// The tile 20 pixels above the floor beside the start is touched for one
// tick by the rising feet; that one tick completes a whole step.
TEST(Crumbling, OneTickOfContactCompletesOneStep) {
    Headless& s = startAt("moves", CRUMBLE_TOUCH);
    play(s, 5, RIGHT);
    ASSERT_EQ(miner(s).x, 165);
    const GameState& g = s.world();
    const Platforms* tile = tileAt(g, 170, 190);
    ASSERT_NE(tile, nullptr);
    play(s, 1, JUMP);
    play(s, 10, NO_KEYS); // jump tick 11: the feet pass the tile's top row
    EXPECT_EQ(tile->steppedOn, 1);
    EXPECT_EQ(tile->animTimer, 1);
    play(s, 5, NO_KEYS); // jump tick 16: the step is complete
    EXPECT_EQ(tile->animFrame, 2);
    EXPECT_EQ(tile->steppedOn, 0);
    play(s, 5, NO_KEYS); // still in the air: no further step
    EXPECT_EQ(tile->animFrame, 2);
    EXPECT_EQ(tile->animTimer, 0);
}

TEST(Conveyors, OverrideInputUntilAWallStops) {
    Headless& s = startAt("moves", CONVEYOR_LEFT);
    ASSERT_EQ(miner(s).x, 139); // the first tick already carried it
    for (int t = 1; t <= 10; ++t) {
        play(s, 1, RIGHT);
        EXPECT_EQ(miner(s).x, 139 - t);
    }
    play(s, 200, RIGHT);
    EXPECT_EQ(miner(s).x, 40 + 8);
    EXPECT_EQ(miner(s).y, FLOOR_Y);
    EXPECT_GE(miner(s).frame, 8); // walking left, animated

    Headless& r = startAt("moves", CONVEYOR_RIGHT);
    play(r, 200, LEFT);
    EXPECT_EQ(miner(r).x, 270 - 8);
}

TEST(Conveyors, AJumpTakesTheMinerOff) {
    Headless& s = startAt("moves", CONVEYOR_LEFT);
    play(s, 1, JUMP);
    const int x = miner(s).x;
    play(s, 20, NO_KEYS); // in the air nothing carries it
    EXPECT_EQ(miner(s).x, x);
}

// Each jump from a rung lands on the rung two tiles up: 20 pixels a jump,
// until the top of the column.
TEST(Ladders, HoldingJumpClimbsTwentyPixelsAJump) {
    for (int level : {LADDER, POLE}) {
        Headless& s = startAt("moves", level);
        play(s, 5, RIGHT);
        std::vector<int> starts;
        for (int t = 0; t < 200; ++t) {
            const int y = miner(s).y;
            play(s, 1, JUMP);
            if (miner(s).jumpTimer == 1) starts.push_back(y);
        }
        ASSERT_GE(starts.size(), 6u) << "level " << level;
        const std::vector<int> expected{190, 170, 150, 130, 110, 100};
        EXPECT_EQ(std::vector<int>(starts.begin(), starts.begin() + 6), expected)
            << "level " << level;
    }
}

// ---- the pass itself, on hand-made lists ------------------------------------------

Platforms tile(int kind, int x, int animFrame = 0) {
    Platforms t;
    t.kind = kind;
    t.x = x;
    t.y = 30;
    t.animFrame = animFrame;
    t.pictureId = kind == TILE_CRUMBLING ? 4 : 5;
    return t;
}

// A crumbling tile on its last step, first or last in the list.
Platforms crumbled(int x) {
    Platforms t = tile(TILE_CRUMBLING, x, 3);
    t.steppedOn = 1;
    t.animTimer = 5;
    return t;
}

TEST(TerrainPass, RemovingACrumbledTileSkipsNothing) {
    GameState g;
    Assets none;
    g.player.x = 300;
    g.platformList = {crumbled(0), tile(TILE_CONVEYOR_LEFT, 10, 1), crumbled(20),
                      tile(TILE_CONVEYOR_RIGHT, 30, 1), crumbled(40)};
    terrainPass(g, none);
    ASSERT_EQ(g.platformList.size(), 2u);
    for (const Platforms& t : g.platformList)
        EXPECT_EQ(t.animTimer, 1) << "conveyor at " << t.x;
    EXPECT_EQ(g.platformList[0].x, 10);
    EXPECT_EQ(g.platformList[1].x, 30);
}

TEST(TerrainPass, ConveyorsStepEveryFourTicks) {
    GameState g;
    Assets none;
    g.player.x = 300;
    g.platformList = {tile(TILE_CONVEYOR_LEFT, 0, 1), tile(TILE_CONVEYOR_RIGHT, 10, 1)};
    const int expected[] = {1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 0};
    for (int t = 0; t < 12; ++t) {
        terrainPass(g, none);
        EXPECT_EQ(g.platformList[0].animFrame, expected[t]) << "tick " << t + 1;
        EXPECT_EQ(g.platformList[1].animFrame, expected[t]) << "tick " << t + 1;
    }
}

TEST(TerrainPass, AStepOnceBegunCompletesWithoutThePlayer) {
    GameState g;
    Assets none;
    g.player.x = 300;
    Platforms t = tile(TILE_CRUMBLING, 0, 1);
    t.steppedOn = 1;
    g.platformList = {t};
    for (int tick = 1; tick <= 5; ++tick)
        terrainPass(g, none);
    EXPECT_EQ(g.platformList[0].animFrame, 1);
    terrainPass(g, none);
    EXPECT_EQ(g.platformList[0].animFrame, 2);
    EXPECT_EQ(g.platformList[0].steppedOn, 0);
    for (int tick = 1; tick <= 20; ++tick)
        terrainPass(g, none);
    EXPECT_EQ(g.platformList[0].animFrame, 2);
}

} // namespace
