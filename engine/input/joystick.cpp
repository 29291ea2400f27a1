// joystick.cpp - joysticks and pads through SDL, sampled on every query.
//
// joyCount opens every attached device and gives the ones that answer the
// ports 0, 1, ... in device order. From then on a device attached later takes
// the lowest free port as soon as any port is sampled, and a port whose
// device has gone reads as released and is free again.
//
// A pad that SDL's game controller layer knows (its built-in mapping list
// plus SDL_GAMECONTROLLERCONFIG) is read by its named buttons: port button n
// is controller button n, so 0 is the south face button and 1 the east one,
// and the x axis is exactly -1 or +1 while the d-pad or the left stick beyond
// half-way points that way, else 0. Any other joystick is read raw: its own
// button numbers and axis 0 scaled to -1 .. +1.
//
// Each joyDown / joyHit / joyX / padHit samples its port afresh; a press is
// counted when a sample sees a button held that the previous sample of that
// port saw released.
#include "engine/input/joystick.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/input/input.h"

namespace {

constexpr int MAX_PORTS = 16;
constexpr int MASK_BUTTONS = 32; // buttons held are kept for joyDown
constexpr int HIT_BUTTONS = 16;  // presses are counted for joyHit
constexpr double AXIS_MIN = -32768.0;
constexpr double AXIS_MAX = 32767.0;
constexpr int STICK_HALF = 16384; // a pad's stick walks only when pushed beyond this

static_assert(SDL_CONTROLLER_BUTTON_MAX <= MASK_BUTTONS);
static_assert(SDL_CONTROLLER_BUTTON_A == 0 && SDL_CONTROLLER_BUTTON_B == 1);
static_assert(PAD_BACK == SDL_CONTROLLER_BUTTON_BACK && PAD_START == SDL_CONTROLLER_BUTTON_START);
static_assert(PAD_BACK < HIT_BUTTONS && PAD_START < HIT_BUTTONS);

struct Port {
    SDL_Joystick* device = nullptr;    // set while the port has a device
    SDL_GameController* pad = nullptr; // also set when the device is a known pad
    SDL_JoystickID id = -1;
    uint32_t buttonMask = 0;
    float x = 0.0f;
    std::array<int, HIT_BUTTONS> buttonHits{};
};

struct Joysticks {
    std::array<Port, MAX_PORTS> ports;
    bool enumerated = false;            // joyCount has run: later devices are taken in
    std::vector<SDL_JoystickID> listed; // the devices at the last look
};

Joysticks joysticks;

bool startJoysticks() {
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return true;
    // The stick reads as it stands, whichever window has the keyboard.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Button 0 is the south face button on every pad, whatever its label.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    // Ports are sampled directly; their events would only fill the queue.
    SDL_JoystickEventState(SDL_IGNORE);
    SDL_GameControllerEventState(SDL_IGNORE);
    return true;
}

// Closes the device; what was held reads released, presses not yet reported
// stay.
void releasePort(Port& port) {
    if (port.pad)
        SDL_GameControllerClose(port.pad);
    else if (port.device)
        SDL_JoystickClose(port.device);
    port.device = nullptr;
    port.pad = nullptr;
    port.id = -1;
    port.buttonMask = 0;
    port.x = 0.0f;
}

void closePorts() {
    for (Port& port : joysticks.ports) {
        releasePort(port);
        port = Port{};
    }
    joysticks.listed.clear();
}

// Opens device `index` into the free `port`, as a pad when SDL knows it.
bool openPort(Port& port, int index) {
    SDL_GameController* pad = SDL_IsGameController(index) ? SDL_GameControllerOpen(index) : nullptr;
    SDL_Joystick* device = pad ? SDL_GameControllerGetJoystick(pad) : SDL_JoystickOpen(index);
    if (!device || !SDL_JoystickGetAttached(device)) {
        if (pad)
            SDL_GameControllerClose(pad);
        else if (device)
            SDL_JoystickClose(device);
        return false;
    }
    port = Port{};
    port.device = device;
    port.pad = pad;
    port.id = SDL_JoystickInstanceID(device);
    return true;
}

bool portHolds(SDL_JoystickID id) {
    return std::any_of(joysticks.ports.begin(), joysticks.ports.end(),
                       [id](const Port& p) { return p.device && p.id == id; });
}

Port* freePort() {
    for (Port& port : joysticks.ports) {
        if (!port.device) return &port;
    }
    return nullptr;
}

// Frees the ports of devices that have gone and gives new devices the lowest
// free ports. The device list is compared first, so a device that cannot be
// opened is tried again only when something is plugged in or out.
void refreshPorts() {
    SDL_JoystickUpdate();
    for (Port& port : joysticks.ports) {
        if (port.device && !SDL_JoystickGetAttached(port.device)) releasePort(port);
    }
    std::vector<SDL_JoystickID>& listed = joysticks.listed;
    const int devices = std::max(SDL_NumJoysticks(), 0);
    bool same = static_cast<size_t>(devices) == listed.size();
    for (int i = 0; same && i < devices; ++i)
        same = SDL_JoystickGetDeviceInstanceID(i) == listed[static_cast<size_t>(i)];
    if (same) return;
    listed.clear();
    for (int i = 0; i < devices; ++i)
        listed.push_back(SDL_JoystickGetDeviceInstanceID(i));
    for (int i = 0; i < devices; ++i) {
        if (portHolds(listed[static_cast<size_t>(i)])) continue;
        Port* port = freePort();
        if (!port) break;
        openPort(*port, i);
    }
}

// Both ends of SDL's range give exactly -1 and +1.
float axisValue(int raw) {
    return static_cast<float>((raw - AXIS_MIN) * 2.0 / (AXIS_MAX - AXIS_MIN) - 1.0);
}

// A pad's x: the d-pad first, else the left stick beyond half-way.
float padX(SDL_GameController* pad) {
    const int dpad = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) -
                     SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    if (dpad != 0) return static_cast<float>(dpad);
    const int stick = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    if (stick > STICK_HALF) return 1.0f;
    if (stick < -STICK_HALF) return -1.0f;
    return 0.0f;
}

