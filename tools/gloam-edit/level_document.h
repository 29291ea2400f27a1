// level_document.h - a level file being edited, without a window: its cells,
// header lines and baddie records, undo and redo of every change, the
// problems `gloam-level check` finds in it, and a levels folder of them.
//
//   LevelDocument doc;
//   doc.open("levels/level3.txt", &error);    // any file the game accepts, also a broken one
//   doc.paint(5, 17, '#');                     // column 5 of grid row 17
//   doc.beginStroke();                         // a drag: one undo step
//   doc.paint(6, 17, '#'); doc.paint(7, 17, '#');
//   doc.endStroke();
//   doc.paint(2, 15, 'S');                     // the start moves there
//   BaddieRecord guard = doc.record(0);
//   guard.speedX = 2;
//   doc.setRecord(0, guard);
//   doc.undo();                                // the speed is back
//   for (const LevelProblem& p : doc.diagnostics()) ...  // p.cell, p.record: where
//   doc.save(&error);                          // the file's own line endings
//
// The document keeps the file's lines as they are: opened and saved unchanged
// it gives the same bytes, and a change rewrites only the lines it must (a
// painted cell its grid row, a record's field its number line). Rows shorter
// than 32 characters grow with blanks only when a cell past their end is
// painted. New lines get the line ending of the file's first line.
//
//   LevelFolder folder;
//   folder.open("levels", &error);             // levels.txt and every level it counts
//   folder.next();                             // Page Down
//   folder.append();                           // a new level after the last
//   folder.save(&error);                       // changed levels and the raised count
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "level_check.h"
#include "world/game_state.h"
#include "world/level_loader.h"

constexpr int LEVEL_HEADER_LINES = 4;
constexpr int RECORD_ROW_OFFSET = 3; // a record's row is the grid row + 3

// A baddie record as its twelve lines give it; numbers as the loader reads
// them. Columns and rows are 1-based; rows count from the top of the screen.
struct BaddieRecord {
    std::string kind = "Guard1";
    int column = 1, row = 4; // start
    int dirX = 1, dirY = 0;
    int left = 1, right = 1; // bound columns
    int top = 4, bottom = 4; // bound rows
    int speedX = 1, speedY = 0;
    int frameDelay = 5;
    bool operator==(const BaddieRecord&) const = default;
};

enum class HeaderLine { Title, Item, Spikes, Backdrop }; // lines 1 to 4

// The grid cell under a point of the 320 x 240 screen; false outside the grid.
bool cellAtPixel(int x, int y, LevelCell* cell);

class LevelDocument {
  public:
    // ---- Files -----------------------------------------------------------------------
    // Reads a level file; false with a message when it cannot be read. The
    // document is then empty and unchanged.
    bool open(const std::string& path, std::string* error);
    // Takes the bytes of a level file; `path` is where save() writes.
    void load(const std::string& bytes, const std::string& path);
    // Writes bytes() to path(); false with a message (and still modified) when
    // it cannot be written. The file is replaced whole, never half written.
    bool save(std::string* error);
    bool saveAs(const std::string& path, std::string* error);
    std::string bytes() const; // the file as save() would write it
    const std::string& path() const { return path_; }
    bool modified() const; // changed since opened or saved (undoing back to it is unchanged)
    int revision() const { return revision_; } // moves with every change, undo and redo

    // ---- Cells -----------------------------------------------------------------------
    // The code of a cell as the file has it: ' ' for an empty cell, also past
    // a row's end or below the file's end; 0 outside the grid.
    char cell(int column, int row) const;
    // Puts `code` in a cell; ' ' empties it. "S" is unique: painting it moves
    // the start. False (nothing done) outside the grid, for a line end
    // character, or when the cell already holds it.
    bool paint(int column, int row, char code);
    bool erase(int column, int row) { return paint(column, row, ' '); }
    // Every change between the two is one undo step (a drag of the pointer).
    void beginStroke();
    void endStroke();
    bool start(LevelCell* cell) const; // the first "S" in grid order; false without one

    // ---- Header lines ----------------------------------------------------------------
    std::string header(HeaderLine line) const;
    // Replaces the line's text (line ends are dropped from `text`).
    bool setHeader(HeaderLine line, const std::string& text);

