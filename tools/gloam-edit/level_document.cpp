// level_document.cpp - the document keeps the file as lines with their own
// endings and changes them in place; every change keeps the lines before it
// for undo (a level is a few hundred short lines, so whole copies are cheap).
#include "level_document.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/io/convert.h"
#include "engine/io/stream.h"
#include "shell/replay.h"
#include "world/assets.h"
#include "world/level_loader.h"

namespace {

constexpr int RECORD_LINES = 12;
constexpr int FIRST_RECORD_LINE = LEVEL_HEADER_LINES + GRID_ROWS + 1;

bool isLineEnd(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

std::string withoutLineEnds(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!isLineEnd(c)) out += c;
    return out;
}

// The whole file; false with a message when it cannot be read.
bool readFile(const std::string& path, std::string* bytes, std::string* error) {
    if (fileType(path) != 1) {
        *error = "cannot open " + path + ": not a file";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) *error = "cannot read " + path;
    return ok;
}

// Writes a sibling file and renames it over `path`, so a failure leaves the
// old file whole. The old file's permissions are kept.
bool writeFileWhole(const std::string& path, const std::string& bytes, std::string* error) {
    const std::string temporary = path + ".saving~";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool flushed = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    const int code = errno;
    if (std::fclose(f) != 0 || !written || !flushed) {
        std::remove(temporary.c_str());
        *error = "cannot write " + path + ": " + std::strerror(code ? code : EIO);
        return false;
    }
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) chmod(temporary.c_str(), old.st_mode & 07777);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

bool cellAtPixel(int x, int y, LevelCell* cell) {
    if (x < 0 || y < GRID_TOP) return false;
    const int column = x / TILE_SIZE + 1, row = (y - GRID_TOP) / TILE_SIZE + 1;
    if (column > GRID_COLUMNS || row > GRID_ROWS) return false;
    *cell = {column, row};
    return true;
}

// ---- Files ---------------------------------------------------------------------------------

bool LevelDocument::open(const std::string& path, std::string* error) {
    std::string bytes;
    if (!readFile(path, &bytes, error)) return false;
    load(bytes, path);
    return true;
}

void LevelDocument::load(const std::string& bytes, const std::string& path) {
    path_ = path;
    now_.clear();
    Line line;
    bool open = false;
    for (char c : bytes) {
        if (c == '\n' || c == '\0') {
            line.end = c;
            if (c == '\n' && !line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end = "\r\n";
            }
            now_.push_back(std::move(line));
            line = Line{};
            open = false;
        } else {
            line.text += c;
            open = true;
        }
    }
    if (open) now_.push_back(std::move(line));
    saved_ = now_;
    undo_.clear();
    redo_.clear();
    strokeDepth_ = 0;
    strokeChanged_ = false;
    selected_ = -1;
    ++revision_;
    parseRecords();
}

bool LevelDocument::save(std::string* error) {
    if (path_.empty()) {
        *error = "the level has no file name";
        return false;
    }
    if (!writeFileWhole(path_, bytes(), error)) return false;
    saved_ = now_;
    return true;
}

bool LevelDocument::saveAs(const std::string& path, std::string* error) {
    const std::string old = path_;
    path_ = path;
    if (save(error)) return true;
    path_ = old;
    return false;
}

std::string LevelDocument::bytes() const {
    std::string out;
    for (const Line& line : now_)
        out += line.text + line.end;
    return out;
}

bool LevelDocument::modified() const {
    return now_ != saved_;
}

// ---- Lines ---------------------------------------------------------------------------------

std::string LevelDocument::textOf(int number) const {
    if (number < 1 || number > static_cast<int>(now_.size())) return std::string();
    std::string text = now_[static_cast<size_t>(number - 1)].text;
    std::erase(text, '\r');
    return text;
}

std::string LevelDocument::newLineEnd() const {
    if (!now_.empty() && (now_[0].end == "\n" || now_[0].end == "\r\n")) return now_[0].end;
    return "\n";
}

// Lines past the file's end are added (empty) up to `number`.
void LevelDocument::setLine(int number, const std::string& text) {
    while (static_cast<int>(now_.size()) < number)
        insertLine(static_cast<int>(now_.size()) + 1, std::string());
    Line& line = now_[static_cast<size_t>(number - 1)];
    if (line.text != text) line.text = text;
}

void LevelDocument::insertLine(int number, const std::string& text) {
    // The line before gets an ending if the file had none after it.
    if (number > 1 && number - 1 == static_cast<int>(now_.size()) && now_.back().end.empty())
        now_.back().end = newLineEnd();
    now_.insert(now_.begin() + (number - 1), Line{text, newLineEnd()});
}

// ---- Changes and undo -------------------------------------------------------------------------

void LevelDocument::beginStroke() {
    ++strokeDepth_;
}

void LevelDocument::endStroke() {
    if (strokeDepth_ == 0) return;
    if (--strokeDepth_ == 0 && strokeChanged_) {
        if (strokeBefore_ != now_) undo_.push_back(std::move(strokeBefore_)); // not undone within
        strokeChanged_ = false;
    }
}

bool LevelDocument::commit(std::vector<Line>&& before) {
    if (before == now_) return false;
    if (strokeDepth_ > 0) {
        if (!strokeChanged_) strokeBefore_ = std::move(before);
        strokeChanged_ = true;
    } else {
        undo_.push_back(std::move(before));
    }
    redo_.clear();
    changed();
    return true;
}

void LevelDocument::changed() {
    ++revision_;
    parseRecords();
    if (selected_ >= recordCount()) selected_ = recordCount() - 1;
}

bool LevelDocument::canUndo() const {
    return !undo_.empty() || strokeChanged_;
}

bool LevelDocument::canRedo() const {
    return !redo_.empty();
}

bool LevelDocument::undo() {
    while (strokeDepth_ > 0) // an unfinished stroke ends here
        endStroke();
    if (undo_.empty()) return false;
    redo_.push_back(std::move(now_));
    now_ = std::move(undo_.back());
    undo_.pop_back();
    changed();
    return true;
}

bool LevelDocument::redo() {
    while (strokeDepth_ > 0)
        endStroke();
    if (redo_.empty()) return false;
    undo_.push_back(std::move(now_));
    now_ = std::move(redo_.back());
    redo_.pop_back();
    changed();
    return true;
}

// ---- Cells ---------------------------------------------------------------------------------

char LevelDocument::cell(int column, int row) const {
    if (column < 1 || column > GRID_COLUMNS || row < 1 || row > GRID_ROWS) return 0;
    const std::string text = textOf(LEVEL_HEADER_LINES + row);
    return column <= static_cast<int>(text.size()) ? text[static_cast<size_t>(column - 1)] : ' ';
}

bool LevelDocument::paint(int column, int row, char code) {
    if (cell(column, row) == 0 || isLineEnd(code) || cell(column, row) == code) return false;
    std::vector<Line> before = now_;
    auto put = [&](int c, int r, char value) {
        std::string text = textOf(LEVEL_HEADER_LINES + r);
        if (static_cast<int>(text.size()) < c) {
            if (value == ' ') return; // past the row's end is empty already
            text.resize(static_cast<size_t>(c), ' ');
        }
        text[static_cast<size_t>(c - 1)] = value;
        setLine(LEVEL_HEADER_LINES + r, text);
    };
    if (code == 'S')
        for (int r = 1; r <= GRID_ROWS; ++r)
            for (int c = 1; c <= GRID_COLUMNS; ++c)
                if (cell(c, r) == 'S') put(c, r, ' ');
    put(column, row, code);
    return commit(std::move(before));
}

bool LevelDocument::start(LevelCell* where) const {
    for (int r = 1; r <= GRID_ROWS; ++r)
        for (int c = 1; c <= GRID_COLUMNS; ++c)
            if (cell(c, r) == 'S') {
                *where = {c, r};
                return true;
            }
    return false;
}

// ---- Header lines -----------------------------------------------------------------------------

std::string LevelDocument::header(HeaderLine line) const {
    return textOf(static_cast<int>(line) + 1);
}

bool LevelDocument::setHeader(HeaderLine line, const std::string& text) {
    const std::string clean = withoutLineEnds(text);
    if (header(line) == clean) return false;
    std::vector<Line> before = now_;
    setLine(static_cast<int>(line) + 1, clean);
    return commit(std::move(before));
}

// ---- Baddie records ---------------------------------------------------------------------------

// The same walk over the records as the checker's: a record is whole when
// its keyword is not empty and none of its eleven lines is missing, "#end#"
// or a keyword.
void LevelDocument::parseRecords() {
    records_.clear();
    recordLines_.clear();
    endLine_ = 0;
    const int last = static_cast<int>(now_.size());
    for (int number = FIRST_RECORD_LINE; number <= last; number += RECORD_LINES) {
        const std::string keyword = textOf(number);
        if (keyword == "#end#") {
            endLine_ = number;
            return;
        }
        if (keyword.empty() || number + RECORD_LINES - 1 > last) return;
        int n[RECORD_LINES - 1] = {};
        for (int field = 0; field < RECORD_LINES - 1; ++field) {
            const std::string text = textOf(number + 1 + field);
            if (text == "#end#" || baddieKindIndex(text) >= 0) return;
            n[field] = stringToInt(text);
        }
        records_.push_back(
            {keyword, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10]});
        recordLines_.push_back(number);
    }
}

