// grid.cpp - parsing of palettes and text pixel grids.
#include "tools/assetgen/grid.h"

#include <fstream>
#include <sstream>

namespace {

[[noreturn]] void fail(const std::string& origin, int line, const std::string& what) {
    throw GridError(origin + ":" + std::to_string(line) + ": " + what);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

bool blank(const std::string& l) {
    return l.find_first_not_of(" \t") == std::string::npos;
}

Rgb readColour(std::istringstream& in, const std::string& origin, int line) {
    int r = -1, g = -1, b = -1;
    in >> r >> g >> b;
    if (!in || r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255)
        fail(origin, line, "expected three values 0..255");
    return Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

void addColour(Palette& palette, char c, Rgb rgb, const std::string& origin, int line) {
    if (c == '.' ? !(rgb == MASK) : rgb == MASK)
        fail(origin, line, "only '.' may be pure black, and '.' must be");
    palette[c] = rgb;
}

// Splits one grid line into frames of the cell width.
std::vector<std::string> cells(const std::string& l, int w, const std::string& origin, int line) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (true) {
        if (pos + static_cast<size_t>(w) > l.size()) fail(origin, line, "short grid line");
        out.push_back(l.substr(pos, static_cast<size_t>(w)));
        pos += static_cast<size_t>(w);
        if (pos == l.size()) return out;
        if (l[pos] != ' ') fail(origin, line, "frames must be separated by one space");
        ++pos;
    }
}

} // namespace

Palette parsePalette(const std::string& text, const std::string& origin) {
    Palette palette;
    int n = 0;
    for (const std::string& l : lines(text)) {
        ++n;
        if (blank(l) || l[0] == '#') continue;
        std::istringstream in(l.substr(1));
        addColour(palette, l[0], readColour(in, origin, n), origin, n);
    }
    if (!palette.count('.')) fail(origin, n, "palette lacks '.'");
    return palette;
}

Sprite parseSprite(const std::string& text, const Palette& basePalette, const std::string& origin) {
    Palette palette = basePalette;
    Sprite sprite;
    bool mirror = false;
    const std::vector<std::string> all = lines(text);
    size_t i = 0;
    for (; i < all.size(); ++i) {
        const std::string& l = all[i];
        const int n = static_cast<int>(i) + 1;
        if (blank(l) || l[0] == '#') continue;
        std::istringstream in(l);
        std::string word;
        in >> word;
        if (word == "grid") break;
        if (word == "size") {
            in >> sprite.cellWidth >> sprite.cellHeight;
            if (!in || sprite.cellWidth < 1 || sprite.cellHeight < 1) fail(origin, n, "bad size");
        } else if (word == "colour") {
            char c = 0;
            in >> c;
            addColour(palette, c, readColour(in, origin, n), origin, n);
        } else if (word == "mirror") {
            mirror = true;
        } else {
            fail(origin, n, "unknown directive '" + word + "'");
        }
    }
    if (sprite.cellWidth == 0) fail(origin, 1, "missing size");
    if (i == all.size()) fail(origin, static_cast<int>(i), "missing grid");

    std::vector<std::vector<std::string>> block; // per grid line, its cells
    auto flush = [&](int line) {
        if (block.empty()) return;
        if (static_cast<int>(block.size()) != sprite.cellHeight)
            fail(origin, line, "block has " + std::to_string(block.size()) + " lines");
        for (size_t f = 0; f < block[0].size(); ++f) {
            Picture p = makePicture(sprite.cellWidth, sprite.cellHeight);
            for (int y = 0; y < sprite.cellHeight; ++y) {
                if (block[static_cast<size_t>(y)].size() != block[0].size())
                    fail(origin, line, "lines of a block differ in frame count");
                const std::string& row = block[static_cast<size_t>(y)][f];
                for (int x = 0; x < sprite.cellWidth; ++x) {
                    auto it = palette.find(row[static_cast<size_t>(x)]);
                    if (it == palette.end())
                        fail(origin, line,
                             std::string("unknown colour '") + row[static_cast<size_t>(x)] + "'");
                    p.set(x, y, it->second);
                }
            }
            sprite.frames.push_back(std::move(p));
        }
        block.clear();
    };
    for (++i; i < all.size(); ++i) {
        const std::string& l = all[i];
        const int n = static_cast<int>(i) + 1;
        if (blank(l)) {
            flush(n);
            continue;
        }
        if (l[0] == '#') continue;
        block.push_back(cells(l, sprite.cellWidth, origin, n));
    }
    flush(static_cast<int>(all.size()));
    if (sprite.frames.empty()) fail(origin, static_cast<int>(all.size()), "no frames");

    if (mirror) {
        const size_t count = sprite.frames.size();
        for (size_t f = 0; f < count; ++f)
            sprite.frames.push_back(mirrorX(sprite.frames[f]));
    }
    return sprite;
}

Picture joinStrip(const Sprite& sprite) {
    Picture strip =
        makePicture(sprite.cellWidth * static_cast<int>(sprite.frames.size()), sprite.cellHeight);
    for (size_t f = 0; f < sprite.frames.size(); ++f)
        blit(strip, sprite.frames[f], static_cast<int>(f) * sprite.cellWidth, 0, false);
    return strip;
}

std::string readTextFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw GridError(path + ": cannot read");
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

Palette remapPalette(const Palette& palette, const std::string& pairs) {
    Palette out = palette;
    std::istringstream in(pairs);
    std::string pair;
    while (in >> pair) {
        if (pair.size() != 2 || !palette.count(pair[0]) || !palette.count(pair[1]))
            throw GridError("bad colour remap '" + pair + "'");
        out[pair[0]] = palette.at(pair[1]);
    }
    return out;
}
