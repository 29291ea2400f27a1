// level_check.cpp - the rules of `gloam-level check`. Files are read as the
// game reads them (a line ends at LF or NUL, CR is dropped), but unlike the
// game the checker knows where a file ends, so it can tell a missing line
// from an empty one.
#include "level_check.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/io/convert.h"
#include "engine/io/stream.h"
#include "level_scratch.h"
#include "level_traps.h"
#include "world/assets.h"
#include "world/baddies.h"
#include "world/level_loader.h"

// Every code the loader turns into something; a blank is the empty cell.
const char* const LEVEL_TILE_CODES = "1#=[{]-\\/;:R\"'234DSEHPM*<>|";
const std::vector<std::string> LEVEL_ITEM_KEYWORDS = {"Coin", "Key", "Cup", "Candle", "Coal"};
const std::vector<std::string> LEVEL_SPIKE_KEYWORDS = {"Spikes", "TedSpikes", "VexelSpikes"};
const std::vector<std::string> LEVEL_BACKDROP_KEYWORDS = {"Woods", "Caves", "Abbey"};

namespace {

constexpr int HEADER_LINES = 4;
constexpr int RECORD_NUMBERS = 11;
constexpr int PATROL_TICKS = 5600; // one full air supply: all a try can show

const char* const RECORD_FIELDS[RECORD_NUMBERS] = {
    "start column",      "start row",          "horizontal direction", "vertical direction",
    "left bound column", "right bound column", "upper bound row",      "lower bound row",
    "horizontal speed",  "vertical speed",     "frame delay"};

bool oneOf(const std::string& s, const std::vector<std::string>& words) {
    return std::find(words.begin(), words.end(), s) != words.end();
}

// The whole file; false when it cannot be opened.
bool readBytes(const std::string& path, std::string* data) {
    if (fileType(path) != 1) return false; // a named pipe would wait for ever
    StreamPtr stream = openStream(path, true, false);
    if (!stream) return false;
    char buffer[4096];
    while (size_t n = stream->read(buffer, sizeof buffer))
        data->append(buffer, n);
    closeStream(stream);
    return true;
}

void splitLines(const std::string& data, std::vector<std::string>* lines) {
    std::string line;
    bool open = false; // characters since the last line end
    for (char c : data) {
        if (c == '\n' || c == '\0') {
            lines->push_back(line);
            line.clear();
            open = false;
        } else {
            if (c != '\r') line += c;
            open = true;
        }
    }
    if (open) lines->push_back(line);
}

bool readLines(const std::string& path, std::vector<std::string>* lines) {
    std::string data;
    if (!readBytes(path, &data)) return false;
    splitLines(data, lines);
    return true;
}

// Optional blanks, an optional sign, digits that fit an int, optional blanks.
bool isNumber(const std::string& s) {
    size_t begin = s.find_first_not_of(' ');
    size_t end = s.find_last_not_of(' ');
    if (begin == std::string::npos) return false;
    if (s[begin] == '+') {
        ++begin;
        if (begin > end || s[begin] == '-') return false;
    }
    int value = 0;
    auto [ptr, ec] = std::from_chars(s.data() + begin, s.data() + end + 1, value);
    return ec == std::errc() && ptr == s.data() + end + 1;
}

std::string shown(char c) {
    if (std::isprint(static_cast<unsigned char>(c))) return std::string("'") + c + "'";
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
    return hex;
}

LevelProblem problemAt(const std::string& file, int line, bool error, const std::string& message) {
    LevelProblem p;
    p.file = file;
    p.line = line;
    p.error = error;
    p.message = message;
    return p;
}

struct FileCheck {
    std::string file;
    std::vector<LevelProblem>& out;
    // Where the problems met next are: a grid cell, a record.
    LevelCell cell;
    int record = -1;
    void add(int line, bool error, const std::string& message) {
        out.push_back({file, line, error, message, cell, record, {}});
    }
    void error(int line, const std::string& message) { add(line, true, message); }
    void warning(int line, const std::string& message) { add(line, false, message); }
    void at(int column, int row) { cell = {column, row}; }
};

void checkHeader(FileCheck& check, const std::vector<std::string>& lines) {
    if (lines.size() >= 2 && !oneOf(lines[1], LEVEL_ITEM_KEYWORDS))
        check.error(2,
                    "unknown item keyword \"" + lines[1] + "\" (Coin, Key, Cup, Candle or Coal)");
    if (lines.size() >= 3 && !oneOf(lines[2], LEVEL_SPIKE_KEYWORDS))
        check.warning(3, "unknown spike style \"" + lines[2] +
                             "\": the previous level's style is kept");
    if (lines.size() >= 4 && !oneOf(lines[3], LEVEL_BACKDROP_KEYWORDS))
        check.warning(4, "unknown backdrop \"" + lines[3] + "\": the level shows black");
}

// The code in a grid cell (row and column from 1), a blank past a row's end.
char cellAt(const std::vector<std::string>& lines, int row, int column) {
    if (row < 1 || row > GRID_ROWS || column < 1 || column > GRID_COLUMNS) return ' ';
    const std::string& text = lines[HEADER_LINES + row - 1];
    return column <= static_cast<int>(text.size()) ? text[column - 1] : ' ';
}

std::string cellName(int row, int column) {
    return "column " + std::to_string(column) + " of row " + std::to_string(row);
}

// The miner is two cells tall and the exit two cells wide and tall, so each
// covers cells beyond its own: a tile there traps the miner at the start or
// hides under the door.
void checkRoomForStartAndExit(FileCheck& check, const std::vector<std::string>& lines) {
    // Floors, walls, slopes, spikes and the door: what a start may not overlap.
    constexpr const char* BLOCKING = "1#{]\\/;:\"'34DE<>";
    // Every code that draws a tile.
    constexpr const char* TILES = "1#=[{]-\\/;:R\"'34DEHP<>|";
    for (int row = 1; row <= GRID_ROWS; ++row) {
        for (int column = 1; column <= GRID_COLUMNS; ++column) {
            const char code = cellAt(lines, row, column);
            check.at(column, row);
            if (code == 'S') {
                const char below = cellAt(lines, row + 1, column);
                if (row == GRID_ROWS || std::strchr(BLOCKING, below))
                    check.warning(HEADER_LINES + row,
                                  "the start at " + cellName(row, column) +
                                      (row == GRID_ROWS
                                           ? " is on the last row"
                                           : " has the tile " + shown(below) + " below it") +
                                      ": the miner is two cells tall");
            }
            if (code != 'E') continue;
            const int covered[3][2] = {{row, column + 1}, {row + 1, column}, {row + 1, column + 1}};
            for (const auto& [r, c] : covered) {
                const char other = cellAt(lines, r, c);
                if (other != ' ' && std::strchr(TILES, other))
                    check.warning(HEADER_LINES + row, "the exit at " + cellName(row, column) +
                                                          " covers the tile " + shown(other) +
                                                          " at " + cellName(r, c) +
                                                          ": the exit is two cells wide and tall");
            }
        }
    }
}

void checkGrid(FileCheck& check, const std::vector<std::string>& lines) {
    const int last = static_cast<int>(lines.size());
    if (last < HEADER_LINES + GRID_ROWS) {
        const int rows = last > HEADER_LINES ? last - HEADER_LINES : 0;
        check.error(last + 1,
                    "the file ends after " + std::to_string(rows) + " of the 19 grid lines");
    }
    int starts = 0, exits = 0, items = 0;
    for (int row = 1; row <= GRID_ROWS && HEADER_LINES + row <= last; ++row) {
        const int number = HEADER_LINES + row;
        const std::string& text = lines[number - 1];
        check.at(GRID_COLUMNS, row);
        if (text.size() > GRID_COLUMNS)
            check.warning(number, "row " + std::to_string(row) + " is " +
                                      std::to_string(text.size()) +
                                      " characters long; those after the 32nd are ignored");
        for (size_t c = 0; c < text.size() && c < GRID_COLUMNS; ++c) {
            const char code = text[c];
            starts += code == 'S';
            exits += code == 'E';
            items += code == '2';
            check.at(static_cast<int>(c) + 1, row);
            if (code != ' ' && (code == '\0' || !std::strchr(LEVEL_TILE_CODES, code)))
                check.warning(number, "unknown tile character " + shown(code) + " in column " +
                                          std::to_string(c + 1) + " (an empty cell)");
        }
    }
    if (last < HEADER_LINES + GRID_ROWS) return; // a cut-off grid says nothing about its tiles
    checkRoomForStartAndExit(check, lines);
    check.at(0, 0);
    if (!starts) check.warning(HEADER_LINES + 1, "no start tile \"S\"");
    if (!exits) check.warning(HEADER_LINES + 1, "no exit tile \"E\"");
    if (!items) check.warning(HEADER_LINES + 1, "no items (\"2\"): the exit is open at once");
}

// A baddie above the grid covers the lives and the score. Its vertical patrol
// is played for one air supply with the game's own rule to find its top.
void checkPatrolStaysInGrid(FileCheck& check, int line, const std::string& keyword,
                            const int (&n)[RECORD_NUMBERS]) {
    int y = cellToPixels(n[1]), dirY = n[3];
    const int minY = cellToPixels(n[6]), maxY = cellToPixels(n[7]), speedY = n[9];
    int top = y;
    for (int tick = 0; tick < PATROL_TICKS && dirY != 0; ++tick) {
        patrolAxis(y, dirY, speedY, minY, maxY);
        top = std::min(top, y);
    }
    if (top < GRID_TOP)
        check.warning(line, "the " + keyword + " reaches y " + std::to_string(top) +
                                ", above the grid (y " + std::to_string(GRID_TOP) +
                                "): it covers the status band");
}

void checkRecords(FileCheck& check, const std::vector<std::string>& lines) {
    const int last = static_cast<int>(lines.size());
    int number = HEADER_LINES + GRID_ROWS + 1;
    if (number > last + 1) return; // the short grid is already reported
    check.at(0, 0);
    for (check.record = 0;; ++check.record) {
        if (number > last) {
            check.record = -1;
            check.error(number, "no \"#end#\" line after the baddie records");
            return;
        }
        const std::string& keyword = lines[number - 1];
        if (keyword == "#end#") return;
        if (keyword.empty()) {
            check.record = -1;
            check.error(number, "expected a baddie keyword or #end#");
            return;
        }
        const bool known = baddieKindIndex(keyword) >= 0;
        if (!known) check.error(number, "unknown baddie keyword \"" + keyword + "\"");
        int values[RECORD_NUMBERS] = {};
        bool numbers = true;
        for (int field = 0; field < RECORD_NUMBERS; ++field) {
            const int at = number + 1 + field;
            if (at > last) {
                check.error(at, "record cut short: the file ends before its " +
                                    std::string(RECORD_FIELDS[field]));
                return;
            }
            const std::string& text = lines[at - 1];
            if (text == "#end#" || baddieKindIndex(text) >= 0) {
                check.error(at, "record cut short: \"" + text + "\" where its " +
                                    RECORD_FIELDS[field] + " should be");
                return;
            }
            if (!isNumber(text)) {
                check.error(at, "expected a number (" + std::string(RECORD_FIELDS[field]) +
                                    "), found \"" + text + "\"");
                numbers = false;
            }
            values[field] = stringToInt(text);
        }
        if (known && numbers) checkPatrolStaysInGrid(check, number, keyword, values);
        number += 1 + RECORD_NUMBERS;
    }
}

void checkLevelLines(const std::string& file, const std::vector<std::string>& lines,
                     std::vector<LevelProblem>& out) {
    FileCheck check{file, out, {}, -1};
    checkHeader(check, lines);
    checkGrid(check, lines);
    checkRecords(check, lines);
}

bool hasErrors(const std::vector<LevelProblem>& problems, size_t from) {
    for (size_t i = from; i < problems.size(); ++i)
        if (problems[i].error) return true;
    return false;
}

// One warning per trap, on the grid line of its first cell.
void reportTraps(const std::string& file, const std::vector<LevelTrap>& traps,
                 std::vector<LevelProblem>& out) {
    for (const LevelTrap& trap : traps) {
        const LevelCell first = trap.cells.front();
        out.push_back({file, HEADER_LINES + first.row, false,
                       "a trap at " + cellName(first.row, first.column) + " (" +
                           std::to_string(trap.cells.size()) +
                           " cells): the miner gets in from the start but never out, "
                           "nor to the exit or a hazard",
                       first, -1, trap.cells});
    }
}

// The highest N of the files levelN.txt in the folder (0 when there are none).
int lastLevelFile(const std::string& directory) {
    int last = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("level") || !name.ends_with(".txt")) continue;
        const char* first = name.data() + 5;
        const char* end = name.data() + name.size() - 4;
        int n = 0;
        auto [ptr, ec] = std::from_chars(first, end, n);
        if (ec == std::errc() && ptr == end && first != end && *first != '0')
            last = std::max(last, n);
    }
    return last;
}

