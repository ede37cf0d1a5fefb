/* The floor for a tick of the running game: the least a program can do to show the same board
   with plain Xlib. A one-cell snake starts at the top-left cell heading right, as the game's does,
   steered by the arrow keys, on the same 16 x 12 board of 50-pixel cells with the food where the
   native game's first food lies. The whole client area is a MIT-SHM image; at each tick of a
   timerfd it moves the head, rewrites the two cells that changed in the image, uploads just those
   two rectangles, draws the score line with a server font and flushes once. At a wall the game is
   over and ticks draw nothing; Return starts a new game, as the game's New Game does.

   reference_tick [INTERVAL_MS]     default 250 */

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>

#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/timerfd.h>
#include <unistd.h>

enum { COLUMNS = 16, ROWS = 12, CELL = 50, WIDTH = COLUMNS * CELL, HEIGHT = ROWS * CELL };
enum { FOOD_X = 1804289383 % COLUMNS, FOOD_Y = 846930886 % ROWS };
static const uint32_t WHITE = 0xFFFFFF, GREEN = 0x00FF00, RED = 0xFF0000, BLACK = 0;

static XImage* image;

static void FillCell(int column, int row, uint32_t fill) {
    for (int y = 0; y < CELL; y++) {
        uint32_t* line =
            (uint32_t*)(image->data + (size_t)(row * CELL + y) * image->bytes_per_line);
        for (int x = 0; x < CELL; x++) {
            int edge = x == 0 || y == 0 || x == CELL - 1 || y == CELL - 1;
            line[column * CELL + x] = edge ? BLACK : fill;
        }
    }
}

static uint32_t CellFill(int column, int row, int headX, int headY) {
    if (column == headX && row == headY)
        return GREEN;
    return column == FOOD_X && row == FOOD_Y ? RED : WHITE;
}

int main(int argc, char** argv) {
    long interval = argc > 1 ? atol(argv[1]) : 250;
    Display* display = XOpenDisplay(NULL);
    if (display == NULL || !XShmQueryExtension(display)) {
        fprintf(stderr, "reference_tick: no display with MIT-SHM\n");
        return 2;
    }
    int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, WIDTH, HEIGHT,
                                        0, BLACK, WHITE);
    XStoreName(display, window, "Reference");
    XSelectInput(display, window, ExposureMask | KeyPressMask);
    XSizeHints hints = {.flags = PMinSize | PMaxSize,
                        .min_width = WIDTH,
                        .max_width = WIDTH,
                        .min_height = HEIGHT,
                        .max_height = HEIGHT};
    XSetWMNormalHints(display, window, &hints);

    XShmSegmentInfo segment;
    image = XShmCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, NULL, &segment,
                            WIDTH, HEIGHT);
    segment.shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * HEIGHT, IPC_CREAT | 0600);
    segment.shmaddr = image->data = shmat(segment.shmid, NULL, 0);
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, NULL); /* freed when both ends detach */

    int headX = 0, headY = 0, dx = 1, dy = 0, over = 0;
    for (int row = 0; row < ROWS; row++)
        for (int column = 0; column < COLUMNS; column++)
            FillCell(column, row, CellFill(column, row, headX, headY));
    GC gc = XCreateGC(display, window, 0, NULL);
    XFontStruct* font = XLoadQueryFont(display, "fixed");
    if (font != NULL)
        XSetFont(display, gc, font->fid);
    XSetForeground(display, gc, BLACK);
    XSetBackground(display, gc, WHITE);
    static const char SCORE[] = "Score: 0";
    int ascent = font != NULL ? font->ascent : 12;
    XMapWindow(display, window);

    int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    struct itimerspec every = {{interval / 1000, interval % 1000 * 1000000},
                               {interval / 1000, interval % 1000 * 1000000}};
    timerfd_settime(timer, 0, &every, NULL);
    struct pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {timer, POLLIN, 0}};
    XFlush(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == Expose && event.xexpose.count == 0) {
                XShmPutImage(display, window, gc, image, 0, 0, 0, 0, WIDTH, HEIGHT, False);
                XDrawImageString(display, window, gc, 0, ascent, SCORE, sizeof SCORE - 1);
            } else if (event.type == KeyPress) {
                KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Return) {
                    FillCell(headX, headY, CellFill(headX, headY, 0, 0));
                    FillCell(0, 0, GREEN);
                    XShmPutImage(display, window, gc, image, headX * CELL, headY * CELL,
                                 headX * CELL, headY * CELL, CELL, CELL, False);
                    XShmPutImage(display, window, gc, image, 0, 0, 0, 0, CELL, CELL, False);
                    XDrawImageString(display, window, gc, 0, ascent, SCORE, sizeof SCORE - 1);
                    headX = headY = over = 0, dx = 1, dy = 0;
                } else if (key == XK_Left || key == XK_Right)
                    dx = key == XK_Left ? -1 : 1, dy = 0;
                else if (key == XK_Up || key == XK_Down)
                    dx = 0, dy = key == XK_Up ? -1 : 1;
            }
        }
        XFlush(display);
        if (poll(waits, 2, -1) < 0)
            continue;
        uint64_t expirations;
        if (!(waits[1].revents & POLLIN) || read(timer, &expirations, sizeof expirations) <= 0 ||
            over)
            continue;
        int x = headX + dx, y = headY + dy;
        if (x < 0 || y < 0 || x >= COLUMNS || y >= ROWS) {
            over = 1;
            continue;
        }
        FillCell(headX, headY, CellFill(headX, headY, x, y));
        FillCell(x, y, GREEN);
        XShmPutImage(display, window, gc, image, headX * CELL, headY * CELL, headX * CELL,
                     headY * CELL, CELL, CELL, False);
        XShmPutImage(display, window, gc, image, x * CELL, y * CELL, x * CELL, y * CELL, CELL, CELL,
                     False);
        XDrawImageString(display, window, gc, 0, ascent, SCORE, sizeof SCORE - 1);
        headX = x, headY = y;
    }
}
