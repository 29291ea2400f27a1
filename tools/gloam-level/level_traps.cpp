// level_traps.cpp - a breadth-first search over the miner's places (its
// position and jump, with the state of every crumbling tile) from the start,
// then a backward one from the places that end the try, over the moves found.
#include "level_traps.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>

#include "engine/resources/image.h"
#include "level_stepper.h"
#include "world/baddies.h"
#include "world/level_loader.h"

namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;
constexpr int MINER_W = 10;
constexpr int MINER_H = 20;
constexpr int CELL = TILE_SIZE;
constexpr int MAX_TICKS = 5599; // the air runs out in the next one
constexpr uint32_t NOWHERE = UINT32_MAX;
constexpr int CRUMBLED = 4; // a crumbling tile's frame once it is gone
constexpr int NEAR_X = 15;  // crumbling tiles this near the miner's corner count as gone or not
constexpr int NEAR_Y = 30;
constexpr int MAX_WAIT = 64; // ticks of standing still that leave the place as it is

// Every screen pixel some baddie covers at some tick of one air supply, as a
// summed-area table so that a box is asked about at once.
class SweptArea {
  public:
    void build(const GameState& g, const Assets& assets) {
        std::vector<uint8_t> mask(SCREEN_W * SCREEN_H, 0);
        for (const Baddie& start : g.baddieList) {
            if (baddieKindIndex(start.kind) < 0) continue; // the game skips it
            const Image* picture = baddiePicture(assets, start.kind);
            const int w = imageWidth(picture), h = imageHeight(picture);
            std::set<std::pair<int, int>> seen;
            Baddie b = start;
            for (int tick = 0; tick <= MAX_TICKS + 1; ++tick) {
                if (seen.insert({b.x, b.y}).second) cover(mask, b.x, b.y, w, h);
                patrolAxis(b.x, b.dirX, b.speedX, b.minX, b.maxX);
                patrolAxis(b.y, b.dirY, b.speedY, b.minY, b.maxY);
            }
        }
        sum_.assign((SCREEN_W + 1) * (SCREEN_H + 1), 0);
        for (int y = 0; y < SCREEN_H; ++y)
            for (int x = 0; x < SCREEN_W; ++x)
                sum_[at(x + 1, y + 1)] = mask[static_cast<size_t>(y * SCREEN_W + x)] +
                                         sum_[at(x, y + 1)] + sum_[at(x + 1, y)] - sum_[at(x, y)];
    }
    // The box overlaps a swept pixel.
    bool touches(int x, int y, int w, int h) const {
        const int x0 = std::clamp(x, 0, SCREEN_W), x1 = std::clamp(x + w, 0, SCREEN_W);
        const int y0 = std::clamp(y, 0, SCREEN_H), y1 = std::clamp(y + h, 0, SCREEN_H);
        if (x0 >= x1 || y0 >= y1) return false;
        return sum_[at(x1, y1)] - sum_[at(x0, y1)] - sum_[at(x1, y0)] + sum_[at(x0, y0)] > 0;
    }

  private:
    static size_t at(int x, int y) { return static_cast<size_t>(y * (SCREEN_W + 1) + x); }
    static void cover(std::vector<uint8_t>& mask, int x, int y, int w, int h) {
        for (int py = std::max(y, 0); py < std::min(y + h, SCREEN_H); ++py)
            for (int px = std::max(x, 0); px < std::min(x + w, SCREEN_W); ++px)
                mask[static_cast<size_t>(py * SCREEN_W + px)] = 1;
    }
    std::vector<int> sum_;
};

