// graphics.cpp - the game's one window (or full-screen display) on SDL2 with a
// fixed-function OpenGL context, and presenting frames.
//
//   openGraphics(640, 480, 0, 60, 0);   // a 640 x 480 window paced at 60 Hz
//   ... draw ...; flipFrame(-1);        // once per frame
//   changeGraphics(800, 600, 16, 60);   // the same window, now full screen
//   closeGraphics();
//
// SDL video starts on the first open only, so tools that never open a window
// never touch it. Texture names made under one window stay valid (and can be
// deleted) under the next: the first close leaves a hidden 1 x 1 context in
// the window's share group, living as long as the process, and every later
// context joins it. Start-up makes no such context, as nothing is shared yet.
#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <chrono>
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
    GLuint canvasTexture = 0, canvasFramebuffer = 0; // 0: drawing goes to the window
    int canvasWidth = 0, canvasHeight = 0;
    int placeX = 0, placeY = 0, placeWidth = 0, placeHeight = 0; // 0 x 0: the whole picture
    bool windowDrawing = false;
    bool canvasShown = false; // showCanvas drew it for the coming present
};

// Framebuffer calls, from the driver at the first canvas.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC gen = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC remove = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC attach = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC status = nullptr;
};

struct DisplayService {
    Context current;
    SDL_Window* shareWindow = nullptr;
    SDL_GLContext shareContext = nullptr;
    FramePacer pacer;
    FrameTimes frameTimes; // of the last present
    FramebufferCalls fb;
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

// Keeps the closing context's textures for the next window: a hidden context
// joins its share group before the closing one goes. Should that fail, the
// closing context itself stays, its window hidden, to hold them.
void keepSharedTextures(Context& closing) {
    if (service.shareContext) return;
    SDL_GL_MakeCurrent(closing.window, closing.gl);
    setPixelFormat(closing.flags);
    service.shareWindow = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    if (service.shareWindow) service.shareContext = SDL_GL_CreateContext(service.shareWindow);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    if (service.shareContext) return;
    if (service.shareWindow) SDL_DestroyWindow(service.shareWindow);
    SDL_HideWindow(closing.window); // a full-screen one gives the desktop its mode back
    service.shareWindow = std::exchange(closing.window, nullptr);
    service.shareContext = std::exchange(closing.gl, nullptr);
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

template <typename F> bool loadCall(F* call, const char* name, const char* suffix) {
    *call = reinterpret_cast<F>(SDL_GL_GetProcAddress((std::string(name) + suffix).c_str()));
    return *call != nullptr;
}

bool loadFramebufferCalls() {
    FramebufferCalls& f = service.fb;
    if (f.status) return true;
    // GLX may give an address for any name, so the names follow what the
    // driver has: the core ones from GL 3 or with the ARB extension, else the
    // EXT ones of an older driver.
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool core = (version && std::atoi(version) >= 3) ||
                      SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object");
    const char* suffix = "";
    if (!core) {
        if (!SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object")) return false;
        suffix = "EXT";
    }
    const bool loaded = loadCall(&f.gen, "glGenFramebuffers", suffix) &&
                        loadCall(&f.remove, "glDeleteFramebuffers", suffix) &&
                        loadCall(&f.bind, "glBindFramebuffer", suffix) &&
                        loadCall(&f.attach, "glFramebufferTexture2D", suffix) &&
                        loadCall(&f.status, "glCheckFramebufferStatus", suffix);
    if (!loaded) f = FramebufferCalls{};
    return loaded;
}

void releaseCanvas(Context& c) {
    if (c.canvasFramebuffer) {
        service.fb.bind(GL_FRAMEBUFFER, 0);
        service.fb.remove(1, &c.canvasFramebuffer);
    }
    if (c.canvasTexture) glDeleteTextures(1, &c.canvasTexture);
    c.canvasFramebuffer = c.canvasTexture = 0;
    c.canvasWidth = c.canvasHeight = 0;
}

// Texture coordinate (0..1) at the picture's near edge for an enlargement of
// `from` canvas pixels onto `to` window pixels. Window pixel p must show
// canvas pixel floor(p * from / to): the pixel centre is moved back to the
// pixel's near edge and then forward by half the smallest distance by which
// p * from / to ever falls short of the next whole canvas pixel (gcd / to),
// so no rounding of the interpolated coordinate can pick a neighbour.
float nearEdgeCoordinate(int from, int to) {
    int a = from, b = to;
    while (b != 0)
        a = std::exchange(b, a % b);
    const double perPixel = static_cast<double>(from) / to;
    const double nudge = 0.5 * static_cast<double>(a) / to;
    return static_cast<float>((-0.5 * perPixel + nudge) / from);
}

bool canvasPlaced(const Context& c) {
    return c.placeWidth > 0 && c.placeHeight > 0;
}

// Draws the canvas over the game picture (or its placement) in the window's
// back buffer, leaving the GL's state (and so the renderer's caches) as they were.
void drawEnlargement(const Context& c) {
    service.fb.bind(GL_FRAMEBUFFER, 0);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT |
                 GL_VIEWPORT_BIT | GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1); // the picture as a unit square, y down
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const bool placed = canvasPlaced(c);
    const int width = placed ? c.placeWidth : c.pictureWidth;
    const int height = placed ? c.placeHeight : c.pictureHeight;
    // GL counts rows from the bottom of the picture.
    const int left = c.pictureX + (placed ? c.placeX : 0);
    const int bottom = c.pictureY + (placed ? c.pictureHeight - c.placeY - height : 0);
    glViewport(left, bottom, width, height);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, c.canvasTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const float u0 = nearEdgeCoordinate(c.canvasWidth, width);
    // Texture rows count from the bottom: the top edge is coordinate 1.
    const float v0 = 1.0f - nearEdgeCoordinate(c.canvasHeight, height);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(0, 0);
    glTexCoord2f(u0 + 1.0f, v0);
    glVertex2f(1, 0);
    glTexCoord2f(u0 + 1.0f, v0 - 1.0f);
    glVertex2f(1, 1);
    glTexCoord2f(u0, v0 - 1.0f);
    glVertex2f(0, 1);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

// Shows the frame. Paced, it waits for the frame's time first, with the whole
// picture already handed to the GL: a software GL renders it meanwhile on
// its own threads, so the swap after the wait only copies it out and the
// frames keep their spacing however long the rendering takes.
void present(int interval, bool paced = false) {
    Context& c = service.current;
    if (interval != c.swapInterval) {
        SDL_GL_SetSwapInterval(interval); // refused by some drivers (Xvfb): not an error
        c.swapInterval = interval;
    }
    if (c.windowDrawing) endWindowDrawing();
    if (c.canvasFramebuffer && !c.canvasShown) drawEnlargement(c);
    c.canvasShown = false;
    clearBorders(c);
    service.frameTimes = FrameTimes{};
    if (paced) {
        // The frame is on time or late as the game hands it over: the flush
        // below is the GL's own work, which the swap would do otherwise, so a
        // first frame that makes a software GL compile its code does not push
        // the next frame's time back by as long.
        const bool wait = service.pacer.frameWait(millisecs()) > 0;
        glFlush();
        // To the frame's millisecond itself: whole milliseconds slept from a
        // reading taken partway through one would end up to one later. A
        // flush that ran past it leaves no sleep to be woken late from.
        if (wait && millisecs() < service.pacer.nextTime)
            service.frameTimes.wokeLateUs = delayUntilMs(service.pacer.nextTime);
    }
    const auto swapStart = std::chrono::steady_clock::now();
    SDL_GL_SwapWindow(c.window);
    service.frameTimes.swapUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - swapStart)
                                    .count();
    if (c.canvasFramebuffer) service.fb.bind(GL_FRAMEBUFFER, c.canvasFramebuffer);
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
    if (c.windowDrawing) endWindowDrawing();
    c.depth = depth;
    c.hertz = hertz;
    c.placeX = c.placeY = c.placeWidth = c.placeHeight = 0;
    c.canvasShown = false;
    c.windowDrawing = false;
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
    const bool joining = service.shareContext != nullptr;
    if (joining) SDL_GL_MakeCurrent(service.shareWindow, service.shareContext);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, joining ? 1 : 0);
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
    Context closing = c;
    releaseCanvas(closing); // the texture is shared: it would outlive the context
    keepSharedTextures(closing);
    SDL_GL_MakeCurrent(nullptr, nullptr);
    if (closing.gl) SDL_GL_DeleteContext(closing.gl);
    if (closing.window)
        SDL_DestroyWindow(closing.window); // a full-screen one gives the desktop its mode back
    switchEventPolling(false); // after the window is gone, so its last events are dropped too
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
    present(0, true);
}

bool setGraphicsCanvas(int width, int height) {
    Context& c = service.current;
    if (!c.gl || width <= 0 || height <= 0) return false;
    if (c.canvasWidth == width && c.canvasHeight == height) {
        // The window changed in place and took the viewport for its own size.
        glViewport(0, 0, width, height);
        return true;
    }
    releaseCanvas(c);
    // A window of exactly that size is its own canvas: drawing straight into
    // it gives the same picture without a copy per frame.
    if (width == c.windowWidth && height == c.windowHeight) return true;
    if (!loadFramebufferCalls()) return false;
    glGenTextures(1, &c.canvasTexture);
    glBindTexture(GL_TEXTURE_2D, c.canvasTexture);
    // Like the window: colour only, so whatever is drawn reads back opaque.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    service.fb.gen(1, &c.canvasFramebuffer);
    service.fb.bind(GL_FRAMEBUFFER, c.canvasFramebuffer);
    service.fb.attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.canvasTexture, 0);
    if (service.fb.status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        releaseCanvas(c);
        glViewport(c.pictureX, c.pictureY, c.pictureWidth, c.pictureHeight);
        return false;
    }
    c.canvasWidth = width;
    c.canvasHeight = height;
    // A new surface to draw on: the renderer starts its state and caches
    // afresh (they may name the texture just bound and unbound).
    countGeneration();
    glViewport(0, 0, width, height);
    clearWholeWindow();
    return true;
}

