// background.h - the editor's slow work, done by a copy of the editor
// running without a window: the trap search and the solver play the level
// headless, which a process with an open window cannot do (every tick would
// be drawn and paced). The parent reads the copy's lines as they come.
//
//   BackgroundJob job;
//   startJob(job, {"--prove", scratchFolder}, scratchFolder, &error);
//   ... each frame: if (pollJob(job)) parseProve(job.output, &result);
//   cancelJob(job);                      // Esc: the copy is stopped
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "level_check.h"
#include "shell/replay.h"

struct BackgroundJob {
    pid_t pid = -1;
    int fd = -1;        // the copy's standard output
    std::string output; // everything read so far
    int status = -1;    // exit status once finished
    bool running() const { return pid > 0; }
};

// Starts this program again with `args`, its temporary files under `scratch`
// (a folder the caller removes whole: a copy stopped by SIGKILL cannot tidy
// up). False with a message when it cannot.
bool startJob(BackgroundJob& job, const std::vector<std::string>& args, const std::string& scratch,
              std::string* error);
// Reads what the copy wrote; true once it has ended (then `status` is set).
bool pollJob(BackgroundJob& job);
void cancelJob(BackgroundJob& job); // stops and reaps it; nothing when none runs

struct ProveResult {
    bool done = false;
    std::string outcome; // "solved", "unsolvable", "notfound", "failed"
    int ticks = 0;
    int air = 0;
    size_t states = 0;
    double seconds = 0;
    bool shortest = false;
    std::string message;
    std::vector<ReplayStep> route;
    std::vector<Location> path; // the miner's place after every tick of the route
};

// The lines of a finished "--prove" or "--traps" run.
ProveResult parseProve(const std::string& output);
std::vector<LevelProblem> parseTraps(const std::string& output);
// The ticks a running "--prove" has played, from its last whole progress line.
uint64_t proveProgress(const std::string& output);

// The copy's side: "--traps FILE" prints the trap warnings `gloam-level check`
// gives for the level in FILE; "--prove DIR" solves level 1 of DIR and prints
// the route with the miner's path. Returns the exit status.
int backgroundMain(const std::vector<std::string>& args);
