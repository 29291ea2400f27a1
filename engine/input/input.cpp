// input.cpp - the keyboard tables and the window events that feed them.
//
// SDL's events reach the tables through the same three entry points that
// tools and tests call directly (inputKeyEvent, inputFocusEvent,
// inputTerminateEvent), so a replayed key press counts exactly like a real
// one. Polling gates only the SDL path: direct calls work without a window.
#include <SDL.h>

#include <array>
#include <atomic>

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/input/joystick.h"
#include "engine/input/keymap.h"

namespace {

constexpr int KEY_TABLE_SIZE = 256;

struct Keyboard {
    std::array<int, KEY_TABLE_SIZE> states{};
    std::array<int, KEY_TABLE_SIZE> hits{};
    bool suspended = false;
    bool polling = false;
    bool draining = false; // re-entrancy guard of pollEvents
};

Keyboard keyboard;
// Set from a signal handler too, so it must be a lock-free atomic.
std::atomic<int> terminateFlag{0};
static_assert(std::atomic<int>::is_always_lock_free);
// The tables follow the window: the display service switches polling on as a
// window shows and off once it is gone. Installed as the program starts, so
// every program that reads keys gets it without asking.
[[maybe_unused]] const bool pollingFollowsWindow = (setEventPollingSwitch(setInputPolling), true);

void clearKeys() {
    keyboard.states.fill(0);
    keyboard.hits.fill(0);
}

void dispatch(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        inputKeyEvent(virtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode),
                      event.type == SDL_KEYDOWN, event.key.repeat != 0);
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) inputFocusEvent(false);
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) inputFocusEvent(true);
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) inputTerminateEvent();
        break;
    default:
        break;
    }
}

bool validCode(int code) {
    return code > 0 && code < KEY_TABLE_SIZE;
}

} // namespace

void pollEvents() {
    if (keyboard.draining || !SDL_WasInit(SDL_INIT_VIDEO)) return;
    keyboard.draining = true;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // A close request is never lost, even between two windows.
        if (event.type == SDL_QUIT)
            inputTerminateEvent();
        else if (keyboard.polling)
            dispatch(event);
    }
    keyboard.draining = false;
}

int keyDown(int code) {
    pollEvents();
    return validCode(code) ? keyboard.states[code] : 0;
}

int keyHit(int code) {
    pollEvents();
    if (!validCode(code)) return 0;
    const int hits = keyboard.hits[code];
    keyboard.hits[code] = 0;
    return hits;
}

void flushKeys() {
    pollEvents();
    clearKeys();
}

void inputKeyEvent(int code, bool down, bool repeat) {
    if (!validCode(code)) return;
    if (!down) {
        keyboard.states[code] = 0;
    } else if (!repeat && keyboard.states[code] == 0) {
        keyboard.states[code] = 1;
        ++keyboard.hits[code];
    }
}

void inputFocusEvent(bool gained) {
    clearKeys(); // a key released while away must not stay held
    keyboard.suspended = !gained;
}

void inputTerminateEvent() {
    terminateFlag.store(1, std::memory_order_relaxed);
}

bool terminateRequested() {
    return terminateFlag.load(std::memory_order_relaxed) != 0;
}

bool appSuspended() {
    return keyboard.suspended;
}

void setInputPolling(bool on) {
    // Whatever is queued belongs to the window that was there before.
    keyboard.polling = false;
    pollEvents();
    clearKeys();
    keyboard.suspended = false;
    keyboard.polling = on;
}

void inputReset() {
    clearKeys();
    keyboard.suspended = false;
    terminateFlag.store(0, std::memory_order_relaxed);
    joystickReset();
}