int canvasWidth() {
    const Context& c = service.current;
    return c.canvasFramebuffer ? c.canvasWidth : c.pictureWidth;
}

int canvasHeight() {
    const Context& c = service.current;
    return c.canvasFramebuffer ? c.canvasHeight : c.pictureHeight;
}

bool readPresentedPicture(uint8_t* rgba, int pitch) {
    const Context& c = service.current;
    if (!c.gl || !rgba) return false;
    if (c.canvasFramebuffer && !c.canvasShown) drawEnlargement(c);
    if (c.canvasFramebuffer) service.fb.bind(GL_FRAMEBUFFER, 0); // the window, where it is shown
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, pitch / 4);
    glReadBuffer(GL_BACK);
    glReadPixels(c.pictureX, c.pictureY, c.pictureWidth, c.pictureHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba);
    glPopClientAttrib();
    if (c.canvasFramebuffer && !c.windowDrawing)
        service.fb.bind(GL_FRAMEBUFFER, c.canvasFramebuffer);
    // GL rows run bottom-up; ours run top-down.
    const size_t rowBytes = static_cast<size_t>(pitch);
    for (int top = 0, bottom = c.pictureHeight - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = rgba + rowBytes * static_cast<size_t>(top);
        uint8_t* b = rgba + rowBytes * static_cast<size_t>(bottom);
        std::swap_ranges(a, a + rowBytes, b);
    }
    return true;
}

