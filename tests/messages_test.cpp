// messages_test.cpp - pixel messages: creation, growth and fading per tick,
// lifetime, removal during the pass, and (with a window) the pixels drawn and
// the draw state left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "rules_test_support.h"
#include "world/messages.h"

using namespace rules_test;

TEST(Messages, CreatedWithTheKindsLifeAndTheCallersCentre) {
    struct Case {
        int kind, fullLife, initialLife;
    } cases[] = {
        {MSG_TEN_POINTS, 60, 40},   {MSG_EXIT_OPEN, 120, 120}, {MSG_OUCH, 120, 120},
        {MSG_BONUS_LIFE, 120, 120}, {MSG_HURRY, 120, 120},
    };
    GameState g;
    for (const Case& c : cases) {
        addMessage(g, c.kind, 10 * c.kind, 7 * c.kind);
        EXPECT_EQ(messageFullLife(c.kind), c.fullLife);
        EXPECT_EQ(messageInitialLife(c.kind), c.initialLife);
    }
    ASSERT_EQ(g.messageList.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const PixelMessage& m = g.messageList[static_cast<size_t>(i)];
        EXPECT_EQ(m.kind, i + 1); // appended in creation order
        EXPECT_EQ(m.x, 10 * (i + 1));
        EXPECT_EQ(m.y, 7 * (i + 1));
        EXPECT_EQ(m.life, cases[i].initialLife);
    }
}

TEST(Messages, GrowthAndFadeByLife) {
    // Width W of the kind's picture, height 9, scale (L - life) / 16.
    struct Case {
        int kind, life;
        float alpha, left, top, width, height;
    } cases[] = {
        // The item message: first drawn at scale 1.25 and alpha 2/3.
        {MSG_TEN_POINTS, 40, 40.0f / 60, 100 - 36.25f, 50 - 5.625f, 72.5f, 11.25f},
        {MSG_TEN_POINTS, 28, 28.0f / 60, 100 - 58.0f, 50 - 9.0f, 116.0f, 18.0f},
        {MSG_TEN_POINTS, 1, 1.0f / 60, 100 - 106.9375f, 50 - 16.59375f, 213.875f, 33.1875f},
        // The others: nothing visible at first, full alpha.
        {MSG_EXIT_OPEN, 120, 1.0f, 100, 50, 0, 0},
        {MSG_OUCH, 104, 104.0f / 120, 100 - 16, 50 - 4.5f, 32, 9},
        {MSG_OUCH, 1, 1.0f / 120, 100 - 119.0f, 50 - 33.46875f, 238.0f, 66.9375f},
        {MSG_BONUS_LIFE, 88, 88.0f / 120, 100 - 68, 50 - 9, 136, 18},
        {MSG_HURRY, 60, 0.5f, 100 - 97.5f, 50 - 16.875f, 195.0f, 33.75f},
    };
    for (const Case& c : cases) {
        PixelMessage m;
        m.kind = c.kind;
        m.x = 100;
        m.y = 50;
        m.life = c.life;
        const MessageLook look = messageLook(m);
        EXPECT_FLOAT_EQ(look.alpha, c.alpha) << "kind " << c.kind << " life " << c.life;
        EXPECT_FLOAT_EQ(look.left, c.left) << "kind " << c.kind << " life " << c.life;
        EXPECT_FLOAT_EQ(look.top, c.top) << "kind " << c.kind << " life " << c.life;
        EXPECT_FLOAT_EQ(look.width, c.width) << "kind " << c.kind << " life " << c.life;
        EXPECT_FLOAT_EQ(look.height, c.height) << "kind " << c.kind << " life " << c.life;
    }
}

