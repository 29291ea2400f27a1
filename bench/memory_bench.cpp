// memory_bench.cpp - the peak resident memory (VmHWM) of the real game during a
// game: it runs as a child process under the X server of DISPLAY and is
// played with real key presses (xdotool): F1, a walk, every window scale up to
// 1024 x 768, the pause there, full screen with the pause, and back. The goal
// is at most 16 MiB above the floor program (one 320 x 240 picture shown
// enlarged) in the same mode: its peak is taken in a 1024 x 768 window and in
// full screen, 3 s each, in the same run. The whole peak is printed too, with
// the older goal of 48 MiB, which software GL alone goes beyond here.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/gloam_bench --benchmark_filter=PeakMemory
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "game_process.h"

namespace {

void pauseFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

struct Step {
    const char* keys;  // xdotool key names
    int width, height; // the window after the keys
    double seconds;    // played before the next step
};

void PeakMemoryDuringAGame(benchmark::State& state) {
    XProbe x;
    if (!x.open() || std::system("xdotool version >/dev/null 2>&1") != 0) {
        state.SkipWithError("needs an X server and xdotool (run under xvfb-run)");
        return;
    }
    int displayW = 0, displayH = 0;
    const Step steps[] = {
        {"F1", 320, 240, 3}, {"s", 640, 480, 2},  {"s", 800, 600, 2}, {"s", 1024, 768, 3},
        {"h", 1024, 768, 1}, {"h", 1024, 768, 2}, {"w", -1, -1, 3},   {"h", -1, -1, 1},
        {"h", -1, -1, 2},    {"w", 1024, 768, 2}, {"s", 320, 240, 3},
    };
    for (auto _ : state) {
        GameProcess game;
        unsigned long window = 0;
        if (!game.start() || !waitForTitle(game, x, 120, &window)) {
            state.SkipWithError("the game showed no title");
            return;
        }
        const long atTitle = game.rssKiB();
        long peakWindowed = 0; // up to the first W: the windows up to 1024 x 768
        // The anonymous part (the game's own heap, pictures, sounds, buffers)
        // and the file-backed part (program and libraries, much of it shared
        // with other processes) are sampled apart for their own peaks.
        std::atomic<bool> sampling{true};
        long peakAnon = 0, peakFile = 0;
        std::thread sampler([&] {
            while (sampling) {
                peakAnon = std::max(peakAnon, statusKiB(game.pid(), "RssAnon"));
                peakFile = std::max(peakFile, statusKiB(game.pid(), "RssFile"));
                pauseFor(0.02);
            }
        });
        // Full screen covers the display.
        if (!x.size(x.root(), &displayW, &displayH)) displayW = displayH = 0;
        for (const Step& step : steps) {
            if (std::string(step.keys) == "w" && !peakWindowed) peakWindowed = game.peakRssKiB();
            XProbe::key(window, step.keys);
            const int w = step.width > 0 ? step.width : displayW;
            const int h = step.height > 0 ? step.height : displayH;
            window = windowOfSize(game, x, w, h);
            if (!window) {
                state.SkipWithError("the game window did not reach its size");
                return;
            }
            if (std::string(step.keys) == "F1") {
                // A short walk once the level has slid in.
                pauseFor(step.seconds);
                std::system(("xdotool windowfocus --sync " + std::to_string(window) +
                             " keydown Right sleep 0.5 keyup Right keydown Left sleep 0.5 keyup "
                             "Left key space")
                                .c_str());
            } else {
                pauseFor(step.seconds);
            }
        }
        const long peak = game.peakRssKiB();
        sampling = false;
        sampler.join();
        const int status = game.stop();
        if (status != 0) state.SkipWithError("the game did not end with status 0");
        const double mib = 1024.0;
        state.counters["peak_MiB"] = static_cast<double>(peak) / mib;
        long floorWindowed = 0, floorFull = 0;
        for (const bool full : {false, true}) {
            FloorProcess floor;
            if (!floor.start(1024, 768, full)) break;
            pauseFor(3);
            (full ? floorFull : floorWindowed) = statusKiB(floor.pid(), "VmHWM");
            FloorProcess::Report report;
            floor.finish(0, &report); // stopped early: only its memory counts here
        }
        std::printf("peak resident memory, game - floor: up to a 1024 x 768 window %.1f - %.1f = "
                    "%+.1f MiB; with full screen %.1f - %.1f = %+.1f MiB (goal at most +16 MiB)\n",
                    static_cast<double>(peakWindowed) / mib,
                    static_cast<double>(floorWindowed) / mib,
                    static_cast<double>(peakWindowed - floorWindowed) / mib,
                    static_cast<double>(peak) / mib, static_cast<double>(floorFull) / mib,
                    static_cast<double>(peak - floorFull) / mib);
        std::printf(
            "peak resident memory during a game: %.1f MiB (older goal at most 48 MiB); at the "
            "title %.1f MiB; peaks of its parts: anonymous %.1f MiB, file-backed %.1f MiB\n",
            static_cast<double>(peak) / mib, static_cast<double>(atTitle) / mib,
            static_cast<double>(peakAnon) / mib, static_cast<double>(peakFile) / mib);
    }
}
BENCHMARK(PeakMemoryDuringAGame)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
