// search.h - the two searches of "gloam-level solve" over a LevelStepper:
// an exact breadth-first search for the shortest win, and a best-first search
// toward one item or the exit.
//
//   SearchRun run = searchExact(world, {.maxTicks = 400, .maxStates = 500000}, &error);
//   if (!run.goals.empty()) ... run.goals.front().route is a shortest win
//   else if (!run.cutOff)   ... no win within 400 ticks exists
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "level_stepper.h"

struct SearchGoalState {
    std::vector<uint8_t> state; // after the goal tick
    int tick = 0;               // ticks since the level start
    std::vector<uint8_t> route; // key choices from the search's start
    bool won = false;
};

struct SearchRun {
    std::vector<SearchGoalState> goals; // none, or the one goal found
    bool cutOff = false;                // maxStates reached before the search ended
    bool failed = false;                // a level file failed; the message is in *error
    size_t states = 0;                  // distinct states met
    std::vector<bool> collected;        // items collected in some state the search met
};

struct ExactLimits {
    int maxTicks = 5599;  // the last tick a win may take
    size_t maxStates = 0; // distinct states to meet before giving up; 0 no limit
};

// Breadth-first over ticks from the level's start, each tick trying every key
// choice. Two states are the same when everything that decides their futures
// is the same (a 64-bit hash of the packed state and of the baddies' state),
// and arriving earlier only leaves more air, so a state met again later is
// dropped; so is a state that cannot win by maxTicks even at the miner's top
// speed. The win found is therefore one of the fewest ticks, and a search that
// ends without being cut off has tried everything.
SearchRun searchExact(LevelStepper& world, const ExactLimits& limits, std::string* error);

struct TowardLimits {
    int target = 0; // an item of world.items(), or itemCount() for the exit
    int maxTicks = 5599;
    size_t maxStates = 0; // 0 no limit
};

// Best-first from `start` (a packed state at `startTick`) until the target
// item is collected or, for the exit, the level is won; in order of ticks so
// far plus `estimate` (the ticks still to go; fewer first on a tie).
//
// States are told apart by coarse keys, which merge states that differ only
// in the walk-cycle frame or in baddies far from the miner and keep the first
// to arrive. That is almost always right (the frame moves a contact by a pixel
// or two of the legs; a far baddie can be waited for) but not always: routes
// stay real, only shortness and completeness are given up.
SearchRun searchToward(LevelStepper& world, const uint8_t* start, int startTick,
                       const TowardLimits& limits,
                       const std::function<int(const uint8_t*)>& estimate, std::string* error);
