// edit_view.cpp - the level as the game shows it on its first tick, drawn by
// the game's own loader and passes into the 320 x 240 canvas, and the marks
// the editor lays over it at window resolution.
#include "editor.h"
#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "gameplay/items.h"
#include "gameplay/player.h"
#include "gameplay/spikes.h"
#include "gameplay/terrain.h"
#include "shell/hud.h"
#include "shell/snapshot.h"
#include "world/baddies.h"
#include "world/level_loader.h"
#include "world/messages.h"

namespace {

void frameRect(float x, float y, float w, float h, float thickness) {
    drawRect(x, y, w, thickness);
    drawRect(x, y + h - thickness, w, thickness);
    drawRect(x, y, thickness, h);
    drawRect(x + w - thickness, y, thickness, h);
}

// Window rectangle of a grid cell.
void cellRect(const LevelCell& cell, float* x, float* y) {
    *x = static_cast<float>((cell.column - 1) * TILE_SIZE * VIEW_SCALE);
    *y = static_cast<float>((GRID_TOP + (cell.row - 1) * TILE_SIZE) * VIEW_SCALE);
}

void markCell(const LevelCell& cell, int r, int g, int b) {
    if (cell.column < 1 || cell.row < 1) return;
    float x = 0, y = 0;
    cellRect(cell, &x, &y);
    setColor(r, g, b);
    frameRect(x, y, TILE_SIZE * VIEW_SCALE, TILE_SIZE * VIEW_SCALE, 2);
}

void shadeCell(const LevelCell& cell, int r, int g, int b, float alpha) {
    float x = 0, y = 0;
    cellRect(cell, &x, &y);
    setBlend(ALPHA_BLEND);
    setAlpha(alpha);
    setColor(r, g, b);
    drawRect(x, y, TILE_SIZE * VIEW_SCALE, TILE_SIZE * VIEW_SCALE);
    setAlpha(1.0f);
    setBlend(MASK_BLEND);
}

// The record's picture box, in window pixels.
void recordBox(const Editor& e, const BaddieRecord& r, float* x, float* y, float* w, float* h) {
    int width = 0, height = 0;
    baddieSize(e, r.kind, &width, &height);
    *x = static_cast<float>(cellToPixels(r.column) * VIEW_SCALE);
    *y = static_cast<float>(cellToPixels(r.row) * VIEW_SCALE);
    *w = static_cast<float>(width * VIEW_SCALE);
    *h = static_cast<float>(height * VIEW_SCALE);
}

void drawRecordMarks(Editor& e) {
    LevelDocument& doc = e.doc();
    for (int i = 0; i < doc.recordCount(); ++i) {
        const BaddieRecord r = doc.record(i);
        float x = 0, y = 0, w = 0, h = 0;
        recordBox(e, r, &x, &y, &w, &h);
        const bool selected = i == doc.selected();
        setColor(selected ? 255 : 120, selected ? 220 : 120, selected ? 0 : 255);
        frameRect(x, y, w, h, selected ? 2 : 1);
        if (!selected) continue;
        // The patrol: from the left and top bounds to the right and bottom
        // bounds plus the picture, with a handle at each of the two corners.
        const float left = static_cast<float>(cellToPixels(r.left) * VIEW_SCALE);
        const float top = static_cast<float>(cellToPixels(r.top) * VIEW_SCALE);
        const float right = static_cast<float>(cellToPixels(r.right) * VIEW_SCALE) + w;
        const float bottom = static_cast<float>(cellToPixels(r.bottom) * VIEW_SCALE) + h;
        setColor(255, 160, 0);
        frameRect(left, top, right - left, bottom - top, 1);
        drawRect(left - 4, top - 4, 8, 8);
        drawRect(right - 4, bottom - 4, 8, 8);
    }
}

void drawProblemMarks(Editor& e) {
    for (const LevelProblem& t : e.traps)
        for (const LevelCell& c : t.cells)
            shadeCell(c, 200, 0, 255, 0.45f);
    for (size_t i = 0; i < e.problems.size(); ++i) {
        const LevelProblem& p = e.problems[i];
        const bool chosen = static_cast<int>(i) == e.marked;
        if (p.cells.empty()) markCell(p.cell, 255, chosen ? 255 : 40, 40);
        if (p.record >= 0 && p.record < e.doc().recordCount()) {
            float x = 0, y = 0, w = 0, h = 0;
            recordBox(e, e.doc().record(p.record), &x, &y, &w, &h);
            setColor(255, 40, 40);
            frameRect(x - 2, y - 2, w + 4, h + 4, 2);
        }
    }
}

void drawRoute(Editor& e) {
    if (e.proofRevision != e.doc().revision() || e.proof.path.empty()) return;
    setColor(0, 255, 255);
    for (const Location& p : e.proof.path) {
        // The middle of the miner's 10 x 20 picture.
        drawRect(static_cast<float>((p.x + 5) * VIEW_SCALE - 1),
                 static_cast<float>((p.y + 10) * VIEW_SCALE - 1), 2, 2);
    }
}

} // namespace

