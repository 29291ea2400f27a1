// audio.cpp - the output device: 44100 Hz stereo S16 through SDL.
//
// SDL runs the audio callback on its own periodic thread whenever the device
// wants its next 512 frames; the callback mixes them (mixer.cpp). Without a
// device the mixer stays disabled and every channel request answers none.
#include "engine/audio/mixer.h"

#include <SDL.h>

#include <atomic>

namespace {

// Opened and closed by the game thread; read by channelPlaying wherever it runs.
std::atomic<SDL_AudioDeviceID> device{0};

void SDLCALL fillDevice(void*, Uint8* stream, int len) {
    mixAudio(reinterpret_cast<int16_t*>(stream), len / int(2 * sizeof(int16_t)));
}

} // namespace

bool audioOpen() {
    if (device != 0) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = MIX_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = MIX_CHUNK;
    want.callback = fillDevice;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants something else,
    // so the callback always gets exactly this format.
    const SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (opened == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    mixerReset(true);
    device = opened;
    SDL_PauseAudioDevice(opened, 0);
    return true;
}

void audioClose() {
    if (device == 0) return;
    // Closing waits for a running callback, so the reset below races nothing.
    SDL_CloseAudioDevice(device.exchange(0));
    mixerReset(false);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool audioActive() {
    return device != 0;
}

bool audioOutputLost() {
    const SDL_AudioDeviceID id = device.load();
    return id != 0 && SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_STOPPED;
}
