// render_draw_test.cpp - pictures, rectangles, blend modes and text drawn into
// a real window at scale 1 and 2, read back with grabPixels and compared
// pixel by pixel. Needs an X server (run under xvfb-run).
#include <cmath>
#include <string>

#include "engine/render/font.h"
#include "render_test_support.h"

namespace {

using rendertest::BACKGROUND;
using rendertest::LogicalScreenTest;
using rendertest::makePicture;
using rendertest::Rgba;
using rendertest::screenMismatches;

// 10 x 20, a distinct colour per pixel, mask-transparent on a diagonal band.
Rgba patterned(int x, int y) {
    const bool transparent = (x + y) % 7 == 0;
    return {40 + x * 20, 5 + y * 12, 250 - x * 9, transparent ? 0 : 255};
}

bool inside(int x, int y, int left, int top, int width, int height) {
    return x >= left && x < left + width && y >= top && y < top + height;
}

class RenderDraw : public LogicalScreenTest {};

TEST_P(RenderDraw, SharpPictureLandsExactlyAndMaskIsTransparent) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, patterned);
    drawImage(picture.get(), 37, 51, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (!inside(x, y, 37, 51, 10, 20)) return BACKGROUND;
                                   const Rgba c = patterned(x - 37, y - 51);
                                   return c.a ? c : BACKGROUND;
                               }),
              0);
}

TEST_P(RenderDraw, RectangleCoversItsAreaInTheColour) {
    setColor(200, 100, 50);
    drawRect(5, 7, 30, 4);
    EXPECT_EQ(
        screenMismatches(scale,
                         [](int x, int y) {
                             return inside(x, y, 5, 7, 30, 4) ? Rgba{200, 100, 50} : BACKGROUND;
                         }),
        0);
}

TEST_P(RenderDraw, ColourTintsPicturesAndIsClamped) {
    ImagePtr white = makePicture(8, 8, 0, [](int, int) { return Rgba{255, 255, 255}; });
    setColor(255, 0, 0);
    drawImage(white.get(), 0, 0, 0);
    setColor(-40, 128, 999); // clamped to 0, 128, 255
    drawImage(white.get(), 20, 0, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (inside(x, y, 0, 0, 8, 8)) return Rgba{255, 0, 0};
                                   if (inside(x, y, 20, 0, 8, 8)) return Rgba{0, 128, 255};
                                   return BACKGROUND;
                               }),
              0);
}

TEST_P(RenderDraw, MaskBlendDiscardsAlphaBelowOneHalf) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, patterned);
    ASSERT_EQ(getBlend(), MASK_BLEND);
    setAlpha(0.5f); // alpha byte 127: below the alpha test
    drawImage(picture.get(), 100, 100, 0);
    EXPECT_EQ(screenMismatches(scale, [](int, int) { return BACKGROUND; }), 0);
    setAlpha(0.51f); // byte 130 passes and replaces the screen unblended
    drawImage(picture.get(), 100, 100, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (!inside(x, y, 100, 100, 10, 20)) return BACKGROUND;
                                   const Rgba c = patterned(x - 100, y - 100);
                                   return c.a ? c : BACKGROUND;
                               }),
              0);
}

TEST_P(RenderDraw, AlphaBlendMixesAndAlphaAboveOneIsOpaque) {
    ImagePtr orange = makePicture(10, 10, MASKED_IMAGE, [](int, int) { return Rgba{200, 100, 0}; });
    setBlend(ALPHA_BLEND);
    setAlpha(0.5f);
    drawImage(orange.get(), 0, 0, 0);
    setAlpha(2.0f);
    EXPECT_EQ(getAlpha(), 2.0f);
    drawImage(orange.get(), 20, 0, 0);
    const float a = 127.0f / 255.0f;
    auto mix = [a](int src, int dst) {
        return static_cast<int>(std::lround(src * a + dst * (1.0f - a)));
    };
    const Rgba half{mix(200, BACKGROUND.r), mix(100, BACKGROUND.g), mix(0, BACKGROUND.b)};
    EXPECT_EQ(screenMismatches(
                  scale,
                  [&](int x, int y) {
                      if (inside(x, y, 0, 0, 10, 10)) return half;
                      if (inside(x, y, 20, 0, 10, 10)) return Rgba{200, 100, 0};
                      return BACKGROUND;
                  },
                  2),
              0);
}

