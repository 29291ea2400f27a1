// render_texture_test.cpp - how frames become textures (size, padding,
// filtering, mipmaps), how they survive reopening the graphics, and screen
// grabs drawn back. Needs an X server (run under xvfb-run).
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "engine/resources/texture_atlas.h"
#include "render_test_support.h"

namespace {

using rendertest::BACKGROUND;
using rendertest::LogicalScreenTest;
using rendertest::makePicture;
using rendertest::Rgba;
using rendertest::screenMismatches;

GLint boundTextureSize(unsigned texture, int level, GLenum what) {
    GLint previous = 0, value = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return value;
}

Rgba warm(int x, int y) {
    return {(x * 7) % 256, (y * 5) % 256, 90};
}

class RenderTexture : public LogicalScreenTest {};

TEST_P(RenderTexture, BackdropTextureIsPowerOfTwoWithFrameExtents) {
    ImagePtr backdrop = makePicture(320, 240, AUTO_IMAGE_FLAGS, warm);
    const unsigned texture = imageFrameTexture(*backdrop, 0);
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(boundTextureSize(texture, 0, GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(boundTextureSize(texture, 0, GL_TEXTURE_HEIGHT), 256);
    EXPECT_FLOAT_EQ(backdrop->frames[0].uMax, 0.625f);
    EXPECT_FLOAT_EQ(backdrop->frames[0].vMax, 0.9375f);
    EXPECT_EQ(imageWidth(backdrop.get()), 320);
    EXPECT_EQ(imageFrameTexture(*backdrop, 0), texture); // made once per generation
}

TEST_P(RenderTexture, FilteredPicturesSampleNearestOnlyWhereItShowsTheSamePixels) {
    // A checker: any blending of neighbours shows as a third colour.
    auto checker = [](int x, int y) { return (x + y) % 2 ? Rgba{250, 250, 250} : Rgba{0, 0, 200}; };
    ImagePtr picture = makePicture(40, 30, AUTO_IMAGE_FLAGS, checker);
    struct Case {
        float x, y, width, height;
        bool ownSizeOnPixels; // at scale 1; enlarged by the window at scale 2
    };
    const Case cases[] = {
        {10, 20, 40, 30, true},     // 1: own size, whole place
        {10.5f, 20, 40, 30, false}, // 2: half a pixel off
        {10, 20, 80, 60, false},    // 3: enlarged
        {100, 50, 40, 30, true},    // 4: back to its own size elsewhere
        {10, 20, 40, 31, false},    // 5: one row taller
    };
    for (int i = 0; i < 5; ++i) {
        const Case& c = cases[i];
        rendertest::fillBackground();
        drawImageRect(picture.get(), c.x, c.y, c.width, c.height, 0);
        const bool nearest = c.ownSizeOnPixels && scale == 1;
        EXPECT_EQ(picture->frames[0].sampledNearest, nearest) << "case " << i + 1;
        const PixelBuffer shot = grabPixels(0, 0, 320 * scale, 240 * scale);
        int mixed = 0, wrong = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const Rgba got = rendertest::pixelAt(shot, static_cast<int>(c.x) * scale + x,
                                                     static_cast<int>(c.y) * scale + y);
                mixed += got != checker(0, 0) && got != checker(1, 0);
                wrong += got != checker(x, y);
            }
        }
        // Where nearest sampling is used, linear would show exactly the texels too.
        if (nearest) {
            EXPECT_EQ(wrong, 0) << "case " << i + 1;
        } else {
            EXPECT_GT(mixed, 0) << "case " << i + 1;
        }
    }
}

TEST_P(RenderTexture, FilteredBackdropKeepsItsEdgesClean) {
    // A filtered picture drawn 1:1 or stretched must not pick up what lies
    // beyond its right and bottom edges in its larger texture.
    struct Case {
        int width, height; // the picture's; drawn over the whole logical screen
    };
    const Case cases[] = {{320, 240}, {300, 200}, {250, 129}};
    const Rgba edge{250, 200, 40};
    for (const Case& c : cases) {
        ImagePtr backdrop = makePicture(c.width, c.height, AUTO_IMAGE_FLAGS, [&](int x, int y) {
            return x >= c.width - 2 || y >= c.height - 2 ? edge : Rgba{60, 60, 60};
        });
        rendertest::fillBackground();
        drawImageRect(backdrop.get(), 0, 0, 320, 240, 0);
        const PixelBuffer shot = grabPixels(0, 0, 320 * scale, 240 * scale);
        int dirty = 0;
        for (int y = 0; y < shot.height; ++y)
            dirty += rendertest::pixelAt(shot, shot.width - 1, y) != edge;
        for (int x = 0; x < shot.width; ++x)
            dirty += rendertest::pixelAt(shot, x, shot.height - 1) != edge;
        EXPECT_EQ(dirty, 0) << c.width << " x " << c.height;
    }
}

TEST_P(RenderTexture, TexturesSurviveReopeningTheGraphics) {
    ImagePtr picture = makePicture(10, 20, MASKED_IMAGE, warm);
    drawImage(picture.get(), 5, 5, 0);
    const uint32_t firstGeneration = picture->frames[0].textureGeneration;
    EXPECT_EQ(firstGeneration, graphicsGeneration());
    const unsigned page = picture->frames[0].texture;
    const int pages = atlasPageCount();

    closeGraphics();
    EXPECT_EQ(imageFrameTexture(*picture, 0), 0u); // no context, no texture
    ASSERT_TRUE(rendertest::openLogicalScreen(scale));
    rendertest::fillBackground();
    drawImage(picture.get(), 5, 5, 0);
    EXPECT_NE(picture->frames[0].textureGeneration, firstGeneration);
    EXPECT_EQ(picture->frames[0].textureGeneration, graphicsGeneration());
    // A sprite keeps its place in the atlas: no page is added per reopening.
    EXPECT_TRUE(picture->frames[0].inAtlas);
    EXPECT_EQ(picture->frames[0].texture, page);
    EXPECT_EQ(atlasPageCount(), pages);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   return x >= 5 && x < 15 && y >= 5 && y < 25 ? warm(x - 5, y - 5)
                                                                               : BACKGROUND;
                               }),
              0);
}