void setCanvasPlacement(int x, int y, int width, int height) {
    Context& c = service.current;
    const bool whole = width <= 0 || height <= 0;
    c.placeX = whole ? 0 : x;
    c.placeY = whole ? 0 : y;
    c.placeWidth = whole ? 0 : width;
    c.placeHeight = whole ? 0 : height;
}

bool beginWindowDrawing() {
    Context& c = service.current;
    if (!c.gl || !c.canvasFramebuffer || c.windowDrawing) return false;
    c.windowDrawing = true;
    service.fb.bind(GL_FRAMEBUFFER, 0);
    glViewport(c.pictureX, c.pictureY, c.pictureWidth, c.pictureHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, c.pictureWidth, c.pictureHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    return true;
}

void endWindowDrawing() {
    Context& c = service.current;
    if (!c.windowDrawing) return;
    c.windowDrawing = false;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    service.fb.bind(GL_FRAMEBUFFER, c.canvasFramebuffer);
    glViewport(0, 0, c.canvasWidth, c.canvasHeight);
}

void showCanvas() {
    Context& c = service.current;
    if (!c.windowDrawing) return;
    drawEnlargement(c); // leaves the window bound, as window drawing wants it
    c.canvasShown = true;
}

int canvasPixelOf(int windowPixel, int canvasSize, int windowSize) {
    if (windowSize <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(windowPixel) * canvasSize / windowSize);
}

int graphicsWidth() {
    return service.current.pictureWidth;
}
int graphicsHeight() {
    return service.current.pictureHeight;
}

FrameTimes lastFrameTimes() {
    return service.frameTimes;
}

void graphicsViewport(int* x, int* y) {
    const Context& c = service.current;
    if (x) *x = c.canvasFramebuffer ? 0 : c.pictureX;
    if (y) *y = c.canvasFramebuffer ? 0 : c.pictureY;
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
