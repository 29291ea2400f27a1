// hud_test.cpp - the arithmetic behind the heads-up display, the pause
// effects and the Game Over screen, checked without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "shell/hud.h"
#include "world/messages.h"

namespace {

// ---- Air bar ------------------------------------------------------------------------------
struct BarCase {
    int air;
    double length;
    Rgb colour;
};

TEST(HudBar, LengthAndColourAtTheThresholds) {
    const BarCase cases[] = {
        /* 1 */ {5600, 290.0, {0, 255, 0}},
        /* 2 */ {3864, 200.1, {0, 255, 0}}, // q 69: the last green
        /* 3 */ {3863, 197.2, {0, 0, 255}}, // q 68: the first blue
        /* 4 */ {1960, 101.5, {0, 0, 255}}, // q 35: the last blue
        /* 5 */ {1959, 98.6, {255, 0, 0}},  // q 34: red
        /* 6 */ {56, 2.9, {255, 0, 0}},
        /* 7 */ {55, 0.0, {255, 0, 0}}, // under one percent: no bar
        /* 8 */ {0, 0.0, {255, 0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i + 1));
        const float length = hudBarLength(cases[i].air, AIR_MAX);
        EXPECT_NEAR(length, cases[i].length, 1e-4);
        const Rgb c = hudBarColour(length);
        EXPECT_EQ(c.red, cases[i].colour.red);
        EXPECT_EQ(c.green, cases[i].colour.green);
        EXPECT_EQ(c.blue, cases[i].colour.blue);
        EXPECT_EQ(hudBarIsLow(length), cases[i].colour.red == 255);
    }
}

TEST(HudBar, TinyAirSupplyDoesNotDivideByZero) {
    EXPECT_EQ(hudBarLength(50, 99), 0.0f);
    EXPECT_EQ(hudBarLength(50, 0), 0.0f);
}

TEST(HudHurry, AddedOncePerTryAndAgainAfterAReload) {
    Game game;
    game.world.airMax = AIR_MAX;
    game.world.air = 3000; // blue: no warning yet
    drawHud(game);
    EXPECT_TRUE(game.world.messageList.empty());
    EXPECT_EQ(game.world.hurryShown, 0);

    for (int air = 1959; air > 1900; --air) {
        game.world.air = air;
        drawHud(game);
    }
    ASSERT_EQ(game.world.messageList.size(), 1u);
    EXPECT_EQ(game.world.messageList[0].kind, MSG_HURRY);
    EXPECT_EQ(game.world.messageList[0].x, 180);
    EXPECT_EQ(game.world.messageList[0].y, 120);
    EXPECT_EQ(game.world.hurryShown, 1);

    game.world.hurryShown = 0; // a level start after a lost life
    drawHud(game);
    EXPECT_EQ(game.world.messageList.size(), 2u);
}

// ---- Lives icons ----------------------------------------------------------------------------
TEST(HudLives, IconPositions) {
    const int maskWidth = 10;
    // Four lives: three spare icons.
    EXPECT_EQ(livesIconX(1, maskWidth), 56);
    EXPECT_EQ(livesIconX(2, maskWidth), 67);
    EXPECT_EQ(livesIconX(3, maskWidth), 78);
    // Six lives: five icons, the last at 100.
    EXPECT_EQ(livesIconX(5, maskWidth), 100);
}

TEST(HudLives, IconsWalkThroughTheRightFacingFramesEveryFiveTicks) {
    GameState g;
    std::vector<int> frames;
    for (int tick = 1; tick <= 80; ++tick) {
        livesIconAnimation(g);
        frames.push_back(g.livesAnim.frame);
    }
    EXPECT_EQ(frames[3], 0);  // tick 4
    EXPECT_EQ(frames[4], 1);  // tick 5
    EXPECT_EQ(frames[34], 7); // tick 35
    EXPECT_EQ(frames[39], 0); // tick 40: wrapped
    EXPECT_EQ(frames[79], 0); // tick 80: a second round
    EXPECT_EQ(*std::max_element(frames.begin(), frames.end()), 7);
}

TEST(HudSound, LengthOfASound) {
    Sound ow;
    ow.frames = 5500;
    ow.rate = 11000;
    EXPECT_EQ(soundLengthMs(ow), 500);
    ow.rate = 0;
    EXPECT_EQ(soundLengthMs(ow), 0);
}

// ---- Pause effects ----------------------------------------------------------------------------
struct RectCase {
    int effect, zoom;
    Rect rect;
};

TEST(PauseEffect, Rectangles) {
    const RectCase cases[] = {
        /* 1 */ {0, 0, {0, 0, 320, 240}},
        /* 2 */ {0, 2, {1, 1, 318, 238}},
        /* 3 */ {0, 240, {120, 120, 80, 0}}, // vanished to a line
        /* 4 */ {1, 60, {0, 60, 320, 120}},
        /* 5 */ {1, 120, {0, 120, 320, 0}},
        /* 6 */ {1, 240, {0, 240, 320, -240}}, // upside down
        /* 7 */ {2, 160, {160, 0, 0, 240}},
        /* 8 */ {2, 320, {320, 0, -320, 240}}, // mirrored left to right
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i + 1));
        const Rect r = pauseEffectRect(cases[i].effect, cases[i].zoom);
        EXPECT_EQ(r.x, cases[i].rect.x);
        EXPECT_EQ(r.y, cases[i].rect.y);
        EXPECT_EQ(r.width, cases[i].rect.width);
        EXPECT_EQ(r.height, cases[i].rect.height);
    }
}

