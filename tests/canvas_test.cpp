// canvas_test.cpp - every screen of the game drawn the way the display
// manager opens it: into a 320 x 240 picture that is enlarged when shown.
//
// "Before" is the same drawing straight onto a 320 x 240 window, as the game
// drew before it had a canvas. At scale 1 the window must show those pixels;
// at 2, 2.5 and 3.2 window pixel (x, y) of a W x H window must show exactly
// pixel (x * 320 / W, y * 240 / H), rounded down, of the scale-1 picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "engine/display/graphics.h"
#include "engine/render/render.h"
#include "engine/resources/resource_store.h"
#include "gameplay/player.h"
#include "render_test_support.h"
#include "shell/game.h"
#include "shell/hud.h"
#include "shell/title.h"
#include "world/level_loader.h"

namespace {

Game& testGame() {
    static Game* game = [] {
        registerEmbeddedResources();
        auto* g = new Game;
        loadAssets(g->assets);
        g->world.levelDirectory = std::string(GLOAM_SOURCE_DIR) + "/levels";
        g->world.airMax = AIR_MAX;
        g->world.tileSize = TILE_SIZE;
        std::string error;
        if (!readLevelCount(g->world, &error)) ADD_FAILURE() << error;
        return g;
    }();
    return *game;
}

void drawTitle(Game& game) {
    ScrollerState scroller;
    scroller.reset();
    scroller.x = 61; // the first letter half under the left end picture
    drawTitleFrame(game.assets, scroller);
}

// Level 1 as it first appears: backdrop, tiles, the miner, the status band.
void drawPlay(Game& game) {
    GameState& g = game.world;
    g.player = Player{};
    g.player.level = 1;
    g.player.frameCount = 16;
    g.slideInPending = 0;
    std::string error;
    if (!loadLevel(g, game.assets, &error)) ADD_FAILURE() << error;
    drawPlayer(g, game.assets);
    drawHud(game);
}

ImagePtr grabPicture() {
    ImagePtr grab = createImage(canvasWidth(), canvasHeight(), 1, -1);
    grabImage(grab.get(), 0, 0, 0);
    return grab;
}

void drawPause(Game& game) {
    drawPlay(game);
    ImagePtr frozen = grabPicture();
    setBlend(ALPHA_BLEND);
    setAlpha(0.75f);
    PauseZoom zoom;
    zoom.zoom = 37; // odd: the shrunken picture sits at a half pixel
    drawPauseFrame(frozen.get(), zoom);
    setBlend(MASK_BLEND);
    setAlpha(1.0f);
}

void drawSlide(Game& game) {
    drawTitle(game);
    ImagePtr oldScreen = grabPicture();
    drawPlay(game);
    ImagePtr newScreen = grabPicture();
    drawSlideFrame(oldScreen.get(), newScreen.get(), 116);
}

void drawGameOver(Game& game) {
    GameOverState state;
    state.wobble = 4;
    state.footY = 141;
    drawGameOverFrame(game.assets, state);
}

void drawSizeLabel(Game& game) {
    drawPlay(game);
    Screen label; // only its text: the window stays as the test opened it
    label.scale = 2.5f;
    label.labelTimer = 1;
    label.drawModeLabel();
}

struct Scene {
    const char* name;
    void (*draw)(Game&);
    // Largest difference per channel from the window-drawn picture at scale
    // 1. The pause blends a linearly filtered picture at half a pixel; the
    // software GL rounds that one step differently in an off-screen picture
    // (larger windows) than in a window (scale 1), in a handful of pixels.
    int tolerance;
};

const Scene SCENES[] = {
    {"title", drawTitle, 0}, {"play", drawPlay, 0},          {"pause", drawPause, 1},
    {"slide", drawSlide, 0}, {"Game Over", drawGameOver, 0}, {"size label", drawSizeLabel, 0},
};

// The scene straight onto a 320 x 240 window, read back.
PixelBuffer drawnWithoutCanvas(const Scene& scene) {
    if (!rendertest::openLogicalScreen(1)) return {};
    scene.draw(testGame());
    PixelBuffer picture = grabPixels(0, 0, 320, 240);
    closeGraphics();
    return picture;
}

// The window's pixels that differ by more than `tolerance` from the
// enlargement of `picture`.
int enlargementMismatches(const PixelBuffer& shown, const PixelBuffer& picture, int tolerance) {
    int mismatches = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const int px = x * 320 / shown.width, py = y * 240 / shown.height;
            const rendertest::Rgba got = rendertest::pixelAt(shown, x, y);
            const rendertest::Rgba want = rendertest::pixelAt(picture, px, py);
            if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
                std::abs(got.b - want.b) <= tolerance)
                continue;
            if (++mismatches <= 3) {
                ADD_FAILURE() << "window pixel " << x << "," << y << " (picture " << px << "," << py
                              << "): got " << got.r << "," << got.g << "," << got.b << " want "
                              << want.r << "," << want.g << "," << want.b;
            }
        }
    }
    return mismatches;
}

