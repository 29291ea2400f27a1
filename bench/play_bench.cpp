// play_bench.cpp - the game's own play loop in a window, as the program runs
// it: the first level with its backdrop, tiles, items and status band, the
// in-game tune playing, every frame paced by flipFrame(-1). At each of the
// four window scales and in full screen it plays 600 frames and reports
//   - the process CPU time per frame (every thread: the game's, the GL's
//     rendering threads and the mixer) and its share of one core at 60
//     frames a second (CPU per frame / 16.67 ms);
//   - the wall time of the 600 frames (10000 ms when the pacing holds) and the
//     frames that took longer than 20 ms.
// The miner stands at the start, so the run is the same every time. Before
// each mode the floor program (gloam_floor) shows its one picture in the same
// window for 11 s, and its frames later than 20 ms among 600 are given
// beside the game's, with its CPU time per frame and the game's ratio to it.
// While the game plays, a thread beside it does nothing but sleep to a 60 Hz
// schedule (WakeProbe): its wake-ups more than 3 ms late are the frames the
// machine itself would have made late at that time, whatever the program.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/gloam_bench --benchmark_filter=PlayInWindow
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/audio/audio.h"
#include "engine/display/graphics.h"
#include "engine/resources/resource_store.h"
#include "game_process.h"
#include "shell/game.h"
#include "shell/play_loop.h"
#include "world/level_loader.h"

namespace {

constexpr int FRAMES = 600;
constexpr int WARM_UP = 60;
constexpr double LATE_MS = 20;
constexpr double FRAME_MS = 1000.0 / 60.0;

double ownCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Start-up as the program does it, with a 320 x 240 window and level 1 pending.
bool startGame(Game& game, std::string* error) {
    registerEmbeddedResources();
    setGraphicsDefaultFlags(BACK_BUFFER);
    setWindowTitle("Gloam Didaruv benchmark");
    Screen& screen = game.shell.screen;
    screen.colourDepth = 0;
    screen.scale = 1.0f;
    screen.apply();
    setenv("SDL_AUDIODRIVER", "dummy", 0); // the mixer runs as in the game, no sound card needed
    audioOpen();
    loadAssets(game.assets);
    GameState& g = game.world;
    g.levelDirectory = benchProgramFolder() + "/levels";
    g.startLevel = 1;
    g.airMax = AIR_MAX;
    g.tileSize = TILE_SIZE;
    if (!readLevelCount(g, error)) return false;
    game.shell.musicOn = 1;
    newGame(game);
    return playTick(game, error); // loads level 1 and plays its slide
}

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    double serverCpuMs = 0; // the X server's, drawing the presented frames
    double worstMs = 0;
    int late = 0;
    int lateWoken = 0; // of them, after the game's sleep ended over 2 ms late
    int lateSwap = 0;  // else with a swap over 2 ms
};

bool playFrames(Game& game, int frames, Run* run, std::string* error) {
    static const pid_t server = displayServerPid();
    const double server0 = server > 0 ? processCpuSeconds(server) : 0;
    const double cpu0 = ownCpuSeconds();
    const double start = benchNow();
    double last = start;
    for (int i = 0; i < frames; ++i) {
        if (!playTick(game, error)) return false;
        const double now = benchNow();
        const double ms = (now - last) * 1000;
        if (ms > LATE_MS) {
            ++run->late;
            const FrameTimes times = lastFrameTimes();
            if (times.wokeLateUs > 2000)
                ++run->lateWoken;
            else if (times.swapUs > 2000)
                ++run->lateSwap;
        }
        if (ms > run->worstMs) run->worstMs = ms;
        last = now;
    }
    run->wallMs = (last - start) * 1000;
    run->cpuMs = (ownCpuSeconds() - cpu0) * 1000;
    if (server > 0) run->serverCpuMs = (processCpuSeconds(server) - server0) * 1000;
    return true;
}

void PlayInWindowAtEachScale(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    static Game game; // like the program's; lives to the end of the process
    std::string error;
    for (auto _ : state) {
        if (!startGame(game, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        for (int step = 0; step < 5; ++step) {
            Screen& screen = game.shell.screen;
            const bool full = step == 4;
            FloorProcess::Report floorRun;
            {
                const int sizes[] = {320, 640, 800, 1024, 1024}; // the S cycle, then W
                int w = sizes[step], h = w * 3 / 4;
                // Full screen, the floor covers the display as the game does:
                // without a window manager it would keep the size it asks for.
                if (full) desktopSize(&w, &h);
                FloorProcess floor;
                if (!floor.start(w, h, full) || !floor.finish(60, &floorRun)) floorRun.counted = 0;
            }
            if (full)
                screen.toggleFullScreen();
            else if (step > 0)
                screen.cycleScale(0);
            Run warm, run;
            WakeProbe probe;
            if (!playFrames(game, WARM_UP, &warm, &error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            probe.start();
            if (!playFrames(game, FRAMES, &run, &error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            const int lateWakes = probe.stop();
            const Screen& s = game.shell.screen;
            // At 60 frames a second a core has 16.67 ms per frame to give.
            const double perFrame = run.cpuMs / FRAMES;
            const double share = perFrame / FRAME_MS;
            std::printf(
                "play at %dx%d%s (scale %.1f): CPU %.2f ms per frame = %.1f %% of one "
                "core at 60 frames a second (floor program %.2f ms, game / floor %.2f); "
                "%d frames in %.0f ms wall, %d later than 20 ms (%d after a sleep that ended "
                "over 2 ms late, %d else with a swap over 2 ms; worst %.1f ms; the floor "
                "program: %d of %d, %d and %d of them, worst %.1f ms); "
                "a thread only sleeping beside the game woke over 3 ms late %d times in "
                "%d; the X server's CPU %.2f ms per frame\n",
                s.windowWidth, s.windowHeight, full ? " full screen" : "",
                static_cast<double>(s.scale), perFrame, 100.0 * share, floorRun.cpuMs,
                floorRun.cpuMs > 0 ? perFrame / floorRun.cpuMs : 0.0, FRAMES, run.wallMs, run.late,
                run.lateWoken, run.lateSwap, run.worstMs, floorRun.late, floorRun.counted,
                floorRun.lateWoken, floorRun.lateSwap, floorRun.worstMs, lateWakes, probe.sleeps(),
                run.serverCpuMs / FRAMES);
            const std::string size = std::to_string(s.windowWidth) + (full ? "_full" : "");
            state.counters["cpu_share_" + size] = share;
            state.counters["wall_ms_" + size] = run.wallMs;
            state.counters["late_" + size] = run.late;
            state.counters["late_wakes_" + size] = lateWakes;
        }
        stopChannel(game.shell.musicChannel);
        closeGraphics();
    }
}
BENCHMARK(PlayInWindowAtEachScale)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