uint32_t heldButtons(const Port& p) {
    uint32_t held = 0;
    if (p.pad) {
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            if (SDL_GameControllerGetButton(p.pad, static_cast<SDL_GameControllerButton>(b)))
                held |= 1u << b;
        }
        return held;
    }
    const int buttons = std::min(SDL_JoystickNumButtons(p.device), MASK_BUTTONS);
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(p.device, b)) held |= 1u << b;
    }
    return held;
}

// The port's tables after a fresh sample. None for a port number out of range.
Port* samplePort(int port) {
    if (port < 0 || port >= MAX_PORTS) return nullptr;
    Port& p = joysticks.ports[port];
    if (!joysticks.enumerated) return &p;
    refreshPorts();
    if (!p.device) return &p;
    const uint32_t previous = p.buttonMask;
    const uint32_t held = heldButtons(p);
    if (p.pad)
        p.x = padX(p.pad);
    else if (SDL_JoystickNumAxes(p.device) > 0)
        p.x = axisValue(SDL_JoystickGetAxis(p.device, 0));
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
    joysticks.enumerated = false;
    if (!startJoysticks()) return 0;
    joysticks.enumerated = true;
    refreshPorts();
    return static_cast<int>(std::count_if(joysticks.ports.begin(), joysticks.ports.end(),
                                          [](const Port& p) { return p.device != nullptr; }));
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

int padHit(int button, int port) {
    Port* p = samplePort(port);
    if (!p || !p->pad || (button != PAD_START && button != PAD_BACK)) return 0;
    const int hits = p->buttonHits[button];
    p->buttonHits[button] = 0;
    return hits;
}

void joystickFlush() {
    for (int port = 0; port < MAX_PORTS; ++port) {
        // Sampled first, so a press made before the flush is forgotten too.
        if (joysticks.ports[port].device) samplePort(port);
        joysticks.ports[port].buttonHits[PAD_START] = 0;
        joysticks.ports[port].buttonHits[PAD_BACK] = 0;
    }
}

void joystickReset() {
    closePorts();
    joysticks.enumerated = false;
}
