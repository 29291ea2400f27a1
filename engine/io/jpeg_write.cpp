// jpeg_write.cpp - saves a pixel buffer as a baseline JPEG (screenshots).
//
//   saveJpeg(grab, "screen000.jpg", 75);
//
// libjpeg writes through a destination that hands each filled chunk to the
// Stream. Its fatal errors (and a failed write) jump back here and the save
// reports false; the setjmp frame holds only plain data.
#include "engine/io/jpeg_write.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "engine/io/stream.h"
#include "engine/pixels/pixel_buffer.h"

namespace {

constexpr size_t CHUNK = 4096;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct Destination {
    jpeg_destination_mgr pub;
    Stream* stream;
    JOCTET buffer[CHUNK];
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr) {}

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = CHUNK;
}

// libjpeg calls this with the whole buffer full (free_in_buffer is ignored).
boolean emptyBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    if (dest->stream->write(dest->buffer, CHUNK) != CHUNK) ERREXIT(cinfo, JERR_FILE_WRITE);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const size_t used = CHUNK - dest->pub.free_in_buffer;
    if (dest->stream->write(dest->buffer, used) != used) ERREXIT(cinfo, JERR_FILE_WRITE);
}

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    Destination dest;
};

bool encode(Encoder& e, const PixelBuffer& rgb, Stream& stream, int quality) {
    e.cinfo.err = jpeg_std_error(&e.err.pub);
    e.err.pub.error_exit = onError;
    e.err.pub.output_message = onMessage;
    if (setjmp(e.err.jump)) {
        jpeg_destroy_compress(&e.cinfo);
        return false;
    }
    jpeg_create_compress(&e.cinfo);
    e.dest.stream = &stream;
    e.dest.pub.init_destination = initDestination;
    e.dest.pub.empty_output_buffer = emptyBuffer;
    e.dest.pub.term_destination = termDestination;
    e.cinfo.dest = &e.dest.pub;

    e.cinfo.image_width = static_cast<JDIMENSION>(rgb.width);
    e.cinfo.image_height = static_cast<JDIMENSION>(rgb.height);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE); // baseline-compatible tables
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) { // top row first
        JSAMPROW row = const_cast<JSAMPROW>(rgb.bytes.data()) +
                       static_cast<size_t>(e.cinfo.next_scanline) * rgb.pitch;
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    jpeg_destroy_compress(&e.cinfo);
    return true;
}

} // namespace

bool saveJpeg(const PixelBuffer& pixels, const std::string& url, int quality) {
    const PixelBuffer rgb = convertPixels(pixels, PF_RGB24);
    // Checked before the file is created, so a bad buffer leaves no empty file behind.
    if (rgb.format == 0 || rgb.width == 0 || rgb.height == 0) return false;
    StreamPtr stream = openWriteStream(url);
    if (!stream) return false;
    auto encoder = std::make_unique<Encoder>();
    const bool ok = encode(*encoder, rgb, *stream, quality);
    closeStream(stream);
    // A write that failed part way (a full disk) leaves no broken picture behind.
    if (!ok && url.find("::") == std::string::npos) {
        std::string path = url;
        std::replace(path.begin(), path.end(), '\\', '/');
        // Only a regular file can be a broken picture; never unlink a device
        // node such as /dev/full that the write was pointed at.
        if (fileType(path) == 1) std::remove(path.c_str());
    }
    return ok;
}