// The place of a state: the miner without its walk-cycle frame, no items,
// and of each crumbling tile only whether it is gone, save the tiles the
// last step wore (`before` is the state it started from), which count by
// their frame. Without that merging the partly worn tiles a miner leaves
// behind multiply the places beyond any search; with it, a worn tile is met
// again as it was when first left. Even
// whether a tile is gone counts only near the miner (a row of crumbling
// floor would otherwise multiply the places by each subset of it gone).
uint64_t placeKey(const uint8_t* state, const uint8_t* before, size_t stride, size_t itemBytes,
                  const std::vector<Location>& crumbling, std::vector<uint8_t>& scratch) {
    scratch.assign(state, state + stride);
    scratch[4] = 0;
    scratch[5] = 0;
    std::fill(scratch.begin() + PLAYER_BYTES, scratch.begin() + PLAYER_BYTES + itemBytes, 0);
    const int x = packedX(state), y = packedY(state);
    for (size_t i = PLAYER_BYTES + itemBytes; i < stride; ++i) {
        if (before && before[i] != state[i]) {
            scratch[i] = static_cast<uint8_t>(0x80 | state[i] >> 4); // being worn: its frame
            continue;
        }
        const Location& tile = crumbling[i - PLAYER_BYTES - itemBytes];
        const bool near = std::abs(tile.x - x) <= NEAR_X && std::abs(tile.y - y) <= NEAR_Y;
        scratch[i] = near && (state[i] >> 4) >= CRUMBLED ? 0xff : 0;
    }
    return hashBytes(scratch.data(), stride, 0x7261705f6d696e65ull);
}

int find(std::vector<uint32_t>& parent, uint32_t p) {
    while (parent[p] != p)
        p = parent[p] = parent[parent[p]];
    return static_cast<int>(p);
}

// The cells the miner's body fills at (x, y), added to `cells`.
void addCells(int x, int y, std::set<std::pair<int, int>>& cells) {
    const int left = std::max(x, 0) / CELL + 1, right = (x + MINER_W - 1) / CELL + 1;
    const int top = std::max(y - GRID_TOP, 0) / CELL + 1;
    const int bottom = (y + MINER_H - 1 - GRID_TOP) / CELL + 1;
    for (int row = top; row <= std::min(bottom, GRID_ROWS); ++row)
        for (int column = left; column <= std::min(right, GRID_COLUMNS); ++column)
            if (x + MINER_W > 0 && y + MINER_H > GRID_TOP) cells.insert({row, column});
}

} // namespace

