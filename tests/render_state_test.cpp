// render_state_test.cpp - the renderer's state and image creation without a
// graphics context: values are kept, nothing is drawn, nothing crashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/collision/collision.h"
#include "engine/display/graphics.h"
#include "engine/render/font.h"
#include "engine/render/render.h"

namespace {

class RenderState : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(graphicsOpen());
        setColor(255, 255, 255);
        setAlpha(1.0f);
        setBlend(MASK_BLEND);
    }
};

TEST_F(RenderState, ColourIsClampedPerChannel) {
    struct Case {
        int in[3];
        int out[3];
    };
    const Case cases[] = {
        {{255, 0, 0}, {255, 0, 0}},
        {{-1, 256, 128}, {0, 255, 128}},
        {{-100000, 100000, 0}, {0, 255, 0}},
    };
    for (const Case& c : cases) {
        setColor(c.in[0], c.in[1], c.in[2]);
        int r = -1, g = -1, b = -1;
        getColor(&r, &g, &b);
        EXPECT_EQ(r, c.out[0]);
        EXPECT_EQ(g, c.out[1]);
        EXPECT_EQ(b, c.out[2]);
    }
}

TEST_F(RenderState, AlphaAndBlendAreKeptAsGiven) {
    for (float alpha : {2.0f, -0.5f, 0.5f, 1.0f}) {
        setAlpha(alpha);
        EXPECT_EQ(getAlpha(), alpha);
    }
    setAlpha(NAN); // kept too; applying it must not misbehave
    EXPECT_TRUE(std::isnan(getAlpha()));
    for (int mode : {ALPHA_BLEND, LIGHT_BLEND, SHADE_BLEND, SOLID_BLEND, 42, MASK_BLEND}) {
        setBlend(mode);
        EXPECT_EQ(getBlend(), mode);
    }
}

TEST_F(RenderState, CreateImageFlagsAndFrames) {
    struct Case {
        int flags;
        int expected;
    };
    const Case cases[] = {{-1, 11}, {0, 8}, {1, 9}, {8, 8}, {MASKED_IMAGE | MIPMAPPED_IMAGE, 13}};
    for (const Case& c : cases) {
        ImagePtr image = createImage(640, 480, 2, c.flags);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->flags, c.expected) << c.flags;
        EXPECT_EQ(image->width, 640);
        EXPECT_EQ(image->height, 480);
        EXPECT_EQ(image->frames.size(), 2u);
        EXPECT_EQ(image->maskRed + image->maskGreen + image->maskBlue, 0);
        for (const ImageFrame& f : image->frames) { // transparent at once
            EXPECT_EQ(f.pixels.format, PF_RGBA32);
            EXPECT_EQ(f.pixels.width * f.pixels.height, 640 * 480);
            EXPECT_EQ(std::count(f.pixels.bytes.begin(), f.pixels.bytes.end(), 0), 640 * 480 * 4);
        }
    }
    // Nothing of it meets a solid picture placed right over it.
    ImagePtr blank = createImage(10, 10, 1, -1);
    ImagePtr solid = createImage(10, 10, 1, -1);
    PixelBuffer white = createPixelBuffer(10, 10, PF_RGB24);
    std::fill(white.bytes.begin(), white.bytes.end(), 255);
    setImageFramePixels(*solid, 0, white);
    EXPECT_TRUE(imagesOverlap(solid.get(), 0, 0, 0, solid.get(), 5, 5, 0));
    EXPECT_FALSE(imagesOverlap(blank.get(), 0, 0, 0, solid.get(), 0, 0, 0));
    EXPECT_FALSE(createImage(0, 10, 1, 0));
    EXPECT_FALSE(createImage(10, -1, 1, 0));
    EXPECT_FALSE(createImage(10, 10, 0, 0));
}

TEST_F(RenderState, NothingHappensWithoutAContext) {
    ImagePtr image = createImage(10, 10, 1, 0);
    image->frames[0].pixels = createPixelBuffer(10, 10, PF_RGBA32);
    clearScreen();
    drawRect(0, 0, 10, 10);
    drawImage(image.get(), 0, 0, 0);
    drawImageRect(image.get(), 0, 0, -10, 10, 0);
    drawText("Air", 0, 220);
    grabImage(image.get(), 0, 0, 0);
    EXPECT_EQ(imageFrameTexture(*image, 0), 0u);
    EXPECT_EQ(image->frames[0].texture, 0u);
    EXPECT_EQ(grabPixels(0, 0, 10, 10).width, 0);
    EXPECT_EQ(getBlend(), MASK_BLEND);
}

} // namespace
