// texture_atlas.h - small sharp pictures packed into shared textures, so a
// frame of a few hundred sprites binds only a few textures: a software GL
// copies its whole sampling state at every texture change.
//
//   AtlasPlace place;
//   if (atlasPlace(frame, &place)) ... f.texture = place.texture, texels at
//                                      (place.x, place.y), a page of place.pageSize
//   atlasRelease(f.texture);          // the frame is gone; an empty page is deleted
//
// Each frame is stored with a one-texel border repeating its edge, so a
// sample that rounds just outside the frame sees the frame's own edge, as it
// would in a texture of its own. Pages are made in the shared context and
// live across graphics reopenings. Needs a current graphics context.
#pragma once

#include "engine/pixels/pixel_buffer.h"

struct AtlasPlace {
    unsigned texture = 0; // the page's GL texture name
    int x = 0, y = 0;     // the frame's top-left texel (inside its border)
    int pageSize = 0;     // the page's width and height in texels
};

// Whether frames of this size and these image flags go into the atlas:
// unfiltered, unmipmapped, unchanging and small.
bool atlasTakes(int width, int height, int imageFlags);
// Copies the RGBA32 frame (with its border) into a page with room; false when
// it cannot (then the frame gets a texture of its own).
bool atlasPlace(const PixelBuffer& rgba, AtlasPlace* place);
// One frame on the page of `texture` fewer; the page is deleted when none is left.
void atlasRelease(unsigned texture);
// Pages alive now (for tests and the curious).
int atlasPageCount();
// Whether small pictures are packed (on by default); off, every frame made
// from now on gets a texture of its own: the same pixels, more texture changes.
void setAtlasEnabled(bool enabled);
