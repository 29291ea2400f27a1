// mixer.cpp - the voice table and the fixed-point software mixer.
//
// Every voice slot has a packed atomic tag (handle id and status) beside its
// plain fields. All writes, by the game thread and by the mixer, happen under
// one lock; the game thread holds it only for a few field writes, the mixer
// for one mixing pass. channelPlaying reads the tag alone, without the lock,
// so a busy-waiting game thread never competes with the mixer for it.
#include "engine/audio/mixer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace {

constexpr uint32_t SLOT_MASK = VOICE_SLOTS - 1;
// The mixer keeps every accumulator inside this bound after each voice, so no
// number of voices can overflow 32 bits; it is far beyond the output clamp.
constexpr int32_t ACC_LIMIT = 1 << 30;

enum VoiceStatus : uint32_t { VOICE_FREE, VOICE_RESERVED, VOICE_PLAYING, VOICE_STOPPED };
constexpr uint32_t STATUS_MASK = 3;
constexpr uint32_t VOICE_PAUSED = 4; // flag beside the status

struct Voice {
    // (handle id << 32) | status | paused; written under the lock, read anywhere.
    std::atomic<uint64_t> tag{0};
    uint32_t generation = 0; // hand-outs of this slot so far
    const Sound* sound = nullptr;
    SoundStreamPtr stream; // a streamed sound's decoder
    uint64_t position = 0; // sample frames, 32.32 fixed point
    uint64_t step = 0;     // position advance per output frame, 32.32
    int16_t volume = FIXED_ONE;
    int16_t pan = 0; // -4096 left .. 4096 right
    int32_t rate = RATE_ONE;
    bool autoRelease = false;
};

struct Mixer {
    std::mutex lock;
    bool enabled = false;
    Voice voices[VOICE_SLOTS];
    uint16_t freeSlots[VOICE_SLOTS]; // stack; the most recently freed slot is reused first
    int freeCount = 0;
    uint32_t highSlot = 0; // highest slot handed out since the reset: the mixer scans 1..highSlot
    std::atomic<uint64_t> framesMixed{0};
};

// Never destroyed: the device thread may still mix while the process exits.
Mixer& mixer() {
    static Mixer* m = new Mixer;
    return *m;
}

uint32_t tagId(uint64_t tag) {
    return static_cast<uint32_t>(tag >> 32);
}
uint32_t tagStatus(uint64_t tag) {
    return static_cast<uint32_t>(tag) & STATUS_MASK;
}

void setTag(Voice& v, uint32_t id, uint32_t status) {
    v.tag.store((uint64_t{id} << 32) | status, std::memory_order_release);
}

// The voice a handle names, or none for a stale or malformed handle. Lock held.
Voice* findVoice(Mixer& m, Channel channel) {
    uint32_t slot = channel.id & SLOT_MASK;
    if (slot == 0) return nullptr;
    Voice& v = m.voices[slot];
    uint64_t tag = v.tag.load(std::memory_order_relaxed);
    if (tagId(tag) != channel.id || tagStatus(tag) == VOICE_FREE) return nullptr;
    return &v;
}

// Hands out a free slot with fresh settings; 0 when disabled or full. Lock held.
uint32_t takeSlot(Mixer& m, bool autoRelease) {
    if (!m.enabled || m.freeCount == 0) return 0;
    uint32_t slot = m.freeSlots[--m.freeCount];
    Voice& v = m.voices[slot];
    uint32_t id = slot | (v.generation << CHANNEL_SLOT_BITS);
    ++v.generation;
    v.sound = nullptr;
    v.stream.reset();
    v.position = 0;
    v.volume = FIXED_ONE;
    v.pan = 0;
    v.rate = RATE_ONE;
    v.autoRelease = autoRelease;
    setTag(v, id, VOICE_RESERVED);
    m.highSlot = std::max(m.highSlot, slot);
    return id;
}

void releaseSlot(Mixer& m, uint32_t slot) {
    Voice& v = m.voices[slot];
    v.sound = nullptr;
    v.stream.reset();
    setTag(v, 0, VOICE_FREE);
    m.freeSlots[m.freeCount++] = static_cast<uint16_t>(slot);
}

