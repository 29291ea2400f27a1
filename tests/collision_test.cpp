// collision_test.cpp - imagesOverlap against a per-pixel brute force and the
// classic contact cases (adjacent tiles, single pixels, transparent frames).
//
// Images are built by hand (no loaders, no graphics), so these run headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/collision/collision.h"
#include "engine/resources/image.h"

namespace {

PixelBuffer rgbaBuffer(int width, int height) {
    return createPixelBuffer(width, height, PF_RGBA32);
}

void setAlphaAt(PixelBuffer& buffer, int x, int y, uint8_t alpha) {
    buffer.bytes[static_cast<size_t>(y) * buffer.pitch + x * 4 + 3] = alpha;
}

// A masked-looking image: every frame's texels are 0 or 255 alpha.
ImagePtr makeImage(int width, int height, int frames) {
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->flags = MASKED_IMAGE;
    image->frames.resize(static_cast<size_t>(frames));
    for (ImageFrame& frame : image->frames)
        frame.pixels = rgbaBuffer(width, height);
    return image;
}

ImagePtr solidImage(int width, int height) {
    ImagePtr image = makeImage(width, height, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setAlphaAt(image->frames[0].pixels, x, y, 255);
    return image;
}

// A picture loaded without the mask flag: RGB only, so no alpha channel.
ImagePtr rgbImage(int width, int height) {
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->frames.resize(1);
    PixelBuffer& px = image->frames[0].pixels;
    px.width = width;
    px.height = height;
    px.pitch = width * 3;
    px.format = PF_RGB24;
    px.bytes.assign(static_cast<size_t>(px.pitch) * height, 0);
    return image;
}

bool solidTexel(const Image& image, int frame, int x, int y) {
    const PixelBuffer& px = image.frames[static_cast<size_t>(frame)].pixels;
    if (px.format != PF_RGBA32) return true;
    return px.bytes[static_cast<size_t>(y) * px.pitch + x * 4 + 3] >= 128;
}

bool bruteOverlap(const Image& a, int ax, int ay, int af, const Image& b, int bx, int by, int bf) {
    const int left = std::max(ax, bx), right = std::min(ax + a.width, bx + b.width);
    const int top = std::max(ay, by), bottom = std::min(ay + a.height, by + b.height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (solidTexel(a, af, x - ax, y - ay) && solidTexel(b, bf, x - bx, y - by)) return true;
    return false;
}

TEST(Collision, ContactCases) {
    ImagePtr tileA = solidImage(10, 10);
    ImagePtr tileB = solidImage(10, 10);
    ImagePtr dotA = makeImage(10, 10, 1);
    setAlphaAt(dotA->frames[0].pixels, 4, 6, 255);
    ImagePtr dotB = makeImage(10, 10, 1);
    setAlphaAt(dotB->frames[0].pixels, 2, 3, 255);
    ImagePtr empty = makeImage(10, 20, 1);
    ImagePtr rgb = rgbImage(10, 10);
    // Left half solid, right half transparent; the mirror image of it.
    ImagePtr leftHalf = makeImage(10, 10, 1);
    ImagePtr rightHalf = makeImage(10, 10, 1);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 5; ++x)
            setAlphaAt(leftHalf->frames[0].pixels, x, y, 255);
        for (int x = 5; x < 10; ++x)
            setAlphaAt(rightHalf->frames[0].pixels, x, y, 255);
    }

    struct Case {
        const char* name;
        const Image* a;
        int ax, ay;
        const Image* b;
        int bx, by;
        bool expected;
    };
    const Case cases[] = {
        {"1 adjacent tiles", tileA.get(), 0, 0, tileB.get(), 10, 0, false},
        {"2 one column shared", tileA.get(), 0, 0, tileB.get(), 9, 0, true},
        {"3 adjacent vertically", tileA.get(), 0, 0, tileB.get(), 0, 10, false},
        {"4 one corner pixel shared", tileA.get(), 0, 0, tileB.get(), 9, 9, true},
        {"5 diagonal touch only", tileA.get(), 0, 0, tileB.get(), 10, 10, false},
        {"6 dots on one pixel", dotA.get(), 100, 50, dotB.get(), 102, 53, true},
        {"7 dots one apart in x", dotA.get(), 100, 50, dotB.get(), 103, 53, false},
        {"8 dots one apart in y", dotA.get(), 100, 50, dotB.get(), 102, 52, false},
        {"9 overlap only where transparent", leftHalf.get(), 0, 0, rightHalf.get(), 0, 0, false},
        {"10 solid halves meet", leftHalf.get(), 4, 0, rightHalf.get(), 0, 0, true},
        {"11 itself at the same place", dotA.get(), 7, 7, dotA.get(), 7, 7, true},
        {"12 transparent frame against itself", empty.get(), 7, 7, empty.get(), 7, 7, false},
        {"13 transparent frame over a solid tile", empty.get(), 0, 0, tileA.get(), 0, 0, false},
        {"14 no alpha counts as solid", rgb.get(), 0, 0, dotA.get(), -4, -6, true},
        {"15 no alpha, dot just outside", rgb.get(), 0, 0, dotA.get(), 6, -6, false},
        {"16 two frames without alpha", rgb.get(), 0, 0, rgb.get(), 9, 9, true},
        {"17 negative positions", tileA.get(), -15, -12, dotA.get(), -18, -17, true},
        {"18 far apart", tileA.get(), 0, 0, tileB.get(), 200, 100, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(imagesOverlap(c.a, c.ax, c.ay, 0, c.b, c.bx, c.by, 0), c.expected) << c.name;
        EXPECT_EQ(imagesOverlap(c.b, c.bx, c.by, 0, c.a, c.ax, c.ay, 0), c.expected)
            << c.name << " (order swapped)";
    }
}

TEST(Collision, MissingImageOrFrameNeverOverlaps) {
    ImagePtr tile = solidImage(10, 10);
    EXPECT_FALSE(imagesOverlap(nullptr, 0, 0, 0, tile.get(), 0, 0, 0));
    EXPECT_FALSE(imagesOverlap(tile.get(), 0, 0, 0, nullptr, 0, 0, 0));
    EXPECT_FALSE(imagesOverlap(tile.get(), 0, 0, 1, tile.get(), 0, 0, 0));
    EXPECT_FALSE(imagesOverlap(tile.get(), 0, 0, 0, tile.get(), 0, 0, -1));
    EXPECT_TRUE(imagesOverlap(tile.get(), 0, 0, 0, tile.get(), 0, 0, 0));
}

TEST(Collision, ShortPixelBufferIsNeverSolid) {
    ImagePtr tile = solidImage(10, 10);
    ImagePtr broken = solidImage(10, 10);
    broken->frames[0].pixels.bytes.resize(40); // one row of a 10 x 10 frame
    EXPECT_FALSE(imagesOverlap(tile.get(), 0, 0, 0, broken.get(), 0, 0, 0));
}

TEST(Collision, HandleShiftsTheFrame) {
    ImagePtr a = solidImage(10, 10);
    ImagePtr b = solidImage(10, 10);
    b->handleX = 5.0f; // b at x 10 now covers 5..14
    EXPECT_TRUE(imagesOverlap(a.get(), 0, 0, 0, b.get(), 14, 0, 0));
    EXPECT_FALSE(imagesOverlap(a.get(), 0, 0, 0, b.get(), 15, 0, 0));
}

// Thousands of random placements of random masks of several sizes, compared
// with a plain per-pixel check of the two frames.
TEST(Collision, AgreesWithBruteForce) {
    std::mt19937 rng(20240611u);
    struct Shape {
        int w, h, frames;
    };
    const Shape shapes[] = {{10, 20, 4}, {10, 10, 4}, {25, 50, 3}, {1, 1, 2}};
    std::vector<ImagePtr> images;
    for (const Shape& s : shapes) {
        ImagePtr image = makeImage(s.w, s.h, s.frames);
        for (int f = 0; f < s.frames; ++f) {
            // Frame 0 dense, 1 sparse, 2 fully transparent (when present),
            // 3 a blob; 1 x 1 frames: solid and transparent.
            const int density = s.w == 1 ? (f == 0 ? 100 : 0) : (f == 0 ? 70 : f == 1 ? 8 : 0);
            for (int y = 0; y < s.h; ++y) {
                for (int x = 0; x < s.w; ++x) {
                    bool solid = static_cast<int>(rng() % 100) < density;
                    if (f == 3) solid = (x - 5) * (x - 5) + (y - 6) * (y - 6) < 12;
                    if (solid)
                        setAlphaAt(image->frames[static_cast<size_t>(f)].pixels, x, y, 255);
                    else if (rng() % 4 == 0)
                        setAlphaAt(image->frames[static_cast<size_t>(f)].pixels, x, y, 127);
                }
            }
        }
        images.push_back(std::move(image));
    }
    images.push_back(rgbImage(10, 10));

    int hits = 0, total = 0;
    for (int i = 0; i < 20000; ++i) {
        const Image& a = *images[rng() % images.size()];
        const Image& b = *images[rng() % images.size()];
        const int af = static_cast<int>(rng() % a.frames.size());
        const int bf = static_cast<int>(rng() % b.frames.size());
        const int ax = static_cast<int>(rng() % 200) - 100;
        const int ay = static_cast<int>(rng() % 200) - 100;
        // Keep b within touching distance of a so most cases reach the scan.
        const int bx = ax - b.width - 1 + static_cast<int>(rng() % (a.width + b.width + 3));
        const int by = ay - b.height - 1 + static_cast<int>(rng() % (a.height + b.height + 3));
        const bool expected = bruteOverlap(a, ax, ay, af, b, bx, by, bf);
        ASSERT_EQ(imagesOverlap(&a, ax, ay, af, &b, bx, by, bf), expected)
            << "case " << i << ": " << a.width << "x" << a.height << " frame " << af << " at " << ax
            << "," << ay << " vs " << b.width << "x" << b.height << " frame " << bf << " at " << bx
            << "," << by;
        hits += expected;
        ++total;
    }
    // Both answers must be well represented for the comparison to mean much.
    EXPECT_GT(hits, total / 5);
    EXPECT_LT(hits, total * 4 / 5);
}

} // namespace
