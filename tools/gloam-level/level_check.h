// level_check.h - finds the problems of a set of level files before the game
// meets them: what the game would reject, and what it would quietly accept
// although it is almost certainly a slip.
//
//   int levels = 0;
//   for (const LevelProblem& p : checkLevelSet("levels", &levels)) ...
//   std::vector<LevelProblem> one = checkLevelText("levels/level3.txt", bytes);
#pragma once

#include <string>
#include <vector>

// A cell of the level grid: column 1 to 32, row 1 to 19 (the grid's own rows,
// not a record's rows, which count three more).
struct LevelCell {
    int column = 0;
    int row = 0;
    bool operator==(const LevelCell&) const = default;
};

struct LevelProblem {
    std::string file; // as printed: DIR/levels.txt, DIR/level3.txt
    int line = 0;
    bool error = false; // otherwise a warning
    std::string message;
    LevelCell cell;               // the grid cell at fault; column 0 when none
    int record = -1;              // the baddie record at fault, in file order; -1 when none
    std::vector<LevelCell> cells; // every cell of a trap
};

// Checks DIR/levels.txt and every level file it counts, in order. `levels` is
// set to the count read (0 when there is none). With `traps`, every level
// without errors is also played to find its traps (seconds a level).
std::vector<LevelProblem> checkLevelSet(const std::string& directory, int* levels,
                                        bool traps = true);

// Checks one level from its bytes, named `file` in the problems: exactly what
// checkLevelSet reports for a file holding these bytes. With `traps`, the
// level is also played (in a scratch folder) to find its traps.
std::vector<LevelProblem> checkLevelText(const std::string& file, const std::string& bytes,
                                         bool traps = true);
// The same, playing the level for traps in `session` (none: no traps looked
// for); a caller checking often keeps one session, whose pictures are slow to load.
class Headless;
std::vector<LevelProblem> checkLevelText(const std::string& file, const std::string& bytes,
                                         Headless* session);

// The keywords of the header lines and the tile codes, as the loader knows them.
extern const char* const LEVEL_TILE_CODES; // every code that makes something; ' ' is empty
extern const std::vector<std::string> LEVEL_ITEM_KEYWORDS;
extern const std::vector<std::string> LEVEL_SPIKE_KEYWORDS;
extern const std::vector<std::string> LEVEL_BACKDROP_KEYWORDS;
