// audio_test.cpp - the Ogg Vorbis decoder, the mixer's arithmetic and voice
// table (mixAudio called directly), and the real output path through SDL's
// "disk" driver, which writes everything the callback mixes to a file.
#include "engine/audio/audio.h"
#include "engine/audio/mixer.h"
#include "engine/resources/resource_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string dataPath(const char* name) {
    return std::string(GLOAM_SOURCE_DIR "/tests/data/") + name;
}

// A memory stream that can refuse to seek or start failing after some bytes.
struct TestStream : Stream {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
    bool seekable = true;
    size_t failAfter = SIZE_MAX; // total bytes read before reads return 0
    std::shared_ptr<size_t> delivered = std::make_shared<size_t>(0);

    explicit TestStream(std::vector<uint8_t> b) : bytes(std::move(b)) {}
    size_t read(void* dst, size_t n) override {
        n = std::min({n, bytes.size() - pos, failAfter - std::min(failAfter, *delivered)});
        if (n > 0) std::memcpy(dst, bytes.data() + pos, n);
        pos += n;
        *delivered += n;
        return n;
    }
    size_t write(const void*, size_t) override { return 0; }
    bool seek(int64_t p) override {
        if (!seekable) return false;
        pos = size_t(std::clamp<int64_t>(p, 0, int64_t(bytes.size())));
        return true;
    }
    int64_t position() const override { return seekable ? int64_t(pos) : -1; }
    int64_t size() const override { return seekable ? int64_t(bytes.size()) : -1; }
};

SoundPtr decodeBytes(std::vector<uint8_t> bytes, int flags = 0) {
    return decodeSound(std::make_unique<TestStream>(std::move(bytes)), flags);
}

SoundPtr decodeFile(const char* name, int flags = 0) {
    return decodeBytes(fileBytes(dataPath(name)), flags);
}

SoundPtr makeSound(std::vector<int16_t> samples, int channels, int rate, int flags = 0) {
    auto s = std::make_unique<Sound>();
    s->frames = int(samples.size()) / channels;
    s->samples = std::move(samples);
    s->channels = channels;
    s->rate = rate;
    s->flags = flags;
    return s;
}

SoundPtr constantSound(int16_t value, int frames, int rate = MIX_RATE, int flags = 0) {
    return makeSound(std::vector<int16_t>(size_t(frames), value), 1, rate, flags);
}

// Interleaved stereo output of the mixer.
std::vector<int16_t> mix(int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    mixAudio(out.data(), frames);
    return out;
}

std::vector<int16_t> left(const std::vector<int16_t>& stereo) {
    std::vector<int16_t> l;
    for (size_t i = 0; i < stereo.size(); i += 2)
        l.push_back(stereo[i]);
    return l;
}

// Sign changes of a signal between two indexes.
int zeroCrossings(const std::vector<int16_t>& s, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i <= to && i < s.size(); ++i)
        if ((s[i - 1] < 0) != (s[i] < 0)) ++n;
    return n;
}

// First and last index with a magnitude above the threshold; {0, 0} if none.
std::pair<size_t, size_t> loudSpan(const std::vector<int16_t>& s, int threshold) {
    size_t first = 0, last = 0;
    bool seen = false;
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(int(s[i])) > threshold) {
            if (!seen) first = i;
            seen = true;
            last = i;
        }
    return {first, last};
}

size_t countOf(const std::vector<int16_t>& s, int16_t value) {
    return size_t(std::count(s.begin(), s.end(), value));
}

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

// ---- Decoding ------------------------------------------------------------------------------

TEST(AudioDecode, MonoElevenKilohertzFile) {
    SoundPtr s = decodeFile("audio_tone11k.ogg", SOUND_LOOP);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->rate, 11000);
    EXPECT_EQ(s->frames, 5500);
    EXPECT_EQ(s->samples.size(), 5500u);
    EXPECT_EQ(s->flags, SOUND_LOOP);
    // 440 Hz at half scale for 0.5 s: 440 crossings, peaks near 16384.
    EXPECT_NEAR(zeroCrossings(s->samples, 0, s->samples.size()), 440, 6);
    auto peak = *std::max_element(s->samples.begin(), s->samples.end());
    EXPECT_NEAR(peak, 16384, 1600);
}

TEST(AudioDecode, StereoFileKeepsBothChannels) {
    SoundPtr s = decodeFile("audio_stereo22k.ogg", 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->channels, 2);
    EXPECT_EQ(s->rate, 22050);
    EXPECT_EQ(s->frames, 5512);
    ASSERT_EQ(s->samples.size(), 2u * 5512u);
    EXPECT_EQ(s->flags, 0);
    std::vector<int16_t> l, r;
    for (int i = 0; i < s->frames; ++i) {
        l.push_back(s->samples[2 * i]);
        r.push_back(s->samples[2 * i + 1]);
    }
    // 300 Hz left and 600 Hz right for 0.25 s.
    EXPECT_NEAR(zeroCrossings(l, 0, l.size()), 150, 4);
    EXPECT_NEAR(zeroCrossings(r, 0, r.size()), 300, 4);
}