bool findTraps(Headless& session, const std::string& directory, int level,
               std::vector<LevelTrap>* traps, std::string* error, size_t maxPlaces) {
    traps->clear();
    LevelStepper world(session);
    if (!world.start(directory, level, error)) return false;
    if (world.exitCount() == 0) return true; // nothing can be won: every place would be a trap
    SweptArea swept;
    swept.build(session.world(), session.game().assets);

    // Every item taken: they do not move the miner, and the exit is open.
    const size_t stride = world.stride();
    const size_t itemBytes = (world.itemCount() + 7) / 8;
    std::vector<uint8_t> root = world.root();
    std::fill(root.begin() + PLAYER_BYTES, root.begin() + PLAYER_BYTES + itemBytes, 0);

    std::vector<uint8_t> states(root);
    std::vector<uint8_t> scratch;
    std::vector<Location> crumbling;
    for (const Platforms& t : session.world().platformList)
        if (t.kind == TILE_CRUMBLING) crumbling.push_back({t.x, t.y});
    auto keyOf = [&](const uint8_t* state, const uint8_t* before) {
        return placeKey(state, before, stride, itemBytes, crumbling, scratch);
    };
    std::vector<uint64_t> keys{keyOf(root.data(), nullptr)};
    std::unordered_map<uint64_t, uint32_t> index{{keys[0], 0}};
    std::vector<uint32_t> moves; // KEY_CHOICES per place
    std::vector<uint8_t> ends;   // the try can end from the place
    std::vector<uint8_t> child(stride), next(stride);
    size_t layerBegin = 0;
    int tick = 0;
    for (; tick < MAX_TICKS && layerBegin * stride < states.size(); ++tick) {
        const size_t layerEnd = states.size() / stride;
        for (size_t p = layerBegin; p < layerEnd; ++p) {
            const uint8_t* from = &states[p * stride];
            bool end = swept.touches(packedX(from), packedY(from), MINER_W, MINER_H);
            for (int choice = 0; choice < KEY_CHOICES; ++choice) {
                uint32_t to = NOWHERE;
                if (choice < choicesFrom(from)) {
                    StepResult r = world.step(from, tick, choice, child.data(), error);
                    uint64_t key = keyOf(child.data(), from);
                    // Standing still only wears the tile underfoot: wait on
                    // until the place changes (a tile's frame, or a fall).
                    const size_t tiles = PLAYER_BYTES + itemBytes;
                    const bool wearing =
                        !std::equal(child.begin() + tiles, child.end(), from + tiles);
                    for (int t = tick + 1; wearing && r == StepResult::Alive && key == keys[p] &&
                                           t < std::min(tick + MAX_WAIT, MAX_TICKS);
                         ++t) {
                        r = world.step(child.data(), t, 0, next.data(), error);
                        key = keyOf(next.data(), child.data());
                        child.swap(next);
                    }
                    if (r == StepResult::Error) return false;
                    if (r == StepResult::Died || r == StepResult::Won || world.reachedExit())
                        end = true;
                    if (r == StepResult::Alive && key != keys[p]) {
                        const auto [it, fresh] =
                            index.try_emplace(key, static_cast<uint32_t>(states.size() / stride));
                        if (fresh) {
                            states.insert(states.end(), child.begin(), child.end());
                            keys.push_back(key);
                            from = &states[p * stride]; // the states may have moved
                        }
                        to = it->second;
                    }
                }
                moves.push_back(to);
            }
            ends.push_back(end);
        }
        layerBegin = layerEnd;
        if (states.size() / stride > maxPlaces) {
            *error = "more than " + std::to_string(maxPlaces) + " places to search";
            return false;
        }
    }
    const size_t places = states.size() / stride;
    // Places met on the last tick were never tried: not known to be traps.
    ends.resize(places, 1);
    moves.resize(places * KEY_CHOICES, NOWHERE);

    // Backwards from every place that ends the try.
    std::vector<uint32_t> firstFrom(places + 1, 0);
    for (uint32_t to : moves)
        if (to != NOWHERE) ++firstFrom[to + 1];
    std::partial_sum(firstFrom.begin(), firstFrom.end(), firstFrom.begin());
    std::vector<uint32_t> from(firstFrom.back());
    std::vector<uint32_t> fill(firstFrom.begin(), firstFrom.end() - 1);
    for (size_t m = 0; m < moves.size(); ++m)
        if (moves[m] != NOWHERE) from[fill[moves[m]]++] = static_cast<uint32_t>(m / KEY_CHOICES);
    std::vector<uint8_t> escapes(ends);
    std::deque<uint32_t> queue;
    for (uint32_t p = 0; p < places; ++p)
        if (escapes[p]) queue.push_back(p);
    while (!queue.empty()) {
        const uint32_t to = queue.front();
        queue.pop_front();
        for (uint32_t k = firstFrom[to]; k < firstFrom[to + 1]; ++k)
            if (!escapes[from[k]]) {
                escapes[from[k]] = 1;
                queue.push_back(from[k]);
            }
    }

    // The trapped places, joined by the moves between them; then joined again
    // where their cells meet, since a designer sees cells.
    std::vector<uint32_t> parent(places);
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t m = 0; m < moves.size(); ++m) {
        const uint32_t p = static_cast<uint32_t>(m / KEY_CHOICES), to = moves[m];
        if (to != NOWHERE && !escapes[p] && !escapes[to])
            parent[static_cast<size_t>(find(parent, p))] = static_cast<uint32_t>(find(parent, to));
    }
    std::map<int, std::set<std::pair<int, int>>> groups;
    for (uint32_t p = 0; p < places; ++p)
        if (!escapes[p])
            addCells(packedX(&states[p * stride]), packedY(&states[p * stride]),
                     groups[find(parent, p)]);
    std::vector<std::set<std::pair<int, int>>> merged;
    for (auto& [root, cells] : groups) {
        if (cells.empty()) continue;
        std::set<std::pair<int, int>> joined = cells;
        for (auto it = merged.begin(); it != merged.end();) {
            const bool meets = std::any_of(it->begin(), it->end(),
                                           [&](const auto& c) { return joined.count(c) > 0; });
            if (meets) {
                joined.insert(it->begin(), it->end());
                it = merged.erase(it);
            } else {
                ++it;
            }
        }
        merged.push_back(std::move(joined));
    }
    for (const auto& cells : merged) {
        LevelTrap trap;
        for (const auto& [row, column] : cells)
            trap.cells.push_back({column, row});
        traps->push_back(std::move(trap));
    }
    std::sort(traps->begin(), traps->end(), [](const LevelTrap& a, const LevelTrap& b) {
        const LevelCell &p = a.cells.front(), &q = b.cells.front();
        return std::pair(p.row, p.column) < std::pair(q.row, q.column);
    });
    return true;
}
