// io_jpeg_test.cpp - saving JPEGs: round trip through the reader, failures.
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/io/jpeg_write.h"
#include "engine/io/stream.h"
#include "engine/resources/image.h"

namespace fs = std::filesystem;

namespace {

class IoJpeg : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/gloam_jpeg_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
};

// An RGBA picture (the format of screen grabs) with a red top half over a blue
// bottom half and a green square in the top-left corner.
PixelBuffer testPicture(int w, int h) {
    PixelBuffer b = createPixelBuffer(w, h, PF_RGBA32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.bytes.data() + static_cast<size_t>(y) * b.pitch + x * 4;
            const bool top = y < h / 2, corner = x < 16 && y < 16;
            p[0] = corner ? 0 : top ? 220 : 10;
            p[1] = corner ? 200 : 10;
            p[2] = corner ? 0 : top ? 10 : 230;
            p[3] = 255;
        }
    return b;
}

void expectNear(const PixelBuffer& b, int x, int y, int r, int g, int bl) {
    const uint8_t* p = b.bytes.data() + static_cast<size_t>(y) * b.pitch + x * 3;
    EXPECT_NEAR(p[0], r, 16) << x << "," << y;
    EXPECT_NEAR(p[1], g, 16) << x << "," << y;
    EXPECT_NEAR(p[2], bl, 16) << x << "," << y;
}

TEST_F(IoJpeg, RoundTripKeepsSizeColoursAndRowOrder) {
    const std::string file = dir_ + "/screen000.jpg";
    ASSERT_TRUE(saveJpeg(testPicture(320, 240), file, 75));
    EXPECT_EQ(fileType(file), 1);
    std::optional<PixelBuffer> b = loadPixelBuffer(file);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->format, PF_RGB24);
    EXPECT_EQ(b->width, 320);
    EXPECT_EQ(b->height, 240);
    expectNear(*b, 8, 8, 0, 200, 0);       // corner square: the top row came first
    expectNear(*b, 160, 60, 220, 10, 10);  // top half
    expectNear(*b, 160, 180, 10, 10, 230); // bottom half
    // Quality 75 is noticeably smaller than 100 on the same picture.
    ASSERT_TRUE(saveJpeg(testPicture(320, 240), dir_ + "/q100.jpg", 100));
    EXPECT_LT(fs::file_size(file), fs::file_size(dir_ + "/q100.jpg"));
}

TEST_F(IoJpeg, BaselineFileFromAnyFormat) {
    // A BGR buffer and a grey buffer are converted to RGB first.
    PixelBuffer bgr = createPixelBuffer(9, 7, PF_BGR24);
    for (size_t i = 0; i < bgr.bytes.size(); i += 3)
        bgr.bytes[i] = 250; // blue
    ASSERT_TRUE(saveJpeg(bgr, dir_ + "/bgr.jpg", 75));
    std::optional<PixelBuffer> b = loadPixelBuffer(dir_ + "/bgr.jpg");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->width, 9);
    expectNear(*b, 4, 3, 0, 0, 250);

    PixelBuffer grey = createPixelBuffer(5, 5, PF_GREY8);
    std::fill(grey.bytes.begin(), grey.bytes.end(), 128);
    ASSERT_TRUE(saveJpeg(grey, dir_ + "/grey.jpg", 75));
    b = loadPixelBuffer(dir_ + "/grey.jpg");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->format, PF_RGB24); // always written as three components
    expectNear(*b, 2, 2, 128, 128, 128);

    // Baseline: the frame marker is SOF0 (ff c0), not progressive or extended.
    StreamPtr s = openStream(dir_ + "/grey.jpg", true, false);
    ASSERT_TRUE(s);
    std::vector<uint8_t> bytes(static_cast<size_t>(s->size()));
    ASSERT_EQ(s->read(bytes.data(), bytes.size()), bytes.size());
    bool sof0 = false, otherSof = false;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] != 0xff) continue;
        sof0 |= bytes[i + 1] == 0xc0;
        otherSof |= bytes[i + 1] == 0xc1 || bytes[i + 1] == 0xc2;
    }
    EXPECT_TRUE(sof0);
    EXPECT_FALSE(otherSof);
}

TEST_F(IoJpeg, FailuresReportFalse) {
    EXPECT_FALSE(saveJpeg(testPicture(8, 8), dir_ + "/no/such/dir/x.jpg", 75));
    EXPECT_FALSE(saveJpeg(testPicture(8, 8), "incbin::gfx\\x.jpg", 75)); // read-only store
    EXPECT_FALSE(saveJpeg(PixelBuffer{}, dir_ + "/empty.jpg", 75));
    EXPECT_EQ(fileType(dir_ + "/empty.jpg"), 0); // nothing created for a bad buffer
    // A full disk: the data cannot be written.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(saveJpeg(testPicture(64, 64), "/dev/full", 75));
    // The failed write must not unlink the device it was pointed at.
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

} // namespace
