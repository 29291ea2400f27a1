// texture.cpp - turning an image frame into a GL texture, and releasing it.
//
//   unsigned name = imageFrameTexture(*image, frame); // 0: nothing to draw
//
// Textures are power-of-two sized (the largest the GL accepts, at most the
// next power of two above the frame), padded with a copy of the frame's last
// column and row so filtering at the frame's edge sees the frame's own colour.
// Small sharp frames share the atlas's pages instead (texture_atlas.h) and
// keep their place for the whole run. A texture of its own is tagged with the
// graphics generation it was made in; once the graphics are reopened, the
// next use deletes it and makes a new one.
#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/display/graphics.h"
#include "engine/io/runtime_error.h"
#include "engine/resources/image.h"
#include "engine/resources/texture_atlas.h"

namespace {

int nextPowerOfTwo(int value) {
    int size = 1;
    while (size < value && size < (1 << 30))
        size <<= 1;
    return size;
}

bool textureSizeAccepted(int width, int height) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    GLint got = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
    return got != 0;
}

// Bilinear resample of a format 6 buffer, sampling at pixel centres; an exact
// halving averages each 2 x 2 block.
PixelBuffer resample(const PixelBuffer& src, int width, int height) {
    PixelBuffer out;
    out.width = width;
    out.height = height;
    out.pitch = width * 4;
    out.format = PF_RGBA32;
    out.bytes.resize(static_cast<size_t>(out.pitch) * static_cast<size_t>(height));
    const float sx = static_cast<float>(src.width) / static_cast<float>(width);
    const float sy = static_cast<float>(src.height) / static_cast<float>(height);
    for (int y = 0; y < height; ++y) {
        const float fy = std::clamp((static_cast<float>(y) + 0.5f) * sy - 0.5f, 0.0f,
                                    static_cast<float>(src.height - 1));
        const int y0 = static_cast<int>(fy);
        const int y1 = std::min(y0 + 1, src.height - 1);
        const float wy = fy - static_cast<float>(y0);
        const uint8_t* row0 = src.bytes.data() + static_cast<size_t>(y0) * src.pitch;
        const uint8_t* row1 = src.bytes.data() + static_cast<size_t>(y1) * src.pitch;
        uint8_t* dst = out.bytes.data() + static_cast<size_t>(y) * out.pitch;
        for (int x = 0; x < width; ++x) {
            const float fx = std::clamp((static_cast<float>(x) + 0.5f) * sx - 0.5f, 0.0f,
                                        static_cast<float>(src.width - 1));
            const int x0 = static_cast<int>(fx);
            const int x1 = std::min(x0 + 1, src.width - 1);
            const float wx = fx - static_cast<float>(x0);
            for (int c = 0; c < 4; ++c) {
                const float top = row0[x0 * 4 + c] * (1.0f - wx) + row0[x1 * 4 + c] * wx;
                const float bottom = row1[x0 * 4 + c] * (1.0f - wx) + row1[x1 * 4 + c] * wx;
                dst[x * 4 + c] = static_cast<uint8_t>(top * (1.0f - wy) + bottom * wy + 0.5f);
            }
        }
    }
    return out;
}

// The frame in the top-left corner of a texture-sized buffer, its last column
// and row (and their corner) repeated once beyond it: the base level that
// mipmaps are made from.
PixelBuffer padToTexture(const PixelBuffer& frame, int texWidth, int texHeight) {
    PixelBuffer out;
    out.width = texWidth;
    out.height = texHeight;
    out.pitch = texWidth * 4;
    out.format = PF_RGBA32;
    out.bytes.assign(static_cast<size_t>(out.pitch) * static_cast<size_t>(texHeight), 0);
    const int w = frame.width, h = frame.height;
    auto at = [&](int x, int y) {
        return out.bytes.data() + static_cast<size_t>(y) * out.pitch + x * 4;
    };
    for (int y = 0; y < h; ++y) {
        std::memcpy(at(0, y), frame.bytes.data() + static_cast<size_t>(y) * frame.pitch,
                    static_cast<size_t>(w) * 4);
        if (w < texWidth) std::memcpy(at(w, y), at(w - 1, y), 4);
    }
    if (h < texHeight) {
        std::memcpy(at(0, h), at(0, h - 1), static_cast<size_t>(w) * 4);
        if (w < texWidth) std::memcpy(at(w, h), at(w - 1, h - 1), 4);
    }
    return out;
}

