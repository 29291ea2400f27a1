// backdrops.cpp - the three level backdrops, painted from noise and shapes
// and saved as baseline JPEG. They stay dark so that tiles and sprites stand
// out in front of them.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/paint.h"

// After <cstdio> and <cstddef>: jpeglib.h needs FILE and size_t declared.
#include <jpeglib.h>

namespace {

constexpr int W = 320, H = 240;

void writeJpeg(const Picture& p, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error(path + ": cannot write");
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(p.width);
    cinfo.image_height = static_cast<JDIMENSION>(p.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(p.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < p.width; ++x) {
            const Rgb c = p.at(x, y);
            row[static_cast<size_t>(x) * 3] = c.r;
            row[static_cast<size_t>(x) * 3 + 1] = c.g;
            row[static_cast<size_t>(x) * 3 + 2] = c.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (std::fclose(f) != 0) throw std::runtime_error(path + ": cannot write");
}

// ---- Caves: layered rock, stalactites above, stalagmites below, crystals. ----
Picture caves() {
    Picture p = makePicture(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // The far wall: banded, cracked rock fading into the dark middle.
            const double n = fractalNoise(x / 48.0, y / 32.0, 5, 1);
            const double band =
                0.5 + 0.5 * std::sin(y / 7.0 + 6 * valueNoise(x / 60.0, y / 60.0, 2));
            const double crack = std::abs(fractalNoise(x / 30.0, y / 30.0, 3, 3) - 0.5) < 0.008;
            const double depth = 1.0 - 0.55 * std::exp(-std::pow((x - 160) / 120.0, 2) -
                                                       std::pow((y - 120) / 90.0, 2));
            double v = (0.35 + 0.45 * n + 0.12 * band) * depth;
            if (crack) v *= 0.5;
            Rgb c = scale(Rgb{78, 62, 84}, v);

            // Stalactites hang from the ceiling, stalagmites rise from the floor.
            const int col = x / 12;
            const double len = 20 + 70 * std::pow(latticeValue(col, 0, 4), 2.0);
            const double tip = std::abs((x % 12) - 5.5) / 6.0; // 0 at the middle
            const double hang = len * (1 - tip) + 10 * valueNoise(x / 5.0, 0, 5);
            const double rise = 0.6 * (len * (1 - tip)) * latticeValue(col, 1, 6) + 6;
            if (y < hang || y > H - 1 - rise) {
                const double lit = 0.5 + 0.5 * fractalNoise(x / 8.0, y / 8.0, 2, 7);
                c = scale(Rgb{104, 88, 100}, lit * (x % 12 < 6 ? 1.0 : 0.7));
            }
            // A few crystal glints in the rock.
            if (latticeValue(x / 3, y / 3, 8) > 0.997)
                c = latticeValue(x, y, 9) > 0.5 ? Rgb{120, 150, 220} : Rgb{150, 90, 190};
            p.set(x, y, c);
        }
    return p;
}

// ---- Woods: night sky, a moon, two rows of trees in front of each other. ----
Picture woods() {
    Picture p = makePicture(W, H);
    const double moonX = 250, moonY = 52, moonR = 18;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Rgb c = mix(Rgb{10, 14, 46}, Rgb{30, 44, 70}, y / 239.0);
            const double md = std::hypot(x - moonX, y - moonY);
            c = mix(c, Rgb{70, 80, 110}, 0.5 * std::exp(-std::pow(md / 60.0, 2)));
            if (md < moonR) {
                const double crater = fractalNoise(x / 6.0, y / 6.0, 2, 10);
                c = mix(Rgb{220, 224, 200}, Rgb{170, 172, 160}, crater);
            } else if (latticeValue(x, y, 11) > 0.996 && y < 150) {
                c = Rgb{200, 205, 230};
            }
            // Far hills and pines, dark blue-green.
            const double hill = 150 + 18 * fractalNoise(x / 70.0, 0, 3, 12);
            const double pine =
                std::abs((x % 22) - 11) * 3.2 + 120 - 30 * latticeValue(x / 22, 0, 13);
            if (y > hill || y > pine)
                c = scale(Rgb{22, 40, 46}, 0.8 + 0.3 * fractalNoise(x / 9.0, y / 9.0, 2, 14));
            // Near trunks with bark, each a different width.
            for (int t = 0; t < 7; ++t) {
                const double cx = 20 + t * 47 + 14 * (latticeValue(t, 2, 15) - 0.5);
                const double half = 5 + 5 * latticeValue(t, 3, 16) + y * 0.012;
                const double d = std::abs(x - cx);
                if (d < half) {
                    const double bark = fractalNoise(x / 2.0, y / 14.0, 3, 17 + t);
                    const double round = 1 - d / half * 0.6 - (x > cx ? 0.2 : 0);
                    c = scale(Rgb{70, 48, 36}, (0.45 + 0.55 * bark) * round);
                }
            }
            // Ground and grass tufts.
            const double ground = 214 + 6 * fractalNoise(x / 25.0, 4, 3, 18);
            if (y > ground)
                c = scale(Rgb{30, 52, 30}, 0.6 + 0.5 * fractalNoise(x / 4.0, y / 4.0, 2, 19));
            else if (y > ground - 6 && latticeValue(x, 5, 20) > 0.7 &&
                     y > ground - 6 * latticeValue(x, 6, 21))
                c = Rgb{44, 80, 40};
            p.set(x, y, c);
        }
    return p;
}

// ---- Abbey: a stone wall pierced by pointed windows, a rose window above. ----
Picture abbey() {
    Picture p = makePicture(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // Ashlar blocks: courses 12 high, blocks 24 wide, offset every course.
            const int course = y / 12;
            const int bx = (x + (course % 2) * 12) % 24;
            const bool joint = y % 12 == 0 || bx == 0;
            const double grain = fractalNoise(x / 10.0, y / 10.0, 3, 30);
            const double block = latticeValue((x + (course % 2) * 12) / 24, course, 31);
            Rgb c = scale(Rgb{62, 56, 72}, 0.5 + 0.25 * grain + 0.2 * block);
            if (joint) c = Rgb{30, 26, 38};

            // Three tall windows with pointed arches and a column between each.
            for (int w = 0; w < 3; ++w) {
                const double cx = 60 + w * 100, half = 22, sill = 200, spring = 90;
                const double dx = std::abs(x - cx);
                bool inside = false, frame = false;
                if (y >= spring && y <= sill) {
                    inside = dx < half;
                    frame = !inside && dx < half + 4;
                } else if (y < spring) {
                    // Pointed arch: two circles of radius 2*half meeting above the middle.
                    const double r = 2 * half;
                    const double dl = std::hypot(x - (cx + half), y - spring);
                    const double dr = std::hypot(x - (cx - half), y - spring);
                    const bool within = (x <= cx ? dl : dr) < r;
                    const bool ring = (x <= cx ? dl : dr) < r + 4;
                    inside = within && dx < half;
                    frame = !inside && ring && dx < half + 4 && y > spring - 2 * half - 6;
                }
                if (frame) c = scale(Rgb{110, 100, 118}, 0.7 + 0.3 * grain);
                if (inside) {
                    // Night through leaded glass: blue panes, a few coloured.
                    const int pane = (static_cast<int>(x - cx + 40) / 7) * 31 + y / 9;
                    const double hue = latticeValue(pane, w, 32);
                    Rgb glass = hue > 0.85  ? Rgb{90, 30, 40}
                                : hue > 0.7 ? Rgb{40, 70, 40}
                                            : Rgb{24, 30, 70};
                    glass = scale(glass, 0.8 + 0.4 * (1 - (y - 40) / 200.0));
                    const bool lead =
                        static_cast<int>(x - cx + 40) % 7 == 0 || y % 9 == 0 || dx < 1;
                    c = lead ? Rgb{20, 18, 26} : glass;
                }
            }
            // Floor of flagstones.
            if (y > 214) c = scale(Rgb{60, 52, 58}, 0.6 + 0.3 * grain - (x % 32 == 0 ? 0.3 : 0));
            p.set(x, y, c);
        }
    return p;
}

} // namespace

void makeBackdrops(const GenPaths& paths) {
    writeJpeg(caves(), paths.gfx + "/backdrop.jpg");
    writeJpeg(woods(), paths.gfx + "/backdrop_woods.jpg");
    writeJpeg(abbey(), paths.gfx + "/backdrop_abbey.jpg");
}
