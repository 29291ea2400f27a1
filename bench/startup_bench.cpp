// startup_bench.cpp - start-up of the real game, from process start to the
// first presented title frame, against the floor set by decoding the seven
// Ogg files alone with oggdec (an older floor: the game once decoded them all
// before the title; now the tunes stream and the rest decodes behind it), and
// against the floor program, the figure the goal is set on.
//
// The game is not changed for this: it runs as a child process under the X
// server of DISPLAY, and a thin band of its window (game_process.h) is read
// about every millisecond until it equals the title picture's. Each round runs the
// game and then oggdec on the same files, so both see the same load; the
// figures are medians of the rounds, in wall time and in CPU time (the
// process with all its threads; oggdec's seven processes together).
// Each round also starts the floor program (gloam_floor, a 320 x 240 window
// showing one picture), before the game in odd rounds and after it in even
// ones, and times it to its first presented frame the same way.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/gloam_bench --benchmark_filter=StartUp
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/resources/embedded.h"
#include "game_process.h"

namespace {

constexpr double TIMEOUT_S = 120;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The embedded Ogg files written out for oggdec.
std::vector<std::string> writeOggFiles(const std::string& folder) {
    std::vector<std::string> paths;
    int count = 0;
    const EmbeddedFile* files = embeddedFiles(&count);
    for (int i = 0; i < count; ++i) {
        const std::string name = files[i].name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".ogg") != 0) continue;
        std::string path = folder + "/" + name.substr(4);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(files[i].begin), files[i].end - files[i].begin);
        if (out) paths.push_back(path);
    }
    return paths;
}

bool runOggdec(const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        execlp("oggdec", "oggdec", "-Q", "-o", "/dev/null", path.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct StartUp {
    double windowS = 0; // the window first viewable (the loading picture)
    double titleS = 0;  // the title picture presented
    double cpuS = 0;    // the game's CPU time up to then
};

bool measureStartUp(XProbe& x, const std::vector<uint8_t>& reference, StartUp* result,
                    std::string* error) {
    GameProcess game;
    if (!game.ready()) {
        *error = "cannot copy the game and its levels";
        return false;
    }
    const double t0 = benchNow();
    if (!game.start()) {
        *error = "cannot start the game";
        return false;
    }
    unsigned long window = 0;
    std::vector<uint8_t> pixels;
    for (;;) {
        const double now = benchNow();
        if (now - t0 > TIMEOUT_S || !game.running()) {
            *error = "no title screen";
            return false;
        }
        if (!window && (window = x.findWindow("Gloam Didaruv"))) result->windowS = now - t0;
        if (window && x.grab(window, 0, PROBE_TOP, 320, PROBE_ROWS, &pixels) &&
            rgbMismatch(pixels, reference) < 0.01) {
            result->titleS = benchNow() - t0;
            result->cpuS = game.cpuSeconds();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (game.stop() != 0) {
        *error = "the game did not end with status 0";
        return false;
    }
    return true;
}

// Process start to the floor's first frame on its window, in seconds; < 0
// when it never showed.
double floorStartUp(XProbe& x) {
    static const std::vector<uint8_t> reference = floorBandReference();
    FloorProcess floor;
    const double t0 = benchNow();
    if (!floor.start(320, 240, false)) return -1;
    unsigned long window = 0;
    std::vector<uint8_t> pixels;
    while (benchNow() - t0 < TIMEOUT_S && floor.running()) {
        if (!window) window = x.findWindow("Gloam floor");
        if (window && x.grab(window, 0, PROBE_TOP, 320, PROBE_ROWS, &pixels) &&
            rgbMismatch(pixels, reference) < 0.01)
            return benchNow() - t0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

void StartUpToTitleAgainstOggdec(benchmark::State& state) {
    XProbe x;
    if (!x.open()) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    const std::vector<uint8_t> reference = titleBandReference();
    char pattern[] = "/tmp/gloam_ogg.XXXXXX";
    std::vector<std::string> oggs;
    if (mkdtemp(pattern)) oggs = writeOggFiles(pattern);
    if (reference.empty() || oggs.size() != 7) {
        state.SkipWithError("no title picture or not seven Ogg files");
        return;
    }
    // The band must not take the loading picture for the title.
    if (rgbMismatch(pictureBand("incbin::gfx\\loading.bmp"), reference) < 0.25) {
        state.SkipWithError("the probe band does not tell the loading picture from the title");
        return;
    }
    std::vector<double> window, title, cpu, floorWall, floorCpu, floorFrame;
    for (auto _ : state) {
        StartUp s;
        std::string error;
        const bool floorFirst = floorFrame.size() % 2 == 0;
        const double floorBefore = floorFirst ? floorStartUp(x) : 0;
        const bool gameRan = measureStartUp(x, reference, &s, &error);
        const double floorS = floorFirst ? floorBefore : floorStartUp(x);
        if (floorS < 0) {
            state.SkipWithError("the floor program showed no frame");
            break;
        }
        floorFrame.push_back(floorS);
        if (!gameRan) {
            state.SkipWithError(error.c_str());
            break;
        }
        const double cpu0 = childCpuSeconds(), t0 = benchNow();
        for (const std::string& path : oggs) {
            if (!runOggdec(path)) state.SkipWithError("oggdec failed");
        }
        floorWall.push_back(benchNow() - t0);
        floorCpu.push_back(childCpuSeconds() - cpu0);
        window.push_back(s.windowS);
        title.push_back(s.titleS);
        cpu.push_back(s.cpuS);
        state.SetIterationTime(s.titleS);
    }
    for (const std::string& path : oggs)
        std::remove(path.c_str());
    rmdir(pattern);
    if (title.empty()) return;
    const double ms = 1000;
    state.counters["title_ms"] = median(title) * ms;
    state.counters["oggdec_ms"] = median(floorWall) * ms;
    std::printf("start-up to the first title frame: %.0f ms wall, %.0f ms CPU (window shown at "
                "%.0f ms; median of %zu)\n",
                median(title) * ms, median(cpu) * ms, median(window) * ms, title.size());
    std::printf("oggdec of the same 7 Ogg files: %.0f ms wall, %.0f ms CPU\n",
                median(floorWall) * ms, median(floorCpu) * ms);
    std::printf("start-up / oggdec floor: %.2f (wall), %.2f (CPU); older goal at most 1.2\n",
                median(title) / median(floorWall), median(cpu) / median(floorCpu));
    std::printf("start-up to the first frame: game %.0f ms, floor program %.0f ms: game - floor "
                "%.0f ms (goal at most 20 ms), game / floor %.2f (medians of %zu, alternating)\n",
                median(title) * ms, median(floorFrame) * ms,
                (median(title) - median(floorFrame)) * ms, median(title) / median(floorFrame),
                title.size());
}
BENCHMARK(StartUpToTitleAgainstOggdec)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