TEST(Messages, FadeFallsAndGrowthRisesEveryTick) {
    for (int kind = 1; kind <= 5; ++kind) {
        PixelMessage m;
        m.kind = kind;
        m.life = messageInitialLife(kind);
        MessageLook previous = messageLook(m);
        for (m.life -= 1; m.life >= 1; --m.life) {
            const MessageLook look = messageLook(m);
            EXPECT_LT(look.alpha, previous.alpha) << "kind " << kind << " life " << m.life;
            EXPECT_GT(look.width, previous.width) << "kind " << kind << " life " << m.life;
            EXPECT_GT(look.alpha, 0.0f);
            previous = look;
        }
    }
}

TEST(Messages, DrawnExactlyLifeTimes) {
    for (int kind = 1; kind <= 5; ++kind) {
        GameState g;
        Assets a;
        addMessage(g, kind, 180, 120);
        int passes = 0;
        while (!g.messageList.empty() && passes < 1000) {
            EXPECT_EQ(g.messageList[0].life, messageInitialLife(kind) - passes);
            messagePass(g, a);
            ++passes;
        }
        EXPECT_EQ(passes, kind == MSG_TEN_POINTS ? 40 : 120) << "kind " << kind;
    }
}

TEST(Messages, RemovalDuringThePassSkipsNothing) {
    GameState g;
    Assets a;
    for (int life : {1, 5, 1, 1, 7}) {
        PixelMessage m;
        m.kind = MSG_TEN_POINTS;
        m.life = life;
        g.messageList.push_back(m);
    }
    messagePass(g, a);
    ASSERT_EQ(g.messageList.size(), 2u);
    EXPECT_EQ(g.messageList[0].life, 4);
    EXPECT_EQ(g.messageList[1].life, 6);
}

TEST(Messages, MessageWithoutLifeDoesNotLinger) {
    GameState g;
    Assets a;
    addMessage(g, 9, 0, 0); // no such kind: no life, no picture
    EXPECT_EQ(g.messageList[0].life, 0);
    messagePass(g, a);
    EXPECT_TRUE(g.messageList.empty());
}

// ---- With a window --------------------------------------------------------------------------

namespace {

// Only under an X server (xvfb-run): other video drivers may open a window
// that cannot be read back.
struct Window {
    bool open = std::getenv("DISPLAY") != nullptr && openGraphics(320, 240, 0, 60, BACK_BUFFER);
    ~Window() {
        if (open) closeGraphics();
    }
};

int redAt(const PixelBuffer& p, int x, int y) {
    return p.bytes[static_cast<size_t>(y * p.pitch + x * 4)];
}

} // namespace

TEST(MessagesOnScreen, StretchedFadedPictureAndDrawStateRestored) {
    Window window;
    if (!window.open) GTEST_SKIP() << "no display";
    {
        GameState g;
        Assets a;
        a.messages[MSG_BONUS_LIFE] = solidImage(68, 9, 1); // white
        PixelMessage m;
        m.kind = MSG_BONUS_LIFE;
        m.x = 180;
        m.y = 120;
        m.life = 88; // scale 2: a 136 x 18 rectangle at (112, 111), alpha 88/120
        g.messageList.push_back(m);

        setBlend(SOLID_BLEND);
        setAlpha(0.25f);
        clearScreen();
        messagePass(g, a);
        EXPECT_EQ(getBlend(), SOLID_BLEND);
        EXPECT_FLOAT_EQ(getAlpha(), 0.25f);
        EXPECT_EQ(g.messageList[0].life, 87);

        const PixelBuffer p = grabPixels(0, 0, 320, 240);
        ASSERT_EQ(p.width, 320);
        const int lit = 255 * 88 / 120; // 187 on black
        for (auto [x, y] : {std::pair{112, 111}, {247, 111}, {112, 128}, {247, 128}, {180, 120}})
            EXPECT_NEAR(redAt(p, x, y), lit, 2) << x << ", " << y;
        for (auto [x, y] : {std::pair{111, 111}, {248, 111}, {112, 110}, {112, 129}, {10, 10}})
            EXPECT_EQ(redAt(p, x, y), 0) << x << ", " << y;
        setBlend(MASK_BLEND);
        setAlpha(1.0f);
    } // the picture's texture goes before the window
}
