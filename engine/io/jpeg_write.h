// jpeg_write.h - writes a pixel buffer as a baseline JPEG through libjpeg.
#pragma once

#include <string>

struct PixelBuffer;

// Converts to 24-bit RGB and writes through openWriteStream(url); false when
// the file cannot be created or written.
bool saveJpeg(const PixelBuffer& pixels, const std::string& url, int quality);