TEST_P(RenderTexture, ReopeningResetsTheDrawState) {
    ImagePtr picture = makePicture(10, 10, MASKED_IMAGE, warm);
    setColor(255, 0, 0);
    setAlpha(0.3f);
    setBlend(ALPHA_BLEND);
    closeGraphics();
    ASSERT_TRUE(rendertest::openLogicalScreen(scale));
    EXPECT_EQ(getBlend(), MASK_BLEND);
    EXPECT_EQ(getAlpha(), 1.0f);
    int r = 0, g = 0, b = 0;
    getColor(&r, &g, &b);
    EXPECT_EQ(r + g + b, 3 * 255);
    rendertest::fillBackground();
    drawImage(picture.get(), 0, 0, 0);
    EXPECT_EQ(screenMismatches(
                  scale, [](int x, int y) { return x < 10 && y < 10 ? warm(x, y) : BACKGROUND; }),
              0);
}

TEST_P(RenderTexture, DestroyingAnImageFreesItsTextures) {
    ImagePtr red = makePicture(4, 4, 0, [](int, int) { return Rgba{255, 0, 0}; });
    drawImage(red.get(), 0, 0, 0);
    const unsigned name = red->frames[0].texture;
    ASSERT_TRUE(glIsTexture(name));
    red.reset();
    EXPECT_FALSE(glIsTexture(name));
    // New pixels for a frame delete the texture of the old ones.
    ImagePtr green = makePicture(4, 4, 0, [](int, int) { return Rgba{0, 255, 0}; });
    drawImage(green.get(), 0, 0, 0);
    const unsigned old = green->frames[0].texture;
    ASSERT_TRUE(glIsTexture(old));
    setImageFramePixels(*green, 0, green->frames[0].pixels);
    EXPECT_FALSE(glIsTexture(old));
    rendertest::fillBackground();
    // Drivers may hand the freed name to the next texture; drawing must not
    // trust a stale bind (Mesa never reuses names, so this mostly checks that
    // drawing goes on normally after a deletion).
    ImagePtr blue = makePicture(4, 4, 0, [](int, int) { return Rgba{0, 0, 255}; });
    drawImage(blue.get(), 0, 0, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   return x < 4 && y < 4 ? Rgba{0, 0, 255} : BACKGROUND;
                               }),
              0);
}

