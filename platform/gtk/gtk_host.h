#pragma once
// What the GTK host's sources share. Not for the core, programs or their tests.

#include "../core/host.h"

#include <gtk/gtk.h>

struct Subsurface; // host_wayland.cpp

struct HostWindow {
    HWND window; // what events name to the core
    const PixelStore* store;
    GtkWidget* top;
    GtkWidget* menuBar; // NULL without a menu
    GtkWidget* client;
    bool clientMapped; // kept by the drawing area's map and unmap, so a tick need not ask GTK
    // The client's window found to take the store directly (host_upload.cpp), at this scale, with
    // its X display and id; forgotten when the drawing area loses its window.
    GdkWindow* target;
    int targetScale;
    void* targetDisplay;
    unsigned long targetId;
    // On Wayland, the client area's own surface while the drawing area is mapped.
    Subsurface* subsurface;
    bool allocationWatched;
    // The scale the compositor prefers for the client area's surface (in 120ths), where it offers
    // fractional scales; 0 elsewhere, where GTK's whole scale holds.
    int fractionalScale;
    guint scaleSource; // a GLib source that tells the core of a new scale, while one is due
    int menuBarHeight; // the least the bar takes, before any padding
};

// Whatever asks something of GTK, GDK or the display outside GLib's dispatch says so first: GLib
// has to look again before the loop waits (host_loop.cpp).
void HostChanged();
// The host window of a core window, or NULL.
HostWindow* FindHostWindow(HWND window);
// The display's connection, watched by the loop so that losing it is reported (host_window.cpp).
int DisplayConnection();
// Says in one line that the display went away, and ends the program with 1.
[[noreturn]] void ReportLostDisplay();

// Puts these device pixels of the store straight into the host's window; false where the host
// cannot take them so (then GTK draws them).
bool PutStoreOnHost(HostWindow* window, const RECT* boxes, int count);
// Wayland: the client area as a subsurface showing the store (host_wayland.cpp), made when the
// drawing area is mapped and gone when it is unmapped; false where there is none.
void AttachSubsurface(HostWindow* window);
void DetachSubsurface(HostWindow* window);
bool PutStoreOnSubsurface(HostWindow* window, const RECT* boxes, int count);
// The compositor prefers another scale for the client area: the core hears of it in GLib's next
// round (host_window.cpp), outside whatever the host is doing now.
void ScaleChangedLater(HostWindow* window);
// Reads what the display sent, when nothing of it is for GDK (such as the compositor handing a
// buffer back): true then; false, with GDK's events left queued for GLib's round, otherwise.
bool TakeOwnDisplayEvents();
// The logical pixels that hold a box of device pixels at this scale (in 120ths).
RECT LogicalBox(const RECT& device, int scale);
// The store's pixels as a cairo surface (with its device scale), for GTK to draw from.
cairo_surface_t* StoreSurface(const PixelStore& store);

// The client area: a drawing area whose accessible object is named `title` and holds the text
// that HostClientText gives it (host_accessible.cpp).
GtkWidget* NewClientArea(const char* title);

// Keys: GDK key values as virtual-key codes (0 for other keys), and X keycodes as scan codes (or
// else those of the virtual key).
UINT VirtualKeyFromKeyval(unsigned keyval);
UINT ScanCodeFromKeycode(unsigned keycode, UINT virtualKey);
// Takes the keys of the host's toplevel that the window's key handler would take, straight from
// the X events (nothing elsewhere).
void TakeHostKeys(GdkWindow* host, HostWindow* window);
