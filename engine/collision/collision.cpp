// collision.cpp - pixel-exact overlap of two image frames.
//
//   if (imagesOverlap(playerImage, px, py, frame, tiles, tx, ty, 0)) { ... }
//
// Each frame becomes a screen quad carrying (x, y, u, v) at its corners; the
// two quads are scan-converted together row by row, and on every row where
// both cover pixels the common span is sampled at pixel centres. A scratch
// row records which positions the first quad made solid, so the second quad
// collides where it is solid over a set entry. With whole-pixel positions this
// samples every texel centre exactly once, so the answer is exact per pixel.
//
// Nothing here allocates after the scratch row has grown to the longest span
// seen; frames are referenced, never copied.
#include "engine/collision/collision.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/resources/image.h"

namespace {

struct Vertex {
    float x, y, u, v;
};

// Where the alpha byte of a texel sits; bytesPerPixel 0 = no alpha channel.
struct AlphaLayout {
    int bytesPerPixel = 0;
    int alphaOffset = 0;
};

AlphaLayout alphaLayout(int format) {
    switch (format) {
    case PF_ALPHA8:
        return {1, 0};
    case PF_BGRA32:
    case PF_RGBA32:
        return {4, 3};
    default:
        return {};
    }
}

struct Quad {
    Vertex corners[4];
    float minX, minY, maxX, maxY;
    const PixelBuffer* pixels; // null: solid everywhere inside the quad
    AlphaLayout layout;
    bool empty; // has an alpha channel but no usable texels: never solid
};

// One edge of a polygon being walked down the screen.
struct Edge {
    int end = 0;    // vertex index the edge runs to
    int endRow = 0; // whole y of that vertex
    Vertex current{};
    Vertex step{};
};

struct ScanPolygon {
    Vertex v[4];
    int count = 4;
    const Quad* quad = nullptr;
    int top = 0;
    int topRow = 0;
    bool started = false;
    bool active = false;
    bool finished = false;
    Edge left, right;
};

// Scratch row of the current span; grows to the longest span, never shrinks.
std::vector<uint8_t>& scratchRow() {
    static std::vector<uint8_t> row;
    return row;
}

int wholeOf(float value) {
    return static_cast<int>(value);
} // toward zero

bool buildQuad(const Image* image, int x, int y, int frame, Quad* quad) {
    if (!image || frame < 0 || frame >= static_cast<int>(image->frames.size())) return false;
    // The game never moves the drawing origin or changes the transform, so
    // only the image's own handle shifts the corners.
    const float left = static_cast<float>(x) - image->handleX;
    const float top = static_cast<float>(y) - image->handleY;
    const float right = left + static_cast<float>(image->width);
    const float bottom = top + static_cast<float>(image->height);
    quad->corners[0] = {left, top, 0.0f, 0.0f};
    quad->corners[1] = {right, top, 1.0f, 0.0f};
    quad->corners[2] = {right, bottom, 1.0f, 1.0f};
    quad->corners[3] = {left, bottom, 0.0f, 1.0f};
    quad->minX = std::min(left, right);
    quad->maxX = std::max(left, right);
    quad->minY = std::min(top, bottom);
    quad->maxY = std::max(top, bottom);

    const PixelBuffer& pixels = image->frames[static_cast<size_t>(frame)].pixels;
    quad->layout = alphaLayout(pixels.format);
    quad->pixels = quad->layout.bytesPerPixel ? &pixels : nullptr;
    quad->empty = false;
    if (quad->pixels) {
        // A buffer too small for its own size has nothing solid to offer.
        const int64_t need = static_cast<int64_t>(pixels.pitch) * (pixels.height - 1) +
                             static_cast<int64_t>(pixels.width) * quad->layout.bytesPerPixel;
        quad->empty = pixels.width < 1 || pixels.height < 1 ||
                      pixels.pitch < pixels.width * quad->layout.bytesPerPixel ||
                      static_cast<int64_t>(pixels.bytes.size()) < need;
    }
    return true;
}

void preparePolygon(const Quad& quad, ScanPolygon* poly) {
    *poly = ScanPolygon{};
    poly->quad = &quad;
    for (int i = 0; i < 4; ++i)
        poly->v[i] = quad.corners[i];
    // Screen-clockwise order (y grows downward): reverse a mirrored quad.
    bool anyNegative = false;
    const Vertex& p = poly->v[0];
    for (int i = 2; i < poly->count; ++i) {
        const Vertex& q = poly->v[i - 1];
        const Vertex& r = poly->v[i];
        if ((r.x - q.x) * (q.y - p.y) - (q.x - p.x) * (r.y - q.y) < 0.0f) anyNegative = true;
    }
    if (!anyNegative) std::reverse(poly->v, poly->v + poly->count);
    poly->top = 0;
    for (int i = 1; i < poly->count; ++i) {
        if (wholeOf(poly->v[i].y) < wholeOf(poly->v[poly->top].y)) poly->top = i;
    }
    poly->topRow = wholeOf(poly->v[poly->top].y);
    poly->left.end = poly->right.end = poly->top;
    poly->left.endRow = poly->right.endRow = poly->topRow;
}

// Moves an edge on to the next vertex below the scanline. False when the walk
// runs out of vertices, which finishes the polygon.
bool advanceEdge(ScanPolygon* poly, Edge* edge, int direction, int row) {
    const int origin = edge->end;
    int start = edge->end;
    int next = edge->end;
    for (;;) {
        start = next;
        next = (next + direction + poly->count) % poly->count;
        if (next == origin) return false;
        if (wholeOf(poly->v[next].y) > row) break;
    }
    const Vertex& a = poly->v[start];
    const Vertex& b = poly->v[next];
    const int rows = wholeOf(b.y) - wholeOf(a.y);
    if (rows < 1) return false;
    const float inv = 1.0f / static_cast<float>(rows);
    edge->step = {(b.x - a.x) * inv, (b.y - a.y) * inv, (b.u - a.u) * inv, (b.v - a.v) * inv};
    edge->current = {a.x + edge->step.x * 0.5f, a.y + edge->step.y * 0.5f,
                     a.u + edge->step.u * 0.5f, a.v + edge->step.v * 0.5f};
    edge->end = next;
    edge->endRow = wholeOf(b.y);
    return true;
}

bool solidAt(const Quad& quad, float u, float v) {
    const PixelBuffer& px = *quad.pixels;
    const int col = std::min(wholeOf(u * static_cast<float>(px.width)), px.width - 1);
    const int row = std::min(wholeOf(v * static_cast<float>(px.height)), px.height - 1);
    const size_t at = static_cast<size_t>(row) * static_cast<size_t>(px.pitch) +
                      static_cast<size_t>(col) * static_cast<size_t>(quad.layout.bytesPerPixel) +
                      static_cast<size_t>(quad.layout.alphaOffset);
    return (px.bytes[at] & 0x80) != 0;
}

// Marks the quad's solid positions of the span; true when one was already set.
bool markSpan(const ScanPolygon& poly, int spanStart, int spanEnd, uint8_t* row) {
    const Quad& quad = *poly.quad;
    const int length = spanEnd - spanStart;
    if (!quad.pixels) {
        for (int i = 0; i < length; ++i) {
            if (row[i]) return true;
            row[i] = 1;
        }
        return false;
    }
    if (quad.empty) return false;
    const int e = wholeOf(poly.left.current.x);
    const int f = wholeOf(poly.right.current.x);
    if (f - e < 1) return false;
    const float width = static_cast<float>(f - e);
    const float du = (poly.right.current.u - poly.left.current.u) / width;
    const float dv = (poly.right.current.v - poly.left.current.v) / width;
    const float lead = static_cast<float>(spanStart - e) + 0.5f;
    float u = poly.left.current.u + lead * du;
    float v = poly.left.current.v + lead * dv;
    for (int i = 0; i < length; ++i) {
        u = std::clamp(u, 0.0f, 1.0f);
        v = std::clamp(v, 0.0f, 1.0f);
        if (solidAt(quad, u, v)) {
            if (row[i]) return true;
            row[i] = 1;
        }
        u += du;
        v += dv;
    }
    return false;
}

bool spanCollides(ScanPolygon* polys, int count) {
    ScanPolygon* active[2];
    int found = 0;
    for (int i = 0; i < count && found < 2; ++i) {
        if (polys[i].active) active[found++] = &polys[i];
    }
    if (found < 2) return false;
    const int start =
        std::max(wholeOf(active[0]->left.current.x), wholeOf(active[1]->left.current.x));
    const int end =
        std::min(wholeOf(active[0]->right.current.x), wholeOf(active[1]->right.current.x));
    if (end <= start) return false;
    std::vector<uint8_t>& row = scratchRow();
    const size_t length = static_cast<size_t>(end - start);
    if (row.size() < length) row.resize(length);
    std::fill(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(length), uint8_t{0});
    for (int i = 0; i < count; ++i) {
        if (polys[i].active && markSpan(polys[i], start, end, row.data())) return true;
    }
    return false;
}

bool quadsCollide(const Quad& p, const Quad& q) {
    if (p.maxX < q.minX || p.maxY < q.minY || p.minX > q.maxX || p.minY > q.maxY) return false;

    // The layer quad first, then the new one, as both are marked in this order.
    ScanPolygon polys[2];
    preparePolygon(q, &polys[0]);
    preparePolygon(p, &polys[1]);
    int firstRow = polys[0].topRow;
    int lastRow = polys[0].topRow;
    for (const ScanPolygon& poly : polys) {
        for (int i = 0; i < poly.count; ++i) {
            firstRow = std::min(firstRow, wholeOf(poly.v[i].y));
            lastRow = std::max(lastRow, wholeOf(poly.v[i].y));
        }
    }

    for (int row = firstRow; row < lastRow; ++row) {
        bool anyActive = false;
        for (ScanPolygon& poly : polys) {
            if (poly.finished || poly.topRow > row) continue;
            if (poly.left.endRow <= row && !advanceEdge(&poly, &poly.left, -1, row)) {
                poly.finished = true;
                poly.active = false;
                continue;
            }
            if (poly.right.endRow <= row && !advanceEdge(&poly, &poly.right, 1, row)) {
                poly.finished = true;
                poly.active = false;
                continue;
            }
            if (!poly.started) poly.started = poly.active = true;
            anyActive = anyActive || poly.active;
        }
        if (anyActive && spanCollides(polys, 2)) return true;
        for (ScanPolygon& poly : polys) {
            if (!poly.active) continue;
            Edge* edges[2] = {&poly.left, &poly.right};
            for (Edge* edge : edges) {
                edge->current.x += edge->step.x;
                edge->current.y += edge->step.y;
                edge->current.u += edge->step.u;
                edge->current.v += edge->step.v;
            }
        }
    }
    return false;
}

} // namespace

bool imagesOverlap(const Image* image1, int x1, int y1, int frame1, const Image* image2, int x2,
                   int y2, int frame2) {
    Quad first, second;
    if (!buildQuad(image1, x1, y1, frame1, &first)) return false;
    if (!buildQuad(image2, x2, y2, frame2, &second)) return false;
    return quadsCollide(second, first);
}
