// keymap.cpp - the table from SDL key identifiers to virtual-key codes.
#include <SDL.h>

#include "engine/input/keymap.h"

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    int code;
};

constexpr KeyPair NAMED_KEYS[] = {
    {SDLK_BACKSPACE, 8},      {SDLK_TAB, 9},           {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},      {SDLK_PAUSE, 19},        {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},        {SDLK_SPACE, 32},        {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},      {SDLK_END, 35},          {SDLK_HOME, 36},
    {SDLK_LEFT, 37},          {SDLK_UP, 38},           {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},          {SDLK_PRINTSCREEN, 44},  {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},        {SDLK_LGUI, 91},         {SDLK_RGUI, 92},
    {SDLK_APPLICATION, 93},   {SDLK_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, 107},
    {SDLK_KP_MINUS, 109},     {SDLK_KP_PERIOD, 110},   {SDLK_KP_DIVIDE, 111},
    {SDLK_NUMLOCKCLEAR, 144}, {SDLK_SCROLLLOCK, 145},  {SDLK_LSHIFT, 160},
    {SDLK_RSHIFT, 161},       {SDLK_LCTRL, 162},       {SDLK_RCTRL, 163},
    {SDLK_LALT, 164},         {SDLK_RALT, 165},        {SDLK_MODE, 165},
};

// Punctuation goes by position, as on a US keyboard.
constexpr struct {
    SDL_Scancode sdl;
    int code;
} PUNCTUATION_KEYS[] = {
    {SDL_SCANCODE_SEMICOLON, 186},  {SDL_SCANCODE_EQUALS, 187},
    {SDL_SCANCODE_COMMA, 188},      {SDL_SCANCODE_MINUS, 189},
    {SDL_SCANCODE_PERIOD, 190},     {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_GRAVE, 192},      {SDL_SCANCODE_LEFTBRACKET, 219},
    {SDL_SCANCODE_BACKSLASH, 220},  {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_APOSTROPHE, 222},
};

} // namespace

int virtualKeyCode(int sdlKeycode, int sdlScancode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return 'A' + (sdlKeycode - SDLK_a);
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return sdlKeycode;
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) return 112 + (sdlKeycode - SDLK_F1);
    if (sdlKeycode >= SDLK_F13 && sdlKeycode <= SDLK_F24) return 124 + (sdlKeycode - SDLK_F13);
    if (sdlKeycode >= SDLK_KP_1 && sdlKeycode <= SDLK_KP_9) return 97 + (sdlKeycode - SDLK_KP_1);
    if (sdlKeycode == SDLK_KP_0) return 96;
    for (const KeyPair& key : NAMED_KEYS) {
        if (key.sdl == sdlKeycode) return key.code;
    }
    // Layouts whose keys give no Latin letter or digit still have the keys.
    if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z) {
        return 'A' + (sdlScancode - SDL_SCANCODE_A);
    }
    if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_9) {
        return '1' + (sdlScancode - SDL_SCANCODE_1);
    }
    if (sdlScancode == SDL_SCANCODE_0) return '0';
    for (const auto& key : PUNCTUATION_KEYS) {
        if (key.sdl == sdlScancode) return key.code;
    }
    return 0;
}
