// lettering.cpp - font parsing and painting of lettering.
#include "tools/assetgen/lettering.h"

#include <sstream>

#include "tools/assetgen/grid.h"
#include "tools/assetgen/paint.h"

Font parseFont(const std::string& text, const std::string& origin) {
    Font font;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    auto bad = [&](const std::string& what) {
        throw GridError(origin + ":" + std::to_string(n) + ": " + what);
    };
    while (std::getline(in, line)) {
        ++n;
        if (line.empty() || line[0] == '#') continue;
        if (line.size() != 3 || line[0] != '=' || line[1] != ' ') bad("expected '= <char>'");
        const char c = line[2];
        std::array<uint8_t, 7> rows{};
        for (uint8_t& row : rows) {
            if (!std::getline(in, line)) bad("glyph cut short");
            ++n;
            if (line.size() != 5) bad("glyph rows are 5 wide");
            for (char p : line) {
                if (p != '.' && p != 'x') bad("glyph rows use '.' and 'x'");
                row = static_cast<uint8_t>((row << 1) | (p == 'x' ? 1 : 0));
            }
        }
        font.glyphs[c] = rows;
    }
    font.glyphs[' '] = {};
    return font;
}

Ink inkText(const Font& font, const std::string& text, int scale) {
    Ink ink;
    if (text.empty()) return ink;
    ink.width = (static_cast<int>(text.size()) * 6 - 1) * scale;
    ink.height = 7 * scale;
    ink.on.assign(static_cast<size_t>(ink.width) * ink.height, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        auto it = font.glyphs.find(text[i]);
        if (it == font.glyphs.end())
            throw GridError(std::string("font has no glyph for '") + text[i] + "'");
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx) {
                if (!((it->second[static_cast<size_t>(gy)] >> (4 - gx)) & 1)) continue;
                for (int sy = 0; sy < scale; ++sy)
                    for (int sx = 0; sx < scale; ++sx) {
                        const int x = (static_cast<int>(i) * 6 + gx) * scale + sx;
                        const int y = gy * scale + sy;
                        ink.on[static_cast<size_t>(y) * ink.width + x] = 1;
                    }
            }
    }
    return ink;
}

void paintInk(Picture& p, const Ink& ink, int x, int y, const InkStyle& style) {
    auto near = [&](int ix, int iy) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (ink.at(ix + dx, iy + dy)) return true;
        return false;
    };
    if (style.shadowOffset > 0)
        for (int iy = -1; iy <= ink.height; ++iy)
            for (int ix = -1; ix <= ink.width; ++ix)
                if (near(ix, iy))
                    p.set(x + ix + style.shadowOffset, y + iy + style.shadowOffset, style.shadow);
    for (int iy = -1; iy <= ink.height; ++iy)
        for (int ix = -1; ix <= ink.width; ++ix) {
            if (ink.at(ix, iy)) {
                const double t = ink.height > 1 ? static_cast<double>(iy) / (ink.height - 1) : 0;
                p.set(x + ix, y + iy, mix(style.top, style.bottom, t));
            } else if (near(ix, iy)) {
                p.set(x + ix, y + iy, style.outline);
            }
        }
}
