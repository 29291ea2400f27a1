// resources_fuzz_test.cpp - thousands of damaged variants of a valid BMP and JPEG
// through the readers. They may accept or refuse each one, but must never read
// outside their data or crash (run this under the sanitizer build), and what
// they accept must be a consistent buffer.
#include <gtest/gtest.h>
#include <random>

#include "engine/io/convert.h"
#include "engine/io/stream.h"
#include "engine/resources/image.h"
#include "resources_bmp_writer.h"
#include "resources_jpeg_writer.h"

namespace {

// One random damage: flip bits, set bytes, write a 16/32-bit extreme value,
// cut the file, or insert or delete a run of bytes.
std::vector<uint8_t> mutate(std::vector<uint8_t> f, std::mt19937& rng) {
    auto pick = [&](size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng);
    };
    const uint32_t extremes[] = {0,      1,      0x7f,       0xff,        0x7fff,     0xffff,
                                 0x4000, 0x4001, 0x7fffffff, 0x80000000u, 0xffffffffu};
    const int edits = 1 + static_cast<int>(pick(4));
    for (int e = 0; e < edits && !f.empty(); ++e) {
        switch (pick(6)) {
        case 0:
            f[pick(f.size())] ^= static_cast<uint8_t>(1u << pick(8));
            break;
        case 1:
            f[pick(f.size())] = static_cast<uint8_t>(pick(256));
            break;
        case 2: {
            const size_t at = pick(f.size());
            const uint32_t v = extremes[pick(std::size(extremes))];
            for (size_t i = 0; i < 4 && at + i < f.size(); ++i)
                f[at + i] = static_cast<uint8_t>(v >> (8 * i));
            break;
        }
        case 3:
            f.resize(pick(f.size()));
            break;
        case 4:
            f.insert(f.begin() + static_cast<long>(pick(f.size())), pick(64),
                     static_cast<uint8_t>(pick(256)));
            break;
        default: {
            const size_t at = pick(f.size());
            f.erase(f.begin() + static_cast<long>(at),
                    f.begin() + static_cast<long>(std::min(f.size(), at + pick(32))));
        }
        }
    }
    return f;
}

void expectConsistent(const std::optional<PixelBuffer>& b) {
    if (!b) return;
    EXPECT_GT(b->width, 0);
    EXPECT_GT(b->height, 0);
    EXPECT_EQ(b->pitch, b->width * bytesPerPixel(b->format));
    EXPECT_EQ(b->bytes.size(), static_cast<size_t>(b->pitch) * b->height);
}

struct Counts {
    int accepted = 0, refused = 0;
};

Counts run(const std::vector<uint8_t>& seed, int rounds, uint32_t rngSeed,
           std::optional<PixelBuffer> (*decoder)(Stream&)) {
    std::mt19937 rng(rngSeed);
    Counts c;
    for (int i = 0; i < rounds; ++i) {
        const std::vector<uint8_t> f = mutate(seed, rng);
        StreamPtr s = openMemoryStream(f.data(), f.size());
        std::optional<PixelBuffer> b = decoder(*s);
        expectConsistent(b);
        ++(b ? c.accepted : c.refused);
    }
    return c;
}

TEST(ResourcesFuzz, BmpMutations) {
    std::vector<uint32_t> pal(16);
    for (uint32_t i = 0; i < 16; ++i)
        pal[i] = i * 0x0f0f0f;
    std::vector<uint32_t> idx(7 * 5);
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = static_cast<uint32_t>(i % 16);
    const std::vector<uint8_t> seeds[] = {
        bmptest::makeBmp(7, 5, 4, idx, pal), bmptest::makeBmp(7, 5, 24, idx),
        bmptest::makeBmp(3, 2, 1, {0, 1, 1, 0, 1, 0}, {0, 0xffffff})};
    Counts total;
    for (size_t k = 0; k < std::size(seeds); ++k) {
        Counts c = run(seeds[k], 1500, 1000 + static_cast<uint32_t>(k), decodeBmp);
        total.accepted += c.accepted, total.refused += c.refused;
    }
    // Both outcomes must occur, or the mutations are not reaching the checks.
    EXPECT_GT(total.accepted, 100);
    EXPECT_GT(total.refused, 100);
}

TEST(ResourcesFuzz, JpegMutations) {
    const std::vector<uint8_t> seeds[] = {
        jpegtest::encode(16, 16, 3, JCS_RGB, jpegtest::quadrants(16, 16)),
        jpegtest::encode(16, 8, 3, JCS_RGB, jpegtest::quadrants(16, 8), 75, true),
        jpegtest::encode(8, 8, 1, JCS_GRAYSCALE, std::vector<uint8_t>(64, 90))};
    Counts total;
    for (size_t k = 0; k < std::size(seeds); ++k) {
        Counts c = run(seeds[k], 1000, 2000 + static_cast<uint32_t>(k), decodeJpeg);
        total.accepted += c.accepted, total.refused += c.refused;
    }
    EXPECT_GT(total.accepted, 50);
    EXPECT_GT(total.refused, 50);
}

TEST(ResourcesFuzz, LinesAndNumbersOnRandomBytes) {
    std::mt19937 rng(77);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> f(std::uniform_int_distribution<size_t>(0, 200)(rng));
        for (uint8_t& b : f)
            b = static_cast<uint8_t>(rng() % 8 == 0 ? "\r\n\0$%-+ "[rng() % 8] : rng());
        StreamPtr s = openMemoryStream(f.data(), f.size());
        size_t consumed = 0;
        for (int n = 0; n < 300 && s->position() < s->size(); ++n) {
            const std::string line = readLine(*s);
            consumed += line.size();
            stringToInt(line);
            stringToFloat(line);
        }
        EXPECT_EQ(s->position(), s->size());
        EXPECT_LE(consumed, f.size());
        EXPECT_EQ(readLine(*s), "");
    }
}

} // namespace
