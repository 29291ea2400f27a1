// resources_bmp_writer.h - builds small BMP files in memory for the loader tests.
//
//   std::vector<uint8_t> f = makeBmp(3, 2, 24, {0xff0000, 0x00ff00, ...}); // top row first
//
// Pixels are given top row first: palette indexes for 1, 4 and 8 bits, 0xAARRGGBB
// for 24 and 32 bits (alpha ignored at 24). Palette entries are 0xRRGGBB; a
// palette shorter than 2^bits is declared in the colours-used field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/resources/resource_store.h"

namespace bmptest {

inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Header field offsets, for tests that damage them.
enum : size_t {
    OFF_FILE_SIZE = 2,
    OFF_DATA = 10,
    OFF_INFO_SIZE = 14,
    OFF_WIDTH = 18,
    OFF_HEIGHT = 22,
    OFF_PLANES = 26,
    OFF_BITS = 28,
    OFF_COMPRESSION = 30,
    OFF_COLOURS_USED = 46,
    HEADER_BYTES = 54,
};

inline std::vector<uint8_t> makeBmp(int w, int h, int bits, const std::vector<uint32_t>& pixels,
                                    const std::vector<uint32_t>& palette = {},
                                    int64_t coloursUsed = -1) {
    // By default a short palette is declared, a full one left as 0 ("all").
    if (coloursUsed < 0)
        coloursUsed = bits <= 8 && palette.size() != (size_t{1} << bits) ? palette.size() : 0;
    const size_t rowBytes = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    const size_t palBytes = bits <= 8 ? palette.size() * 4 : 0;
    std::vector<uint8_t> b(HEADER_BYTES + palBytes + rowBytes * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, OFF_FILE_SIZE, static_cast<uint32_t>(b.size()));
    put32(b, OFF_DATA, static_cast<uint32_t>(HEADER_BYTES + palBytes));
    put32(b, OFF_INFO_SIZE, 40);
    put32(b, OFF_WIDTH, static_cast<uint32_t>(w));
    put32(b, OFF_HEIGHT, static_cast<uint32_t>(h));
    put16(b, OFF_PLANES, 1);
    put16(b, OFF_BITS, static_cast<uint16_t>(bits));
    put32(b, OFF_COLOURS_USED, static_cast<uint32_t>(coloursUsed));
    size_t at = HEADER_BYTES;
    if (bits <= 8) {
        for (uint32_t c : palette) {
            b[at++] = static_cast<uint8_t>(c), b[at++] = static_cast<uint8_t>(c >> 8);
            b[at++] = static_cast<uint8_t>(c >> 16), b[at++] = 0;
        }
    }
    for (int y = h - 1; y >= 0; --y, at += rowBytes) { // stored bottom-up
        uint8_t* row = b.data() + at;
        for (int x = 0; x < w; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * w + x];
            switch (bits) {
            case 1:
                row[x / 8] |= static_cast<uint8_t>((p & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<uint8_t>((p & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<uint8_t>(p);
                break;
            default:
                for (int c = 0; c < bits / 8; ++c)
                    row[x * (bits / 8) + c] = static_cast<uint8_t>(p >> (8 * c));
            }
        }
    }
    return b;
}

// Registers the bytes under a fresh name (the store keeps pointers, so the bytes
// are kept alive here) and returns the "incbin::" address.
inline std::string registerBytes(const std::string& name, std::vector<uint8_t> bytes) {
    static std::vector<std::vector<uint8_t>> keep;
    static int serial = 0;
    keep.push_back(std::move(bytes));
    std::string unique = "test\\" + std::to_string(serial++) + "_" + name;
    registerEmbeddedResources();
    registerResource(unique, keep.back().data(), keep.back().size());
    return "incbin::" + unique;
}

} // namespace bmptest
