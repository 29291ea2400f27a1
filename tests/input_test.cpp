// input_test.cpp - the keyboard counting rules (fed directly and through real
// SDL events in a window), the key map, and joysticks through SDL's virtual
// joystick.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/input/keymap.h"

namespace {

#define REQUIRE_DISPLAY()                                                                          \
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (run under xvfb-run)"

// ---- Counting rules, fed directly (no window needed) ------------------------------------

enum Step { DOWN, REPEAT, UP, FLUSH, FOCUS_LOST, FOCUS_GAINED };

struct KeyCase {
    const char* name;
    std::vector<Step> steps;
    int down; // keyDown afterwards
    int hits; // first keyHit afterwards
    bool suspended;
};

void feed(int code, Step step) {
    switch (step) {
    case DOWN:
        inputKeyEvent(code, true, false);
        break;
    case REPEAT:
        inputKeyEvent(code, true, true);
        break;
    case UP:
        inputKeyEvent(code, false, false);
        break;
    case FLUSH:
        flushKeys();
        break;
    case FOCUS_LOST:
        inputFocusEvent(false);
        break;
    case FOCUS_GAINED:
        inputFocusEvent(true);
        break;
    }
}

TEST(InputKeys, CountingRules) {
    const KeyCase cases[] = {
        {"1 one press", {DOWN}, 1, 1, false},
        {"2 press and release", {DOWN, UP}, 0, 1, false},
        {"3 two presses", {DOWN, UP, DOWN, UP}, 0, 2, false},
        {"4 auto-repeat is not a press", {DOWN, REPEAT, REPEAT, REPEAT, REPEAT}, 1, 1, false},
        {"5 second down while held", {DOWN, DOWN}, 1, 1, false},
        {"6 held across flush", {DOWN, FLUSH, REPEAT, REPEAT}, 0, 0, false},
        {"7 pressed again after flush", {DOWN, FLUSH, REPEAT, UP, DOWN}, 1, 1, false},
        {"8 focus lost clears", {DOWN, UP, DOWN, FOCUS_LOST}, 0, 0, true},
        {"9 focus back clears", {FOCUS_LOST, DOWN, FOCUS_GAINED}, 0, 0, false},
        {"10 release alone", {UP}, 0, 0, false},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        inputReset();
        for (Step step : c.steps)
            feed(KEY_S, step);
        EXPECT_EQ(keyDown(KEY_S), c.down);
        EXPECT_EQ(appSuspended(), c.suspended);
        EXPECT_EQ(keyHit(KEY_S), c.hits);
        EXPECT_EQ(keyHit(KEY_S), 0) << "a hit is reported once";
        EXPECT_EQ(keyHit(KEY_W), 0) << "other keys untouched";
    }
}

TEST(InputKeys, CodesOutsideTheTableAreIgnored) {
    inputReset();
    for (int code : {0, -1, 256, 1000}) {
        inputKeyEvent(code, true, false);
        EXPECT_EQ(keyDown(code), 0) << code;
        EXPECT_EQ(keyHit(code), 0) << code;
    }
    inputKeyEvent(255, true, false);
    EXPECT_EQ(keyHit(255), 1);
    inputKeyEvent(1, true, false);
    EXPECT_EQ(keyDown(1), 1);
}

TEST(InputKeys, TerminateRequestStaysUntilReset) {
    inputReset();
    EXPECT_FALSE(terminateRequested());
    inputTerminateEvent();
    flushKeys();
    EXPECT_TRUE(terminateRequested());
    inputReset();
    EXPECT_FALSE(terminateRequested());
}

// ---- Mouse and typed text, fed directly ------------------------------------------------

TEST(InputMouse, ButtonsCountLikeKeys) {
    enum MouseStep { PRESS, RELEASE, FOCUS, FLUSH_KEYS };
    const struct {
        const char* name;
        std::vector<MouseStep> steps;
        int down, hits;
    } cases[] = {
        {"1 click", {PRESS, RELEASE}, 0, 1},
        {"2 held", {PRESS}, 1, 1},
        {"3 double click", {PRESS, RELEASE, PRESS, RELEASE}, 0, 2},
        {"4 down twice is one press", {PRESS, PRESS}, 1, 1},
        {"5 focus change forgets", {PRESS, FOCUS}, 0, 0},
        {"6 flushKeys leaves the mouse", {PRESS, FLUSH_KEYS}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        inputReset();
        for (MouseStep step : c.steps) {
            if (step == PRESS) inputMouseButton(MOUSE_LEFT, true);
            if (step == RELEASE) inputMouseButton(MOUSE_LEFT, false);
            if (step == FOCUS) inputFocusEvent(false);
            if (step == FLUSH_KEYS) flushKeys();
        }
        EXPECT_EQ(mouseDown(MOUSE_LEFT), c.down);
        EXPECT_EQ(mouseHit(MOUSE_LEFT), c.hits);
        EXPECT_EQ(mouseHit(MOUSE_LEFT), 0) << "a hit is reported once";
        EXPECT_EQ(mouseHit(MOUSE_RIGHT), 0) << "other buttons untouched";
    }
    for (int button : {0, 4, -1}) {
        inputMouseButton(button, true);
        EXPECT_EQ(mouseDown(button), 0) << button;
        EXPECT_EQ(mouseHit(button), 0) << button;
    }
}

TEST(InputText, CharactersArriveInOrderAsCodePoints) {
    const struct {
        const char* name;
        const char* text;
        std::vector<int> codes;
    } cases[] = {
        {"1 ASCII", "S#=", {'S', '#', '='}},
        {"2 two, three and four bytes",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         {0xE9, 0x20AC, 0x1F600}},
        {"3 stray continuation byte skipped",
         "a\x80"
         "b",
         {'a', 'b'}},
        {"4 cut-short sequence skipped", "\xE2\x82z", {'z'}},
        {"5 overlong forms refused", "\xC0\xAF\xE0\x80\xAFx", {'x'}},
        {"6 surrogate and beyond U+10FFFF refused", "\xED\xA0\x80\xF4\x90\x80\x80y", {'y'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        inputReset();
        inputTextEvent(c.text);
        std::vector<int> got;
        for (int code = getChar(); code != 0; code = getChar())
            got.push_back(code);
        EXPECT_EQ(got, c.codes);
    }
}

TEST(InputText, QueueHoldsAtMost256AndFlushEmptiesIt) {
    inputReset();
    const std::string many(300, 'k');
    inputTextEvent(many.c_str());
    int count = 0;
    while (getChar() != 0)
        ++count;
    EXPECT_EQ(count, 256);
    inputTextEvent("ab");
    flushKeys();
    EXPECT_EQ(getChar(), 0);
    inputTextEvent("c");
    inputFocusEvent(true);
    EXPECT_EQ(getChar(), 0);
}

TEST(InputKeys, AnsweredCloseRequestIsCleared) {
    inputReset();
    inputTerminateEvent();
    clearTerminateRequest();
    EXPECT_FALSE(terminateRequested());
}

// ---- Key map ----------------------------------------------------------------------------------

TEST(InputKeymap, SdlKeysToVirtualKeys) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(virtualKeyCode(SDLK_a + i, SDL_SCANCODE_A + i), 65 + i);
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(virtualKeyCode(SDLK_0 + i, SDL_SCANCODE_UNKNOWN), 48 + i);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(virtualKeyCode(SDLK_F1 + i, SDL_SCANCODE_UNKNOWN), 112 + i);
    const struct {
        SDL_Keycode key;
        SDL_Scancode scancode;
        int code;
    } keys[] = {
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_UP, SDL_SCANCODE_UP, 38},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 13},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8},
        {SDLK_TAB, SDL_SCANCODE_TAB, 9},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 160},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 161},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 162},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 163},
        {SDLK_LALT, SDL_SCANCODE_LALT, 164},
        {SDLK_RALT, SDL_SCANCODE_RALT, 165},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},
        {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 186},
        {0x444, SDL_SCANCODE_A, 65}, // a Cyrillic letter on the A key
        {0x26, SDL_SCANCODE_1, 49},  // '&' on the 1 key of a French layout
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const auto& k : keys)
        EXPECT_EQ(virtualKeyCode(k.key, k.scancode), k.code) << k.key;
}

