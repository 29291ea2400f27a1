// decode.cpp - Ogg Vorbis to 16-bit PCM: completely at load time, or for a
// streamed sound (SOUND_STREAM) a window at a time as a voice plays it.
//
// libvorbisfile reads through callbacks over a Stream, so the data may come
// from a file or from the program's embedded resources alike. The header's
// length is checked but never trusted for a large allocation: the buffer
// grows with what is really decoded, and a short read is an error.
//
//   SoundPtr tune = loadSound(url, SOUND_LOOP | SOUND_STREAM); // headers checked, bytes kept
//   SoundStreamPtr s = openSoundStream(*tune);                // one per playing voice
//   const int16_t* f = soundStreamFrames(*s, at);              // frame at, then at + 1
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
// The most a streamed sound keeps: hours of Ogg Vorbis at any usual rate.
constexpr int64_t MAX_PACKED_BYTES = int64_t{1} << 26;

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

namespace {

// The format every link of a chained stream must keep; false when it changes.
bool linksAgree(OggVorbis_File* vf, int channels, long rate) {
    const long links = ov_streams(vf);
    for (long i = 0; i < links; ++i) {
        const vorbis_info* info = ov_info(vf, int(i));
        if (!info || info->channels != channels || info->rate != rate) return false;
    }
    return true;
}

// Opens the Ogg Vorbis data of a stream; false (the stream closed) on a bad header.
bool openVorbis(StreamPtr* source, VorbisFile* file) {
    const ov_callbacks callbacks{readCallback, seekCallback, closeCallback, tellCallback};
    // On failure vorbisfile leaves the stream to us; the StreamPtr closes it.
    if (ov_open_callbacks(source, &file->vf, nullptr, 0, callbacks) != 0) return false;
    file->open = true;
    return true;
}

// Every byte left in the stream; false on a read error, or a stream of unknown
// or excessive size.
bool readAll(Stream& stream, std::vector<uint8_t>* bytes) {
    const int64_t size = stream.size(), at = stream.position();
    if (size < 0 || at < 0 || at > size || size - at > MAX_PACKED_BYTES) return false;
    bytes->resize(size_t(size - at));
    return stream.read(bytes->data(), bytes->size()) == bytes->size();
}

} // namespace

SoundPtr decodeSound(StreamPtr stream, int flags) {
    if (!stream) return nullptr;
    auto sound = std::make_unique<Sound>();
    const bool streamed = (flags & SOUND_STREAM) != 0;
    // A streamed sound keeps its bytes and checks its headers on a view of them.
    if (streamed) {
        if (!readAll(*stream, &sound->packed)) return nullptr;
        stream = openMemoryStream(sound->packed.data(), sound->packed.size());
    }
    VorbisFile file;
    if (!openVorbis(&stream, &file)) return nullptr;

    const vorbis_info* info = ov_info(&file.vf, -1);
    const ogg_int64_t total = ov_pcm_total(&file.vf, -1);
    if (!formatOk(info) || total < 0 || total > MAX_SOUND_FRAMES) return nullptr;
    const int channels = info->channels;
    const long rate = info->rate;
    sound->frames = int(total);
    sound->channels = channels;
    sound->rate = int(rate);
    sound->flags = flags & (SOUND_LOOP | SOUND_STREAM);
    if (streamed)
        return total > 0 && linksAgree(&file.vf, channels, rate) ? std::move(sound) : nullptr;

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
    return sound;
}

// ---- Streamed sounds ---------------------------------------------------------------

struct SoundStream {
    const Sound* sound = nullptr;
    StreamPtr source; // a view of sound->packed
    VorbisFile file;
    std::vector<int16_t> window; // frames [first, first + count), interleaved
    uint32_t first = 0, count = 0;
    int16_t start[2] = {0, 0}; // frame 0, which a loop interpolates towards at its end
};

void SoundStreamDeleter::operator()(SoundStream* stream) const {
    delete stream;
}

namespace {

constexpr uint32_t WINDOW_FRAMES = 4096;

// (Re)starts decoding at frame 0. Reopening rather than seeking gives the very
// samples of the first pass.
bool restart(SoundStream& s) {
    if (s.file.open) ov_clear(&s.file.vf); // closes the old view
    s.file = VorbisFile{};
    s.first = s.count = 0;
    s.source = openMemoryStream(s.sound->packed.data(), s.sound->packed.size());
    return openVorbis(&s.source, &s.file);
}

} // namespace

SoundStreamPtr openSoundStream(const Sound& sound) {
    if (sound.packed.empty() || sound.frames <= 0 || (sound.channels != 1 && sound.channels != 2))
        return nullptr;
    SoundStreamPtr s(new SoundStream);
    s->sound = &sound;
    s->window.resize(size_t(WINDOW_FRAMES) * size_t(sound.channels));
    const int16_t* first = restart(*s) ? soundStreamFrames(*s, 0) : nullptr;
    if (!first) return nullptr;
    std::copy(first, first + sound.channels, s->start);
    return s;
}

const int16_t* soundStreamFrames(SoundStream& s, uint32_t at) {
    const uint32_t frames = uint32_t(s.sound->frames);
    const int channels = s.sound->channels;
    if (at >= frames) return nullptr;
    if (at < s.first && !restart(s)) return nullptr;
    const uint32_t last = std::min(at + 1, frames - 1); // held beside frame at
    const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    while (last >= s.first + s.count) {
        // What lies before frame at is done with.
        const uint32_t drop = std::min(at, s.first + s.count) - s.first;
        std::copy(s.window.begin() + long(drop) * channels,
                  s.window.begin() + long(s.count) * channels, s.window.begin());
        s.first += drop;
        s.count -= drop;
        const uint32_t room = std::min(WINDOW_FRAMES - s.count, frames - (s.first + s.count));
        int link = 0;
        const long got =
            ov_read(&s.file.vf, reinterpret_cast<char*>(s.window.data() + long(s.count) * channels),
                    int(room * 2 * uint32_t(channels)), bigEndian, 2, 1, &link);
        if (got <= 0 || got % (2 * channels) != 0) return nullptr;
        s.count += uint32_t(got / (2 * channels));
    }
    return s.window.data() + long(at - s.first) * channels;
}

const int16_t* soundStreamStart(const SoundStream& stream) {
    return stream.start;
}

std::vector<int16_t> soundSamples(const Sound& sound) {
    if (sound.packed.empty()) return sound.samples;
    SoundStreamPtr s = openSoundStream(sound);
    std::vector<int16_t> all;
    for (uint32_t at = 0; s && at < uint32_t(sound.frames); ++at) {
        const int16_t* frame = soundStreamFrames(*s, at);
        if (!frame) return {};
        all.insert(all.end(), frame, frame + sound.channels);
    }
    return all;
}

SoundPtr loadSound(const std::string& url, int flags) {
    return decodeSound(openStream(url, true, false), flags);
}
