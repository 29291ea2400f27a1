// input.cpp - the keyboard tables and the window events that feed them.
//
// SDL's events reach the tables through the same three entry points that
// tools and tests call directly (inputKeyEvent, inputFocusEvent,
// inputTerminateEvent), so a replayed key press counts exactly like a real
// one. Polling gates only the SDL path: direct calls work without a window.
#include <SDL.h>

#include <array>
#include <atomic>
#include <deque>

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/input/joystick.h"
#include "engine/input/keymap.h"

namespace {

constexpr int KEY_TABLE_SIZE = 256;
constexpr int CHAR_QUEUE_SIZE = 256;
constexpr int MOUSE_BUTTONS = 4; // 1..3 used

struct Keyboard {
    std::array<int, KEY_TABLE_SIZE> states{};
    std::array<int, KEY_TABLE_SIZE> hits{};
    std::deque<int> chars; // never more than CHAR_QUEUE_SIZE
    bool suspended = false;
    bool polling = false;
    bool draining = false; // re-entrancy guard of pollEvents
};

struct Mouse {
    int x = 0, y = 0;
    int wheel = 0;
    std::array<int, MOUSE_BUTTONS> states{};
    std::array<int, MOUSE_BUTTONS> hits{};
};

Keyboard keyboard;
Mouse mouse;
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
    keyboard.chars.clear();
}

void clearMouse() {
    mouse.states.fill(0);
    mouse.hits.fill(0);
    mouse.wheel = 0;
}

int sdlMouseButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return MOUSE_LEFT;
    case SDL_BUTTON_RIGHT:
        return MOUSE_RIGHT;
    case SDL_BUTTON_MIDDLE:
        return MOUSE_MIDDLE;
    default:
        return 0;
    }
}

// The length of the UTF-8 sequence that `lead` starts, 0 for a byte that
// cannot start one.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
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
    case SDL_MOUSEMOTION:
        inputMouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        inputMouseMove(event.button.x, event.button.y);
        inputMouseButton(sdlMouseButton(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEWHEEL:
        inputMouseWheel(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                        : event.wheel.y);
        break;
    case SDL_TEXTINPUT:
        inputTextEvent(event.text.text);
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
    // Start and Back act like keys: a press from the screen before is forgotten.
    joystickFlush();
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

int mouseX() {
    pollEvents();
    return mouse.x;
}

int mouseY() {
    pollEvents();
    return mouse.y;
}

int mouseDown(int button) {
    pollEvents();
    return button > 0 && button < MOUSE_BUTTONS ? mouse.states[button] : 0;
}

int mouseHit(int button) {
    pollEvents();
    if (button <= 0 || button >= MOUSE_BUTTONS) return 0;
    const int hits = mouse.hits[button];
    mouse.hits[button] = 0;
    return hits;
}

int mouseWheel() {
    pollEvents();
    const int steps = mouse.wheel;
    mouse.wheel = 0;
    return steps;
}

int getChar() {
    pollEvents();
    if (keyboard.chars.empty()) return 0;
    const int c = keyboard.chars.front();
    keyboard.chars.pop_front();
    return c;
}

void inputMouseMove(int x, int y) {
    mouse.x = x;
    mouse.y = y;
}

void inputMouseButton(int button, bool down) {
    if (button <= 0 || button >= MOUSE_BUTTONS) return;
    if (!down) {
        mouse.states[button] = 0;
    } else if (mouse.states[button] == 0) {
        mouse.states[button] = 1;
        ++mouse.hits[button];
    }
}

void inputMouseWheel(int steps) {
    mouse.wheel += steps;
}

void inputTextEvent(const char* utf8) {
    if (!utf8) return;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        const int length = sequenceLength(*p);
        int code = length == 1 ? *p : *p & (0x7F >> length);
        int i = 1;
        for (; i < length && (p[i] & 0xC0) == 0x80; ++i)
            code = (code << 6) | (p[i] & 0x3F);
        if (length == 0 || i < length) { // a stray or cut-short sequence
            p += i;
            continue;
        }
        p += length;
        // Overlong three-byte forms, surrogates and code points past U+10FFFF.
        const bool valid = !(length == 3 && code < 0x800) && !(code >= 0xD800 && code <= 0xDFFF) &&
                           !(length == 4 && (code < 0x10000 || code > 0x10FFFF));
        if (valid && keyboard.chars.size() < CHAR_QUEUE_SIZE) keyboard.chars.push_back(code);
    }
}

void inputFocusEvent(bool gained) {
    clearKeys(); // a key released while away must not stay held
    clearMouse();
    keyboard.suspended = !gained;
}

void inputTerminateEvent() {
    terminateFlag.store(1, std::memory_order_relaxed);
}

bool terminateRequested() {
    return terminateFlag.load(std::memory_order_relaxed) != 0;
}

void clearTerminateRequest() {
    terminateFlag.store(0, std::memory_order_relaxed);
}

bool appSuspended() {
    return keyboard.suspended;
}

void setInputPolling(bool on) {
    // Whatever is queued belongs to the window that was there before.
    keyboard.polling = false;
    pollEvents();
    clearKeys();
    clearMouse();
    keyboard.suspended = false;
    keyboard.polling = on;
}

void inputReset() {
    clearKeys();
    clearMouse();
    mouse.x = mouse.y = 0;
    keyboard.suspended = false;
    terminateFlag.store(0, std::memory_order_relaxed);
    joystickReset();
}
