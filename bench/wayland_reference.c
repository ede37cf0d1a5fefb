/* The floor for a tick of the running game on Wayland: the least a program can do to show the same
   board with plain wayland-client, as reference_tick does with Xlib. A one-cell snake starts at
   the top-left cell heading right, as the game's does, steered by the arrow keys, on the same
   16 x 12 board of 50-pixel cells with the food where the native game's first food lies. The
   window is one xdg_toplevel of 800 x 600 whose surface shows two wl_shm buffers in turn, each
   taken again once the compositor has released it. At each tick of a timerfd it moves the head,
   rewrites in a free buffer the cells that changed since that buffer was last shown, attaches it,
   damages the two cells of this tick (damage_buffer) and commits. At a wall the game is over and
   ticks commit nothing; Return starts a new game, as the game's New Game does. There is no score
   line: Wayland has no server font, and the game draws its line only when the score changes.

   wayland_reference [INTERVAL_MS [RESIDENT_KIB]]     default 250 and 0

   With RESIDENT_KIB it also holds that much more memory resident, written once at the start and
   never touched again: the floor at the size of a bigger program, such as one linked with GTK. */

#define _GNU_SOURCE /* memfd_create */
#include "xdg-shell-client-protocol.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <wayland-client.h>

enum { COLUMNS = 16, ROWS = 12, CELL = 50, WIDTH = COLUMNS * CELL, HEIGHT = ROWS * CELL };
enum { FOOD_X = 1804289383 % COLUMNS, FOOD_Y = 846930886 % ROWS };
enum { BUFFERS = 2, MAX_STALE = 8 };
static const uint32_t WHITE = 0xFFFFFF, GREEN = 0x00FF00, RED = 0xFF0000, BLACK = 0;

struct Buffer {
    struct wl_buffer* buffer;
    uint32_t* pixels;
    int busy;                /* the compositor reads it until it releases it */
    int stale[MAX_STALE][2]; /* cells changed since it was last brought up to date */
    int staleCount;          /* MAX_STALE + 1: all of them */
};

static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct xdg_wm_base* shell;
static struct wl_seat* seat;
static struct wl_keyboard* keyboard;
static struct wl_surface* surface;
static void* heldMemory; /* RESIDENT_KIB */
static struct Buffer buffers[BUFFERS];
static int configured, closed, pending;
static int headX = 0, headY = 0, dx = 1, dy = 0, over = 0;
static int damage[MAX_STALE][2], damageCount; /* the cells not yet committed; MAX_STALE + 1: all */

static void FillCell(uint32_t* pixels, int column, int row, uint32_t fill) {
    for (int y = 0; y < CELL; y++) {
        uint32_t* line = pixels + (size_t)(row * CELL + y) * WIDTH + column * CELL;
        for (int x = 0; x < CELL; x++) {
            int edge = x == 0 || y == 0 || x == CELL - 1 || y == CELL - 1;
            line[x] = edge ? BLACK : fill;
        }
    }
}

static uint32_t CellFill(int column, int row) {
    if (column == headX && row == headY)
        return GREEN;
    return column == FOOD_X && row == FOOD_Y ? RED : WHITE;
}

/* Marks a cell changed in every buffer, and in this tick's damage. */
static void Changed(int column, int row) {
    for (int i = 0; i < BUFFERS; i++) {
        struct Buffer* b = &buffers[i];
        if (b->staleCount < MAX_STALE)
            b->stale[b->staleCount][0] = column, b->stale[b->staleCount][1] = row;
        if (b->staleCount <= MAX_STALE)
            b->staleCount++;
    }
    if (damageCount < MAX_STALE)
        damage[damageCount][0] = column, damage[damageCount][1] = row;
    if (damageCount <= MAX_STALE)
        damageCount++;
}