TEST_P(RenderTexture, FrameLargerThanTheGlAllowsIsResampled) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GT(maxSize, 0);
    // Just over the limit: the next power of two is refused, half of it fits.
    const int width = maxSize + maxSize / 2;
    ImagePtr wide = makePicture(width, 1, 0, [width](int x, int) {
        return x < width / 2 ? Rgba{255, 0, 0} : Rgba{0, 0, 255};
    });
    const unsigned texture = imageFrameTexture(*wide, 0);
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(boundTextureSize(texture, 0, GL_TEXTURE_WIDTH), maxSize);
    EXPECT_FLOAT_EQ(wide->frames[0].uMax, 1.0f);
    EXPECT_EQ(imageWidth(wide.get()), width);
    drawImageRect(wide.get(), 0, 0, 320, 10, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (y >= 10) return BACKGROUND;
                                   return x < 160 ? Rgba{255, 0, 0} : Rgba{0, 0, 255};
                               }),
              0);
}

TEST_P(RenderTexture, MipmappedPictureAveragesWhenShrunk) {
    auto checker = [](int x, int y) { return (x + y) % 2 ? Rgba{255, 255, 255} : Rgba{0, 0, 0}; };
    ImagePtr mipmapped = makePicture(64, 64, FILTERED_IMAGE | MIPMAPPED_IMAGE, checker);
    ImagePtr plain = makePicture(64, 64, 0, checker);
    drawImageRect(mipmapped.get(), 0, 0, 8, 8, 0);
    drawImageRect(plain.get(), 20, 0, 8, 8, 0);
    const unsigned texture = mipmapped->frames[0].texture;
    EXPECT_EQ(boundTextureSize(texture, 6, GL_TEXTURE_WIDTH), 1); // chain down to 1 x 1
    const PixelBuffer shot = grabPixels(0, 0, 28 * scale, 8 * scale);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < 8 * scale; ++x) {
            EXPECT_NEAR(rendertest::pixelAt(shot, x, y).g, 128, 6) << x << "," << y;
            const int g = rendertest::pixelAt(shot, 20 * scale + x, y).g;
            EXPECT_TRUE(g == 0 || g == 255) << x << "," << y;
        }
    }
}

TEST_P(RenderTexture, GrabbedWindowDrawnBackFillsTheLogicalScreen) {
    ImagePtr picture = makePicture(320, 240, 0, warm);
    drawImage(picture.get(), 0, 0, 0);
    ImagePtr grab = createImage(320 * scale, 240 * scale, 1, -1);
    ASSERT_TRUE(grab);
    EXPECT_EQ(grab->flags, 11);
    grabImage(grab.get(), 0, 0, 0);
    rendertest::fillBackground({0, 0, 0});
    drawImageRect(grab.get(), 0, 0, 320, 240, 0);
    EXPECT_EQ(screenMismatches(scale, warm, 1), 0);
}

TEST_P(RenderTexture, GrabbedBlackBecomesTransparentInAMaskedImage) {
    setColor(0, 0, 0);
    drawRect(0, 0, 10, 10); // black square, the mask colour
    setColor(200, 0, 0);
    drawRect(10, 0, 10, 10);
    setColor(255, 255, 255);
    ImagePtr grab = createImage(20 * scale, 10 * scale, 1, MASKED_IMAGE);
    grabImage(grab.get(), 0, 0, 0);
    rendertest::fillBackground();
    drawImageRect(grab.get(), 100, 100, 20, 10, 0);
    EXPECT_EQ(
        screenMismatches(
            scale,
            [](int x, int y) {
                return x >= 110 && x < 120 && y >= 100 && y < 110 ? Rgba{200, 0, 0} : BACKGROUND;
            }),
        0);
}

TEST_P(RenderTexture, FrameWithoutAlphaDrawsOpaque) {
    // An unmasked picture keeps its loaded RGB pixels; black stays black.
    ImagePtr picture = makePicture(12, 6, DYNAMIC_IMAGE, [](int x, int y) {
        return x < 6 ? Rgba{0, 0, 0} : warm(x, y);
    });
    picture->frames[0].pixels = convertPixels(picture->frames[0].pixels, PF_BGR24);
    ASSERT_EQ(picture->frames[0].pixels.format, PF_BGR24);
    drawImage(picture.get(), 50, 60, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (x < 50 || x >= 62 || y < 60 || y >= 66) return BACKGROUND;
                                   return x < 56 ? Rgba{0, 0, 0} : warm(x - 50, y - 60);
                               }),
              0);
}

