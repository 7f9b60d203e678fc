/* Does to an X window what a window manager or a user would, for tests that
 * run under a bare X server with no window manager:
 *   x_poke close WINDOW     ask the window to close (WM_DELETE_WINDOW)
 *   x_poke minimise WINDOW  mark it hidden, as a window manager does on minimise
 *   x_poke restore WINDOW   clear that mark again
 * and what a monitor would to the display's list of modes (RandR):
 *   x_poke add-modes WxH@HZ... [--set WxH@HZ]
 *                           offer these modes too, and switch to one of them;
 *                           they stay until the server ends (run it -noreset)
 *   x_poke mode             print the mode in force, as WxH@HZ
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
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

/* The rate as SDL computes it from a mode line. */
static int modeRate(const XRRModeInfo* mode) {
    const double total = (double)mode->hTotal * mode->vTotal;
    return total > 0 ? (int)(mode->dotClock / total + 0.5) : 0;
}

static const XRRModeInfo* findModeInfo(const XRRScreenResources* resources, RRMode id) {
    for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].id == id)
            return &resources->modes[i];
    return NULL;
}

static int printMode(Display* display, XRRScreenResources* resources, RROutput output) {
    XRROutputInfo* info = XRRGetOutputInfo(display, resources, output);
    XRRCrtcInfo* crtc = info && info->crtc ? XRRGetCrtcInfo(display, resources, info->crtc) : NULL;
    const XRRModeInfo* mode = crtc ? findModeInfo(resources, crtc->mode) : NULL;
    if (mode == NULL)
        return 1;
    printf("%ux%u@%d\n", mode->width, mode->height, modeRate(mode));
    return 0;
}

/* Adds WxH@HZ modes to the output; switches to the one after --set. */
static int addModes(Display* display, XRRScreenResources* resources, RROutput output, int count,
                    char** specs) {
    Window root = DefaultRootWindow(display);
    RRMode setMode = None;
    for (int i = 0; i < count; ++i) {
        const int isSet = strcmp(specs[i], "--set") == 0;
        if (isSet && ++i >= count)
            return 2;
        unsigned width, height, rate;
        char name[64];
        if (sscanf(specs[i], "%ux%u@%u", &width, &height, &rate) != 3 || rate == 0)
            return 2;
        snprintf(name, sizeof name, "%ux%u_%u", width, height, rate);
        XRRModeInfo info;
        memset(&info, 0, sizeof info);
        info.width = width;
        info.height = height;
        info.hSyncStart = width + 8;
        info.hSyncEnd = width + 16;
        info.hTotal = width + 32;
        info.vSyncStart = height + 1;
        info.vSyncEnd = height + 2;
        info.vTotal = height + 4;
        info.dotClock = (unsigned long)info.hTotal * info.vTotal * rate;
        info.name = name;
        info.nameLength = (unsigned)strlen(name);
        RRMode mode = XRRCreateMode(display, root, &info);
        XRRAddOutputMode(display, output, mode);
        if (isSet)
            setMode = mode;
    }
    if (setMode == None)
        return 0;
    XRROutputInfo* info = XRRGetOutputInfo(display, resources, output);
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, info->crtc);
    return XRRSetCrtcConfig(display, resources, info->crtc, CurrentTime, crtc->x, crtc->y, setMode,
                            crtc->rotation, &output, 1) == Success
               ? 0
               : 1;
}

int main(int argc, char** argv) {
    const int modes = argc >= 2 && (strcmp(argv[1], "mode") == 0 ||
                                    (strcmp(argv[1], "add-modes") == 0 && argc >= 3));
    if (argc != 3 && !modes) {
        fprintf(stderr, "usage: x_poke close|minimise|restore WINDOW\n"
                        "       x_poke add-modes WxH@HZ... [--set WxH@HZ]\n"
                        "       x_poke mode\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "x_poke: cannot open the display\n");
        return 1;
    }
    if (modes) {
        XRRScreenResources* resources = XRRGetScreenResources(display, DefaultRootWindow(display));
        int result = 1;
        if (resources != NULL && resources->noutput > 0)
            result = strcmp(argv[1], "mode") == 0
                         ? printMode(display, resources, resources->outputs[0])
                         : addModes(display, resources, resources->outputs[0], argc - 2, argv + 2);
        XSync(display, False);
        XCloseDisplay(display);
        return result;
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
