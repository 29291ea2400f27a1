// search.cpp - the exact breadth-first search and the best-first search
// toward one target. Both remember each state met by the choice that led to
// it, so a route is read back from the goal to the start.
#include "search.h"

#include <algorithm>
#include <queue>

namespace {

struct Trail {
    uint32_t parent;
    uint8_t choice;
};
constexpr uint32_t NO_PARENT = UINT32_MAX;

std::vector<uint8_t> routeTo(const std::vector<Trail>& trails, uint32_t at) {
    std::vector<uint8_t> route;
    for (; trails[at].parent != NO_PARENT; at = trails[at].parent)
        route.push_back(trails[at].choice);
    std::reverse(route.begin(), route.end());
    return route;
}

void noteCollected(const LevelStepper& world, const uint8_t* state, std::vector<bool>& collected) {
    for (size_t i = 0; i < collected.size(); ++i)
        if (!world.itemLeft(state, i)) collected[i] = true;
}

} // namespace

SearchRun searchExact(LevelStepper& world, const ExactLimits& limits, std::string* error) {
    SearchRun run;
    const size_t stride = world.stride();
    run.collected.assign(world.itemCount(), false);

    const std::vector<uint8_t> root = world.root();
    std::vector<Trail> trails{{NO_PARENT, 0}};
    std::vector<uint8_t> frontier = root;
    std::vector<uint32_t> frontierTrail{0};
    std::vector<uint8_t> next;
    std::vector<uint32_t> nextTrail;
    std::vector<uint8_t> child(stride);
    StateSet seen;
    seen.insert(world.stateKey(root.data(), 0, true));

    for (int tick = 0; tick < limits.maxTicks && !frontierTrail.empty(); ++tick) {
        next.clear();
        nextTrail.clear();
        for (size_t n = 0; n < frontierTrail.size(); ++n) {
            const uint8_t* state = frontier.data() + n * stride;
            for (int choice = 0; choice < choicesFrom(state); ++choice) {
                const StepResult r = world.step(state, tick, choice, child.data(), error);
                if (r == StepResult::Error) {
                    run.failed = true;
                    return run;
                }
                if (r == StepResult::Died || r == StepResult::Lost) continue;
                noteCollected(world, child.data(), run.collected);
                trails.push_back({frontierTrail[n], static_cast<uint8_t>(choice)});
                if (r == StepResult::Won) {
                    // Every win of this layer takes the same number of ticks.
                    run.goals.push_back({child, tick + 1,
                                         routeTo(trails, static_cast<uint32_t>(trails.size() - 1)),
                                         true});
                    run.states = seen.size();
                    return run;
                }
                if (tick + 1 + world.leastTicksToWin(child.data()) > limits.maxTicks ||
                    !seen.insert(world.stateKey(child.data(), tick + 1, true))) {
                    trails.pop_back();
                    continue;
                }
                next.insert(next.end(), child.begin(), child.end());
                nextTrail.push_back(static_cast<uint32_t>(trails.size() - 1));
                if (limits.maxStates && seen.size() >= limits.maxStates) {
                    run.cutOff = true;
                    run.states = seen.size();
                    return run;
                }
            }
        }
        frontier.swap(next);
        frontierTrail.swap(nextTrail);
    }
    run.states = seen.size();
    return run;
}

SearchRun searchToward(LevelStepper& world, const uint8_t* start, int startTick,
                       const TowardLimits& limits,
                       const std::function<int(const uint8_t*)>& estimate, std::string* error) {
    SearchRun run;
    const size_t stride = world.stride();
    const bool toExit = static_cast<size_t>(limits.target) == world.itemCount();
    run.collected.assign(world.itemCount(), false);

    struct Open {
        int total; // ticks so far plus the estimate
        int left;  // the estimate
        uint32_t node;
        bool operator<(const Open& o) const {
            return total != o.total ? total > o.total : left > o.left;
        }
    };
    // Node n: its packed state, its tick and the trail that reached it.
    std::vector<uint8_t> states(start, start + stride);
    std::vector<int> ticks{startTick};
    std::vector<Trail> trails{{NO_PARENT, 0}};
    std::priority_queue<Open> open;
    open.push({estimate(start), estimate(start), 0});
    StateSet seen;
    seen.insert(world.stateKey(start, startTick, false));
    std::vector<uint8_t> state(stride);
    std::vector<uint8_t> child(stride);

    while (!open.empty()) {
        // A goal in hand ends the search once nothing left can arrive earlier.
        if (!run.goals.empty() && open.top().total >= run.goals.front().tick - startTick) break;
        const uint32_t node = open.top().node;
        open.pop();
        const int tick = ticks[node];
        if (tick >= limits.maxTicks) continue;
        state.assign(states.begin() + node * stride, states.begin() + (node + 1) * stride);
        for (int choice = 0; choice < choicesFrom(state.data()); ++choice) {
            const StepResult r = world.step(state.data(), tick, choice, child.data(), error);
            if (r == StepResult::Error) {
                run.failed = true;
                return run;
            }
            if (r == StepResult::Died || r == StepResult::Lost) continue;
            noteCollected(world, child.data(), run.collected);
            const bool goal =
                toExit ? r == StepResult::Won
                       : !world.itemLeft(child.data(), static_cast<size_t>(limits.target));
            trails.push_back({node, static_cast<uint8_t>(choice)});
            if (goal) {
                if (run.goals.empty() || tick + 1 < run.goals.front().tick)
                    run.goals.assign(1, {child, tick + 1,
                                         routeTo(trails, static_cast<uint32_t>(trails.size() - 1)),
                                         r == StepResult::Won});
                trails.pop_back();
                continue;
            }
            if (r == StepResult::Won ||
                !seen.insert(world.stateKey(child.data(), tick + 1, false))) {
                trails.pop_back();
                continue;
            }
            states.insert(states.end(), child.begin(), child.end());
            ticks.push_back(tick + 1);
            const int left = estimate(child.data());
            open.push({tick + 1 - startTick + left, left, static_cast<uint32_t>(ticks.size() - 1)});
        }
        if (limits.maxStates && seen.size() >= limits.maxStates) {
            run.cutOff = run.goals.empty();
            break;
        }
    }
    run.states = seen.size();
    return run;
}
