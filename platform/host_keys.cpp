// Keys on X11, taken from the X events before GDK translates them.
//
// For each key event GDK looks the key up in its own keymap, records the user's time on the window
// (a property change, whose notification wakes the program once more) and GTK hands the event
// round its widgets, until the toplevel's handler posts the message: several ticks' worth of work
// for one arrow key. The keys that handler takes (a virtual-key code, neither Alt nor Control, not
// F10) are taken here instead, from the core or the XInput 2 event, with the key value that the
// server's keymap gives for that state; every other key, and any key while GTK holds a grab (an
// open menu), goes on to GTK as before.

#include "layer_internal.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <gdk/gdkx.h>
#endif

namespace {
#ifdef GDK_WINDOWING_X11
int inputExtension = -1; // XInput's major opcode; 0 where the server has none

bool TakeKey(HWND window, Display* display, unsigned keycode, unsigned state, bool pressed) {
    if (state & (ControlMask | Mod1Mask))
        return false;
    KeySym keysym = NoSymbol;
    unsigned consumed;
    if (!XkbLookupKeySym(display, static_cast<KeyCode>(keycode), state, &consumed, &keysym))
        return false;
    UINT virtualKey = VirtualKeyFromKeyval(static_cast<unsigned>(keysym));
    if (virtualKey == 0 || virtualKey == VK_F10)
        return false;
    return PostKeyMessage(window, virtualKey, ScanCodeFromKeycode(keycode, virtualKey), pressed);
}

GdkFilterReturn FilterKey(GdkXEvent* native, GdkEvent*, gpointer window) {
    XEvent* event = static_cast<XEvent*>(native);
    if (gtk_grab_get_current() != NULL)
        return GDK_FILTER_CONTINUE;
    bool taken = false;
    if (event->type == KeyPress || event->type == KeyRelease) {
        taken = TakeKey(static_cast<HWND>(window), event->xkey.display, event->xkey.keycode,
                        event->xkey.state, event->type == KeyPress);
    } else if (event->type == GenericEvent && event->xcookie.extension == inputExtension &&
               event->xcookie.data != NULL &&
               (event->xcookie.evtype == XI_KeyPress || event->xcookie.evtype == XI_KeyRelease)) {
        // GDK has already fetched the event's data.
        const XIDeviceEvent* key = static_cast<const XIDeviceEvent*>(event->xcookie.data);
        unsigned state = XkbBuildCoreState(key->mods.effective, key->group.effective);
        taken = TakeKey(static_cast<HWND>(window), key->display, static_cast<unsigned>(key->detail),
                        state, key->evtype == XI_KeyPress);
    }
    return taken ? GDK_FILTER_REMOVE : GDK_FILTER_CONTINUE;
}
#endif
} // namespace

void TakeHostKeys(GdkWindow* host, HWND window) {
#ifdef GDK_WINDOWING_X11
    if (!GDK_IS_X11_WINDOW(host))
        return;
    if (inputExtension < 0) {
        int event, error;
        if (!XQueryExtension(GDK_WINDOW_XDISPLAY(host), "XInputExtension", &inputExtension, &event,
                             &error))
            inputExtension = 0;
    }
    gdk_window_add_filter(host, FilterKey, window);
#else
    (void)host;
    (void)window;
#endif
}
