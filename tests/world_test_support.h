// world_test_support.h - helpers shared by the loader, movement, terrain and
// level tool tests: one headless session for the whole test binary (loading
// the pictures and sounds is the slow part) and the test level sets under
// tests/levels/.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "shell/replay.h"

inline std::string testLevels(const std::string& set) {
    return std::string(GLOAM_SOURCE_DIR) + "/tests/levels/" + set;
}

// What a run of the gloam-level program printed (output and errors together)
// and its exit status, -1 when it did not exit normally.
struct ToolOutput {
    int status = -1;
    std::string text;
};

// Runs gloam-level as a separate process with these arguments; with a
// timeout, a run that does not end within it fails instead of hanging.
inline ToolOutput runLevelTool(const std::string& arguments, int timeoutSeconds = 0) {
    const std::string command =
        (timeoutSeconds > 0 ? "timeout " + std::to_string(timeoutSeconds) + " " : std::string()) +
        std::string(GLOAM_BINARY_DIR) + "/gloam-level " + arguments + " 2>&1";
    ToolOutput out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        out.text.append(buffer, n);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

inline Headless& sharedSession() {
    static Headless session;
    return session;
}

inline constexpr ReplayStep NO_KEYS{};
inline constexpr ReplayStep LEFT{.left = true};
inline constexpr ReplayStep RIGHT{.right = true};
inline constexpr ReplayStep JUMP{.jump = true};
inline constexpr ReplayStep RIGHT_JUMP{.right = true, .jump = true};
inline constexpr ReplayStep LEFT_RIGHT{.left = true, .right = true};

// A new game at `level` of a test set, with its first tick played (the tick
// that loads the level).
inline Headless& startAt(const std::string& set, int level) {
    Headless& session = sharedSession();
    std::string error;
    EXPECT_TRUE(session.begin(testLevels(set), level, &error)) << error;
    EXPECT_TRUE(session.tick(NO_KEYS, &error)) << error;
    return session;
}

// Plays `ticks` ticks with the keys held; stops at the first failure.
inline void play(Headless& session, int ticks, const ReplayStep& keys = NO_KEYS) {
    std::string error;
    for (int i = 0; i < ticks; ++i)
        ASSERT_TRUE(session.tick(keys, &error)) << error;
}

inline Player& miner(Headless& session) {
    return session.game().world.player;
}

// Puts the miner somewhere by hand, standing still, between two ticks.
inline void placeMiner(Headless& session, int x, int y) {
    Player& p = miner(session);
    p.x = x;
    p.y = y;
    p.jumping = 0;
    p.jumpTimer = 0;
}
