#pragma once
// The one interface between the layer's core and a host. The core is Win32 as a program sees it;
// a host shows windows, draws text, waits and keeps time, and decides nothing about Win32. A host
// implements the Host* calls below and hands its events back through the Core* calls at the end,
// and nothing else passes between them.
//
// Everything runs on the program's one thread. Coordinates are device pixels unless a name says
// logical. A device scale counts device pixels per logical pixel in 120ths, as Wayland's
// fractional scale does (120 is 1, 180 is 1.5); logical coordinates become device pixels only
// through CoreDevicePixels. Text that the core hands a host is Windows-1252, as a Win32 program
// writes it (CoreTextToUtf8 converts).

#include <windows.h>

#include <stdint.h>

#include <string>

const int SCALE_UNIT = 120; // a device scale of 1
const int MIN_DEVICE_SCALE = SCALE_UNIT / 2;
const int MAX_DEVICE_SCALE = 8 * SCALE_UNIT;

// A window's client area, or an off-screen surface: 32-bit pixels 0x00RRGGBB in the machine's
// byte order, `stride` pixels from one row to the next.
struct PixelStore {
    int width, height; // device pixels
    int stride;
    int scale; // in 120ths, MIN_DEVICE_SCALE to MAX_DEVICE_SCALE
    uint32_t* pixels;
    void* hostData; // the host's, when the host made the pixels
};

struct HostWindow; // each host's own

// Where a line of text lies relative to its pen position (the line box's top-left corner):
// `ink` is what its glyphs cover, `line` the box Win32 fills with the background.
struct TextExtents {
    RECT ink;
    RECT line;
};

const int64_t HOST_NO_DEADLINE = INT64_MAX;
// A walk through a menu and its pop-ups goes at most this deep.
const int MAX_MENU_DEPTH = 64;

// --- What a host implements -----------------------------------------------------------------

// Opens the display on the first call, and answers as it did then on later ones; false after
// saying why on standard error in one line. The core asks before its first window.
bool HostOpen();
// Before HostOpen: the program's application id (reverse-DNS, as its desktop entry is named),
// for the host to match the running window to its entry. The text outlives the program.
void HostSetApplicationId(const char* id);

// A top-level window around a client area of clientWidth x clientHeight logical pixels whose
// pixels are `store` (the core keeps the record at that address for the window's life; its
// contents change when the scale does). The menu bar, if `menu` is not NULL, is built from the
// core's menu data (CoreMenuItem) and stays as built; x and y are CW_USEDEFAULT for "anywhere".
// Created hidden. The host reports the window's device scale through CoreScaleChanged, the first
// time before this returns if it is not 1. NULL if the host cannot make one.
struct HostWindowSpec {
    HWND window; // the handle the host's events name
    const char* title;
    HMENU menu;
    int menuBarHeight; // logical pixels, the least the bar takes: Win32's metric
    int clientWidth, clientHeight;
    int x, y;
    bool minimizeBox;
    const PixelStore* store;
};
HostWindow* HostCreateWindow(const HostWindowSpec& wanted);
void HostShowWindow(HostWindow* window, bool visible);
void HostIconifyWindow(HostWindow* window, bool iconic);
// The window goes, with its menu bar; no event names it afterwards.
void HostDestroyWindow(HostWindow* window);

// Pixels for a store of store->width x store->height (set by the core, with its scale), that the
// host shows best: fills pixels, stride and hostData, or returns false and the core allocates
// them. `window` is NULL for an off-screen surface.
bool HostNewStore(HostWindow* window, PixelStore* store);
void HostFreeStore(PixelStore* store);
// Puts these pixels of the window's store on the screen, as Win32 shows drawing at once. The
// boxes do not overlap and lie inside the store.
void HostShowPixels(HostWindow* window, const RECT* boxes, int count);

// A line of text in the host's font at this device scale, its line box at most
// CoreDevicePixels(16, scale) high, as the Win32 system font's 16 logical pixels.
void HostMeasureText(const char* text, int length, int scale, TextExtents* extents);
// Draws its glyphs in solid black, without grey edges, with the pen at x, y, only inside `clip`
// (which lies inside the store). The core has filled the background.
void HostDrawText(const PixelStore& store, int x, int y, const char* text, int length,
                  const RECT& clip);

// The text a sighted person reads in the window's client area changed, for assistive technology:
// `lines` are the lines drawn there that no later drawing has covered, top to bottom, each ended
// by '\n' ("" for none). Told only when they change.
void HostClientText(HostWindow* window, const char* lines);

// Monotonic microseconds.
int64_t HostClock();
// Takes in what happened (handing each event to the core) and returns once it handed over at
// least one, or when the clock reaches `deadline`; a deadline already past only looks.
// HOST_NO_DEADLINE waits for an event however long that takes. It may also return after work of
// its own that gave the core nothing: the core looks and asks again.
void HostWait(int64_t deadline);
// Returns when the clock reaches `deadline`, taking nothing in.
void HostSleep(int64_t deadline);

// --- What the core offers a host ------------------------------------------------------------

// A key went down or up. False if the program does not get it (F10 and keys without a
// virtual-key code): the host handles it itself, as its menu bar's.
bool CoreKey(HWND window, UINT virtualKey, UINT scanCode, bool pressed);
// The PC scan code of a virtual key (0x100 marks an extended key), for a host that has none.
UINT CoreScanCode(UINT virtualKey);
// A menu bar item was chosen, by its identifier.
void CoreMenuCommand(HWND window, UINT id);
// The user asked to close the window (its close box, the desktop ending the session).
void CoreCloseBox(HWND window);
// The window's screen has this device scale now (in 120ths; clamped to MIN_DEVICE_SCALE to
// MAX_DEVICE_SCALE).
void CoreScaleChanged(HWND window, int scale);
// Where logical coordinate `logical` lies in device pixels at `scale`: logical x scale rounded
// half up. Every edge the core draws goes through it, so neighbours share their edges.
int CoreDevicePixels(int logical, int scale);
// Item `index` of a menu: its identifier, text and pop-up (NULL for a command item); false past
// the last one. Any out pointer may be NULL.
bool CoreMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup);
// Windows-1252 text as UTF-8; a negative length means up to the terminator.
std::string CoreTextToUtf8(const char* text, int length);
