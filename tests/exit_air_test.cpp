// exit_air_test.cpp - the exit door (closed, open, animation, reaching it),
// the air supply, and level changes with deaths through the play loop.
#include <gtest/gtest.h>

#include <vector>

#include "gameplay/air.h"
#include "gameplay/exit.h"
#include "rules_test_support.h"
#include "world/messages.h"
#include "world_test_support.h"

using namespace rules_test;

namespace {

// The door at (100, 100), the figure over its left half, test pictures.
struct ExitWorld {
    GameState g;
    Assets a;
    Platforms door;
    ExitWorld() {
        makeTestAssets(a);
        door.kind = TILE_EXIT;
        door.pictureId = 7;
        door.x = 100;
        door.y = 100;
        g.player.x = 100;
        g.player.y = 100;
        g.player.level = 3;
    }
};

} // namespace

TEST(Exit, ClosedWhileItemsRemain) {
    ExitWorld w;
    w.g.itemList.push_back(makeItem(1, 10, 10));
    for (int t = 0; t < 30; ++t)
        exitRule(w.g, w.a, w.door, true);
    EXPECT_EQ(w.g.player.level, 3);
    EXPECT_EQ(w.g.loadLevelPending, 0);
    EXPECT_EQ(w.g.slideInPending, 0);
    EXPECT_EQ(w.door.animFrame, 0);
    EXPECT_EQ(w.door.animTimer, 0);
}

TEST(Exit, OpenDoorEndsTheLevel) {
    ExitWorld w; // no items: open from the first tick
    exitRule(w.g, w.a, w.door, true);
    EXPECT_EQ(w.g.player.level, 4);
    EXPECT_EQ(w.g.loadLevelPending, 1);
    EXPECT_EQ(w.g.slideInPending, 1);
    // Nothing else of the world is touched.
    EXPECT_EQ(w.g.playerDied, 0);
    EXPECT_EQ(w.g.player.score, 0);
    EXPECT_EQ(w.g.player.lives, 4);
}

TEST(Exit, ReachedWithTheCollisionMaskOnly) {
    // The mask is opaque in columns 2..7 of the figure; the door is solid.
    struct Case {
        const char* what;
        int dx, dy;
        bool near;
        bool reached;
    } cases[] = {
        {"mask column 7 on the door's first column", -7, 0, true, true},
        {"only the figure's transparent columns over the door", -8, 0, true, false},
        {"mask column 2 on the door's last column", 17, 0, true, true},
        {"mask beyond the door's last column", 18, 0, true, false},
        {"feet on the door's top row", 0, -19, true, true},
        {"standing on top of the door", 0, -20, true, false},
        {"overlapping, but the pass found it not near", 0, 0, false, false},
    };
    for (const Case& c : cases) {
        ExitWorld w;
        w.g.player.x = 100 + c.dx;
        w.g.player.y = 100 + c.dy;
        exitRule(w.g, w.a, w.door, c.near);
        EXPECT_EQ(w.g.player.level, c.reached ? 4 : 3) << c.what;
        EXPECT_EQ(w.g.loadLevelPending, c.reached ? 1 : 0) << c.what;
    }
}

TEST(Exit, TwoDoorsUnderThePlayerCountOnce) {
    ExitWorld w;
    Platforms second = w.door;
    second.x = 105;
    exitRule(w.g, w.a, w.door, true);
    exitRule(w.g, w.a, second, true);
    EXPECT_EQ(w.g.player.level, 4);
}

TEST(Exit, AnimatesOnlyWhenOpenNearOrNot) {
    ExitWorld w;
    w.g.player.x = 0; // far away
    w.g.player.y = 0;
    std::vector<int> frames;
    for (int t = 0; t < 21; ++t) {
        exitRule(w.g, w.a, w.door, false);
        frames.push_back(w.door.animFrame);
    }
    const std::vector<int> expected = {0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2,
                                       2, 2, 2, 3, 3, 3, 3, 3, 0, 0};
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(w.g.player.level, 3);

    // Items back (a reloaded try would rebuild the door, but the rule itself
    // simply stops animating while anything is left).
    w.g.itemList.push_back(makeItem(1, 10, 10));
    const Platforms before = w.door;
    for (int t = 0; t < 10; ++t)
        exitRule(w.g, w.a, w.door, false);
    EXPECT_EQ(w.door.animFrame, before.animFrame);
    EXPECT_EQ(w.door.animTimer, before.animTimer);
}

