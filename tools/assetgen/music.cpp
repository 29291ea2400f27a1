// music.cpp - renders the two tunes of tunes/ into looping Ogg Vorbis files.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/grid.h"
#include "tools/assetgen/ogg.h"
#include "tools/assetgen/tune.h"

void makeMusic(const GenPaths& paths) {
    const char* const names[] = {"ingame1", "ingame2"}; // in play, title
    for (const char* name : names) {
        const std::string source = paths.source + "/tunes/" + name + ".txt";
        const Tune tune = parseTune(readTextFile(source), source);
        writeOggVorbis(renderTune(tune, 44100), 44100, 0.1f, paths.mus + "/" + name + ".ogg");
    }
}
