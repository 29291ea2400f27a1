// picture.cpp - picture helpers and the BMP writer.
#include "tools/assetgen/picture.h"

#include <algorithm>
#include <fstream>
#include <map>

Picture makePicture(int width, int height, Rgb fill) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<size_t>(width) * height, fill);
    return p;
}

void blit(Picture& dst, const Picture& src, int x, int y, bool skipMask) {
    for (int sy = 0; sy < src.height; ++sy)
        for (int sx = 0; sx < src.width; ++sx) {
            const Rgb c = src.at(sx, sy);
            if (skipMask && c == MASK) continue;
            dst.set(x + sx, y + sy, c);
        }
}

Picture crop(const Picture& src, int x, int y, int w, int h) {
    Picture out = makePicture(w, h);
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx)
            out.set(xx, yy, src.at(x + xx, y + yy));
    return out;
}

Picture mirrorX(const Picture& src) {
    Picture out = makePicture(src.width, src.height);
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x)
            out.set(src.width - 1 - x, y, src.at(x, y));
    return out;
}

Picture scaleUp(const Picture& src, int factor) {
    Picture out = makePicture(src.width * factor, src.height * factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.set(x, y, src.at(x / factor, y / factor));
    return out;
}

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

uint32_t key(Rgb c) {
    return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

} // namespace

std::vector<uint8_t> encodeBmp(const Picture& picture, bool palettised) {
    // Palette in order of first use (top-left first), black always entry 0,
    // so the same picture always gives the same bytes.
    std::vector<Rgb> palette{MASK};
    std::map<uint32_t, uint8_t> index{{0, 0}};
    if (palettised) {
        for (const Rgb& c : picture.pixels) {
            if (index.count(key(c))) continue;
            if (palette.size() == 256) return {};
            index[key(c)] = static_cast<uint8_t>(palette.size());
            palette.push_back(c);
        }
    }
    const int bytesPerPixel = palettised ? 1 : 3;
    const uint32_t rowBytes = (static_cast<uint32_t>(picture.width * bytesPerPixel) + 3u) & ~3u;
    const uint32_t paletteBytes = palettised ? static_cast<uint32_t>(palette.size()) * 4 : 0;
    const uint32_t dataOffset = 14 + 40 + paletteBytes;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(picture.height);

    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + imageBytes);
    put32(out, 0);
    put32(out, dataOffset);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(picture.width));
    put32(out, static_cast<uint32_t>(picture.height)); // positive: bottom-up rows
    put16(out, 1);
    put16(out, palettised ? 8 : 24);
    put32(out, 0); // no compression
    put32(out, imageBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, palettised ? static_cast<uint32_t>(palette.size()) : 0);
    put32(out, 0);
    for (uint32_t i = 0; i < paletteBytes / 4; ++i) {
        out.push_back(palette[i].b);
        out.push_back(palette[i].g);
        out.push_back(palette[i].r);
        out.push_back(0);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const Rgb c = picture.at(x, y);
            if (palettised) {
                out.push_back(index[key(c)]);
            } else {
                out.push_back(c.b);
                out.push_back(c.g);
                out.push_back(c.r);
            }
        }
        while (out.size() - rowStart < rowBytes)
            out.push_back(0);
    }
    return out;
}

bool writeBmp(const Picture& picture, const std::string& path, bool palettised) {
    const std::vector<uint8_t> bytes = encodeBmp(picture, palettised);
    if (bytes.empty()) return false;
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}
