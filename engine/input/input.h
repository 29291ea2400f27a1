// input.h - keyboard and joystick polling with the game's counting rules.
//
// Keys are Windows virtual-key codes (KEY_*). keyHit reports each press once;
// flushKeys forgets every press and every held key. Window events are drained
// inside the keyboard queries; tools and tests feed key events directly with
// inputKeyEvent, so a replay goes through the same tables as the game. The
// mouse and typed text serve tools with windows (the level editor); the game
// reads neither.
#pragma once

constexpr int KEY_BACKSPACE = 8;
constexpr int KEY_RETURN = 13;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int KEY_PAGE_UP = 33;
constexpr int KEY_PAGE_DOWN = 34;
constexpr int KEY_LEFT = 37;
constexpr int KEY_UP = 38;
constexpr int KEY_RIGHT = 39;
constexpr int KEY_DOWN = 40;
constexpr int KEY_DELETE = 46;
constexpr int KEY_H = 72;
constexpr int KEY_M = 77;
constexpr int KEY_Q = 81;
constexpr int KEY_S = 83;
constexpr int KEY_W = 87;
constexpr int KEY_F1 = 112;
constexpr int KEY_F5 = 116;
constexpr int KEY_F6 = 117;
constexpr int KEY_F7 = 118;
constexpr int KEY_F10 = 121;
constexpr int KEY_LEFT_SHIFT = 160;
constexpr int KEY_RIGHT_SHIFT = 161;
constexpr int KEY_LEFT_CONTROL = 162;
constexpr int KEY_RIGHT_CONTROL = 163;

// ---- Keyboard ----------------------------------------------------------------------
int keyDown(int code); // 1 while held
int keyHit(int code);  // presses since the last keyHit of that code, then 0
void flushKeys();      // drains events, then clears key states and hits, and pads' Start / Back

// ---- Mouse (window pixels from the top-left corner) ---------------------------------
constexpr int MOUSE_LEFT = 1;
constexpr int MOUSE_RIGHT = 2;
constexpr int MOUSE_MIDDLE = 3;

int mouseX(); // drains events, then the pointer's last position in the window
int mouseY();
int mouseDown(int button); // 1 while held
int mouseHit(int button);  // presses since the last mouseHit of that button, then 0
int mouseWheel();          // wheel steps since the last call (away from the user > 0), then 0

// ---- Typed text --------------------------------------------------------------------
// The characters typed, as Unicode code points in typing order: a queue of at
// most 256 (more are dropped). flushKeys and a focus change empty it.
int getChar(); // drains events, then the next character, 0 when none waits

// ---- Joystick (port 0 is the first working joystick) -------------------------------
// A pad SDL knows reads by name: button 0 south, 1 east; x is -1 / +1 exactly
// while the d-pad or the left stick beyond half-way points that way, else 0.
// Other joysticks read raw. Devices attached after joyCount take the lowest
// free port at the next sample; a device pulled out reads as released.
constexpr int PAD_BACK = 4;  // a pad's Back (select) button
constexpr int PAD_START = 6; // a pad's Start button

int joyCount();                    // enumerates the attached joysticks
int joyDown(int button, int port); // samples, then 1 if held
int joyHit(int button, int port);  // samples, then presses not yet reported
float joyX(int port);              // samples, then axis 0 in -1..+1 (ends exact)
int padHit(int button, int port);  // PAD_START / PAD_BACK presses not yet reported; 0 raw

// ---- Events ------------------------------------------------------------------------
void pollEvents(); // drains the window system's queue (re-entrancy safe); no-op without video
void inputKeyEvent(int code, bool down, bool repeat); // one key message
void inputFocusEvent(bool gained);                    // suspend / resume: flushes keys, mouse
void inputMouseMove(int x, int y);
void inputMouseButton(int button, bool down); // buttons outside 1..3 are ignored
void inputMouseWheel(int steps);
void inputTextEvent(const char* utf8); // each character of the text; bad UTF-8 is skipped
void inputTerminateEvent();            // a close request
bool terminateRequested();             // a close request or SIGTERM arrived
void clearTerminateRequest();          // a program that asks before closing has answered it
bool appSuspended();
void setInputPolling(bool on); // events update the tables only while on
void inputReset();             // every table back to its start state (tests, tools)
