// Placeholder so the program links while this module is being written.
#include "engine/resources/image.h"
ImagePtr loadImage(const std::string&, int) { return nullptr; }
ImagePtr loadImageStrip(const std::string&, int, int, int, int, int) { return nullptr; }
std::optional<PixelBuffer> loadPixelBuffer(const std::string&) { return std::nullopt; }
std::optional<PixelBuffer> decodeBmp(Stream&) { return std::nullopt; }
std::optional<PixelBuffer> decodeJpeg(Stream&) { return std::nullopt; }
int imageWidth(const Image*) { return 0; }
int imageHeight(const Image*) { return 0; }
int imageFrames(const Image*) { return 0; }
void setImageFramePixels(Image&, int, const PixelBuffer&) {}
PixelBuffer maskPixels(const PixelBuffer&, int, int, int) { return {}; }
