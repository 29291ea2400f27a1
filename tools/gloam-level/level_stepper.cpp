// level_stepper.cpp - packing the world, putting it back, and one tick of
// play through playTick. Also the small pieces the searches share: hashing,
// the set of states met and the lower bound on the ticks to a win.
#include "level_stepper.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/input/input.h"
#include "engine/resources/image.h"
#include "shell/play_loop.h"
#include "world/level_loader.h"

namespace {

constexpr int CRUMBLED = 4; // the crumbling tile's frame at which it is gone

// Far enough below every tile and item that no contact window reaches it.
constexpr int BEYOND_REACH = 30;
// Baddies whose picture is closer than this to the miner's, either way, take
// part in coarse keys: near enough to wait for, far enough to wait safely.
constexpr int NEAR_BADDIE = 20;
constexpr int FACING_LEFT = 8;
constexpr int PLAYER_WIDTH = 10;
constexpr int PLAYER_HEIGHT = 20;

// memcmp over zero bytes may still not be given a null pointer, and a level
// without items or crumbling floors has empty buffers.
bool sameBytes(const uint8_t* a, const uint8_t* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

void put16(uint8_t* p, int v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// A crumbling tile's whole state in one byte.
uint8_t packCrumble(const Platforms& t) {
    return static_cast<uint8_t>((t.animFrame & 7) << 4 | (t.animTimer & 7) << 1 |
                                (t.steppedOn & 1));
}
void unpackCrumble(uint8_t b, Platforms& t) {
    t.animFrame = b >> 4;
    t.animTimer = (b >> 1) & 7;
    t.steppedOn = b & 1;
}

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

uint64_t hashBaddies(const BaddieList& list) {
    uint64_t h = 0x9e3779b97f4a7c15ull;
    for (const Baddie& b : list)
        for (int v : {b.x, b.y, b.frame, b.frameStep, b.frameTimer, b.dirX, b.dirY})
            h = mix(h ^ static_cast<uint32_t>(v)) + 1;
    return h;
}

// Open addressing with linear probing; 0 marks an empty slot.
bool placeKey(std::vector<uint64_t>& slots, uint64_t key) {
    const size_t mask = slots.size() - 1;
    for (size_t i = key & mask;; i = (i + 1) & mask) {
        if (slots[i] == key) return false;
        if (slots[i] == 0) {
            slots[i] = key;
            return true;
        }
    }
}

} // namespace

uint64_t hashBytes(const uint8_t* p, size_t n, uint64_t seed) {
    uint64_t h = seed;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        h = mix(h ^ word) + i;
    }
    uint64_t tail = 0;
    for (size_t k = 0; i + k < n; ++k)
        tail |= static_cast<uint64_t>(p[i + k]) << (8 * k);
    return mix(h ^ tail ^ n);
}

uint64_t positionKey(const uint8_t* state) {
    uint8_t position[PLAYER_BYTES];
    std::memcpy(position, state, PLAYER_BYTES);
    position[4] = 0;
    position[5] = 0;
    return hashBytes(position, PLAYER_BYTES, 0);
}

bool StateSet::insert(uint64_t key) {
    if (key == 0) key = 1;
    if ((size_ + 1) * 2 > slots_.size()) {
        std::vector<uint64_t> bigger(slots_.size() * 2, 0);
        for (uint64_t k : slots_)
            if (k) placeKey(bigger, k);
        slots_.swap(bigger);
    }
    if (!placeKey(slots_, key)) return false;
    ++size_;
    return true;
}

ReplayStep keyChoice(int choice) {
    static const ReplayStep choices[KEY_CHOICES] = {
        {},
        {.left = true},
        {.right = true},
        {.jump = true},
        {.left = true, .jump = true},
        {.right = true, .jump = true},
    };
    return choices[choice];
}

// ---- LevelStepper -----------------------------------------------------------------------------

bool LevelStepper::start(const std::string& directory, int level, std::string* error) {
    if (!session_.begin(directory, level, error)) return false;
    Game& game = session_.game();
    GameState& g = game.world;
    if (level > g.levelCount) {
        *error = "there is no level " + std::to_string(level) + " in " + directory + " (" +
                 std::to_string(g.levelCount) + " levels)";
        return false;
    }
    // The level start that the first playTick would run; done here so that
    // the search can try every key choice from the first tick on.
    if (!loadLevel(g, game.assets, error)) return false;
    base_.take(g);

    items_ = g.itemList;
    baddieSize_.clear();
    for (const Baddie& b : g.baddieList) {
        const Image* picture = baddiePicture(game.assets, b.kind);
        baddieSize_.push_back({imageWidth(picture), imageHeight(picture)});
    }
    crumbling_.clear();
    exits_.clear();
    lowestY_ = 0;
    for (size_t i = 0; i < g.platformList.size(); ++i) {
        const Platforms& t = g.platformList[i];
        if (t.kind == TILE_CRUMBLING) crumbling_.push_back(i);
        if (t.kind == TILE_EXIT) exits_.push_back({t.x, t.y});
        lowestY_ = std::max(lowestY_, t.y + 2 * TILE_SIZE);
    }
    for (const Coins& c : items_)
        lowestY_ = std::max(lowestY_, c.y + TILE_SIZE);
    lowestY_ += BEYOND_REACH;

    itemBytes_ = (items_.size() + 7) / 8;
    stride_ = PLAYER_BYTES + itemBytes_ + crumbling_.size();
    schedule_.clear();
    record(0);
    root_.assign(stride_, 0);
    pack(root_.data());
    held_.assign(root_.begin() + PLAYER_BYTES, root_.end());
    return true;
}

uint64_t LevelStepper::stateKey(const uint8_t* state, int tick, bool exact) {
    const TickWorld& now = schedule_[static_cast<size_t>(tick)];
    if (exact) return hashBytes(state, stride_, now.hash);
    scratch_.assign(state, state + stride_);
    scratch_[4] = state[4] >= FACING_LEFT;
    scratch_[5] = 0;
    const int x = packedX(state);
    const int y = packedY(state);
    uint64_t near = 0x243f6a8885a308d3ull;
    for (size_t i = 0; i < now.baddies.size(); ++i) {
        const Baddie& b = now.baddies[i];
        const int gapX = std::max({b.x - (x + PLAYER_WIDTH), x - (b.x + baddieSize_[i].x), 0});
        const int gapY = std::max({b.y - (y + PLAYER_HEIGHT), y - (b.y + baddieSize_[i].y), 0});
        if (gapX > NEAR_BADDIE || gapY > NEAR_BADDIE) continue;
        for (int v :
             {static_cast<int>(i), b.x, b.y, b.frame, b.frameStep, b.frameTimer, b.dirX, b.dirY})
            near = mix(near ^ static_cast<uint32_t>(v)) + 1;
    }
    return hashBytes(scratch_.data(), stride_, near);
}

Location LevelStepper::exitPlace() const {
    return exits_.empty() ? Location{} : exits_.front();
}

namespace {

// The least ticks to bring a point of the span [a0, a1] into [b0, b1],
// moving at most `upward` pixels a tick toward larger values and `downward`
// toward smaller ones.
int spanTicks(int a0, int a1, int b0, int b1, int upward, int downward) {
    if (a1 < b0) return (b0 - a1 + upward - 1) / upward;
    if (b1 < a0) return (a0 - b1 + downward - 1) / downward;
    return 0;
}

struct Reach {
    int x0, x1, y0, y1; // the miner's corner anywhere in here touches the target
};
constexpr int FALL_SPEED = 1;
constexpr int RISE_SPEED = 3;
constexpr int WALK_SPEED = 1;

int ticksBetween(const Reach& a, const Reach& b) {
    // y grows downwards: larger values are reached by falling.
    return std::max(spanTicks(a.x0, a.x1, b.x0, b.x1, WALK_SPEED, WALK_SPEED),
                    spanTicks(a.y0, a.y1, b.y0, b.y1, FALL_SPEED, RISE_SPEED));
}

} // namespace

int LevelStepper::leastTicksToWin(const uint8_t* state) const {
    if (exits_.empty()) return INT_MAX / 2;
    const int x = packedX(state);
    const int y = packedY(state);
    const Reach miner{x, x, y, y};
    // An item is collected when the miner's corner is within 10 pixels of its
    // corner both ways; the exit when the mask (columns 2..7) overlaps the
    // 20 x 20 door at the start of a tick, which wins in that tick.
    int worst = 0;
    for (const Location& e : exits_) {
        const Reach door{e.x - 7, e.x + 17, e.y - 19, e.y + 19};
        int least = ticksBetween(miner, door) + 1;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (!itemLeft(state, i)) continue;
            const Coins& c = items_[i];
            const Reach item{c.x - 10, c.x + 10, c.y - 10, c.y + 10};
            least = std::max(least,
                             std::max(ticksBetween(miner, item), 1) + ticksBetween(item, door) + 1);
        }
        worst = worst == 0 ? least : std::min(worst, least);
    }
    return worst;
}