// Plays a copy of the level whose title is cut short: the title is drawn
// every tick and decides nothing, and a very long one would make the search
// crawl.
void lookForTraps(const std::string& file, const std::string& bytes, Headless& session,
                  std::vector<LevelProblem>& out) {
    const size_t end = bytes.find_first_of(std::string("\n\0", 2));
    const ScratchLevelFolder folder("Traps" + (end == std::string::npos ? "" : bytes.substr(end)));
    std::vector<LevelTrap> traps;
    std::string error;
    if (!folder.ok())
        error = "cannot write a copy to play";
    else if (findTraps(session, folder.directory(), 1, &traps, &error))
        return reportTraps(file, traps, out);
    // A level that could not be judged must not pass as free of traps.
    out.push_back(problemAt(file, 1, false, "traps not searched: " + error));
}

} // namespace

std::vector<LevelProblem> checkLevelSet(const std::string& directory, int* levels, bool traps) {
    std::vector<LevelProblem> out;
    *levels = 0;
    const std::string index = directory + "/levels.txt";
    std::vector<std::string> lines;
    if (!readLines(index, &lines)) {
        out.push_back(problemAt(index, 1, true, "cannot open the level count file"));
        return out;
    }
    const std::string first = lines.empty() ? std::string() : lines[0];
    int count = 0;
    auto [ptr, ec] = std::from_chars(first.data(), first.data() + first.size(), count);
    if (first.empty() || ec != std::errc() || ptr != first.data() + first.size() || count <= 0) {
        out.push_back(problemAt(index, 1, true,
                                "the level count \"" + first + "\" is not a positive number"));
        return out;
    }
    *levels = count;
    // A count far past the files (a slip such as 100000) is one problem, not
    // one per missing file: the files beyond the last one are not looked for.
    const int last = lastLevelFile(directory);
    if (count > last)
        out.push_back(problemAt(
            index, 1, true,
            "the level count is " + std::to_string(count) +
                (last ? ", but the last level file is level" + std::to_string(last) + ".txt"
                      : ", but there are no level files")));
    std::unique_ptr<Headless> session; // made for the first level worth playing
    for (int level = 1; level <= count && level <= last; ++level) {
        const std::string file = directory + "/level" + std::to_string(level) + ".txt";
        std::vector<std::string> lines;
        if (!readLines(file, &lines)) {
            out.push_back(problemAt(file, 1, true, "cannot open the level file"));
            continue;
        }
        const size_t first = out.size();
        checkLevelLines(file, lines, out);
        if (!traps || hasErrors(out, first)) continue; // the game would not play it
        if (!session) session = std::make_unique<Headless>();
        std::string bytes;
        if (readBytes(file, &bytes)) lookForTraps(file, bytes, *session, out);
    }
    return out;
}

std::vector<LevelProblem> checkLevelText(const std::string& file, const std::string& bytes,
                                         bool traps) {
    if (!traps) return checkLevelText(file, bytes, nullptr);
    Headless session;
    return checkLevelText(file, bytes, &session);
}

std::vector<LevelProblem> checkLevelText(const std::string& file, const std::string& bytes,
                                         Headless* session) {
    std::vector<LevelProblem> out;
    std::vector<std::string> lines;
    splitLines(bytes, &lines);
    checkLevelLines(file, lines, out);
    if (session && !hasErrors(out, 0)) lookForTraps(file, bytes, *session, out);
    return out;
}
