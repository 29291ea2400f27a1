// loader_test.cpp - the level files as the loader reads them: the tile table,
// rows that are short or long, the header keywords, the baddie records, item
// start frames, the broken files and the order of a level start. The files
// are under tests/levels/loader/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "engine/display/graphics.h"
#include "engine/io/convert.h"
#include "engine/io/random.h"
#include "render_test_support.h"
#include "world/level_loader.h"
#include "world/messages.h"
#include "world_test_support.h"

namespace {

class Loader : public ::testing::Test {
  protected:
    GameState game;
    Assets noPictures; // the loader only draws, and drawing none does nothing
    std::string error;

    void SetUp() override {
        rndReset();
        game.levelDirectory = testLevels("loader");
        ASSERT_TRUE(readLevelCount(game, &error)) << error;
    }
    bool load(int level, int slide = 0) {
        game.player.level = level;
        game.slideInPending = slide;
        game.loadLevelPending = 1;
        return loadLevel(game, noPictures, &error);
    }
    const Platforms* tileAt(int x, int y) const {
        for (const Platforms& t : game.platformList)
            if (t.x == x && t.y == y) return &t;
        return nullptr;
    }
    int tilesInRow(int y) const {
        int n = 0;
        for (const Platforms& t : game.platformList)
            n += t.y == y;
        return n;
    }
};

TEST(LevelFiles, NamesUseTheGamesBackslash) {
    EXPECT_EQ(levelFileName(7), "levels\\level7.txt");
    EXPECT_EQ(levelFileName(12), "levels\\level12.txt");
    EXPECT_EQ(levelFileName(3, "tests/x"), "tests/x\\level3.txt");
}

TEST_F(Loader, ReadsTheLevelCount) {
    EXPECT_EQ(game.levelCount, 10);
}

// Row 1 of level 1 holds every code once, in this order, then four unknown
// characters; column 32 is past the end of the line.
TEST_F(Loader, EveryTerrainCodeMakesItsTile) {
    ASSERT_TRUE(load(1)) << error;
    struct Case {
        int column, kind, pictureId, animFrame;
    };
    const Case cases[] = {
        {1, 1, 1, 0},    {2, 1, 2, 0},   {3, 4, 3, 0},   {4, 4, 11, 0},  {5, 1, 12, 0},
        {6, 1, 11, 0},   {7, 4, 10, 0},  {8, 9, 13, 0},  {9, 10, 14, 0}, {10, 13, 17, 0},
        {11, 14, 18, 0}, {12, 4, 19, 0}, {13, 1, 15, 0}, {14, 1, 16, 0}, {18, 2, 4, 1},
        {20, 3, 7, 0},   {21, 7, 6, 0},  {22, 7, 9, 0},  {25, 5, 5, 1},  {26, 6, 5, 1},
        {27, 4, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("column " + std::to_string(c.column));
        const Platforms* t = tileAt((c.column - 1) * 10, 30);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->kind, c.kind);
        EXPECT_EQ(t->pictureId, c.pictureId);
        EXPECT_EQ(t->animFrame, c.animFrame);
        EXPECT_EQ(t->animTimer, 0);
        EXPECT_EQ(t->steppedOn, 0);
    }
    // Items, spikes, the start, baddies and unknown characters make no tile.
    for (int column : {15, 16, 17, 19, 23, 24, 28, 29, 30, 31, 32})
        EXPECT_EQ(tileAt((column - 1) * 10, 30), nullptr) << "column " << column;
    EXPECT_EQ(tilesInRow(30), 21);
}

TEST_F(Loader, OtherCodesMakeItemsSpikesBaddiesAndTheStart) {
    ASSERT_TRUE(load(1)) << error;
    ASSERT_EQ(game.itemList.size(), 1u);
    const Coins& item = game.itemList[0];
    EXPECT_EQ(item.x, 140);
    EXPECT_EQ(item.y, 30);
    EXPECT_EQ(item.points, 10);
    EXPECT_EQ(item.itemKind, 1);
    EXPECT_EQ(item.frameCount, 4);
    EXPECT_EQ(item.animMode, 2);

    ASSERT_EQ(game.spikeList.size(), 2u);
    EXPECT_EQ(game.spikeList[0].x, 150);
    EXPECT_EQ(game.spikeList[0].pictureId, 1);
    EXPECT_EQ(game.spikeList[1].x, 160);
    EXPECT_EQ(game.spikeList[1].pictureId, 2);

    EXPECT_EQ(game.player.x, 180);
    EXPECT_EQ(game.player.y, 30);

    ASSERT_GE(game.baddieList.size(), 2u);
    const Baddie& spider = game.baddieList[0];
    EXPECT_EQ(spider.kind, "Spider");
    EXPECT_EQ(spider.x, 220);
    EXPECT_EQ(spider.y, 30);
    EXPECT_EQ(spider.frameCount, 2);
    EXPECT_EQ(spider.animMode, 3);
    EXPECT_EQ(spider.frameDelay, 20);
    EXPECT_EQ(spider.frameStep, 1);
    EXPECT_EQ(spider.dirX, 0);
    EXPECT_EQ(spider.dirY, 0);
    const Baddie& bush = game.baddieList[1];
    EXPECT_EQ(bush.kind, "Bush");
    EXPECT_EQ(bush.x, 230);
    EXPECT_EQ(bush.frameCount, 1);
    EXPECT_EQ(bush.animMode, 5);
    EXPECT_EQ(bush.frameDelay, 5);
}

TEST_F(Loader, LongRowsAreCutAndShortRowsLeaveEmptyCells) {
    ASSERT_TRUE(load(1)) << error;
    EXPECT_EQ(tilesInRow(40), 32); // 40 characters
    EXPECT_NE(tileAt(310, 40), nullptr);
    for (const Platforms& t : game.platformList)
        EXPECT_LT(t.x, 320);
    EXPECT_EQ(tilesInRow(50), 31); // 31 characters
    EXPECT_EQ(tileAt(310, 50), nullptr);
}

TEST_F(Loader, ReadsTheHeaderLines) {
    ASSERT_TRUE(load(1)) << error;
    EXPECT_EQ(game.levelTitle, "Every Code");
    EXPECT_EQ(game.itemKindOfLevel, 1);
    EXPECT_EQ(game.itemFrames, 4);
    EXPECT_EQ(game.itemAnimMode, 2);
    EXPECT_EQ(game.spikeStyle, 1);
    EXPECT_EQ(game.backdropName, "Caves");
}

// The last grid line reads "#end#": it is a grid line all the same, and the
// records after it are still read.
TEST_F(Loader, AlwaysConsumesNineteenGridLines) {
    ASSERT_TRUE(load(1)) << error;
    ASSERT_NE(tileAt(0, 210), nullptr);
    ASSERT_NE(tileAt(40, 210), nullptr);
    EXPECT_EQ(tileAt(0, 210)->pictureId, 2);
    EXPECT_EQ(tilesInRow(210), 2);
    EXPECT_EQ(game.baddieList.size(), 5u);
}

TEST_F(Loader, BaddieRecordsCountRowsFromTheTopOfTheScreen) {
    ASSERT_TRUE(load(1)) << error;
    ASSERT_EQ(game.baddieList.size(), 5u); // grid baddies first, then the records
    const Baddie& guard = game.baddieList[2];
    EXPECT_EQ(guard.kind, "Guard1");
    EXPECT_EQ(guard.x, 40);
    EXPECT_EQ(guard.y, 190);
    EXPECT_EQ(guard.dirX, 1);
    EXPECT_EQ(guard.dirY, 0);
    EXPECT_EQ(guard.minX, 40);
    EXPECT_EQ(guard.maxX, 270);
    EXPECT_EQ(guard.minY, 190);
    EXPECT_EQ(guard.maxY, 190);
    EXPECT_EQ(guard.speedX, 1);
    EXPECT_EQ(guard.speedY, 0);
    EXPECT_EQ(guard.frameDelay, 5);
    EXPECT_EQ(guard.frameCount, 4);
    EXPECT_EQ(guard.animMode, 1);
    EXPECT_EQ(guard.frame, 0);
    EXPECT_EQ(guard.frameStep, 1);
    EXPECT_EQ(guard.frameTimer, 0);

    const Baddie& corner = game.baddieList[3]; // column 1, row 1: in the HUD band
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    EXPECT_EQ(corner.dirX, -1);
    EXPECT_EQ(corner.dirY, 1);
    EXPECT_EQ(corner.minX, 10);
    EXPECT_EQ(corner.maxX, 20);
    EXPECT_EQ(corner.minY, 30);
    EXPECT_EQ(corner.maxY, 40);
    EXPECT_EQ(corner.speedX, 6);
    EXPECT_EQ(corner.speedY, 7);
    EXPECT_EQ(corner.frameDelay, 8);
    EXPECT_EQ(corner.frameCount, 2);
    EXPECT_EQ(corner.animMode, 3);

    // Unknown keywords load as written; numbers read as far as their digits.
    const Baddie& dragon = game.baddieList[4];
    EXPECT_EQ(dragon.kind, "Dragon");
    EXPECT_EQ(dragon.frameCount, 0);
    EXPECT_EQ(dragon.animMode, 1);
    EXPECT_EQ(dragon.x, 20);
    EXPECT_EQ(dragon.y, 30);
    EXPECT_EQ(dragon.dirX, 7);
    EXPECT_EQ(dragon.dirY, -2);
}

// One draw of rndRange(0, frames - 1) per item cell, in grid order.
TEST_F(Loader, CoinItemsStartOnRandomFramesZeroToTwo) {
    ASSERT_TRUE(load(2)) << error;
    ASSERT_EQ(game.itemList.size(), 160u);
    rndReset();
    std::set<int> seen;
    for (const Coins& item : game.itemList) {
        EXPECT_EQ(item.frame, floatToInt(rndRange(0, 3)));
        seen.insert(item.frame);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
}

TEST_F(Loader, CupItemsAllStartOnFrameZero) {
    ASSERT_TRUE(load(3)) << error;
    ASSERT_EQ(game.itemList.size(), 20u);
    for (const Coins& item : game.itemList) {
        EXPECT_EQ(item.frame, 0);
        EXPECT_EQ(item.itemKind, 3);
        EXPECT_EQ(item.frameCount, 2);
        EXPECT_EQ(item.animMode, 0);
    }
}

// Style 1 has spike pictures 1 and 2; TedSpikes and VexelSpikes share 3 and 4.
TEST_F(Loader, SpikePicturesFollowTheStyle) {
    struct Case {
        int level, style, first, second;
    };
    for (const Case c : {Case{8, 1, 1, 2}, Case{2, 2, 3, 4}, Case{3, 3, 3, 4}}) {
        SCOPED_TRACE("level " + std::to_string(c.level));
        ASSERT_TRUE(load(c.level)) << error;
        EXPECT_EQ(game.spikeStyle, c.style);
        ASSERT_EQ(game.spikeList.size(), 2u);
        EXPECT_EQ(game.spikeList[0].pictureId, c.first);
        EXPECT_EQ(game.spikeList[1].pictureId, c.second);
    }
}

TEST_F(Loader, UnknownKeywordsKeepThePreviousLevelsChoice) {
    ASSERT_TRUE(load(2)) << error; // Coin, TedSpikes, Woods
    ASSERT_TRUE(load(4)) << error; // Gold, Thorns, Moon
    EXPECT_EQ(game.itemKindOfLevel, 1);
    EXPECT_EQ(game.itemFrames, 1);
    ASSERT_EQ(game.itemList.size(), 4u);
    for (const Coins& item : game.itemList) {
        EXPECT_EQ(item.itemKind, 1);
        EXPECT_EQ(item.frameCount, 1);
        EXPECT_EQ(item.frame, 0);
    }
    EXPECT_EQ(game.spikeStyle, 2);
    EXPECT_EQ(game.spikeList[0].pictureId, 3);
    EXPECT_EQ(game.backdropName, "Moon");
}

// With no earlier item kind to keep, the items would be invisible and could
// never be collected: they are left out.
TEST_F(Loader, UnknownItemKeywordOnTheFirstLoadMakesNoItems) {
    ASSERT_TRUE(load(4)) << error;
    EXPECT_EQ(game.itemKindOfLevel, 0);
    EXPECT_TRUE(game.itemList.empty());
    EXPECT_EQ(game.spikeList.size(), 2u);
}

TEST_F(Loader, KeywordsWithBlanksAreUnknown) {
    ASSERT_TRUE(load(9)) << error; // " Coal", "Spikes ", "Caves "
    EXPECT_EQ(game.itemKindOfLevel, 0);
    EXPECT_EQ(game.spikeStyle, 0);
    EXPECT_EQ(game.backdropName, "Caves ");
}

TEST_F(Loader, ALevelWithoutStartKeepsThePlayerWhereItWas) {
    game.player.x = 123;
    game.player.y = 45;
    ASSERT_TRUE(load(4)) << error;
    EXPECT_EQ(game.player.x, 123);
    EXPECT_EQ(game.player.y, 45);
    ASSERT_TRUE(load(8)) << error;
    EXPECT_EQ(game.player.x, 60);
    EXPECT_EQ(game.player.y, 70);
}

TEST_F(Loader, BrokenFilesAreReportedWithTheirName) {
    const std::string dir = testLevels("loader");
    struct Case {
        int level;
        std::string message;
    };
    const Case cases[] = {
        {10, "Cannot open level file " + dir + "\\level10.txt"},
        {5, "Level file " + dir + "\\level5.txt line 36: expected a baddie keyword or #end#"},
        {6, "Level file " + dir + "\\level6.txt line 36: expected a baddie keyword or #end#"},
        {7, "Level file " + dir + "\\level7.txt line 24: expected a baddie keyword or #end#"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(load(c.level));
        EXPECT_EQ(error, c.message);
    }
    GameState elsewhere;
    elsewhere.levelDirectory = dir + "/missing";
    EXPECT_FALSE(readLevelCount(elsewhere, &error));
    EXPECT_EQ(error, "Cannot open level file " + dir + "/missing\\levels.txt");
}

TEST_F(Loader, AReloadClearsTheTryAndShowsOnlyTheOuchMessage) {
    Player& p = game.player;
    game.messageList.push_back(PixelMessage{MSG_TEN_POINTS, 10, 10, 30});
    game.playerDied = 1;
    game.hurryShown = 1;
    game.air = 17;
    p.falling = p.movingLeft = p.movingRight = p.jumping = 1;
    p.jumpTimer = 7;
    p.frame = 9;
    p.score = 120;
    p.lives = 2;
    ASSERT_TRUE(load(8, /*slide=*/0)) << error;
    ASSERT_EQ(game.messageList.size(), 1u);
    EXPECT_EQ(game.messageList[0].kind, MSG_OUCH);
    EXPECT_EQ(game.messageList[0].x, 180);
    EXPECT_EQ(game.messageList[0].y, 120);
    EXPECT_EQ(game.messageList[0].life, 120);
    EXPECT_EQ(game.loadLevelPending, 0);
    EXPECT_EQ(game.hurryShown, 0);
    EXPECT_EQ(game.playerDied, 0);
    EXPECT_EQ(p.falling + p.movingLeft + p.movingRight + p.jumping, 0);
    EXPECT_EQ(p.jumpTimer, 7);
    EXPECT_EQ(p.frame, 9);
    EXPECT_EQ(p.score, 120);
    EXPECT_EQ(p.lives, 2);
    EXPECT_EQ(game.air, AIR_MAX);
}

TEST_F(Loader, ALevelChangeSlidesWithoutAMessage) {
    game.messageList.push_back(PixelMessage{MSG_EXIT_OPEN, 180, 120, 50});
    ASSERT_TRUE(load(8, /*slide=*/1)) << error;
    EXPECT_TRUE(game.messageList.empty());
    EXPECT_EQ(game.slideInPending, 0);
    EXPECT_EQ(game.air, AIR_MAX);
}

TEST_F(Loader, LevelNumbersPastTheCountWrapToLevelOne) {
    ASSERT_TRUE(load(11)) << error;
    EXPECT_EQ(game.player.level, 1);
    EXPECT_EQ(game.levelTitle, "Every Code");
    game.levelCount = 0; // an empty first line in levels.txt
    ASSERT_TRUE(load(3)) << error;
    EXPECT_EQ(game.player.level, 1);
    EXPECT_EQ(game.levelTitle, "Every Code");
}

// Whether the 10 x 10 cell at (x, y) of a grabbed screen holds any pixel that
// is not the transparent black of the cleared screen.
bool cellDrawn(const Image& grab, int x, int y) {
    const PixelBuffer& px = grab.frames[0].pixels;
    for (int dy = 0; dy < 10; ++dy)
        for (int dx = 0; dx < 10; ++dx)
            if (px.bytes[static_cast<size_t>(y + dy) * px.pitch + static_cast<size_t>(x + dx) * 4 +
                         3] >= 128)
                return true;
    return false;
}

// On a level change the old screen is kept, the new level's backdrop (none
// here), terrain and spikes are drawn and kept, and the slide ends with the
// new level in place. Row 1 of the level: 1 2 3 | S M D E, a cell apart.
TEST(LevelSlide, GrabsTheOldScreenAndTheNewTerrain) {
    if (!rendertest::openLogicalScreen(1)) GTEST_SKIP() << "no X display to open a window on";
    const Assets& assets = sharedSession().game().assets;
    GameState game;
    std::string error;
    game.levelDirectory = testLevels("slide");
    ASSERT_TRUE(readLevelCount(game, &error)) << error;
    rendertest::fillBackground({200, 0, 0, 255}); // the last frame of the old screen
    game.slideInPending = 1;
    ASSERT_TRUE(loadLevel(game, assets, &error)) << error;
    ASSERT_NE(game.oldScreenGrab, nullptr);
    ASSERT_NE(game.newScreenGrab, nullptr);
    EXPECT_EQ(imageWidth(game.newScreenGrab.get()), 320);
    EXPECT_EQ(imageHeight(game.newScreenGrab.get()), 240);
    EXPECT_EQ(game.slideInPending, 0);

    const PixelBuffer& old = game.oldScreenGrab->frames[0].pixels;
    ASSERT_EQ(old.format, PF_RGBA32);
    EXPECT_EQ(rendertest::pixelAt(old, 160, 120), (rendertest::Rgba{200, 0, 0, 255}));

    const Image& fresh = *game.newScreenGrab;
    ASSERT_EQ(fresh.frames[0].pixels.format, PF_RGBA32);
    const std::pair<int, bool> cells[] = {
        {0, true},    // solid
        {20, false},  // item
        {40, true},   // spike
        {60, false},  // thread
        {80, false},  // start
        {100, false}, // spider
        {120, true},  // crumbling floor, frame 0
        {140, true},  // exit
    };
    for (const auto& [x, drawn] : cells)
        EXPECT_EQ(cellDrawn(fresh, x, 30), drawn) << "x " << x;
    EXPECT_FALSE(cellDrawn(fresh, 160, 120)); // no backdrop: black

    // The last frame of the slide shows the new level at x = 0.
    const PixelBuffer shown = grabPixels(0, 0, 320, 240);
    const PixelBuffer& kept = fresh.frames[0].pixels;
    int compared = 0;
    for (int y = 30; y < 50; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (kept.bytes[static_cast<size_t>(y) * kept.pitch + static_cast<size_t>(x) * 4 + 3] <
                128)
                continue;
            const rendertest::Rgba want = rendertest::pixelAt(kept, x, y);
            const rendertest::Rgba got = rendertest::pixelAt(shown, x, y);
            EXPECT_LE(
                std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b), 6)
                << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
    closeGraphics();
}

} // namespace
