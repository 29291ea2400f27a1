// pixel_buffer.h - a rectangle of pixels in one of six memory layouts.
// Format 6 (R, G, B, A) is the working format: masking, texture upload and
// screen grabs all use it. Plain data below the image loaders and the JPEG
// writer alike, so neither service needs the other for it.
#pragma once

#include <cstdint>
#include <vector>

enum PixelFormat : int {
    PF_GREY8 = 1,  // grey, 1 byte
    PF_ALPHA8 = 2, // alpha only, 1 byte
    PF_BGR24 = 3,
    PF_RGB24 = 4,
    PF_BGRA32 = 5,
    PF_RGBA32 = 6,
};

struct PixelBuffer {
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row
    int format = 0; // PixelFormat
    std::vector<uint8_t> bytes;
};

int bytesPerPixel(int format);   // 0 for an unknown format
bool formatHasAlpha(int format); // formats 2, 5 and 6
// A zero-filled buffer; an empty buffer (width 0) when the size is negative,
// too large (over 16384 on either side) or the format is unknown.
PixelBuffer createPixelBuffer(int width, int height, int format);
// Per-pixel conversion (grey -> R=G=B, alpha-only -> white with that alpha,
// missing alpha -> 255).
PixelBuffer convertPixels(const PixelBuffer& src, int format);
// Copies the rectangle (x, y, w, h) into a buffer of its own, same format.
PixelBuffer copyRect(const PixelBuffer& src, int x, int y, int w, int h);
