// snapshot.h - a copy of the world that can be put back: every field of the
// game state except the two screen pictures, with the random sequence's
// state. Searches use it to try several futures from one moment.
//
//   WorldSnapshot before;
//   before.take(game.world);      // remember this moment
//   playTick(game, &error);       // ... try something ...
//   before.restore(game.world);   // and go back
//
// The input tables are not part of it: callers that restore also set the
// keys they hold before the next tick. The screen pictures exist only during
// a slide, which never runs between two ticks of play.
#pragma once

#include <cstdint>

#include "world/game_state.h"

// Copies every field of `from` except oldScreenGrab and newScreenGrab, reusing
// the storage `to` already has.
void copyWorld(const GameState& from, GameState& to);

class WorldSnapshot {
  public:
    void take(const GameState& game);    // the world and the random state now
    void restore(GameState& game) const; // both back as taken
    const GameState& world() const { return world_; }
    int32_t randomState() const { return random_; }

  private:
    GameState world_;
    int32_t random_ = 0;
};
