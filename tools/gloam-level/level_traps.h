// level_traps.h - the places of a level the miner can reach from the start
// and then never leave: neither the exit nor anything that ends the try (a
// spike, a baddie's sweep) can be reached from them, so the player can only
// wait for the air to run out.
//
//   Headless session;
//   std::vector<LevelTrap> traps;
//   findTraps(session, "levels", 20, &traps, &error);
//   for (const LevelTrap& t : traps) ... t.cells: the grid cells the miner fills there
//
// Both searches play the game's own movement rules through LevelStepper: the
// places reachable from the start, then, backwards over the moves found, the
// places from which the exit or a hazard is reachable. Items are taken as
// they are met, so the exit counts as open.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "level_check.h"
#include "shell/replay.h"

struct LevelTrap {
    std::vector<LevelCell> cells; // every cell the miner's body fills in the trap, in grid order
};

// Beyond this many places a level is too large to judge.
constexpr size_t TRAP_SEARCH_PLACES = 2000000;

// False with a message when the level cannot be played or has more than
// `maxPlaces` places to search.
bool findTraps(Headless& session, const std::string& directory, int level,
               std::vector<LevelTrap>* traps, std::string* error,
               size_t maxPlaces = TRAP_SEARCH_PLACES);
