// resources_image_test.cpp - loading pictures: masking, palettes, strips and frames.
#include <gtest/gtest.h>

#include "engine/resources/image.h"
#include "resources_bmp_writer.h"

using namespace bmptest;

namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rgba& c) {
    return o << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

Rgba rgbaAt(const PixelBuffer& b, int x, int y) {
    EXPECT_EQ(b.format, PF_RGBA32);
    const uint8_t* p =
        b.bytes.data() + static_cast<size_t>(y) * b.pitch + static_cast<size_t>(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// A 10 x 10 tile: black background with a 4 x 3 block of distinct colours at (3, 3).
std::vector<uint32_t> tilePixels() {
    std::vector<uint32_t> px(100, 0);
    for (int y = 3; y < 6; ++y)
        for (int x = 3; x < 7; ++x)
            px[static_cast<size_t>(y) * 10 + x] =
                static_cast<uint32_t>(0x100000 * (x + 1) + 0x1000 * (y * 3) + 0x10 * (x + y));
    return px;
}

// Expected colour under a transparent pixel, worked out independently from the
// picture: the plain average of the non-black pixels around it.
Rgba expectedMasked(const std::vector<uint32_t>& px, int w, int h, int x, int y) {
    int r = 0, g = 0, b = 0, n = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            uint32_t c = px[static_cast<size_t>(ny) * w + nx] & 0xffffff;
            if (c == 0) continue;
            r += c >> 16, g += (c >> 8) & 0xff, b += c & 0xff, ++n;
        }
    return n ? Rgba{r / n, g / n, b / n, 0} : Rgba{0, 0, 0, 0};
}

void expectMaskedTile(const Image& img, const std::vector<uint32_t>& px) {
    ASSERT_EQ(imageFrames(&img), 1);
    const PixelBuffer& b = img.frames[0].pixels;
    ASSERT_EQ(b.format, PF_RGBA32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const uint32_t c = px[static_cast<size_t>(y) * 10 + x];
            const Rgba want = c ? Rgba{int(c >> 16), int((c >> 8) & 0xff), int(c & 0xff), 255}
                                : expectedMasked(px, 10, 10, x, y);
            EXPECT_EQ(rgbaAt(b, x, y), want) << "at " << x << "," << y;
        }
}

TEST(ResourcesImage, MaskedTileAveragesVisibleNeighbours) {
    const std::vector<uint32_t> px = tilePixels();
    ImagePtr img = loadImage(registerBytes("tile24.bmp", makeBmp(10, 10, 24, px)), MASKED_IMAGE);
    ASSERT_TRUE(img);
    EXPECT_EQ(imageWidth(img.get()), 10);
    EXPECT_EQ(imageHeight(img.get()), 10);
    EXPECT_EQ(img->flags, MASKED_IMAGE);
    expectMaskedTile(*img, px);
    // Spot checks that do not depend on the helper above.
    EXPECT_EQ(rgbaAt(img->frames[0].pixels, 0, 0), (Rgba{0, 0, 0, 0})); // only black around
    EXPECT_EQ(rgbaAt(img->frames[0].pixels, 9, 9), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(rgbaAt(img->frames[0].pixels, 2, 2).a, 0);
    // (2, 2) touches only (3, 3): its colour exactly.
    EXPECT_EQ(rgbaAt(img->frames[0].pixels, 2, 2), (Rgba{0x40, 0x90, 0x60, 0}));
}

TEST(ResourcesImage, PalettedTileMasksLikeTrueColour) {
    // Same picture as an 8-bit file whose entry 0 is black.
    const std::vector<uint32_t> px = tilePixels();
    std::vector<uint32_t> palette = {0x000000};
    std::vector<uint32_t> indexes(100, 0);
    for (size_t i = 0; i < px.size(); ++i) {
        if (px[i] == 0) continue;
        indexes[i] = static_cast<uint32_t>(palette.size());
        palette.push_back(px[i]);
    }
    ImagePtr img =
        loadImage(registerBytes("tile8.bmp", makeBmp(10, 10, 8, indexes, palette)), MASKED_IMAGE);
    ASSERT_TRUE(img);
    expectMaskedTile(*img, px);
}

TEST(ResourcesImage, FlagsDecideMasking) {
    const std::string url = registerBytes("flags.bmp", makeBmp(10, 10, 24, tilePixels()));
    ImagePtr autoFlags = loadImage(url, -1);
    ASSERT_TRUE(autoFlags);
    EXPECT_EQ(autoFlags->flags, AUTO_IMAGE_FLAGS);
    EXPECT_EQ(autoFlags->frames[0].pixels.format, PF_RGBA32);
    EXPECT_EQ(autoFlags->frames[0].pixels.bytes[3], 0); // masked

    ImagePtr plain = loadImage(url, DYNAMIC_IMAGE);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->frames[0].pixels.format, PF_BGR24); // no mask, kept as decoded
    EXPECT_EQ(plain->handleX, 0.0f);
    EXPECT_EQ(plain->maskRed + plain->maskGreen + plain->maskBlue, 0);

    // A picture with its own alpha is never masked.
    std::vector<uint32_t> px(4, 0x00000000);
    px[1] = 0x80ffffff;
    ImagePtr alpha = loadImage(registerBytes("alpha.bmp", makeBmp(2, 2, 32, px)), MASKED_IMAGE);
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->frames[0].pixels.format, PF_BGRA32);
    EXPECT_EQ(alpha->frames[0].pixels.bytes[7], 0x80);
}

// A strip of w x 20 whose column x has the colour (x + 1, 0, 0), so each frame's
// origin can be read back from its first pixel.
std::string stripUrl(int w, int h = 20) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<size_t>(y) * w + x] =
                static_cast<uint32_t>((x + 1) << 16 | (y + 1) << 8);
    return registerBytes("strip" + std::to_string(w) + "x" + std::to_string(h) + ".bmp",
                         makeBmp(w, h, 24, px));
}