namespace {

std::vector<int> recordNumbers(const BaddieRecord& r) {
    return {r.column, r.row,    r.dirX,   r.dirY,   r.left,      r.right,
            r.top,    r.bottom, r.speedX, r.speedY, r.frameDelay};
}

bool usableKind(const std::string& kind) {
    return !kind.empty() && kind != "#end#" && withoutLineEnds(kind) == kind;
}

} // namespace

BaddieRecord LevelDocument::record(int index) const {
    if (index < 0 || index >= recordCount()) return BaddieRecord{};
    return records_[static_cast<size_t>(index)];
}

int LevelDocument::addRecord(const BaddieRecord& record) {
    if (!usableKind(record.kind)) return -1;
    std::vector<Line> before = now_;
    const int at = FIRST_RECORD_LINE + RECORD_LINES * recordCount();
    // Past the file's end (a grid alone, or records without "#end#") the
    // lines before are filled out and the record gets the "#end#" it needs.
    const bool atEnd = at > static_cast<int>(now_.size());
    if (atEnd) setLine(at - 1, textOf(at - 1));
    std::vector<std::string> texts = {record.kind};
    for (int n : recordNumbers(record))
        texts.push_back(std::to_string(n));
    if (atEnd) texts.push_back("#end#");
    for (size_t i = 0; i < texts.size(); ++i)
        insertLine(at + static_cast<int>(i), texts[i]);
    commit(std::move(before));
    selected_ = recordCount() - 1;
    return selected_;
}

