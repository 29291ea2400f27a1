// item_route.h - a good winning route found quickly: the level's items taken
// one at a time, nearest first by the level map, then the exit.
//
//   LevelMap map;
//   map.build(world, 5599, &error);
//   std::vector<bool> collected(world.itemCount());
//   ItemRoute r = searchItemByItem(world, map, {}, collected, &error);
//
// A few partial routes are kept from one leg to the next: from each, a
// best-first leg (searchToward) to each of its nearest few items, and the
// partial routes that promise to end soonest (their ticks plus the map's
// nearest-item tour of the rest) go on. The route found is real; nothing is
// proven about its length, and finding none proves nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "level_map.h"
#include "level_stepper.h"

struct ItemRouteLimits {
    int maxTicks = 5599;
    size_t legStates = 200000; // states one leg may meet
    size_t partialRoutes = 6;  // partial routes kept from one leg to the next
    size_t legGoals = 4;       // items tried next from each partial route
};

struct ItemRoute {
    bool found = false;
    bool failed = false;        // a level file failed; the message is in *error
    std::vector<uint8_t> route; // key choices from the level start
    size_t states = 0;
};

// `collected` gains every item some searched state collected.
ItemRoute searchItemByItem(LevelStepper& world, const LevelMap& map, const ItemRouteLimits& limits,
                           std::vector<bool>& collected, std::string* error);
