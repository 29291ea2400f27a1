// baddies_test.cpp - the baddie pass: frame stepping of every kind in both
// directions, the patrol rule, and deadly contact.
#include <gtest/gtest.h>

#include <vector>

#include "rules_test_support.h"
#include "world/baddies.h"

using namespace rules_test;

namespace {

// Frames shown after each of `steps` frame changes.
std::vector<int> frameSequence(const char* kind, int dirX, int dirY, int steps) {
    Baddie b = makeBaddie(kind, 0, 0);
    b.dirX = dirX;
    b.dirY = dirY;
    std::vector<int> frames;
    for (int i = 0; i < steps; ++i) {
        stepBaddieFrame(b);
        frames.push_back(b.frame);
    }
    return frames;
}

struct SequenceCase {
    const char* kind;
    std::vector<int> forward;
    std::vector<int> backward;
};

// Every keyword, from frame 0 and frameStep +1.
const SequenceCase kSequences[] = {
    {"Guard1", {1, 0, 1, 0, 1, 0}, {3, 2, 3, 2, 3, 2}},
    {"Penguin", {1, 0, 1, 0, 1, 0}, {3, 2, 3, 2, 3, 2}},
    {"Guard2", {1, 2, 1, 0, 1, 2, 1, 0}, {4, 5, 4, 3, 4, 5, 4, 3}},
    {"Monk", {1, 2, 1, 0, 1, 2, 1, 0}, {4, 5, 4, 3, 4, 5, 4, 3}},
    {"Monty", {1, 2, 1, 0, 1, 2, 1, 0}, {4, 5, 4, 3, 4, 5, 4, 3}},
    {"TedBike", {1, 2, 3, 0, 1, 2, 3, 0}, {4, 5, 6, 7, 4, 5, 6, 7}},
    {"Teapot", {1, 2, 3, 4, 0, 1, 2, 3, 4, 0}, {5, 6, 7, 8, 9, 5, 6, 7, 8, 9}},
    {"Grimble", {1, 2, 3, 0, 1, 2}, {1, 2, 3, 0, 1, 2}},
    {"Hatter", {1, 2, 3, 0, 1, 2}, {1, 2, 3, 0, 1, 2}},
    {"BlueBlob", {1, 2, 3, 0, 1, 2}, {1, 2, 3, 0, 1, 2}},
    {"GreenBlob", {1, 2, 3, 0, 1, 2}, {1, 2, 3, 0, 1, 2}},
    {"Spider", {1, 0, 1, 0}, {1, 0, 1, 0}},
    {"TedHead", {1, 2, 1, 0, 1, 2}, {1, 2, 1, 0, 1, 2}},
    {"MegaFred", {1, 2, 1, 0, 1, 2}, {1, 2, 1, 0, 1, 2}},
    {"Phone", {1, 2, 1, 0, 1, 2}, {1, 2, 1, 0, 1, 2}},
    {"Phone_green", {1, 2, 1, 0, 1, 2}, {1, 2, 1, 0, 1, 2}},
    {"Phone_red", {1, 2, 1, 0, 1, 2}, {1, 2, 1, 0, 1, 2}},
    {"TedDisk", {1, 2, 3, 2, 1, 0, 1, 2}, {1, 2, 3, 2, 1, 0, 1, 2}},
    {"Crusher", {1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 1}, {1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 1}},
    {"Bush", {0, 0, 0, 0}, {0, 0, 0, 0}},
};

} // namespace

TEST(BaddieFrames, EveryKindForwardAndBackward) {
    for (const SequenceCase& c : kSequences) {
        const int steps = static_cast<int>(c.forward.size());
        EXPECT_EQ(frameSequence(c.kind, 1, 0, steps), c.forward) << c.kind << " walking right";
        EXPECT_EQ(frameSequence(c.kind, -1, 0, steps), c.backward) << c.kind << " walking left";
    }
}

TEST(BaddieFrames, DirectionComesFromTheSumOfBothAxes) {
    // Guard1: forward frames are 0..1, backward 2..3.
    struct Case {
        int dirX, dirY;
        int firstFrame;
    } cases[] = {
        {0, 1, 1},   // down: forward
        {0, -1, 3},  // up: backward
        {0, 0, 3},   // standing still: backward
        {1, -1, 3},  // diagonal summing to 0: backward
        {-1, 1, 3},  // the other such diagonal
        {1, 1, 1},   // right and down: forward
        {-1, -1, 3}, // left and up: backward
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameSequence("Guard1", c.dirX, c.dirY, 1)[0], c.firstFrame)
            << "dirX " << c.dirX << " dirY " << c.dirY;
}

