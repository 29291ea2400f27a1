// decode.cpp - Ogg Vorbis to 16-bit PCM, completely, at load time.
//
// libvorbisfile reads through callbacks over a Stream, so the data may come
// from a file or from the program's embedded resources alike. The header's
// length is checked but never trusted for a large allocation: the buffer
// grows with what is really decoded, and a short read is an error.
#include "engine/audio/mixer.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <limits>

namespace {

// About 50 minutes at 44100 Hz; far beyond any tune, far below any overflow.
constexpr int64_t MAX_SOUND_FRAMES = int64_t{1} << 27;
// Samples reserved up front at most; longer sounds grow as they decode.
constexpr size_t MAX_RESERVE = size_t{1} << 22;

Stream* streamOf(void* source) {
    return static_cast<StreamPtr*>(source)->get();
}

size_t readCallback(void* dst, size_t size, size_t count, void* source) {
    Stream* s = streamOf(source);
    if (!s || size == 0 || count == 0 || count > std::numeric_limits<size_t>::max() / size)
        return 0;
    return s->read(dst, size * count) / size;
}

int seekCallback(void* source, ogg_int64_t offset, int whence) {
    Stream* s = streamOf(source);
    if (!s) return -1;
    int64_t base;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = s->position();
        break;
    case SEEK_END:
        base = s->size();
        break;
    default:
        return -1;
    }
    // An unseekable stream reports no size or position; vorbisfile then
    // decodes without seeking, which leaves the length unknown (an error).
    const int64_t size = s->size();
    if (base < 0 || size < 0) return -1;
    if (offset < -base || offset > size - base) return -1;
    const int64_t target = base + offset;
    return s->seek(target) && s->position() == target ? 0 : -1;
}

int closeCallback(void* source) {
    closeStream(*static_cast<StreamPtr*>(source));
    return 0;
}

long tellCallback(void* source) {
    Stream* s = streamOf(source);
    return s ? static_cast<long>(s->position()) : -1;
}

struct VorbisFile {
    OggVorbis_File vf{};
    bool open = false;
    ~VorbisFile() {
        if (open) ov_clear(&vf);
    }
};

bool formatOk(const vorbis_info* info) {
    return info && (info->channels == 1 || info->channels == 2) && info->rate > 0 &&
           info->rate <= MAX_SOUND_RATE;
}

} // namespace

SoundPtr decodeSound(StreamPtr stream, int flags) {
    if (!stream) return nullptr;
    const ov_callbacks callbacks{readCallback, seekCallback, closeCallback, tellCallback};
    VorbisFile file;
    // On failure vorbisfile leaves the stream to us; the StreamPtr closes it.
    if (ov_open_callbacks(&stream, &file.vf, nullptr, 0, callbacks) != 0) return nullptr;
    file.open = true;

    const vorbis_info* info = ov_info(&file.vf, -1);
    const ogg_int64_t total = ov_pcm_total(&file.vf, -1);
    if (!formatOk(info) || total < 0 || total > MAX_SOUND_FRAMES) return nullptr;
    const int channels = info->channels;
    const long rate = info->rate;

    auto sound = std::make_unique<Sound>();
    const size_t wanted = size_t(total) * size_t(channels);
    sound->samples.reserve(std::min(wanted, MAX_RESERVE));

    const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    int16_t chunk[4096];
    int lastLink = -1;
    while (sound->samples.size() < wanted) {
        const size_t room = std::min(wanted - sound->samples.size(), std::size(chunk));
        int link = 0;
        const long got = ov_read(&file.vf, reinterpret_cast<char*>(chunk), int(room * 2), bigEndian,
                                 2, 1, &link);
        // 0 before the promised length is a short read; < 0 a damaged stream.
        if (got <= 0 || got % (2 * channels) != 0) return nullptr;
        if (link != lastLink) {
            // A chained stream must keep one format throughout.
            const vorbis_info* linkInfo = ov_info(&file.vf, link);
            if (!linkInfo || linkInfo->channels != channels || linkInfo->rate != rate)
                return nullptr;
            lastLink = link;
        }
        sound->samples.insert(sound->samples.end(), chunk, chunk + got / 2);
    }

    sound->frames = int(total);
    sound->channels = channels;
    sound->rate = int(rate);
    sound->flags = flags & SOUND_LOOP;
    return sound;
}

SoundPtr loadSound(const std::string& url, int flags) {
    return decodeSound(openStream(url, true, false), flags);
}
