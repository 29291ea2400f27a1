// bmp_fuzz.cpp - libFuzzer target: arbitrary bytes through the BMP reader.
// Whatever it accepts must be a consistent buffer that converts cleanly.
#include <cstdlib>

#include "engine/io/stream.h"
#include "engine/resources/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamPtr stream = openMemoryStream(data, size);
    std::optional<PixelBuffer> b = decodeBmp(*stream);
    if (!b) return 0;
    if (b->width <= 0 || b->height <= 0 || b->pitch != b->width * bytesPerPixel(b->format) ||
        b->bytes.size() != static_cast<size_t>(b->pitch) * b->height)
        std::abort();
    PixelBuffer rgba = convertPixels(*b, PF_RGBA32);
    if (rgba.width != b->width || rgba.height != b->height) std::abort();
    return 0;
}
