// close_window.c - sends a window the close request a window manager's close box
// would (WM_DELETE_WINDOW); Xvfb runs no window manager. Built by the
// end-to-end scripts: close_window WINDOW_ID
#include <X11/Xlib.h>
#include <stdlib.h>
#include <unistd.h>
int main(int argc, char** argv) {
    Display* d = NULL;
    for (int i = 0; i < 10 && !d; ++i)
        if (!(d = XOpenDisplay(NULL))) usleep(100000);
    if (!d || argc < 2) return 1;
    Window w = (Window)strtoul(argv[1], NULL, 0);
    XEvent e = {0};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XCloseDisplay(d);
    return 0;
}