TEST(AudioDecode, LoadSoundReadsAFileAndRejectsAMissingOne) {
    SoundPtr s = loadSound(dataPath("audio_tone11k.ogg"), 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frames, 5500);
    EXPECT_FALSE(loadSound(dataPath("no_such_sound.ogg"), 0));
    EXPECT_FALSE(decodeSound(nullptr, 0));
}

TEST(AudioDecode, LoadSoundReadsAnEmbeddedResource) {
    // The game's sounds come from memory streams over the embedded files.
    static const std::vector<uint8_t> bytes = fileBytes(dataPath("audio_stereo22k.ogg"));
    registerEmbeddedResources();
    ASSERT_TRUE(registerResource("sfx\\audio_test_stereo.ogg", bytes.data(), bytes.size()));
    SoundPtr s = loadSound("incbin::sfx\\audio_test_stereo.ogg", SOUND_LOOP);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frames, 5512);
    EXPECT_EQ(s->channels, 2);
    EXPECT_EQ(s->flags, SOUND_LOOP);
    EXPECT_FALSE(loadSound("incbin::sfx\\audio_no_such.ogg", 0));
}

TEST(AudioDecode, DamagedDataGivesNoneOrAConsistentSound) {
    const std::vector<uint8_t> good = fileBytes(dataPath("audio_tone11k.ogg"));
    ASSERT_GT(good.size(), 2000u);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool mustFail;
    };
    std::vector<uint8_t> flipped = good;
    for (size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i)
        flipped[i] ^= 0x5A;
    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 131 + 7);
    std::vector<uint8_t> fakeHeader(good.begin(), good.begin() + 4);
    fakeHeader.resize(600, 0xFF);
    const Case cases[] = {
        {"1 empty", {}, true},
        {"2 ten bytes", {good.begin(), good.begin() + 10}, true},
        {"3 first header page only", {good.begin(), good.begin() + 100}, true},
        {"4 OggS then junk", fakeHeader, true},
        {"5 garbage", garbage, true},
        {"6 cut in half", {good.begin(), good.begin() + long(good.size() / 2)}, false},
        {"7 bytes flipped mid-stream", flipped, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SoundPtr s = decodeBytes(c.bytes);
        if (c.mustFail) {
            EXPECT_FALSE(s);
        }
        if (s) {
            EXPECT_EQ(s->samples.size(), size_t(s->frames) * size_t(s->channels));
            EXPECT_LE(s->frames, 5500);
        }
        // Streamed, the headers fail alike; damage further on shows as it
        // plays: the samples of the whole decode, or none.
        SoundPtr streamed = decodeBytes(c.bytes, SOUND_STREAM);
        if (c.mustFail) {
            EXPECT_FALSE(streamed);
        }
        if (streamed) {
            const std::vector<int16_t> played = soundSamples(*streamed);
            EXPECT_TRUE(played.empty() || (s && played == s->samples));
        }
    }
}

TEST(AudioDecode, ReadErrorOrUnseekableStreamGivesNone) {
    const std::vector<uint8_t> good = fileBytes(dataPath("audio_noise22k.ogg"));
    // A whole decode reads this many bytes: headers, the length probe, then
    // the audio pages again from their start (several kilobytes here).
    auto whole = std::make_unique<TestStream>(good);
    std::shared_ptr<size_t> needed = whole->delivered;
    SoundPtr full = decodeSound(std::move(whole), 0);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->frames, 22050);
    // Reads that stop before the end of the audio pages are a short read.
    for (size_t missing : {size_t(100), size_t(1000), size_t(3000)}) {
        auto failing = std::make_unique<TestStream>(good);
        failing->failAfter = *needed - missing;
        EXPECT_FALSE(decodeSound(std::move(failing), 0)) << missing;
    }
    // Without seeking the total length is unknown.
    auto unseekable = std::make_unique<TestStream>(good);
    unseekable->seekable = false;
    EXPECT_FALSE(decodeSound(std::move(unseekable), 0));
}

// ---- Mixer arithmetic and voice table (no device) ------------------------------------------

class AudioMixer : public ::testing::Test {
  protected:
    void SetUp() override { mixerReset(true); }
    void TearDown() override { mixerReset(false); }
};