TEST(ResourcesImage, StripCounts) {
    const std::string s60 = stripUrl(60);
    ImagePtr four = loadImageStrip(s60, 15, 20, 0, 4, MASKED_IMAGE);
    ASSERT_TRUE(four);
    EXPECT_EQ(imageFrames(four.get()), 4);
    EXPECT_EQ(imageWidth(four.get()), 15);
    EXPECT_EQ(imageHeight(four.get()), 20);
    for (int f = 0; f < 4; ++f)
        EXPECT_EQ(rgbaAt(four->frames[f].pixels, 0, 0), (Rgba{15 * f + 1, 1, 0, 255}));
    EXPECT_FALSE(loadImageStrip(s60, 15, 20, 0, 5, MASKED_IMAGE));
    EXPECT_FALSE(loadImageStrip(s60, 15, 20, 1, 4, MASKED_IMAGE));

    ImagePtr six = loadImageStrip(stripUrl(54), 9, 20, 0, 6, MASKED_IMAGE);
    ASSERT_TRUE(six);
    EXPECT_EQ(imageFrames(six.get()), 6);
    EXPECT_EQ(rgbaAt(six->frames[5].pixels, 8, 19),
              (Rgba{54, 20, 0, 255})); // the strip's last pixel
    ImagePtr fourOf17 = loadImageStrip(stripUrl(68), 17, 20, 0, 4, MASKED_IMAGE);
    ASSERT_TRUE(fourOf17);
    EXPECT_EQ(imageFrames(fourOf17.get()), 4);
}

