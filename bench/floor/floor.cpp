// floor.cpp - the least any game can do on this platform: one 320 x 240
// picture shown enlarged (nearest pixel) in an SDL2 window with a GL context,
// 60 times a second. The benchmarks run it beside the game and give every
// figure of the game as a ratio to this one.
//
//   gloam_floor WIDTH HEIGHT [FULL]
//     FULL 1: full screen on the desktop, the picture centred at 4:3.
//   Shows 660 frames (or runs until SIGTERM), then prints
//   "late L of N worst W cpu C woken A swaps B" on standard output: of the
//   N (at most 600) frames after the first 60, L took longer than 20 ms, W is
//   the longest of them in ms, C the process's CPU time per frame over them
//   in ms (user + system, from /proc/self/stat); A of the late frames came
//   after a sleep that ended over 2 ms past its time and B of the rest had a
//   swap over 2 ms, the same sorting the game's late frames get.
//
// Each frame: clear, one textured quad, flush, sleep, swap; paced like the
// game, to a schedule of whole milliseconds (16 or 17 a frame) with a sleep
// to each frame's millisecond, and timed like it, in microseconds. The
// picture is a fixed pattern: red = x, green = y, blue = 128 (x and y modulo
// 256).
#include <SDL.h>
#include <SDL_opengl.h>

#include <time.h>
#include <unistd.h>

#include <cerrno>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onTerm(int) {
    stopRequested = 1;
}

// User + system time of this process so far, in ms.
double cpuMs() {
    char text[1024] = {};
    FILE* file = std::fopen("/proc/self/stat", "r");
    if (!file) return 0;
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = 0;
    const char* p = std::strrchr(text, ')');
    if (!p) return 0;
    unsigned long utime = 0, stime = 0;
    // After the name: fields 3 (state) to 13, then utime (14) and stime (15).
    if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) !=
        2)
        return 0;
    return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CLOCK_MONOTONIC in ms, and a sleep to a time on it: the game's clock.
double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

void sleepUntilMs(long long ms) {
    const timespec at{static_cast<time_t>(ms / 1000), (ms % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {}
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: gloam_floor WIDTH HEIGHT [FULL]\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const bool full = argc > 3 && std::atoi(argv[3]) != 0;
    std::signal(SIGTERM, onTerm);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const Uint32 flags = SDL_WINDOW_OPENGL | (full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    SDL_Window* window = SDL_CreateWindow("Gloam floor", 32, 32, width, height, flags);
    if (!window) return 1;
    SDL_GLContext gl = SDL_GL_CreateContext(window);
    if (!gl) return 1;
    SDL_GL_SetSwapInterval(0);
    int windowW = width, windowH = height;
    SDL_GL_GetDrawableSize(window, &windowW, &windowH);
    int pictureW = windowW, pictureH = windowH;
    if (full) {
        if (windowW * 3 > windowH * 4)
            pictureW = windowH * 4 / 3;
        else
            pictureH = windowW * 3 / 4;
    }

    std::vector<unsigned char> pixels(320 * 240 * 3);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            // Rows go bottom-up in GL: row 0 of the texture is the bottom.
            unsigned char* p = &pixels[static_cast<size_t>(((239 - y) * 320 + x) * 3)];
            p[0] = static_cast<unsigned char>(x & 255);
            p[1] = static_cast<unsigned char>(y & 255);
            p[2] = 128;
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 320, 240, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 1);
    glViewport((windowW - pictureW) / 2, (windowH - pictureH) / 2, pictureW, pictureH);

    long long next = static_cast<long long>(nowMs());
    int accumulator = 0;
    constexpr long WARM_UP = 60, COUNTED = 600;
    long shown = 0, late = 0, counted = 0, lateWoken = 0, lateSwap = 0;
    double worst = 0, last = nowMs();
    double cpuStart = 0, cpuEnd = 0;
    while (!stopRequested && counted < COUNTED) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) stopRequested = 1;
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glEnd();
        glFlush(); // rendered while it sleeps, as the game's frames are
        // 16 ms a frame and 40 of them a second one longer: 60 in 1000 ms.
        next += 16;
        accumulator += 40;
        if (accumulator >= 60) {
            accumulator -= 60;
            next += 1;
        }
        double wokeLateMs = 0;
        const double now = nowMs();
        if (static_cast<double>(next) > now) {
            sleepUntilMs(next);
            wokeLateMs = nowMs() - static_cast<double>(next);
        } else {
            next = static_cast<long long>(now); // late: no catching up
        }
        const double swapStart = nowMs();
        SDL_GL_SwapWindow(window);
        const double done = nowMs();
        if (shown == WARM_UP) cpuStart = cpuMs();
        if (shown >= WARM_UP && counted < COUNTED) {
            ++counted;
            cpuEnd = cpuMs();
            if (done - last > 20) {
                ++late;
                if (wokeLateMs > 2)
                    ++lateWoken;
                else if (done - swapStart > 2)
                    ++lateSwap;
            }
            if (done - last > worst) worst = done - last;
        }
        last = done;
        ++shown;
    }
    std::printf("late %ld of %ld worst %.1f cpu %.3f woken %ld swaps %ld\n", late, counted, worst,
                counted > 0 ? (cpuEnd - cpuStart) / static_cast<double>(counted) : 0.0, lateWoken,
                lateSwap);
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
