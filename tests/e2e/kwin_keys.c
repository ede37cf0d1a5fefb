/* Types keys on KWin through its fake input protocol, as a player would.
 *
 * Reads lines of key names (X keysym names: Up, Down, Left, Right, Return,
 * Escape, F10, Shift_L) from standard input, presses and releases each in
 * turn, 30 ms apart, and answers "ok" once KWin has taken them, or "unknown
 * NAME". One process serves a whole test run: KWin gives the seat its
 * keyboard while this client is connected, and a keyboard that came and went
 * for every line could cost a client its first key. */

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static const struct {
    const char* name;
    unsigned code;
} KEYS[] = {
    {"Up", KEY_UP},        {"Down", KEY_DOWN},  {"Left", KEY_LEFT}, {"Right", KEY_RIGHT},
    {"Return", KEY_ENTER}, {"Escape", KEY_ESC}, {"F10", KEY_F10},   {"Shift_L", KEY_LEFTSHIFT},
};

static struct org_kde_kwin_fake_input* fakeInput;

static void Global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void GlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener REGISTRY_LISTENER = {Global, GlobalRemove};

static void Pause(void) {
    struct timespec delay = {0, 30 * 1000 * 1000};
    nanosleep(&delay, NULL);
}

static int Code(const char* name) {
    for (size_t i = 0; i < sizeof KEYS / sizeof KEYS[0]; i++)
        if (strcmp(KEYS[i].name, name) == 0)
            return (int)KEYS[i].code;
    return -1;
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "kwin_keys: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, NULL);
    wl_display_roundtrip(display);
    if (fakeInput == NULL) {
        fprintf(stderr, "kwin_keys: the compositor offers no org_kde_kwin_fake_input 4\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "Slithergrid tests",
                                         "types keys into the game");
    if (wl_display_roundtrip(display) < 0)
        return 1;
    printf("ready\n");
    fflush(stdout);

    char line[1024];
    while (fgets(line, sizeof line, stdin) != NULL) {
        const char* unknown = NULL;
        for (char* name = strtok(line, " \t\n"); name != NULL; name = strtok(NULL, " \t\n")) {
            int code = Code(name);
            if (code < 0) {
                unknown = name;
                break;
            }
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, WL_KEYBOARD_KEY_STATE_RELEASED);
            wl_display_flush(display);
            Pause();
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        if (unknown != NULL)
            printf("unknown %s\n", unknown);
        else
            printf("ok\n");
        fflush(stdout);
    }
    return 0;
}
