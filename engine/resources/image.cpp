// image.cpp - pictures from addresses: decoding, masking and strip cutting.
//
//   ImagePtr bg = loadImage("incbin::gfx\\back1.jpg", -1);            // masked, filtered
//   ImagePtr walk = loadImageStrip("incbin::gfx\\player.bmp", 10, 20, 0, 16, MASKED_IMAGE);
//
// Frames keep their pixels for the image's whole life so that textures can be
// made again after the graphics are reopened (texture.cpp does that part).
#include "engine/resources/image.h"

#include "engine/io/stream.h"

namespace {

// The mask colour is black and the game never changes it.
constexpr int MASK_RED = 0, MASK_GREEN = 0, MASK_BLUE = 0;

int resolveFlags(int flags) {
    return flags == -1 ? AUTO_IMAGE_FLAGS : flags;
}

ImagePtr makeImage(int width, int height, int frames, int flags) {
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->flags = flags;
    image->maskRed = MASK_RED;
    image->maskGreen = MASK_GREEN;
    image->maskBlue = MASK_BLUE;
    image->frames.resize(static_cast<size_t>(frames));
    return image;
}

} // namespace

std::optional<PixelBuffer> loadPixelBuffer(const std::string& url) {
    StreamPtr stream = openStream(url, true, false);
    if (!stream) return std::nullopt;
    // Each decoder starts again from here, so the stream must know where it is.
    const int64_t start = stream->position();
    if (start < 0) return std::nullopt;
    std::optional<PixelBuffer> pixels = decodeBmp(*stream);
    if (!pixels && stream->seek(start)) pixels = decodeJpeg(*stream);
    closeStream(stream);
    return pixels;
}

ImagePtr loadImage(const std::string& url, int flags) {
    flags = resolveFlags(flags);
    std::optional<PixelBuffer> pixels = loadPixelBuffer(url);
    if (!pixels) return nullptr;
    ImagePtr image = makeImage(pixels->width, pixels->height, 1, flags);
    setImageFramePixels(*image, 0, *pixels);
    return image;
}

ImagePtr loadImageStrip(const std::string& url, int cellWidth, int cellHeight, int firstCell,
                        int cellCount, int flags) {
    flags = resolveFlags(flags);
    // Cells must have an area and the range must name at least one cell.
    if (cellWidth <= 0 || cellHeight <= 0 || firstCell < 0 || cellCount <= 0) return nullptr;
    std::optional<PixelBuffer> strip = loadPixelBuffer(url);
    if (!strip) return nullptr;
    const int columns = strip->width / cellWidth; // partial cells at the edges are ignored
    const int rows = strip->height / cellHeight;
    if (int64_t{columns} * rows < int64_t{firstCell} + cellCount) return nullptr;

    ImagePtr image = makeImage(cellWidth, cellHeight, cellCount, flags);
    for (int i = 0; i < cellCount; ++i) {
        const int cell = firstCell + i; // numbered left to right, then top to bottom
        PixelBuffer pixels = copyRect(*strip, cellWidth * (cell % columns),
                                      cellHeight * (cell / columns), cellWidth, cellHeight);
        setImageFramePixels(*image, i, pixels);
    }
    return image;
}

int imageWidth(const Image* image) {
    return image ? image->width : 0;
}
int imageHeight(const Image* image) {
    return image ? image->height : 0;
}
int imageFrames(const Image* image) {
    return image ? static_cast<int>(image->frames.size()) : 0;
}

void setImageFramePixels(Image& image, int frame, const PixelBuffer& pixels) {
    if (frame < 0 || frame >= imageFrames(&image)) return;
    ImageFrame& f = image.frames[static_cast<size_t>(frame)];
    if ((image.flags & MASKED_IMAGE) && !formatHasAlpha(pixels.format)) {
        f.pixels = maskPixels(pixels, image.maskRed, image.maskGreen, image.maskBlue);
    } else {
        f.pixels = pixels;
    }
    // The texture no longer shows these pixels: deleted now, or it would stay
    // behind for good; the next draw makes a new one.
    releaseFrameTexture(f);
}

PixelBuffer maskPixels(const PixelBuffer& src, int maskRed, int maskGreen, int maskBlue) {
    const PixelBuffer in = convertPixels(src, PF_RGBA32);
    PixelBuffer out = createPixelBuffer(in.width, in.height, PF_RGBA32);
    if (in.format == 0 || out.format == 0) return {};
    const int w = in.width, h = in.height;
    auto offset = [&](int x, int y) {
        return static_cast<size_t>(y) * static_cast<size_t>(in.pitch) + static_cast<size_t>(x) * 4;
    };
    auto isMask = [&](const uint8_t* p) {
        return p[0] == maskRed && p[1] == maskGreen && p[2] == maskBlue;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = in.bytes.data() + offset(x, y);
            uint8_t* q = out.bytes.data() + offset(x, y);
            if (!isMask(p)) {
                q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
                continue;
            }
            // A transparent pixel takes the average colour of its visible neighbours,
            // so bilinear filtering at an edge does not pull in the mask colour.
            int sum[3] = {0, 0, 0}, count = 0;
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                for (int nx = x - 1; nx <= x + 1; ++nx) {
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const uint8_t* n = in.bytes.data() + offset(nx, ny);
                    if (isMask(n)) continue;
                    sum[0] += n[0], sum[1] += n[1], sum[2] += n[2];
                    ++count;
                }
            }
            for (int c = 0; c < 3; ++c)
                q[c] = static_cast<uint8_t>(count ? sum[c] / count : 0);
            q[3] = 0;
        }
    }
    return out;
}
