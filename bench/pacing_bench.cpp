// pacing_bench.cpp - real frame pacing in a window: how long 600 frames of
// flipFrame(-1) take at 60 Hz (the target is 10000 ms, never 9600), and what
// one unpaced present costs. Needs an X server: run under xvfb-run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "engine/display/graphics.h"

namespace {

bool openBenchWindow(benchmark::State& state, int width, int height) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return false;
    }
    setGraphicsDefaultFlags(BACK_BUFFER);
    if (!openGraphics(width, height, 0, 60, 0)) {
        state.SkipWithError(graphicsError());
        return false;
    }
    return true;
}

void PacedSixHundredFrames(benchmark::State& state) {
    if (!openBenchWindow(state, 640, 480)) return;
    int64_t total = 0;
    for (auto _ : state) {
        flipFrame(-1); // start on the schedule, not at the moment of opening
        const int64_t start = millisecs();
        for (int frame = 0; frame < 600; ++frame)
            flipFrame(-1);
        total = millisecs() - start;
        state.SetIterationTime(static_cast<double>(total) / 1000.0);
    }
    state.counters["total_ms"] = static_cast<double>(total);
    std::printf("600 x flipFrame(-1) at 60 Hz in a 640 x 480 window: %lld ms\n",
                static_cast<long long>(total));
    closeGraphics();
}
BENCHMARK(PacedSixHundredFrames)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void UnpacedPresent(benchmark::State& state) {
    if (!openBenchWindow(state, 640, 480)) return;
    for (auto _ : state)
        flipFrame(0);
    closeGraphics();
}
BENCHMARK(UnpacedPresent)->Unit(benchmark::kMicrosecond);

} // namespace
