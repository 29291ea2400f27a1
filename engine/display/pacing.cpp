// pacing.cpp - the millisecond clock, the millisecond sleep and the soft-sync
// frame schedule behind flipFrame(-1).
//
// The schedule advances by 1000 / hertz milliseconds per frame and spreads the
// remainder over the second (at 60 Hz: 16 ms frames with 40 of them one
// millisecond longer), so exactly `hertz` frames fill every 1000 ms. A late
// frame restarts the schedule from the present; the game never runs fast to
// catch up.
#include <time.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/display/graphics.h"

void FramePacer::reset(int hertz, int64_t now) {
    softSync = hertz > 0;
    syncHertz = hertz > 0 ? hertz : 0;
    period = syncHertz > 0 ? 1000 / syncHertz : 0;
    remainder = 1000 - period * syncHertz;
    accumulator = 0;
    nextTime = now;
}

int FramePacer::frameWait(int64_t now) {
    if (syncHertz <= 0) return 0;
    nextTime += period;
    accumulator += remainder;
    if (accumulator >= syncHertz) {
        accumulator -= syncHertz;
        nextTime += 1;
    }
    int64_t wait = nextTime - now;
    if (wait > 0) return static_cast<int>(wait);
    nextTime = now; // late: no catching up
    return 0;
}

namespace {

std::chrono::steady_clock::time_point clockStart() {
    static const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    return start;
}

} // namespace

int64_t millisecs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - clockStart()).count();
}

int64_t delayUntilMs(int64_t time) {
    using namespace std::chrono;
    const steady_clock::time_point due = clockStart() + milliseconds(time);
    // A deadline rather than a length: a thread held off the processor before
    // it asks to sleep (by the GL's own threads, say, just woken by a flush)
    // still wakes at the frame's time, where a length reckoned before the
    // hold-up would end as much later. steady_clock reads CLOCK_MONOTONIC;
    // sleep_until covers any build where it does not.
    const int64_t ns = duration_cast<nanoseconds>(due.time_since_epoch()).count();
    const timespec at{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {}
    std::this_thread::sleep_until(due);
    return duration_cast<microseconds>(steady_clock::now() - due).count();
}

void delayMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
