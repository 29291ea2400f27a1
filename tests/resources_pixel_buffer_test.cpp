// resources_pixel_buffer_test.cpp - buffer creation, format conversion and cutting.
#include <algorithm>
#include <climits>
#include <gtest/gtest.h>

#include "engine/pixels/pixel_buffer.h"

namespace {

const int ALL_FORMATS[] = {PF_GREY8, PF_ALPHA8, PF_BGR24, PF_RGB24, PF_BGRA32, PF_RGBA32};

PixelBuffer onePixel(int format, std::initializer_list<uint8_t> bytes) {
    PixelBuffer b = createPixelBuffer(1, 1, format);
    std::copy(bytes.begin(), bytes.end(), b.bytes.begin());
    return b;
}

std::vector<uint8_t> bytesOf(const PixelBuffer& b) {
    return b.bytes;
}

TEST(ResourcesPixelBuffer, CreateChecksSizeAndFormat) {
    PixelBuffer b = createPixelBuffer(5, 3, PF_BGR24);
    EXPECT_EQ(b.width, 5);
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(b.pitch, 15);
    EXPECT_EQ(b.bytes.size(), 45u);
    EXPECT_EQ(std::count(b.bytes.begin(), b.bytes.end(), 0), 45);
    EXPECT_EQ(createPixelBuffer(16384, 1, PF_RGBA32).width, 16384);
    const int bad[][3] = {{-1, 4, PF_RGBA32},
                          {4, -1, PF_RGBA32},
                          {16385, 1, PF_GREY8},
                          {1, 16385, PF_GREY8},
                          {4, 4, 0},
                          {4, 4, 7},
                          {4, 4, -6}};
    for (const auto& c : bad) {
        PixelBuffer e = createPixelBuffer(c[0], c[1], c[2]);
        EXPECT_EQ(e.width, 0) << c[0] << "x" << c[1] << " format " << c[2];
        EXPECT_TRUE(e.bytes.empty());
    }
    const int bpp[] = {1, 1, 3, 3, 4, 4};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bytesPerPixel(ALL_FORMATS[i]), bpp[i]);
    EXPECT_EQ(bytesPerPixel(0), 0);
    EXPECT_FALSE(formatHasAlpha(PF_GREY8));
    EXPECT_TRUE(formatHasAlpha(PF_ALPHA8));
    EXPECT_FALSE(formatHasAlpha(PF_RGB24));
    EXPECT_TRUE(formatHasAlpha(PF_BGRA32));
}

TEST(ResourcesPixelBuffer, ConversionRules) {
    using V = std::vector<uint8_t>;
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_GREY8, {77}), PF_RGBA32)), (V{77, 77, 77, 255}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_ALPHA8, {40}), PF_RGBA32)), (V{255, 255, 255, 40}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_BGR24, {30, 20, 10}), PF_RGBA32)),
              (V{10, 20, 30, 255}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_BGRA32, {30, 20, 10, 9}), PF_RGB24)),
              (V{10, 20, 30}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGBA32, {10, 20, 30, 9}), PF_BGRA32)),
              (V{30, 20, 10, 9}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGBA32, {10, 20, 30, 9}), PF_ALPHA8)), (V{9}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGB24, {10, 20, 30}), PF_ALPHA8)), (V{255}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGB24, {255, 255, 255}), PF_GREY8)), (V{255}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGB24, {0, 0, 0}), PF_GREY8)), (V{0}));
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_RGB24, {0, 255, 0}), PF_GREY8)),
              (V{149})); // green weighs most
    EXPECT_EQ(bytesOf(convertPixels(onePixel(PF_GREY8, {123}), PF_GREY8)), (V{123}));
}

// Every colour format to every other and back keeps the colour, and the alpha
// whenever both ends carry it.
TEST(ResourcesPixelBuffer, RoundTripsBetweenAllFormats) {
    PixelBuffer src = createPixelBuffer(3, 2, PF_RGBA32);
    for (size_t i = 0; i < src.bytes.size(); ++i)
        src.bytes[i] = static_cast<uint8_t>(i * 37 + 5);
    for (int f : ALL_FORMATS) {
        PixelBuffer there = convertPixels(src, f);
        ASSERT_EQ(there.format, f);
        ASSERT_EQ(there.width, 3);
        ASSERT_EQ(there.pitch, 3 * bytesPerPixel(f));
        PixelBuffer back = convertPixels(there, PF_RGBA32);
        for (size_t p = 0; p < 6; ++p) {
            const uint8_t* a = src.bytes.data() + p * 4;
            const uint8_t* b = back.bytes.data() + p * 4;
            if (f != PF_GREY8 && f != PF_ALPHA8) {
                for (int c = 0; c < 3; ++c)
                    EXPECT_EQ(b[c], a[c]) << "format " << f << " pixel " << p;
            }
            EXPECT_EQ(b[3], formatHasAlpha(f) ? a[3] : 255) << "format " << f << " pixel " << p;
        }
    }
}

TEST(ResourcesPixelBuffer, ConvertRefusesInconsistentBuffers) {
    PixelBuffer b = createPixelBuffer(4, 4, PF_RGB24);
    PixelBuffer shortBytes = b;
    shortBytes.bytes.resize(47);
    EXPECT_EQ(convertPixels(shortBytes, PF_RGBA32).format, 0);
    PixelBuffer smallPitch = b;
    smallPitch.pitch = 11;
    EXPECT_EQ(convertPixels(smallPitch, PF_RGBA32).format, 0);
    PixelBuffer unknown = b;
    unknown.format = 9;
    EXPECT_EQ(convertPixels(unknown, PF_RGBA32).format, 0);
    EXPECT_EQ(convertPixels(b, 0).format, 0);
    EXPECT_EQ(copyRect(shortBytes, 0, 0, 2, 2).format, 0);
    // A wider pitch than the pixels need is honoured.
    PixelBuffer padded = createPixelBuffer(1, 2, PF_GREY8);
    padded.pitch = 4;
    padded.bytes = {10, 99, 99, 99, 20, 99, 99, 99};
    EXPECT_EQ(convertPixels(padded, PF_RGB24).bytes,
              (std::vector<uint8_t>{10, 10, 10, 20, 20, 20}));
}

TEST(ResourcesPixelBuffer, CopyRectClipsToTheSource) {
    PixelBuffer src = createPixelBuffer(4, 3, PF_GREY8);
    for (size_t i = 0; i < 12; ++i)
        src.bytes[i] = static_cast<uint8_t>(i + 1); // 1..12 row by row
    EXPECT_EQ(copyRect(src, 1, 1, 2, 2).bytes, (std::vector<uint8_t>{6, 7, 10, 11}));
    EXPECT_EQ(copyRect(src, 0, 0, 4, 3).bytes, src.bytes);
    // Parts outside the source come out zero.
    EXPECT_EQ(copyRect(src, 3, 2, 2, 2).bytes, (std::vector<uint8_t>{12, 0, 0, 0}));
    EXPECT_EQ(copyRect(src, -1, -1, 2, 2).bytes, (std::vector<uint8_t>{0, 0, 0, 1}));
    EXPECT_EQ(copyRect(src, 10, 10, 2, 1).bytes, (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(copyRect(src, 0, 0, -1, 2).width, 0);
    EXPECT_EQ(copyRect(src, INT_MAX, INT_MAX, 1, 1).bytes, (std::vector<uint8_t>{0}));
    EXPECT_EQ(copyRect(src, INT_MIN, 0, 16384, 1).width, 16384);
}

} // namespace