/* Shows the change in a free buffer; with none free, once the compositor releases one. */
static void Show(void) {
    struct Buffer* b = NULL;
    for (int i = 0; i < BUFFERS && b == NULL; i++)
        if (!buffers[i].busy)
            b = &buffers[i];
    if (b == NULL || !configured) {
        pending = 1;
        return;
    }
    if (b->staleCount > MAX_STALE) {
        for (int row = 0; row < ROWS; row++)
            for (int column = 0; column < COLUMNS; column++)
                FillCell(b->pixels, column, row, CellFill(column, row));
    } else {
        for (int i = 0; i < b->staleCount; i++)
            FillCell(b->pixels, b->stale[i][0], b->stale[i][1],
                     CellFill(b->stale[i][0], b->stale[i][1]));
    }
    wl_surface_attach(surface, b->buffer, 0, 0);
    if (damageCount > MAX_STALE)
        wl_surface_damage_buffer(surface, 0, 0, WIDTH, HEIGHT);
    else
        for (int i = 0; i < damageCount; i++)
            wl_surface_damage_buffer(surface, damage[i][0] * CELL, damage[i][1] * CELL, CELL, CELL);
    wl_surface_commit(surface);
    b->busy = 1;
    b->staleCount = 0;
    damageCount = 0;
    pending = 0;
}

static void OnRelease(void* data, struct wl_buffer* buffer) {
    (void)buffer;
    ((struct Buffer*)data)->busy = 0;
    if (pending)
        Show();
}
static const struct wl_buffer_listener BUFFER_LISTENER = {OnRelease};

static void OnPing(void* data, struct xdg_wm_base* base, uint32_t serial) {
    (void)data;
    xdg_wm_base_pong(base, serial);
}
static const struct xdg_wm_base_listener SHELL_LISTENER = {OnPing};

static void OnSurfaceConfigure(void* data, struct xdg_surface* xdgSurface, uint32_t serial) {
    (void)data;
    xdg_surface_ack_configure(xdgSurface, serial);
    if (!configured) {
        configured = 1;
        damageCount = MAX_STALE + 1; /* the first picture: all of it */
        Show();
    }
}
static const struct xdg_surface_listener XDG_SURFACE_LISTENER = {OnSurfaceConfigure};

static void OnToplevelConfigure(void* data, struct xdg_toplevel* toplevel, int32_t width,
                                int32_t height, struct wl_array* states) {
    (void)data, (void)toplevel, (void)width, (void)height, (void)states; /* the size is fixed */
}
static void OnClose(void* data, struct xdg_toplevel* toplevel) {
    (void)data, (void)toplevel;
    closed = 1;
}
static const struct xdg_toplevel_listener TOPLEVEL_LISTENER = {.configure = OnToplevelConfigure,
                                                               .close = OnClose};

static void OnKeymap(void* data, struct wl_keyboard* k, uint32_t format, int fd, uint32_t size) {
    (void)data, (void)k, (void)format, (void)size;
    close(fd); /* the keys are read as evdev codes */
}
static void OnEnter(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s,
                    struct wl_array* keys) {
    (void)data, (void)k, (void)serial, (void)s, (void)keys;
}
static void OnLeave(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s) {
    (void)data, (void)k, (void)serial, (void)s;
}
static void OnKey(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t time, uint32_t key,
                  uint32_t state) {
    (void)data, (void)k, (void)serial, (void)time;
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED)
        return;
    if (key == KEY_ENTER) {
        int oldX = headX, oldY = headY;
        headX = headY = over = 0, dx = 1, dy = 0;
        Changed(oldX, oldY);
        Changed(0, 0);
        Show();
    } else if (key == KEY_LEFT || key == KEY_RIGHT)
        dx = key == KEY_LEFT ? -1 : 1, dy = 0;
    else if (key == KEY_UP || key == KEY_DOWN)
        dx = 0, dy = key == KEY_UP ? -1 : 1;
}
static void OnModifiers(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t depressed,
                        uint32_t latched, uint32_t locked, uint32_t group) {
    (void)data, (void)k, (void)serial, (void)depressed, (void)latched, (void)locked, (void)group;
}
static void OnRepeatInfo(void* data, struct wl_keyboard* k, int32_t rate, int32_t delay) {
    (void)data, (void)k, (void)rate, (void)delay;
}
static const struct wl_keyboard_listener KEYBOARD_LISTENER = {OnKeymap, OnEnter,     OnLeave,
                                                              OnKey,    OnModifiers, OnRepeatInfo};

static void OnCapabilities(void* data, struct wl_seat* s, uint32_t capabilities) {
    (void)data;
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard == NULL) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &KEYBOARD_LISTENER, NULL);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard != NULL) {
        wl_keyboard_release(keyboard);
        keyboard = NULL;
    }
}
static void OnSeatName(void* data, struct wl_seat* s, const char* name) {
    (void)data, (void)s, (void)name;
}
static const struct wl_seat_listener SEAT_LISTENER = {OnCapabilities, OnSeatName};

