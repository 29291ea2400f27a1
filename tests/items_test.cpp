// items_test.cpp - the item pass (collection window, score, bonus lives,
// messages, animation, removal during the pass), the spike pass, and items
// coming back after a lost life through the play loop.
#include <gtest/gtest.h>

#include <vector>

#include "gameplay/items.h"
#include "gameplay/spikes.h"
#include "rules_test_support.h"
#include "world/messages.h"
#include "world_test_support.h"

using namespace rules_test;

namespace {

// The frame an item shows after each of `changes` frame changes, checking
// that a change comes every 6th tick and not before.
std::vector<int> itemFrames(Coins item, int changes) {
    GameState g;
    Assets a; // no pictures: nothing is collected, only animated
    item.x = 200;
    item.y = 200;
    g.itemList.push_back(item);
    std::vector<int> frames;
    for (int c = 0; c < changes; ++c) {
        const int before = g.itemList[0].frame;
        for (int t = 0; t < 5; ++t) {
            itemPass(g, a);
            EXPECT_EQ(g.itemList[0].frame, before) << "changed early";
        }
        itemPass(g, a);
        frames.push_back(g.itemList[0].frame);
    }
    return frames;
}

std::vector<int> kinds(const MessageList& list) {
    std::vector<int> k;
    for (const PixelMessage& m : list)
        k.push_back(m.kind);
    return k;
}

// A world with the test pictures and the figure standing at (100, 100).
struct ItemWorld {
    GameState g;
    Assets a;
    ItemWorld() {
        makeTestAssets(a);
        g.player.x = 100;
        g.player.y = 100;
    }
};

} // namespace

