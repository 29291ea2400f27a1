// resources_jpeg_test.cpp - the JPEG reader and the BMP-then-JPEG loading order.
#include <gtest/gtest.h>

#include "engine/io/stream.h"
#include "engine/resources/image.h"
#include "resources_bmp_writer.h"
#include "resources_jpeg_writer.h"

namespace {

std::optional<PixelBuffer> decode(const std::vector<uint8_t>& bytes) {
    StreamPtr s = openMemoryStream(bytes.data(), bytes.size());
    return decodeJpeg(*s);
}

// Mean absolute difference per channel between a decoded RGB buffer and the original.
double meanError(const PixelBuffer& b, const std::vector<uint8_t>& px) {
    double sum = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width * 3; ++x)
            sum += std::abs(int(b.bytes[static_cast<size_t>(y) * b.pitch + x]) -
                            int(px[static_cast<size_t>(y) * b.width * 3 + x]));
    return sum / (b.width * b.height * 3.0);
}

TEST(ResourcesJpeg, ColourAndGrey) {
    const std::vector<uint8_t> px = jpegtest::quadrants(40, 30);
    for (bool progressive : {false, true}) {
        std::optional<PixelBuffer> b =
            decode(jpegtest::encode(40, 30, 3, JCS_RGB, px, 90, progressive));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->format, PF_RGB24);
        EXPECT_EQ(b->width, 40);
        EXPECT_EQ(b->height, 30);
        EXPECT_LT(meanError(*b, px), 12.0);
        // Quadrant centres are flat colour, far from block edges: close to exact.
        const uint8_t* red = b->bytes.data() + static_cast<size_t>(7) * b->pitch + 10 * 3;
        EXPECT_GT(red[0], 235);
        EXPECT_LT(red[1], 20);
        EXPECT_LT(red[2], 20);
    }
    std::vector<uint8_t> grey(16 * 8);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<uint8_t>(i % 16 < 8 ? 40 : 200);
    std::optional<PixelBuffer> g = decode(jpegtest::encode(16, 8, 1, JCS_GRAYSCALE, grey));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->format, PF_GREY8);
    EXPECT_EQ(g->pitch, 16);
    EXPECT_NEAR(g->bytes[3 * 16 + 2], 40, 8);
    EXPECT_NEAR(g->bytes[3 * 16 + 13], 200, 8);
}

TEST(ResourcesJpeg, RefusesOtherComponentCountsAndDamage) {
    std::vector<uint8_t> cmyk(8 * 8 * 4, 100);
    EXPECT_FALSE(decode(jpegtest::encode(8, 8, 4, JCS_CMYK, cmyk)));

    const std::vector<uint8_t> good =
        jpegtest::encode(24, 16, 3, JCS_RGB, jpegtest::quadrants(24, 16));
    ASSERT_TRUE(decode(good));
    // Every cut short of the end marker fails: a short file is a damaged file.
    for (size_t n = 0; n + 2 < good.size(); n += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_FALSE(decode(cut)) << "cut to " << n;
    }
    // The end marker halfway through the scan: libjpeg would warn and invent the
    // rest of the picture; a half-invented picture is refused.
    size_t sos = 0;
    for (size_t i = 0; i + 1 < good.size() && sos == 0; ++i)
        if (good[i] == 0xff && good[i + 1] == 0xda) sos = i;
    ASSERT_NE(sos, 0u);
    const size_t scan = sos + 2 + (good[sos + 2] << 8 | good[sos + 3]);
    std::vector<uint8_t> early(good.begin(),
                               good.begin() + static_cast<long>((scan + good.size()) / 2));
    early.insert(early.end(), {0xff, 0xd9});
    EXPECT_FALSE(decode(early));
    EXPECT_FALSE(decode({}));
    EXPECT_FALSE(decode({0xff, 0xd8, 0xff, 0xd9})); // start and end markers, no picture
    EXPECT_FALSE(decode(bmptest::makeBmp(2, 2, 24, {1, 2, 3, 4})));
}

// How many warnings libjpeg itself gives for a file, read to the end.
long libjpegWarnings(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> row(cinfo.output_width * cinfo.output_components);
    JSAMPROW p = row.data();
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, &p, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return err.num_warnings;
}

TEST(ResourcesJpeg, WarningsAloneDoNotRefuseAPicture) {
    const std::vector<uint8_t> good =
        jpegtest::encode(24, 16, 3, JCS_RGB, jpegtest::quadrants(24, 16));
    ASSERT_EQ(good[2], 0xff); // the JFIF segment right after the start marker
    ASSERT_EQ(good[3], 0xe0);
    const size_t afterJfif = 4 + (good[4] << 8 | good[5]);
    std::vector<uint8_t> stray = good; // 1: bytes between two markers
    stray.insert(stray.begin() + static_cast<long>(afterJfif), {0x12, 0x34, 0x56});
    std::vector<uint8_t> revision = good; // 2: JFIF version 3.1
    revision[11] = 3;
    const std::optional<PixelBuffer> clean = decode(good);
    ASSERT_TRUE(clean);
    int n = 0;
    for (const std::vector<uint8_t>& f : {stray, revision}) {
        ++n;
        ASSERT_GT(libjpegWarnings(f), 0) << "case " << n << " must warn";
        const std::optional<PixelBuffer> b = decode(f);
        ASSERT_TRUE(b) << "case " << n;
        EXPECT_EQ(b->bytes, clean->bytes) << "case " << n;
    }
}

TEST(ResourcesJpeg, AbsurdSizeRefusedBeforeDecoding) {
    std::vector<uint8_t> f = jpegtest::encode(8, 8, 3, JCS_RGB, jpegtest::quadrants(8, 8));
    // Find the frame header (SOF0: ff c0) and claim 60000 x 60000.
    size_t sof = 0;
    for (size_t i = 0; i + 1 < f.size(); ++i)
        if (f[i] == 0xff && f[i + 1] == 0xc0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    f[sof + 5] = 0xea, f[sof + 6] = 0x60; // height 60000
    f[sof + 7] = 0xea, f[sof + 8] = 0x60; // width 60000
    EXPECT_FALSE(decode(f));
    f[sof + 5] = 0x40, f[sof + 6] = 0x01; // height 16385, width still 60000
    f[sof + 7] = 0x00, f[sof + 8] = 0x08;
    EXPECT_FALSE(decode(f));
}

TEST(ResourcesJpeg, LoaderTriesBmpThenJpeg) {
    const std::vector<uint8_t> px = jpegtest::quadrants(20, 10);
    const std::string jpg =
        bmptest::registerBytes("back.jpg", jpegtest::encode(20, 10, 3, JCS_RGB, px));
    std::optional<PixelBuffer> b = loadPixelBuffer(jpg);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->format, PF_RGB24);
    ImagePtr img = loadImage(jpg, -1);
    ASSERT_TRUE(img);
    EXPECT_EQ(imageWidth(img.get()), 20);
    EXPECT_EQ(img->frames[0].pixels.format, PF_RGBA32); // masked: no alpha of its own
    const std::string bmp =
        bmptest::registerBytes("notjpeg.bmp", bmptest::makeBmp(3, 1, 24, {1, 2, 3}));
    std::optional<PixelBuffer> c = loadPixelBuffer(bmp);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->format, PF_BGR24);
}

} // namespace
