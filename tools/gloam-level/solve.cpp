// solve.cpp - the two searches of "gloam-level solve", the check of every
// route by replay, and the subcommand's arguments and output.
#include "solve.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "item_route.h"
#include "level_map.h"
#include "search.h"

namespace {

std::vector<ReplayStep> encodeRoute(const std::vector<uint8_t>& choices) {
    std::vector<ReplayStep> route;
    for (uint8_t c : choices) {
        const ReplayStep keys = keyChoice(c);
        if (!route.empty() && route.back().left == keys.left && route.back().right == keys.right &&
            route.back().jump == keys.jump) {
            ++route.back().ticks;
        } else {
            route.push_back(keys);
        }
    }
    return route;
}

std::string cell(const Location& at) {
    return "(" + std::to_string(at.x / TILE_SIZE + 1) + "," +
           std::to_string((at.y - 30) / TILE_SIZE + 1) + ")";
}

std::string unreachedText(const SolveReport& r) {
    std::string s = "items reachable " +
                    std::to_string(r.items - static_cast<int>(r.unreached.size())) + " of " +
                    std::to_string(r.items);
    if (!r.unreached.empty()) {
        s += "; not reachable at column,row";
        for (const Location& at : r.unreached)
            s += " " + cell(at);
    }
    return s;
}

} // namespace

SolveReport solveLevel(Headless& session, const SolveOptions& o) {
    const auto began = std::chrono::steady_clock::now();
    SolveReport report;
    LevelStepper world(session);
    if (o.progress) world.setProgress(o.progress, 1 << 15);
    std::string error;
    if (!world.start(o.directory, o.level, &error)) {
        report.message = error;
        return report;
    }
    report.items = static_cast<int>(world.itemCount());
    std::vector<bool> collected(world.itemCount(), false);

    // First a good route, quickly, guided by a map of the level.
    LevelMap map;
    if (!map.build(world, o.maxTicks, &error)) {
        report.message = error;
        return report;
    }
    ItemRouteLimits itemLimits = o.itemRoute;
    itemLimits.maxTicks = o.maxTicks;
    const ItemRoute legs = searchItemByItem(world, map, itemLimits, collected, &error);
    report.states += legs.states;
    if (legs.failed) {
        report.message = error;
        return report;
    }
    std::vector<uint8_t> choices = legs.route;
    bool found = legs.found;

    // Then the exact search, for a shorter route or the proof that there is
    // none: it only needs to look at routes shorter than the one in hand.
    bool exhausted = false;
    const int bound = found ? static_cast<int>(choices.size()) - 1 : o.maxTicks;
    if (o.exactStates > 0 && bound > 0) {
        const SearchRun run = searchExact(world, {bound, o.exactStates}, &error);
        report.states += run.states;
        if (run.failed) {
            report.message = error;
            return report;
        }
        for (size_t i = 0; i < collected.size(); ++i)
            if (run.collected[i]) collected[i] = true;
        if (!run.goals.empty()) {
            choices = run.goals.front().route;
            found = true;
        }
        exhausted = !run.cutOff;
    }
    if (found && bound == 0) exhausted = true; // nothing is shorter than one tick
    report.shortest = found && exhausted;
    for (size_t i = 0; i < collected.size(); ++i)
        if (!collected[i]) report.unreached.push_back(world.items()[i]);
    report.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    if (!found) {
        const std::string within =
            o.maxTicks < 5599 ? " within " + std::to_string(o.maxTicks) + " ticks" : "";
        const std::string what = world.exitCount() == 0 ? "the level has no exit"
                                 : report.unreached.empty()
                                     ? "the exit cannot be reached with every item collected"
                                     : "not every item can be collected";
        if (exhausted) {
            report.outcome = SolveOutcome::Unsolvable;
            report.message = what + within + "; " + unreachedText(report);
        } else {
            report.outcome = SolveOutcome::NotFound;
            report.message = "no route found" + within + " within the search limits (" +
                             std::to_string(report.states) + " states); " + unreachedText(report);
            if (!map.reachable(map.exitTarget()))
                report.message += "; the map of the level finds no way to the exit";
        }
        return report;
    }

    report.route = encodeRoute(choices);
    report.ticks = static_cast<int>(choices.size());
    std::string problem;
    if (!verifyRoute(session, o, report.route, &report.airLeft, &problem)) {
        report.outcome = SolveOutcome::Failed;
        report.message = "the route found does not replay to a win: " + problem;
        return report;
    }
    report.outcome = SolveOutcome::Solved;
    return report;
}