TEST(AudioMixerMath, AccumulatorToOutputSample) {
    const struct {
        int32_t acc;
        int16_t out;
    } cases[] = {
        // clang-format off
        {0, 0},              {15, 0},           {16, 1},            {-1, -1},
        {-16, -1},           {-17, -2},         {524271, 32766},    {524272, 32767},
        {524288, 32767},     {2000000000, 32767}, {-524288, -32768}, {-524289, -32768},
        {-2000000000, -32768},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(accumulatorToSample(c.acc), c.out) << c.acc;
}

TEST_F(AudioMixer, VolumeScalesConstantSamplesExactly) {
    const struct {
        int16_t sample;
        float volume;
        int16_t out;
    } cases[] = {
        {1000, 1.0f, 1000},     {1000, 0.25f, 250}, {-1000, 0.25f, -250}, {32767, 1.0f, 32767},
        {-32768, 1.0f, -32768}, {1000, 0.0f, 0},    {8000, 0.5f, 4000},   {3, 0.5f, 1},
        {-3, 0.5f, -2},         {1000, 2.0f, 2000}, {20000, 2.0f, 32767}, {1000, -1.0f, -1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sample << " x " << c.volume);
        SoundPtr s = constantSound(c.sample, 64);
        Channel ch = allocChannel();
        setChannelVolume(ch, c.volume);
        ASSERT_EQ(playSound(s.get(), ch).id, ch.id);
        auto out = mix(32);
        EXPECT_EQ(out[0], c.out);
        EXPECT_EQ(out[1], c.out);
        EXPECT_EQ(out[63], c.out);
        stopChannel(ch);
    }
}

TEST_F(AudioMixer, VoicesSumAndClampAtTheAccumulatorLimits) {
    const struct {
        std::vector<int16_t> voices;
        int16_t out;
    } cases[] = {
        {{1000, 2000}, 3000},       {{30000, 30000}, 32767},        {{-30000, -30000}, -32768},
        {{30000, -30000}, 0},       {{20000, 20000, 20000}, 32767}, {{16383, 16384}, 32767},
        {{-16384, -16384}, -32768}, {{-16384, -16385}, -32768},
    };
    for (const auto& c : cases) {
        std::vector<SoundPtr> sounds;
        for (int16_t v : c.voices) {
            sounds.push_back(constantSound(v, 64));
            ASSERT_TRUE(playSound(sounds.back().get()));
        }
        auto out = mix(16);
        EXPECT_EQ(out[0], c.out) << c.voices[0] << " + " << c.voices[1];
        mixerReset(true);
    }
}

TEST_F(AudioMixer, JustBelowAndAtTheUpperClampBoundary) {
    // 32767 at 4095/4096 adds 524144 to the accumulator; 127 or 128 at 1/16
    // adds 127 or 128, landing on 524271 (>> 4 = 32766) or 524272 (clamped).
    SoundPtr big = constantSound(32767, 64);
    for (int16_t small : {int16_t(127), int16_t(128)}) {
        SoundPtr tail = constantSound(small, 64);
        Channel a = allocChannel(), b = allocChannel();
        setChannelVolume(a, 4095.0f / 4096.0f);
        setChannelVolume(b, 1.0f / 16.0f);
        playSound(big.get(), a);
        playSound(tail.get(), b);
        EXPECT_EQ(mix(4)[0], small == 127 ? 32766 : 32767);
        mixerReset(true);
    }
}

TEST_F(AudioMixer, LinearInterpolationAndEndOfSound) {
    // Half the output rate: every source frame lasts two output frames.
    SoundPtr once = makeSound({0, 4000}, 1, MIX_RATE / 2);
    Channel c = playSound(once.get());
    auto out = left(mix(8));
    EXPECT_EQ(out, (std::vector<int16_t>{0, 2000, 4000, 4000, 0, 0, 0, 0}));
    EXPECT_FALSE(channelPlaying(c));

    SoundPtr looped = makeSound({0, 4000}, 1, MIX_RATE / 2, SOUND_LOOP);
    c = playSound(looped.get());
    out = left(mix(8));
    EXPECT_EQ(out, (std::vector<int16_t>{0, 2000, 4000, 2000, 0, 2000, 4000, 2000}));
    EXPECT_TRUE(channelPlaying(c));
}

TEST_F(AudioMixer, StereoSoundsKeepTheirSidesMonoFeedsBoth) {
    SoundPtr st = makeSound({1000, -2000, 1000, -2000}, 2, MIX_RATE);
    SoundPtr mono = constantSound(300, 2);
    playSound(st.get());
    playSound(mono.get());
    auto out = mix(3);
    EXPECT_EQ(out, (std::vector<int16_t>{1300, -1700, 1300, -1700, 0, 0}));
}

TEST_F(AudioMixer, ElevenKilohertzSoundLastsItsOwnDuration) {
    // One second at 11000 Hz is one second, 44100 frames, of output.
    SoundPtr s = constantSound(1000, 11000, 11000);
    Channel c = playSound(s.get());
    auto out = left(mix(MIX_RATE + 512));
    EXPECT_NEAR(double(countOf(out, 1000)), 44100.0, 2.0);
    EXPECT_EQ(countOf(out, 1000) + countOf(out, 0), out.size());
    EXPECT_FALSE(channelPlaying(c));
}

TEST_F(AudioMixer, HandlesCarrySlotAndGeneration) {
    SoundPtr s = constantSound(500, 10);
    Channel first = playSound(s.get());
    ASSERT_TRUE(first);
    EXPECT_EQ(first.id & 0xFFF, 1u);
    mix(16); // the sound ends; its slot is released
    EXPECT_FALSE(channelPlaying(first));
    Channel second = playSound(s.get());
    ASSERT_TRUE(second);
    EXPECT_EQ(second.id, first.id + 4096);
    // The stale handle reaches nothing: not playing, no stop, no volume, no play.
    EXPECT_FALSE(channelPlaying(first));
    stopChannel(first);
    setChannelVolume(first, 0.0f);
    EXPECT_FALSE(playSound(s.get(), first));
    EXPECT_TRUE(channelPlaying(second));
    EXPECT_EQ(mix(1)[0], 500);
    // Malformed handles are never playing.
    EXPECT_FALSE(channelPlaying(Channel{}));
    EXPECT_FALSE(channelPlaying(Channel{4096}));
    EXPECT_FALSE(channelPlaying(Channel{second.id + 4096}));
}

TEST_F(AudioMixer, ReservedChannelOutlivesItsSounds) {
    SoundPtr s = constantSound(700, 4);
    Channel c = allocChannel();
    ASSERT_TRUE(c);
    EXPECT_FALSE(channelPlaying(c));
    EXPECT_EQ(playSound(s.get(), c).id, c.id);
    EXPECT_TRUE(channelPlaying(c));
    mix(8);
    EXPECT_FALSE(channelPlaying(c));
    // Unchanneled plays do not take the reserved slot.
    Channel other = playSound(s.get());
    EXPECT_NE(other.id & 0xFFF, c.id & 0xFFF);
    EXPECT_EQ(playSound(s.get(), c).id, c.id);
    stopChannel(c);
    EXPECT_FALSE(channelPlaying(c));
    EXPECT_EQ(playSound(s.get(), c).id, c.id);
    EXPECT_TRUE(channelPlaying(c));
}

TEST_F(AudioMixer, RestartOnTheSameChannelReplacesTheSound) {
    // A ramp shows the position: a restart begins at 0 again, and only one copy sounds.
    std::vector<int16_t> ramp;
    for (int i = 0; i < 100; ++i)
        ramp.push_back(int16_t(i * 10));
    SoundPtr tune = makeSound(ramp, 1, MIX_RATE, SOUND_LOOP);
    Channel music = allocChannel();
    playSound(tune.get(), music);
    EXPECT_EQ(left(mix(30))[29], 290);
    EXPECT_EQ(playSound(tune.get(), music).id, music.id);
    auto out = left(mix(3));
    EXPECT_EQ(out, (std::vector<int16_t>{0, 10, 20}));
}

// A streamed sound plays the very samples of its plain decode: across window
// refills, at a rate the mixer steps through fractionally, over its loop (the
// decoder starts again) and after a restart on the same channel.
TEST_F(AudioMixer, StreamedSoundsMixExactlyLikeTheirPlainDecode) {
    const struct {
        const char* file;
        int flags;
        int mixFrames; // output frames mixed before the restart, and again after
    } cases[] = {
        {"audio_tone11k.ogg", SOUND_LOOP, 3 * 22050 + 77}, // 1: mono, loops three times
        {"audio_stereo22k.ogg", SOUND_LOOP, 25000},        // 2: stereo, loops
        {"audio_noise22k.ogg", 0, 50000},                  // 3: ends, then silence
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        SoundPtr plain = decodeFile(c.file, c.flags);
        SoundPtr streamed = decodeFile(c.file, c.flags | SOUND_STREAM);
        ASSERT_TRUE(plain && streamed);
        EXPECT_TRUE(streamed->samples.empty());
        EXPECT_EQ(streamed->frames, plain->frames);
        EXPECT_EQ(soundSamples(*streamed), plain->samples);
        std::vector<int16_t> outputs[2];
        for (int which = 0; which < 2; ++which) {
            mixerReset(true);
            const Sound* sound = which == 0 ? plain.get() : streamed.get();
            Channel channel = allocChannel();
            ASSERT_TRUE(playSound(sound, channel));
            outputs[which] = mix(c.mixFrames);
            ASSERT_TRUE(playSound(sound, channel));
            const std::vector<int16_t> again = mix(c.mixFrames);
            outputs[which].insert(outputs[which].end(), again.begin(), again.end());
            EXPECT_EQ(channelPlaying(channel), (c.flags & SOUND_LOOP) != 0);
        }
        EXPECT_EQ(outputs[1], outputs[0]);
        const std::vector<int16_t> heard = left(outputs[0]);
        EXPECT_GT(heard.size() - countOf(heard, 0), 1000u); // not silence
    }
}

TEST_F(AudioMixer, ChannelVolumeStaysForTheNextSound) {
    SoundPtr a = constantSound(2000, 64, MIX_RATE, SOUND_LOOP);
    SoundPtr b = constantSound(6000, 64, MIX_RATE, SOUND_LOOP);
    Channel music = allocChannel();
    setChannelVolume(music, 0.5f);
    playSound(a.get(), music);
    EXPECT_EQ(mix(1)[0], 1000);
    playSound(b.get(), music);
    EXPECT_EQ(mix(1)[0], 3000);
    // A fresh unchanneled voice always starts at full volume.
    stopChannel(music);
    EXPECT_EQ(mix(1)[0], 0);
    playSound(a.get());
    EXPECT_EQ(mix(1)[0], 2000);
}

TEST_F(AudioMixer, SilencedOrPausedVoicesKeepPlaying) {
    std::vector<int16_t> ramp;
    for (int i = 0; i < 50; ++i)
        ramp.push_back(int16_t(i * 100));
    SoundPtr s = makeSound(ramp, 1, MIX_RATE);
    Channel c = playSound(s.get());
    mix(10);
    setChannelVolume(c, 0.0f);
    EXPECT_EQ(mix(10), std::vector<int16_t>(20, 0));
    EXPECT_TRUE(channelPlaying(c));
    setChannelVolume(c, 1.0f);
    EXPECT_EQ(mix(1)[0], 2000); // the silent frames still advanced the position
    setChannelPaused(c, true);
    EXPECT_EQ(mix(10), std::vector<int16_t>(20, 0));
    EXPECT_TRUE(channelPlaying(c));
    setChannelPaused(c, false);
    EXPECT_EQ(mix(1)[0], 2100); // a pause holds the position
    mix(40);
    EXPECT_FALSE(channelPlaying(c));
}

TEST_F(AudioMixer, AllSlotsTakenThenNone) {
    SoundPtr s = constantSound(10, 8, MIX_RATE, SOUND_LOOP);
    std::vector<Channel> taken;
    for (int i = 0; i < 4095; ++i) {
        Channel c = i % 2 ? allocChannel() : playSound(s.get());
        ASSERT_TRUE(c) << i;
        taken.push_back(c);
    }
    EXPECT_FALSE(allocChannel());
    EXPECT_FALSE(playSound(s.get()));
    // 2048 voices at the largest volume still clamp cleanly (no overflow).
    for (Channel c : taken)
        setChannelVolume(c, 7.99f);
    EXPECT_EQ(mix(1)[0], 32767);
    stopChannel(taken[0]); // a self-releasing voice frees its slot
    EXPECT_TRUE(playSound(s.get()));
    stopChannel(taken[1]); // a reserved one does not
    EXPECT_FALSE(allocChannel());
}

TEST_F(AudioMixer, MissingOrMalformedSoundsPlayNothing) {
    SoundPtr good = constantSound(100, 8, MIX_RATE, SOUND_LOOP);
    Channel c = allocChannel();
    playSound(good.get(), c);
    auto bad = constantSound(1, 8);
    bad->samples.resize(4); // fewer samples than frames
    auto noRate = constantSound(1, 8, 0);
    auto threeChannels = makeSound({1, 2, 3}, 3, MIX_RATE);
    Sound empty;
    const std::vector<const Sound*> malformed = {nullptr, bad.get(), noRate.get(),
                                                 threeChannels.get(), &empty};
    for (const Sound* s : malformed) {
        EXPECT_FALSE(playSound(s));
        EXPECT_FALSE(playSound(s, c));
    }
    EXPECT_TRUE(channelPlaying(c)); // the channel's sound was left alone
    EXPECT_EQ(mix(1)[0], 100);
}

TEST(AudioSilent, NoChannelsWithoutADevice) {
    mixerReset(false);
    EXPECT_FALSE(audioActive());
    SoundPtr s = decodeFile("audio_tone11k.ogg");
    ASSERT_TRUE(s); // sounds still load
    EXPECT_FALSE(allocChannel());
    EXPECT_FALSE(playSound(s.get()));
    EXPECT_FALSE(channelPlaying(playSound(s.get())));
    stopChannel(Channel{1});
    setChannelVolume(Channel{1}, 0.5f);
    EXPECT_EQ(mix(4), std::vector<int16_t>(8, 0));

    // A driver that does not exist leaves audio silently absent.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(audioOpen());
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_FALSE(audioActive());
    EXPECT_FALSE(allocChannel());
}

TEST_F(AudioMixer, GameThreadAndMixerThreadShareVoices) {
    // The mixer runs flat out on its own thread while this thread plays,
    // stops, changes volumes and polls, as the game does (run under the
    // sanitizers to catch races).
    SoundPtr shortSound = constantSound(100, 300);
    SoundPtr loop = constantSound(50, 100, 22050, SOUND_LOOP);
    std::atomic<bool> run{true};
    std::atomic<long> passes{0};
    std::thread mixerThread([&] {
        std::vector<int16_t> out(2 * MIX_CHUNK);
        while (run.load()) {
            mixAudio(out.data(), MIX_CHUNK);
            passes.fetch_add(1);
        }
    });
    Channel music = allocChannel();
    for (int round = 0; round < 300; ++round) {
        playSound(loop.get(), music);
        setChannelVolume(music, round % 2 ? 0.25f : 1.0f);
        Channel fx = playSound(shortSound.get());
        // Poll until the mixer ends the short effect (self-releasing slot).
        const auto start = Clock::now();
        while (channelPlaying(fx) && secondsSince(start) < 5.0) {}
        ASSERT_FALSE(channelPlaying(fx)) << "round " << round;
        if (round % 3 == 0) stopChannel(music);
    }
    run.store(false);
    mixerThread.join();
    EXPECT_GT(passes.load(), 300);
}

// ---- The real output through SDL's disk driver -----------------------------------------------

class AudioDevice : public ::testing::Test {
  protected:
    std::string path;

    void SetUp() override {
        path = std::string(GLOAM_BINARY_DIR "/audio_capture_") +
               testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
               std::to_string(getpid()) + ".raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        ASSERT_TRUE(audioOpen());
        ASSERT_TRUE(audioActive());
    }
    void TearDown() override {
        audioClose();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        std::remove(path.c_str());
    }
    // Closes the device and returns the left channel of all it was sent.
    std::vector<int16_t> captureLeft() {
        audioClose();
        std::vector<uint8_t> raw = fileBytes(path);
        std::vector<int16_t> stereo(raw.size() / 2);
        std::memcpy(stereo.data(), raw.data(), stereo.size() * 2);
        return left(stereo);
    }
    // Waits until the device has mixed ms milliseconds more output, however
    // slowly a crowded machine runs its thread.
    static void waitMixedMs(int ms) {
        const uint64_t target = mixedFrames() + uint64_t(ms) * MIX_RATE / 1000;
        const auto start = Clock::now();
        while (mixedFrames() < target && secondsSince(start) < 10.0)
            sleepMs(1);
    }
    // Busy-polls like the lost-life wait; returns the seconds it took.
    static double waitStopped(Channel c, double limit = 5.0) {
        const auto start = Clock::now();
        while (channelPlaying(c) && secondsSince(start) < limit) {}
        return secondsSince(start);
    }
    struct Wait {
        double seconds;      // wall clock, which a loaded machine stretches
        int64_t lastPlaying; // output mixed before the last poll that said playing
        int64_t endSeen;     // output mixed when the poll saw the end
    };
    // The lost-life wait: a fresh channel, the sound, then polling until it
    // ends. Positions are counted in mixed output frames from before playSound.
    static Wait playAndWait(const Sound* sound) {
        Channel c = allocChannel();
        const uint64_t start = mixedFrames();
        const auto t0 = Clock::now();
        playSound(sound, c);
        uint64_t lastPlaying = start;
        for (;;) {
            const uint64_t now = mixedFrames();
            if (!channelPlaying(c) || secondsSince(t0) > 5.0) break;
            lastPlaying = now;
        }
        return {secondsSince(t0), int64_t(lastPlaying - start), int64_t(mixedFrames() - start)};
    }
    // A voice starts within one pass after playSound and is marked stopped in
    // the pass that mixes its last frame, before that pass is counted. So no
    // poll may say playing once two passes beyond the length were mixed, and
    // the end cannot be seen a pass before it. Neither bound depends on how
    // the machine schedules the poller.
    static void expectPromptEnd(const Wait& w, int64_t length) {
        EXPECT_LE(w.lastPlaying, length + 2 * MIX_CHUNK);
        EXPECT_GE(w.endSeen, length - MIX_CHUNK);
        EXPECT_LT(w.seconds, 5.0);
    }
};

TEST_F(AudioDevice, ElevenKilohertzSoundKeepsPitchAndDuration) {
    SoundPtr ow = decodeFile("audio_tone11k.ogg");
    ASSERT_TRUE(ow);
    const Wait w = playAndWait(ow.get());
    waitMixedMs(40);
    auto out = captureLeft();
    auto [first, last] = loudSpan(out, 1000);
    const double seconds = double(last - first + 1) / MIX_RATE;
    const double hertz = zeroCrossings(out, first, last) / 2.0 / seconds;
    std::printf("[ measure  ] 0.5 s at 11000 Hz: %.4f s on the output, %.1f Hz (440); last "
                "'playing' at %lld frames, end seen at %lld frames, %.3f s\n",
                seconds, hertz, (long long)w.lastPlaying, (long long)w.endSeen, w.seconds);
    EXPECT_NEAR(seconds, 0.5, 0.005);
    EXPECT_NEAR(hertz, 440.0, 4.0);
    expectPromptEnd(w, MIX_RATE / 2);
}

TEST_F(AudioDevice, LostLifeWaitSeesTheEndPromptly) {
    SoundPtr ow = constantSound(3000, MIX_RATE / 4, MIX_RATE); // 0.25 s, 11025 frames
    for (int i = 0; i < 3; ++i) {
        const Wait w = playAndWait(ow.get());
        std::printf("[ measure  ] 11025-frame sound: last 'playing' at %lld frames, end seen at "
                    "%lld frames, %.3f s\n",
                    (long long)w.lastPlaying, (long long)w.endSeen, w.seconds);
        expectPromptEnd(w, MIX_RATE / 4);
    }
}

TEST_F(AudioDevice, QuarterVolumeScalesTheSamples) {
    SoundPtr s = constantSound(8000, MIX_RATE, MIX_RATE, SOUND_LOOP);
    Channel music = allocChannel();
    setChannelVolume(music, 0.25f);
    playSound(s.get(), music);
    waitMixedMs(100);
    setChannelVolume(music, 1.0f);
    waitMixedMs(100);
    auto out = captureLeft();
    std::printf("[ measure  ] frames at 2000: %zu, at 8000: %zu\n", countOf(out, 2000),
                countOf(out, 8000));
    EXPECT_GT(countOf(out, 2000), size_t(MIX_RATE / 20));
    EXPECT_GT(countOf(out, 8000), size_t(MIX_RATE / 20));
    EXPECT_EQ(countOf(out, 0) + countOf(out, 2000) + countOf(out, 8000), out.size());
}

TEST_F(AudioDevice, LoopingSoundKeepsPlayingUntilStopped) {
    SoundPtr s = constantSound(5000, MIX_RATE / 20, MIX_RATE, SOUND_LOOP); // 50 ms
    Channel c = playSound(s.get());
    waitMixedMs(300);
    EXPECT_TRUE(channelPlaying(c));
    stopChannel(c);
    EXPECT_FALSE(channelPlaying(c));
    auto out = captureLeft();
    auto [first, last] = loudSpan(out, 1000);
    std::printf("[ measure  ] 50 ms loop sounded for %.3f s\n",
                double(last - first + 1) / MIX_RATE);
    EXPECT_GT(last - first + 1, size_t(MIX_RATE / 4)); // more than five times its length
    EXPECT_EQ(countOf(out, 5000), last - first + 1);   // without a gap
}

TEST_F(AudioDevice, TwoUnchanneledPlaysMix) {
    const int length = MIX_RATE * 2 / 5; // 0.4 s
    SoundPtr s = constantSound(5000, length, MIX_RATE);
    Channel a = playSound(s.get());
    Channel b = playSound(s.get());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.id, b.id);
    EXPECT_TRUE(channelPlaying(a) && channelPlaying(b));
    waitStopped(a);
    waitStopped(b);
    auto out = captureLeft();
    const size_t both = countOf(out, 10000), one = countOf(out, 5000);
    std::printf("[ measure  ] frames at 10000 (both): %zu, at 5000 (one): %zu\n", both, one);
    // Whatever the offset between the starts, each voice sounded all its frames.
    EXPECT_GT(both, 0u);
    EXPECT_EQ(one + 2 * both, size_t(2 * length));
    EXPECT_EQ(countOf(out, 0) + one + both, out.size());
}