TEST_P(RenderDraw, LightAddsAndShadeMultiplies) {
    ImagePtr picture = makePicture(10, 10, 0, [](int, int) { return Rgba{100, 50, 0}; });
    ImagePtr filter = makePicture(10, 10, 0, [](int, int) { return Rgba{128, 255, 0}; });
    setBlend(LIGHT_BLEND);
    drawImage(picture.get(), 0, 0, 0);
    setBlend(SHADE_BLEND);
    drawImage(filter.get(), 20, 0, 0);
    EXPECT_EQ(getBlend(), SHADE_BLEND);
    EXPECT_EQ(screenMismatches(
                  scale,
                  [](int x, int y) {
                      if (inside(x, y, 0, 0, 10, 10)) return Rgba{110, 70, 30};
                      if (inside(x, y, 20, 0, 10, 10)) return Rgba{5, 20, 0};
                      return BACKGROUND;
                  },
                  1),
              0);
}

TEST_P(RenderDraw, NegativeSizeMirrors) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, patterned);
    drawImageRect(picture.get(), 60, 10, -10, 20, 0);  // covers 50..59, mirrored left-right
    drawImageRect(picture.get(), 100, 50, 10, -20, 0); // covers rows 30..49, upside down
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   Rgba c{0, 0, 0, 0};
                                   if (inside(x, y, 50, 10, 10, 20)) c = patterned(59 - x, y - 10);
                                   if (inside(x, y, 100, 30, 10, 20))
                                       c = patterned(x - 100, 49 - y);
                                   return c.a ? c : BACKGROUND;
                               }),
              0);
}

TEST_P(RenderDraw, StretchedSharpPictureRepeatsTexels) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, patterned);
    drawImageRect(picture.get(), 0, 0, 30, 60, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (!inside(x, y, 0, 0, 30, 60)) return BACKGROUND;
                                   const Rgba c = patterned(x / 3, y / 3);
                                   return c.a ? c : BACKGROUND;
                               }),
              0);
}

// Ink exactly where the font table has set bits, in the current colour.
Rgba expectedText(const std::string& text, int left, int top, Rgba ink, int x, int y) {
    const int cell = (x - left) / 8;
    if (x < left || y < top || y >= top + 16 || cell >= static_cast<int>(text.size()))
        return BACKGROUND;
    const int code = static_cast<unsigned char>(text[static_cast<size_t>(cell)]);
    const uint8_t bits = fontTable()[(y - top) * 96 + code - 32];
    return bits & (1u << ((x - left) % 8)) ? ink : BACKGROUND;
}

TEST_P(RenderDraw, TextAirCoversThreeCellsInTheColour) {
    setColor(0, 255, 0);
    drawText("Air", 0, 220);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   return expectedText("Air", 0, 220, {0, 255, 0}, x, y);
                               }),
              0);
    // The ink reaches into all three cells and stays inside x 0..23, y 220..235.
    const PixelBuffer shot = grabPixels(0, 220 * scale, 24 * scale, 16 * scale);
    int cellsWithInk[3] = {0, 0, 0};
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (rendertest::pixelAt(shot, x, y).g == 255) ++cellsWithInk[x / (8 * scale)];
    EXPECT_GT(cellsWithInk[0], 0);
    EXPECT_GT(cellsWithInk[1], 0);
    EXPECT_GT(cellsWithInk[2], 0);
}

TEST_P(RenderDraw, RightAlignedTextEndsTenPixelsFromTheEdge) {
    const std::string shown = "Score: 0";
    const std::string drawn = "Score:\t 0\x81"; // tab and 0x81 have no glyph
    const int left = 320 - textWidth(drawn) - 10;
    ASSERT_EQ(left, 246);
    drawText(drawn, static_cast<float>(left), 4);
    EXPECT_EQ(screenMismatches(scale,
                               [&](int x, int y) {
                                   return expectedText(shown, left, 4, {255, 255, 255}, x, y);
                               }),
              0);
}

TEST_P(RenderDraw, GrabPixelsReturnsTheTopRowFirst) {
    setColor(255, 0, 0);
    drawRect(0, 0, 320, 1);
    const PixelBuffer shot = grabPixels(0, 0, 4, scale + 1);
    ASSERT_EQ(shot.format, PF_RGBA32);
    ASSERT_EQ(shot.height, scale + 1);
    for (int y = 0; y <= scale; ++y) {
        const Rgba want = y < scale ? Rgba{255, 0, 0} : BACKGROUND;
        EXPECT_EQ(rendertest::pixelAt(shot, 0, y), want) << "row " << y;
    }
    EXPECT_EQ(getBlend(), MASK_BLEND); // restored after the read
}

