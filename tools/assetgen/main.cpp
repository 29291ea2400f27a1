// main.cpp - gloam-assetgen: makes every picture, backdrop, effect and tune of
// the game from the sources beside this file.
//
//   gloam-assetgen <source dir> <output dir> [gfx] [backdrops] [sfx] [mus]
//
// writes <output dir>/gfx, /sfx and /mus (created when missing). With no
// group named, all groups are made. scripts/make-assets runs it into the
// repository itself.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <set>
#include <string>

#include "tools/assetgen/assetgen.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <source dir> <output dir> [gfx|backdrops|sfx|mus]...\n",
                     argv[0]);
        return 2;
    }
    std::set<std::string> groups(argv + 3, argv + argc);
    for (const std::string& g : groups)
        if (g != "gfx" && g != "backdrops" && g != "sfx" && g != "mus") {
            std::fprintf(stderr, "unknown group '%s'\n", g.c_str());
            return 2;
        }
    auto wanted = [&](const char* g) { return groups.empty() || groups.count(g) != 0; };

    const std::filesystem::path out(argv[2]);
    GenPaths paths{argv[1], (out / "gfx").string(), (out / "sfx").string(), (out / "mus").string()};
    try {
        std::filesystem::create_directories(paths.gfx);
        std::filesystem::create_directories(paths.sfx);
        std::filesystem::create_directories(paths.mus);
        if (wanted("gfx")) {
            makeSprites(paths);
            makeScreens(paths);
        }
        if (wanted("backdrops")) makeBackdrops(paths);
        if (wanted("sfx")) makeEffects(paths);
        if (wanted("mus")) makeMusic(paths);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gloam-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