TEST(BaddieFrames, ModeOneTurningBackShowsSecondHalfPlusOne) {
    // A guard that starts walking left from frame 0 jumps to h, then steps to h + 1.
    EXPECT_EQ(frameSequence("Guard1", -1, 0, 1)[0], 3);
    EXPECT_EQ(frameSequence("Guard2", -1, 0, 1)[0], 4);

    // Turning around mid-walk: a forward guard on frame 1 reverses into its back half.
    Baddie b = makeBaddie("Guard2", 0, 0);
    b.dirX = 1;
    stepBaddieFrame(b);
    stepBaddieFrame(b); // frame 2, frameStep +1
    b.dirX = -1;
    stepBaddieFrame(b);
    EXPECT_EQ(b.frame, 4);
    // And back: frame 4 is beyond the front half, so it restarts at 0 and steps to 1.
    b.dirX = 1;
    stepBaddieFrame(b);
    EXPECT_EQ(b.frame, 1);
}

TEST(BaddieFrames, UnknownModesChangeNothing) {
    for (int mode : {0, 5, 6, -1}) {
        Baddie b = makeBaddie("Guard1", 0, 0);
        b.animMode = mode;
        b.frame = 1;
        b.dirX = 1;
        stepBaddieFrame(b);
        EXPECT_EQ(b.frame, 1) << "mode " << mode;
        EXPECT_EQ(b.frameStep, 1) << "mode " << mode;
    }
}

TEST(BaddiePass, FrameChangesEveryFrameDelayTicks) {
    GameState g;
    Assets a;
    Baddie b = makeBaddie("Grimble", 50, 50);
    b.frameDelay = 5;
    g.baddieList.push_back(b);
    std::vector<int> frames;
    for (int tick = 0; tick < 12; ++tick) {
        baddiePass(g, a);
        frames.push_back(g.baddieList[0].frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2}));
}

TEST(BaddiePass, DelayOfZeroOrLessKeepsFrameZero) {
    for (int delay : {0, -1, -20}) {
        GameState g;
        Assets a;
        Baddie b = makeBaddie("Crusher", 50, 50);
        b.frameDelay = delay;
        g.baddieList.push_back(b);
        for (int tick = 0; tick < 200; ++tick)
            baddiePass(g, a);
        EXPECT_EQ(g.baddieList[0].frame, 0) << "delay " << delay;
    }
}

