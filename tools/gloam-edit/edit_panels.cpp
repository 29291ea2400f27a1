// edit_panels.cpp - the tools beside and below the view: the tile palette,
// the four header lines, the baddie records, the problems and the status.
#include <algorithm>
#include <cstring>

#include "editor.h"
#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/render/font.h"
#include "engine/render/render.h"

namespace {

constexpr int PALETTE_TOP = 24;
constexpr int PALETTE_COLUMNS = 10;
constexpr int SWATCH = 34;
constexpr int FIELDS_TOP = 150;
constexpr int FIELD_STEP = 22;
constexpr int FIELD_LEFT = PANEL_LEFT + 80;
constexpr int FIELD_WIDTH = 220;
constexpr int BADDIES_TOP = 246;
constexpr int RECORD_TOP = 318;
constexpr int LINE = 18;
constexpr int PROBLEM_LINES = 12;

struct Box {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// The record fields the panel steps with - and +.
struct NumberField {
    const char* label;
    int BaddieRecord::*field;
};
constexpr NumberField NUMBER_FIELDS[] = {
    {"dir x", &BaddieRecord::dirX},       {"dir y", &BaddieRecord::dirY},
    {"speed x", &BaddieRecord::speedX},   {"speed y", &BaddieRecord::speedY},
    {"delay", &BaddieRecord::frameDelay},
};

void text(const std::string& s, int x, int y) {
    drawText(s, static_cast<float>(x), static_cast<float>(y));
}

void box(const Box& b, int r, int g, int bl) {
    setColor(r, g, bl);
    drawRect(static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.w),
             static_cast<float>(b.h));
}

void button(const Box& b, const std::string& label, bool on = false) {
    box(b, on ? 90 : 50, on ? 90 : 50, on ? 30 : 70);
    setColor(230, 230, 230);
    text(label, b.x + (b.w - textWidth(label)) / 2, b.y + (b.h - 16) / 2);
}

Box swatch(int i) {
    return {PANEL_LEFT + (i % PALETTE_COLUMNS) * SWATCH,
            PALETTE_TOP + (i / PALETTE_COLUMNS) * SWATCH, SWATCH - 2, SWATCH - 2};
}

Box fieldBox(int i) {
    return {FIELD_LEFT, FIELDS_TOP + i * FIELD_STEP, FIELD_WIDTH, 20};
}
Box fieldPrev(int i) {
    return {FIELD_LEFT + FIELD_WIDTH + 4, FIELDS_TOP + i * FIELD_STEP, 20, 20};
}
Box fieldNext(int i) {
    return {FIELD_LEFT + FIELD_WIDTH + 26, FIELDS_TOP + i * FIELD_STEP, 20, 20};
}

const Box KIND_PREV{PANEL_LEFT + 48, BADDIES_TOP, 20, 20};
const Box KIND_NEXT{PANEL_LEFT + 180, BADDIES_TOP, 20, 20};
const Box PLACE{PANEL_LEFT + 206, BADDIES_TOP, 140, 20};
const Box ANIMATE{PANEL_LEFT, BADDIES_TOP + 26, 110, 20};
const Box GRID{PANEL_LEFT + 116, BADDIES_TOP + 26, 70, 20};
const Box USE_KIND{PANEL_LEFT + 192, BADDIES_TOP + 26, 154, 20};
const Box DELETE{PANEL_LEFT + 220, RECORD_TOP + 20, 126, 20};

Box minusBox(int i) {
    return {PANEL_LEFT + 120, RECORD_TOP + 20 + i * LINE, 20, 16};
}
Box plusBox(int i) {
    return {PANEL_LEFT + 186, RECORD_TOP + 20 + i * LINE, 20, 16};
}

const Field FIELDS[] = {Field::Title, Field::Item, Field::Spikes, Field::Backdrop};
const char* const FIELD_LABELS[] = {"Title", "Item", "Spikes", "Backdrop"};

HeaderLine headerLine(Field f) {
    switch (f) {
    case Field::Item:
        return HeaderLine::Item;
    case Field::Spikes:
        return HeaderLine::Spikes;
    case Field::Backdrop:
        return HeaderLine::Backdrop;
    default:
        return HeaderLine::Title;
    }
}

const std::vector<std::string>* keywords(Field f) {
    if (f == Field::Item) return &LEVEL_ITEM_KEYWORDS;
    if (f == Field::Spikes) return &LEVEL_SPIKE_KEYWORDS;
    if (f == Field::Backdrop) return &LEVEL_BACKDROP_KEYWORDS;
    return nullptr;
}

// The picture a tile code shows, scaled into a swatch.
void drawTilePicture(Editor& e, char code, const Box& b) {
    // The loader's pictures, looked up as the level shown makes them.
    const Assets& a = e.game.assets;
    Image* picture = nullptr;
    int frame = 0;
    static const struct {
        char code;
        int platform;
    } PLATFORMS[] = {{'1', 1},   {'#', 2},  {'=', 3},  {'[', 11}, {'{', 12}, {']', 11}, {'-', 10},
                     {'\\', 13}, {'/', 14}, {';', 17}, {':', 18}, {'R', 19}, {'"', 15}, {'\'', 16},
                     {'D', 4},   {'<', 5},  {'>', 5},  {'H', 6},  {'P', 9},  {'E', 7},  {'|', 8}};
    for (const auto& p : PLATFORMS)
        if (p.code == code) picture = platformPicture(a, p.platform);
    if (code == '2') picture = itemPicture(a, e.game.world.itemKindOfLevel);
    const bool sharp = e.game.world.spikeStyle == 1;
    if (code == '3') picture = spikePicture(a, sharp ? 1 : 3);
    if (code == '4') picture = spikePicture(a, sharp ? 2 : 4);
    if (code == 'M') picture = baddiePicture(a, "Spider");
    if (code == '*') picture = baddiePicture(a, "Bush");
    if (code == 'S') picture = a.player.get();
    setColor(255, 255, 255);
    if (picture) {
        const int w = imageWidth(picture), h = imageHeight(picture);
        const int scale = std::max(1, std::min((b.w - 4) / w, (b.h - 4) / h));
        drawImageRect(picture, static_cast<float>(b.x + (b.w - w * scale) / 2),
                      static_cast<float>(b.y + (b.h - h * scale) / 2),
                      static_cast<float>(w * scale), static_cast<float>(h * scale), frame);
    } else {
        text(std::string(1, code), b.x + 12, b.y + 8);
    }
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void drawProblems(Editor& e) {
    setColor(200, 200, 200);
    const size_t count = e.problems.size();
    text(count == 0 ? "No problems found." : "Problems (" + std::to_string(count) + "), click one:",
         8, PROBLEMS_TOP);
    for (size_t i = 0; i < count && i < PROBLEM_LINES; ++i) {
        const LevelProblem& p = e.problems[i];
        const int y = PROBLEMS_TOP + 20 + static_cast<int>(i) * LINE;
        if (static_cast<int>(i) == e.marked) box({0, y, EDITOR_WIDTH, LINE}, 60, 60, 20);
        if (p.error)
            setColor(255, 110, 110);
        else
            setColor(255, 210, 110);
        std::string line = "line " + std::to_string(p.line) + ": " +
                           (p.error ? "error: " : "warning: ") + p.message;
        if (line.size() > 126) line = line.substr(0, 123) + "...";
        text(line, 8, y);
    }
}

} // namespace

const std::vector<std::string>& baddieKinds() {
    static const std::vector<std::string> kinds = {
        "Guard1",    "Guard2", "TedHead", "MegaFred", "Grimble",   "Phone",  "Phone_green",
        "Phone_red", "Monk",   "TedDisk", "TedBike",  "Teapot",    "Spider", "Penguin",
        "Bush",      "Hatter", "Monty",   "BlueBlob", "GreenBlob", "Crusher"};
    return kinds;
}

std::string headerText(Editor& e, Field f) {
    if (e.focus == f) return e.fieldText;
    return e.doc().header(headerLine(f));
}

void drawPanels(Editor& e) {
    LevelDocument& doc = e.doc();
    // Tiles.
    setColor(200, 200, 200);
    text("Tiles: type a code or click", PANEL_LEFT, 4);
    const size_t codes = std::strlen(LEVEL_TILE_CODES);
    for (size_t i = 0; i < codes; ++i) {
        const Box b = swatch(static_cast<int>(i));
        const bool chosen = e.placeKind.empty() && LEVEL_TILE_CODES[i] == e.tile;
        box(b, chosen ? 230 : 40, chosen ? 200 : 40, chosen ? 0 : 40);
        box({b.x + 2, b.y + 2, b.w - 4, b.h - 4}, 20, 20, 20);
        drawTilePicture(e, LEVEL_TILE_CODES[i], b);
    }
    setColor(200, 200, 200);
    text(std::string("Painting: ") + (e.placeKind.empty() ? std::string(1, e.tile) : e.placeKind),
         PANEL_LEFT, PALETTE_TOP + 3 * SWATCH + 2);

    // Header lines.
    for (int i = 0; i < 4; ++i) {
        setColor(200, 200, 200);
        text(FIELD_LABELS[i], PANEL_LEFT, FIELDS_TOP + i * FIELD_STEP + 2);
        const bool focused = e.focus == FIELDS[i];
        box(fieldBox(i), focused ? 70 : 35, focused ? 70 : 35, focused ? 110 : 45);
        setColor(255, 255, 255);
        std::string value = headerText(e, FIELDS[i]);
        if (focused) value += "_";
        if (value.size() > 27) value = value.substr(value.size() - 27);
        text(value, fieldBox(i).x + 2, fieldBox(i).y + 2);
        if (keywords(FIELDS[i])) {
            button(fieldPrev(i), "<");
            button(fieldNext(i), ">");
        }
    }

    // Baddies.
    setColor(200, 200, 200);
    text("Kind", PANEL_LEFT, BADDIES_TOP + 2);
    button(KIND_PREV, "<");
    text(baddieKinds()[static_cast<size_t>(e.kindChoice)], KIND_PREV.x + 26, BADDIES_TOP + 2);
    button(KIND_NEXT, ">");
    button(PLACE, e.placeKind.empty() ? "Place (B)" : "Placing (B)", !e.placeKind.empty());
    button(ANIMATE, e.animate ? "Animate: on" : "Animate (A)", e.animate);
    button(GRID, "Grid (G)", e.grid);
    const int sel = doc.selected();
    if (sel >= 0) {
        const BaddieRecord r = doc.record(sel);
        button(USE_KIND, "Make it this kind");
        setColor(200, 200, 200);
        text("Record " + std::to_string(sel + 1) + " of " + std::to_string(doc.recordCount()) +
                 ": " + r.kind + " at " + std::to_string(r.column) + "," + std::to_string(r.row),
             PANEL_LEFT, RECORD_TOP);
        for (int i = 0; i < 5; ++i) {
            setColor(200, 200, 200);
            text(NUMBER_FIELDS[i].label, PANEL_LEFT, RECORD_TOP + 20 + i * LINE);
            button(minusBox(i), "-");
            setColor(255, 255, 255);
            text(std::to_string(r.*NUMBER_FIELDS[i].field), PANEL_LEFT + 148,
                 RECORD_TOP + 20 + i * LINE);
            button(plusBox(i), "+");
        }
        button(DELETE, "Delete (Del)");
    } else {
        setColor(150, 150, 150);
        text("Click a baddie to select it.", PANEL_LEFT, RECORD_TOP);
    }
    setColor(150, 150, 150);
    text("F5 play F6 prove F7 watch ^S save", PANEL_LEFT, RECORD_TOP + 136);
    text(e.folderMode ? "^Z/^Y undo/redo PgUp/PgDn ^N new" : "^Z/^Y undo/redo", PANEL_LEFT,
         RECORD_TOP + 152);

    drawProblems(e);

    // Status line.
    box({0, STATUS_TOP - 2, EDITOR_WIDTH, 22}, 25, 25, 60);
    setColor(255, 255, 255);
    std::string where = fileName(doc.path());
    if (e.folderMode)
        where += " (" + std::to_string(e.folder.current()) + "/" +
                 std::to_string(e.folder.count()) + ")";
    if (doc.modified()) where += " *";
    text(where, EDITOR_WIDTH - textWidth(where) - 6, STATUS_TOP);
    std::string status = e.status;
    const size_t room = static_cast<size_t>((EDITOR_WIDTH - textWidth(where) - 20) / 8);
    if (status.size() > room) status = status.substr(0, room);
    text(status, 6, STATUS_TOP);
    setColor(255, 255, 255);
}

bool clickPanels(Editor& e, int x, int y, int mouseButton) {
    LevelDocument& doc = e.doc();
    if (mouseButton != MOUSE_LEFT) return false;
    const size_t codes = std::strlen(LEVEL_TILE_CODES);
    for (size_t i = 0; i < codes; ++i) {
        if (!swatch(static_cast<int>(i)).contains(x, y)) continue;
        e.tile = LEVEL_TILE_CODES[i];
        e.placeKind.clear();
        return true;
    }
    for (int i = 0; i < 4; ++i) {
        const Field f = FIELDS[i];
        if (fieldBox(i).contains(x, y)) {
            commitField(e);
            e.focus = f;
            e.fieldText = doc.header(headerLine(f));
            return true;
        }
        const std::vector<std::string>* words = keywords(f);
        if (!words || (!fieldPrev(i).contains(x, y) && !fieldNext(i).contains(x, y))) continue;
        commitField(e);
        const std::string now = doc.header(headerLine(f));
        size_t at = 0;
        while (at < words->size() && (*words)[at] != now)
            ++at;
        const size_t n = words->size();
        const size_t next = fieldNext(i).contains(x, y) ? (at >= n ? 0 : (at + 1) % n)
                                                        : (at >= n ? n - 1 : (at + n - 1) % n);
        doc.setHeader(headerLine(f), (*words)[next]);
        return true;
    }
    const int kinds = static_cast<int>(baddieKinds().size());
    if (KIND_PREV.contains(x, y) || KIND_NEXT.contains(x, y)) {
        e.kindChoice = (e.kindChoice + (KIND_NEXT.contains(x, y) ? 1 : kinds - 1)) % kinds;
        if (!e.placeKind.empty()) e.placeKind = baddieKinds()[static_cast<size_t>(e.kindChoice)];
        return true;
    }
    if (PLACE.contains(x, y)) {
        e.placeKind = e.placeKind.empty() ? baddieKinds()[static_cast<size_t>(e.kindChoice)] : "";
        return true;
    }
    if (ANIMATE.contains(x, y)) {
        e.animate = !e.animate;
        return true;
    }
    if (GRID.contains(x, y)) {
        e.grid = !e.grid;
        return true;
    }
    const int sel = doc.selected();
    if (sel >= 0) {
        BaddieRecord r = doc.record(sel);
        if (USE_KIND.contains(x, y)) {
            r.kind = baddieKinds()[static_cast<size_t>(e.kindChoice)];
            doc.setRecord(sel, r);
            return true;
        }
        for (int i = 0; i < 5; ++i) {
            const int step = minusBox(i).contains(x, y) ? -1 : plusBox(i).contains(x, y) ? 1 : 0;
            if (step == 0) continue;
            r.*NUMBER_FIELDS[i].field += step;
            doc.setRecord(sel, r);
            return true;
        }
        if (DELETE.contains(x, y)) {
            doc.removeRecord(sel);
            return true;
        }
    }
    for (int i = 0; i < PROBLEM_LINES && i < static_cast<int>(e.problems.size()); ++i) {
        const Box line{0, PROBLEMS_TOP + 20 + i * LINE, EDITOR_WIDTH, LINE};
        if (!line.contains(x, y)) continue;
        e.marked = i;
        const LevelProblem& p = e.problems[static_cast<size_t>(i)];
        if (p.record >= 0) doc.select(p.record);
        setStatus(e, "line " + std::to_string(p.line) + ": " + p.message);
        return true;
    }
    return false;
}