bool LevelStepper::reachedExit() const {
    const GameState& g = session_.world();
    return g.loadLevelPending && g.slideInPending;
}

bool LevelStepper::itemLeft(const uint8_t* state, size_t i) const {
    return (state[PLAYER_BYTES + i / 8] >> (i % 8)) & 1;
}

int LevelStepper::itemsLeft(const uint8_t* state) const {
    int n = 0;
    for (size_t i = 0; i < itemBytes_; ++i)
        n += __builtin_popcount(state[PLAYER_BYTES + i]);
    return n;
}

void LevelStepper::pack(uint8_t* out) const {
    const GameState& g = session_.world();
    const Player& p = g.player;
    put16(out, p.x);
    put16(out + 2, p.y);
    out[4] = static_cast<uint8_t>(p.frame);
    out[5] = static_cast<uint8_t>(p.frameTimer);
    out[6] = static_cast<uint8_t>(p.jumping);
    // The timer is only read during a jump, and every jump starts it at 0.
    out[7] = static_cast<uint8_t>(p.jumping ? p.jumpTimer : 0);

    uint8_t* bits = out + PLAYER_BYTES;
    std::memset(bits, 0, itemBytes_);
    // Items only ever leave the list, which keeps its order.
    size_t at = 0;
    for (const Coins& c : g.itemList) {
        while (at < items_.size() && (items_[at].x != c.x || items_[at].y != c.y))
            ++at;
        if (at == items_.size()) break;
        bits[at / 8] |= static_cast<uint8_t>(1u << (at % 8));
        ++at;
    }

    uint8_t* crumbles = bits + itemBytes_;
    if (crumbling_.empty()) return;
    const PlatformList& base = base_.world().platformList;
    size_t next = 0;
    for (size_t k = 0; k < crumbling_.size(); ++k)
        crumbles[k] = CRUMBLED << 4;
    for (const Platforms& t : g.platformList) {
        if (t.kind != TILE_CRUMBLING) continue;
        while (next < crumbling_.size() &&
               (base[crumbling_[next]].x != t.x || base[crumbling_[next]].y != t.y))
            ++next;
        if (next == crumbling_.size()) break;
        crumbles[next++] = packCrumble(t);
    }
}

