// level_loader.cpp - reads levels.txt and the level files into the game state.
//
// A level file is four header lines (title, item keyword, spike style,
// backdrop), 19 grid lines of one-character tile codes and baddie records of
// twelve lines each, ended by "#end#". loadLevel is the whole level start of
// the play loop, including the slide from the old screen to the new level.
#include "world/level_loader.h"

#include <cstdint>

#include "engine/display/graphics.h"
#include "engine/io/convert.h"
#include "engine/io/random.h"
#include "engine/io/stream.h"
#include "engine/render/render.h"
#include "world/messages.h"

namespace {

// One terrain tile code. Every terrain tile is drawn into the slide picture
// except the thread, and always with frame 0.
struct TileCode {
    char code;
    int kind;
    int pictureId;
    int animFrame; // 1 for the tiles whose animation starts on frame 1
    bool slide;
};

const TileCode kTileCodes[] = {
    {'1', TILE_SOLID, 1, 0, true},          {'#', TILE_SOLID, 2, 0, true},
    {'=', TILE_ONE_WAY, 3, 0, true},        {'[', TILE_ONE_WAY, 11, 0, true},
    {'{', TILE_SOLID, 12, 0, true},         {']', TILE_SOLID, 11, 0, true},
    {'-', TILE_ONE_WAY, 10, 0, true},       {'\\', TILE_STAIRS_LEFT, 13, 0, true},
    {'/', TILE_STAIRS_RIGHT, 14, 0, true},  {';', TILE_ROOF_RIGHT, 17, 0, true},
    {':', TILE_ROOF_LEFT, 18, 0, true},     {'R', TILE_ONE_WAY, 19, 0, true},
    {'"', TILE_SOLID, 15, 0, true},         {'\'', TILE_SOLID, 16, 0, true},
    {'D', TILE_CRUMBLING, 4, 1, true},      {'<', TILE_CONVEYOR_LEFT, 5, 1, true},
    {'>', TILE_CONVEYOR_RIGHT, 5, 1, true}, {'H', TILE_LADDER, 6, 0, true},
    {'P', TILE_LADDER, 9, 0, true},         {'E', TILE_EXIT, 7, 0, true},
    {'|', TILE_ONE_WAY, 8, 0, false},
};

const TileCode* findTileCode(char cell) {
    for (const TileCode& t : kTileCodes)
        if (t.code == cell) return &t;
    return nullptr;
}

struct ItemKeyword {
    const char* keyword;
    int kind, frames, animMode;
};

const ItemKeyword kItemKeywords[] = {
    {"Coin", 1, 4, 2}, {"Key", 2, 1, 0}, {"Cup", 3, 2, 0}, {"Candle", 4, 2, 0}, {"Coal", 5, 4, 2},
};

bool fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// The level files are named with the game's backslash; the file system
// check needs the slash that openStream would use.
std::string slashPath(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

// Only a regular file is a level: a folder reads as nothing, and opening a
// named pipe would wait for a writer for ever.
StreamPtr openLevelFile(const std::string& name) {
    if (fileType(slashPath(name)) != 1) return nullptr;
    return openStream(name, true, false);
}

// Reads lines and counts them, for the messages about broken files.
struct LineReader {
    Stream& stream;
    int number = 0;
    std::string next() {
        ++number;
        return readLine(stream);
    }
};

void applyItemLine(GameState& game, const std::string& line) {
    game.itemFrames = 1;
    for (const ItemKeyword& k : kItemKeywords) {
        if (line == k.keyword) {
            game.itemKindOfLevel = k.kind;
            game.itemFrames = k.frames;
            game.itemAnimMode = k.animMode;
        }
    }
}

void applySpikeLine(GameState& game, const std::string& line) {
    if (line == "Spikes") game.spikeStyle = 1;
    if (line == "TedSpikes") game.spikeStyle = 2;
    if (line == "VexelSpikes") game.spikeStyle = 3;
}

Baddie stillBaddie(const char* kind, int x, int y) {
    Baddie b;
    b.kind = kind;
    b.x = x;
    b.y = y;
    baddieKindAnimation(b.kind, &b.frameCount, &b.animMode);
    return b;
}

// One grid cell (0 past the end of a short row): creates its entity and,
// during a slide load, draws the terrain and spikes into the back buffer for
// the picture of the new level.
void applyCell(GameState& game, const Assets& assets, char cell, int x, int y) {
    const bool slide = game.slideInPending != 0;
    if (const TileCode* t = findTileCode(cell)) {
        Platforms tile;
        tile.x = x;
        tile.y = y;
        tile.kind = t->kind;
        tile.pictureId = t->pictureId;
        tile.animFrame = t->animFrame;
        game.platformList.push_back(tile);
        if (slide && t->slide) drawImage(platformPicture(assets, t->pictureId), x, y, 0);
        return;
    }
    if (cell == '2') {
        // A level whose item keyword is unknown on the first load of a run has
        // no item kind to inherit: its items would be invisible and
        // uncollectable, so they are left out.
        if (game.itemKindOfLevel == 0) return;
        Coins item;
        item.x = x;
        item.y = y;
        item.points = 10;
        item.itemKind = game.itemKindOfLevel;
        item.frameCount = game.itemFrames;
        item.animMode = game.itemAnimMode;
        item.frame = floatToInt(rndRange(0, game.itemFrames - 1));
        game.itemList.push_back(item);
    } else if (cell == '3' || cell == '4') {
        Spikes spike;
        spike.x = x;
        spike.y = y;
        const bool second = cell == '4';
        spike.pictureId = (game.spikeStyle == 1 ? 1 : 3) + (second ? 1 : 0);
        game.spikeList.push_back(spike);
        if (slide) drawImage(spikePicture(assets, spike.pictureId), x, y, 0);
    } else if (cell == 'S') {
        game.player.x = x;
        game.player.y = y;
    } else if (cell == 'M') {
        Baddie spider = stillBaddie("Spider", x, y);
        spider.frameDelay = 20;
        game.baddieList.push_back(spider);
    } else if (cell == '*') {
        game.baddieList.push_back(stillBaddie("Bush", x, y));
    }
}

// The records after the grid, up to "#end#".
bool readBaddies(GameState& game, LineReader& lines, const std::string& name, std::string* error) {
    for (;;) {
        std::string keyword = lines.next();
        if (keyword == "#end#") return true;
        if (keyword.empty())
            return fail(error, "Level file " + name + " line " + intToString(lines.number) +
                                   ": expected a baddie keyword or #end#");
        Baddie b;
        b.kind = keyword;
        baddieKindAnimation(b.kind, &b.frameCount, &b.animMode);
        auto number = [&] { return stringToInt(lines.next()); };
        auto cell = [&] { return cellToPixels(number()); };
        b.x = cell();
        b.y = cell();
        b.dirX = number();
        b.dirY = number();
        b.minX = cell();
        b.maxX = cell();
        b.minY = cell();
        b.maxY = cell();
        b.speedX = number();
        b.speedY = number();
        b.frameDelay = number();
        game.baddieList.push_back(b);
    }
}

// Creates both screen pictures and keeps the last frame drawn in the old
// one. Without a window there is nothing to grab: both stay none.
void grabOldScreen(GameState& game) {
    game.oldScreenGrab.reset();
    game.newScreenGrab.reset();
    const int width = canvasWidth();
    const int height = canvasHeight();
    if (width <= 0 || height <= 0) return;
    game.oldScreenGrab = createImage(width, height, 1, -1);
    game.newScreenGrab = createImage(width, height, 1, -1);
    grabImage(game.oldScreenGrab.get(), 0, 0, 0);
}

// 81 frames: the old screen leaves to the left as the new level comes in.
void playSlide(GameState& game) {
    Image* oldScreen = game.oldScreenGrab.get();
    Image* newScreen = game.newScreenGrab.get();
    if (!oldScreen || !newScreen) return;
    grabImage(newScreen, 0, 0, 0);
    for (int i = 0; i <= 320; i += 4) {
        drawSlideFrame(oldScreen, newScreen, i);
        flipFrame(-1);
    }
}

} // namespace

void drawSlideFrame(Image* oldScreen, Image* newScreen, int offset) {
    clearScreen();
    drawImageRect(newScreen, static_cast<float>(320 - offset), 0, 320, 240, 0);
    drawImageRect(oldScreen, static_cast<float>(-offset), 0, 320, 240, 0);
}

// Wraps like the 32-bit arithmetic it stands for instead of overflowing on
// absurd numbers.
int cellToPixels(int n) {
    return static_cast<int>((static_cast<uint32_t>(n) - 1u) * static_cast<uint32_t>(TILE_SIZE));
}

std::string levelFileName(int level, const std::string& directory) {
    return directory + "\\level" + intToString(level) + ".txt";
}

bool readLevelCount(GameState& game, std::string* error) {
    const std::string name = game.levelDirectory + "\\levels.txt";
    StreamPtr stream = openLevelFile(name);
    if (!stream) return fail(error, "Cannot open level file " + name);
    game.levelCount = stringToInt(readLine(*stream));
    closeStream(stream);
    return true;
}

bool loadLevel(GameState& game, const Assets& assets, std::string* error) {
    game.loadLevelPending = 0;
    game.hurryShown = 0;
    game.platformList.clear();
    game.itemList.clear();
    game.spikeList.clear();
    game.baddieList.clear();
    game.messageList.clear();

    if (game.slideInPending)
        grabOldScreen(game);
    else
        addMessage(game, MSG_OUCH, 180, 120);

    game.playerDied = 0;
    if (game.player.level > game.levelCount) game.player.level = 1;

    const std::string name = levelFileName(game.player.level, game.levelDirectory);
    StreamPtr stream = openLevelFile(name);
    if (!stream) return fail(error, "Cannot open level file " + name);
    Player& p = game.player;
    p.falling = 0;
    p.movingLeft = 0;
    p.movingRight = 0;
    p.jumping = 0;

    LineReader lines{*stream};
    game.levelTitle = lines.next();
    applyItemLine(game, lines.next());
    applySpikeLine(game, lines.next());
    game.backdropName = lines.next();
    clearScreen();
    drawBackdrop(game, assets);

    for (int row = 1; row <= GRID_ROWS; ++row) {
        const std::string line = lines.next();
        for (int column = 1; column <= GRID_COLUMNS; ++column) {
            const char cell = column <= static_cast<int>(line.size()) ? line[column - 1] : 0;
            applyCell(game, assets, cell, (column - 1) * TILE_SIZE,
                      GRID_TOP + (row - 1) * TILE_SIZE);
        }
    }

    if (game.slideInPending) {
        playSlide(game);
        game.slideInPending = 0;
    }

    const bool ok = readBaddies(game, lines, name, error);
    closeStream(stream);
    if (!ok) return false;
    game.air = game.airMax;
    return true;
}

void drawBackdrop(const GameState& game, const Assets& assets) {
    Image* backdrop = backdropPicture(assets, game.backdropName);
    if (backdrop) drawImage(backdrop, 0, 0, 0);
}
