// floor_bench.cpp - the CPU the real game takes per frame against the floor
// program (gloam_floor: one 320 x 240 picture enlarged to the same window,
// 60 frames a second), in the same run, at each window scale and in full
// screen.
//
// The game runs as a child process standing at the start of level 1 (F1,
// then S S S W, as a player would press them); the floor runs in the same
// window size just before or after it, alternating from round to round. The
// game's figure is its CPU time (user + system, every thread, from
// /proc/PID/stat) over 10 s after 1 s of settling, divided by the 600 frames
// those 10 s hold at 60 frames a second; the floor reports its own CPU time
// over its 600 frames after 60 (from /proc/self/stat) and its frames later
// than 20 ms. The ratio is the median over the rounds. On a loaded machine a
// game that falls behind 60 frames a second shows less CPU per frame than
// it takes: read the play bench's frame counts beside these.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/gloam_bench --benchmark_filter=FloorRatio
//   (BENCH_ROUNDS=n, default 3; GLOAM_BENCH_GAME=/path/gloam measures another build)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "game_process.h"

namespace {

constexpr double SETTLE_S = 1.0;
constexpr double MEASURE_S = 10.0;

void pauseFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

struct Mode {
    const char* name;
    const char* keys;  // what takes the game there from the mode before
    int width, height; // -1: the whole display
};

const Mode MODES[] = {
    {"320x240", "", 320, 240},    {"640x480", "s", 640, 480},   {"800x600", "s", 800, 600},
    {"1024x768", "s", 1024, 768}, {"full screen", "w", -1, -1},
};
constexpr int MODE_COUNT = 5;

// CPU ms per frame of pid over the measuring time, after settling.
double cpuPerFrameMs(pid_t pid) {
    pauseFor(SETTLE_S);
    const double cpu0 = processCpuSeconds(pid), t0 = benchNow();
    pauseFor(MEASURE_S);
    const double cpu = processCpuSeconds(pid) - cpu0, wall = benchNow() - t0;
    return cpu * 1000 / (wall * 60);
}

bool measureFloor(const Mode& m, int w, int h, double* ms, int* late, double* worst) {
    FloorProcess floor;
    FloorProcess::Report report;
    if (!floor.start(w, h, m.width < 0) || !floor.finish(120, &report)) return false;
    *ms = report.cpuMs;
    *late = report.late;
    *worst = report.worstMs;
    return report.counted == 600;
}

// Every mode in one game: F1, stand, then S S S W.
bool measureGame(XProbe& x, int displayW, int displayH, double* ms) {
    GameProcess game;
    unsigned long window = 0;
    if (!game.start() || !waitForTitle(game, x, 120, &window)) return false;
    XProbe::key(window, "F1");
    pauseFor(3); // the level slides in
    for (int i = 0; i < MODE_COUNT; ++i) {
        const Mode& m = MODES[i];
        if (*m.keys) XProbe::key(window, m.keys);
        window = windowOfSize(game, x, m.width > 0 ? m.width : displayW,
                              m.height > 0 ? m.height : displayH);
        if (!window) return false;
        ms[i] = cpuPerFrameMs(game.pid());
    }
    return game.stop() == 0;
}

void FloorRatioOfCpuPerFrame(benchmark::State& state) {
    XProbe x;
    if (!x.open() || std::system("xdotool version >/dev/null 2>&1") != 0) {
        state.SkipWithError("needs an X server and xdotool (run under xvfb-run)");
        return;
    }
    int displayW = 0, displayH = 0;
    x.size(x.root(), &displayW, &displayH);
    const char* roundsText = std::getenv("BENCH_ROUNDS");
    const int rounds = roundsText ? std::max(1, std::atoi(roundsText)) : 3;
    std::vector<double> floorMs[MODE_COUNT], gameMs[MODE_COUNT], ratio[MODE_COUNT];
    std::vector<double> floorLate[MODE_COUNT], floorWorst[MODE_COUNT];
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            double game[MODE_COUNT] = {}, floor[MODE_COUNT] = {};
            int late[MODE_COUNT] = {};
            double worst[MODE_COUNT] = {};
            auto floors = [&] {
                for (int i = 0; i < MODE_COUNT; ++i) {
                    const Mode& m = MODES[i];
                    const int w = m.width > 0 ? m.width : displayW;
                    const int h = m.height > 0 ? m.height : displayH;
                    if (!measureFloor(m, w, h, &floor[i], &late[i], &worst[i])) return false;
                }
                return true;
            };
            auto games = [&] { return measureGame(x, displayW, displayH, game); };
            const bool ok = round % 2 == 0 ? floors() && games() : games() && floors();
            if (!ok) {
                state.SkipWithError("the floor or the game did not run through every mode");
                return;
            }
            for (int i = 0; i < MODE_COUNT; ++i) {
                floorMs[i].push_back(floor[i]);
                gameMs[i].push_back(game[i]);
                ratio[i].push_back(game[i] / floor[i]);
                floorLate[i].push_back(late[i]);
                floorWorst[i].push_back(worst[i]);
            }
        }
    }
    for (int i = 0; i < MODE_COUNT; ++i) {
        std::printf(
            "CPU per frame, %s: game %.2f ms, floor %.2f ms, game / floor %.2f (median of "
            "%d rounds; ratios %s); floor frames later than 20 ms: %.0f of 600 (worst "
            "%.1f ms)\n",
            MODES[i].name, median(gameMs[i]), median(floorMs[i]), median(ratio[i]), rounds,
            [&] {
                std::string s;
                for (double r : ratio[i]) {
                    char b[16];
                    std::snprintf(b, sizeof b, "%s%.2f", s.empty() ? "" : " ", r);
                    s += b;
                }
                return s;
            }()
                .c_str(),
            median(floorLate[i]), median(floorWorst[i]));
        state.counters[std::string("ratio_") + MODES[i].name] = median(ratio[i]);
    }
}
BENCHMARK(FloorRatioOfCpuPerFrame)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
