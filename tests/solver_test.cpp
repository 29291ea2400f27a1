// solver_test.cpp - world snapshots, and "gloam-level solve" run as a separate
// process on the small levels of tests/levels/solver/:
//   1 open floor, door 7 tiles away, no items
//   2 a coin and the door on a ledge two tiles up
//   3 a coin and the door in a cellar under a crumbling floor
//   4 a low corridor crossed by a guard that must be waited for
//   5 a coin shut in with the miner; the other coin and the door outside
//   6 a one-tile step with a coin on it and the door just behind, between walls
// Every route the solver prints is played again here, in this process, and
// must win; the shortest ones are checked against lengths worked out by hand
// and against an independent breadth-first search over whole-world snapshots.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/io/random.h"
#include "shell/snapshot.h"
#include "solve.h"
#include "world_test_support.h"

namespace {

namespace fs = std::filesystem;

// ---- snapshots -------------------------------------------------------------------------

std::vector<uint64_t> playHashes(Headless& s, const std::vector<ReplayStep>& steps) {
    std::vector<uint64_t> hashes;
    std::string error;
    EXPECT_TRUE(runReplay(
        s, steps, [&](const Headless& h) { hashes.push_back(worldHash(h.world())); }, &error))
        << error;
    return hashes;
}

// Taken on the busy level (conveyors, baddies, items), restored after the
// world has moved on through a level change: the same world, the same future.
// The level change draws random item frames, so the random state must come
// back too.
TEST(WorldSnapshot, RestoresTheWorldAndItsFuture) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("play"), 1, &error)) << error;
    play(s, 20, RIGHT);
    WorldSnapshot taken;
    taken.take(s.world());
    const uint64_t before = worldHash(s.world());
    EXPECT_EQ(taken.randomState(), rndState());

    const std::vector<ReplayStep> onwards = {{.ticks = 150, .right = true},
                                             {.ticks = 30, .jump = true}};
    const std::vector<uint64_t> first = playHashes(s, onwards);
    ASSERT_NE(worldHash(s.world()), before);
    ASSERT_GE(s.completed(), 1) << "the continuation should pass through the exit";

    taken.restore(s.game().world);
    EXPECT_EQ(worldHash(s.world()), before);
    EXPECT_EQ(playHashes(s, onwards), first);
}

TEST(WorldSnapshot, CopiesIntoAWorldWithOtherLists) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("busy"), 1, &error)) << error;
    play(s, 1);
    WorldSnapshot start;
    start.take(s.world());
    GameState other;
    other.platformList.resize(700);
    other.baddieList.resize(3);
    other.levelTitle = "something else entirely, long enough to live on the heap";
    copyWorld(start.world(), other);
    EXPECT_EQ(worldHash(other), worldHash(s.world()));
    EXPECT_EQ(other.oldScreenGrab, nullptr);
}

// ---- the solver as a program -------------------------------------------------------------

using Output = ToolOutput;

Output runSolver(const std::string& arguments) {
    return runLevelTool("solve " + arguments);
}

// The numbers of a "solved level=N ticks=T air_left=A shortest=..." line.
struct Solved {
    int ticks = -1;
    int airLeft = -1;
    std::string shortest;
};

bool parseSolved(const std::string& text, Solved* s) {
    const size_t at = text.rfind("solved level=");
    if (at == std::string::npos) return false;
    std::istringstream words(text.substr(at));
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
        if (key == "ticks") s->ticks = std::stoi(value);
        if (key == "air_left") s->airLeft = std::stoi(value);
        if (key == "shortest") s->shortest = value;
    }
    return s->ticks > 0;
}

