// solve.h - "gloam-level solve": finds a winning route through a level by
// searching key presses tick by tick over the game's own rules, and tells a
// designer when a level cannot be won.
//
//   gloam-level solve [--levels DIR] --level N [--max-ticks T] [--states S]
//                     [--beam B] [--branch K] [--out FILE]
//
// A winning route starts a new game at level N, collects every item and
// reaches the exit, by tick T (default 5599, the last tick with air), without
// losing a life. The route is written as a replay script (shell/replay.h) and
// is reported only after replaying it from a fresh game has won.
//
// Two searches, the first quick, the second exact:
//  1. item by item (item_route.h), guided by a map of the level: a good route
//     in a second or two, with B partial routes kept (default 6) and K nearest
//     items tried from each (default 4).
//  2. breadth-first over every state (search.h), looking only for routes
//     shorter than the one in hand, up to S distinct states (default 500 000).
//     If it ends within that, the route reported is the shortest there is
//     ("shortest=yes"), and without a route the level is proven unwinnable by
//     tick T. On large levels it is usually cut off ("shortest=unproven").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "item_route.h"
#include "shell/replay.h"

struct SolveOptions {
    std::string directory = "levels";
    int level = 1;
    int maxTicks = 5599;         // the air runs out in tick 5600
    size_t exactStates = 500000; // the exact search's budget; 0 skips it
    ItemRouteLimits itemRoute;   // the item-by-item search (its maxTicks is maxTicks)
    // Called now and then with the ticks the searches have played so far.
    std::function<void(uint64_t ticksPlayed)> progress;
};

enum class SolveOutcome {
    Solved,     // route holds a verified winning route
    Unsolvable, // the exact search ran out of states: no route exists
    NotFound,   // both searches ended without a route; nothing is proven
    Failed,     // the level could not be played, or a route failed its replay
};

struct SolveReport {
    SolveOutcome outcome = SolveOutcome::Failed;
    std::vector<ReplayStep> route;   // run-length encoded
    int ticks = 0;                   // length of the route
    int airLeft = 0;                 // air after the winning tick
    bool shortest = false;           // proven shortest (the exact search found it)
    int items = 0;                   // items in the level
    std::vector<Location> unreached; // items no searched state collected
    size_t states = 0;               // distinct states visited by both searches
    double seconds = 0;
    std::string message; // why Unsolvable, NotFound or Failed
};

SolveReport solveLevel(Headless& session, const SolveOptions& options);

// Replays `route` from a new game at the level: true when the last tick
// reaches the exit with every item collected and no life was lost before.
bool verifyRoute(Headless& session, const SolveOptions& options,
                 const std::vector<ReplayStep>& route, int* airLeft, std::string* problem);

// One "<count> <keys>" line per run of equal keys.
std::string formatRoute(const std::vector<ReplayStep>& route);

// The subcommand: `args` are the words after "solve"; returns the exit status.
int solveCommand(const std::vector<std::string>& args, const std::string& defaultDirectory);
