// assetgen.h - the parts of the asset generator, one call per group of files.
//
// Each call reads its sources from the generator's source folder
// (tools/assetgen: art/ and tunes/) and writes finished files into an output
// folder. Everything is deterministic: the same sources give the same bytes.
// Failures throw std::runtime_error with a message naming the file.
#pragma once

#include <string>

struct GenPaths {
    std::string source; // tools/assetgen
    std::string gfx, sfx, mus;
};

void makeSprites(const GenPaths& paths);   // sprites, tiles, items (text grids)
void makeScreens(const GenPaths& paths);   // messages, title, loading, scroller ends, foot
void makeBackdrops(const GenPaths& paths); // the three JPEG backdrops
void makeEffects(const GenPaths& paths);   // the five sound effects
void makeMusic(const GenPaths& paths);     // the two tunes