// ---- Real SDL events in a window ---------------------------------------------------------

void pushKey(SDL_Keycode key, bool down, bool repeat) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushWindowEvent(Uint8 what) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// Lets the X server's own events for a new window (mapping, focus) arrive
// and pass, so they cannot land between a test's events.
void settle() {
    int64_t quietSince = millisecs();
    while (millisecs() - quietSince < 150) {
        SDL_PumpEvents();
        if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            pollEvents();
            quietSince = millisecs();
        }
        delayMs(5);
    }
    inputReset();
}

class InputEvents : public testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DISPLAY();
        ASSERT_TRUE(openGraphics(320, 240, 0, 60, 0)) << graphicsError();
        settle();
    }
    void TearDown() override {
        closeGraphics();
        inputReset();
    }
};

TEST_F(InputEvents, KeyPressesCountOnceEach) {
    pushKey(SDLK_s, true, false);
    for (int i = 0; i < 5; ++i)
        pushKey(SDLK_s, true, true); // platform auto-repeat
    EXPECT_EQ(keyHit(KEY_S), 1);
    EXPECT_EQ(keyDown(KEY_S), 1);
    pushKey(SDLK_s, true, true);
    EXPECT_EQ(keyHit(KEY_S), 0);
    pushKey(SDLK_s, false, false);
    EXPECT_EQ(keyDown(KEY_S), 0);

    pushKey(SDLK_w, true, false);
    pushKey(SDLK_w, false, false);
    pushKey(SDLK_w, true, false);
    pushKey(SDLK_w, false, false);
    EXPECT_EQ(keyHit(KEY_W), 2);
}

