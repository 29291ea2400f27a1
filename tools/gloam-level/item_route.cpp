// item_route.cpp - the item-by-item search: partial routes grown one leg at
// a time, each leg a best-first search guided by the level map.
#include "item_route.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>

#include "search.h"

namespace {

// A route under way in the item-by-item search.
struct Partial {
    std::vector<uint8_t> state;
    int tick = 0;
    std::vector<uint8_t> route;
    double rank = 0; // its ticks plus those the map expects for the rest
};

// Ticks still needed to reach a target, as the map sees it. Where the map
// has no answer, a bound from the distance alone (one pixel a tick sideways
// and down, two up) with a penalty, so such states are tried last.
class Estimates {
  public:
    Estimates(const LevelStepper& world, const LevelMap& map) : world_(world), map_(map) {}

    int toTarget(int target, const uint8_t* state) const {
        const int known = map_.distance(target, state);
        if (known != LevelMap::UNKNOWN) return known;
        const Location at = target == map_.exitTarget()
                                ? world_.exitPlace()
                                : Location{world_.items()[static_cast<size_t>(target)]};
        const int dx = std::abs(at.x - packedX(state));
        const int dy = at.y - packedY(state);
        return UNMAPPED_PENALTY + std::max(dx, dy > 0 ? dy : -dy / 2);
    }

    // The rest of the route: the nearest item each time, then the exit.
    int rest(const uint8_t* state) const {
        std::vector<int> left;
        for (size_t i = 0; i < world_.itemCount(); ++i)
            if (world_.itemLeft(state, i)) left.push_back(static_cast<int>(i));
        if (left.empty()) return toTarget(map_.exitTarget(), state);
        int total = 0;
        int at = -1;
        while (!left.empty()) {
            size_t best = 0;
            int bestTicks = INT_MAX;
            for (size_t k = 0; k < left.size(); ++k) {
                const int t = at < 0 ? toTarget(left[k], state) : hop(at, left[k]);
                if (t < bestTicks) {
                    bestTicks = t;
                    best = k;
                }
            }
            total += bestTicks;
            at = left[best];
            left.erase(left.begin() + static_cast<std::ptrdiff_t>(best));
        }
        return total + hop(at, map_.exitTarget());
    }

  private:
    static constexpr int UNMAPPED_PENALTY = 100;
    int hop(int from, int to) const {
        const int t = map_.between(from, to);
        return t == LevelMap::UNKNOWN ? UNMAPPED_PENALTY * 10 : t;
    }
    const LevelStepper& world_;
    const LevelMap& map_;
};

// The next few targets of a partial route: its nearest items (those the map
// knows a way to, while there are any), or the exit.
std::vector<int> nextTargets(const LevelStepper& world, const LevelMap& map,
                             const Estimates& estimates, const uint8_t* state, size_t count) {
    std::vector<std::pair<int, int>> mapped, unmapped;
    for (size_t i = 0; i < world.itemCount(); ++i) {
        if (!world.itemLeft(state, i)) continue;
        const int target = static_cast<int>(i);
        const int ticks = estimates.toTarget(target, state);
        (map.distance(target, state) == LevelMap::UNKNOWN ? unmapped : mapped)
            .push_back({ticks, target});
    }
    std::vector<std::pair<int, int>>& items = mapped.empty() ? unmapped : mapped;
    if (items.empty()) return {map.exitTarget()};
    std::stable_sort(items.begin(), items.end());
    std::vector<int> targets;
    for (size_t k = 0; k < items.size() && k < count; ++k)
        targets.push_back(items[k].second);
    return targets;
}

} // namespace

ItemRoute searchItemByItem(LevelStepper& world, const LevelMap& map, const ItemRouteLimits& o,
                           std::vector<bool>& collected, std::string* error) {
    ItemRoute out;
    const Estimates estimates(world, map);
    std::vector<Partial> beam{{world.root(), 0, {}, 0}};
    int bestTick = INT_MAX;
    while (!beam.empty()) {
        std::vector<Partial> next;
        for (const Partial& p : beam) {
            const int limit = std::min(o.maxTicks, bestTick - 1);
            if (p.tick >= limit) continue;
            for (int target : nextTargets(world, map, estimates, p.state.data(), o.legGoals)) {
                const TowardLimits limits{target, limit, o.legStates};
                SearchRun run = searchToward(
                    world, p.state.data(), p.tick, limits,
                    [&](const uint8_t* s) { return estimates.toTarget(target, s); }, error);
                out.states += run.states;
                if (run.failed) {
                    out.failed = true;
                    return out;
                }
                for (size_t i = 0; i < collected.size(); ++i)
                    if (run.collected[i]) collected[i] = true;
                if (run.goals.empty()) continue;
                SearchGoalState& g = run.goals.front();
                std::vector<uint8_t> route = p.route;
                route.insert(route.end(), g.route.begin(), g.route.end());
                if (g.won) {
                    if (g.tick < bestTick) {
                        bestTick = g.tick;
                        out.found = true;
                        out.route = std::move(route);
                    }
                    continue;
                }
                const double rank = g.tick + estimates.rest(g.state.data());
                next.push_back({std::move(g.state), g.tick, std::move(route), rank});
            }
        }
        // The same state reached along two routes: keep the earlier.
        std::map<std::vector<uint8_t>, size_t> earliest;
        std::vector<Partial> unique;
        for (Partial& p : next) {
            auto [it, fresh] = earliest.try_emplace(p.state, unique.size());
            if (fresh)
                unique.push_back(std::move(p));
            else if (p.tick < unique[it->second].tick)
                unique[it->second] = std::move(p);
        }
        std::stable_sort(unique.begin(), unique.end(),
                         [](const Partial& a, const Partial& b) { return a.rank < b.rank; });
        if (unique.size() > o.partialRoutes) unique.resize(o.partialRoutes);
        beam.swap(unique);
    }
    return out;
}