TEST_P(RenderDraw, FilteringSmoothsOnlyFilteredPictures) {
    auto redBlue = [](int x, int) { return x == 0 ? Rgba{255, 0, 0} : Rgba{0, 0, 255}; };
    ImagePtr sharp = makePicture(2, 1, MASKED_IMAGE, redBlue);
    ImagePtr smooth = makePicture(2, 1, MASKED_IMAGE | FILTERED_IMAGE, redBlue);
    drawImageRect(sharp.get(), 100.25f, 10.25f, 20, 10, 0);
    drawImageRect(smooth.get(), 100.25f, 40.25f, 20, 10, 0);
    const PixelBuffer shot = grabPixels(0, 0, 320 * scale, 240 * scale);
    int sharpMixed = 0, smoothMixed = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const Rgba c = rendertest::pixelAt(shot, x, y);
            const bool pure = c == Rgba{255, 0, 0} || c == Rgba{0, 0, 255} || c == BACKGROUND;
            if (!pure) ++(y < 30 * scale ? sharpMixed : smoothMixed);
        }
    }
    EXPECT_EQ(sharpMixed, 0);
    EXPECT_GT(smoothMixed, 10 * scale);
}

TEST_P(RenderDraw, AlternatingPicturesBindTheirOwnTextures) {
    ImagePtr red = makePicture(4, 4, 0, [](int, int) { return Rgba{255, 0, 0}; });
    ImagePtr green = makePicture(4, 4, 0, [](int, int) { return Rgba{0, 255, 0}; });
    for (int i = 0; i < 6; ++i)
        drawImage(i % 2 ? green.get() : red.get(), i * 10.0f, 0, 0);
    drawRect(0, 10, 4, 4); // untextured in between
    drawImage(red.get(), 70, 0, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (inside(x, y, 0, 10, 4, 4)) return Rgba{255, 255, 255};
                                   if (y >= 4 || x % 10 >= 4 || x >= 74 || x / 10 == 6)
                                       return BACKGROUND;
                                   const int i = x / 10;
                                   return i == 7 || i % 2 == 0 ? Rgba{255, 0, 0} : Rgba{0, 255, 0};
                               }),
              0);
}

TEST_P(RenderDraw, MissingImagesAndFramesDrawNothing) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, patterned);
    ImagePtr blank = createImage(10, 10, 1, 1); // nothing grabbed into it yet
    drawImage(nullptr, 0, 0, 0);
    drawImage(picture.get(), 0, 0, 1);
    drawImage(picture.get(), 0, 0, -1);
    drawImage(blank.get(), 0, 0, 0);
    drawImageRect(nullptr, 0, 0, 10, 10, 0);
    EXPECT_EQ(screenMismatches(scale, [](int, int) { return BACKGROUND; }), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, RenderDraw, ::testing::Values(1, 2));

} // namespace

namespace {

// Full screen on a 1280 x 1024 display centres a 4:3 picture between black
// bands; window-pixel reads count from the picture's corner, not the screen's.
TEST(RenderFullScreen, GrabPixelsReadsFromTheCentredPicture) {
    if (!openGraphics(320, 240, 32, 60, BACK_BUFFER)) GTEST_SKIP() << "no display";
    int pictureX = -1, pictureY = -1;
    graphicsViewport(&pictureX, &pictureY);
    if (pictureX == 0 && pictureY == 0) {
        closeGraphics();
        GTEST_SKIP() << "the display gave the picture the whole screen";
    }
    const int scale = graphicsWidth() / 320;
    rendertest::useLogicalProjection();
    rendertest::fillBackground();
    setColor(255, 0, 0);
    drawRect(0, 0, 1, 1);
    drawRect(319, 239, 1, 1);
    const PixelBuffer corner = grabPixels(0, 0, scale + 1, scale + 1);
    const PixelBuffer far =
        grabPixels(graphicsWidth() - scale - 1, graphicsHeight() - scale - 1, scale + 1, scale + 1);
    closeGraphics();
    ASSERT_EQ(corner.width, scale + 1);
    EXPECT_EQ(rendertest::pixelAt(corner, 0, 0), (Rgba{255, 0, 0}));
    EXPECT_EQ(rendertest::pixelAt(corner, scale, scale), BACKGROUND);
    EXPECT_EQ(rendertest::pixelAt(far, scale, scale), (Rgba{255, 0, 0}));
    EXPECT_EQ(rendertest::pixelAt(far, 0, 0), BACKGROUND);
}

} // namespace