TEST_F(InputEvents, HeldKeyAcrossFlushReadsZero) {
    pushKey(SDLK_SPACE, true, false);
    flushKeys(); // drains the press first, then forgets it
    pushKey(SDLK_SPACE, true, true);
    EXPECT_EQ(keyDown(KEY_SPACE), 0);
    EXPECT_EQ(keyHit(KEY_SPACE), 0);
    pushKey(SDLK_SPACE, false, false);
    pushKey(SDLK_SPACE, true, false);
    EXPECT_EQ(keyDown(KEY_SPACE), 1);
    EXPECT_EQ(keyHit(KEY_SPACE), 1);
}

TEST_F(InputEvents, FocusLossClearsHeldKeys) {
    pushKey(SDLK_LEFT, true, false);
    EXPECT_EQ(keyDown(KEY_LEFT), 1);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(keyDown(KEY_LEFT), 0);
    EXPECT_TRUE(appSuspended());
    pushKey(SDLK_RIGHT, true, false);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(keyDown(KEY_RIGHT), 0);
    EXPECT_FALSE(appSuspended());
}

TEST_F(InputEvents, SystemAndGameKeysKeepTheirCodes) {
    const struct {
        SDL_Keycode key;
        int code;
    } keys[] = {{SDLK_F10, KEY_F10},       {SDLK_F1, KEY_F1}, {SDLK_F7, KEY_F7},
                {SDLK_ESCAPE, KEY_ESCAPE}, {SDLK_h, KEY_H},   {SDLK_m, KEY_M},
                {SDLK_q, KEY_Q},           {SDLK_RALT, 165},  {SDLK_LCTRL, 162}};
    for (const auto& k : keys) {
        pushKey(k.key, true, false);
        pushKey(k.key, false, false);
        EXPECT_EQ(keyHit(k.code), 1) << k.code;
    }
}

TEST_F(InputEvents, CloseRequestsAreRecorded) {
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    pollEvents();
    EXPECT_TRUE(terminateRequested());
    inputReset();
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    keyDown(KEY_ESCAPE); // keyboard queries drain the queue
    EXPECT_TRUE(terminateRequested());
}

TEST_F(InputEvents, MouseAndTextReachTheTables) {
    const Uint32 window = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    SDL_Event move = {};
    move.type = SDL_MOUSEMOTION;
    move.motion.windowID = window;
    move.motion.x = 123;
    move.motion.y = 45;
    ASSERT_EQ(SDL_PushEvent(&move), 1);
    EXPECT_EQ(mouseX(), 123);
    EXPECT_EQ(mouseY(), 45);

    SDL_Event button = {};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = window;
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.x = 7;
    button.button.y = 9;
    ASSERT_EQ(SDL_PushEvent(&button), 1);
    button.type = SDL_MOUSEBUTTONUP;
    ASSERT_EQ(SDL_PushEvent(&button), 1);
    EXPECT_EQ(mouseHit(MOUSE_RIGHT), 1);
    EXPECT_EQ(mouseHit(MOUSE_LEFT), 0);
    EXPECT_EQ(mouseX(), 7) << "a click also places the pointer";

    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = window;
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    EXPECT_EQ(mouseWheel(), -1);

    SDL_Event text = {};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = window;
    std::snprintf(text.text.text, sizeof text.text.text, "E|");
    ASSERT_EQ(SDL_PushEvent(&text), 1);
    EXPECT_EQ(getChar(), 'E');
    EXPECT_EQ(getChar(), '|');
    EXPECT_EQ(getChar(), 0);
}

