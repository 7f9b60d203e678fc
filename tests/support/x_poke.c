/* Does to an X window what a window manager or a user would, for tests that
 * run under a bare X server with no window manager:
 *   x_poke close WINDOW     ask the window to close (WM_DELETE_WINDOW)
 *   x_poke minimise WINDOW  mark it hidden, as a window manager does on minimise
 *   x_poke restore WINDOW   clear that mark again
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int setHidden(Display* display, Window window, int hidden) {
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom hiddenAtom = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    Atom wmState = XInternAtom(display, "WM_STATE", False);
    long iconic[2] = {hidden ? 3 /* IconicState */ : 1 /* NormalState */, None};
    XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace, (unsigned char*)iconic,
                    2);
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    (unsigned char*)&hiddenAtom, hidden ? 1 : 0);
    return 0;
}

static int requestClose(Display* display, Window window) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    return XSendEvent(display, window, False, NoEventMask, &event) ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: x_poke close|minimise|restore WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "x_poke: cannot open the display\n");
        return 1;
    }
    Window window = (Window)strtoul(argv[2], NULL, 0);
    int result;
    if (strcmp(argv[1], "close") == 0)
        result = requestClose(display, window);
    else if (strcmp(argv[1], "minimise") == 0)
        result = setHidden(display, window, 1);
    else if (strcmp(argv[1], "restore") == 0)
        result = setHidden(display, window, 0);
    else
        result = 2;
    XSync(display, False);
    XCloseDisplay(display);
    return result;
}