TEST(ItemAnimation, SequencesByKind) {
    struct Case {
        const char* what;
        int frameCount, animMode, startFrame;
        std::vector<int> expected;
    } cases[] = {
        {"coin, ping-pong from 0", 4, 2, 0, {1, 2, 3, 2, 1, 0, 1, 2}},
        {"coin, ping-pong from 2", 4, 2, 2, {3, 2, 1, 0, 1}},
        {"coin, ping-pong from 1", 4, 2, 1, {2, 3, 2, 1, 0}},
        {"cup, cycle", 2, 0, 0, {1, 0, 1, 0}},
        {"two frames ping-pong look the same", 2, 2, 0, {1, 0, 1, 0}},
        {"four frames cycling", 4, 0, 0, {1, 2, 3, 0, 1}},
        {"key, a single frame", 1, 0, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Coins item = makeItem(1, 0, 0, c.frameCount, c.animMode);
        item.frame = c.startFrame;
        EXPECT_EQ(itemFrames(item, static_cast<int>(c.expected.size())), c.expected) << c.what;
    }
}

TEST(ItemAnimation, SingleFrameItemKeepsItsTimerStill) {
    GameState g;
    Assets a;
    g.itemList.push_back(makeItem(2, 200, 200, 1, 0));
    for (int t = 0; t < 50; ++t)
        itemPass(g, a);
    EXPECT_EQ(g.itemList[0].frameTimer, 0);
    EXPECT_EQ(g.itemList[0].frame, 0);
}

TEST(ItemCollection, OnlyInsideTheTenPixelWindow) {
    // The figure and the items are solid, so every offset with a shared pixel
    // collects if and only if the item's corner is within 10 pixels.
    struct Case {
        int dx, dy;
        bool collected;
    } cases[] = {
        {0, 0, true},   {9, 0, true},    {10, 0, false}, // 10: edges touch, no shared pixel
        {-9, 0, true},  {-10, 0, false}, {0, 10, true},  // upper half of the figure
        {0, 11, false}, {0, 15, false},  {0, 19, false}, // only the lower half: out of reach
        {0, -9, true},  {0, -10, false}, {-9, -9, true},
        {9, 10, true},  {9, 11, false},  {30, 0, false},
    };
    for (const Case& c : cases) {
        ItemWorld w;
        w.g.itemList.push_back(makeItem(1, 100 + c.dx, 100 + c.dy));
        itemPass(w.g, w.a);
        EXPECT_EQ(w.g.itemList.empty(), c.collected) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(w.g.player.score, c.collected ? 10 : 0) << "dx " << c.dx << " dy " << c.dy;
    }
}

TEST(ItemCollection, FigureFrameAndItemFrameZeroDecide) {
    ItemWorld w;
    // Player frame 4 is empty; item frame 0 is solid, the others empty.
    w.a.player = makeImage(10, 20, 16, [](int f, int, int) { return f != 4; });
    w.a.items[1] = makeImage(10, 10, 4, [](int f, int, int) { return f == 0; });
    Coins item = makeItem(1, 100, 100);
    item.frame = 2; // shows an empty frame, but frame 0 is what is tested
    w.g.itemList.push_back(item);
    w.g.player.frame = 4;
    itemPass(w.g, w.a);
    EXPECT_EQ(w.g.itemList.size(), 1u);
    w.g.player.frame = 12;
    itemPass(w.g, w.a);
    EXPECT_TRUE(w.g.itemList.empty());
}

TEST(ItemCollection, ScoreBonusLivesAndMessages) {
    struct Case {
        int scoreBefore;
        int points;
        int livesAfter;
        std::vector<int> messageKinds; // the item is not the last one
    } cases[] = {
        {0, 10, 4, {MSG_TEN_POINTS}},
        {480, 10, 4, {MSG_TEN_POINTS}},
        {490, 10, 5, {MSG_TEN_POINTS, MSG_BONUS_LIFE}},
        {500, 10, 4, {MSG_TEN_POINTS}},
        {990, 10, 5, {MSG_TEN_POINTS, MSG_BONUS_LIFE}},
        {1490, 10, 5, {MSG_TEN_POINTS, MSG_BONUS_LIFE}},
        {495, 10, 4, {MSG_TEN_POINTS}}, // jumps over 500 without landing on it
        {0, 25, 4, {MSG_TEN_POINTS}},   // the points field is what counts
    };
    for (const Case& c : cases) {
        ItemWorld w;
        w.g.player.score = c.scoreBefore;
        Coins item = makeItem(1, 103, 104);
        item.points = c.points;
        w.g.itemList = {item, makeItem(1, 250, 200)};
        itemPass(w.g, w.a);
        EXPECT_EQ(w.g.player.score, c.scoreBefore + c.points) << "from " << c.scoreBefore;
        EXPECT_EQ(w.g.player.lives, c.livesAfter) << "from " << c.scoreBefore;
        EXPECT_EQ(kinds(w.g.messageList), c.messageKinds) << "from " << c.scoreBefore;
        // The ten-points message is centred on the item's corner.
        ASSERT_FALSE(w.g.messageList.empty());
        EXPECT_EQ(w.g.messageList[0].x, 103);
        EXPECT_EQ(w.g.messageList[0].y, 104);
        EXPECT_EQ(w.g.messageList[0].life, 40);
    }
}

TEST(ItemCollection, FiftiethAndHundredthItemsOfAGameGiveLives) {
    ItemWorld w;
    int bonusMessages = 0;
    for (int n = 1; n <= 100; ++n) {
        w.g.itemList = {makeItem(1, 100, 100), makeItem(1, 250, 200)};
        w.g.messageList.clear();
        itemPass(w.g, w.a);
        for (const PixelMessage& m : w.g.messageList)
            if (m.kind == MSG_BONUS_LIFE) {
                ++bonusMessages;
                EXPECT_TRUE(n == 50 || n == 100) << "item " << n;
            }
    }
    EXPECT_EQ(w.g.player.score, 1000);
    EXPECT_EQ(w.g.player.lives, 6);
    EXPECT_EQ(bonusMessages, 2);
}

TEST(ItemCollection, LastItemAtMultipleOf500MakesThreeMessagesInOrder) {
    ItemWorld w;
    w.g.player.score = 490;
    w.g.itemList.push_back(makeItem(1, 104, 102));
    itemPass(w.g, w.a);
    ASSERT_EQ(kinds(w.g.messageList),
              (std::vector<int>{MSG_TEN_POINTS, MSG_BONUS_LIFE, MSG_EXIT_OPEN}));
    const PixelMessage& item = w.g.messageList[0];
    const PixelMessage& bonus = w.g.messageList[1];
    const PixelMessage& exit = w.g.messageList[2];
    EXPECT_EQ(item.x, 104);
    EXPECT_EQ(item.y, 102);
    EXPECT_EQ(item.life, 40);
    EXPECT_EQ(bonus.x, 180);
    EXPECT_EQ(bonus.y, 120);
    EXPECT_EQ(bonus.life, 120);
    EXPECT_EQ(exit.x, 180);
    EXPECT_EQ(exit.y, 120);
    EXPECT_EQ(exit.life, 120);
    EXPECT_EQ(w.g.player.lives, 5);
}

TEST(ItemCollection, ExitMessageOnceInTheTickOfTheLastCollection) {
    ItemWorld w;
    w.g.itemList = {makeItem(1, 100, 100), makeItem(1, 250, 200)};
    itemPass(w.g, w.a);
    EXPECT_EQ(kinds(w.g.messageList), (std::vector<int>{MSG_TEN_POINTS}));
    w.g.player.x = 250;
    w.g.player.y = 195;
    itemPass(w.g, w.a);
    EXPECT_EQ(kinds(w.g.messageList),
              (std::vector<int>{MSG_TEN_POINTS, MSG_TEN_POINTS, MSG_EXIT_OPEN}));
    for (int t = 0; t < 10; ++t)
        itemPass(w.g, w.a);
    EXPECT_EQ(w.g.messageList.size(), 3u);
}

TEST(ItemCollection, LevelWithoutItemsNeverShowsTheExitMessage) {
    ItemWorld w;
    for (int t = 0; t < 10; ++t)
        itemPass(w.g, w.a);
    EXPECT_TRUE(w.g.messageList.empty());
}

TEST(ItemCollection, RemovalDuringThePassSkipsAndRepeatsNothing) {
    ItemWorld w;
    // Collected: the first, second and fourth; the third is out of reach.
    w.g.itemList = {makeItem(1, 100, 100), makeItem(1, 105, 100), makeItem(1, 200, 200),
                    makeItem(1, 95, 105), makeItem(1, 220, 200)};
    itemPass(w.g, w.a);
    ASSERT_EQ(w.g.itemList.size(), 2u);
    EXPECT_EQ(w.g.itemList[0].x, 200);
    EXPECT_EQ(w.g.itemList[1].x, 220);
    // Each survivor was animated exactly once.
    EXPECT_EQ(w.g.itemList[0].frameTimer, 1);
    EXPECT_EQ(w.g.itemList[1].frameTimer, 1);
    EXPECT_EQ(w.g.player.score, 30);
    ASSERT_EQ(w.g.messageList.size(), 3u);
    EXPECT_EQ(w.g.messageList[0].x, 100);
    EXPECT_EQ(w.g.messageList[1].x, 105);
    EXPECT_EQ(w.g.messageList[2].x, 95);
}

// ---- Spikes -------------------------------------------------------------------------------

TEST(Spikes, ContactWindowAndPixels) {
    // Solid 10 x 10 spike against the solid figure at (100, 100).
    struct Case {
        const char* what;
        int dx, dy;
        bool dies;
    } cases[] = {
        {"in the upper cell", 0, 0, true},
        {"in the lower cell, reached by the window", 0, 10, true},
        {"just below the feet", 0, 20, false},
        {"overlapping the lower half only", 0, 12, false},
        {"beside, touching edges", 10, 0, false},
        {"beside, one pixel in", 9, 5, true},
        {"left, one pixel in", -9, 0, true},
        {"above the head", 0, -10, false},
    };
    for (const Case& c : cases) {
        GameState g;
        Assets a;
        makeTestAssets(a);
        g.player.x = 100;
        g.player.y = 100;
        Spikes s;
        s.x = 100 + c.dx;
        s.y = 100 + c.dy;
        s.pictureId = 1;
        g.spikeList.push_back(s);
        spikePass(g, a);
        EXPECT_EQ(g.playerDied, c.dies ? 1 : 0) << c.what;
    }
}

TEST(Spikes, ShapeOfThePictureDecides) {
    // A spike solid only in its rightmost column: boxes overlapping without a
    // shared opaque pixel do not kill.
    GameState g;
    Assets a;
    makeTestAssets(a);
    a.spikes[2] = makeImage(10, 10, 1, [](int, int x, int) { return x == 9; });
    Spikes s;
    s.x = 105;
    s.y = 105; // solid column at x 114
    s.pictureId = 2;
    g.spikeList.push_back(s);
    g.player.x = 100; // columns 100..109
    g.player.y = 100;
    spikePass(g, a);
    EXPECT_EQ(g.playerDied, 0);
    g.player.x = 105; // columns 105..114
    spikePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
}

TEST(Spikes, NeitherRemovedNorMovedAndFlagNeverCleared) {
    GameState g;
    Assets a;
    makeTestAssets(a);
    g.playerDied = 1;
    Spikes s;
    s.x = 10;
    s.y = 10;
    s.pictureId = 3;
    g.spikeList = {s, s};
    spikePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
    EXPECT_EQ(g.spikeList.size(), 2u);
}

// ---- With the game's own pictures and through the play loop ---------------------------------
// tests/levels/rules/items: "Three items" on the walk to the right of the
// start (40, 120), the exit beyond them.

TEST(SpikesWithGamePictures, LowerCellKillsBelowTheFeetDoesNot) {
    const Assets& a = sharedSession().game().assets;
    ASSERT_NE(spikePicture(a, 1), nullptr);
    for (int id = 1; id <= 4; ++id) {
        GameState g;
        g.player.x = 100;
        g.player.y = 100;
        Spikes s;
        s.pictureId = id;
        s.x = 100;
        s.y = 120; // the cell below the feet
        g.spikeList.push_back(s);
        spikePass(g, a);
        EXPECT_EQ(g.playerDied, 0) << "spike " << id << " below the feet";
    }
    GameState g;
    g.player.x = 100;
    g.player.y = 100;
    Spikes s;
    s.pictureId = 1; // points up from the floor of the figure's lower cell
    s.x = 100;
    s.y = 110;
    g.spikeList.push_back(s);
    spikePass(g, a);
    EXPECT_EQ(g.playerDied, 1);
}

TEST(PlayLoopItems, DyingWithItemsCollectedBringsThemBackAndKeepsTheScore) {
    Headless& s = startAt("rules/items", 1);
    GameState& g = s.game().world;
    ASSERT_EQ(g.levelTitle, "Three items");
    ASSERT_EQ(g.itemList.size(), 3u);
    for (int t = 0; t < 100 && g.player.score < 20; ++t)
        play(s, 1, RIGHT);
    ASSERT_EQ(g.player.score, 20);
    EXPECT_EQ(g.itemList.size(), 1u);

    g.air = 1; // out of air in the next tick
    play(s, 1);
    EXPECT_EQ(g.player.lives, 3);
    play(s, 1); // the same level again, from its file
    EXPECT_EQ(g.levelTitle, "Three items");
    EXPECT_EQ(g.player.level, 1);
    EXPECT_EQ(g.itemList.size(), 3u);
    EXPECT_EQ(g.player.score, 20);
    EXPECT_EQ(g.player.lives, 3);
    EXPECT_EQ(g.player.x, 40);
    ASSERT_EQ(kinds(g.messageList), (std::vector<int>{MSG_OUCH}));

    // Collecting them again scores again.
    for (int t = 0; t < 100 && g.player.score < 40; ++t)
        play(s, 1, RIGHT);
    EXPECT_EQ(g.player.score, 40);
}

TEST(PlayLoopItems, LastItemOpensTheExitFromTheNextTick) {
    Headless& s = startAt("rules/items", 1);
    GameState& g = s.game().world;
    const Platforms* door = nullptr;
    for (const Platforms& p : g.platformList)
        if (p.kind == TILE_EXIT) door = &p;
    ASSERT_NE(door, nullptr);
    int t = 0;
    for (; t < 200 && !g.itemList.empty(); ++t)
        play(s, 1, RIGHT);
    ASSERT_TRUE(g.itemList.empty());
    // The item message, then the exit message, in the tick of the last pick-up;
    // the door was still shut in that tick's terrain pass.
    ASSERT_GE(g.messageList.size(), 2u);
    EXPECT_EQ(g.messageList[g.messageList.size() - 2].kind, MSG_TEN_POINTS);
    EXPECT_EQ(g.messageList.back().kind, MSG_EXIT_OPEN);
    EXPECT_EQ(door->animTimer, 0);
    play(s, 1);
    EXPECT_EQ(door->animTimer, 1);
    EXPECT_EQ(g.player.score, 30);
    // Walking on into the door ends the level.
    for (t = 0; t < 200 && s.completed() == 0; ++t)
        play(s, 1, RIGHT);
    EXPECT_EQ(s.completed(), 1);
    EXPECT_EQ(g.player.level, 2);
}