std::string tempPath(const std::string& name) {
    return (fs::temp_directory_path() / ("gloam-solve-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// Solves a level of the set, then plays the route here: it must reach the
// exit in its very last tick, with every item collected and all four lives.
Solved solveAndReplay(int level, const std::string& options = "") {
    const std::string route = tempPath("route" + std::to_string(level));
    const Output out = runSolver("--levels " + testLevels("solver") + " --level " +
                                 std::to_string(level) + " --out " + route + " " + options);
    Solved solved;
    EXPECT_EQ(out.status, 0) << out.text;
    EXPECT_TRUE(parseSolved(out.text, &solved)) << out.text;

    std::ifstream file(route);
    std::stringstream text;
    text << file.rdbuf();
    fs::remove(route);
    EXPECT_EQ(text.str().rfind("# gloam-level solve: level=" + std::to_string(level), 0), 0u);
    std::vector<ReplayStep> steps;
    std::string error;
    EXPECT_TRUE(parseReplay(text.str(), &steps, &error)) << error;

    Headless& s = sharedSession();
    EXPECT_TRUE(s.begin(testLevels("solver"), level, &error)) << error;
    int diedAt = 0, wonAt = 0, air = 0;
    size_t itemsLeft = 99;
    EXPECT_TRUE(runReplay(
        s, steps,
        [&](const Headless& h) {
            if (h.world().playerDied && !diedAt) diedAt = h.ticks();
            if (h.completed() == 1 && !wonAt) {
                wonAt = h.ticks();
                itemsLeft = h.world().itemList.size();
                air = h.world().air;
            }
        },
        &error))
        << error;
    EXPECT_EQ(diedAt, 0) << "level " << level;
    EXPECT_EQ(wonAt, solved.ticks) << "level " << level;
    EXPECT_EQ(s.ticks(), solved.ticks) << "the route goes on after the exit";
    EXPECT_EQ(itemsLeft, 0u);
    EXPECT_EQ(air, solved.airLeft);
    EXPECT_EQ(air, AIR_MAX - solved.ticks);
    return solved;
}

// Lengths worked out by hand. The door is found at the start of a tick, by
// the mask's column 7 meeting the door's left edge: from x = door - 7.
//  1: start x 20, door x 90: 63 steps right, then the tick that finds it.
//  2: start x 20, door x 170 on the ledge: 143 steps and the tick after; a
//     jump started early enough clears the ledge without losing a step, and
//     the coin lies on the way.
TEST(Solver, FindsTheShortestRoutesWorkedOutByHand) {
    const Solved open = solveAndReplay(1);
    EXPECT_EQ(open.ticks, 64);
    EXPECT_EQ(open.shortest, "yes");
    const Solved ledge = solveAndReplay(2);
    EXPECT_EQ(ledge.ticks, 144);
    EXPECT_EQ(ledge.shortest, "yes");
}

// The item is only reachable by standing on the crumbling floor until it
// gives way (three 6-tick steps): the route waits there.
TEST(Solver, BreaksThroughACrumblingFloor) {
    const Solved cellar = solveAndReplay(3);
    EXPECT_EQ(cellar.shortest, "yes");
    // At the least 18 ticks on the tiles and 50 pixels of fall at a pixel a
    // tick, besides the walking.
    EXPECT_GT(cellar.ticks, 18 + 50);
    // The quick search alone finds no shorter route than the exact one.
    const Solved quick = solveAndReplay(3, "--states 0");
    EXPECT_GE(quick.ticks, cellar.ticks);
    EXPECT_EQ(quick.shortest, "unproven");
}

// Walking straight through runs into the guard; the route found waits for it.
TEST(Solver, TimesAPatrollingGuard) {
    Headless& s = sharedSession();
    std::string error;
    ASSERT_TRUE(s.begin(testLevels("solver"), 4, &error)) << error;
    ASSERT_TRUE(runReplay(s, {{.ticks = 300, .right = true}}, nullptr, &error)) << error;
    EXPECT_LT(s.result().lives, 4) << "the straight walk should meet the guard";

    const Solved corridor = solveAndReplay(4, "--states 20000");
    // The door is 223 steps away; the guard costs some waiting.
    EXPECT_GT(corridor.ticks, 224);
    EXPECT_EQ(corridor.shortest, "unproven");
}

// The editor shows a long proof getting on from these reports; they must not
// change what is found.
TEST(Solver, ReportsItsProgressAsItSearches) {
    SolveOptions options;
    options.directory = testLevels("solver");
    options.level = 4;
    options.exactStates = 20000;
    const SolveReport quiet = solveLevel(sharedSession(), options);
    std::vector<uint64_t> reports;
    options.progress = [&](uint64_t ticks) { reports.push_back(ticks); };
    const SolveReport told = solveLevel(sharedSession(), options);
    ASSERT_EQ(told.outcome, SolveOutcome::Solved) << told.message;
    EXPECT_EQ(told.ticks, quiet.ticks);
    EXPECT_EQ(told.states, quiet.states);
    ASSERT_FALSE(reports.empty());
    for (size_t i = 0; i < reports.size(); ++i)
        EXPECT_EQ(reports[i], (i + 1) * (1u << 15)) << "report " << i;
}

TEST(Solver, ProvesALevelUnwinnableAndNamesTheItemsOutOfReach) {
    const Output shut = runSolver("--levels " + testLevels("solver") + " --level 5");
    EXPECT_EQ(shut.status, 1);
    EXPECT_EQ(shut.text, "unsolvable level=5: not every item can be collected; items reachable 1 "
                         "of 2; not reachable at column,row (10,18)\n");

    // One tick too few for the open floor: proven, not just not found.
    const Output early =
        runSolver("--levels " + testLevels("solver") + " --level 1 --max-ticks 63");
    EXPECT_EQ(early.status, 1);
    EXPECT_EQ(early.text, "unsolvable level=1: the exit cannot be reached with every item "
                          "collected within 63 ticks; items reachable 0 of 0\n");
    Solved justInTime;
    EXPECT_TRUE(parseSolved(
        runSolver("--levels " + testLevels("solver") + " --level 1 --max-ticks 64").text,
        &justInTime));
    EXPECT_EQ(justInTime.ticks, 64);
}

TEST(Solver, RejectsBadArgumentsAndMissingLevels) {
    const char* usageCases[] = {"",
                                "--level",
                                "--level 0",
                                "--level 2x",
                                "--levels",
                                "--level 1 --max-ticks 5600",
                                "--level 1 --states -1",
                                "--level 1 --beam 0",
                                "--level 1 --bogus"};
    for (const char* args : usageCases) {
        const Output out = runSolver(args);
        EXPECT_EQ(out.status, 2) << args;
        EXPECT_EQ(out.text.rfind("usage: gloam-level solve", 0), 0u) << args << ": " << out.text;
    }
    const Output past = runSolver("--levels " + testLevels("solver") + " --level 9");
    EXPECT_EQ(past.status, 1);
    EXPECT_EQ(past.text,
              "gloam-level: there is no level 9 in " + testLevels("solver") + " (6 levels)\n");
    const Output nowhere = runSolver("--levels " + testLevels("nowhere") + " --level 1");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.text,
              "gloam-level: Cannot open level file " + testLevels("nowhere") + "\\levels.txt\n");
    const Output unwritable = runSolver("--levels " + testLevels("solver") + " --level 1 --out " +
                                        testLevels("nowhere") + "/route");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.text.find("cannot write"), std::string::npos) << unwritable.text;
}

// ---- an independent check of "shortest" ----------------------------------------------------

// Breadth-first over whole worlds: every reachable world of a tick, told
// apart by worldHash (everything, drawing state included), each stepped with
// the six key choices through the session as a replay would. Nothing is
// assumed about which parts of the world matter, so the first win is the
// true shortest.
int shortestByWholeWorlds(int level, int maxTicks) {
    Headless& s = sharedSession();
    std::string error;
    EXPECT_TRUE(s.begin(testLevels("solver"), level, &error)) << error;
    const ReplayStep choices[] = {NO_KEYS,   LEFT, RIGHT, JUMP, {.left = true, .jump = true},
                                  RIGHT_JUMP};
    std::vector<WorldSnapshot> layer(1);
    layer[0].take(s.world());
    for (int tick = 1; tick <= maxTicks; ++tick) {
        std::map<uint64_t, WorldSnapshot> next;
        for (const WorldSnapshot& world : layer) {
            for (const ReplayStep& keys : choices) {
                world.restore(s.game().world);
                if (!s.tick(keys, &error)) return -1;
                const GameState& g = s.world();
                if (g.playerDied) continue;
                if (g.loadLevelPending && g.slideInPending) return tick;
                const uint64_t hash = worldHash(g);
                if (!next.count(hash)) next[hash].take(g);
            }
        }
        layer.clear();
        for (auto& [hash, world] : next)
            layer.push_back(std::move(world));
    }
    return 0;
}

TEST(Solver, ShortestAgreesWithASearchOverWholeWorlds) {
    const Solved step = solveAndReplay(6);
    EXPECT_EQ(step.shortest, "yes");
    EXPECT_EQ(shortestByWholeWorlds(6, step.ticks), step.ticks);
}

} // namespace