    // ---- Baddie records ---------------------------------------------------------------
    // The whole records before "#end#" (or before the first broken one), in
    // file order, which is their drawing order.
    const std::vector<BaddieRecord>& records() const { return records_; }
    int recordCount() const { return static_cast<int>(records_.size()); }
    BaddieRecord record(int index) const; // a default record when out of range
    // Appends a record after the last one; returns its index (it is selected).
    int addRecord(const BaddieRecord& record);
    // Changes a record; only the lines of changed fields are rewritten.
    bool setRecord(int index, const BaddieRecord& record);
    // Moves a record's start to a cell (column, record row), its patrol bounds with it.
    bool moveRecord(int index, int column, int row);
    // Sets the patrol bounds (swapped into order when given the wrong way round).
    bool setBounds(int index, int left, int right, int top, int bottom);
    bool removeRecord(int index);
    // The selected record (-1 none); selecting is not a change.
    int selected() const { return selected_; }
    void select(int index);
    // The topmost record whose picture covers the screen point, given the
    // picture size of a kind (width and height in pixels); -1 when none.
    int recordAt(int x, int y,
                 const std::function<void(const std::string& kind, int* w, int* h)>& size) const;

    // ---- Undo ------------------------------------------------------------------------
    bool canUndo() const;
    bool canRedo() const;
    bool undo(); // false when there is nothing to undo
    bool redo();

    // ---- Problems --------------------------------------------------------------------
    // What `gloam-level check` says of this file (traps included), recomputed
    // after a change; each tied to a cell or record where it can be. The trap
    // search plays the level through the game's input tables and one shared
    // session: call it from one thread, never while another game plays in the
    // process. It takes from a fraction of a second to half a minute (a
    // large level full of crumbling floor).
    const std::vector<LevelProblem>& diagnostics();
    // The same without the traps: quick enough for every change of a drag.
    std::vector<LevelProblem> quickDiagnostics() const;

  private:
    friend class LevelFolder;
    struct Line {
        std::string text; // as the file has it, line end excluded
        std::string end;  // "\n", "\r\n", "\0" or "" (the last line of a file without one)
        bool operator==(const Line&) const = default;
    };

    bool commit(std::vector<Line>&& before); // a change is done: false when nothing changed
    void changed();
    void parseRecords();
    std::string textOf(int number) const; // line `number` (from 1) as the loader reads it
    void setLine(int number, const std::string& text);
    void insertLine(int number, const std::string& text);
    std::string newLineEnd() const;

    std::string path_;
    std::vector<Line> now_, saved_;
    std::vector<std::vector<Line>> undo_, redo_;
    std::vector<Line> strokeBefore_;
    int strokeDepth_ = 0;
    bool strokeChanged_ = false;
    int revision_ = 0;
    std::vector<BaddieRecord> records_;
    std::vector<int> recordLines_; // the keyword line of each record
    int endLine_ = 0;              // the "#end#" line; 0 when there is none
    int selected_ = -1;
    std::vector<LevelProblem> diagnostics_;
    int diagnosedRevision_ = -1;
};

// A levels folder: levels.txt and the levels it counts, one of them current.
class LevelFolder {
  public:
    static constexpr int MAX_LEVELS = 999;

    // Reads levels.txt and level1.txt to levelN.txt (a missing or broken
    // level opens as it is, with its problems); false with a message when
    // levels.txt cannot be read or its count is not a positive number.
    bool open(const std::string& directory, std::string* error);
    const std::string& directory() const { return directory_; }
    int count() const { return static_cast<int>(levels_.size()); }
    int current() const { return current_; } // from 1
    LevelDocument& document() { return *levels_[static_cast<size_t>(current_ - 1)]; }
    LevelDocument& level(int number) { return *levels_[static_cast<size_t>(number - 1)]; }
    bool next();     // Page Down; false on the last level
    bool previous(); // Page Up; false on the first
    bool go(int number);
    // A new level after the last, which becomes current; its file and the
    // raised count are written by save().
    int append();
    bool modified() const; // a level changed or appended
    // Writes every changed level, then levels.txt when levels were appended
    // (only its count changes); false with a message at the first failure.
    bool save(std::string* error);

  private:
    std::string directory_;
    std::vector<std::unique_ptr<LevelDocument>> levels_;
    std::string indexBytes_; // levels.txt as read
    int savedCount_ = 0;
    int current_ = 1;
};

// The text of a new level: walls around, a start, an exit and one item.
std::string newLevelText(const std::string& lineEnd);
