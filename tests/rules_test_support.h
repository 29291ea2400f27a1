// rules_test_support.h - hand-made pictures and a world for the tests of the
// baddie, item, spike, exit and message passes.
//
// The shapes are simple and known (solid blocks unless a test says otherwise),
// so a test can place two entities and know exactly which pixels meet,
// whatever the game's own artwork looks like.
#pragma once

#include <functional>

#include "engine/resources/image.h"
#include "world/assets.h"
#include "world/game_state.h"

namespace rules_test {

using Shape = std::function<bool(int frame, int x, int y)>;

// A masked picture of `frames` frames of w x h: RGBA, alpha 255 where the
// shape is opaque and 0 elsewhere.
inline ImagePtr makeImage(int w, int h, int frames, const Shape& opaque) {
    auto image = std::make_unique<Image>();
    image->width = w;
    image->height = h;
    image->flags = MASKED_IMAGE;
    for (int f = 0; f < frames; ++f) {
        ImageFrame frame;
        frame.pixels = createPixelBuffer(w, h, PF_RGBA32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (opaque(f, x, y))
                    for (int c = 0; c < 4; ++c)
                        frame.pixels.bytes[static_cast<size_t>((y * w + x) * 4 + c)] = 255;
        image->frames.push_back(std::move(frame));
    }
    return image;
}

inline ImagePtr solidImage(int w, int h, int frames) {
    return makeImage(w, h, frames, [](int, int, int) { return true; });
}

// Solid pictures of the sizes the game uses: the figure 10 x 20 in 16
// frames, the collision mask (columns 2..7), every baddie kind at its frame
// size, 10 x 10 items and spikes, the 20 x 20 exit.
inline void makeTestAssets(Assets& a) {
    a.player = solidImage(10, 20, 16);
    a.playerMask = makeImage(10, 20, 1, [](int, int x, int) { return x >= 2 && x <= 7; });
    struct Size {
        const char* kind;
        int w, h;
    };
    const Size sizes[] = {
        {"Guard1", 15, 20},  {"Guard2", 10, 20},   {"TedHead", 20, 25},     {"MegaFred", 20, 25},
        {"Grimble", 20, 20}, {"Phone", 20, 20},    {"Phone_green", 20, 20}, {"Phone_red", 20, 20},
        {"Monk", 9, 20},     {"TedDisk", 20, 20},  {"TedBike", 20, 20},     {"Teapot", 18, 20},
        {"Spider", 10, 10},  {"Penguin", 10, 20},  {"Bush", 10, 10},        {"Hatter", 15, 20},
        {"Monty", 14, 20},   {"BlueBlob", 17, 20}, {"GreenBlob", 17, 20},   {"Crusher", 25, 50},
    };
    for (const Size& s : sizes) {
        int frames = 0, mode = 0;
        baddieKindAnimation(s.kind, &frames, &mode);
        a.baddies[static_cast<size_t>(baddieKindIndex(s.kind))] = solidImage(s.w, s.h, frames);
    }
    for (int kind = 1; kind <= 5; ++kind)
        a.items[static_cast<size_t>(kind)] = solidImage(10, 10, 4);
    for (int id = 1; id <= 4; ++id)
        a.spikes[static_cast<size_t>(id)] = solidImage(10, 10, 1);
    a.platforms[7] = solidImage(20, 20, 4);
    const int messageWidths[6] = {0, 58, 58, 32, 68, 52};
    for (int kind = 1; kind <= 5; ++kind)
        a.messages[static_cast<size_t>(kind)] = solidImage(messageWidths[kind], 9, 1);
}

inline Baddie makeBaddie(const char* kind, int x, int y) {
    Baddie b;
    b.kind = kind;
    b.x = x;
    b.y = y;
    baddieKindAnimation(kind, &b.frameCount, &b.animMode);
    return b;
}

// An item as the loader makes it: 10 points, delay 5, first frame 0.
inline Coins makeItem(int itemKind, int x, int y, int frameCount = 4, int animMode = 2) {
    Coins c;
    c.itemKind = itemKind;
    c.x = x;
    c.y = y;
    c.points = 10;
    c.frameCount = frameCount;
    c.animMode = animMode;
    return c;
}

} // namespace rules_test
