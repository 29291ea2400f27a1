// tick_bench.cpp - one tick of play with every pass, without a window, on the
// busiest shipped level (the most tiles, items, spikes and baddies), through
// the headless session the level tool uses. The goal is at most 1% of the
// 16.67 ms frame; the allocations per tick are reported beside it.
//
//   build/gloam_bench --benchmark_filter=PlayTick
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "game_process.h"
#include "shell/replay.h"

uint64_t benchAllocationCount(); // collision_bench.cpp

namespace {

constexpr double FRAME_NS = 1e9 / 60.0;

size_t entityCount(const GameState& g) {
    return g.platformList.size() + g.itemList.size() + g.spikeList.size() + g.baddieList.size();
}

// The level with the most entities once loaded; 0 when none loads.
int busiestLevel(Headless& session, const std::string& folder, size_t* entities) {
    std::string error;
    int best = 0;
    *entities = 0;
    if (!session.begin(folder, 1, &error)) return 0;
    const int count = session.world().levelCount;
    for (int level = 1; level <= count; ++level) {
        if (!session.begin(folder, level, &error) || !session.tick({}, &error)) continue;
        if (entityCount(session.world()) > *entities) {
            *entities = entityCount(session.world());
            best = level;
        }
    }
    return best;
}

double processCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A new game on the level, past the tick that loads it.
bool restart(Headless& session, const std::string& folder, int level) {
    std::string error;
    return session.begin(folder, level, &error) && session.tick({}, &error);
}

void PlayTickBusiestLevel(benchmark::State& state) {
    static Headless session; // loading every picture and sound takes a while
    const std::string folder = benchProgramFolder() + "/levels";
    size_t entities = 0;
    const int level = busiestLevel(session, folder, &entities);
    if (level == 0 || !restart(session, folder, level)) {
        state.SkipWithError(("no level loads from " + folder).c_str());
        return;
    }
    // Warm-up: every list and picture has been touched once.
    std::string error;
    for (int i = 0; i < 120; ++i)
        session.tick({}, &error);
    restart(session, folder, level);

    uint64_t allocations = 0;
    double seconds = 0, restartCpu = 0;
    const double cpu0 = processCpu();
    for (auto _ : state) {
        // The miner stands still; a lost life or the end of the air would
        // turn the next tick into a level load, so the game starts afresh.
        const GameState& g = session.world();
        if (g.loadLevelPending || g.player.lives < 4 || g.air < 2) {
            state.PauseTiming();
            const double before = processCpu();
            restart(session, folder, level);
            restartCpu += processCpu() - before;
            state.ResumeTiming();
        }
        const uint64_t before = benchAllocationCount();
        const double t0 = benchNow();
        const bool ticked = session.tick({}, &error);
        seconds += benchNow() - t0;
        allocations += benchAllocationCount() - before;
        if (!ticked) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    const double cpuNs =
        (processCpu() - cpu0 - restartCpu) * 1e9 / static_cast<double>(state.iterations());
    const double iterations = static_cast<double>(state.iterations());
    state.counters["level"] = level;
    state.counters["entities"] = static_cast<double>(entities);
    state.counters["allocations"] = static_cast<double>(allocations);
    const double wallNs = seconds * 1e9 / iterations;
    state.counters["cpu_frame_percent"] = 100.0 * cpuNs / FRAME_NS;
    std::printf("one play tick, no window, level %d (%zu entities): %.2f us CPU = %.3f %% of the "
                "16.67 ms frame (goal at most 1 %%); %.2f us wall = %.3f %%; %llu allocations in "
                "%.0f ticks\n",
                level, entities, cpuNs / 1000.0, 100.0 * cpuNs / FRAME_NS, wallNs / 1000.0,
                100.0 * wallNs / FRAME_NS, static_cast<unsigned long long>(allocations),
                iterations);
}
BENCHMARK(PlayTickBusiestLevel)->Iterations(20000)->Unit(benchmark::kMicrosecond);

} // namespace
