// font.cpp - drawing and measuring text in the built-in 8 x 16 font.
//
//   drawText("Score: " + intToString(score), 320 - textWidth(s) - 10, 4);
//
// The glyphs are one image of 96 frames (frame = code - 32), each 8 x 16 with
// white ink of alpha 255 on transparent black and flags 0, so they draw sharp
// and take the current colour, alpha and blend like any picture. The image is
// built from fontTable() on first use and kept for the whole run; its
// textures follow graphics reopenings like every other image's.
#include "engine/render/font.h"

#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "engine/resources/image.h"

namespace {

constexpr int FIRST_CODE = 32;
constexpr int GLYPH_COUNT = 96;
constexpr int CELL_WIDTH = 8;
constexpr int CELL_HEIGHT = 16;
constexpr float ADVANCE = 8.0f;

int glyphIndex(char c) {
    const int code = static_cast<unsigned char>(c);
    return code >= FIRST_CODE && code < FIRST_CODE + GLYPH_COUNT ? code - FIRST_CODE : -1;
}

Image& glyphImage() {
    static ImagePtr glyphs = [] {
        auto image = std::make_unique<Image>();
        image->width = CELL_WIDTH;
        image->height = CELL_HEIGHT;
        image->flags = 0;
        image->frames.resize(GLYPH_COUNT);
        const uint8_t* table = fontTable();
        for (int cell = 0; cell < GLYPH_COUNT; ++cell) {
            PixelBuffer& px = image->frames[static_cast<size_t>(cell)].pixels;
            px = createPixelBuffer(CELL_WIDTH, CELL_HEIGHT, PF_RGBA32);
            for (int row = 0; row < CELL_HEIGHT; ++row) {
                const uint8_t bits = table[row * GLYPH_COUNT + cell];
                for (int column = 0; column < CELL_WIDTH; ++column) {
                    if (!(bits & (1u << column))) continue;
                    uint8_t* texel = &px.bytes[static_cast<size_t>(row * px.pitch + column * 4)];
                    texel[0] = texel[1] = texel[2] = texel[3] = 255;
                }
            }
        }
        return image;
    }();
    return *glyphs;
}

} // namespace

void drawText(const std::string& text, float x, float y) {
    if (!graphicsOpen()) return;
    Image& glyphs = glyphImage();
    float pen = x;
    for (char c : text) {
        const int glyph = glyphIndex(c);
        if (glyph < 0) continue;
        drawImage(&glyphs, pen, y, glyph);
        pen += ADVANCE;
    }
}

int textWidth(const std::string& text) {
    float width = 0.0f;
    for (char c : text) {
        if (glyphIndex(c) >= 0) width = static_cast<float>(static_cast<int>(width + ADVANCE));
    }
    return static_cast<int>(width);
}

int textHeight(const std::string&) {
    return CELL_HEIGHT;
}