TEST_F(AudioDevice, RestartOnTheSameChannelGivesNoSecondCopy) {
    SoundPtr tune = constantSound(6000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    Channel music = allocChannel();
    playSound(tune.get(), music);
    waitMixedMs(60);
    EXPECT_EQ(playSound(tune.get(), music).id, music.id);
    waitMixedMs(60);
    EXPECT_TRUE(channelPlaying(music));
    auto out = captureLeft();
    EXPECT_GT(countOf(out, 6000), size_t(MIX_RATE / 10));
    EXPECT_EQ(countOf(out, 0) + countOf(out, 6000), out.size());
}

TEST_F(AudioDevice, StaleHandleAfterAutoReleaseAddressesNothing) {
    SoundPtr blip = constantSound(1000, MIX_RATE / 50, MIX_RATE); // 20 ms
    SoundPtr tone = constantSound(3000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    Channel old = playSound(blip.get());
    waitStopped(old);
    Channel fresh = playSound(tone.get());
    ASSERT_EQ(fresh.id, old.id + 4096); // the same slot, one generation on
    stopChannel(old);
    setChannelVolume(old, 0.0f);
    EXPECT_FALSE(channelPlaying(old));
    EXPECT_TRUE(channelPlaying(fresh));
    waitMixedMs(80);
    auto out = captureLeft();
    // From its first frame to the end of the capture the tone was never cut.
    auto firstTone = std::find(out.begin(), out.end(), int16_t(3000));
    ASSERT_NE(firstTone, out.end());
    EXPECT_TRUE(std::all_of(firstTone, out.end(), [](int16_t v) { return v == 3000; }));
    EXPECT_GT(out.end() - firstTone, MIX_RATE / 20);
}

TEST_F(AudioDevice, VolumeZeroKeepsTheChannelPlaying) {
    SoundPtr s = constantSound(4000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    Channel c = allocChannel();
    playSound(s.get(), c);
    waitMixedMs(50);
    setChannelVolume(c, 0.0f);
    waitMixedMs(80);
    EXPECT_TRUE(channelPlaying(c));
    auto out = captureLeft();
    auto [first, last] = loudSpan(out, 100);
    EXPECT_GT(countOf(out, 4000), 0u);
    // At least the last 50 ms sent to the device were silent.
    EXPECT_GT(out.size() - 1 - last, size_t(MIX_RATE / 20));
}

TEST_F(AudioDevice, ChannelVolumeStaysForTheNextTune) {
    SoundPtr first = constantSound(2000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    SoundPtr second = constantSound(6000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    Channel music = allocChannel();
    setChannelVolume(music, 0.5f);
    playSound(first.get(), music);
    waitMixedMs(60);
    playSound(second.get(), music);
    waitMixedMs(60);
    auto out = captureLeft();
    EXPECT_GT(countOf(out, 1000), 0u);
    EXPECT_GT(countOf(out, 3000), 0u);
    EXPECT_EQ(countOf(out, 0) + countOf(out, 1000) + countOf(out, 3000), out.size());
}

TEST_F(AudioDevice, OutputClampsInsteadOfWrapping) {
    SoundPtr up = constantSound(20000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    SoundPtr down = constantSound(-20000, MIX_RATE / 10, MIX_RATE, SOUND_LOOP);
    std::vector<Channel> voices;
    for (int i = 0; i < 3; ++i)
        voices.push_back(playSound(up.get()));
    waitMixedMs(50);
    for (Channel c : voices)
        stopChannel(c);
    for (int i = 0; i < 3; ++i)
        playSound(down.get());
    waitMixedMs(50);
    auto out = captureLeft();
    EXPECT_GT(countOf(out, 32767), 0u);
    EXPECT_GT(countOf(out, -32768), 0u);
    // Partial sums while the voices start are 20000 or clamped; nothing wraps.
    std::set<int16_t> seen(out.begin(), out.end());
    for (int16_t v : seen)
        EXPECT_TRUE(v == 0 || v == 20000 || v == -20000 || v == 32767 || v == -32768) << v;
}

TEST(AudioDeviceLost, WaitsEndWhenTheOutputGoesAway) {
    // The disk driver treats a failed write as an unplugged device; SDL then
    // stops calling the mixer. A wait on a playing channel must still end.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    const bool opened = audioOpen();
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    ASSERT_TRUE(opened);
    SoundPtr longSound = constantSound(1000, 20 * MIX_RATE); // 20 s
    Channel c = allocChannel();
    playSound(longSound.get(), c);
    const auto start = Clock::now();
    while (channelPlaying(c) && secondsSince(start) < 10.0) {}
    const double waited = secondsSince(start);
    audioClose();
    std::printf("[ measure  ] lost device: channelPlaying false after %.3f s\n", waited);
    EXPECT_LT(waited, 5.0);
}

TEST(AudioDeathTest, ExitWhilePlayingClosesTheDeviceBeforeTheSounds) {
    // Like the game: sounds in an object made before audioOpen, a tune still
    // playing, then exit. The device must be closed before they are freed.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct Assets {
                SoundPtr tune = constantSound(1000, MIX_RATE, MIX_RATE, SOUND_LOOP);
                ~Assets() {
                    if (audioActive()) std::_Exit(3);
                }
            };
            static Assets assets;
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
            if (!audioOpen()) std::_Exit(2);
            playSound(assets.tune.get(), allocChannel());
            sleepMs(30);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
