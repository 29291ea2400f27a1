// collision_bench.cpp - imagesOverlap speed, and proof that a call allocates
// nothing once warmed up.
//
// This file replaces the global operator new/delete of the gloam_bench
// binary with counting versions (malloc/free underneath); a program can hold
// only one such replacement, so other benchmarks should read
// benchAllocationCount() rather than add their own.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "engine/collision/collision.h"
#include "engine/resources/image.h"

namespace {
std::atomic<uint64_t> allocations{0};
} // namespace

uint64_t benchAllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

// The replacements pair malloc with free by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

// A masked frame: an ellipse of solid texels on transparent ones.
ImagePtr maskedFrame(int width, int height) {
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->flags = MASKED_IMAGE;
    image->frames.resize(1);
    PixelBuffer& px = image->frames[0].pixels;
    px = createPixelBuffer(width, height, PF_RGBA32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float dx = (x + 0.5f - width / 2.0f) / (width / 2.0f);
            const float dy = (y + 0.5f - height / 2.0f) / (height / 2.0f);
            if (dx * dx + dy * dy <= 1.0f)
                px.bytes[static_cast<size_t>(y * px.pitch + x * 4 + 3)] = 255;
        }
    }
    return image;
}

// The player (10 x 20) against a tile (10 x 10) at an offset where the boxes
// overlap, so every call scans; arg 1 places the tile clear of the player's
// box (the common, rejected case).
void BM_ImagesOverlap10x20vs10x10(benchmark::State& state) {
    ImagePtr player = maskedFrame(10, 20);
    ImagePtr tile = maskedFrame(10, 10);
    const int tileX = state.range(0) ? 30 : 104;
    const int tileY = state.range(0) ? 30 : 112;
    benchmark::DoNotOptimize(imagesOverlap(player.get(), 100, 100, 0, tile.get(), tileX, tileY, 0));
    const uint64_t before = benchAllocationCount();
    int hits = 0;
    for (auto _ : state) {
        hits += imagesOverlap(player.get(), 100, 100, 0, tile.get(), tileX, tileY, 0);
        benchmark::ClobberMemory();
    }
    const uint64_t allocated = benchAllocationCount() - before;
    state.counters["allocs_per_call"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations());
    state.counters["hit"] = hits > 0;
    if (allocated) state.SkipWithError("imagesOverlap allocated after warm-up");
}
BENCHMARK(BM_ImagesOverlap10x20vs10x10)->Arg(0)->Arg(1)->ArgName("apart");

} // namespace
