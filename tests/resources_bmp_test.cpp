// resources_bmp_test.cpp - the BMP reader: every depth, row order and padding,
// palettes, and a table of damaged or hostile headers.
#include <climits>
#include <gtest/gtest.h>

#include "engine/io/stream.h"
#include "engine/resources/image.h"
#include "resources_bmp_writer.h"

using namespace bmptest;

namespace {

std::optional<PixelBuffer> decode(const std::vector<uint8_t>& bytes) {
    StreamPtr s = openMemoryStream(bytes.data(), bytes.size());
    return decodeBmp(*s);
}

// 0xAARRGGBB of a BGR (3) or BGRA (5) pixel; alpha 0xff for BGR.
uint32_t pixelAt(const PixelBuffer& b, int x, int y) {
    const int bpp = bytesPerPixel(b.format);
    const uint8_t* p =
        b.bytes.data() + static_cast<size_t>(y) * b.pitch + static_cast<size_t>(x) * bpp;
    const uint32_t a = b.format == PF_BGRA32 ? p[3] : 0xff;
    return a << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

const std::vector<uint32_t> PALETTE16 = {0x000000, 0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff,
                                         0xff00ff, 0x808080, 0x102030, 0x405060, 0x708090, 0xa0b0c0,
                                         0xd0e0f0, 0x123456, 0x654321, 0xffffff};

// A picture whose every pixel differs from its neighbours, so any mix-up of rows,
// columns or padding shows.
std::vector<uint32_t> pattern(int w, int h, int bits) {
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (int i = 0; i < w * h; ++i) {
        if (bits == 1)
            p[i] = static_cast<uint32_t>((i * 7 + i / w) % 3 == 0);
        else if (bits == 4)
            p[i] = static_cast<uint32_t>((i * 5 + 3) % 16);
        else if (bits == 8)
            p[i] = static_cast<uint32_t>((i * 37 + 11) % 256);
        else
            p[i] = 0x80000000u + static_cast<uint32_t>(i) * 0x010305u + 0x203040u;
    }
    return p;
}

std::vector<uint32_t> palette256() {
    std::vector<uint32_t> pal(256);
    for (uint32_t i = 0; i < 256; ++i)
        pal[i] = i * 0x010101u ^ 0x00a05a;
    return pal;
}

TEST(ResourcesBmp, EveryDepthWidthAndRowOrder) {
    for (int bits : {1, 4, 8, 24, 32}) {
        for (int w : {1, 3, 5, 8, 9}) {
            const int h = 3;
            std::vector<uint32_t> pal = bits == 1   ? std::vector<uint32_t>{0x0a0b0c, 0xf0e0d0}
                                        : bits == 4 ? PALETTE16
                                        : bits == 8 ? palette256()
                                                    : std::vector<uint32_t>{};
            const std::vector<uint32_t> px = pattern(w, h, bits);
            std::optional<PixelBuffer> b = decode(makeBmp(w, h, bits, px, pal));
            ASSERT_TRUE(b) << bits << " bits, width " << w;
            EXPECT_EQ(b->width, w);
            EXPECT_EQ(b->height, h);
            EXPECT_EQ(b->format, bits == 32 ? PF_BGRA32 : PF_BGR24);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const uint32_t p = px[static_cast<size_t>(y) * w + x];
                    const uint32_t want = bits <= 8    ? 0xff000000u | pal[p]
                                          : bits == 24 ? 0xff000000u | p
                                                       : p;
                    EXPECT_EQ(pixelAt(*b, x, y), want)
                        << bits << " bits, " << w << " wide, at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ResourcesBmp, ColoursUsedAndIndexesBeyondThePalette) {
    // Two palette entries declared for an 8-bit file: indexes 2 and up read as black.
    std::vector<uint32_t> px = {0, 1, 2, 255};
    std::optional<PixelBuffer> b = decode(makeBmp(4, 1, 8, px, {0x112233, 0x445566}, 2));
    ASSERT_TRUE(b);
    EXPECT_EQ(pixelAt(*b, 0, 0), 0xff112233u);
    EXPECT_EQ(pixelAt(*b, 1, 0), 0xff445566u);
    EXPECT_EQ(pixelAt(*b, 2, 0), 0xff000000u);
    EXPECT_EQ(pixelAt(*b, 3, 0), 0xff000000u);
    // A 4-bit file with a short palette of 3.
    b = decode(makeBmp(2, 1, 4, {2, 9}, {0, 0, 0xabcdef}, 3));
    ASSERT_TRUE(b);
    EXPECT_EQ(pixelAt(*b, 0, 0), 0xffabcdefu);
    EXPECT_EQ(pixelAt(*b, 1, 0), 0xff000000u);
    // A 1-bit file that counts one colour still holds two entries before its rows.
    b = decode(makeBmp(3, 2, 1, {0, 1, 1, 1, 0, 0}, {0x010203, 0xa0b0c0}, 1));
    ASSERT_TRUE(b);
    const uint32_t expected[] = {0xff010203u, 0xffa0b0c0u, 0xffa0b0c0u,
                                 0xffa0b0c0u, 0xff010203u, 0xff010203u};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixelAt(*b, i % 3, i / 3), expected[i]) << "pixel " << i;
}

TEST(ResourcesBmp, IgnoresDataOffsetAndTrailingBytes) {
    std::vector<uint8_t> f = makeBmp(2, 2, 24, {1, 2, 3, 4});
    put32(f, OFF_DATA, 9999);   // not consulted: rows follow the palette
    put32(f, OFF_FILE_SIZE, 1); // not consulted either
    f.push_back(0xAA);          // extra bytes after the rows do no harm
    std::optional<PixelBuffer> b = decode(f);
    ASSERT_TRUE(b);
    EXPECT_EQ(pixelAt(*b, 1, 1), 0xff000004u);
}

struct HostileCase {
    const char* what;
    size_t offset; // field to overwrite, or SIZE_MAX for none
    uint32_t value;
    int fieldBytes;    // 2 or 4
    size_t truncateTo; // keep only this many bytes (SIZE_MAX keeps all)
};

TEST(ResourcesBmp, HostileHeadersGiveNone) {
    constexpr size_t KEEP = SIZE_MAX;
    const HostileCase cases[] = {
        /* 1*/ {"wrong signature", 0, 'B' | 'N' << 8, 2, KEEP},
        /* 2*/ {"OS/2 12-byte info header", OFF_INFO_SIZE, 12, 4, KEEP},
        /* 3*/ {"108-byte info header", OFF_INFO_SIZE, 108, 4, KEEP},
        /* 4*/ {"run-length compression", OFF_COMPRESSION, 1, 4, KEEP},
        /* 5*/ {"bit-field compression", OFF_COMPRESSION, 3, 4, KEEP},
        /* 6*/ {"0 bits", OFF_BITS, 0, 2, KEEP},
        /* 7*/ {"2 bits", OFF_BITS, 2, 2, KEEP},
        /* 8*/ {"16 bits", OFF_BITS, 16, 2, KEEP},
        /* 9*/ {"64 bits", OFF_BITS, 64, 2, KEEP},
        /*10*/ {"zero width", OFF_WIDTH, 0, 4, KEEP},
        /*11*/ {"zero height", OFF_HEIGHT, 0, 4, KEEP},
        /*12*/ {"negative width", OFF_WIDTH, static_cast<uint32_t>(-4), 4, KEEP},
        /*13*/ {"top-down (negative height)", OFF_HEIGHT, static_cast<uint32_t>(-4), 4, KEEP},
        /*14*/ {"width INT_MIN", OFF_WIDTH, 0x80000000u, 4, KEEP},
        /*15*/ {"width 16385", OFF_WIDTH, 16385, 4, KEEP},
        /*16*/ {"height INT_MAX", OFF_HEIGHT, 0x7fffffffu, 4, KEEP},
        /*17*/ {"width 2^30 (row size overflows 32 bits)", OFF_WIDTH, 0x40000000u, 4, KEEP},
        /*18*/ {"16384 x 16384 claimed by a tiny file", OFF_WIDTH, 16384, 4, KEEP},
        /*19*/ {"257 colours at 8 bits", OFF_COLOURS_USED, 257, 4, KEEP},
        /*20*/ {"4 billion colours", OFF_COLOURS_USED, 0xffffffffu, 4, KEEP},
        /*21*/ {"256 colours, file too short for them", OFF_COLOURS_USED, 256, 4, KEEP},
        /*22*/ {"empty file", SIZE_MAX, 0, 4, 0},
        /*23*/ {"signature only", SIZE_MAX, 0, 4, 2},
        /*24*/ {"cut inside the info header", SIZE_MAX, 0, 4, 30},
        /*25*/ {"cut inside the palette", SIZE_MAX, 0, 4, HEADER_BYTES + 6},
        /*26*/ {"cut before the last row's padding", SIZE_MAX, 0, 4, KEEP - 1},
    };
    // Base: a valid 8-bit 3 x 4 file with a 4-entry palette; each case spoils one thing.
    const std::vector<uint8_t> base = makeBmp(3, 4, 8, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3},
                                              {0, 0x111111, 0x222222, 0x333333}, 4);
    ASSERT_TRUE(decode(base)) << "the base file must be valid";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const HostileCase& c = cases[i];
        std::vector<uint8_t> f = base;
        if (c.offset != SIZE_MAX) {
            if (c.fieldBytes == 2)
                put16(f, c.offset, static_cast<uint16_t>(c.value));
            else
                put32(f, c.offset, c.value);
        }
        if (c.offset == OFF_WIDTH && c.value == 16384) put32(f, OFF_HEIGHT, 16384);
        if (c.truncateTo == KEEP - 1)
            f.pop_back();
        else if (c.truncateTo != KEEP)
            f.resize(c.truncateTo);
        EXPECT_FALSE(decode(f)) << "case " << i + 1 << ": " << c.what;
    }
}

TEST(ResourcesBmp, EveryTruncationGivesNone) {
    for (int bits : {1, 4, 8, 24, 32}) {
        std::vector<uint32_t> pal = bits == 1   ? std::vector<uint32_t>{0, 0xffffff}
                                    : bits == 4 ? PALETTE16
                                                : palette256();
        const std::vector<uint8_t> full = makeBmp(5, 3, bits, pattern(5, 3, bits), pal);
        ASSERT_TRUE(decode(full));
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
            EXPECT_FALSE(decode(cut)) << bits << " bits cut to " << n << " bytes";
        }
    }
}

TEST(ResourcesBmp, LargestAllowedSideDecodes) {
    // 16384 x 1 at 24 bits: the limit itself is accepted.
    std::vector<uint32_t> px(16384, 0x00abcdef);
    std::optional<PixelBuffer> b = decode(makeBmp(16384, 1, 24, px));
    ASSERT_TRUE(b);
    EXPECT_EQ(pixelAt(*b, 16383, 0), 0xffabcdefu);
}

} // namespace
