// bmp.cpp - the BMP reader: "BM", the 40-byte info header, the palette right
// after it, then bottom-up rows padded to 4 bytes; 1, 4, 8, 24 or 32 bits.
//
//   std::optional<PixelBuffer> p = decodeBmp(stream); // BGR (format 3) or BGRA (5)
//
// The data may be anything (a JPEG offered to every decoder, a damaged or
// hostile file), so every header field that steers reading is checked before
// use, the sizes are worked out in 64 bits, and nothing is allocated for more
// pixels than the stream still holds.
#include <array>
#include <cstring>

#include "engine/io/stream.h"
#include "engine/resources/image.h"

namespace {

constexpr int FILE_HEADER_BYTES = 14;
constexpr int INFO_HEADER_BYTES = 40;
constexpr int MAX_SIDE = 16384; // the pixel buffer limit

bool readExact(Stream& s, void* dst, size_t n) {
    return s.read(dst, n) == n;
}

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

struct Palette {
    std::array<std::array<uint8_t, 3>, 256> bgr{}; // entries not in the file stay black
};

// One stored row (already read) into the buffer's row in B, G, R order.
void expandIndexedRow(const uint8_t* src, uint8_t* dst, int width, int bits, const Palette& pal) {
    for (int x = 0; x < width; ++x) {
        int index;
        if (bits == 1) {
            index = (src[x >> 3] >> (7 - (x & 7))) & 1; // most significant bit first
        } else if (bits == 4) {
            index = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4); // high nibble first
        } else {
            index = src[x];
        }
        std::memcpy(dst + x * 3, pal.bgr[static_cast<size_t>(index)].data(), 3);
    }
}

} // namespace

std::optional<PixelBuffer> decodeBmp(Stream& stream) {
    uint8_t h[FILE_HEADER_BYTES + INFO_HEADER_BYTES];
    if (!readExact(stream, h, sizeof h)) return std::nullopt;

    // Signature: anything else is some other format (the JPEG reader gets its turn).
    if (h[0] != 'B' || h[1] != 'M') return std::nullopt;
    // File size (2), reserved (6) and pixel data offset (10) are not used: the rows
    // always follow the palette directly in the files this reader takes.
    const uint32_t infoSize = le32(h + 14);
    const int32_t width = static_cast<int32_t>(le32(h + 18));
    const int32_t height = static_cast<int32_t>(le32(h + 22));
    // Plane count (26) is always 1 in practice and changes nothing about the layout.
    const int bits = le16(h + 28);
    const uint32_t compression = le32(h + 30);
    // Image size (34), resolutions (38, 42) and important colours (50) are informational.
    const uint32_t coloursUsed = le32(h + 46);

    // Later header versions are longer; their extra fields would be read as palette.
    if (infoSize != INFO_HEADER_BYTES) return std::nullopt;
    // Run-length and bit-field data are not plain rows; reading them as rows gives garbage.
    if (compression != 0) return std::nullopt;
    // Only these depths have a row layout we know.
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
    // Zero or negative width is meaningless; a negative height would mean top-down rows,
    // which this reader does not take.
    if (width <= 0 || height <= 0) return std::nullopt;
    // Keeps the buffer within its limit and all the size arithmetic far from overflow.
    if (width > MAX_SIDE || height > MAX_SIDE) return std::nullopt;

    Palette palette;
    if (bits <= 8) {
        const uint32_t maxEntries = 1u << bits;
        // A 1-bit file always stores both entries, whatever its count says; with
        // only one read, the rows would start 4 bytes early.
        const uint32_t entries = coloursUsed != 0 && bits != 1 ? coloursUsed : maxEntries;
        // An index cannot reach past 2^bits entries; a larger count is corrupt and
        // would have us read (and skip) an arbitrary amount of data.
        if (entries > maxEntries) return std::nullopt;
        for (uint32_t i = 0; i < entries; ++i) {
            uint8_t quad[4]; // B, G, R, reserved
            if (!readExact(stream, quad, 4)) return std::nullopt;
            std::memcpy(palette.bgr[i].data(), quad, 3);
        }
    }

    const int64_t rowBytes = (int64_t{width} * bits + 31) / 32 * 4; // padded to 4 bytes
    const int64_t dataBytes = rowBytes * height;
    // A file too short for its rows is damaged; find out before allocating for it.
    const int64_t total = stream.size(), here = stream.position();
    if (total >= 0 && here >= 0 && dataBytes > total - here) return std::nullopt;

    PixelBuffer out = createPixelBuffer(width, height, bits == 32 ? PF_BGRA32 : PF_BGR24);
    if (out.format == 0) return std::nullopt;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (int y = height - 1; y >= 0; --y) { // bottom-up: the first stored row is the last
        if (!readExact(stream, row.data(), row.size())) return std::nullopt;
        uint8_t* dst = out.bytes.data() + static_cast<size_t>(y) * out.pitch;
        if (bits <= 8) {
            expandIndexedRow(row.data(), dst, width, bits, palette);
        } else {
            std::memcpy(dst, row.data(), static_cast<size_t>(out.pitch));
        }
    }
    return out;
}
