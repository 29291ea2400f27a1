// floor.cpp - the least any game can do on this platform: one 320 x 240
// picture shown enlarged (nearest pixel) in an SDL2 window with a GL context,
// 60 times a second. The benchmarks run it beside the game and give every
// figure of the game as a ratio to this one.
//
//   gloam_floor WIDTH HEIGHT [FULL]
//     FULL 1: full screen on the desktop, the picture centred at 4:3.
//   Shows 660 frames (or runs until SIGTERM), then prints
//   "late L of N worst W cpu C wakes K" on standard output: of the N (at
//   most 600) frames after the first 60, L took longer than 20 ms, W is the
//   longest of them in ms, C the process's CPU time per frame over them in
//   ms (user + system, from /proc/self/stat), and K the frames whose sleep
//   lasted more than 3 ms beyond the length it asked for: the machine's own
//   share of the late frames, since such a frame is late whatever it draws.
//
// Each frame: clear, one textured quad, swap; paced like the game, 16 or
// 17 ms a frame by a millisecond sleep. The picture is a fixed pattern:
// red = x, green = y, blue = 128 (x and y modulo 256).
#include <SDL.h>
#include <SDL_opengl.h>

#include <unistd.h>

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

    Uint32 next = SDL_GetTicks();
    int accumulator = 0;
    constexpr long WARM_UP = 60, COUNTED = 600;
    long shown = 0, late = 0, counted = 0, lateWakes = 0;
    Uint32 worst = 0, last = SDL_GetTicks();
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
        // 16 ms a frame and 40 of them a second one longer: 60 in 1000 ms.
        next += 16;
        accumulator += 40;
        if (accumulator >= 60) {
            accumulator -= 60;
            next += 1;
        }
        const Uint32 now = SDL_GetTicks();
        bool wokeLate = false;
        if (static_cast<Sint32>(next - now) > 0) {
            // Timed finer than the millisecond ticks, which would count up
            // to 2 ms of rounding as lateness.
            const Uint64 asleep = SDL_GetPerformanceCounter();
            SDL_Delay(next - now);
            const double slept = static_cast<double>(SDL_GetPerformanceCounter() - asleep) * 1000 /
                                 static_cast<double>(SDL_GetPerformanceFrequency());
            wokeLate = slept - (next - now) > 3;
        } else {
            next = now;
        }
        SDL_GL_SwapWindow(window);
        const Uint32 done = SDL_GetTicks();
        if (shown == WARM_UP) cpuStart = cpuMs();
        if (shown >= WARM_UP && counted < COUNTED) {
            ++counted;
            cpuEnd = cpuMs();
            if (done - last > 20) ++late;
            if (wokeLate) ++lateWakes;
            if (done - last > worst) worst = done - last;
        }
        last = done;
        ++shown;
    }
    std::printf("late %ld of %ld worst %u cpu %.3f wakes %ld\n", late, counted,
                static_cast<unsigned>(worst),
                counted > 0 ? (cpuEnd - cpuStart) / static_cast<double>(counted) : 0.0, lateWakes);
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