bool LevelDocument::setRecord(int index, const BaddieRecord& record) {
    if (index < 0 || index >= recordCount() || !usableKind(record.kind)) return false;
    const int first = recordLines_[static_cast<size_t>(index)];
    const BaddieRecord old = records_[static_cast<size_t>(index)];
    std::vector<Line> before = now_;
    if (old.kind != record.kind) setLine(first, record.kind);
    const std::vector<int> was = recordNumbers(old), now = recordNumbers(record);
    for (size_t i = 0; i < now.size(); ++i)
        if (was[i] != now[i]) setLine(first + 1 + static_cast<int>(i), std::to_string(now[i]));
    return commit(std::move(before));
}

bool LevelDocument::moveRecord(int index, int column, int row) {
    BaddieRecord r = record(index);
    // A file may hold any int: the bounds move as far as an int can go.
    auto shift = [](int value, int64_t by) {
        return static_cast<int>(std::clamp<int64_t>(value + by, INT_MIN, INT_MAX));
    };
    const int64_t dx = int64_t{column} - r.column, dy = int64_t{row} - r.row;
    r.column = column;
    r.left = shift(r.left, dx);
    r.right = shift(r.right, dx);
    r.row = row;
    r.top = shift(r.top, dy);
    r.bottom = shift(r.bottom, dy);
    return setRecord(index, r);
}

bool LevelDocument::setBounds(int index, int left, int right, int top, int bottom) {
    BaddieRecord r = record(index);
    r.left = std::min(left, right);
    r.right = std::max(left, right);
    r.top = std::min(top, bottom);
    r.bottom = std::max(top, bottom);
    return setRecord(index, r);
}

bool LevelDocument::removeRecord(int index) {
    if (index < 0 || index >= recordCount()) return false;
    std::vector<Line> before = now_;
    const auto first = now_.begin() + (recordLines_[static_cast<size_t>(index)] - 1);
    now_.erase(first, first + RECORD_LINES);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    return commit(std::move(before));
}

void LevelDocument::select(int index) {
    selected_ = index >= 0 && index < recordCount() ? index : -1;
}

