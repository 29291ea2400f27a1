// graphics.cpp - the game's one window (or full-screen display) on SDL2 with a
// fixed-function OpenGL context, and presenting frames.
//
//   openGraphics(640, 480, 0, 60, 0);   // a 640 x 480 window paced at 60 Hz
//   ... draw ...; flipFrame(-1);        // once per frame
//   changeGraphics(800, 600, 16, 60);   // the same window, now full screen
//   closeGraphics();
//
// SDL video starts on the first open only, so tools that never open a window
// never touch it. Every context shares its textures with a hidden 1 x 1
// context that lives as long as the process: texture names made under one
// window stay valid (and can be deleted) under the next.
#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "engine/display/display_lost.h"
#include "engine/display/graphics.h"
#include "engine/io/runtime_error.h"

namespace {

constexpr int ALPHA_CHANNEL = 4;
constexpr int DEPTH_BUFFER = 8;
constexpr int STENCIL_BUFFER = 16;
constexpr int ACCUMULATION_BUFFER = 32;
constexpr int WINDOW_LEFT = 32;
constexpr int WINDOW_TOP = 32;
constexpr int NO_INTERVAL = -2; // no swap interval asked for yet

struct Context {
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    int depth = 0;
    int hertz = 0;
    int flags = 0;
    int pictureX = 0, pictureY = 0; // game picture inside the window (GL coordinates)
    int pictureWidth = 0, pictureHeight = 0;
    int windowWidth = 0, windowHeight = 0; // the whole drawable
    int swapInterval = NO_INTERVAL;
};

struct DisplayService {
    Context current;
    SDL_Window* shareWindow = nullptr;
    SDL_GLContext shareContext = nullptr;
    FramePacer pacer;
    uint32_t generation = 1;
    int defaultFlags = 0;
    std::string title;
    std::string error;
    bool exitHandlerRegistered = false;
};

DisplayService service;
// Constant-initialised, so a switch installed while the program starts up is
// never overwritten by the service's own construction.
void (*eventPollingSwitch)(bool on) = nullptr;

void switchEventPolling(bool on) {
    if (eventPollingSwitch) eventPollingSwitch(on);
}

void countGeneration() {
    ++service.generation;
    if (service.generation == 0) service.generation = 1;
}

bool fail(const char* what) {
    service.error = std::string(what) + ": " + SDL_GetError();
    return false;
}

bool startVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // A full-screen game that loses the focus gives the desktop back.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
    // A refused X connection makes SDL fall back to an invisible driver and
    // the game would run with no window: when an X display is set and no
    // driver was asked for, try the connection again a few times.
    const bool wantX = std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER");
    for (int attempt = 0;; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("SDL video");
        const char* driver = SDL_GetCurrentVideoDriver();
        const bool invisible =
            driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
        if (!wantX || !invisible || attempt == 5) {
            watchDisplayConnection();
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Delay(50);
    }
}

void setPixelFormat(int flags) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & BACK_BUFFER) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & ALPHA_CHANNEL) ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & DEPTH_BUFFER) ? 16 : 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & STENCIL_BUFFER) ? 8 : 0);
    const int accumulation = (flags & ACCUMULATION_BUFFER) ? 8 : 0;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accumulation);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accumulation);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accumulation);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accumulation);
}

bool makeShareContext(int flags) {
    if (service.shareContext) return true;
    setPixelFormat(flags);
    service.shareWindow = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!service.shareWindow) return fail("hidden window");
    service.shareContext = SDL_GL_CreateContext(service.shareWindow);
    if (!service.shareContext) {
        fail("OpenGL context");
        SDL_DestroyWindow(service.shareWindow);
        service.shareWindow = nullptr;
        return false;
    }
    return true;
}