void LevelStepper::restore(const uint8_t* state, int tick) {
    GameState& g = session_.game().world;
    const GameState& base = base_.world();

    g.player = base.player;
    Player& p = g.player;
    p.x = packedX(state);
    p.y = packedY(state);
    p.frame = state[4];
    p.frameTimer = state[5];
    p.jumping = state[6];
    p.jumpTimer = state[7];
    for (size_t i = 0; i < items_.size(); ++i)
        if (!itemLeft(state, i)) p.score += items_[i].points;

    const TickWorld& now = schedule_[static_cast<size_t>(tick)];
    g.baddieList = now.baddies;
    g.hurryShown = now.hurryShown;
    g.air = base.air - tick;
    g.messageList.clear();
    g.loadLevelPending = 0;
    g.slideInPending = 0;
    g.playerDied = 0;
    g.quitToTitle = 0;

    // Lists are rebuilt only when they hold other items or tiles than wanted.
    const uint8_t* wanted = state + PLAYER_BYTES;
    if (!sameBytes(held_.data(), wanted, itemBytes_)) {
        g.itemList.clear();
        for (size_t i = 0; i < items_.size(); ++i)
            if (itemLeft(state, i)) g.itemList.push_back(items_[i]);
    }
    if (!sameBytes(held_.data() + itemBytes_, wanted + itemBytes_, crumbling_.size())) {
        g.platformList.clear();
        size_t k = 0;
        for (size_t i = 0; i < base.platformList.size(); ++i) {
            Platforms t = base.platformList[i];
            if (k < crumbling_.size() && crumbling_[k] == i) {
                unpackCrumble(wanted[itemBytes_ + k++], t);
                if (t.animFrame == CRUMBLED) continue;
            }
            g.platformList.push_back(t);
        }
    }
    held_.assign(wanted, wanted + itemBytes_ + crumbling_.size());
}

void LevelStepper::record(int tick) {
    const GameState& g = session_.world();
    if (static_cast<size_t>(tick) != schedule_.size()) return;
    schedule_.push_back({g.baddieList, g.hurryShown, hashBaddies(g.baddieList)});
}

void LevelStepper::setProgress(std::function<void(uint64_t)> report, uint64_t every) {
    progress_ = std::move(report);
    progressEvery_ = every;
}

StepResult LevelStepper::step(const uint8_t* state, int tick, int choice, uint8_t* child,
                              std::string* error) {
    if (progress_ && ++steps_ % progressEvery_ == 0) progress_(steps_);
    restore(state, tick);
    const ReplayStep keys = keyChoice(choice);
    inputKeyEvent(KEY_LEFT, keys.left, false);
    inputKeyEvent(KEY_RIGHT, keys.right, false);
    inputKeyEvent(KEY_SPACE, keys.jump, false);
    Game& game = session_.game();
    if (!playTick(game, error)) return StepResult::Error;
    record(tick + 1);
    const GameState& g = game.world;
    // The tick may have taken items and worn tiles: what the world holds now.
    pack(child);
    held_.assign(child + PLAYER_BYTES, child + stride_);
    if (g.playerDied) return StepResult::Died;
    if (g.loadLevelPending && g.slideInPending) return StepResult::Won;
    if (!g.player.jumping && g.player.y > lowestY_) return StepResult::Lost;
    return StepResult::Alive;
}