int LevelDocument::recordAt(int x, int y,
                            const std::function<void(const std::string&, int*, int*)>& size) const {
    for (int i = recordCount() - 1; i >= 0; --i) { // the last drawn is on top
        const BaddieRecord& r = records_[static_cast<size_t>(i)];
        int w = TILE_SIZE, h = TILE_SIZE;
        if (size) size(r.kind, &w, &h);
        const int left = cellToPixels(r.column), top = cellToPixels(r.row);
        if (x >= left && x < left + w && y >= top && y < top + h) return i;
    }
    return -1;
}

// ---- Problems ------------------------------------------------------------------------------

const std::vector<LevelProblem>& LevelDocument::diagnostics() {
    if (diagnosedRevision_ != revision_) {
        // One session for every document: its pictures and sounds are slow to load.
        static Headless session;
        diagnostics_ = checkLevelText(path_, bytes(), &session);
        diagnosedRevision_ = revision_;
    }
    return diagnostics_;
}

std::vector<LevelProblem> LevelDocument::quickDiagnostics() const {
    return checkLevelText(path_, bytes(), nullptr);
}

// ---- New levels and the levels folder -----------------------------------------------------------

std::string newLevelText(const std::string& end) {
    std::string text = "New level" + end + "Coin" + end + "Spikes" + end + "Caves" + end;
    const std::string wall(GRID_COLUMNS, '#');
    for (int row = 1; row <= GRID_ROWS; ++row) {
        std::string line = wall;
        if (row > 1 && row < GRID_ROWS) line.replace(1, GRID_COLUMNS - 2, GRID_COLUMNS - 2, ' ');
        if (row == 17) line[2] = 'S', line[28] = 'E';
        if (row == 18) line[15] = '2';
        text += line + end;
    }
    return text + "#end#" + end;
}

bool LevelFolder::open(const std::string& directory, std::string* error) {
    const std::string index = directory + "/levels.txt";
    std::string bytes;
    if (!readFile(index, &bytes, error)) return false;
    const std::string first = bytes.substr(0, bytes.find_first_of(std::string("\n\0", 2)));
    const int count = stringToInt(withoutLineEnds(first));
    if (count <= 0 || count > MAX_LEVELS) {
        *error = index + ": the level count \"" + withoutLineEnds(first) +
                 "\" is not a number from 1 to " + std::to_string(MAX_LEVELS);
        return false;
    }
    directory_ = directory;
    indexBytes_ = bytes;
    savedCount_ = count;
    levels_.clear();
    for (int level = 1; level <= count; ++level) {
        auto doc = std::make_unique<LevelDocument>();
        const std::string path = directory + "/level" + std::to_string(level) + ".txt";
        std::string problem;
        if (!doc->open(path, &problem)) doc->load(std::string(), path); // shows as a broken level
        levels_.push_back(std::move(doc));
    }
    current_ = 1;
    return true;
}

bool LevelFolder::go(int number) {
    if (number < 1 || number > count() || number == current_) return false;
    current_ = number;
    return true;
}

bool LevelFolder::next() {
    return go(current_ + 1);
}

bool LevelFolder::previous() {
    return go(current_ - 1);
}

int LevelFolder::append() {
    const std::string end = levels_.empty() ? "\n" : levels_.front()->newLineEnd();
    auto doc = std::make_unique<LevelDocument>();
    const int number = count() + 1;
    doc->load(newLevelText(end), directory_ + "/level" + std::to_string(number) + ".txt");
    doc->saved_.clear(); // never written: unsaved until save()
    levels_.push_back(std::move(doc));
    current_ = number;
    return number;
}

bool LevelFolder::modified() const {
    if (count() != savedCount_) return true;
    return std::any_of(levels_.begin(), levels_.end(),
                       [](const auto& doc) { return doc->modified(); });
}

bool LevelFolder::save(std::string* error) {
    // The levels first, so that the count never names a file not yet there.
    for (auto& doc : levels_)
        if (doc->modified() && !doc->save(error)) return false;
    if (count() == savedCount_) return true;
    const size_t end = indexBytes_.find_first_of(std::string("\r\n\0", 3));
    const std::string rest = end == std::string::npos ? std::string() : indexBytes_.substr(end);
    const std::string bytes = std::to_string(count()) + rest;
    if (!writeFileWhole(directory_ + "/levels.txt", bytes, error)) return false;
    indexBytes_ = bytes;
    savedCount_ = count();
    return true;
}
