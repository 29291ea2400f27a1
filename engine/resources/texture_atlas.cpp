// texture_atlas.cpp - shelf packing into 512 x 512 pages, counted per page.
#include "engine/resources/texture_atlas.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/display/graphics.h"
#include "engine/resources/image.h"

namespace {

constexpr int PAGE_SIZE = 512;
constexpr int LARGEST = 128; // a frame with its border, either way

struct Page {
    unsigned texture = 0;
    int frames = 0;                              // live frames placed on it
    int shelfY = 0, shelfX = 0, shelfHeight = 0; // the shelf being filled
};

struct Atlas {
    std::vector<Page> pages;
    bool enabled = true;
};

Atlas atlas;

// The frame in the middle of a buffer one texel larger on every side, its
// edges and corners repeated outwards.
PixelBuffer withBorder(const PixelBuffer& rgba) {
    const int w = rgba.width, h = rgba.height;
    PixelBuffer out = createPixelBuffer(w + 2, h + 2, PF_RGBA32);
    if (out.format == 0) return out;
    for (int y = 0; y < h + 2; ++y) {
        const int sy = std::clamp(y - 1, 0, h - 1);
        const uint8_t* row = rgba.bytes.data() + static_cast<size_t>(sy) * rgba.pitch;
        uint8_t* dst = out.bytes.data() + static_cast<size_t>(y) * out.pitch;
        std::memcpy(dst + 4, row, static_cast<size_t>(w) * 4);
        std::memcpy(dst, row, 4);
        std::memcpy(dst + static_cast<size_t>(w + 1) * 4, row + static_cast<size_t>(w - 1) * 4, 4);
    }
    return out;
}

// Room for w x h on the page's current shelf or a new one below it.
bool makeRoom(Page& page, int w, int h, int* x, int* y) {
    if (page.shelfX + w > PAGE_SIZE) {
        page.shelfY += page.shelfHeight;
        page.shelfX = 0;
        page.shelfHeight = 0;
    }
    if (page.shelfY + h > PAGE_SIZE) return false;
    *x = page.shelfX;
    *y = page.shelfY;
    page.shelfX += w;
    page.shelfHeight = std::max(page.shelfHeight, h);
    return true;
}

Page* newPage() {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint name = 0;
    glGenTextures(1, &name);
    if (!name) return nullptr;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, PAGE_SIZE, PAGE_SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    atlas.pages.push_back(Page{name});
    return &atlas.pages.back();
}

} // namespace

bool atlasTakes(int width, int height, int imageFlags) {
    const int own = FILTERED_IMAGE | MIPMAPPED_IMAGE | DYNAMIC_IMAGE;
    return atlas.enabled && !(imageFlags & own) && width >= 1 && height >= 1 &&
           width + 2 <= LARGEST && height + 2 <= LARGEST;
}

bool atlasPlace(const PixelBuffer& rgba, AtlasPlace* place) {
    if (rgba.format != PF_RGBA32 || rgba.width + 2 > LARGEST || rgba.height + 2 > LARGEST)
        return false;
    const PixelBuffer bordered = withBorder(rgba);
    if (bordered.format == 0) return false;
    int x = 0, y = 0;
    Page* page = atlas.pages.empty() ? nullptr : &atlas.pages.back();
    if (!page || !makeRoom(*page, bordered.width, bordered.height, &x, &y)) {
        // An emptied page (left while no context could delete it) before a new one.
        page = nullptr;
        for (Page& p : atlas.pages)
            if (p.frames == 0) page = &p;
        if (page) *page = Page{page->texture};
        if (!page) page = newPage();
        if (!page || !makeRoom(*page, bordered.width, bordered.height, &x, &y)) return false;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, page->texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bordered.pitch / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, bordered.width, bordered.height, GL_RGBA,
                    GL_UNSIGNED_BYTE, bordered.bytes.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    ++page->frames;
    *place = AtlasPlace{page->texture, x + 1, y + 1, PAGE_SIZE};
    return true;
}

void atlasRelease(unsigned texture) {
    for (size_t i = 0; i < atlas.pages.size(); ++i) {
        Page& page = atlas.pages[i];
        if (page.texture != texture) continue;
        if (--page.frames > 0 || !graphicsOpen()) return;
        const GLuint name = page.texture;
        glDeleteTextures(1, &name);
        atlas.pages.erase(atlas.pages.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

int atlasPageCount() {
    return static_cast<int>(atlas.pages.size());
}

void setAtlasEnabled(bool enabled) {
    atlas.enabled = enabled;
}
