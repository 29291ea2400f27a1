// level_map.cpp - a breadth-first search over the places of a level in a
// still world, then one backward breadth-first pass per target over the
// moves it found.
#include "level_map.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

constexpr uint32_t NO_PLACE = UINT32_MAX;
constexpr uint16_t FAR = UINT16_MAX;

} // namespace

bool LevelMap::build(LevelStepper& world, int maxTicks, std::string* error) {
    const size_t stride = world.stride();
    const size_t items = world.itemCount();
    const std::vector<uint8_t> root = world.root();
    const size_t targetCount = items + 1;

    // Every place is tried with the level as it starts (every item there,
    // every tile whole), and once more with no items left, to see whether
    // the open exit is under the miner.
    std::vector<uint8_t> full = root;
    std::vector<uint8_t> open = root;
    std::memset(open.data() + PLAYER_BYTES, 0, (items + 7) / 8);
    std::vector<uint8_t> child(stride);

    std::vector<uint8_t> places(root.begin(), root.begin() + PLAYER_BYTES);
    std::vector<uint32_t> moves;
    std::vector<std::vector<uint32_t>> goals(targetCount);
    index_.clear();
    index_[positionKey(root.data())] = 0;

    size_t layerBegin = 0;
    for (int tick = 0; tick < maxTicks && layerBegin * PLAYER_BYTES < places.size(); ++tick) {
        const size_t layerEnd = places.size() / PLAYER_BYTES;
        for (size_t p = layerBegin; p < layerEnd; ++p) {
            std::memcpy(full.data(), places.data() + p * PLAYER_BYTES, PLAYER_BYTES);
            std::memcpy(open.data(), full.data(), PLAYER_BYTES);
            const uint32_t place = static_cast<uint32_t>(p);
            if (world.step(open.data(), tick, 0, child.data(), error) == StepResult::Error)
                return false;
            if (world.reachedExit()) goals[items].push_back(place);
            for (int choice = 0; choice < KEY_CHOICES; ++choice) {
                if (choice >= choicesFrom(full.data())) {
                    moves.push_back(NO_PLACE);
                    continue;
                }
                const StepResult r = world.step(full.data(), tick, choice, child.data(), error);
                if (r == StepResult::Error) return false;
                for (size_t i = 0; i < items; ++i)
                    if (!world.itemLeft(child.data(), i)) goals[i].push_back(place);
                if (r == StepResult::Lost) {
                    moves.push_back(NO_PLACE);
                    continue;
                }
                const auto [it, fresh] = index_.try_emplace(
                    positionKey(child.data()), static_cast<uint32_t>(places.size() / PLAYER_BYTES));
                if (fresh) places.insert(places.end(), child.begin(), child.begin() + PLAYER_BYTES);
                moves.push_back(it->second);
            }
        }
        layerBegin = layerEnd;
    }
    placeCount_ = places.size() / PLAYER_BYTES;
    moves.resize(placeCount_ * KEY_CHOICES, NO_PLACE); // places of the last layer lead nowhere

    // The moves backwards, grouped by the place they lead to.
    std::vector<uint32_t> firstFrom(placeCount_ + 1, 0);
    for (uint32_t to : moves)
        if (to != NO_PLACE) ++firstFrom[to + 1];
    for (size_t p = 0; p < placeCount_; ++p)
        firstFrom[p + 1] += firstFrom[p];
    std::vector<uint32_t> from(firstFrom.back());
    std::vector<uint32_t> fill(firstFrom.begin(), firstFrom.end() - 1);
    for (size_t m = 0; m < moves.size(); ++m)
        if (moves[m] != NO_PLACE) from[fill[moves[m]]++] = static_cast<uint32_t>(m / KEY_CHOICES);

    goalTicks_.assign(targetCount, std::vector<uint16_t>(placeCount_, FAR));
    std::deque<uint32_t> queue;
    for (size_t t = 0; t < targetCount; ++t) {
        std::vector<uint16_t>& ticks = goalTicks_[t];
        for (uint32_t p : goals[t])
            if (ticks[p] == FAR) {
                ticks[p] = 1;
                queue.push_back(p);
            }
        while (!queue.empty()) {
            const uint32_t to = queue.front();
            queue.pop_front();
            if (ticks[to] + 1 >= FAR) continue;
            for (uint32_t k = firstFrom[to]; k < firstFrom[to + 1]; ++k) {
                if (ticks[from[k]] != FAR) continue;
                ticks[from[k]] = static_cast<uint16_t>(ticks[to] + 1);
                queue.push_back(from[k]);
            }
        }
    }

    fromStart_.assign(targetCount, UNKNOWN);
    between_.assign(items, std::vector<int>(targetCount, UNKNOWN));
    for (size_t t = 0; t < targetCount; ++t) {
        if (goalTicks_[t][0] != FAR) fromStart_[t] = goalTicks_[t][0];
        for (size_t i = 0; i < items; ++i)
            for (uint32_t p : goals[i])
                if (goalTicks_[t][p] != FAR)
                    between_[i][t] = std::min(between_[i][t], static_cast<int>(goalTicks_[t][p]));
    }
    return true;
}

int LevelMap::distance(int target, const uint8_t* state) const {
    const auto it = index_.find(positionKey(state));
    if (it == index_.end()) return UNKNOWN;
    const uint16_t ticks = goalTicks_[static_cast<size_t>(target)][it->second];
    return ticks == FAR ? UNKNOWN : ticks;
}

int LevelMap::between(int from, int target) const {
    return between_[static_cast<size_t>(from)][static_cast<size_t>(target)];
}
