// picture.h - the generator's in-memory picture and its BMP writer.
//
//   Picture p = makePicture(10, 10);      // all black, i.e. all transparent
//   p.set(3, 4, {200, 40, 40});
//   writeBmp(p, "out/gfx/x.bmp", false);  // 24-bit; true writes 8-bit palettised
//
// Black (0, 0, 0) is the game's mask colour, so it means "transparent" in
// every sprite; opaque pixels always use some other colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb MASK{0, 0, 0};

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels; // row-major, top row first

    Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[static_cast<size_t>(y) * width + x] = c;
    }
};

Picture makePicture(int width, int height, Rgb fill = MASK);
// Copies src onto dst at (x, y); with skipMask, black source pixels are left out.
void blit(Picture& dst, const Picture& src, int x, int y, bool skipMask);
Picture crop(const Picture& src, int x, int y, int w, int h);
Picture mirrorX(const Picture& src);
// Scales by a whole factor with nearest-neighbour sampling.
Picture scaleUp(const Picture& src, int factor);

// Writes an uncompressed bottom-up BMP with the 40-byte info header: 24-bit,
// or 8-bit with a palette of the colours used (entry 0 is black). Returns
// false when the file cannot be written or an 8-bit picture has over 256 colours.
bool writeBmp(const Picture& picture, const std::string& path, bool palettised);
// The exact bytes writeBmp writes (exposed so the output can be checked).
std::vector<uint8_t> encodeBmp(const Picture& picture, bool palettised);
