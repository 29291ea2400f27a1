// replay.cpp - the headless session and the replay scripts.
#include "shell/replay.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <sstream>

#include "engine/input/input.h"
#include "engine/io/random.h"
#include "engine/resources/resource_store.h"
#include "shell/play_loop.h"
#include "world/level_loader.h"

namespace {

std::string trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(begin, end - begin);
}

bool parseKeys(const std::string& keys, ReplayStep* step) {
    if (keys == "-") return true;
    for (char c : keys) {
        bool* flag = c == 'L'   ? &step->left
                     : c == 'R' ? &step->right
                     : c == 'J' ? &step->jump
                                : nullptr;
        if (!flag || *flag) return false; // unknown or repeated
        *flag = true;
    }
    return !keys.empty();
}

void sendKey(int code, bool want, bool& held) {
    if (want == held) return;
    inputKeyEvent(code, want, false);
    held = want;
}

// FNV-1a over the values fed in.
struct Hasher {
    uint64_t h = 1469598103934665603ull;
    void add(int64_t v) {
        for (int i = 0; i < 8; ++i) {
            h ^= static_cast<uint8_t>(v >> (8 * i));
            h *= 1099511628211ull;
        }
    }
    void add(const std::string& s) {
        add(static_cast<int64_t>(s.size()));
        for (char c : s)
            add(c);
    }
    void add(const Anim& a) {
        for (int v :
             {a.x, a.y, a.frame, a.frameStep, a.frameTimer, a.frameDelay, a.frameCount, a.animMode})
            add(v);
    }
};

} // namespace

bool parseReplay(const std::string& text, std::vector<ReplayStep>* steps, std::string* error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string count, keys, extra;
        words >> count >> keys >> extra;
        const std::string where = "line " + std::to_string(number) + ": ";
        ReplayStep step;
        auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), step.ticks);
        if (ec != std::errc() || end != count.data() + count.size() || step.ticks < 0) {
            if (error) *error = where + "expected a tick count, found \"" + count + "\"";
            return false;
        }
        if (keys.empty() || !extra.empty() || !parseKeys(keys, &step)) {
            if (error) *error = where + "expected keys (L, R, J or -) after the count";
            return false;
        }
        steps->push_back(step);
    }
    return true;
}

Headless::Headless() : game_(std::make_unique<Game>()) {
    registerEmbeddedResources();
    loadAssets(game_->assets);
}

Headless::~Headless() = default;

bool Headless::begin(const std::string& directory, int level, std::string* error) {
    inputReset();
    setInputPolling(true);
    rndReset();
    game_->world = GameState{};
    GameState& g = game_->world;
    g.levelDirectory = directory;
    g.startLevel = level;
    held_ = ReplayStep{};
    ticks_ = 0;
    completed_ = 0;
    if (!readLevelCount(g, error)) return false;
    newGame(*game_);
    return true;
}

bool Headless::tick(const ReplayStep& keys, std::string* error) {
    sendKey(KEY_LEFT, keys.left, held_.left);
    sendKey(KEY_RIGHT, keys.right, held_.right);
    sendKey(KEY_SPACE, keys.jump, held_.jump);
    if (!playTick(*game_, error)) return false;
    ++ticks_;
    // Only the exit sets a level change during a tick (the pause never runs
    // here), so a pending slide after the tick is a completed level.
    const GameState& g = game_->world;
    if (g.loadLevelPending && g.slideInPending) ++completed_;
    return true;
}

bool Headless::over() const {
    return playLoopOver(*game_);
}

ReplayResult Headless::result() const {
    const Player& p = game_->world.player;
    ReplayResult r;
    r.gameOver = p.lives <= 0;
    r.tick = ticks_;
    r.level = p.level;
    r.lives = p.lives;
    r.score = p.score;
    r.completed = completed_;
    return r;
}

bool runReplay(Headless& session, const std::vector<ReplayStep>& steps,
               const std::function<void(const Headless&)>& onTick, std::string* error) {
    for (const ReplayStep& step : steps) {
        for (int i = 0; i < step.ticks; ++i) {
            if (session.over()) return true;
            if (!session.tick(step, error)) return false;
            if (onTick) onTick(session);
        }
    }
    return true;
}

std::string traceLine(const Headless& session) {
    const GameState& g = session.world();
    const Player& p = g.player;
    std::string s = "tick=" + std::to_string(session.ticks()) +
                    " level=" + std::to_string(p.level) + " x=" + std::to_string(p.x) +
                    " y=" + std::to_string(p.y) + " frame=" + std::to_string(p.frame) +
                    " air=" + std::to_string(g.air) + " lives=" + std::to_string(p.lives) +
                    " score=" + std::to_string(p.score) +
                    " items=" + std::to_string(g.itemList.size()) + " baddies=";
    for (size_t i = 0; i < g.baddieList.size(); ++i) {
        const Baddie& b = g.baddieList[i];
        if (i) s += ',';
        s += std::to_string(b.x) + ':' + std::to_string(b.y) + ':' + std::to_string(b.frame);
    }
    return s;
}

std::string resultLine(const ReplayResult& r) {
    return std::string("result: ") + (r.gameOver ? "gameover" : "ended") +
           " tick=" + std::to_string(r.tick) + " level=" + std::to_string(r.level) +
           " lives=" + std::to_string(r.lives) + " score=" + std::to_string(r.score) +
           " completed=" + std::to_string(r.completed);
}

uint64_t worldHash(const GameState& g) {
    Hasher h;
    const Player& p = g.player;
    h.add(p);
    for (int v : {p.score, p.lives, p.jumpRise, p.movingLeft, p.movingRight, p.falling, p.jumping,
                  p.jumpTimer, p.level})
        h.add(v);
    h.add(g.livesAnim);
    for (const Platforms& t : g.platformList)
        for (int v : {t.x, t.y, t.kind, t.animTimer, t.animFrame, t.steppedOn, t.pictureId})
            h.add(v);
    for (const Coins& c : g.itemList) {
        h.add(c);
        h.add(c.points);
        h.add(c.itemKind);
    }
    for (const Spikes& s : g.spikeList)
        for (int v : {s.x, s.y, s.pictureId})
            h.add(v);
    for (const Baddie& b : g.baddieList) {
        h.add(b);
        h.add(b.kind);
        for (int v : {b.dirX, b.dirY, b.minX, b.maxX, b.minY, b.maxY, b.speedX, b.speedY})
            h.add(v);
    }
    for (const PixelMessage& m : g.messageList)
        for (int v : {m.kind, m.x, m.y, m.life})
            h.add(v);
    h.add(g.levelTitle);
    h.add(g.backdropName);
    for (int v : {g.levelCount, g.startLevel, g.itemKindOfLevel, g.itemFrames, g.itemAnimMode,
                  g.spikeStyle, g.air, g.loadLevelPending, g.slideInPending, g.playerDied,
                  g.hurryShown, g.quitToTitle, g.terrain.blockedAbove, g.terrain.blockedLeft,
                  g.terrain.blockedRight, g.terrain.climbUp, g.terrain.slopeJump})
        h.add(v);
    h.add(rndState());
    return h.h;
}
