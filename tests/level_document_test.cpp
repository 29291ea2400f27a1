// level_document_test.cpp - the level editor's model without a window: cells,
// strokes, the start, header lines and baddie records, undo and redo, the
// bytes it saves, its problems against the level checker, the levels folder,
// and the trap search behind both.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "level_document.h"
#include "level_traps.h"
#include "world_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string withCrLf(const std::string& lf) {
    std::string out;
    for (char c : lf)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// The lines of `after` that differ from `before`, as "<number>:<text>", and
// "+<count>" / "-<count>" when lines were added or removed at the end of the
// common part.
std::vector<std::string> changedLines(const std::string& before, const std::string& after) {
    auto split = [](const std::string& s) {
        std::vector<std::string> lines;
        std::string line;
        for (char c : s) {
            line += c;
            if (c == '\n') lines.push_back(std::exchange(line, std::string()));
        }
        if (!line.empty()) lines.push_back(line);
        return lines;
    };
    const std::vector<std::string> a = split(before), b = split(after);
    std::vector<std::string> out;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) out.push_back(std::to_string(i + 1) + ":" + b[i]);
    if (b.size() > a.size()) out.push_back("+" + std::to_string(b.size() - a.size()));
    if (a.size() > b.size()) out.push_back("-" + std::to_string(a.size() - b.size()));
    return out;
}

// A small level: start at column 2 of row 17, exit, one item, two records.
std::string sampleLevel(const std::string& end = "\n") {
    std::string text = "Sample" + end + "Coin" + end + "Spikes" + end + "Caves" + end;
    for (int row = 1; row <= 19; ++row) {
        std::string line;
        if (row == 1 || row == 19) line = std::string(32, '#');
        if (row == 17) line = "#S        2                 E";
        if (row == 18) line = "#";
        text += line + end;
    }
    for (const char* l :
         {"Guard1", "5", "20", "1", "0",  "5",  "28", "20", "20", "1", "0", "5",    "Bat",
          "10",     "8", "0",  "1", "10", "10", "6",  "12", "0",  "1", "4", "#end#"})
        text += std::string(l) + end;
    return text;
}

LevelDocument sampleDocument(const std::string& end = "\n") {
    LevelDocument doc;
    doc.load(sampleLevel(end), "sample.txt");
    return doc;
}

fs::path scratchFolder(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// ---- bytes ------------------------------------------------------------------------------

// Every shipped level, with LF and CRLF endings, and the odd files the game
// also reads (NUL line ends, stray CRs, no last line end, nothing at all).
TEST(LevelDocument, OpensAndSavesEveryFileByteForByte) {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(std::string(GLOAM_SOURCE_DIR) + "/levels"))
        files.push_back(readAll(entry.path()));
    ASSERT_GE(files.size(), 20u);
    for (size_t i = 0, n = files.size(); i < n; ++i)
        files.push_back(withCrLf(files[i]));
    files.push_back(std::string("T\0Coin\0\r\r\nCaves\n# \r #\n", 23));
    files.push_back("Title without an end");
    files.push_back("");
    const fs::path dir = scratchFolder("gloam-doc-bytes");
    for (size_t i = 0; i < files.size(); ++i) {
        const fs::path path = dir / "level.txt";
        std::ofstream(path, std::ios::binary) << files[i];
        LevelDocument doc;
        std::string error;
        ASSERT_TRUE(doc.open(path.string(), &error)) << error;
        EXPECT_EQ(doc.bytes(), files[i]) << "file " << i;
        EXPECT_FALSE(doc.modified());
        fs::remove(path);
        ASSERT_TRUE(doc.save(&error)) << error;
        EXPECT_EQ(readAll(path), files[i]) << "file " << i;
    }
    fs::remove_all(dir);
}

// ---- cells ------------------------------------------------------------------------------