static void OnGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_compositor_interface.name) == 0 && version >= 4)
        compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (strcmp(interface, xdg_wm_base_interface.name) == 0)
        shell = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5);
        wl_seat_add_listener(seat, &SEAT_LISTENER, NULL);
    }
}
static void OnGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener REGISTRY_LISTENER = {OnGlobal, OnGlobalRemove};

int main(int argc, char** argv) {
    long interval = argc > 1 ? atol(argv[1]) : 250;
    long residentKib = argc > 2 ? atol(argv[2]) : 0;
    if (residentKib > 0) {
        size_t bytes = (size_t)residentKib * 1024;
        heldMemory = mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (heldMemory != MAP_FAILED)
            memset(heldMemory, 1, bytes);
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "wayland_reference: no Wayland display\n");
        return 2;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, NULL);
    wl_display_roundtrip(display);
    if (compositor == NULL || shm == NULL || shell == NULL) {
        fprintf(stderr, "wayland_reference: no wl_compositor 4, wl_shm or xdg_wm_base\n");
        return 2;
    }
    xdg_wm_base_add_listener(shell, &SHELL_LISTENER, NULL);

    size_t size = (size_t)WIDTH * HEIGHT * 4;
    int fd = memfd_create("wayland_reference", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, (off_t)(size * BUFFERS)) < 0) {
        fprintf(stderr, "wayland_reference: no shared memory\n");
        return 2;
    }
    uint32_t* memory = mmap(NULL, size * BUFFERS, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)(size * BUFFERS));
    for (int i = 0; i < BUFFERS; i++) {
        buffers[i].pixels = memory + (size_t)i * WIDTH * HEIGHT;
        buffers[i].buffer = wl_shm_pool_create_buffer(pool, (int32_t)(size * i), WIDTH, HEIGHT,
                                                      WIDTH * 4, WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffers[i].buffer, &BUFFER_LISTENER, &buffers[i]);
        buffers[i].staleCount = MAX_STALE + 1;
    }
    wl_shm_pool_destroy(pool);
    close(fd);

    surface = wl_compositor_create_surface(compositor);
    struct xdg_surface* xdgSurface = xdg_wm_base_get_xdg_surface(shell, surface);
    xdg_surface_add_listener(xdgSurface, &XDG_SURFACE_LISTENER, NULL);
    struct xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdgSurface);
    xdg_toplevel_add_listener(toplevel, &TOPLEVEL_LISTENER, NULL);
    xdg_toplevel_set_title(toplevel, "Reference");
    xdg_toplevel_set_min_size(toplevel, WIDTH, HEIGHT);
    xdg_toplevel_set_max_size(toplevel, WIDTH, HEIGHT);
    wl_surface_commit(surface); /* no buffer: asks for the first configure */

    int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    struct itimerspec every = {{interval / 1000, interval % 1000 * 1000000},
                               {interval / 1000, interval % 1000 * 1000000}};
    timerfd_settime(timer, 0, &every, NULL);
    struct pollfd waits[2] = {{wl_display_get_fd(display), POLLIN, 0}, {timer, POLLIN, 0}};
    while (!closed) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        if (poll(waits, 2, -1) < 0) {
            wl_display_cancel_read(display);
            continue;
        }
        if (waits[0].revents & POLLIN) {
            if (wl_display_read_events(display) < 0)
                return 1; /* the compositor has gone */
        } else
            wl_display_cancel_read(display);
        if ((waits[0].revents & (POLLERR | POLLHUP)) || wl_display_dispatch_pending(display) < 0)
            return 1;
        uint64_t expirations;
        if (!(waits[1].revents & POLLIN) || read(timer, &expirations, sizeof expirations) <= 0 ||
            over)
            continue;
        int x = headX + dx, y = headY + dy;
        if (x < 0 || y < 0 || x >= COLUMNS || y >= ROWS) {
            over = 1;
            continue;
        }
        int oldX = headX, oldY = headY;
        headX = x, headY = y;
        Changed(oldX, oldY);
        Changed(x, y);
        Show();
    }
    return 0;
}
