// resources_jpeg_writer.h - encodes small JPEGs in memory for the reader tests,
// with libjpeg directly (any component count, so the reader's refusals can be
// tried too).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace jpegtest {

// pixels: width * height * components bytes, top row first.
inline std::vector<uint8_t> encode(int width, int height, int components, J_COLOR_SPACE space,
                                   const std::vector<uint8_t>& pixels, int quality = 90,
                                   bool progressive = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data()) +
                       static_cast<size_t>(cinfo.next_scanline) * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Four flat quadrants (red, green, blue, white) of a width x height RGB picture.
inline std::vector<uint8_t> quadrants(int width, int height) {
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = px.data() + (static_cast<size_t>(y) * width + x) * 3;
            const int q = (y >= height / 2) * 2 + (x >= width / 2);
            p[0] = q == 0 || q == 3 ? 255 : 0;
            p[1] = q == 1 || q == 3 ? 255 : 0;
            p[2] = q == 2 || q == 3 ? 255 : 0;
        }
    return px;
}

} // namespace jpegtest