// A full-screen window in the display mode nearest the size (and rate), or
// else one covering the desktop; the program cannot run without either.
SDL_Window* createFullScreenWindow(int width, int height, int hertz) {
    const Uint32 base = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    SDL_DisplayMode wanted = {};
    wanted.w = width;
    wanted.h = height;
    wanted.refresh_rate = hertz;
    SDL_DisplayMode mode = {};
    SDL_Window* window = nullptr;
    if (SDL_GetClosestDisplayMode(0, &wanted, &mode)) {
        window = SDL_CreateWindow(service.title.c_str(), 0, 0, mode.w, mode.h,
                                  base | SDL_WINDOW_FULLSCREEN);
        if (window && SDL_SetWindowDisplayMode(window, &mode) != 0) {
            SDL_DestroyWindow(window);
            window = nullptr;
        }
    }
    if (!window) {
        window = SDL_CreateWindow(service.title.c_str(), 0, 0, width, height,
                                  base | SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (!window) runtimeError("GLGraphicsDriver failed to set display mode");
    return window;
}

// Without a window manager nobody acts on an X window's request to become
// full screen: the window is then placed over the screen here.
void coverScreen(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    XMoveResizeWindow(info.info.x11.display, info.info.x11.window, 0, 0,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(info.info.x11.display, False);
}

// The same for a window that is already open.
void makeFullScreen(SDL_Window* window, int width, int height, int hertz) {
    SDL_DisplayMode wanted = {};
    wanted.w = width;
    wanted.h = height;
    wanted.refresh_rate = hertz;
    SDL_DisplayMode mode = {};
    const bool done = (SDL_GetClosestDisplayMode(0, &wanted, &mode) &&
                       SDL_SetWindowDisplayMode(window, &mode) == 0 &&
                       SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) ||
                      SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    if (!done) runtimeError("GLGraphicsDriver failed to set display mode");
    coverScreen(window);
}

// The largest rectangle of the requested shape inside the drawable, centred.
void placePicture(Context& c, int width, int height) {
    c.pictureWidth = width;
    c.pictureHeight = height;
    c.pictureX = 0;
    c.pictureY = 0;
    if (c.windowWidth <= 0 || c.windowHeight <= 0) {
        c.windowWidth = width;
        c.windowHeight = height;
    }
    if (c.windowWidth == width && c.windowHeight == height) return;
    const int64_t w = c.windowWidth, h = c.windowHeight;
    if (w * height <= h * width) {
        c.pictureWidth = c.windowWidth;
        c.pictureHeight = static_cast<int>(w * height / width);
    } else {
        c.pictureHeight = c.windowHeight;
        c.pictureWidth = static_cast<int>(h * width / height);
    }
    c.pictureX = (c.windowWidth - c.pictureWidth) / 2;
    c.pictureY = (c.windowHeight - c.pictureHeight) / 2;
}

// Around a centred picture the window must stay black whatever was drawn.
void clearBorders(const Context& c) {
    if (c.pictureWidth == c.windowWidth && c.pictureHeight == c.windowHeight) return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    const int right = c.pictureX + c.pictureWidth, top = c.pictureY + c.pictureHeight;
    const int borders[4][4] = {
        {0, 0, c.pictureX, c.windowHeight},
        {right, 0, c.windowWidth - right, c.windowHeight},
        {0, 0, c.windowWidth, c.pictureY},
        {0, top, c.windowWidth, c.windowHeight - top},
    };
    for (const auto& b : borders) {
        if (b[2] <= 0 || b[3] <= 0) continue;
        glScissor(b[0], b[1], b[2], b[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glPopAttrib();
}

void present(int interval) {
    Context& c = service.current;
    if (interval != c.swapInterval) {
        SDL_GL_SetSwapInterval(interval); // refused by some drivers (Xvfb): not an error
        c.swapInterval = interval;
    }
    clearBorders(c);
    SDL_GL_SwapWindow(c.window);
}

void clearWholeWindow() {
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

// Whether presenting on the retrace keeps the rate by itself: three frames in
// a row of 1000 / hertz ms (+-1) within one second of trying.
bool retraceKeepsTime(int hertz) {
    Context& c = service.current;
    if (SDL_GL_SetSwapInterval(1) != 0) return false;
    c.swapInterval = 1;
    const int period = 1000 / hertz;
    const int64_t start = millisecs();
    int good = 0;
    while (millisecs() - start < 1000) {
        const int64_t before = millisecs();
        SDL_GL_SwapWindow(c.window);
        const int64_t off = millisecs() - before - period;
        good = (off >= -1 && off <= 1) ? good + 1 : 0;
        if (good >= 3) return true;
    }
    return false;
}

void closeAtExit() {
    closeGraphics();
}

// Everything that follows a new size or mode of the current context: where
// the picture goes, a fresh drawing state, two black frames and the pacing.
void startFrames(int width, int height, int depth, int hertz) {
    Context& c = service.current;
    c.depth = depth;
    c.hertz = hertz;
    c.windowWidth = c.windowHeight = 0;
    if (depth != 0) SDL_GL_GetDrawableSize(c.window, &c.windowWidth, &c.windowHeight);
    placePicture(c, width, height);

    // One unit = one picture pixel, y down, until the caller sets its own. The
    // renderer starts its own state when it sees the new generation.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, c.pictureWidth, c.pictureHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(c.pictureX, c.pictureY, c.pictureWidth, c.pictureHeight);
    for (int i = 0; i < 2; ++i) {
        clearWholeWindow();
        present(0);
    }

    const bool retrace = hertz > 0 && depth != 0 && retraceKeepsTime(hertz);
    service.pacer.reset(hertz, millisecs());
    if (retrace) service.pacer.softSync = false;

    if (depth != 0) SDL_WarpMouseInWindow(c.window, c.windowWidth / 2, c.windowHeight / 2);
}

} // namespace

void setGraphicsDefaultFlags(int flags) {
    service.defaultFlags = flags;
}

void setWindowTitle(const char* title) {
    service.title = title ? title : "";
    if (service.current.window) SDL_SetWindowTitle(service.current.window, service.title.c_str());
}

bool openGraphics(int width, int height, int depth, int hertz, int flags) {
    closeGraphics();
    service.error.clear();
    if (width <= 0 || height <= 0) {
        service.error = "window size " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    flags |= service.defaultFlags;
    if (!startVideo()) return false;

    setPixelFormat(flags);
    SDL_Window* window =
        depth == 0 ? SDL_CreateWindow(service.title.c_str(), WINDOW_LEFT, WINDOW_TOP, width, height,
                                      SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN)
                   : createFullScreenWindow(width, height, hertz);
    if (!window) return fail("window");
    if (!makeShareContext(flags)) {
        SDL_DestroyWindow(window);
        return false;
    }
    SDL_GL_MakeCurrent(service.shareWindow, service.shareContext);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext gl = SDL_GL_CreateContext(window);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    if (!gl) {
        fail("OpenGL context");
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_DestroyWindow(window);
        return false;
    }
    // Polling starts before the window shows, so no key pressed into the new
    // window is lost; what is queued before that belongs to the old one.
    switchEventPolling(true);
    SDL_ShowWindow(window);
    if (SDL_GL_MakeCurrent(window, gl) != 0) {
        fail("OpenGL context");
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(gl);
        SDL_DestroyWindow(window);
        switchEventPolling(false);
        return false;
    }

    Context& c = service.current;
    c = Context{};
    c.window = window;
    c.gl = gl;
    c.flags = flags;
    countGeneration();
    startFrames(width, height, depth, hertz);
    if (!service.exitHandlerRegistered) {
        service.exitHandlerRegistered = true;
        std::atexit(closeAtExit);
    }
    return true;
}

bool changeGraphics(int width, int height, int depth, int hertz) {
    Context& c = service.current;
    if (!c.gl || width <= 0 || height <= 0) return openGraphics(width, height, depth, hertz, 0);
    service.error.clear();
    if (depth == 0) {
        if (SDL_GetWindowFlags(c.window) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(c.window, 0);
        SDL_SetWindowSize(c.window, width, height);
        SDL_SetWindowPosition(c.window, WINDOW_LEFT, WINDOW_TOP);
    } else {
        makeFullScreen(c.window, width, height, hertz);
    }
    // A new size is a new drawing surface for the renderer: its state starts
    // afresh, as after an open.
    countGeneration();
    startFrames(width, height, depth, hertz);
    return true;
}

void closeGraphics() {
    // The context leaves the service before the teardown starts. If the
    // display connection dies during it, Xlib ends the process from inside
    // these calls, and the exit handler must then find nothing to close:
    // closing again on the dead connection waits for ever.
    const Context c = std::exchange(service.current, Context{});
    if (!c.gl) return;
    countGeneration();
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(c.gl);
    SDL_DestroyWindow(c.window); // a full-screen window gives the desktop its mode back
    switchEventPolling(false);   // after the window is gone, so its last events are dropped too
}

void setEventPollingSwitch(void (*onWindow)(bool on)) {
    eventPollingSwitch = onWindow;
}

bool graphicsOpen() {
    return service.current.gl != nullptr;
}

void flipFrame(int sync) {
    const Context& c = service.current;
    if (!c.gl) return;
    if (sync != -1) {
        present(sync > 0 ? 1 : 0);
        return;
    }
    if (!service.pacer.softSync) {
        present(c.depth != 0 ? 1 : 0);
        return;
    }
    delayMs(service.pacer.frameWait(millisecs()));
    present(0);
}

int graphicsWidth() {
    return service.current.pictureWidth;
}
int graphicsHeight() {
    return service.current.pictureHeight;
}

void graphicsViewport(int* x, int* y) {
    if (x) *x = service.current.pictureX;
    if (y) *y = service.current.pictureY;
}

uint32_t graphicsGeneration() {
    return service.generation;
}

void hidePointer() {
    if (service.current.gl) SDL_ShowCursor(SDL_DISABLE);
}

const char* graphicsError() {
    return service.error.c_str();
}

bool desktopSize(int* width, int* height) {
    SDL_DisplayMode mode = {};
    const bool known = startVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0;
    if (width) *width = known ? mode.w : 0;
    if (height) *height = known ? mode.h : 0;
    return known;
}