// A voice's sound is over (end or stop): self-releasing slots go back. Lock held.
void endVoice(Mixer& m, uint32_t slot) {
    Voice& v = m.voices[slot];
    if (v.autoRelease) {
        releaseSlot(m, slot);
        return;
    }
    v.sound = nullptr;
    v.stream.reset();
    setTag(v, tagId(v.tag.load(std::memory_order_relaxed)), VOICE_STOPPED);
}

// Source frames per output frame for a sound rate and a 16.16 voice rate, 32.32.
uint64_t stepFor(int soundRate, int32_t rate) {
    uint64_t base = (uint64_t(soundRate) << 32) / MIX_RATE;
    return (base * uint64_t(rate)) >> 16;
}

bool playable(const Sound* s) {
    if (!s || s->frames <= 0 || (s->channels != 1 && s->channels != 2)) return false;
    if (s->rate <= 0 || s->rate > MAX_SOUND_RATE) return false;
    if (s->flags & SOUND_STREAM) return !s->packed.empty();
    return s->samples.size() >= size_t(s->frames) * size_t(s->channels);
}

// Adds up to n frames of one voice into acc. Returns false when a non-looping
// sound has run out (or a streamed one fails); the voice is then to be ended.
// frameAt(at, next, &a, &b) points a and b at the two frames interpolated.
template <typename FrameAt> bool mixFrames(Voice& v, int32_t* acc, int n, FrameAt frameAt) {
    const Sound& s = *v.sound;
    const uint32_t frames = uint32_t(s.frames);
    const uint64_t end = uint64_t(frames) << 32;
    const bool loop = (s.flags & SOUND_LOOP) != 0;
    const bool stereo = s.channels == 2;
    const int64_t gainL = int64_t(v.volume) * (v.pan > 0 ? FIXED_ONE - v.pan : FIXED_ONE);
    const int64_t gainR = int64_t(v.volume) * (v.pan < 0 ? FIXED_ONE + v.pan : FIXED_ONE);
    uint64_t pos = v.position;
    for (int i = 0; i < n; ++i) {
        if (pos >= end) {
            if (!loop) break;
            pos %= end;
        }
        const uint32_t at = uint32_t(pos >> 32);
        // Interpolate towards the next frame: the start again when looping,
        // otherwise the last frame is held.
        const uint32_t next = at + 1 < frames ? at + 1 : (loop ? 0 : at);
        const int64_t frac = int64_t((pos >> 16) & 0xFFFF);
        const int16_t *a = nullptr, *b = nullptr;
        if (!frameAt(at, next, &a, &b)) {
            v.position = pos;
            return false;
        }
        int64_t left, right;
        if (stereo) {
            int64_t l0 = a[0], l1 = b[0];
            int64_t r0 = a[1], r1 = b[1];
            left = l0 + (((l1 - l0) * frac) >> 16);
            right = r0 + (((r1 - r0) * frac) >> 16);
        } else {
            int64_t s0 = a[0], s1 = b[0];
            left = right = s0 + (((s1 - s0) * frac) >> 16);
        }
        // Two 1/4096 gains make >> 24; keeping 4 extra bits makes >> 20.
        acc[2 * i] += int32_t((left * gainL) >> 20);
        acc[2 * i + 1] += int32_t((right * gainR) >> 20);
        pos += v.step;
    }
    for (int i = 0; i < 2 * n; ++i)
        acc[i] = std::clamp(acc[i], -ACC_LIMIT, ACC_LIMIT);
    v.position = pos;
    return loop || pos < end;
}

bool mixVoice(Voice& v, int32_t* acc, int n) {
    const int channels = v.sound->channels;
    if (v.stream) {
        SoundStream& stream = *v.stream;
        return mixFrames(
            v, acc, n, [&](uint32_t at, uint32_t next, const int16_t** a, const int16_t** b) {
                *a = soundStreamFrames(stream, at);
                *b = next == at ? *a : next == at + 1 ? *a + channels : soundStreamStart(stream);
                return *a != nullptr;
            });
    }
    const int16_t* data = v.sound->samples.data();
    return mixFrames(v, acc, n,
                     [&](uint32_t at, uint32_t next, const int16_t** a, const int16_t** b) {
                         *a = data + size_t(at) * size_t(channels);
                         *b = data + size_t(next) * size_t(channels);
                         return true;
                     });
}