TEST(ResourcesImage, StripCellsRunAcrossThenDown) {
    // 35 x 25 with 10 x 10 cells: 3 columns x 2 rows; the partial edges are ignored.
    const std::string url = stripUrl(35, 25);
    EXPECT_FALSE(loadImageStrip(url, 10, 10, 0, 7, MASKED_IMAGE));
    ImagePtr img = loadImageStrip(url, 10, 10, 2, 4, MASKED_IMAGE);
    ASSERT_TRUE(img);
    ASSERT_EQ(imageFrames(img.get()), 4);
    const Rgba origins[] = {{21, 1, 0, 255}, {1, 11, 0, 255}, {11, 11, 0, 255}, {21, 11, 0, 255}};
    for (int f = 0; f < 4; ++f)
        EXPECT_EQ(rgbaAt(img->frames[f].pixels, 0, 0), origins[f]) << "frame " << f;
}

TEST(ResourcesImage, StripArgumentsOutOfRange) {
    const std::string url = stripUrl(40);
    EXPECT_FALSE(loadImageStrip(url, 0, 20, 0, 1, 1));
    EXPECT_FALSE(loadImageStrip(url, 10, 0, 0, 1, 1));
    EXPECT_FALSE(loadImageStrip(url, -10, 20, 0, 1, 1));
    EXPECT_FALSE(loadImageStrip(url, 10, 20, -1, 2, 1));
    EXPECT_FALSE(loadImageStrip(url, 10, 20, 0, 0, 1));
    EXPECT_FALSE(loadImageStrip(url, 10, 20, 2, INT_MAX, 1));
    EXPECT_FALSE(loadImageStrip(url, 41, 20, 0, 1, 1));
    EXPECT_TRUE(loadImageStrip(url, 10, 20, 3, 1, 1));
}

TEST(ResourcesImage, MissingOrForeignDataGivesNone) {
    EXPECT_FALSE(loadImage("incbin::gfx\\no such picture.bmp", 1));
    EXPECT_FALSE(loadImage("/nonexistent/dir/picture.bmp", 1));
    EXPECT_FALSE(loadImage(registerBytes("text.txt", {'h', 'e', 'l', 'l', 'o'}), 1));
    EXPECT_FALSE(loadImageStrip("incbin::gfx\\no such strip.bmp", 10, 10, 0, 1, 1));
    EXPECT_EQ(imageWidth(nullptr), 0);
    EXPECT_EQ(imageHeight(nullptr), 0);
    EXPECT_EQ(imageFrames(nullptr), 0);
}

TEST(ResourcesImage, SetFramePixelsDropsTexture) {
    ImagePtr img = loadImageStrip(stripUrl(20), 10, 20, 0, 2, MASKED_IMAGE);
    ASSERT_TRUE(img);
    img->frames[1].texture = 77;
    img->frames[1].textureGeneration = 3;
    PixelBuffer black = createPixelBuffer(10, 20, PF_RGB24);
    setImageFramePixels(*img, 1, black);
    EXPECT_EQ(img->frames[1].texture, 0u);
    EXPECT_EQ(img->frames[1].textureGeneration, 0u);
    EXPECT_EQ(rgbaAt(img->frames[1].pixels, 5, 5), (Rgba{0, 0, 0, 0})); // masked on the way in
    setImageFramePixels(*img, 2, black);                                // no such frame: ignored
    setImageFramePixels(*img, -1, black);
    EXPECT_EQ(imageFrames(img.get()), 2);
}

TEST(ResourcesImage, MaskPixelsOtherMaskColourAndEdges) {
    PixelBuffer b = createPixelBuffer(3, 1, PF_RGB24);
    const uint8_t row[] = {10, 20, 30, 1, 2, 3, 50, 60, 71};
    std::copy(std::begin(row), std::end(row), b.bytes.begin());
    PixelBuffer m = maskPixels(b, 1, 2, 3);
    ASSERT_EQ(m.format, PF_RGBA32);
    EXPECT_EQ(rgbaAt(m, 1, 0),
              (Rgba{30, 40, 50, 0})); // (10 + 50) / 2, (20 + 60) / 2, (30 + 71) / 2
    EXPECT_EQ(rgbaAt(m, 0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(maskPixels(PixelBuffer{}, 0, 0, 0).format, 0);
}

} // namespace