TEST(PauseEffect, ZoomSwingsBetweenZeroAndTheLimit) {
    const int limits[] = {240, 240, 320};
    for (int effect = 0; effect < 3; ++effect) {
        SCOPED_TRACE("effect " + std::to_string(effect));
        PauseZoom zoom;
        zoom.effect = effect;
        std::vector<int> seen;
        for (int frame = 0; frame < 3 * limits[effect]; ++frame) {
            zoom.step();
            seen.push_back(zoom.zoom);
        }
        const int limit = limits[effect];
        EXPECT_EQ(seen[0], 2);
        EXPECT_EQ(seen[limit / 2 - 1], limit); // the turn
        EXPECT_EQ(seen[limit / 2], limit - 2);
        EXPECT_EQ(seen[limit - 1], 0); // back to the full picture
        EXPECT_EQ(seen[limit], 2);
        // One cycle is limit frames long and repeats exactly.
        for (int i = 0; i + limit < static_cast<int>(seen.size()); ++i)
            ASSERT_EQ(seen[i], seen[i + limit]) << "frame " << i;
        EXPECT_EQ(*std::min_element(seen.begin(), seen.end()), 0);
        EXPECT_EQ(*std::max_element(seen.begin(), seen.end()), limit);
    }
}

// ---- Game Over -------------------------------------------------------------------------------
TEST(GameOverFoot, LandsOnFrame53AndSplatsOn54) {
    GameOverState s;
    int landedFrame = 0, groundedFrame = 0, frame192 = 0;
    for (int frame = 1; frame <= 60; ++frame) {
        const FootState f = s.stepFoot();
        if (s.footY == 192 && !frame192) frame192 = frame;
        if (f == FootState::Landed) {
            EXPECT_EQ(landedFrame, 0) << "the splat starts once";
            landedFrame = frame;
        }
        if (f == FootState::Grounded && !groundedFrame) groundedFrame = frame;
        if (frame == 1) {
            EXPECT_EQ(s.footY, 36);
        }
    }
    EXPECT_EQ(frame192, 53);
    EXPECT_EQ(landedFrame, 54);
    EXPECT_EQ(groundedFrame, 55); // Space or the button count from here
    EXPECT_EQ(s.footY, 192);      // and the foot stays down
}

TEST(GameOverWobble, SwingsBetweenSevenAndMinusSix) {
    GameOverState s;
    std::vector<int> offsets;
    for (int frame = 1; frame <= 300; ++frame) {
        s.stepWobble();
        offsets.push_back(s.textOffset());
    }
    EXPECT_EQ(offsets[0], 6);   // frame 1: wobble 1
    EXPECT_EQ(offsets[3], 5);   // frame 4: one pixel every 3 frames
    EXPECT_EQ(offsets[36], -6); // frame 37: wobble 13, turns back
    EXPECT_EQ(offsets[37], -5);
    EXPECT_EQ(offsets[73], 7); // frame 74: wobble 0, turns again
    EXPECT_EQ(offsets[74], 6);
    for (size_t i = 1; i < offsets.size(); ++i)
        ASSERT_LE(std::abs(offsets[i] - offsets[i - 1]), 1) << "frame " << i + 1;
    for (size_t i = 0; i + 74 < offsets.size(); ++i)
        ASSERT_EQ(offsets[i], offsets[i + 74]) << "frame " << i + 1;
    EXPECT_EQ(*std::max_element(offsets.begin(), offsets.end()), 7);
    EXPECT_EQ(*std::min_element(offsets.begin(), offsets.end()), -6);
}

TEST(GameOverText, InterleavedHalves) {
    const auto [first, second] = interleavedHalves("Game Over");
    EXPECT_EQ(first, "G m   v r ");
    EXPECT_EQ(second, " a e O e");
    // Laid over each other in a fixed-pitch font they spell the text again.
    std::string merged = first;
    for (size_t i = 0; i < second.size(); ++i)
        if (second[i] != ' ') merged[i] = second[i];
    EXPECT_EQ(merged.substr(0, 9), "Game Over");

    const auto [one, none] = interleavedHalves("A");
    EXPECT_EQ(one, "A ");
    EXPECT_EQ(none, "");
}

} // namespace
