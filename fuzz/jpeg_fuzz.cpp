// jpeg_fuzz.cpp - libFuzzer target: arbitrary bytes through the JPEG reader.
// Damaged data must come back as none, never as a crash or an exit().
#include <cstdlib>

#include "engine/io/stream.h"
#include "engine/resources/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamPtr stream = openMemoryStream(data, size);
    std::optional<PixelBuffer> b = decodeJpeg(*stream);
    if (!b) return 0;
    if (b->format != PF_GREY8 && b->format != PF_RGB24) std::abort();
    if (b->width <= 0 || b->height <= 0 || b->pitch != b->width * bytesPerPixel(b->format) ||
        b->bytes.size() != static_cast<size_t>(b->pitch) * b->height)
        std::abort();
    return 0;
}
