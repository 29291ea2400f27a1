// level_fuzz.cpp - libFuzzer target: any bytes as a level file, read by the
// game's loader, by the checker of gloam-level and by the editor's document.
// Run as
//   build-fuzz/fuzz/level_fuzz fuzz/corpus/level_fuzz
//
// The bytes become level1.txt of a scratch levels folder (levels.txt says
// 1). Whatever the bytes, the loader either fails with a message naming the
// file and the line, or leaves a world inside the grid; the checker never
// passes a file the loader rejects; and loading the same file again gives
// the same world. The checker of one level from memory says what the folder's
// checker says (traps aside: playing every input would be too slow); the
// editor's document gives back the same bytes, and a painted cell undone
// gives them back too.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/io/random.h"
#include "scratch_level.h"
#include "tools/gloam-edit/level_document.h"
#include "tools/gloam-level/level_check.h"
#include "world/level_loader.h"
#include "world/messages.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Everything a load leaves behind, for comparing two loads.
std::string describe(const GameState& g) {
    std::string s = g.levelTitle + '\n' + g.backdropName + '\n';
    auto add = [&](long v) { s += std::to_string(v) + ' '; };
    for (const Platforms& t : g.platformList)
        for (long v : {t.x, t.y, t.kind, t.pictureId, t.animFrame})
            add(v);
    for (const Coins& c : g.itemList)
        for (long v : {c.x, c.y, c.frame, c.frameCount, c.itemKind})
            add(v);
    for (const Spikes& p : g.spikeList)
        for (long v : {p.x, p.y, p.pictureId})
            add(v);
    for (const Baddie& b : g.baddieList) {
        s += b.kind + ' ';
        for (long v : {b.x, b.y, b.dirX, b.dirY, b.minX, b.maxX, b.minY, b.maxY, b.speedX, b.speedY,
                       b.frameDelay, b.frameCount, b.animMode})
            add(v);
    }
    for (long v : {g.player.x, g.player.y, g.itemKindOfLevel, g.itemFrames, g.spikeStyle})
        add(v);
    return s;
}

bool load(GameState& game, const Assets& assets, std::string* error) {
    rndReset();
    game.player.level = 1;
    game.loadLevelPending = 1;
    game.slideInPending = 0;
    return loadLevel(game, assets, error);
}

bool insideGrid(int x, int y) {
    return x >= 0 && x <= 310 && x % 10 == 0 && y >= 30 && y <= 210 && y % 10 == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchLevel folder("level_fuzz");
    static const Assets noPictures; // the loader only draws, and drawing none does nothing
    folder.write(data, size);

    GameState game;
    game.levelDirectory = folder.path;
    std::string error;
    check(readLevelCount(game, &error) && game.levelCount == 1);
    const bool loaded = load(game, noPictures, &error);
    const std::string file = folder.path + "\\level1.txt";
    if (!loaded) {
        check(error.rfind("Level file " + file + " line ", 0) == 0);
    } else {
        check(game.loadLevelPending == 0 && game.air == game.airMax);
        check(game.messageList.size() == 1 && game.messageList[0].kind == MSG_OUCH);
        check(game.platformList.size() + game.itemList.size() + game.spikeList.size() <= 19 * 32);
        for (const Platforms& t : game.platformList)
            check(insideGrid(t.x, t.y) && t.pictureId >= 1 && t.pictureId <= 19);
        for (const Coins& c : game.itemList)
            check(insideGrid(c.x, c.y) && c.frame >= 0 &&
                  (c.frame == 0 || c.frame < c.frameCount - 1));
        for (const Spikes& s : game.spikeList)
            check(insideGrid(s.x, s.y) && s.pictureId >= 1 && s.pictureId <= 4);
        // The state a first load leaves is the input of the next (a lost
        // life reloads the level): the same file must give the same world.
        const std::string first = describe(game);
        check(load(game, noPictures, &error) && describe(game) == first);
    }

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string name = folder.path + "/level1.txt";
    bool checkerErrors = false;
    for (const LevelProblem& p : checkLevelText(name, bytes, nullptr)) {
        check(!p.message.empty() && p.line >= 1);
        checkerErrors = checkerErrors || p.error;
    }
    if (!loaded) check(checkerErrors); // the checker must warn the designer first

    LevelDocument doc;
    doc.load(bytes, name);
    check(doc.bytes() == bytes && !doc.modified());
    const int column = size ? data[0] % 34 : 1, row = size > 1 ? data[1] % 21 : 1;
    const char code = size > 2 ? static_cast<char>(data[2]) : 'S';
    if (doc.paint(column, row, code)) {
        check(doc.cell(column, row) == code && doc.modified());
        check(doc.undo() && doc.bytes() == bytes && !doc.modified());
    }
    if (doc.recordCount() > 0) {
        check(doc.moveRecord(0, 3, 7) || doc.record(0).column == 3);
        doc.removeRecord(0);
        while (doc.undo()) {}
        check(doc.bytes() == bytes);
    }
    return 0;
}