// Level 0 is the given texture-sized buffer; with mipmaps every further level
// halves the one before, down to 1 x 1.
void uploadLevels(const PixelBuffer& base, bool mipmapped) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, base.width, base.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 base.bytes.data());
    if (!mipmapped) return;
    PixelBuffer level;
    const PixelBuffer* previous = &base;
    for (int index = 1; previous->width > 1 || previous->height > 1; ++index) {
        level = resample(*previous, std::max(1, previous->width / 2),
                         std::max(1, previous->height / 2));
        glTexImage2D(GL_TEXTURE_2D, index, GL_RGBA8, level.width, level.height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level.bytes.data());
        previous = &level;
    }
}

// A frame smaller than its texture goes into the top-left corner straight
// from its own rows, its last column and row (and their corner) repeated once
// beyond it; the rest of the texture is never sampled. No texture-sized copy
// is made: its fresh pages cost more than the upload (the loading picture
// waits on this).
void uploadInCorner(const PixelBuffer& frame, int texWidth, int texHeight) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texWidth, texHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.pitch / 4);
    const int w = frame.width, h = frame.height;
    auto put = [&](int x, int y, int width, int height, int fromX, int fromY) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                        frame.bytes.data() + static_cast<size_t>(fromY) * frame.pitch +
                            static_cast<size_t>(fromX) * 4);
    };
    put(0, 0, w, h, 0, 0);
    if (w < texWidth) put(w, 0, 1, h, w - 1, 0);
    if (h < texHeight) put(0, h, w, 1, 0, h - 1);
    if (w < texWidth && h < texHeight) put(w, h, 1, 1, w - 1, h - 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// Puts the frame's pixels into the atlas; false (and nothing changed) when
// they are missing or do not fit.
bool placeInAtlas(ImageFrame& f, uint32_t generation) {
    if (f.pixels.width < 1 || f.pixels.height < 1) return false;
    const PixelBuffer rgba = convertPixels(f.pixels, PF_RGBA32);
    AtlasPlace place;
    if (rgba.width != f.pixels.width || rgba.height != f.pixels.height || !atlasPlace(rgba, &place))
        return false;
    const float size = static_cast<float>(place.pageSize);
    f.texture = place.texture;
    f.textureGeneration = generation;
    f.inAtlas = true;
    f.uMin = static_cast<float>(place.x) / size;
    f.vMin = static_cast<float>(place.y) / size;
    f.uMax = static_cast<float>(place.x + rgba.width) / size;
    f.vMax = static_cast<float>(place.y + rgba.height) / size;
    return true;
}

} // namespace

