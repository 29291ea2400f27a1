// edit_actions.cpp - what the keys and the mouse do in the editor.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor.h"
#include "engine/display/graphics.h"
#include "engine/input/input.h"

namespace {

constexpr int HANDLE_REACH = 6; // window pixels around a bounds handle

// Held now, or pressed or held in the frame before: a quick Ctrl+S reaches
// the window as four events that two frames may share between them.
bool modifier(int leftCode, int rightCode, int* framesLeft) {
    const bool hit = keyHit(leftCode) + keyHit(rightCode) > 0;
    if (hit || keyDown(leftCode) || keyDown(rightCode))
        *framesLeft = 2;
    else if (*framesLeft > 0)
        --*framesLeft;
    return *framesLeft > 0;
}

bool modified(Editor& e) {
    return e.folderMode ? e.folder.modified() : e.single.modified();
}

HeaderLine lineOf(Field f) {
    if (f == Field::Item) return HeaderLine::Item;
    if (f == Field::Spikes) return HeaderLine::Spikes;
    if (f == Field::Backdrop) return HeaderLine::Backdrop;
    return HeaderLine::Title;
}

// Esc and close requests: a warning first when there is something to lose.
void askToLeave(Editor& e) {
    if (!modified(e)) {
        e.quit = true;
        return;
    }
    const int64_t now = millisecs();
    if (now - e.escapeAt <= DISCARD_WINDOW_MS) {
        e.quit = true;
        return;
    }
    e.escapeAt = now;
    setStatus(e, "Unsaved changes! Esc again within 3 seconds discards them; Ctrl+S saves.");
}

void typeIntoField(Editor& e) {
    // Shift and Control typed with the text are no commands later.
    modifier(KEY_LEFT_CONTROL, KEY_RIGHT_CONTROL, &e.controlFrames);
    modifier(KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, &e.shiftFrames);
    for (int c = getChar(); c != 0; c = getChar())
        if (c >= 32 && c < 127) e.fieldText += static_cast<char>(c);
    if (keyHit(KEY_BACKSPACE) && !e.fieldText.empty()) e.fieldText.pop_back();
    if (keyHit(KEY_RETURN)) {
        commitField(e);
        e.focus = Field::None;
    }
    if (keyHit(KEY_ESCAPE)) e.focus = Field::None; // the typing is dropped
}

void anyKeys(Editor& e) {
    LevelDocument& doc = e.doc();
    const bool control = modifier(KEY_LEFT_CONTROL, KEY_RIGHT_CONTROL, &e.controlFrames);
    const bool shift = modifier(KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, &e.shiftFrames);
    if (control) {
        getChar(); // a control key types nothing worth keeping
        if (keyHit('Z')) {
            const bool done = shift ? doc.redo() : doc.undo();
            setStatus(e, done ? (shift ? "Redone" : "Undone") : "Nothing to undo or redo");
        }
        if (keyHit('Y')) setStatus(e, doc.redo() ? "Redone" : "Nothing to redo");
        if (keyHit('N') && e.folderMode) {
            const int level = e.folder.append();
            setStatus(e, "New level " + std::to_string(level) + "; Ctrl+S writes it and the count");
        }
        // Last: a Ctrl+Z and a Ctrl+S that share a frame save the undone level.
        if (keyHit(KEY_S)) saveLevels(e);
        return;
    }
    for (const int letter : {KEY_S, int('Z'), int('Y'), int('N')})
        keyHit(letter); // a plain letter is no command
    for (int c = getChar(); c != 0; c = getChar()) {
        if (c > 32 && c < 127 && std::strchr(LEVEL_TILE_CODES, c)) {
            e.tile = static_cast<char>(c);
            e.placeKind.clear();
            setStatus(e, std::string("Painting ") + static_cast<char>(c));
        }
    }
    if (keyHit('G')) e.grid = !e.grid;
    if (keyHit('A')) e.animate = !e.animate;
    if (keyHit('B'))
        e.placeKind = e.placeKind.empty() ? baddieKinds()[static_cast<size_t>(e.kindChoice)] : "";
    if (keyHit(KEY_DELETE) && doc.selected() >= 0) doc.removeRecord(doc.selected());
    if (e.folderMode && keyHit(KEY_PAGE_UP) && !e.folder.previous())
        setStatus(e, "The first level");
    if (e.folderMode && keyHit(KEY_PAGE_DOWN) && !e.folder.next()) setStatus(e, "The last level");
    if (keyHit(KEY_F5)) setStatus(e, e.playResult = playTest(e));
    if (keyHit(KEY_F6)) startProve(e);
    if (keyHit(KEY_F7)) {
        if (proofIsCurrent(e) && !e.proof.route.empty())
            setStatus(e, playTest(e, &e.proof.route));
        else
            setStatus(e, "No route for the level as it is: F6 looks for one");
    }
    if (keyHit(KEY_ESCAPE)) {
        if (e.proveJob.running()) {
            cancelJob(e.proveJob);
            setStatus(e, "Prove cancelled");
        } else {
            askToLeave(e);
        }
    }
}

// Cells from `from` to `to`, one step at a time, so a quick drag leaves no gaps.
void paintLine(Editor& e, LevelCell from, LevelCell to, char code) {
    LevelDocument& doc = e.doc();
    for (;;) {
        doc.paint(from.column, from.row, code);
        if (from == to) break;
        from.column += (to.column > from.column) - (to.column < from.column);
        from.row += (to.row > from.row) - (to.row < from.row);
    }
}

bool nearWindow(int ax, int ay, int bx, int by) {
    return std::abs(ax - bx) <= HANDLE_REACH && std::abs(ay - by) <= HANDLE_REACH;
}

// Which bounds handle of the selected record is at window (x, y).
Drag handleAt(Editor& e, int x, int y) {
    const int sel = e.doc().selected();
    if (sel < 0) return Drag::None;
    const BaddieRecord r = e.doc().record(sel);
    int w = 0, h = 0;
    baddieSize(e, r.kind, &w, &h);
    const int left = (r.left - 1) * TILE_SIZE * VIEW_SCALE,
              top = (r.top - 1) * TILE_SIZE * VIEW_SCALE;
    const int right = ((r.right - 1) * TILE_SIZE + w) * VIEW_SCALE;
    const int bottom = ((r.bottom - 1) * TILE_SIZE + h) * VIEW_SCALE;
    if (nearWindow(x, y, left, top)) return Drag::BoundsTopLeft;
    if (nearWindow(x, y, right, bottom)) return Drag::BoundsBottomRight;
    return Drag::None;
}

void pressInView(Editor& e, int wx, int wy, int x, int y, bool right) {
    LevelDocument& doc = e.doc();
    LevelCell cell;
    const bool inGrid = cellAtPixel(x, y, &cell);
    if (right) {
        if (!inGrid) return;
        e.drag = Drag::Erase;
        doc.beginStroke();
        doc.erase(cell.column, cell.row);
        e.lastCell = cell;
        return;
    }
    const Drag handle = handleAt(e, wx, wy);
    if (handle != Drag::None) {
        e.drag = handle;
        doc.beginStroke();
        return;
    }
    if (!e.placeKind.empty()) {
        if (!inGrid) return;
        BaddieRecord r;
        r.kind = e.placeKind;
        r.column = r.left = r.right = cell.column;
        r.row = r.top = r.bottom = cell.row + RECORD_ROW_OFFSET;
        const int index = doc.addRecord(r);
        doc.select(index);
        setStatus(e, "Placed " + r.kind + ": drag its corner handles to set its patrol");
        return;
    }
    const int hit = doc.recordAt(
        x, y, [&](const std::string& kind, int* w, int* h) { baddieSize(e, kind, w, h); });
    if (hit >= 0) {
        doc.select(hit);
        e.drag = Drag::MoveRecord;
        e.dragRecord = hit;
        // The record keeps its place under the pointer as it moves.
        const BaddieRecord r = doc.record(hit);
        e.grabColumn = x / TILE_SIZE + 1 - r.column;
        e.grabRow = y / TILE_SIZE + 1 - r.row;
        doc.beginStroke();
        return;
    }
    doc.select(-1);
    if (!inGrid) return;
    e.drag = Drag::Paint;
    doc.beginStroke();
    doc.paint(cell.column, cell.row, e.tile);
    e.lastCell = cell;
}

void dragInView(Editor& e, int x, int y) {
    LevelDocument& doc = e.doc();
    LevelCell cell;
    // Outside the grid a drag holds at the nearest cell.
    const int cx = std::clamp(x, 0, GRID_COLUMNS * TILE_SIZE - 1);
    const int cy = std::clamp(y, GRID_TOP, GRID_TOP + GRID_ROWS * TILE_SIZE - 1);
    if (!cellAtPixel(cx, cy, &cell)) return;
    switch (e.drag) {
    case Drag::Paint:
    case Drag::Erase:
        if (cell == e.lastCell) return;
        paintLine(e, e.lastCell, cell, e.drag == Drag::Paint ? e.tile : ' ');
        e.lastCell = cell;
        break;
    case Drag::MoveRecord:
        doc.moveRecord(e.dragRecord, x / TILE_SIZE + 1 - e.grabColumn,
                       y / TILE_SIZE + 1 - e.grabRow);
        break;
    case Drag::BoundsTopLeft:
    case Drag::BoundsBottomRight: {
        const BaddieRecord r = doc.record(doc.selected());
        const int row = cell.row + RECORD_ROW_OFFSET;
        if (e.drag == Drag::BoundsTopLeft)
            doc.setBounds(doc.selected(), cell.column, r.right, row, r.bottom);
        else
            doc.setBounds(doc.selected(), r.left, cell.column, r.top, row);
        break;
    }
    case Drag::None:
        break;
    }
}

void mouse(Editor& e) {
    const int wx = mouseX(), wy = mouseY();
    int x = 0, y = 0;
    const bool inView = viewPixel(wx, wy, &x, &y);
    for (const int b : {MOUSE_LEFT, MOUSE_RIGHT}) {
        if (!mouseHit(b)) continue;
        if (e.focus != Field::None) {
            commitField(e);
            e.focus = Field::None;
        }
        if (inView)
            pressInView(e, wx, wy, x, y, b == MOUSE_RIGHT);
        else
            clickPanels(e, wx, wy, b);
    }
    if (e.drag == Drag::None) return;
    const bool held = mouseDown(e.drag == Drag::Erase ? MOUSE_RIGHT : MOUSE_LEFT);
    dragInView(e, wx / VIEW_SCALE, wy / VIEW_SCALE);
    if (!held) {
        e.doc().endStroke();
        e.drag = Drag::None;
    }
}

} // namespace

void setStatus(Editor& e, const std::string& text) {
    e.status = text;
    // Also on the standard output: a record of the session for whoever
    // started the editor from a terminal, and for scripts that drive it.
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void commitField(Editor& e) {
    if (e.focus == Field::None) return;
    LevelDocument& doc = e.doc();
    if (doc.header(lineOf(e.focus)) != e.fieldText) doc.setHeader(lineOf(e.focus), e.fieldText);
}

void saveLevels(Editor& e) {
    commitField(e);
    std::string error;
    const bool saved = e.folderMode ? e.folder.save(&error) : e.single.save(&error);
    setStatus(e, saved ? "Saved"
                       : "Cannot save: " + error + " (nothing is lost: fix it and save again)");
}

void handleInput(Editor& e) {
    const int revision = e.doc().revision();
    const LevelDocument* before = &e.doc();
    if (terminateRequested()) {
        clearTerminateRequest();
        askToLeave(e);
    }
    if (e.focus != Field::None)
        typeIntoField(e);
    else
        anyKeys(e);
    mouse(e);
    if (&e.doc() != before || e.doc().revision() != revision) {
        e.changedAt = millisecs();
        e.marked = -1;
    }
}
