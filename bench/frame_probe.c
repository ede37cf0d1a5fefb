/* Watches the X display for the first top-level window with this title and
   reports, in milliseconds after START_NS (CLOCK_REALTIME nanoseconds, as
   `date +%s%N` gives), when it was first mapped and when its pixels first
   showed content: any pure red pixel (the food cell of a painted board) or,
   with "any", any pixel that is not black. Polls every millisecond.

   frame_probe TITLE red|any START_NS [TIMEOUT_S]
   prints: map_ms=... frame_ms=... window=0x... */

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double NowMs(long long startNs) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return ((double)now.tv_sec * 1e9 + (double)now.tv_nsec - (double)startNs) / 1e6;
}

static int HasTitle(Display* display, Window window, const char* title) {
    char* name = NULL;
    int same = 0;
    if (XFetchName(display, window, &name) && name != NULL) {
        same = strcmp(name, title) == 0;
        XFree(name);
    }
    return same;
}

/* Depth-first over the tree: with a window manager the client sits inside a frame. */
static Window FindViewable(Display* display, Window parent, const char* title) {
    Window root, up, *children = NULL;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count && found == 0; i++) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        if (HasTitle(display, children[i], title))
            found = children[i];
        else
            found = FindViewable(display, children[i], title);
    }
    if (children != NULL)
        XFree(children);
    return found;
}

static int ShowsContent(Display* display, Window window, int wantRed) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return 0;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                              (unsigned)attributes.height, AllPlanes, ZPixmap);
    if (image == NULL)
        return 0;
    int seen = 0;
    for (int y = 0; y < image->height && !seen; y++) {
        for (int x = 0; x < image->width && !seen; x++) {
            unsigned long pixel = XGetPixel(image, x, y) & 0xFFFFFF;
            seen = wantRed ? pixel == 0xFF0000 : pixel != 0;
        }
    }
    XDestroyImage(image);
    return seen;
}

static int IgnoreErrors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0; /* a window may vanish between two requests */
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: frame_probe TITLE red|any START_NS [TIMEOUT_S]\n");
        return 2;
    }
    const char* title = argv[1];
    int wantRed = strcmp(argv[2], "red") == 0;
    long long startNs = atoll(argv[3]);
    double timeoutMs = (argc > 4 ? atof(argv[4]) : 60) * 1000;
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "frame_probe: no display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    struct timespec pause = {0, 1000000};
    Window window = 0;
    double mapMs = -1;
    while (NowMs(startNs) < timeoutMs) {
        if (window == 0) {
            window = FindViewable(display, DefaultRootWindow(display), title);
            if (window != 0)
                mapMs = NowMs(startNs);
        }
        if (window != 0 && ShowsContent(display, window, wantRed)) {
            printf("map_ms=%.0f frame_ms=%.0f window=0x%lx\n", mapMs, NowMs(startNs), window);
            return 0;
        }
        nanosleep(&pause, NULL);
    }
    fprintf(stderr, "frame_probe: no %s frame of \"%s\" within the timeout\n", argv[2], title);
    return 1;
}
