// display_lost.h - what the game does when its X display goes away under it
// (the server ends or the connection breaks): it ends at once with status 1
// and a message, instead of letting the exit handlers close a window on the
// dead connection, where Xlib waits for ever.
//
//   watchDisplayConnection();   // after SDL video has started on X11
#pragma once

// Installs the handler when SDL's video driver is X11; nothing otherwise.
void watchDisplayConnection();
