// render_bench.cpp - one frame of play's worth of drawing: 700 textured 10 x 10
// tiles through the 320 x 240 logical projection, in a 320 x 240 window
// (scale 1) and a 1024 x 768 window (scale 3.2). Each iteration ends with
// glFinish, so the time includes the GL's own work, not only submission; it
// is measured in real time because a software GL renders on threads of its own.
// Needs an X server (xvfb-run).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "engine/resources/image.h"

uint64_t benchAllocationCount(); // collision_bench.cpp

namespace {

ImagePtr tileStrip() {
    auto image = std::make_unique<Image>();
    image->width = 10;
    image->height = 10;
    image->flags = MASKED_IMAGE;
    image->frames.resize(4);
    for (int f = 0; f < 4; ++f) {
        PixelBuffer& px = image->frames[static_cast<size_t>(f)].pixels;
        px = createPixelBuffer(10, 10, PF_RGBA32);
        for (int i = 0; i < 100; ++i) {
            uint8_t* p = &px.bytes[static_cast<size_t>(i) * 4];
            p[0] = static_cast<uint8_t>(60 * f + i);
            p[1] = static_cast<uint8_t>(200 - i);
            p[2] = 90;
            p[3] = (i % 11 == 0) ? 0 : 255;
        }
    }
    return image;
}

void BM_Draw700Tiles(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = width * 3 / 4;
    if (!openGraphics(width, height, 0, 60, BACK_BUFFER)) {
        state.SkipWithError("no X display");
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 320, 240, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    {
        ImagePtr tiles = tileStrip();
        // Runs of the same frame, as a level's rows of one tile kind give.
        auto frame = [&] {
            clearScreen();
            for (int i = 0; i < 700; ++i) {
                const int cell = i % 608;
                drawImage(tiles.get(), static_cast<float>(cell % 32 * 10),
                          static_cast<float>(30 + cell / 32 * 10), (i / 40) % 4);
            }
            glFinish();
        };
        frame(); // realises the textures
        const uint64_t before = benchAllocationCount();
        for (auto _ : state)
            frame();
        state.counters["allocs_per_frame"] = static_cast<double>(benchAllocationCount() - before) /
                                             static_cast<double>(state.iterations());
        state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
    }
    closeGraphics();
}
BENCHMARK(BM_Draw700Tiles)
    ->Arg(320)
    ->Arg(1024)
    ->ArgName("window_width")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
