// sound_fuzz.cpp - libFuzzer target: arbitrary bytes through the Ogg Vorbis
// decoder's from-memory path, decoded whole and streamed. Damaged data must
// come back as none; whatever is accepted must be a consistent sound the
// mixer can step through. Streamed (which also refuses an empty sound or a
// chain whose links differ anywhere) it is the same sound and gives the whole
// decode's samples, or none for damage found only while playing.
#include <cstdlib>

#include "engine/audio/mixer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SoundPtr s = decodeSound(openMemoryStream(data, size), SOUND_LOOP);
    if (!s) return 0;
    if ((s->channels != 1 && s->channels != 2) || s->rate <= 0 || s->rate > MAX_SOUND_RATE ||
        s->frames < 0 || s->flags != SOUND_LOOP ||
        s->samples.size() != static_cast<size_t>(s->frames) * s->channels)
        std::abort();
    SoundPtr streamed = decodeSound(openMemoryStream(data, size), SOUND_LOOP | SOUND_STREAM);
    if (!streamed) return 0;
    if (streamed->frames != s->frames || streamed->channels != s->channels) std::abort();
    const std::vector<int16_t> played = soundSamples(*streamed);
    if (!played.empty() && played != s->samples) std::abort();
    return 0;
}