TEST(Canvas, EveryScreenIsTheScaleOnePictureEnlargedToTheNearestPixel) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display to open a window on";
    // One window changed in place from size to size, as S does, and back to 1.
    const float scales[] = {1.0f, 2.0f, 2.5f, 3.2f, 1.0f};
    for (const Scene& scene : SCENES) {
        SCOPED_TRACE(scene.name);
        const PixelBuffer before = drawnWithoutCanvas(scene);
        ASSERT_EQ(before.width, 320);
        PixelBuffer picture; // at scale 1, in the canvas
        for (const float scale : scales) {
            SCOPED_TRACE(scale);
            Screen screen;
            screen.colourDepth = 0;
            screen.scale = scale;
            screen.apply();
            scene.draw(testGame());
            ASSERT_EQ(canvasWidth(), 320);
            const PixelBuffer shown = grabWindowPixels();
            ASSERT_EQ(shown.width, screen.windowWidth);
            ASSERT_EQ(shown.height, screen.windowHeight);
            if (picture.width == 0) {
                picture = grabPixels(0, 0, 320, 240);
                EXPECT_EQ(enlargementMismatches(shown, before, scene.tolerance), 0);
            }
            EXPECT_EQ(enlargementMismatches(shown, picture, scene.tolerance), 0);
        }
        closeGraphics();
    }
}

// CTest runs these again on GL 2.1 with framebuffers only as the older EXT
// extension: this makes sure that run really had such a driver.
TEST(CanvasOnOlderGl, RunsOnTheDriverItAskedFor) {
    const char* version = std::getenv("MESA_GL_VERSION_OVERRIDE");
    if (!version) GTEST_SKIP() << "run on the machine's own driver";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display to open a window on";
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 2.0f;
    screen.apply();
    const char* got = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::strncmp(got, version, std::strlen(version)), 0) << got;
    EXPECT_EQ(std::strstr(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                          "GL_ARB_framebuffer_object"),
              nullptr);
    EXPECT_EQ(canvasWidth(), 320);
    closeGraphics();
}

// A presented frame is drawn from the canvas at every flip, and drawing after
// a flip goes on into the canvas: the window never shows a half-drawn frame.
TEST(Canvas, FlipShowsTheCanvasAndDrawingGoesOnIntoIt) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display to open a window on";
    Screen screen;
    screen.colourDepth = 0;
    screen.scale = 2.0f;
    screen.apply();
    rendertest::fillBackground({200, 0, 0, 255});
    flipFrame(0);
    rendertest::fillBackground({0, 0, 200, 255});
    const PixelBuffer canvas = grabPixels(0, 0, 320, 240);
    const PixelBuffer shown = grabWindowPixels();
    ASSERT_EQ(shown.width, 640);
    EXPECT_EQ(rendertest::pixelAt(canvas, 319, 239), (rendertest::Rgba{0, 0, 200, 255}));
    EXPECT_EQ(rendertest::pixelAt(shown, 639, 479), (rendertest::Rgba{0, 0, 200, 255}));
    closeGraphics();
}

// A tool's window: the canvas enlarged into one corner, its own drawing in
// window pixels beside it and, after showCanvas, over it.
TEST(Canvas, PlacedCanvasSharesTheWindowWithWindowDrawing) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display to open a window on";
    const rendertest::Rgba red{200, 0, 0, 255}, blue{0, 0, 200, 255}, green{0, 200, 0, 255};
    const rendertest::Rgba black{0, 0, 0, 255};
    const struct {
        const char* name;
        bool show; // showCanvas before the window drawing
        int x, y;  // window pixel read back
        rendertest::Rgba want;
    } cases[] = {
        {"1 canvas corner at 2x", false, 1, 1, red},
        {"2 last canvas pixel", false, 639, 479, blue},
        {"3 beside the placement", false, 640, 10, black},
        {"4 window drawing beside", false, 705, 505, green},
        {"5 window drawing under the canvas is covered", false, 101, 101, red},
        {"6 shown first, window drawing lies over it", true, 101, 101, green},
        {"7 shown first, the rest still the canvas", true, 99, 99, red},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen::openDisplay(320, 240, 800, 600, 0, 60);
        setCanvasPlacement(0, 0, 640, 480);
        rendertest::fillBackground(red);
        setColor(blue.r, blue.g, blue.b);
        drawRect(319, 239, 1, 1);
        ASSERT_TRUE(beginWindowDrawing());
        clearScreen();
        if (c.show) showCanvas();
        setColor(green.r, green.g, green.b);
        drawRect(700, 500, 10, 10);
        drawRect(100, 100, 2, 2);
        setColor(255, 255, 255);
        endWindowDrawing();
        const PixelBuffer shown = grabWindowPixels();
        ASSERT_EQ(shown.width, 800);
        EXPECT_EQ(rendertest::pixelAt(shown, c.x, c.y), c.want);
        // Drawing went back into the canvas, which kept its picture.
        EXPECT_EQ(rendertest::pixelAt(grabPixels(0, 0, 320, 240), 50, 50), red);
        closeGraphics();
    }
}

} // namespace
