// keymap.h - SDL key identifiers -> the game's Windows virtual-key codes.
//
// Letters and digits follow the keyboard layout where it gives Latin letters
// and digits, and the key's position otherwise; the modifier keys are reported
// by side (160..165). Keys without a code give 0, which the tables ignore.
#pragma once

int virtualKeyCode(int sdlKeycode, int sdlScancode);
