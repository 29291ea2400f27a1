// render.cpp - the immediate-mode 2D renderer over fixed-function OpenGL.
//
//   setColor(255, 255, 255);
//   drawImage(tiles, 40, 30, 2);      // frame 2 at logical (40, 30)
//   drawRect(0, 0, 320, 30);          // flat band in the current colour
//   PixelBuffer shot = grabPixels(0, 0, graphicsWidth(), graphicsHeight());
//
// One DrawState holds what the game may change (colour, alpha, blend) and the
// fixed parts of the original state model (clear colour, transform, origin,
// handle, viewport). It belongs to one graphics context: the first call after
// the display service counts a new generation starts it afresh. The GL blend mode, the bound
// texture and the texturing switch are cached so a frame of ~700 quads issues only the state
// changes it needs.
#include "engine/render/render.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "engine/display/graphics.h"

namespace {

struct DrawState {
    int colorRed = 255, colorGreen = 255, colorBlue = 255;
    float alpha = 1.0f;
    int clearRed = 0, clearGreen = 0, clearBlue = 0;
    float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
    int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
    float originX = 0.0f, originY = 0.0f;
    float handleX = 0.0f, handleY = 0.0f;
    int blend = MASK_BLEND;
};

// What the GL currently has; -1 / false = unknown, so the next use sets it.
struct GlCache {
    int blend = -1;
    int texturing = -1;
    bool textureKnown = false;
    unsigned texture = 0;
};

DrawState drawState;
GlCache glCache;
uint32_t stateGeneration = 0; // the generation drawState was started for; generations are never 0

uint8_t alphaByte(float alpha) {
    if (!(alpha > 0.0f)) return 0; // also NaN
    return static_cast<uint8_t>(255.0f * std::min(alpha, 1.0f));
}

void applyBlend(int mode) {
    if (mode < MASK_BLEND || mode > SHADE_BLEND) mode = SOLID_BLEND;
    if (glCache.blend == mode) return;
    glCache.blend = mode;
    if (mode == MASK_BLEND) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
    switch (mode) {
    case ALPHA_BLEND:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case LIGHT_BLEND:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case SHADE_BLEND:
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
    default:
        glDisable(GL_BLEND);
        break;
    }
}

void applyColor() {
    glColor4ub(static_cast<GLubyte>(drawState.colorRed), static_cast<GLubyte>(drawState.colorGreen),
               static_cast<GLubyte>(drawState.colorBlue), alphaByte(drawState.alpha));
}

void setTexturing(bool on) {
    if (glCache.texturing == static_cast<int>(on)) return;
    glCache.texturing = on;
    if (on)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void bindTexture(unsigned texture) {
    if (glCache.textureKnown && glCache.texture == texture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glCache.textureKnown = true;
    glCache.texture = texture;
}

// One quad of w x h at (x, y) whose local corners are shifted by the handle,
// mapped through the state's origin and transform.
void emitQuad(float x, float y, float w, float h, float hx, float hy, const float* uv) {
    const float ax[4] = {-hx, w - hx, w - hx, -hx};
    const float by[4] = {-hy, -hy, h - hy, h - hy};
    const DrawState& s = drawState;
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        if (uv) glTexCoord2f(uv[i * 2], uv[i * 2 + 1]);
        glVertex2f(x + s.originX + ax[i] * s.ix + by[i] * s.iy,
                   y + s.originY + ax[i] * s.jx + by[i] * s.jy);
    }
    glEnd();
}

// Whether a w x h quad at (x, y) (before the handle) covers exactly w x h
// window or canvas pixels, one unit one pixel, its corner on a pixel's edge.
bool onWholePixels(float x, float y, float w, float h, float hx, float hy) {
    const DrawState& s = drawState;
    if (s.ix != 1.0f || s.iy != 0.0f || s.jx != 0.0f || s.jy != 1.0f || w < 1 || h < 1)
        return false;
    GLfloat p[16], m[16];
    GLint v[4];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetIntegerv(GL_VIEWPORT, v);
    // Unit point -> pixel, for the 2D affine part of modelview, then projection.
    auto pixel = [&](float ux, float uy, float* px, float* py) {
        const float ex = m[0] * ux + m[4] * uy + m[12], ey = m[1] * ux + m[5] * uy + m[13];
        const float nx = p[0] * ex + p[4] * ey + p[12], ny = p[1] * ex + p[5] * ey + p[13];
        *px = static_cast<float>(v[0]) + (nx + 1.0f) * static_cast<float>(v[2]) / 2.0f;
        *py = static_cast<float>(v[1]) + (ny + 1.0f) * static_cast<float>(v[3]) / 2.0f;
    };
    const float left = x + s.originX - hx, top = y + s.originY - hy;
    float x0, y0, x1, y1;
    pixel(left, top, &x0, &y0);
    pixel(left + w, top + h, &x1, &y1);
    auto whole = [](float a) { return std::abs(a - std::round(a)) < 1e-3f; };
    auto same = [](float a, float b) { return std::abs(a - b) < 1e-3f; };
    float xOnly, yOnly; // a rotation or shear moves the far corner off the axis
    pixel(left + w, top, &xOnly, &yOnly);
    return whole(x0) && whole(y0) && same(std::abs(x1 - x0), w) && same(std::abs(y1 - y0), h) &&
           same(yOnly, y0);
}

// Every DrawState field back to its default, applied to the new context. The
// projection and the viewport are the display service's, set as it opens.
void startDrawState() {
    drawState = DrawState{};
    drawState.viewportWidth = graphicsWidth();
    drawState.viewportHeight = graphicsHeight();
    glCache = GlCache{};

    // Fixed pipeline set-up the renderer relies on: flat 2D, textures
    // modulated by the current colour, reads from the back buffer.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_SCISSOR_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    applyBlend(drawState.blend);
    applyColor();
    glClearColor(static_cast<float>(drawState.clearRed) / 255.0f,
                 static_cast<float>(drawState.clearGreen) / 255.0f,
                 static_cast<float>(drawState.clearBlue) / 255.0f, 1.0f);
    setTexturing(false);
}

// Whether there is a context to draw into, starting the DrawState afresh the
// first time a new one is seen; without a context the state keeps its values.
bool contextReady() {
    if (!graphicsOpen()) return false;
    if (stateGeneration != graphicsGeneration()) {
        stateGeneration = graphicsGeneration();
        startDrawState();
    }
    return true;
}

} // namespace

void setColor(int red, int green, int blue) {
    const bool ready = contextReady(); // before storing: a new context starts from the defaults
    drawState.colorRed = std::clamp(red, 0, 255);
    drawState.colorGreen = std::clamp(green, 0, 255);
    drawState.colorBlue = std::clamp(blue, 0, 255);
    if (ready) applyColor();
}

void getColor(int* red, int* green, int* blue) {
    contextReady(); // a new context's defaults show before the first draw
    if (red) *red = drawState.colorRed;
    if (green) *green = drawState.colorGreen;
    if (blue) *blue = drawState.colorBlue;
}

void setAlpha(float alpha) {
    const bool ready = contextReady();
    drawState.alpha = alpha;
    if (ready) applyColor();
}

float getAlpha() {
    contextReady(); // a new context's defaults show before the first draw
    return drawState.alpha;
}

void setBlend(int mode) {
    const bool ready = contextReady();
    drawState.blend = mode;
    if (ready) applyBlend(mode);
}

int getBlend() {
    contextReady(); // a new context's defaults show before the first draw
    return drawState.blend;
}

void clearScreen() {
    if (!contextReady()) return;
    glClear(GL_COLOR_BUFFER_BIT);
}

void drawRect(float x, float y, float width, float height) {
    if (!contextReady()) return;
    setTexturing(false);
    emitQuad(x, y, width, height, drawState.handleX, drawState.handleY, nullptr);
}

void drawImage(Image* image, float x, float y, int frame) {
    if (!image) return;
    drawImageRect(image, x, y, static_cast<float>(image->width), static_cast<float>(image->height),
                  frame);
}

void drawImageRect(Image* image, float x, float y, float width, float height, int frame) {
    if (!image || !contextReady()) return;
    if (frame < 0 || frame >= static_cast<int>(image->frames.size())) return;
    const ImageFrame& f = image->frames[static_cast<size_t>(frame)];
    const unsigned before = f.texture;
    const uint32_t beforeGeneration = f.textureGeneration;
    const unsigned texture = imageFrameTexture(*image, frame);
    if (!texture) return;
    // A new texture may reuse the name of a deleted one the cache still
    // believes bound, so a fresh texture is always bound explicitly.
    if (texture != before || f.textureGeneration != beforeGeneration) glCache.textureKnown = false;
    setTexturing(true);
    bindTexture(texture);
    if (image->flags & FILTERED_IMAGE)
        sampleFrameNearest(image->frames[static_cast<size_t>(frame)], image->flags,
                           width == static_cast<float>(image->width) &&
                               height == static_cast<float>(image->height) &&
                               onWholePixels(x, y, width, height, image->handleX, image->handleY));
    const float uv[8] = {f.uMin, f.vMin, f.uMax, f.vMin, f.uMax, f.vMax, f.uMin, f.vMax};
    emitQuad(x, y, width, height, image->handleX, image->handleY, uv);
}

ImagePtr createImage(int width, int height, int frames, int flags) {
    if (width < 1 || height < 1 || frames < 1) return nullptr;
    if (flags == -1) flags = AUTO_IMAGE_FLAGS;
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->flags = flags | DYNAMIC_IMAGE;
    // Every frame is transparent from the start: drawn before anything is
    // grabbed into it, it shows nothing, and collision finds nothing in it.
    image->frames.resize(static_cast<size_t>(frames));
    for (ImageFrame& f : image->frames) {
        f.pixels = createPixelBuffer(width, height, PF_RGBA32);
        if (f.pixels.format == 0) return nullptr;
    }
    return image;
}

void grabImage(Image* image, int x, int y, int frame) {
    if (!image || !contextReady()) return;
    if (frame < 0 || frame >= static_cast<int>(image->frames.size())) return;
    PixelBuffer grabbed = grabPixels(x, y, image->width, image->height);
    if (grabbed.width == 0) return;
    // The screen is opaque whatever its alpha bits say: keep only the colour,
    // so the frame is masked like a loaded picture when the image is masked
    // and drawn solid when it is not.
    glCache.textureKnown = false; // the old name, deleted below, may have been bound
    setImageFramePixels(*image, frame, convertPixels(grabbed, PF_RGB24));
}

PixelBuffer grabPixels(int x, int y, int width, int height) {
    if (!contextReady() || width < 1 || height < 1) return {};
    PixelBuffer buffer = createPixelBuffer(width, height, PF_RGBA32);
    if (buffer.width == 0) return buffer;
    const int savedBlend = drawState.blend;
    setBlend(SOLID_BLEND);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, buffer.pitch / 4);
    // Rows count from the bottom: of the canvas, or else of the game picture
    // in the window (which a full-screen display may have centred).
    int pictureX = 0, pictureY = 0;
    graphicsViewport(&pictureX, &pictureY);
    glReadPixels(pictureX + x, pictureY + canvasHeight() - y - height, width, height, GL_RGBA,
                 GL_UNSIGNED_BYTE, buffer.bytes.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // GL rows run bottom-up; ours run top-down.
    const size_t pitch = static_cast<size_t>(buffer.pitch);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = buffer.bytes.data() + pitch * static_cast<size_t>(top);
        uint8_t* b = buffer.bytes.data() + pitch * static_cast<size_t>(bottom);
        std::swap_ranges(a, a + pitch, b);
    }
    setBlend(savedBlend);
    return buffer;
}

PixelBuffer grabWindowPixels() {
    if (!graphicsOpen()) return {};
    PixelBuffer buffer = createPixelBuffer(graphicsWidth(), graphicsHeight(), PF_RGBA32);
    if (buffer.width == 0 || !readPresentedPicture(buffer.bytes.data(), buffer.pitch)) return {};
    return buffer;
}
