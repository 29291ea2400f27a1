// audio_bench.cpp - cost of one mixing pass (512 stereo frames, 11.6 ms of
// output) with a number of voices, and of decoding a second of Ogg Vorbis.
// A pass must stay far below 11.6 ms; the game mixes up to a handful of voices.
#include "engine/audio/mixer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace {

void BM_MixFragment(benchmark::State& state) {
    mixerReset(true);
    const int voices = int(state.range(0));
    // Mono effects at the game's rates, looping so they never run out.
    const int rates[] = {22050, 11000, 11025, 44100};
    std::vector<SoundPtr> sounds;
    for (int i = 0; i < voices; ++i) {
        auto s = std::make_unique<Sound>();
        s->rate = rates[i % 4];
        s->frames = s->rate;
        s->samples.resize(size_t(s->frames));
        for (int f = 0; f < s->frames; ++f)
            s->samples[f] = int16_t((f * 37 + i * 101) % 20000 - 10000);
        s->flags = SOUND_LOOP;
        playSound(s.get());
        sounds.push_back(std::move(s));
    }
    std::vector<int16_t> out(2 * MIX_CHUNK);
    for (auto _ : state) {
        mixAudio(out.data(), MIX_CHUNK);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * MIX_CHUNK);
    mixerReset(false);
}
BENCHMARK(BM_MixFragment)->Arg(1)->Arg(8)->Arg(64);

struct BytesStream : Stream {
    const std::vector<uint8_t>& bytes;
    size_t pos = 0;
    explicit BytesStream(const std::vector<uint8_t>& b) : bytes(b) {}
    size_t read(void* dst, size_t n) override {
        n = std::min(n, bytes.size() - pos);
        if (n > 0) std::copy_n(bytes.data() + pos, n, static_cast<uint8_t*>(dst));
        pos += n;
        return n;
    }
    size_t write(const void*, size_t) override { return 0; }
    bool seek(int64_t p) override {
        pos = size_t(std::clamp<int64_t>(p, 0, int64_t(bytes.size())));
        return true;
    }
    int64_t position() const override { return int64_t(pos); }
    int64_t size() const override { return int64_t(bytes.size()); }
};

void BM_DecodeOneSecond(benchmark::State& state) {
    // The test data sits beside bench/ in the source tree.
    std::string path = __FILE__;
    path = path.substr(0, path.rfind("bench/")) + "tests/data/audio_noise22k.ogg";
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    for (auto _ : state) {
        SoundPtr s = decodeSound(std::make_unique<BytesStream>(bytes), 0);
        if (!s) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(s.get());
    }
}
BENCHMARK(BM_DecodeOneSecond);

} // namespace
