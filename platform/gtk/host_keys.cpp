// Keys: GDK's key values as virtual keys, X keycodes as PC scan codes, and on X11 the keys taken
// from the X events before GDK translates them.
//
// For each key event GDK looks the key up in its own keymap, records the user's time on the window
// (a property change, whose notification wakes the program once more) and GTK hands the event
// round its widgets, until the toplevel's handler posts the message: several ticks' worth of work
// for one arrow key. The keys that handler takes (a virtual-key code, neither Alt nor Control, not
// F10) are taken here instead, from the core or the XInput 2 event, with the key value that the
// server's keymap gives for that state; every other key, and any key while GTK holds a grab (an
// open menu), goes on to GTK as before.

#include "gtk_host.h"

#ifdef GDK_WINDOWING_X11
#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <gdk/gdkx.h>
#endif

namespace {
// One row per key or range of keys: GDK keyval -> virtual-key code.
struct KeyMapping {
    guint firstKeyval;
    guint lastKeyval;
    UINT firstVirtualKey;
};
const KeyMapping KEY_TABLE[] = {
    {GDK_KEY_Left, GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_Up, GDK_KEY_Up, VK_UP},
    {GDK_KEY_Right, GDK_KEY_Right, VK_RIGHT},
    {GDK_KEY_Down, GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_KP_Left, GDK_KEY_KP_Left, VK_LEFT},
    {GDK_KEY_KP_Up, GDK_KEY_KP_Up, VK_UP},
    {GDK_KEY_KP_Right, GDK_KEY_KP_Right, VK_RIGHT},
    {GDK_KEY_KP_Down, GDK_KEY_KP_Down, VK_DOWN},
    {GDK_KEY_Return, GDK_KEY_Return, VK_RETURN},
    {GDK_KEY_KP_Enter, GDK_KEY_KP_Enter, VK_RETURN},
    {GDK_KEY_Escape, GDK_KEY_Escape, VK_ESCAPE},
    {GDK_KEY_space, GDK_KEY_space, VK_SPACE},
    {GDK_KEY_F10, GDK_KEY_F10, VK_F10},
    {GDK_KEY_0, GDK_KEY_9, '0'},
    {GDK_KEY_A, GDK_KEY_Z, 'A'},
    {GDK_KEY_a, GDK_KEY_z, 'A'},
};
// X keycodes as scan codes: the evdev keycode is the Linux input code plus 8, and the codes of
// the main block and keypad (1-88) are the PC scan codes; the rest are extended keys.
const int FIRST_KEYCODE = 9, LAST_MAIN_KEYCODE = 96;
struct ExtendedKey {
    unsigned keycode;
    UINT scanCode;
};
const ExtendedKey EXTENDED_KEYS[] = {
    {104, 0x11C}, {105, 0x11D}, {106, 0x135}, {107, 0x137}, {108, 0x138}, {110, 0x147},
    {111, 0x148}, {112, 0x149}, {113, 0x14B}, {114, 0x14D}, {115, 0x14F}, {116, 0x150},
    {117, 0x151}, {118, 0x152}, {119, 0x153}, {133, 0x15B}, {134, 0x15C}, {135, 0x15D},
};

#ifdef GDK_WINDOWING_X11
int inputExtension = -1; // XInput's major opcode; 0 where the server has none

bool TakeKey(HostWindow* host, Display* display, unsigned keycode, unsigned state, bool pressed) {
    if (state & (ControlMask | Mod1Mask))
        return false;
    KeySym keysym = NoSymbol;
    unsigned consumed;
    if (!XkbLookupKeySym(display, static_cast<KeyCode>(keycode), state, &consumed, &keysym))
        return false;
    // A key the program does not take (F10, one without a virtual key) goes on to GTK.
    UINT virtualKey = VirtualKeyFromKeyval(static_cast<unsigned>(keysym));
    return CoreKey(host->window, virtualKey, ScanCodeFromKeycode(keycode, virtualKey), pressed);
}

GdkFilterReturn FilterKey(GdkXEvent* native, GdkEvent*, gpointer data) {
    HostWindow* host = static_cast<HostWindow*>(data);
    XEvent* event = static_cast<XEvent*>(native);
    if (gtk_grab_get_current() != NULL)
        return GDK_FILTER_CONTINUE;
    bool taken = false;
    if (event->type == KeyPress || event->type == KeyRelease) {
        taken = TakeKey(host, event->xkey.display, event->xkey.keycode, event->xkey.state,
                        event->type == KeyPress);
    } else if (event->type == GenericEvent && event->xcookie.extension == inputExtension &&
               event->xcookie.data != NULL &&
               (event->xcookie.evtype == XI_KeyPress || event->xcookie.evtype == XI_KeyRelease)) {
        // GDK has already fetched the event's data.
        const XIDeviceEvent* key = static_cast<const XIDeviceEvent*>(event->xcookie.data);
        unsigned state = XkbBuildCoreState(key->mods.effective, key->group.effective);
        taken = TakeKey(host, key->display, static_cast<unsigned>(key->detail), state,
                        key->evtype == XI_KeyPress);
    }
    return taken ? GDK_FILTER_REMOVE : GDK_FILTER_CONTINUE;
}
#endif
} // namespace

UINT ScanCodeFromKeycode(unsigned keycode, UINT virtualKey) {
    if (keycode >= FIRST_KEYCODE && keycode <= LAST_MAIN_KEYCODE)
        return keycode - 8;
    for (const ExtendedKey& key : EXTENDED_KEYS)
        if (key.keycode == keycode)
            return key.scanCode;
    return CoreScanCode(virtualKey);
}

UINT VirtualKeyFromKeyval(unsigned keyval) {
    for (const KeyMapping& row : KEY_TABLE)
        if (keyval >= row.firstKeyval && keyval <= row.lastKeyval)
            return row.firstVirtualKey + (keyval - row.firstKeyval);
    return 0;
}

void TakeHostKeys(GdkWindow* own, HostWindow* host) {
#ifdef GDK_WINDOWING_X11
    if (!GDK_IS_X11_WINDOW(own))
        return;
    if (inputExtension < 0) {
        int event, error;
        if (!XQueryExtension(GDK_WINDOW_XDISPLAY(own), "XInputExtension", &inputExtension, &event,
                             &error))
            inputExtension = 0;
    }
    gdk_window_add_filter(own, FilterKey, host);
#else
    (void)own;
    (void)host;
#endif
}
