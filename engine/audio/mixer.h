// mixer.h - the inside of the audio service: the voice table, the software
// mixer and the Ogg Vorbis decoder, for audio.cpp and the tests.
//
//   mixerReset(true);              // voices may be handed out (no device needed)
//   Channel c = playSound(&sound);
//   int16_t out[512 * 2];
//   mixAudio(out, 512);            // what the device callback does
//   mixerReset(false);             // back to silence, every voice freed
//
// The device callback is the only caller of mixAudio in the game; tests call
// it directly to check the arithmetic without a device.
#pragma once

#include "engine/audio/audio.h"
#include "engine/io/stream.h"

#include <cstdint>

constexpr int MIX_RATE = 44100;       // output frames per second
constexpr int MIX_CHUNK = 512;        // frames mixed per pass of the accumulators
constexpr int VOICE_SLOTS = 4096;     // slot 0 is never handed out
constexpr int CHANNEL_SLOT_BITS = 12; // low bits of a handle name the slot
constexpr int FIXED_ONE = 4096;       // volume and pan: 4096 = 1.0
constexpr int RATE_ONE = 65536;       // voice rate: 16.16 fixed point
constexpr int MAX_SOUND_RATE = 384000;

// Frees every voice and sets whether channels may be handed out; handles from
// before the reset never become valid again (generations keep counting).
void mixerReset(bool enabled);

// Mixes every playing voice into frames stereo frames (interleaved S16).
// Non-looping voices that end are stopped, self-releasing ones freed.
void mixAudio(int16_t* out, int frames);

// True when the open output device has gone away (SDL then stops calling
// the mixer, so no voice would ever end). Defined with the device.
bool audioOutputLost();

// Output frames mixed since the program started; lets tests relate a
// channel's end to the stream position rather than to a loaded machine's clock.
uint64_t mixedFrames();

// Slots held by allocChannel and not yet freed; a long run must keep this small.
int reservedChannels();

// Holds a playing voice where it is; a paused voice still counts as playing.
void setChannelPaused(Channel channel, bool paused);

// Accumulators carry 4 bits below the output sample; this is the output step.
inline int16_t accumulatorToSample(int32_t acc) {
    if (acc > 524271) return 32767;
    if (acc < -524288) return -32768;
    return static_cast<int16_t>(acc >> 4);
}

// Decodes a whole Ogg Vorbis stream into 16-bit PCM; takes the stream and
// closes it. None on any header, size or read error. With SOUND_STREAM the
// bytes are kept instead and only the headers are checked.
SoundPtr decodeSound(StreamPtr stream, int flags);

// One voice's decoder of a streamed sound, which must outlive it.
struct SoundStream;
struct SoundStreamDeleter {
    void operator()(SoundStream* stream) const;
};
using SoundStreamPtr = std::unique_ptr<SoundStream, SoundStreamDeleter>;
// Starts at frame 0; none when the sound is not streamed or its data fail.
SoundStreamPtr openSoundStream(const Sound& sound);
// Frame `at` (channels samples), followed by frame at + 1 when there is one;
// none past the end or when the data fail. Frames go forward cheaply; going
// back decodes again from the start.
const int16_t* soundStreamFrames(SoundStream& stream, uint32_t at);
const int16_t* soundStreamStart(const SoundStream& stream); // frame 0
// Every sample a sound plays, streamed or not; empty when streamed data fail.
std::vector<int16_t> soundSamples(const Sound& sound);