void resetLocked(Mixer& m, bool enabled) {
    for (uint32_t slot = 0; slot < VOICE_SLOTS; ++slot) {
        m.voices[slot].sound = nullptr;
        m.voices[slot].stream.reset();
        setTag(m.voices[slot], 0, VOICE_FREE);
    }
    // Stacked so that slot 1 is handed out first.
    m.freeCount = 0;
    for (uint32_t slot = VOICE_SLOTS - 1; slot >= 1; --slot)
        m.freeSlots[m.freeCount++] = static_cast<uint16_t>(slot);
    m.highSlot = 0;
    m.enabled = enabled;
}

} // namespace

void mixerReset(bool enabled) {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    resetLocked(m, enabled);
}

void mixAudio(int16_t* out, int frames) {
    Mixer& m = mixer();
    int32_t acc[2 * MIX_CHUNK];
    std::lock_guard<std::mutex> hold(m.lock);
    while (frames > 0) {
        const int n = std::min(frames, MIX_CHUNK);
        std::fill(acc, acc + 2 * n, 0);
        for (uint32_t slot = 1; slot <= m.highSlot; ++slot) {
            Voice& v = m.voices[slot];
            const uint64_t tag = v.tag.load(std::memory_order_relaxed);
            if (tagStatus(tag) != VOICE_PLAYING || (tag & VOICE_PAUSED)) continue;
            if (!mixVoice(v, acc, n)) endVoice(m, slot);
        }
        for (int i = 0; i < 2 * n; ++i)
            out[i] = accumulatorToSample(acc[i]);
        out += 2 * n;
        frames -= n;
        m.framesMixed.fetch_add(uint64_t(n), std::memory_order_release);
    }
}

uint64_t mixedFrames() {
    return mixer().framesMixed.load(std::memory_order_acquire);
}

Channel allocChannel() {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    return Channel{takeSlot(m, false)};
}

Channel playSound(const Sound* sound, Channel channel) {
    if (!playable(sound)) return {};
    // Opened before the lock: the mixer never waits for a decoder's set-up.
    SoundStreamPtr stream;
    if (sound->flags & SOUND_STREAM) {
        stream = openSoundStream(*sound);
        if (!stream) return {};
    }
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    uint32_t id = channel.id;
    if (channel) {
        if (!findVoice(m, channel)) return {};
    } else {
        id = takeSlot(m, true);
        if (id == 0) return {};
    }
    // A channel keeps its volume, pan and rate; a fresh slot has just been reset.
    Voice& v = m.voices[id & SLOT_MASK];
    v.sound = sound;
    std::swap(v.stream, stream); // the voice's old decoder goes when this call ends
    v.position = 0;
    v.step = stepFor(sound->rate, v.rate);
    setTag(v, id, VOICE_PLAYING);
    return Channel{id};
}

void freeChannel(Channel channel) {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    if (findVoice(m, channel)) releaseSlot(m, channel.id & SLOT_MASK);
}

int reservedChannels() {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    int count = 0;
    for (uint32_t slot = 1; slot <= m.highSlot; ++slot)
        if (tagStatus(m.voices[slot].tag.load(std::memory_order_relaxed)) != VOICE_FREE &&
            !m.voices[slot].autoRelease)
            ++count;
    return count;
}

void stopChannel(Channel channel) {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    if (findVoice(m, channel)) endVoice(m, channel.id & SLOT_MASK);
}

bool channelPlaying(Channel channel) {
    const uint32_t slot = channel.id & SLOT_MASK;
    if (slot == 0) return false;
    const uint64_t tag = mixer().voices[slot].tag.load(std::memory_order_acquire);
    if (tagId(tag) != channel.id || tagStatus(tag) != VOICE_PLAYING) return false;
    // A lost device mixes no more; waiting on its voices would never end.
    return !audioOutputLost();
}

void setChannelVolume(Channel channel, float volume) {
    // value x 4096 truncated, kept inside 16 bits; NaN is silence.
    float scaled = std::isnan(volume) ? 0.0f : std::clamp(volume * FIXED_ONE, -32768.0f, 32767.0f);
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    if (Voice* v = findVoice(m, channel)) v->volume = static_cast<int16_t>(scaled);
}

void setChannelPaused(Channel channel, bool paused) {
    Mixer& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    Voice* v = findVoice(m, channel);
    if (!v) return;
    const uint64_t tag = v->tag.load(std::memory_order_relaxed);
    if (tagStatus(tag) != VOICE_PLAYING) return;
    setTag(*v, tagId(tag), VOICE_PLAYING | (paused ? VOICE_PAUSED : 0));
}