// Every way a sprite is drawn, once from the atlas and once from textures of
// their own: the pixels must not differ.
TEST_P(RenderTexture, AtlasFramesDrawTheSamePixelsAsTexturesOfTheirOwn) {
    struct Draw {
        float x, y, w, h;
        int blend;
    };
    const Draw draws[] = {
        {3, 4, 10, 20, MASK_BLEND},          // 1: where it was loaded, 1:1
        {20.5f, 4.5f, 10, 20, MASK_BLEND},   // 2: half a pixel off
        {40.25f, 7.75f, 10, 20, MASK_BLEND}, // 3: a quarter off
        {60, 4, 30, 60, MASK_BLEND},         // 4: enlarged 3x
        {100, 4, 5, 10, MASK_BLEND},         // 5: halved
        {130, 30, -10, 20, MASK_BLEND},      // 6: mirrored
        {150, 4, 13, 27, MASK_BLEND},        // 7: stretched by odd amounts
        {170.5f, 50.3f, 23, 7, ALPHA_BLEND}, // 8: squashed, blended
        {200, 100, 10, 20, SOLID_BLEND},     // 9: solid, the masked texels' colour shows
    };
    auto drawAll = [&] {
        rendertest::fillBackground();
        // Two pictures, so neighbours on a page would show if sampled.
        ImagePtr a = makePicture(10, 20, MASKED_IMAGE, [](int x, int y) {
            return Rgba{40 + x * 20, 5 + y * 12, 250 - x * 9, (x + y) % 7 ? 255 : 0};
        });
        ImagePtr b = makePicture(10, 20, MASKED_IMAGE, [](int, int) { return Rgba{255, 255, 0}; });
        setAlpha(0.6f);
        for (const Draw& d : draws) {
            setBlend(d.blend);
            drawImageRect(a.get(), d.x, d.y, d.w, d.h, 0);
            drawImageRect(b.get(), d.x, d.y + 80, d.w, d.h, 0);
        }
        setBlend(MASK_BLEND);
        setAlpha(1.0f);
        EXPECT_EQ(a->frames[0].inAtlas, b->frames[0].inAtlas);
        EXPECT_EQ(a->frames[0].texture == b->frames[0].texture, a->frames[0].inAtlas);
        return std::pair(grabPixels(0, 0, 320 * scale, 240 * scale), a->frames[0].inAtlas);
    };
    const auto [packed, wasPacked] = drawAll();
    setAtlasEnabled(false);
    const auto [own, ownPacked] = drawAll();
    setAtlasEnabled(true);
    EXPECT_TRUE(wasPacked);
    EXPECT_FALSE(ownPacked);
    ASSERT_EQ(packed.bytes.size(), own.bytes.size());
    int differing = 0;
    for (int y = 0; y < own.height; ++y)
        for (int x = 0; x < own.width; ++x)
            if (!(rendertest::pixelAt(packed, x, y) == rendertest::pixelAt(own, x, y)) &&
                ++differing <= 5)
                ADD_FAILURE() << "window pixel " << x << "," << y;
    EXPECT_EQ(differing, 0);
}

TEST_P(RenderTexture, AtlasPagesFillAndGoWithTheirLastFrame) {
    const int pagesBefore = atlasPageCount();
    // 100 x 100 with the border: five to a shelf, 25 to a page.
    std::vector<ImagePtr> pictures;
    std::set<unsigned> pages;
    for (int i = 0; i < 30; ++i) {
        pictures.push_back(makePicture(100, 100, 0, [i](int, int) { return Rgba{i * 8, 0, 9}; }));
        ASSERT_NE(imageFrameTexture(*pictures.back(), 0), 0u);
        pages.insert(pictures.back()->frames[0].texture);
    }
    EXPECT_GE(atlasPageCount() - pagesBefore, 1);
    EXPECT_GE(pages.size(), 2u); // 25 to a page
    EXPECT_LE(pages.size(), 3u);
    drawImage(pictures[29].get(), 0, 0, 0); // from the page made last
    drawImage(pictures[3].get(), 100, 0, 0);
    EXPECT_EQ(screenMismatches(scale,
                               [](int x, int y) {
                                   if (y >= 100 || x >= 200) return BACKGROUND;
                                   return x < 100 ? Rgba{29 * 8, 0, 9} : Rgba{3 * 8, 0, 9};
                               }),
              0);
    pictures.clear();
    EXPECT_EQ(atlasPageCount(), pagesBefore); // the pages made here went with their frames
    EXPECT_FALSE(glIsTexture(*pages.rbegin()));
}

INSTANTIATE_TEST_SUITE_P(Scales, RenderTexture, ::testing::Values(1, 2));

} // namespace
