// jpeg_read.cpp - the JPEG reader: libjpeg pulling its bytes from a Stream.
//
//   std::optional<PixelBuffer> p = decodeJpeg(stream); // grey (format 1) or RGB (4)
//
// libjpeg reports fatal errors by calling error_exit, which by default ends
// the process; here it jumps back and the decode returns none. The setjmp
// frame holds only plain data, so the jump skips no destructor: the output
// buffer lives in the caller.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "engine/io/stream.h"
#include "engine/resources/image.h"

namespace {

constexpr int MAX_SIDE = 16384; // the pixel buffer limit
// Multi-scan (progressive) files keep every coefficient of the picture in memory,
// 2 bytes per sample, before the first row comes out: cap that at 64 MiB (about
// 10 megapixels of colour), far beyond any picture of the game.
constexpr uint64_t MAX_COEFFICIENT_BYTES = 64u << 20;
constexpr int MAX_SCANS = 500; // real files have at most a few dozen; more is a slow-down attack
constexpr size_t CHUNK = 4096;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct SourceManager {
    jpeg_source_mgr pub;
    Stream* stream;
    JOCTET buffer[CHUNK];
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// libjpeg warns and carries on about things a picture survives (stray bytes
// between markers, an unknown JFIF revision), so warnings pass. One warning is
// fatal: a marker where the scan data should go on means the data was cut short,
// and libjpeg would fill the rest with grey; a tiny file could then claim a huge
// picture. Trace messages are ignored.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER) cinfo->err->error_exit(cinfo);
}

void onProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > MAX_SCANS) ERREXIT(cinfo, JERR_NOT_COMPILED);
}

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    size_t n = src->stream->read(src->buffer, CHUNK);
    // A file that ends before its end marker is damaged: refuse it rather than
    // padding it out as libjpeg's own file source does.
    if (n == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    size_t left = static_cast<size_t>(count);
    while (left > src->bytes_in_buffer) {
        left -= src->bytes_in_buffer;
        fillInput(cinfo);
    }
    src->next_input_byte += left;
    src->bytes_in_buffer -= left;
}

void termSource(j_decompress_ptr) {}

// Everything libjpeg touches, kept together so the jump target sees it unchanged.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    SourceManager src;
    jpeg_progress_mgr progress;
};

// Fills out; false on any error. Only plain data lives in this frame.
bool decode(Decoder& d, Stream& stream, PixelBuffer& out) {
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = onError;
    d.err.pub.emit_message = onMessage;
    if (setjmp(d.err.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.progress.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress;

    d.src.stream = &stream;
    d.src.pub.init_source = initSource;
    d.src.pub.fill_input_buffer = fillInput;
    d.src.pub.skip_input_data = skipInput;
    d.src.pub.resync_to_restart = jpeg_resync_to_restart;
    d.src.pub.term_source = termSource;
    d.src.pub.bytes_in_buffer = 0;
    d.src.pub.next_input_byte = nullptr;
    d.cinfo.src = &d.src.pub;

    // A tables-only datastream has no picture.
    if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK) ERREXIT(&d.cinfo, JERR_EMPTY_IMAGE);
    // Grey or colour only (no CMYK), and no size beyond the buffer limit: checked
    // before libjpeg or we allocate anything for the picture.
    const int components = d.cinfo.num_components;
    if (components != 1 && components != 3) ERREXIT(&d.cinfo, JERR_BAD_J_COLORSPACE);
    if (d.cinfo.image_width == 0 || d.cinfo.image_height == 0 || d.cinfo.image_width > MAX_SIDE ||
        d.cinfo.image_height > MAX_SIDE)
        ERREXIT(&d.cinfo, JERR_IMAGE_TOO_BIG);
    if (jpeg_has_multiple_scans(&d.cinfo) &&
        uint64_t{d.cinfo.image_width} * d.cinfo.image_height * components * 2 >
            MAX_COEFFICIENT_BYTES)
        ERREXIT(&d.cinfo, JERR_IMAGE_TOO_BIG);
    d.cinfo.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;

    jpeg_start_decompress(&d.cinfo);
    const int format = components == 1 ? PF_GREY8 : PF_RGB24;
    if (d.cinfo.output_components != bytesPerPixel(format))
        ERREXIT(&d.cinfo, JERR_BAD_J_COLORSPACE);
    // The buffer grows with the rows actually decoded: a small damaged file that
    // claims a huge picture fails long before it could claim the memory.
    out = createPixelBuffer(static_cast<int>(d.cinfo.output_width), 0, format);
    if (out.format == 0) ERREXIT(&d.cinfo, JERR_IMAGE_TOO_BIG);
    out.height = static_cast<int>(d.cinfo.output_height);
    const size_t pitch = static_cast<size_t>(out.pitch);
    const size_t total = pitch * out.height;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const size_t rowStart = pitch * d.cinfo.output_scanline;
        if (out.bytes.size() < rowStart + pitch)
            out.bytes.resize(std::min(total, std::max(rowStart + pitch, 2 * out.bytes.size())));
        JSAMPROW row = out.bytes.data() + rowStart;
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    jpeg_destroy_decompress(&d.cinfo);
    return true;
}

} // namespace

std::optional<PixelBuffer> decodeJpeg(Stream& stream) {
    auto decoder = std::make_unique<Decoder>();
    PixelBuffer out;
    if (!decode(*decoder, stream, out)) return std::nullopt;
    return out;
}
