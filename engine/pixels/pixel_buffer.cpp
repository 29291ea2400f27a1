// pixel_buffer.cpp - creating, converting and cutting pixel buffers.
//
//   PixelBuffer rgba = convertPixels(bgr, PF_RGBA32);
//   PixelBuffer cell = copyRect(strip, 20, 0, 10, 20);
//
// Every function checks the buffer it is given (size, pitch, byte count) and
// returns an empty buffer rather than reading outside it.
#include "engine/pixels/pixel_buffer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int MAX_SIDE = 16384; // far above any picture of the game; keeps sizes in int range

using Rgba = std::array<uint8_t, 4>;

bool isValid(const PixelBuffer& b) {
    int bpp = bytesPerPixel(b.format);
    if (bpp == 0 || b.width < 0 || b.height < 0) return false;
    if (b.width > MAX_SIDE || b.height > MAX_SIDE) return false;
    if (b.pitch < b.width * bpp) return false;
    return b.bytes.size() >= static_cast<size_t>(b.pitch) * static_cast<size_t>(b.height);
}

Rgba readPixel(const uint8_t* p, int format) {
    switch (format) {
    case PF_GREY8:
        return {p[0], p[0], p[0], 255};
    case PF_ALPHA8:
        return {255, 255, 255, p[0]};
    case PF_BGR24:
        return {p[2], p[1], p[0], 255};
    case PF_RGB24:
        return {p[0], p[1], p[2], 255};
    case PF_BGRA32:
        return {p[2], p[1], p[0], p[3]};
    default:
        return {p[0], p[1], p[2], p[3]};
    }
}

void writePixel(uint8_t* p, int format, const Rgba& c) {
    switch (format) {
    case PF_GREY8:
        // Rec. 601 luma in 8.8 fixed point; the weights sum to 256, so white stays 255.
        p[0] = static_cast<uint8_t>((c[0] * 77 + c[1] * 150 + c[2] * 29) >> 8);
        break;
    case PF_ALPHA8:
        p[0] = c[3];
        break;
    case PF_BGR24:
        p[0] = c[2], p[1] = c[1], p[2] = c[0];
        break;
    case PF_RGB24:
        p[0] = c[0], p[1] = c[1], p[2] = c[2];
        break;
    case PF_BGRA32:
        p[0] = c[2], p[1] = c[1], p[2] = c[0], p[3] = c[3];
        break;
    default:
        p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = c[3];
        break;
    }
}

} // namespace

int bytesPerPixel(int format) {
    switch (format) {
    case PF_GREY8:
    case PF_ALPHA8:
        return 1;
    case PF_BGR24:
    case PF_RGB24:
        return 3;
    case PF_BGRA32:
    case PF_RGBA32:
        return 4;
    default:
        return 0;
    }
}

bool formatHasAlpha(int format) {
    return format == PF_ALPHA8 || format == PF_BGRA32 || format == PF_RGBA32;
}

PixelBuffer createPixelBuffer(int width, int height, int format) {
    int bpp = bytesPerPixel(format);
    if (bpp == 0 || width < 0 || height < 0 || width > MAX_SIDE || height > MAX_SIDE) return {};
    PixelBuffer b;
    b.width = width;
    b.height = height;
    b.pitch = width * bpp;
    b.format = format;
    b.bytes.assign(static_cast<size_t>(b.pitch) * static_cast<size_t>(height), 0);
    return b;
}

PixelBuffer convertPixels(const PixelBuffer& src, int format) {
    if (!isValid(src)) return {};
    PixelBuffer dst = createPixelBuffer(src.width, src.height, format);
    if (dst.format == 0) return {};
    if (dst.bytes.empty()) return dst; // zero width or height: nothing to convert
    const int sbpp = bytesPerPixel(src.format), dbpp = bytesPerPixel(format);
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* s = src.bytes.data() + static_cast<size_t>(y) * src.pitch;
        uint8_t* d = dst.bytes.data() + static_cast<size_t>(y) * dst.pitch;
        if (src.format == format) {
            std::memcpy(d, s, static_cast<size_t>(dst.pitch));
            continue;
        }
        for (int x = 0; x < src.width; ++x)
            writePixel(d + x * dbpp, format, readPixel(s + x * sbpp, src.format));
    }
    return dst;
}

PixelBuffer copyRect(const PixelBuffer& src, int x, int y, int w, int h) {
    if (!isValid(src)) return {};
    PixelBuffer dst = createPixelBuffer(w, h, src.format);
    if (dst.format == 0) return {};
    // Only the part inside the source is copied; the rest stays zero.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + w, src.width);
    const int64_t y1 = std::min<int64_t>(int64_t{y} + h, src.height);
    if (x1 <= x0 || y1 <= y0) return dst;
    const int bpp = bytesPerPixel(src.format);
    const size_t rowBytes = static_cast<size_t>(x1 - x0) * bpp;
    for (int64_t row = y0; row < y1; ++row) {
        const uint8_t* s = src.bytes.data() + row * src.pitch + x0 * bpp;
        uint8_t* d = dst.bytes.data() + (row - y) * dst.pitch + (x0 - x) * bpp;
        std::memcpy(d, s, rowBytes);
    }
    return dst;
}
