// screens.cpp - the pictures with lettering or of screen size: the five
// message words, the title screen with its scroller end pieces, the loading
// picture and the Game Over foot.
#include <cmath>
#include <stdexcept>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/grid.h"
#include "tools/assetgen/lettering.h"
#include "tools/assetgen/paint.h"

namespace {

constexpr Rgb OUTLINE{16, 12, 20};
constexpr Rgb BAND{14, 10, 26}; // the scroller band, plain so white text reads
constexpr Rgb GOLD_TOP{255, 244, 168}, GOLD_BOTTOM{226, 122, 34};

struct Message {
    const char* file;
    const char* text;
    int width;
    Rgb top, bottom;
};

const Message kMessages[] = {
    {"msg_10pts.bmp", "10 PTS", 58, {255, 244, 168}, {248, 170, 40}},
    {"msg_exit.bmp", "EXIT OPEN", 58, {190, 250, 140}, {40, 160, 60}},
    {"msg_ouch.bmp", "OUCH!", 32, {255, 170, 150}, {206, 40, 40}},
    {"msg_bonuslife.bmp", "BONUS LIFE", 68, {206, 240, 255}, {60, 120, 230}},
    {"msg_hurry.bmp", "HURRY!", 52, {255, 210, 90}, {226, 70, 30}},
};

void write(const Picture& p, const std::string& path) {
    if (!writeBmp(p, path, false)) throw std::runtime_error(path + ": cannot write");
}

struct Art {
    Palette palette;
    Font font;
    std::string dir;
    Sprite sprite(const std::string& name) const {
        return parseSprite(readTextFile(dir + name), palette, dir + name);
    }
};

// Cave wall seen from inside: a dusk gradient, rock hanging from the top and
// rising at the sides, a few glints of crystal.
Picture caveBackground() {
    Picture p = makePicture(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const double t = y / 239.0;
            Rgb c = mix(Rgb{18, 12, 44}, Rgb{58, 26, 52}, t);
            const double n = fractalNoise(x / 40.0, y / 40.0, 4, 7);
            // Rock: a ceiling with stalactites and two side walls.
            const double drip = 28 + 40 * std::pow(valueNoise(x / 9.0, 0.5, 11), 3.0) +
                                14 * fractalNoise(x / 30.0, 1.5, 3, 12);
            const double wall =
                std::min(x, 319 - x) - 22 * fractalNoise(0.5, y / 25.0, 3, 13 + (x > 160));
            if (y < drip || wall < 6) {
                const double shade = 0.55 + 0.6 * n;
                c = scale(Rgb{60, 50, 72}, shade);
                if (y >= drip - 2 && y < drip) c = Rgb{96, 84, 110};
            } else if (latticeValue(x, y, 21) > 0.9975 && !(y > 218 && x > 70 && x < 250)) {
                c = latticeValue(x, y, 22) > 0.5 ? Rgb{206, 232, 255} : Rgb{170, 104, 214};
            }
            p.set(x, y, c);
        }
    return p;
}

void paintTitle(Picture& p, const Font& font, int y) {
    const InkStyle gold{GOLD_TOP, GOLD_BOTTOM, OUTLINE, Rgb{70, 30, 90}, 4};
    const Ink top = inkText(font, "GLOAM", 5), bottom = inkText(font, "DIDARUV", 5);
    paintInk(p, top, (320 - top.width) / 2, y, gold);
    paintInk(p, bottom, (320 - bottom.width) / 2, y + 46, gold);
}

void paintCentred(Picture& p, const Font& font, const std::string& text, int y, int scale, Rgb top,
                  Rgb bottom) {
    const Ink ink = inkText(font, text, scale);
    paintInk(p, ink, (320 - ink.width) / 2, y, {top, bottom, OUTLINE, OUTLINE, 0});
}

Picture titleScreen(const Art& art) {
    Picture p = caveBackground();
    paintTitle(p, art.font, 16);

    // A strip of floor with the miner, three coins and a guard on it.
    const Sprite brick = art.sprite("platform.txt"), player = art.sprite("player.txt");
    const Sprite coin = art.sprite("coin.txt"), guard = art.sprite("baddie_guard1.txt");
    for (int x = 30; x < 290; x += 10)
        blit(p, brick.frames[0], x, 162, true);
    blit(p, scaleUp(player.frames[0], 2), 56, 122, true);
    for (int i = 0; i < 3; ++i)
        blit(p, scaleUp(coin.frames[static_cast<size_t>(i)], 2), 112 + 34 * i, 132, true);
    blit(p, scaleUp(guard.frames[2], 2), 226, 122, true);

    // The scroller band and its rims; the end pieces are drawn over its ends.
    fillRect(p, 46, 181, 289, 218, OUTLINE);
    fillRect(p, 48, 182, 287, 182, GOLD_BOTTOM);
    fillRect(p, 48, 217, 287, 217, GOLD_BOTTOM);
    fillRect(p, 48, 184, 287, 215, BAND);
    fillRect(p, 48, 183, 287, 183, BAND);
    fillRect(p, 48, 216, 287, 216, BAND);
    paintCentred(p, art.font, "F1 TO PLAY  ESC TO QUIT", 225, 1, Rgb{236, 232, 222},
                 Rgb{160, 154, 172});
    return p;
}

Picture loadingScreen(const Art& art) {
    Picture p = caveBackground();
    paintTitle(p, art.font, 40);
    paintCentred(p, art.font, "LOADING...", 170, 2, Rgb{236, 232, 222}, Rgb{160, 154, 172});
    return p;
}

// Left end of the scroller: a bronze plate with a ruby, on the band colour so
// that the whole piece is opaque. The right end is its mirror image.
Picture scrollEnd() {
    Picture p = makePicture(32, 32, BAND);
    for (int y = 1; y <= 30; ++y)
        for (int x = 2; x <= 29; ++x) {
            const double dx = std::max(0.0, std::abs(x - 15.5) - 10.0);
            const double dy = std::max(0.0, std::abs(y - 15.5) - 10.0);
            const double r = std::hypot(dx, dy);
            if (r > 4.5) continue;
            Rgb c = mix(GOLD_TOP, GOLD_BOTTOM, (y - 1) / 29.0);
            if (r > 3.5)
                c = OUTLINE;
            else if (x < 5 || y < 4)
                c = mix(c, Rgb{255, 255, 240}, 0.4);
            else if (x > 26 || y > 27)
                c = scale(c, 0.6);
            p.set(x, y, c);
        }
    for (int cy : {6, 25})
        for (int cx : {7, 24}) {
            p.set(cx, cy, Rgb{92, 56, 34});
            p.set(cx - 1, cy - 1, Rgb{255, 244, 168});
        }
    fillEllipse(p, 16, 16, 7, 7, OUTLINE);
    fillEllipse(p, 16, 16, 6, 6, Rgb{120, 28, 36});
    fillEllipse(p, 15.3, 15.3, 4.5, 4.5, Rgb{206, 52, 48});
    fillEllipse(p, 13.5, 13.5, 1.6, 1.6, Rgb{244, 146, 128});
    p.set(13, 13, Rgb{252, 252, 246});
    return p;
}

// The Game Over boot, heel left and toe right, its trouser leg running out of
// the top of the picture.
Picture foot() {
    Picture p = makePicture(90, 50);
    const Rgb leather{148, 92, 52}, light{206, 150, 96}, dark{92, 56, 34};
    for (int y = 0; y <= 18; ++y)
        for (int x = 24; x <= 56; ++x)
            p.set(x, y, (x - 24) % 9 < 2 ? Rgb{34, 42, 96} : Rgb{52, 96, 204});
    fillRect(p, 22, 15, 58, 18, Rgb{34, 42, 96});
    fillRect(p, 20, 19, 60, 42, leather);
    fillEllipse(p, 60, 38, 28, 11, leather);
    fillRect(p, 20, 19, 24, 42, light);
    fillEllipse(p, 64, 33, 18, 4, light);
    fillRect(p, 56, 19, 60, 30, dark);
    for (int y = 21; y <= 33; y += 4) {
        fillRect(p, 51, y, 59, y, Rgb{240, 220, 180});
        p.set(50, y + 1, dark);
    }
    fillRect(p, 6, 43, 89, 47, Rgb{44, 40, 56});
    fillRect(p, 12, 48, 40, 49, Rgb{44, 40, 56});
    fillRect(p, 52, 48, 86, 49, Rgb{44, 40, 56});
    for (int x = 8; x < 88; x += 6)
        p.set(x, 46, Rgb{110, 104, 124});
    // A near-black outline on the figure's edge keeps it crisp on any ground.
    Picture out = p;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 90; ++x) {
            if (p.at(x, y) == MASK) continue;
            for (int d = 0; d < 4; ++d) {
                const int nx = x + (d == 0) - (d == 1), ny = y + (d == 2) - (d == 3);
                const bool inside = nx >= 0 && ny >= 0 && nx < 90 && ny < 50;
                if (inside && p.at(nx, ny) == MASK) out.set(x, y, OUTLINE);
            }
        }
    return out;
}

} // namespace

void makeScreens(const GenPaths& paths) {
    Art art;
    art.dir = paths.source + "/art/";
    art.palette = parsePalette(readTextFile(art.dir + "palette.txt"), art.dir + "palette.txt");
    art.font = parseFont(readTextFile(art.dir + "font.txt"), art.dir + "font.txt");

    for (const Message& m : kMessages) {
        Picture p = makePicture(m.width, 9);
        const Ink ink = inkText(art.font, m.text, 1);
        if (ink.width + 2 > m.width) throw std::runtime_error(std::string(m.file) + ": too wide");
        paintInk(p, ink, (m.width - ink.width) / 2, 1, {m.top, m.bottom, OUTLINE, OUTLINE, 0});
        write(p, paths.gfx + "/" + m.file);
    }
    write(titleScreen(art), paths.gfx + "/titlescreen.bmp");
    write(loadingScreen(art), paths.gfx + "/loading.bmp");
    const Picture end = scrollEnd();
    write(end, paths.gfx + "/TScroll_Left.bmp");
    write(mirrorX(end), paths.gfx + "/TScroll_Right.bmp");
    write(foot(), paths.gfx + "/foot.bmp");
}
