// replay.h - the game without a window or sound device: a headless session
// that plays scripted key presses through the real play loop, one tick at a
// time. The level tool, the tests, soak tests and benchmarks share it.
//
//   Headless session;                         // resources and assets, once
//   std::string error;
//   session.begin("levels", 1, &error);       // a new game at level 1
//   session.tick({.right = true}, &error);    // one tick with Right held
//   session.world().player.x;                 // the world after the tick
//
// Replay scripts are lines "<count> <keys>": hold the keys (any of L, R and J,
// or - for none) for count ticks. Blank lines and # comments are ignored.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/game.h"

// Keys held during one tick (ticks unused there) or during a run of ticks.
struct ReplayStep {
    int ticks = 1;
    bool left = false;
    bool right = false;
    bool jump = false;
};

// Parses a script; false with "line <n>: <problem>" on the first bad line.
bool parseReplay(const std::string& text, std::vector<ReplayStep>* steps, std::string* error);

struct ReplayResult {
    bool gameOver = false; // the lives ran out; otherwise the input ended
    int tick = 0;          // ticks played
    int level = 0;
    int lives = 0;
    int score = 0;
    int completed = 0; // level changes through the exit
};

class Headless {
  public:
    // Registers the embedded files and loads every picture and sound. Slow
    // enough that callers running many games keep one session.
    Headless();
    ~Headless();

    // A new game at `level` with the levels of `directory`. Input, the random
    // sequence and the world start afresh, so equal scripts give equal runs.
    // False with a message when levels.txt cannot be read.
    bool begin(const std::string& directory, int level, std::string* error);
    // One tick with exactly these keys held; presses and releases reach the
    // input tables as key events. False with a message when a level fails.
    bool tick(const ReplayStep& keys, std::string* error);
    bool over() const; // no lives left (or Q)

    int ticks() const { return ticks_; }
    int completed() const { return completed_; }
    ReplayResult result() const;
    Game& game() { return *game_; }
    const GameState& world() const { return game_->world; }

  private:
    std::unique_ptr<Game> game_;
    ReplayStep held_{};
    int ticks_ = 0;
    int completed_ = 0;
};

// Plays the steps until they run out or the game is over, calling onTick
// (when set) after every tick. False with a message when a level fails.
bool runReplay(Headless& session, const std::vector<ReplayStep>& steps,
               const std::function<void(const Headless&)>& onTick, std::string* error);

// "tick=.. level=.. x=.. y=.. frame=.. air=.. lives=.. score=.. items=.. baddies=x:y:f,..."
std::string traceLine(const Headless& session);
// "result: <ended|gameover> tick=.. level=.. lives=.. score=.. completed=.."
std::string resultLine(const ReplayResult& result);

// A hash of every entity, every world field and the random state, for
// determinism checks.
uint64_t worldHash(const GameState& game);
