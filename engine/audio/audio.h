// audio.h - decoded sounds and a software mixer on 4095 voice channels.
//
//   audioOpen();                                   // once, before loading
//   SoundPtr jump = loadSound("incbin::sfx\\jump.ogg", 0);
//   playSound(jump.get());                         // a fresh, self-releasing voice
//   Channel music = allocChannel();
//   playSound(tune.get(), music);                  // on a reserved channel
//   freeChannel(music);                            // given back when replaced
//
// Without an output device everything is silent: sounds still load, channels
// are none and channelPlaying is false.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int SOUND_LOOP = 1;
// Kept compressed and decoded as it plays, for long tunes: a minute of PCM is
// 5 MB, its Ogg Vorbis a tenth of that. The player hears the same samples.
constexpr int SOUND_STREAM = 2;

struct Sound {
    std::vector<int16_t> samples; // interleaved 16-bit PCM; empty when streamed
    std::vector<uint8_t> packed;  // a streamed sound's Ogg Vorbis bytes
    int frames = 0;               // sample frames
    int channels = 1;             // 1 or 2
    int rate = 44100;             // Hz
    int flags = 0;                // SOUND_LOOP, SOUND_STREAM
};
using SoundPtr = std::unique_ptr<Sound>;

// Low 12 bits: voice slot 1..4095; high bits: generation. 0 is none.
struct Channel {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
};

// ---- Device ------------------------------------------------------------------
bool audioOpen();  // opens the 44100 Hz stereo output; false (and silence) without a device
void audioClose(); // stops the mixer and closes the device
bool audioActive();

// ---- Sounds and channels -------------------------------------------------------------
SoundPtr loadSound(const std::string& url,
                   int flags);     // decodes Ogg Vorbis (SOUND_STREAM: as it plays)
Channel allocChannel();            // reserved voice, none when full or silent
void freeChannel(Channel channel); // stops it and gives its slot back; a stale handle does nothing
Channel playSound(const Sound* sound, Channel channel = {}); // from the start
void stopChannel(Channel channel);
bool channelPlaying(Channel channel); // a stale handle is never playing
void setChannelVolume(Channel channel, float volume);
