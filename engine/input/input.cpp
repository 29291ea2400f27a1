// Placeholder so the program links while this module is being written.
#include "engine/input/input.h"
int keyDown(int) { return 0; }
int keyHit(int) { return 0; }
void flushKeys() {}
int joyCount() { return 0; }
int joyDown(int, int) { return 0; }
int joyHit(int, int) { return 0; }
float joyX(int) { return 0; }
void pollEvents() {}
void inputKeyEvent(int, bool, bool) {}
void inputFocusEvent(bool) {}
void inputTerminateEvent() {}
bool terminateRequested() { return false; }
bool appSuspended() { return false; }
void setInputPolling(bool) {}
void inputReset() {}