unsigned imageFrameTexture(Image& image, int frame) {
    if (!graphicsOpen() || frame < 0 || frame >= static_cast<int>(image.frames.size())) return 0;
    ImageFrame& f = image.frames[static_cast<size_t>(frame)];
    const uint32_t generation = graphicsGeneration();
    if (f.texture && f.textureGeneration == generation) return f.texture;
    // Atlas pages belong to the shared context and live as long as a frame
    // is on them, so a frame keeps its place in every generation.
    if (f.texture && f.inAtlas) {
        f.textureGeneration = generation;
        return f.texture;
    }
    // Texture names outlive their window (the display keeps its share group
    // alive), so a name from an older generation is still alive: delete it
    // rather than leak one texture per frame at every mode change.
    releaseFrameTexture(f);
    if (f.pixels.width < 1 || f.pixels.height < 1) return 0;

    // The first frame of a picture to reach the atlas brings the others along:
    // an upload into a page drawn from since the last present makes the GL
    // finish that drawing first, so it is one wait per picture, not per frame.
    if (atlasTakes(image.width, image.height, image.flags)) {
        for (ImageFrame& other : image.frames)
            if (!other.texture) placeInAtlas(other, generation);
        if (f.inAtlas) return f.texture;
    }

    PixelBuffer converted;
    const PixelBuffer* pixels = &f.pixels;
    if (pixels->format != PF_RGBA32) {
        converted = convertPixels(f.pixels, PF_RGBA32);
        if (converted.width != f.pixels.width || converted.height != f.pixels.height) return 0;
        pixels = &converted;
    }
    if (pixels->bytes.size() <
        static_cast<size_t>(pixels->pitch) * static_cast<size_t>(pixels->height - 1) +
            static_cast<size_t>(pixels->width) * 4)
        return 0;

    int texWidth = nextPowerOfTwo(pixels->width);
    int texHeight = nextPowerOfTwo(pixels->height);
    while (!textureSizeAccepted(texWidth, texHeight)) {
        if (texWidth == 1 && texHeight == 1) runtimeError("Unable to calculate tex size");
        texWidth = std::max(1, texWidth / 2);
        texHeight = std::max(1, texHeight / 2);
    }

    PixelBuffer resampled;
    if (pixels->width > texWidth || pixels->height > texHeight) {
        resampled = resample(*pixels, std::min(pixels->width, texWidth),
                             std::min(pixels->height, texHeight));
        pixels = &resampled;
    }
    const int usedWidth = pixels->width, usedHeight = pixels->height;

    const bool filtered = (image.flags & FILTERED_IMAGE) != 0;
    const bool mipmapped = (image.flags & MIPMAPPED_IMAGE) != 0;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    const GLint minFilter = mipmapped
                                ? (filtered ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST)
                                : (filtered ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const bool exact =
        usedWidth == texWidth && usedHeight == texHeight && pixels->pitch == texWidth * 4;
    if (exact)
        uploadLevels(*pixels, mipmapped);
    else if (!mipmapped && pixels->pitch % 4 == 0)
        uploadInCorner(*pixels, texWidth, texHeight);
    else
        uploadLevels(padToTexture(*pixels, texWidth, texHeight), mipmapped);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));

    f.texture = name;
    f.textureGeneration = generation;
    f.inAtlas = false;
    f.sampledNearest = false;
    f.uMin = f.vMin = 0.0f;
    f.uMax = static_cast<float>(usedWidth) / static_cast<float>(texWidth);
    f.vMax = static_cast<float>(usedHeight) / static_cast<float>(texHeight);
    return name;
}

void releaseFrameTexture(ImageFrame& frame) {
    // All contexts share one texture namespace (see imageFrameTexture), so
    // any live name can be deleted while a context is current.
    if (frame.texture && frame.inAtlas) {
        atlasRelease(frame.texture); // the page goes with its last frame
    } else if (frame.texture && graphicsOpen()) {
        const GLuint name = frame.texture;
        glDeleteTextures(1, &name);
    }
    frame.texture = 0;
    frame.inAtlas = false;
    frame.sampledNearest = false;
    frame.textureGeneration = 0;
}

Image::~Image() {
    for (ImageFrame& frame : frames)
        releaseFrameTexture(frame);
}

void sampleFrameNearest(ImageFrame& frame, int imageFlags, bool texelForPixel) {
    // A mipmapped picture keeps its filters: at exactly 1:1 the GL may still
    // take its minification path, which mixes in the next level.
    const bool nearest =
        texelForPixel && (imageFlags & FILTERED_IMAGE) != 0 && (imageFlags & MIPMAPPED_IMAGE) == 0;
    if (frame.inAtlas || frame.sampledNearest == nearest) return;
    frame.sampledNearest = nearest;
    const GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}