namespace {

// x after each of `ticks` passes of one baddie.
std::vector<int> patrolX(int x, int dirX, int speed, int minX, int maxX, int ticks) {
    GameState g;
    Assets a;
    Baddie b = makeBaddie("Guard1", x, 100);
    b.dirX = dirX;
    b.speedX = speed;
    b.minX = minX;
    b.maxX = maxX;
    g.baddieList.push_back(b);
    std::vector<int> xs;
    for (int i = 0; i < ticks; ++i) {
        baddiePass(g, a);
        xs.push_back(g.baddieList[0].x);
    }
    return xs;
}

std::vector<int> range(int from, int to, int step) {
    std::vector<int> v;
    for (int i = from; step > 0 ? i <= to : i >= to; i += step)
        v.push_back(i);
    return v;
}

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(BaddiePatrol, SpeedThreeTurnsOnTheBoundAfterReachingIt) {
    // 43, 46 ... 97, 100 (turn), 97, 94 ... 40 (turn), 43.
    const std::vector<int> expected =
        concat(concat(range(43, 100, 3), range(97, 40, -3)), std::vector<int>{43});
    EXPECT_EQ(patrolX(40, 1, 3, 40, 100, static_cast<int>(expected.size())), expected);
}

TEST(BaddiePatrol, TableOfBoundCases) {
    struct Case {
        const char* what;
        int x, dirX, speed, minX, maxX;
        std::vector<int> expected;
    } cases[] = {
        {"speed not dividing the distance passes the bound by less than a step",
         90,
         1,
         7,
         40,
         100,
         {97, 104, 97, 90}},
        {"starts beyond maxX moving left: runs on to minX",
         150,
         -1,
         10,
         40,
         100,
         {140, 130, 120, 110, 100, 90, 80, 70, 60, 50, 40, 50}},
        {"starts beyond maxX moving right: turns at once", 150, 1, 1, 40, 100, {151, 150, 149}},
        {"starts left of minX moving right: runs on to maxX",
         20,
         1,
         20,
         40,
         100,
         {40, 60, 80, 100, 80}},
        {"starts left of minX moving left: turns at once", 20, -1, 5, 40, 100, {15, 20, 25}},
        {"direction 0 stands still", 60, 0, 5, 40, 100, {60, 60, 60}},
        {"direction +2 is tested against minX only and runs past maxX",
         96,
         2,
         1,
         40,
         100,
         {98, 100, 102, 104}},
        {"direction -2 moves two speeds and turns at minX", 46, -2, 1, 40, 100, {44, 42, 40, 42}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            patrolX(c.x, c.dirX, c.speed, c.minX, c.maxX, static_cast<int>(c.expected.size())),
            c.expected)
            << c.what;
}

TEST(BaddiePatrol, DiagonalMoverTurnsOnEachAxisAlone) {
    GameState g;
    Assets a;
    Baddie b = makeBaddie("Grimble", 0, 10);
    b.dirX = 1;
    b.dirY = -1;
    b.speedX = 1;
    b.speedY = 1;
    b.minX = 0;
    b.maxX = 30;
    b.minY = 0;
    b.maxY = 10;
    g.baddieList.push_back(b);
    for (int i = 0; i < 10; ++i)
        baddiePass(g, a);
    EXPECT_EQ(g.baddieList[0].x, 10);
    EXPECT_EQ(g.baddieList[0].y, 0);
    EXPECT_EQ(g.baddieList[0].dirY, 1); // turned at minY
    EXPECT_EQ(g.baddieList[0].dirX, 1); // still heading for maxX
    for (int i = 0; i < 10; ++i)
        baddiePass(g, a);
    EXPECT_EQ(g.baddieList[0].x, 20);
    EXPECT_EQ(g.baddieList[0].y, 10);
    EXPECT_EQ(g.baddieList[0].dirY, -1);
    for (int i = 0; i < 10; ++i)
        baddiePass(g, a);
    EXPECT_EQ(g.baddieList[0].x, 30);
    EXPECT_EQ(g.baddieList[0].dirX, -1);
}

TEST(BaddiePass, UnknownKeywordIsSkippedEntirely) {
    GameState g;
    Assets a;
    makeTestAssets(a);
    Baddie b;
    b.kind = "Dragon";
    b.x = 100;
    b.y = 100;
    b.dirX = 1;
    b.speedX = 5;
    b.maxX = 300;
    b.frameDelay = 1;
    b.frameCount = 0;
    g.baddieList.push_back(b);
    g.player.x = 100; // right on top of it
    g.player.y = 100;
    for (int i = 0; i < 10; ++i)
        baddiePass(g, a);
    EXPECT_EQ(g.baddieList[0].x, 100);
    EXPECT_EQ(g.baddieList[0].frameTimer, 0);
    EXPECT_EQ(g.playerDied, 0);
}

// ---- Contact ------------------------------------------------------------------------------

TEST(BaddieContact, TouchKillsAndLaterBaddiesStillMove) {
    GameState g;
    Assets a;
    makeTestAssets(a);
    g.player.x = 100;
    g.player.y = 100;
    Baddie killer = makeBaddie("Guard1", 95, 100); // moves onto the player
    killer.dirX = 1;
    killer.speedX = 1;
    killer.maxX = 200;
    Baddie later = makeBaddie("Guard1", 10, 100);
    later.dirX = 1;
    later.speedX = 2;
    later.maxX = 200;
    g.baddieList = {killer, later};
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
    EXPECT_EQ(g.baddieList[1].x, 12);
    // The pass never clears the flag, even when nothing touches any more.
    g.player.x = 300;
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
}

TEST(BaddieContact, TestedAtTheNewPosition) {
    // A guard one step away: its move this tick brings it into contact.
    GameState g;
    Assets a;
    makeTestAssets(a);
    g.player.x = 100;
    g.player.y = 100;
    Baddie b = makeBaddie("Penguin", 110, 100); // touching edges, no shared pixel
    g.baddieList.push_back(b);
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 0);
    g.baddieList[0].dirX = -1;
    g.baddieList[0].speedX = 1;
    g.baddieList[0].minX = 0;
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
}

TEST(BaddieContact, WideCrusherOnlyWithinTenPixelsOfItsLeftEdge) {
    // The crusher is 25 x 50 and solid; the figure 10 x 20 and solid. Every
    // offset below overlaps pixels, but only those whose left edges lie
    // within 10 pixels of each other are tested.
    struct Case {
        int dx, dy;
        bool dies;
    } cases[] = {
        {0, 0, true},   {10, 0, true},  {11, 0, false}, {14, 0, false},
        {24, 0, false}, {-9, 0, true},  {5, 30, true},  {5, 49, true},
        {5, -19, true}, {5, 50, false}, {25, 0, false}, {-10, 0, false},
    };
    for (const Case& c : cases) {
        GameState g;
        Assets a;
        makeTestAssets(a);
        g.baddieList.push_back(makeBaddie("Crusher", 100, 60));
        g.player.x = 100 + c.dx;
        g.player.y = 60 + c.dy;
        baddiePass(g, a);
        EXPECT_EQ(g.playerDied, c.dies ? 1 : 0) << "dx " << c.dx << " dy " << c.dy;
    }
}

TEST(BaddieContact, UsesTheFramesOfBothPictures) {
    // A figure whose frame 3 is empty cannot be hurt while showing it, and a
    // baddie whose frame 1 is empty cannot hurt while showing that.
    GameState g;
    Assets a;
    makeTestAssets(a);
    a.player = makeImage(10, 20, 16, [](int f, int, int) { return f != 3; });
    a.baddies[static_cast<size_t>(baddieKindIndex("Spider"))] =
        makeImage(10, 10, 2, [](int f, int, int) { return f != 1; });
    g.baddieList.push_back(makeBaddie("Spider", 100, 100));
    g.player.x = 100;
    g.player.y = 95;
    g.player.frame = 3;
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 0);
    g.player.frame = 0;
    g.baddieList[0].frame = 1;
    g.baddieList[0].frameDelay = 1000;
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 0);
    g.baddieList[0].frame = 0;
    baddiePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
}
