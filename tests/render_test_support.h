// render_test_support.h - shared pieces of the window tests of the renderer:
// a fixture that opens a 320 x 240 logical screen at scale 1 or 2, pictures
// built from a colour function, and whole-screen pixel comparisons.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "engine/resources/image.h"

namespace rendertest {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 255;
};

inline bool operator==(const Rgba& x, const Rgba& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

constexpr Rgba BACKGROUND{10, 20, 30, 255};

// The mapping the display manager sets: the logical screen fills the window.
inline void useLogicalProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 320, 240, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

inline bool openLogicalScreen(int scale) {
    if (!openGraphics(320 * scale, 240 * scale, 0, 60, BACK_BUFFER)) return false;
    useLogicalProjection();
    return true;
}

inline void fillBackground(Rgba colour = BACKGROUND) {
    const int blend = getBlend();
    setBlend(SOLID_BLEND);
    setColor(colour.r, colour.g, colour.b);
    drawRect(0, 0, 320, 240);
    setColor(255, 255, 255);
    setBlend(blend);
}

// A picture whose frame 0 holds colour(x, y) in the working RGBA format.
inline ImagePtr makePicture(int width, int height, int flags,
                            const std::function<Rgba(int, int)>& colour) {
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->flags = flags;
    image->frames.resize(1);
    PixelBuffer& px = image->frames[0].pixels;
    px.width = width;
    px.height = height;
    px.pitch = width * 4;
    px.format = PF_RGBA32;
    px.bytes.resize(static_cast<size_t>(px.pitch) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba c = colour(x, y);
            uint8_t* p = &px.bytes[static_cast<size_t>(y) * px.pitch + static_cast<size_t>(x) * 4];
            p[0] = static_cast<uint8_t>(c.r);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.b);
            p[3] = static_cast<uint8_t>(c.a);
        }
    }
    return image;
}

inline Rgba pixelAt(const PixelBuffer& shot, int x, int y) {
    const uint8_t* p =
        &shot.bytes[static_cast<size_t>(y) * shot.pitch + static_cast<size_t>(x) * 4];
    return {p[0], p[1], p[2], 255};
}

// Compares every window pixel with expected(logical x, logical y), RGB only,
// within a tolerance per channel; reports the first few differences.
inline int screenMismatches(int scale, const std::function<Rgba(int, int)>& expected,
                            int tolerance = 0) {
    const PixelBuffer shot = grabPixels(0, 0, 320 * scale, 240 * scale);
    if (shot.width != 320 * scale || shot.height != 240 * scale) {
        ADD_FAILURE() << "grabPixels returned " << shot.width << "x" << shot.height;
        return -1;
    }
    int mismatches = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const Rgba got = pixelAt(shot, x, y);
            const Rgba want = expected(x / scale, y / scale);
            if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
                std::abs(got.b - want.b) > tolerance) {
                if (++mismatches <= 5) {
                    ADD_FAILURE() << "window pixel " << x << "," << y << " (logical " << x / scale
                                  << "," << y / scale << "): got " << got.r << "," << got.g << ","
                                  << got.b << " want " << want.r << "," << want.g << "," << want.b;
                }
            }
        }
    }
    return mismatches;
}

// Opens the logical screen at the test's scale; skips when there is no display.
class LogicalScreenTest : public ::testing::TestWithParam<int> {
  protected:
    int scale = 1;
    void SetUp() override {
        scale = GetParam();
        if (!openLogicalScreen(scale)) GTEST_SKIP() << "no X display to open a window on";
        fillBackground();
    }
    void TearDown() override { closeGraphics(); }
};

} // namespace rendertest