TEST(Air, RunsOutInThe5600thTickOfATry) {
    GameState g;
    g.air = g.airMax; // as the loader leaves it
    airCountdown(g);
    EXPECT_EQ(g.air, 5599); // what the first tick shows
    for (int tick = 2; tick < 5600; ++tick) {
        airCountdown(g);
        ASSERT_EQ(g.playerDied, 0) << "tick " << tick;
    }
    EXPECT_EQ(g.air, 1);
    airCountdown(g);
    EXPECT_EQ(g.air, 0);
    EXPECT_EQ(g.playerDied, 1);
}

TEST(Air, NeverClearsADeathFromElsewhere) {
    GameState g;
    g.air = 100;
    g.playerDied = 1;
    airCountdown(g);
    EXPECT_EQ(g.playerDied, 1);
    EXPECT_EQ(g.air, 99);
}

// ---- Through the play loop ----------------------------------------------------------------
// tests/levels/rules/exits: level 1 "Closed door" has an item out of reach and
// the exit on the walk to the right; level 2 "Open door" has no items and the
// start inside the exit.

namespace {

const Platforms* exitTile(const GameState& g) {
    for (const Platforms& p : g.platformList)
        if (p.kind == TILE_EXIT) return &p;
    return nullptr;
}

bool hasMessage(const GameState& g, int kind) {
    for (const PixelMessage& m : g.messageList)
        if (m.kind == kind) return true;
    return false;
}

} // namespace

TEST(PlayLoopExit, DeathInTheTickOfTheExitCostsALifeAndStillSlidesOn) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("rules/exits"), 2, &error)) << error;
    GameState& g = s.game().world;
    g.airMax = 1; // the air runs out in the first tick, which also reaches the exit
    ASSERT_TRUE(s.tick(NO_KEYS, &error)) << error;
    EXPECT_EQ(g.levelTitle, "Open door");
    EXPECT_EQ(g.air, 0);
    EXPECT_EQ(g.player.level, 3);
    EXPECT_EQ(g.player.lives, 3);
    EXPECT_EQ(g.loadLevelPending, 1);
    EXPECT_EQ(g.slideInPending, 1);

    g.airMax = AIR_MAX;
    ASSERT_TRUE(s.tick(NO_KEYS, &error)) << error;
    EXPECT_EQ(g.levelTitle, "Closed door"); // past the last level: level 1
    EXPECT_EQ(g.player.level, 1);
    EXPECT_EQ(g.player.lives, 3);
    EXPECT_EQ(g.playerDied, 0);
    EXPECT_EQ(g.air, AIR_MAX - 1);
    EXPECT_FALSE(hasMessage(g, MSG_OUCH));
}

TEST(PlayLoopExit, AfterTheLastLevelPlayGoesOnAtLevelOneWithScoreAndLives) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("rules/exits"), 2, &error)) << error;
    GameState& g = s.game().world;
    g.player.score = 120;
    g.player.lives = 7;
    ASSERT_TRUE(s.tick(NO_KEYS, &error)) << error;
    // A level without items: the exit works in its very first tick, and the
    // exit message is never shown.
    EXPECT_EQ(g.player.level, 3);
    EXPECT_EQ(s.completed(), 1);
    EXPECT_FALSE(hasMessage(g, MSG_EXIT_OPEN));
    ASSERT_TRUE(s.tick(NO_KEYS, &error)) << error;
    EXPECT_EQ(g.levelTitle, "Closed door");
    EXPECT_EQ(g.player.level, 1);
    EXPECT_EQ(g.player.score, 120);
    EXPECT_EQ(g.player.lives, 7);
    EXPECT_TRUE(g.messageList.empty()); // a level change: no Ouch
}

TEST(PlayLoopExit, ClosedExitIsWalkedThrough) {
    Headless& s = startAt("rules/exits", 1);
    const GameState& g = s.world();
    ASSERT_EQ(g.levelTitle, "Closed door");
    ASSERT_EQ(miner(s).x, 40);
    ASSERT_NE(exitTile(g), nullptr);
    ASSERT_EQ(exitTile(g)->x, 190);
    play(s, 200, RIGHT);
    EXPECT_EQ(miner(s).x, 240); // never held up by the door
    EXPECT_EQ(miner(s).y, 120);
    EXPECT_EQ(g.player.level, 1);
    EXPECT_EQ(g.loadLevelPending, 0);
    EXPECT_EQ(s.completed(), 0);
    EXPECT_EQ(exitTile(g)->animFrame, 0);
    EXPECT_EQ(exitTile(g)->animTimer, 0);
}
