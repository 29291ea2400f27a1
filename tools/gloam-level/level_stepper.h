// level_stepper.h - a level's world packed into a few bytes per state, put
// back into the real game state and stepped one tick at a time through
// playTick, with the keys fed in as key events just as a replay feeds them.
// The searches of "gloam-level solve" are built on it.
//
//   Headless session;
//   LevelStepper world(session);
//   world.start("levels", 3, &error);             // a new game, level 3 loaded
//   std::vector<uint8_t> state = world.root();    // the moment before tick 1
//   std::vector<uint8_t> next(world.stride());
//   world.step(state.data(), 0, 2, next.data(), &error); // tick 1 holding Right
//
// A packed state holds everything of the world that decides what can happen
// next and can differ between two states of the same tick: the miner's
// position, walk-cycle frame and timer, jump, the items left and the state of
// every crumbling tile. What depends on the tick alone (the baddies, which
// look at the miner only to kill it, and the air) is recorded once per tick,
// the first time a step reaches that tick. Drawing-only fields (item, door and
// conveyor animation, floating messages) are not kept: no rule reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/replay.h"
#include "shell/snapshot.h"

// The six key combinations worth trying in a tick; left beats right, so
// holding both is the same as left alone.
constexpr int KEY_CHOICES = 6;
ReplayStep keyChoice(int choice); // 0 none, 1 L, 2 R, 3 J, 4 LJ, 5 RJ

// The miner's part of a packed state comes first: x, y (16 bits each), frame,
// frameTimer, jumping, jumpTimer. Then one bit per item still in the level,
// then one byte per crumbling tile.
constexpr size_t PLAYER_BYTES = 8;
inline int packedX(const uint8_t* state) {
    return static_cast<int16_t>(static_cast<uint16_t>(state[0] | (state[1] << 8)));
}
inline int packedY(const uint8_t* state) {
    return static_cast<int16_t>(static_cast<uint16_t>(state[2] | (state[3] << 8)));
}
// The choices worth trying from `state`: while a jump rises the jump key is
// not read, so J, LJ and RJ would only repeat -, L and R.
inline int choicesFrom(const uint8_t* state) {
    return state[6] ? KEY_CHOICES / 2 : KEY_CHOICES;
}

uint64_t hashBytes(const uint8_t* bytes, size_t count, uint64_t seed);
// Where the miner is and how it moves, not which way it faces: the state's
// place in a LevelMap.
uint64_t positionKey(const uint8_t* state);

// A set of 64-bit hashes (open addressing), for the states a search has met.
class StateSet {
  public:
    StateSet() : slots_(1 << 12, 0) {}
    bool insert(uint64_t key); // false when it was there already
    size_t size() const { return size_; }

  private:
    std::vector<uint64_t> slots_;
    size_t size_ = 0;
};

enum class StepResult {
    Alive, // the miner lives on, still in the level
    Won,   // reached the open exit (every item collected) without dying
    Died,  // a spike, a baddie or the air
    Lost,  // fell below everything, where nothing can stop or reward the fall
    Error, // the level could not be played
};

class LevelStepper {
  public:
    explicit LevelStepper(Headless& session) : session_(session) {}

    // A new game at `level`, played up to the moment before its first tick.
    bool start(const std::string& directory, int level, std::string* error);

    size_t stride() const { return stride_; }           // bytes of one packed state
    std::vector<uint8_t> root() const { return root_; } // tick 0
    size_t itemCount() const { return items_.size(); }
    const std::vector<Coins>& items() const { return items_; }
    Location exitPlace() const; // the first exit tile (0, 0 without one)
    size_t exitCount() const { return exits_.size(); }

    // Puts the world into `state` at `tick` (a tick some step has reached),
    // plays one tick holding `choice` and packs what the world holds after it
    // into `child` (whatever the result but Error).
    StepResult step(const uint8_t* state, int tick, int choice, uint8_t* child, std::string* error);
    // Calls `report` with the number of steps played so far after every
    // `every` steps, so a long search can show that it is getting on.
    void setProgress(std::function<void(uint64_t steps)> report, uint64_t every);
    // The last step reached the open exit, whether or not the miner died in it.
    bool reachedExit() const;

    // What tells two states of `tick` apart. Exact: the whole packed state and
    // the baddies' whole state. Coarse: the walk cycle shrinks to the facing,
    // and only baddies near the miner count.
    uint64_t stateKey(const uint8_t* state, int tick, bool exact);

    // Ticks that must pass, at the least, before a win from `state`: the miner
    // moves at most 1 pixel a tick sideways and downwards and 3 upwards (a
    // jump on a slope), and must come within reach of every item left and
    // then stand over an exit at the start of a tick.
    int leastTicksToWin(const uint8_t* state) const;

    bool itemLeft(const uint8_t* state, size_t i) const; // item i of items()
    int itemsLeft(const uint8_t* state) const;

  private:
    struct TickWorld {
        BaddieList baddies;
        int hurryShown = 0;
        uint64_t hash = 0;
    };

    void restore(const uint8_t* state, int tick);
    void pack(uint8_t* out) const;
    void record(int tick);

    Headless& session_;
    WorldSnapshot base_;               // just after the level was loaded
    std::vector<Coins> items_;         // the level's items, in list order
    std::vector<size_t> crumbling_;    // indices of crumbling tiles in the base list
    std::vector<Location> baddieSize_; // picture width and height, in list order
    std::vector<Location> exits_;
    std::vector<TickWorld> schedule_; // per tick: what depends on the tick alone
    std::vector<uint8_t> root_;
    std::vector<uint8_t> held_; // the items and tiles the world now holds
    std::vector<uint8_t> scratch_;
    size_t itemBytes_ = 0;
    size_t stride_ = 0;
    int lowestY_ = 0; // below this nothing can hold the miner up or be collected
    std::function<void(uint64_t)> progress_;
    uint64_t progressEvery_ = 0;
    uint64_t steps_ = 0;
};