TEST(LevelDocument, PaintingChangesOnlyTheLinesItMust) {
    struct Case {
        int column, row;
        char code;
        bool done;
        std::vector<std::string> lines; // changed lines (LF sample)
    };
    const Case cases[] = {
        /*1 blank cell inside a row*/ {5, 17, '#', true, {"21:#S  #     2                 E\n"}},
        /*2 past a short row's end*/ {4, 18, '=', true, {"22:#  =\n"}},
        /*3 an empty row*/ {32, 2, '1', true, {"6:                               1\n"}},
        /*4 the start moves*/
        {7, 3, 'S', true, {"7:      S\n", "21:#         2                 E\n"}},
        /*5 the start moves along its row*/
        {3, 17, 'S', true, {"21:# S       2                 E\n"}},
        /*6 the same code again*/ {1, 1, '#', false, {}},
        /*7 erasing past the end*/ {20, 18, ' ', false, {}},
        /*8 erasing a tile*/ {1, 19, ' ', true, {"23: ###############################\n"}},
        /*9 left of the grid*/ {0, 5, '#', false, {}},
        /*10 right of the grid*/ {33, 5, '#', false, {}},
        /*11 below the grid*/ {1, 20, '#', false, {}},
        /*12 a line end*/ {3, 3, '\n', false, {}},
        /*13 a NUL, which ends a line*/ {3, 3, '\0', false, {}},
        /*14 a CR, which the game drops*/ {3, 3, '\r', false, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        for (const std::string end : {"\n", "\r\n"}) {
            LevelDocument doc = sampleDocument(end);
            EXPECT_EQ(doc.paint(c.column, c.row, c.code), c.done) << "case " << i + 1;
            EXPECT_EQ(doc.canUndo(), c.done) << "case " << i + 1;
            std::vector<std::string> expected;
            for (std::string line : c.lines)
                expected.push_back(end == "\n" ? line : withCrLf(line));
            EXPECT_EQ(changedLines(sampleLevel(end), doc.bytes()), expected) << "case " << i + 1;
            if (c.done) {
                EXPECT_EQ(doc.cell(c.column, c.row), c.code) << "case " << i + 1;
            }
        }
    }
}

// A file cut short gains the grid lines a painted cell needs, with the file's
// own line ending, and a last line without one gets it.
TEST(LevelDocument, PaintingBelowAShortFileAddsItsLines) {
    LevelDocument doc;
    doc.load("T\r\nCoin\r\nSpikes\r\nCaves", "short.txt");
    EXPECT_EQ(doc.cell(1, 3), ' ');
    ASSERT_TRUE(doc.paint(2, 3, '2'));
    EXPECT_EQ(doc.bytes(), "T\r\nCoin\r\nSpikes\r\nCaves\r\n\r\n\r\n 2\r\n");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.bytes(), "T\r\nCoin\r\nSpikes\r\nCaves");
}