bool verifyRoute(Headless& session, const SolveOptions& o, const std::vector<ReplayStep>& route,
                 int* airLeft, std::string* problem) {
    if (!session.begin(o.directory, o.level, problem)) return false;
    int diedAt = 0;
    int wonAt = 0;
    size_t itemsAtExit = 0;
    int air = 0;
    const bool played = runReplay(
        session, route,
        [&](const Headless& s) {
            const GameState& g = s.world();
            if (g.playerDied && !diedAt) diedAt = s.ticks();
            if (s.completed() == 1 && !wonAt) {
                wonAt = s.ticks();
                itemsAtExit = g.itemList.size();
                air = g.air;
            }
        },
        problem);
    if (!played) return false;
    int total = 0;
    for (const ReplayStep& step : route)
        total += step.ticks;
    if (diedAt) {
        *problem = "a life is lost in tick " + std::to_string(diedAt);
    } else if (!wonAt) {
        *problem = "the exit is not reached";
    } else if (wonAt != total) {
        *problem =
            "the exit is reached in tick " + std::to_string(wonAt) + " of " + std::to_string(total);
    } else if (itemsAtExit != 0) {
        *problem = std::to_string(itemsAtExit) + " items are left";
    } else {
        *airLeft = air;
        return true;
    }
    return false;
}

std::string formatRoute(const std::vector<ReplayStep>& route) {
    std::string text;
    for (const ReplayStep& step : route) {
        std::string keys;
        if (step.left) keys += 'L';
        if (step.right) keys += 'R';
        if (step.jump) keys += 'J';
        text += std::to_string(step.ticks) + " " + (keys.empty() ? "-" : keys) + "\n";
    }
    return text;
}

namespace {

const char* const SOLVE_USAGE =
    "usage: gloam-level solve [--levels DIR] --level N [--max-ticks T] [--states S]\n"
    "                         [--beam B] [--branch K] [--out FILE]\n";

bool parseCount(const std::string& text, long low, long high, long* value) {
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && *value >= low && *value <= high;
}

} // namespace

int solveCommand(const std::vector<std::string>& args, const std::string& defaultDirectory) {
    SolveOptions o;
    o.directory = defaultDirectory;
    o.level = 0;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        long value = 0;
        if (a == "--levels" && hasValue) {
            o.directory = args[++i];
        } else if (a == "--level" && hasValue && parseCount(args[++i], 1, INT_MAX, &value)) {
            o.level = static_cast<int>(value);
        } else if (a == "--max-ticks" && hasValue && parseCount(args[++i], 1, 5599, &value)) {
            o.maxTicks = static_cast<int>(value);
        } else if (a == "--states" && hasValue && parseCount(args[++i], 0, LONG_MAX, &value)) {
            o.exactStates = static_cast<size_t>(value);
        } else if (a == "--beam" && hasValue && parseCount(args[++i], 1, 1000, &value)) {
            o.itemRoute.partialRoutes = static_cast<size_t>(value);
        } else if (a == "--branch" && hasValue && parseCount(args[++i], 1, 1000, &value)) {
            o.itemRoute.legGoals = static_cast<size_t>(value);
        } else if (a == "--out" && hasValue) {
            out = args[++i];
        } else {
            std::fputs(SOLVE_USAGE, stderr);
            return 2;
        }
    }
    if (o.level == 0) {
        std::fputs(SOLVE_USAGE, stderr);
        return 2;
    }

    Headless session;
    const SolveReport r = solveLevel(session, o);
    const std::string level = "level=" + std::to_string(o.level);
    switch (r.outcome) {
    case SolveOutcome::Solved:
        break;
    case SolveOutcome::Unsolvable:
        std::printf("unsolvable %s: %s\n", level.c_str(), r.message.c_str());
        return 1;
    case SolveOutcome::NotFound:
        std::printf("unsolved %s: %s\n", level.c_str(), r.message.c_str());
        return 1;
    case SolveOutcome::Failed:
        std::fprintf(stderr, "gloam-level: %s\n", r.message.c_str());
        return 1;
    }
    const std::string script = "# gloam-level solve: " + level +
                               " ticks=" + std::to_string(r.ticks) + "\n" + formatRoute(r.route);
    if (out.empty()) {
        std::fputs(script.c_str(), stdout);
    } else {
        std::ofstream file(out, std::ios::binary);
        if (!(file << script) || !file.flush()) {
            std::fprintf(stderr, "gloam-level: cannot write %s\n", out.c_str());
            return 1;
        }
    }
    std::printf("solved %s ticks=%d air_left=%d shortest=%s states=%zu seconds=%.2f\n",
                level.c_str(), r.ticks, r.airLeft, r.shortest ? "yes" : "unproven", r.states,
                r.seconds);
    return 0;
}
