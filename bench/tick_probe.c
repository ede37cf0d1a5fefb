/* Watches one program's window on the X display for what each tick puts on it, and steers its
   one-cell snake round a loop in the middle of the board so that every tick moves it.

   tick_probe WINDOW BOARD_X BOARD_Y

   WINDOW is the X window with the program's title; BOARD_X, BOARD_Y the top-left outline pixel of
   the board in it. The pixels that reach the window are counted through the DAMAGE extension,
   each rectangle as it is drawn, at 4 bytes a pixel; the window's damage includes that of its
   child windows. Commands, one a line on
   standard input, each answered with one line on standard output:
     steer MS   MS milliseconds of steering: after each drawing the head is found again (the one
                green cell, from a row of pixels through each row of cells) and an arrow key is
                pressed (XTest) where the loop turns
     crash MS   no more keys, so the snake runs into a wall; returns once the head has not
                moved for MS milliseconds
     count MS   MS milliseconds of counting alone
   answer: damage_bytes=... damage_rects=... keys=... head_lost=... still_ms=... (how long the
   head had stayed where it was at the end: a steered snake that ran into a wall shows here) */

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { COLUMNS = 16, ROWS = 12, CELL = 50 };
/* The loop: the outline of the cells 5..10 x 4..7, clockwise. */
enum { LOOP_LEFT = 5, LOOP_RIGHT = 10, LOOP_TOP = 4, LOOP_BOTTOM = 7 };

static Display* display;
static Window target;
static int boardX, boardY, damageBase;
static int headX = 0, headY = 0;
static KeySym lastKey = XK_Right; /* the game starts heading right */

static double NowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

/* The one green cell; false if there is none (the window is not showing a board). */
static int FindHead(void) {
    for (int row = 0; row < ROWS; row++) {
        XImage* line = XGetImage(display, target, boardX, boardY + row * CELL + CELL / 2,
                                 COLUMNS * CELL, 1, AllPlanes, ZPixmap);
        if (line == NULL)
            return 0;
        for (int column = 0; column < COLUMNS; column++) {
            if ((XGetPixel(line, column * CELL + CELL / 2, 0) & 0xFFFFFF) == 0x00FF00) {
                XDestroyImage(line);
                headX = column, headY = row;
                return 1;
            }
        }
        XDestroyImage(line);
    }
    return 0;
}

static KeySym Heading(void) {
    int x = headX, y = headY;
    if (x < LOOP_LEFT)
        return XK_Right;
    if (x > LOOP_RIGHT)
        return XK_Left;
    if (y < LOOP_TOP)
        return XK_Down;
    if (y > LOOP_BOTTOM)
        return XK_Up;
    if (y == LOOP_TOP && x < LOOP_RIGHT)
        return XK_Right;
    if (x == LOOP_RIGHT && y < LOOP_BOTTOM)
        return XK_Down;
    if (y == LOOP_BOTTOM && x > LOOP_LEFT)
        return XK_Left;
    return XK_Up; /* the left side, or inside the loop */
}

static void Press(KeySym key) {
    KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    XFlush(display);
}

struct Counts {
    long long bytes;
    long rects, keys, lost;
    double stillMs;
};

/* Counts what is drawn for `ms`, or, with `stillMs` > 0, until the head stays for that long. */
static struct Counts Watch(double ms, double stillMs, int steer) {
    struct Counts counts = {0, 0, 0, 0, 0};
    double end = NowMs() + ms, lastMoved = NowMs();
    struct pollfd wait = {ConnectionNumber(display), POLLIN, 0};
    for (;;) {
        int drawn = 0;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != damageBase + XDamageNotify)
                continue;
            XDamageNotifyEvent* damage = (XDamageNotifyEvent*)&event;
            counts.bytes += 4LL * damage->area.width * damage->area.height;
            counts.rects++;
            drawn = 1;
        }
        double now = NowMs();
        int wasX = headX, wasY = headY;
        if (drawn && !FindHead())
            counts.lost++;
        if (headX != wasX || headY != wasY)
            lastMoved = now;
        if (drawn && steer) {
            if (Heading() != lastKey) {
                lastKey = Heading();
                Press(lastKey);
                counts.keys++;
            }
        }
        if (now >= end || (stillMs > 0 && now - lastMoved >= stillMs)) {
            counts.stillMs = now - lastMoved;
            return counts;
        }
        double left = end - now;
        if (stillMs > 0 && stillMs - (now - lastMoved) < left)
            left = stillMs - (now - lastMoved);
        poll(&wait, 1, (int)left + 1);
    }
}

static int IgnoreErrors(Display* unused, XErrorEvent* error) {
    (void)unused;
    (void)error;
    return 0; /* a window may vanish between two requests */
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: tick_probe WINDOW BOARD_X BOARD_Y\n");
        return 2;
    }
    target = (Window)strtoul(argv[1], NULL, 0);
    boardX = atoi(argv[2]);
    boardY = atoi(argv[3]);
    display = XOpenDisplay(NULL);
    int errorBase, major, minor;
    if (display == NULL || !XDamageQueryExtension(display, &damageBase, &errorBase) ||
        !XTestQueryExtension(display, &errorBase, &errorBase, &major, &minor)) {
        fprintf(stderr, "tick_probe: no display with DAMAGE and XTEST\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    XDamageCreate(display, target, XDamageReportRawRectangles);
    XSync(display, False);
    FindHead();
    char line[64];
    while (fgets(line, sizeof line, stdin) != NULL) {
        char command[16];
        double ms = 0;
        if (sscanf(line, "%15s %lf", command, &ms) != 2)
            continue;
        struct Counts counts;
        if (strcmp(command, "steer") == 0)
            counts = Watch(ms, 0, 1);
        else if (strcmp(command, "crash") == 0)
            counts = Watch(60000, ms, 0);
        else
            counts = Watch(ms, 0, 0);
        printf("damage_bytes=%lld damage_rects=%ld keys=%ld head_lost=%ld still_ms=%.0f\n",
               counts.bytes, counts.rects, counts.keys, counts.lost, counts.stillMs);
        fflush(stdout);
    }
    return 0;
}
