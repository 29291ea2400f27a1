// joystick.cpp - joysticks through SDL's joystick API, sampled on every query.
//
// joyCount opens every attached device and gives the ones that answer the
// ports 0, 1, ... in device order. Each joyDown / joyHit / joyX samples its
// port afresh; a press is counted when a sample sees a button held that the
// previous sample of that port saw released. A port whose device has gone
// reads as released.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/input/input.h"
#include "engine/input/joystick.h"

namespace {

constexpr int MAX_PORTS = 16;
constexpr int MASK_BUTTONS = 32; // buttons held are kept for joyDown
constexpr int HIT_BUTTONS = 16;  // presses are counted for joyHit
constexpr double AXIS_MIN = -32768.0;
constexpr double AXIS_MAX = 32767.0;

struct Port {
    SDL_Joystick* device = nullptr;
    uint32_t buttonMask = 0;
    float x = 0.0f;
    std::array<int, HIT_BUTTONS> buttonHits{};
};

struct Joysticks {
    std::array<Port, MAX_PORTS> ports;
    int count = 0;
};

Joysticks joysticks;

bool startJoysticks() {
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) return true;
    // The stick reads as it stands, whichever window has the keyboard.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    // Ports are sampled directly; their events would only fill the queue.
    SDL_JoystickEventState(SDL_IGNORE);
    return true;
}

void closePorts() {
    for (Port& port : joysticks.ports) {
        if (port.device) SDL_JoystickClose(port.device);
        port = Port{};
    }
    joysticks.count = 0;
}

// Both ends of SDL's range give exactly -1 and +1.
float axisValue(int raw) {
    return static_cast<float>((raw - AXIS_MIN) * 2.0 / (AXIS_MAX - AXIS_MIN) - 1.0);
}

// The port's tables after a fresh sample. None for a port number out of range.
Port* samplePort(int port) {
    if (port < 0 || port >= MAX_PORTS) return nullptr;
    Port& p = joysticks.ports[port];
    if (!p.device) return &p;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(p.device)) {
        // A pad pulled out mid-game must not leave the stick or a button
        // held for ever: it reads as released (presses not yet reported stay).
        p.buttonMask = 0;
        p.x = 0.0f;
        return &p;
    }
    const uint32_t previous = p.buttonMask;
    uint32_t held = 0;
    const int buttons = std::min(SDL_JoystickNumButtons(p.device), MASK_BUTTONS);
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(p.device, b)) held |= 1u << b;
    }
    if (SDL_JoystickNumAxes(p.device) > 0) p.x = axisValue(SDL_JoystickGetAxis(p.device, 0));
    for (int b = 0; b < HIT_BUTTONS; ++b) {
        const uint32_t bit = 1u << b;
        if (!(previous & bit) && (held & bit)) ++p.buttonHits[b];
    }
    p.buttonMask = held;
    return &p;
}

} // namespace

int joyCount() {
    closePorts();
    if (!startJoysticks()) return 0;
    SDL_JoystickUpdate();
    const int devices = SDL_NumJoysticks();
    for (int i = 0; i < devices && joysticks.count < MAX_PORTS; ++i) {
        SDL_Joystick* device = SDL_JoystickOpen(i);
        if (!device) continue;
        if (!SDL_JoystickGetAttached(device)) {
            SDL_JoystickClose(device);
            continue;
        }
        joysticks.ports[joysticks.count++].device = device;
    }
    return joysticks.count;
}

int joyDown(int button, int port) {
    const Port* p = samplePort(port);
    if (!p || button < 0 || button >= MASK_BUTTONS) return 0;
    return (p->buttonMask >> button) & 1u;
}

int joyHit(int button, int port) {
    Port* p = samplePort(port);
    if (!p || button < 0 || button >= HIT_BUTTONS) return 0;
    const int hits = p->buttonHits[button];
    p->buttonHits[button] = 0;
    return hits;
}

float joyX(int port) {
    const Port* p = samplePort(port);
    return p ? p->x : 0.0f;
}

void joystickReset() {
    closePorts();
}
