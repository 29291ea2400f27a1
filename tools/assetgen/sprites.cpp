// sprites.cpp - the sprite, tile and item pictures drawn as text grids in
// art/, plus the exit door, whose chequered shape is easier said in code.
#include <stdexcept>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/grid.h"

namespace {

struct GridPicture {
    const char* output; // file name in gfx/
    const char* art;    // grid file in art/
    const char* remap;  // colour pairs for a variant of a shared grid, "" for none
    bool palettised;    // written as an 8-bit BMP
};

// The player strip and two tiles are written palettised, the rest 24-bit.
const GridPicture kGridPictures[] = {
    {"playermask.bmp", "playermask.txt", "", false},
    {"player.bmp", "player.txt", "", true},
    {"platform.bmp", "platform.txt", "", true},
    {"platform2.bmp", "platform2.txt", "", false},
    {"platform3.bmp", "platform3.txt", "", false},
    {"platform4.bmp", "platform4.txt", "", false},
    {"platform5.bmp", "platform5.txt", "", false},
    {"platform6.bmp", "platform6.txt", "", false},
    {"stairs_l.bmp", "stairs_l.txt", "", false},
    {"stairs_r.bmp", "stairs_r.txt", "", false},
    {"roof_l.bmp", "roof_l.txt", "", false},
    {"roof_r.bmp", "roof_r.txt", "", false},
    {"tileroof.bmp", "tileroof.txt", "", false},
    {"tileroof_l.bmp", "tileroof_l.txt", "", false},
    {"tileroof_r.bmp", "tileroof_r.txt", "", false},
    {"thread.bmp", "thread.txt", "", false},
    {"ladder.bmp", "ladder.txt", "", true},
    {"pole.bmp", "pole.txt", "", false},
    {"platform_destruct.bmp", "platform_destruct.txt", "", false},
    {"conveyor.bmp", "conveyor.txt", "", false},
    {"coin.bmp", "coin.txt", "", false},
    {"key.bmp", "key.txt", "", false},
    {"cup.bmp", "cup.txt", "", false},
    {"candle.bmp", "candle.txt", "", false},
    {"coal.bmp", "coal.txt", "", false},
    {"spike.bmp", "spike.txt", "", false},
    {"spike2.bmp", "spike2.txt", "", false},
    {"tedspike.bmp", "tedspike.txt", "", false},
    {"tedspike2.bmp", "tedspike2.txt", "", false},
    {"bush.bmp", "bush.txt", "", false},
    {"spider.bmp", "spider.txt", "", false},
    {"baddie_guard1.bmp", "baddie_guard1.txt", "", false},
    {"baddie_guard2.bmp", "baddie_guard2.txt", "", false},
    {"tedbike.bmp", "tedbike.txt", "", false},
    {"baddie_penguin.bmp", "baddie_penguin.txt", "", false},
    {"baddie_monk.bmp", "baddie_monk.txt", "", false},
    {"baddie_hatter.bmp", "baddie_hatter.txt", "", false},
    {"DezuVivo.bmp", "DezuVivo.txt", "", false},
    {"grimble.bmp", "grimble.txt", "", false},
    {"baddie_phone.bmp", "phone.txt", "", false},
    {"teddisk.bmp", "teddisk.txt", "", false},
    {"baddie_phone_green.bmp", "phone.txt", "uf UF ve", false},
    {"baddie_phone_red.bmp", "phone.txt", "uR Up vr", false},
    {"MegaFred.bmp", "MegaFred.txt", "", false},
    {"monty.bmp", "monty.txt", "", false},
    {"BlueBlob.bmp", "blob.txt", "", false},
    {"GreenBlob.bmp", "blob.txt", "uf UF ve iF", false},
    {"crusher.bmp", "crusher.txt", "", false},
    {"teapot.bmp", "teapot.txt", "", false},
};

// Exit door: a 2-pixel frame round a board of 4 x 4-pixel checks, the checks
// whose column + row is even being solid. The colours walk through a ring so
// the open door shimmers; frame 0 is also the closed door.
Picture exitDoor() {
    const Rgb frameColours[4] = {{226, 122, 34}, {248, 204, 56}, {255, 244, 168}, {248, 204, 56}};
    const Rgb checkColours[4] = {{96, 46, 132}, {170, 104, 214}, {206, 52, 48}, {170, 104, 214}};
    Picture strip = makePicture(80, 20);
    for (int f = 0; f < 4; ++f)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool border = x < 2 || y < 2 || x > 17 || y > 17;
                const int cx = (x - 2) / 4, cy = (y - 2) / 4;
                if (border) {
                    const bool lit = ((x + y) / 2 + f) % 4 == 0;
                    strip.set(f * 20 + x, y, lit ? Rgb{255, 244, 168} : frameColours[f]);
                } else if ((cx + cy) % 2 == 0) {
                    strip.set(f * 20 + x, y, checkColours[(cx + cy / 2 + f) % 4]);
                }
            }
    return strip;
}

void write(const Picture& p, const std::string& path, bool palettised) {
    if (!writeBmp(p, path, palettised)) throw std::runtime_error(path + ": cannot write");
}

} // namespace

void makeSprites(const GenPaths& paths) {
    const std::string art = paths.source + "/art/";
    const Palette palette = parsePalette(readTextFile(art + "palette.txt"), art + "palette.txt");
    for (const GridPicture& g : kGridPictures) {
        const Palette p = remapPalette(palette, g.remap);
        const Sprite s = parseSprite(readTextFile(art + g.art), p, art + g.art);
        write(joinStrip(s), paths.gfx + "/" + g.output, g.palettised);
    }
    write(exitDoor(), paths.gfx + "/exit.bmp", false);
}