TEST_F(InputEvents, NothingIsTakenWithoutAWindow) {
    closeGraphics();
    pushKey(SDLK_s, true, false);
    EXPECT_EQ(keyHit(KEY_S), 0);
    // Direct feeding still works: tools replay keys with no window at all.
    inputKeyEvent(KEY_S, true, false);
    EXPECT_EQ(keyHit(KEY_S), 1);
}

// ---- Joystick ---------------------------------------------------------------------------
// A plain joystick, which SDL's controller layer does not know: read raw.

class InputJoystick : public testing::Test {
  protected:
    void SetUp() override {
        inputReset();
        realPorts = joyCount(); // also starts SDL's joystick support
        deviceIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
        ASSERT_GE(deviceIndex, 0) << SDL_GetError();
        stick = SDL_JoystickOpen(deviceIndex);
        ASSERT_NE(stick, nullptr) << SDL_GetError();
        ASSERT_EQ(joyCount(), realPorts + 1);
        port = realPorts;
    }
    void TearDown() override {
        if (stick) SDL_JoystickClose(stick);
        if (deviceIndex >= 0) SDL_JoystickDetachVirtual(deviceIndex);
        inputReset();
    }
    void press(int button, bool down) {
        ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, button, down ? 1 : 0), 0);
    }
    int realPorts = 0;
    int deviceIndex = -1;
    int port = 0;
    SDL_Joystick* stick = nullptr;
};

TEST_F(InputJoystick, AxisEndsAreExact) {
    const struct {
        Sint16 raw;
        float x;
    } cases[] = {{-32768, -1.0f}, {32767, 1.0f}, {-32768, -1.0f}};
    for (const auto& c : cases) {
        ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, c.raw), 0);
        EXPECT_EQ(joyX(port), c.x) << c.raw;
    }
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, 0), 0);
    EXPECT_NEAR(joyX(port), 0.0f, 1e-4f);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, 16384), 0);
    EXPECT_NEAR(joyX(port), 0.5f, 1e-4f);
}

TEST_F(InputJoystick, ButtonsHeldAndHitsCounted) {
    press(1, true);
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(joyDown(1, port), 1) << frame;
    EXPECT_EQ(joyDown(0, port), 0);
    EXPECT_EQ(joyHit(1, port), 1);
    EXPECT_EQ(joyHit(1, port), 0) << "still held: no new press";
    // Two more presses, each seen by a sample: two hits.
    press(1, false);
    EXPECT_EQ(joyDown(1, port), 0);
    press(1, true);
    EXPECT_EQ(joyDown(1, port), 1);
    press(1, false);
    EXPECT_EQ(joyDown(1, port), 0);
    press(1, true);
    EXPECT_EQ(joyHit(1, port), 2);
    // Out of range buttons and ports read 0.
    EXPECT_EQ(joyDown(-1, port), 0);
    EXPECT_EQ(joyDown(32, port), 0);
    EXPECT_EQ(joyHit(16, port), 0);
    EXPECT_EQ(joyDown(1, -1), 0);
    EXPECT_EQ(joyDown(1, 16), 0);
}

// A pad pulled out with the stick pushed and a button held must not keep
// the miner walking and jumping: the port reads as released.
TEST_F(InputJoystick, DetachedDeviceReadsReleased) {
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, 32767), 0);
    press(2, true);
    EXPECT_EQ(joyX(port), 1.0f);
    EXPECT_EQ(joyDown(2, port), 1);
    SDL_JoystickClose(stick);
    stick = nullptr;
    ASSERT_EQ(SDL_JoystickDetachVirtual(deviceIndex), 0);
    deviceIndex = -1;
    EXPECT_EQ(joyX(port), 0.0f);
    EXPECT_EQ(joyDown(2, port), 0);
    EXPECT_EQ(joyHit(2, port), 1) << "the press made before it went is still reported";
    EXPECT_EQ(joyHit(2, port), 0);
    EXPECT_EQ(joyCount(), realPorts);
}

TEST(InputNoJoystick, EmptyPortsReadZero) {
    inputReset();
    const int ports = joyCount();
    for (int port : {ports, 15, -1, 16}) {
        EXPECT_EQ(joyDown(0, port), 0) << port;
        EXPECT_EQ(joyHit(1, port), 0) << port;
        EXPECT_EQ(joyX(port), 0.0f) << port;
    }
}

} // namespace
