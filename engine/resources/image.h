// image.h - pictures: decoded frames with their masks, realised as textures on
// demand.
//
//   ImagePtr tiles = loadImageStrip("incbin::gfx\\conveyor.bmp", 10, 10, 0, 2, MASKED_IMAGE);
//   drawImage(tiles.get(), x, y, frame);          // engine/render
//
// Loaders return none (nullptr) on any failure; every consumer accepts none
// and then does nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/pixels/pixel_buffer.h"

struct Stream;

constexpr int MASKED_IMAGE = 1;
constexpr int FILTERED_IMAGE = 2;
constexpr int MIPMAPPED_IMAGE = 4;
constexpr int DYNAMIC_IMAGE = 8;
constexpr int AUTO_IMAGE_FLAGS = MASKED_IMAGE | FILTERED_IMAGE; // what flags -1 stand for

struct ImageFrame {
    PixelBuffer pixels;             // after masking; empty until set
    unsigned texture = 0;           // GL texture name, 0 = none
    uint32_t textureGeneration = 0; // graphics generation of the texture; 0 = none
    float uMin = 0.0f, vMin = 0.0f; // texture coordinates of the frame's top-left corner
    float uMax = 1.0f, vMax = 1.0f; // ... and of its bottom-right corner
    bool inAtlas = false;           // the texture is an atlas page shared with other frames
    bool sampledNearest = false;    // a filtered texture set to nearest sampling for now
};

struct Image {
    int width = 0, height = 0; // every frame's size
    int flags = 0;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    float handleX = 0.0f, handleY = 0.0f;
    std::vector<ImageFrame> frames;
    ~Image(); // releases live textures
};
using ImagePtr = std::unique_ptr<Image>;

// ---- Loading ---------------------------------------------------------------
ImagePtr loadImage(const std::string& url, int flags);
ImagePtr loadImageStrip(const std::string& url, int cellWidth, int cellHeight, int firstCell,
                        int cellCount, int flags);
std::optional<PixelBuffer> loadPixelBuffer(const std::string& url); // BMP, then JPEG
std::optional<PixelBuffer> decodeBmp(Stream& stream);  // none for anything not a valid BMP
std::optional<PixelBuffer> decodeJpeg(Stream& stream); // none for anything not a valid JPEG

// ---- Frames ------------------------------------------------------------------
int imageWidth(const Image* image);  // frame width, 0 for none
int imageHeight(const Image* image); // frame height, 0 for none
int imageFrames(const Image* image); // frame count, 0 for none
// Stores the buffer as the frame's pixels (masked when the image is masked and
// the buffer has no alpha) and deletes the frame's texture.
void setImageFramePixels(Image& image, int frame, const PixelBuffer& pixels);
// Mask colour -> alpha 0 with the 3 x 3 average of its unmasked neighbours.
PixelBuffer maskPixels(const PixelBuffer& src, int maskRed, int maskGreen, int maskBlue);

// ---- Textures (need a current graphics context) ----------------------------------
// The frame's texture, made or remade when missing or from an older graphics
// generation; 0 when there is no context or the frame has no pixels.
unsigned imageFrameTexture(Image& image, int frame);
// Deletes the frame's texture when it belongs to the current generation (a
// live name), and forgets it in any case; for replacing a frame's pixels.
void releaseFrameTexture(ImageFrame& frame);
// With the frame's own texture bound: a filtered, unmipmapped frame samples
// the nearest texel while `texelForPixel` (drawn at its own size on whole
// pixels, where that shows the same pixels for a fraction of a software GL's
// work), else with its own filter. Frames in the atlas are never filtered.
void sampleFrameNearest(ImageFrame& frame, int imageFlags, bool texelForPixel);
