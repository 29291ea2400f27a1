// level_check.h - finds the problems of a set of level files before the game
// meets them: what the game would reject, and what it would quietly accept
// although it is almost certainly a slip.
#pragma once

#include <string>
#include <vector>

struct LevelProblem {
    std::string file; // as printed: DIR/levels.txt, DIR/level3.txt
    int line = 0;
    bool error = false; // otherwise a warning
    std::string message;
};

// Checks DIR/levels.txt and every level file it counts, in order. `levels` is
// set to the count read (0 when there is none).
std::vector<LevelProblem> checkLevelSet(const std::string& directory, int* levels);
