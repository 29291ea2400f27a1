// graphics.h - the one drawing surface (a window or a full-screen display),
// its OpenGL context, and frame pacing.
//
// Every screen loop ends with flipFrame(-1), which holds the program at the
// refresh rate the graphics were opened with (soft sync: 16 or 17 ms frames,
// exactly 60 in every second at 60 Hz). Without an open context every call
// here does nothing, so tools and tests run the game's rules headless.
#pragma once

#include <cstdint>

constexpr int BACK_BUFFER = 2;

// Soft-sync frame pacing over a millisecond clock; the arithmetic lives here
// so tests can drive it with their own clock.
struct FramePacer {
    bool softSync = false;
    int syncHertz = 0;
    int period = 0;    // 1000 / hertz
    int remainder = 0; // 1000 - period * hertz
    int accumulator = 0;
    int64_t nextTime = 0;

    void reset(int hertz, int64_t now);
    // Advances the schedule for one frame; returns the milliseconds to sleep
    // (0 when late, in which case the schedule restarts from now).
    int frameWait(int64_t now);
};

// ---- Driver --------------------------------------------------------------------------
void setGraphicsDefaultFlags(int flags); // BACK_BUFFER, once at start-up
void setWindowTitle(const char* title);  // the fixed caption, before the first open

// ---- Opening and closing ---------------------------------------------------------------
// depth 0: a window with a width x height client area; otherwise full screen.
// Returns false (and leaves no context) when no window could be made.
bool openGraphics(int width, int height, int depth, int hertz, int flags);
void closeGraphics();
// Gives the open window a new size or mode in place: the same window and
// context, so the keyboard keeps its focus and its held keys. Counts a new
// generation, so the drawing state starts afresh as after an open. Opens
// anew when nothing is open.
bool changeGraphics(int width, int height, int depth, int hertz);
bool graphicsOpen();
// Called with true just before a new window shows (and with false if it then
// fails) and with false once a closed window is gone, so whoever drains the
// window's events takes exactly the new window's. One switch; none by default.
void setEventPollingSwitch(void (*onWindow)(bool on));

// ---- Frames --------------------------------------------------------------------------------
void flipFrame(int sync); // -1: pace as opened; 0: at once; 1: on the retrace
int graphicsWidth();      // size of the game picture in pixels; 0 without a context
int graphicsHeight();
// How the last flipFrame went, in microseconds: how long after the paced
// frame's millisecond its sleep ended (0 unpaced or not asleep), and how long
// the swap took. Lets a benchmark tell a late frame of the game's own making
// from one the machine made by waking the game late.
struct FrameTimes {
    int64_t wokeLateUs = 0;
    int64_t swapUs = 0;
};
FrameTimes lastFrameTimes();

// ---- The canvas ------------------------------------------------------------------------------
// Drawing goes to an off-screen width x height picture from now on (until
// the context closes); flipFrame shows it enlarged, nearest pixel, over the
// whole game picture. Without a canvas drawing goes to the window itself, as
// it does when the window is exactly width x height. False (drawing stays on
// the window) when the driver has no framebuffers.
bool setGraphicsCanvas(int width, int height);
int canvasWidth(); // the picture drawing goes to: the canvas, else the game picture
int canvasHeight();
// The game picture as flipFrame shows it (graphicsWidth x graphicsHeight
// RGBA bytes, top row first, rows `pitch` bytes apart); false without a context.
bool readPresentedPicture(uint8_t* rgba, int pitch);
// Window pixel x (or y) of a picture `windowSize` wide shows canvas pixel
// x * canvasSize / windowSize, rounded down: the enlargement flipFrame draws.
int canvasPixelOf(int windowPixel, int canvasSize, int windowSize);
// Where flipFrame shows the canvas: the rectangle x, y, width x height of the
// game picture (window pixels from its top-left corner), enlarged to fit;
// width or height 0 (the start of every window) is the whole picture. A placed
// canvas leaves the rest of the window to beginWindowDrawing.
void setCanvasPlacement(int x, int y, int width, int height);
// Drawing goes to the window itself, one unit per window pixel, y down, until
// endWindowDrawing sends it back to the canvas, which keeps what it holds.
// False (drawing stays where it was) without a canvas.
bool beginWindowDrawing();
void endWindowDrawing();
// Between begin and end: shows the canvas in its placement now, so what is
// drawn on the window next lies over it; the next flipFrame then does not
// show the canvas again.
void showCanvas();
// Lower-left corner of the picture drawing goes to, in GL coordinates (y from
// the bottom) as glViewport and glReadPixels count them: (0, 0) on a canvas or
// in a window, the corner of a centred picture on a larger full screen.
void graphicsViewport(int* x, int* y);
uint32_t graphicsGeneration(); // grows at every open, change and close; never 0
void hidePointer();
const char* graphicsError(); // why the last openGraphics failed; "" after a success
// The desktop's display size; false (and 0 x 0) when there is no display.
bool desktopSize(int* width, int* height);

// ---- Clock ------------------------------------------------------------------------------
int64_t millisecs(); // monotonic milliseconds
void delayMs(int ms);
// Until millisecs() reads time (at once when it has); how many microseconds
// after the start of that millisecond it returned.
int64_t delayUntilMs(int64_t time);