// Undo steps over paints, strokes and the moving start; each case's ops run
// on the sample, then the start of row 17 and the undo state are compared.
// Ops: Pcx paint code x at column c of row 17 (c one digit), Ec erase, [ and
// ] begin and end a stroke, u undo, r redo.
TEST(LevelDocument, UndoAndRedoSequences) {
    struct Case {
        const char* ops;
        const char* row17; // the first 9 cells of row 17
        bool canUndo, canRedo, modified;
    };
    const Case cases[] = {
        /*1*/ {"P3# P4#", "#S##     ", true, false, true},
        /*2*/ {"P3# P4# u", "#S#      ", true, true, true},
        /*3 a stroke is one step*/ {"[ P3# P4# P5# ] u", "#S       ", false, true, false},
        /*4*/ {"[ P3# P4# ] u r", "#S##     ", true, false, true},
        /*5 a change drops the redo*/ {"P3# u P4#", "#S #     ", true, false, true},
        /*6 nothing more to undo*/ {"P3# u u u", "#S       ", false, true, false},
        /*7 the start moves, undone whole*/ {"P6S u", "#S       ", false, true, false},
        /*8*/ {"P6S u r", "#    S   ", true, false, true},
        /*9 undo ends an open stroke*/ {"[ P3# P4# u", "#S       ", false, true, false},
        /*10 a stroke without change*/ {"[ ] u", "#S       ", false, false, false},
        /*11 stray ends*/ {"P3# ] ] u", "#S       ", false, true, false},
        /*12 back to the saved bytes*/ {"P3# E3", "#S       ", true, false, false},
        /*13 nested strokes are one*/ {"[ P3# [ P4# ] P5# ] u", "#S       ", false, true, false},
        /*14 redo twice*/ {"P3# P4# u u r r", "#S##     ", true, false, true},
        /*15 a stroke that undoes itself*/ {"[ P3# E3 ]", "#S       ", false, false, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        LevelDocument doc = sampleDocument();
        std::istringstream ops(cases[i].ops);
        for (std::string op; ops >> op;) {
            if (op[0] == 'P') doc.paint(op[1] - '0', 17, op[2]);
            if (op[0] == 'E') doc.erase(op[1] - '0', 17);
            if (op == "[") doc.beginStroke();
            if (op == "]") doc.endStroke();
            if (op == "u") doc.undo();
            if (op == "r") doc.redo();
        }
        std::string row;
        for (int c = 1; c <= 9; ++c)
            row += doc.cell(c, 17);
        EXPECT_EQ(row, cases[i].row17) << "case " << i + 1;
        EXPECT_EQ(doc.canUndo(), cases[i].canUndo) << "case " << i + 1;
        EXPECT_EQ(doc.canRedo(), cases[i].canRedo) << "case " << i + 1;
        EXPECT_EQ(doc.modified(), cases[i].modified) << "case " << i + 1;
    }
}

// ---- header lines -----------------------------------------------------------------------

TEST(LevelDocument, HeaderLinesChangeOneLineEach) {
    LevelDocument doc = sampleDocument("\r\n");
    EXPECT_EQ(doc.header(HeaderLine::Backdrop), "Caves");
    EXPECT_FALSE(doc.setHeader(HeaderLine::Item, "Coin"));
    ASSERT_TRUE(doc.setHeader(HeaderLine::Title, "Two\nLines\r"));
    ASSERT_TRUE(doc.setHeader(HeaderLine::Spikes, "TedSpikes"));
    EXPECT_EQ(changedLines(sampleLevel("\r\n"), doc.bytes()),
              (std::vector<std::string>{"1:TwoLines\r\n", "3:TedSpikes\r\n"}));
    doc.undo();
    EXPECT_EQ(doc.header(HeaderLine::Spikes), "Spikes");
    EXPECT_EQ(doc.header(HeaderLine::Title), "TwoLines");
}

// ---- baddie records ---------------------------------------------------------------------

TEST(LevelDocument, ReadsRecordsAsTheLoaderDoes) {
    LevelDocument doc = sampleDocument();
    ASSERT_EQ(doc.recordCount(), 2);
    const BaddieRecord guard{"Guard1", 5, 20, 1, 0, 5, 28, 20, 20, 1, 0, 5};
    const BaddieRecord bat{"Bat", 10, 8, 0, 1, 10, 10, 6, 12, 0, 1, 4};
    EXPECT_EQ(doc.record(0), guard);
    EXPECT_EQ(doc.record(1), bat);
    // Number lines as stringToInt reads them; records stop where the checker stops.
    LevelDocument odd;
    odd.load(sampleLevel().replace(sampleLevel().find("\n1\n0\n5\n28"), 3, "\n +1x\n"), "odd.txt");
    EXPECT_EQ(odd.record(0).dirX, 1);
    std::string cut = sampleLevel();
    cut.erase(cut.find("Bat\n") + 4);
    odd.load(cut + "10\n#end#\n", "cut.txt");
    EXPECT_EQ(odd.recordCount(), 1);
}

TEST(LevelDocument, EditsRecordsLineByLine) {
    struct Case {
        const char* what;
        std::function<bool(LevelDocument&)> edit;
        std::vector<std::string> lines; // changed lines
        std::vector<std::string> kinds; // the records after, in file order
    };
    const Case cases[] = {
        {"speed",
         [](LevelDocument& d) {
             BaddieRecord r = d.record(0);
             r.speedX = 3;
             return d.setRecord(0, r);
         },
         {"33:3\n"},
         {"Guard1", "Bat"}},
        {"kind",
         [](LevelDocument& d) {
             BaddieRecord r = d.record(1);
             r.kind = "Ghost";
             return d.setRecord(1, r);
         },
         {"36:Ghost\n"},
         {"Guard1", "Ghost"}},
        {"unchanged",
         [](LevelDocument& d) { return d.setRecord(0, d.record(0)); },
         {},
         {"Guard1", "Bat"}},
        {"no kind",
         [](LevelDocument& d) {
             BaddieRecord r = d.record(0);
             r.kind = "";
             return d.setRecord(0, r);
         },
         {},
         {"Guard1", "Bat"}},
        {"#end# as kind",
         [](LevelDocument& d) {
             BaddieRecord r = d.record(0);
             r.kind = "#end#";
             return d.setRecord(0, r);
         },
         {},
         {"Guard1", "Bat"}},
        {"move: start and bounds",
         [](LevelDocument& d) { return d.moveRecord(0, 7, 19); },
         {"25:7\n", "26:19\n", "29:7\n", "30:30\n", "31:19\n", "32:19\n"},
         {"Guard1", "Bat"}},
        {"bounds the wrong way round",
         [](LevelDocument& d) { return d.setBounds(1, 14, 9, 12, 5); },
         {"41:9\n", "42:14\n", "43:5\n"},
         {"Guard1", "Bat"}},
        {"remove the first",
         [](LevelDocument& d) { return d.removeRecord(0); },
         {"24:Bat\n", "25:10\n", "26:8\n", "27:0\n", "28:1\n", "29:10\n", "30:10\n", "31:6\n",
          "32:12\n", "33:0\n", "34:1\n", "35:4\n", "36:#end#\n", "-12"},
         {"Bat"}},
        {"remove past the last",
         [](LevelDocument& d) { return d.removeRecord(2); },
         {},
         {"Guard1", "Bat"}},
        {"add after the last",
         [](LevelDocument& d) {
             return d.addRecord({"Crusher", 3, 6, 0, 1, 3, 3, 6, 9, 0, 2, 7}) == 2;
         },
         {"48:Crusher\n", "+12"},
         {"Guard1", "Bat", "Crusher"}},
    };
    for (const Case& c : cases) {
        LevelDocument doc = sampleDocument();
        const bool changes = !c.lines.empty();
        EXPECT_EQ(c.edit(doc), changes) << c.what;
        std::vector<std::string> changed = changedLines(sampleLevel(), doc.bytes());
        if (changed.size() > c.lines.size()) changed.resize(c.lines.size()); // the shifted lines
        EXPECT_EQ(changed, c.lines) << c.what;
        std::vector<std::string> kinds;
        for (const BaddieRecord& r : doc.records())
            kinds.push_back(r.kind);
        EXPECT_EQ(kinds, c.kinds) << c.what;
        EXPECT_EQ(doc.undo(), changes) << c.what;
        EXPECT_EQ(doc.bytes(), sampleLevel()) << c.what;
    }
}

TEST(LevelDocument, AddedRecordsEndTheFileProperly) {
    // A file that ends with its grid gets the record and the "#end#" it lacks.
    std::string grid = sampleLevel();
    grid.erase(grid.find("Guard1"));
    LevelDocument doc;
    doc.load(grid.substr(0, grid.size() - 1), "grid.txt"); // no last line end either
    EXPECT_EQ(doc.addRecord({}), 0);
    EXPECT_EQ(doc.bytes(), grid + "Guard1\n1\n4\n1\n0\n1\n1\n4\n4\n1\n0\n5\n#end#\n");
    for (const LevelProblem& p : doc.quickDiagnostics())
        EXPECT_FALSE(p.error) << p.message;
}

TEST(LevelDocument, SelectionFollowsTheRecords) {
    LevelDocument doc = sampleDocument();
    EXPECT_EQ(doc.selected(), -1);
    doc.select(1);
    EXPECT_EQ(doc.selected(), 1);
    doc.removeRecord(0);
    EXPECT_EQ(doc.selected(), 0) << "the Bat, one place up";
    doc.undo();
    doc.select(5);
    EXPECT_EQ(doc.selected(), -1);
    EXPECT_EQ(doc.addRecord({}), 2);
    EXPECT_EQ(doc.selected(), 2);
    doc.undo();
    EXPECT_EQ(doc.selected(), 1) << "clamped to the records left";
}

// The record drawn last is the one on top; sizes come from the caller.
TEST(LevelDocument, FindsTheRecordUnderAPoint) {
    LevelDocument doc = sampleDocument();
    doc.addRecord({"Crusher", 5, 20, 0, 0, 5, 5, 20, 20, 0, 0, 5}); // on the guard
    auto size = [](const std::string& kind, int* w, int* h) {
        *w = kind == "Bat" ? 16 : 10;
        *h = 12;
    };
    const struct {
        int x, y, record;
    } cases[] = {{40, 190, 2}, {49, 201, 2}, {50, 190, -1}, {39, 190, -1},
                 {90, 70, 1},  {105, 81, 1}, {106, 70, -1}, {90, 82, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(doc.recordAt(c.x, c.y, size), c.record) << c.x << "," << c.y;
    LevelCell cell;
    EXPECT_TRUE(cellAtPixel(319, 219, &cell));
    EXPECT_EQ(cell, (LevelCell{32, 19}));
    EXPECT_FALSE(cellAtPixel(100, 29, &cell));
    EXPECT_FALSE(cellAtPixel(100, 220, &cell));
}

// ---- files ------------------------------------------------------------------------------

TEST(LevelDocument, AFileThatCannotBeWrittenLosesNothing) {
    const fs::path dir = scratchFolder("gloam-doc-save");
    const fs::path path = dir / "level1.txt";
    std::ofstream(path, std::ios::binary) << sampleLevel();
    LevelDocument doc;
    std::string error;
    ASSERT_TRUE(doc.open(path.string(), &error));
    doc.paint(3, 17, '#');
    chmod(dir.c_str(), 0555);
    const bool asUser = access(dir.c_str(), W_OK) != 0; // root writes anyway
    if (asUser) {
        EXPECT_FALSE(doc.save(&error));
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_TRUE(doc.modified());
        EXPECT_EQ(readAll(path), sampleLevel());
    }
    chmod(dir.c_str(), 0755);
    EXPECT_FALSE(doc.saveAs((dir / "missing" / "level1.txt").string(), &error));
    EXPECT_EQ(doc.path(), path.string());
    EXPECT_TRUE(doc.modified());
    ASSERT_TRUE(doc.save(&error)) << error;
    EXPECT_FALSE(doc.modified());
    EXPECT_EQ(changedLines(sampleLevel(), readAll(path)),
              (std::vector<std::string>{"21:#S#       2                 E\n"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no file left behind";
    fs::remove_all(dir);
}

// ---- problems ---------------------------------------------------------------------------

// Every level file of the test sets: the document finds what the checker of
// the whole folder finds for it, word for word and line for line.
TEST(LevelDocument, DiagnosticsAreTheCheckersOwn) {
    for (const char* set : {"broken", "moves", "loader", "traps"}) {
        int levels = 0;
        const std::vector<LevelProblem> all = checkLevelSet(testLevels(set), &levels);
        for (int level = 1; level <= levels; ++level) {
            const std::string file = testLevels(set) + "/level" + std::to_string(level) + ".txt";
            LevelDocument doc;
            std::string error;
            if (!doc.open(file, &error)) continue; // a missing file is the folder's problem
            std::vector<std::string> expected, got;
            for (const LevelProblem& p : all)
                if (p.file == file) expected.push_back(std::to_string(p.line) + p.message);
            for (const LevelProblem& p : doc.diagnostics())
                got.push_back(std::to_string(p.line) + p.message);
            EXPECT_EQ(got, expected) << file;
        }
    }
}

TEST(LevelDocument, DiagnosticsPointAtTheirCellOrRecord) {
    LevelDocument doc;
    std::string error;
    ASSERT_TRUE(doc.open(testLevels("broken") + "/level1.txt", &error)) << error;
    struct Where {
        const char* message;
        LevelCell cell;
        int record;
    };
    const Where expected[] = {
        {"unknown item keyword", {0, 0}, -1},       {"row 1 is 34", {32, 1}, -1},
        {"unknown tile character 'x'", {3, 2}, -1}, {"unknown baddie keyword", {0, 0}, 0},
        {"expected a number", {0, 0}, 1},
    };
    const std::vector<LevelProblem>& problems = doc.diagnostics();
    for (const Where& w : expected) {
        const auto p = std::find_if(problems.begin(), problems.end(), [&](const LevelProblem& p) {
            return p.message.starts_with(w.message);
        });
        ASSERT_NE(p, problems.end()) << w.message;
        EXPECT_EQ(p->cell, w.cell) << w.message;
        EXPECT_EQ(p->record, w.record) << w.message;
    }
    // Painting the bad cell clears its problem at once.
    ASSERT_TRUE(doc.paint(3, 2, ' '));
    for (const LevelProblem& p : doc.quickDiagnostics())
        EXPECT_EQ(p.message.find("'x'"), std::string::npos);
}

// A pit without a way out is a trap, also under a crumbling floor; a ladder
// out or a spike at its foot (the try can end there) is not. Level 20 as it
// shipped has pockets left only through a baddie or a spike: no traps either.
TEST(LevelTraps, FindsPlacesWithNoWayOut) {
    struct Case {
        int level;
        size_t traps;
        LevelCell inside; // a cell of the first trap
    };
    const Case cases[] = {{1, 1, {10, 18}}, {2, 0, {}}, {3, 0, {}}, {4, 0, {}}, {5, 1, {11, 18}}};
    for (const Case& c : cases) {
        std::vector<LevelTrap> traps;
        std::string error;
        ASSERT_TRUE(findTraps(sharedSession(), testLevels("traps"), c.level, &traps, &error))
            << error;
        ASSERT_EQ(traps.size(), c.traps) << "level " << c.level;
        if (c.traps == 0) continue;
        const std::vector<LevelCell>& cells = traps[0].cells;
        EXPECT_NE(std::find(cells.begin(), cells.end(), c.inside), cells.end());
        // Nothing of the floor the miner walks on before the pit.
        EXPECT_EQ(std::find(cells.begin(), cells.end(), LevelCell{3, 10}), cells.end());
    }
    // A level too large for the search is not judged at all, rather than
    // judged free of traps.
    std::vector<LevelTrap> traps;
    std::string error;
    EXPECT_FALSE(findTraps(sharedSession(), testLevels("traps"), 2, &traps, &error, 100));
    EXPECT_EQ(error, "more than 100 places to search");
    const ToolOutput out = runLevelTool("check " + testLevels("traps"));
    EXPECT_EQ(out.status, 0) << out.text;
    EXPECT_NE(out.text.find("level1.txt:13: warning: a trap at column 10 of row 9"),
              std::string::npos)
        << out.text;
}

// ---- the levels folder ------------------------------------------------------------------

TEST(LevelFolder, PagesAppendsAndRaisesTheCount) {
    const fs::path dir = scratchFolder("gloam-doc-folder");
    fs::copy(std::string(GLOAM_SOURCE_DIR) + "/levels", dir);
    std::ofstream(dir / "levels.txt", std::ios::binary | std::ios::trunc) << "3\r\nnotes\r\n";
    LevelFolder folder;
    std::string error;
    ASSERT_TRUE(folder.open(dir.string(), &error)) << error;
    ASSERT_EQ(folder.count(), 3);
    EXPECT_FALSE(folder.previous());
    EXPECT_TRUE(folder.next());
    EXPECT_TRUE(folder.next());
    EXPECT_FALSE(folder.next());
    EXPECT_EQ(folder.current(), 3);
    EXPECT_EQ(folder.document().bytes(), readAll(dir / "level3.txt"));
    EXPECT_FALSE(folder.modified());

    EXPECT_EQ(folder.append(), 4);
    EXPECT_EQ(folder.current(), 4);
    EXPECT_TRUE(folder.modified());
    EXPECT_EQ(folder.document().path(), (dir / "level4.txt").string());
    folder.level(1).paint(3, 3, '2');
    ASSERT_TRUE(folder.save(&error)) << error;
    EXPECT_FALSE(folder.modified());
    EXPECT_EQ(readAll(dir / "levels.txt"), "4\r\nnotes\r\n");
    EXPECT_EQ(readAll(dir / "level4.txt"), newLevelText("\n"));
    EXPECT_EQ(changedLines(readAll(std::string(GLOAM_SOURCE_DIR) + "/levels/level1.txt"),
                           readAll(dir / "level1.txt"))
                  .size(),
              1u);
    // The new level is clean, trap-free and playable.
    int levels = 0;
    EXPECT_TRUE(checkLevelSet(dir.string(), &levels).empty());
    EXPECT_EQ(levels, 4);

    LevelFolder bad;
    std::ofstream(dir / "levels.txt", std::ios::trunc) << "0\n";
    EXPECT_FALSE(bad.open(dir.string(), &error));
    EXPECT_NE(error.find("levels.txt"), std::string::npos);
    EXPECT_FALSE(bad.open((dir / "nowhere").string(), &error));
    fs::remove_all(dir);
}

} // namespace
