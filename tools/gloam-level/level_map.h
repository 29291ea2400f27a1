// level_map.h - how far, in ticks, every place of a level is from each item
// and from the exit: the guide of the item-by-item search.
//
//   LevelMap map;
//   map.build(world, &error);                 // a few hundred thousand ticks
//   int t = map.distance(item, state);        // ticks to collect `item`
//   int e = map.distance(map.exitTarget(), state);
//
// The map is a search over places alone (the miner's position and jump, not
// its frame) in a still world: every item stays in place, crumbling tiles never
// wear and a touch of a baddie or spike is ignored. Its distances are therefore
// estimates: a crumbled floor or a hazard can make the real way longer, and a
// floor that crumbles away can open a way the map does not know.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "level_stepper.h"

class LevelMap {
  public:
    static constexpr int UNKNOWN = 1 << 30; // a place the map never met, or a target out of reach

    // Explores every place reachable from the level's start within maxTicks.
    bool build(LevelStepper& world, int maxTicks, std::string* error);

    int targets() const { return static_cast<int>(goalTicks_.size()); } // items, then the exit
    int exitTarget() const { return targets() - 1; }
    size_t places() const { return placeCount_; }

    // Ticks from the miner's place in `state` until `target` is reached.
    int distance(int target, const uint8_t* state) const;
    // Ticks from the place where item `from` is collected to `target`.
    int between(int from, int target) const;
    // The target was reached from the start in the map.
    bool reachable(int target) const { return fromStart_[static_cast<size_t>(target)] < UNKNOWN; }

  private:
    std::unordered_map<uint64_t, uint32_t> index_;
    size_t placeCount_ = 0;
    std::vector<std::vector<uint16_t>> goalTicks_; // per target, per place
    std::vector<std::vector<int>> between_;        // item x target
    std::vector<int> fromStart_;
};