bool viewPixel(int windowX, int windowY, int* x, int* y) {
    if (windowX < 0 || windowY < 0 || windowX >= VIEW_WIDTH || windowY >= VIEW_HEIGHT) return false;
    *x = windowX / VIEW_SCALE;
    *y = windowY / VIEW_SCALE;
    return true;
}

void baddieSize(const Editor& editor, const std::string& kind, int* width, int* height) {
    Image* picture = baddiePicture(editor.game.assets, kind);
    *width = picture ? imageWidth(picture) : TILE_SIZE;
    *height = picture ? imageHeight(picture) : TILE_SIZE;
}

void refreshView(Editor& e) {
    LevelDocument& doc = e.doc();
    if (e.shownDocument == &doc && e.shownRevision == doc.revision() && e.scratch) return;
    e.shownDocument = &doc;
    e.shownRevision = doc.revision();
    e.scratch = std::make_unique<ScratchLevelFolder>(doc.bytes());
    e.loadError.clear();
    GameState& g = e.loaded;
    g = GameState{};
    g.levelDirectory = e.scratch->directory();
    g.levelCount = 1;
    g.player.level = 1;
    g.player.frameCount = 16;
    g.airMax = AIR_MAX;
    g.tileSize = TILE_SIZE;
    if (!e.scratch->ok()) {
        e.loadError = "cannot write the level to a scratch folder";
    } else if (!loadLevel(g, e.game.assets, &e.loadError)) {
        if (e.loadError.empty()) e.loadError = "the game cannot load this level";
    }
    g.messageList.clear(); // a load without its slide adds the Ouch message
    copyWorld(g, e.game.world);
}

void drawView(Editor& e) {
    GameState& g = e.game.world;
    if (e.animate) {
        // The baddies go on patrolling; the rest starts afresh every frame.
        BaddieList moving = std::move(g.baddieList);
        copyWorld(e.loaded, g);
        g.baddieList = std::move(moving);
    } else {
        copyWorld(e.loaded, g);
    }
    // The passes of a tick that draw, in the play loop's order, for the
    // moment before any key is read.
    clearScreen();
    drawBackdrop(g, e.game.assets);
    drawPlayer(g, e.game.assets);
    g.terrain = TerrainFlags{};
    terrainPass(g, e.game.assets);
    itemPass(g, e.game.assets);
    spikePass(g, e.game.assets);
    baddiePass(g, e.game.assets);
    drawHud(e.game);
}

void drawViewMarks(Editor& e) {
    if (e.grid) {
        setBlend(ALPHA_BLEND);
        setAlpha(0.35f);
        setColor(255, 255, 255);
        for (int c = 0; c <= GRID_COLUMNS; ++c)
            drawRect(static_cast<float>(c * TILE_SIZE * VIEW_SCALE), GRID_TOP * VIEW_SCALE, 1,
                     GRID_ROWS * TILE_SIZE * VIEW_SCALE);
        for (int r = 0; r <= GRID_ROWS; ++r)
            drawRect(0, static_cast<float>((GRID_TOP + r * TILE_SIZE) * VIEW_SCALE), VIEW_WIDTH, 1);
        setAlpha(1.0f);
        setBlend(MASK_BLEND);
    }
    // What the exit and the miner cover beyond their own cell: 2 x 2 and 1 x 2.
    setColor(255, 255, 255);
    for (int row = 1; row <= GRID_ROWS; ++row) {
        for (int column = 1; column <= GRID_COLUMNS; ++column) {
            const char code = e.doc().cell(column, row);
            if (code != 'E' && code != 'S') continue;
            float x = 0, y = 0;
            cellRect({column, row}, &x, &y);
            const float w = (code == 'E' ? 2 : 1) * TILE_SIZE * VIEW_SCALE;
            frameRect(x, y, w, 2 * TILE_SIZE * VIEW_SCALE, 1);
        }
    }
    drawProblemMarks(e);
    drawRoute(e);
    drawRecordMarks(e);
    setColor(255, 255, 255);
}
