#pragma once
// What the layer's sources share: handle values, the window table, and the calls one part of the
// layer makes into another (queue, timers, painting, GDI). Not for programs or their tests.

#include <windows.h>
#include <cairo.h>
#include <stdint.h>

#include <deque>

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkWindow GdkWindow;

// A handle is a tag for its kind and a serial number that is never reused, so a handle to a
// destroyed object, or one of another kind, is simply not found.
enum HandleKind {
    KIND_WINDOW = 1,
    KIND_MENU,
    KIND_BRUSH,
    KIND_DC,
    KIND_STOCK_OBJECT,
    KIND_CURSOR,
};
// The kind in the upper half of the pointer, the serial in the lower; inline, since a paint looks
// up its device context and brushes a few hundred times.
uint32_t NewSerial();
inline void* MakeHandle(HandleKind kind, uint32_t serial) {
    return reinterpret_cast<void*>((static_cast<uintptr_t>(kind) << 32) | serial);
}
// The serial of a handle of that kind, or 0.
inline uint32_t HandleSerial(const void* handle, HandleKind kind) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return (value >> 32) == static_cast<uintptr_t>(kind) ? static_cast<uint32_t>(value) : 0;
}

const int MAX_DEVICE_SCALE = 8;

struct WindowRecord {
    uint32_t serial; // 0: free slot
    WNDPROC procedure;
    HBRUSH background;
    DWORD style;
    HMENU menu;
    int clientWidth;
    int clientHeight;
    cairo_surface_t* backing; // the client area's pixels, RGB24, `scale` device pixels a side each
    int scale = 1;            // device pixels per logical pixel, as the host's monitor has it
    bool visible;
    bool destroying;
    bool updatePending;  // update region not empty
    bool eraseRequested; // WM_ERASEBKGND still to be sent
    bool eraseFailed;    // the last WM_ERASEBKGND returned 0: fErase for the next BeginPaint
    RECT updateRect;     // bounding rectangle of the update region
    unsigned char keysDown[32];
    GtkWidget* hostWindow; // NULL in headless mode
    GtkWidget* hostMenuBar;
    GtkWidget* hostClient;
    bool hostClientMapped; // kept by the drawing area's map and unmap, so a tick need not ask GTK
    // The client's window found to take the store directly (host_upload.cpp), at this scale, with
    // its X display and id; forgotten when the drawing area loses its window.
    GdkWindow* hostTarget;
    int hostTargetScale;
    void* hostTargetDisplay;
    unsigned long hostTargetId;
};

// Grows as windows are made; a record stays where it is (a deque), and a free slot is reused.
extern std::deque<WindowRecord>& windowTable;
WindowRecord* FindWindowRecord(HWND window); // NULL for a dead or invalid handle
HWND WindowHandle(const WindowRecord* record);
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The part of `a` inside `b`; false if they do not overlap.
bool IntersectRects(const RECT& a, const RECT& b, RECT* inside);
inline bool RectsOverlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
// Windows-1252 text (ISO-8859-1 where that fails) as UTF-8 for GTK and pango; g_free the result.
// A negative length means up to the terminator.
char* ToUtf8(const char* text, long length);
bool MessageInFilter(HWND window, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax);
DWORD TickCount();

// Window classes.
// The class's procedure and background; false if no class has that name.
bool LookUpWindowClass(LPCSTR name, WNDPROC* procedure, HBRUSH* background);
void ResetWindowClasses();

// Menus. A walk through pop-ups goes at most this deep.
const int MAX_MENU_DEPTH = 64;
bool MenuIsValid(HMENU menu);
// Item `index`: its identifier (0xFFFFFFFF for a pop-up), text and pop-up (NULL for a string
// item); false past the last item or for an invalid menu. Any out pointer may be NULL.
bool MenuItemAt(HMENU menu, int index, UINT* id, const char** text, HMENU* popup);
bool MenuTreeHasCommand(HMENU menu, UINT id);
void DestroyMenuTree(HMENU menu);
void ResetMenus();

// Frame metrics.
const int MENU_BAR_HEIGHT = 19;
// What the frame, caption and menu bar add on each side of the client area.
void FrameInsets(DWORD style, bool menu, RECT* insets);

// Device pixels that drawing changed, as rectangles that do not overlap (changed_pixels.cpp).
const int MAX_CHANGED_BOXES = 8;
struct ChangedPixels {
    RECT boxes[MAX_CHANGED_BOXES];
    int count;
};
// Adds `box`, merging it with those it overlaps; past the limit the boxes hold a little more.
void AddChangedPixels(ChangedPixels* changed, const RECT& box);

// Host window (GTK). EnsureHost opens the display once; false without one.
bool EnsureHost();
void CreateHostWindow(WindowRecord* record, HWND window, LPCSTR title, int x, int y);
void SetHostVisible(WindowRecord* record, bool visible);
void SetHostIconic(WindowRecord* record, bool iconic);
void DestroyHostWindow(WindowRecord* record);
// Takes the keys of the host's toplevel `host` that the window's key handler would take, straight
// from the X events (nothing elsewhere).
void TakeHostKeys(GdkWindow* host, HWND window);
// Puts the changed device pixels of the backing store on the host window (nothing headless).
void ShowChangedPixels(WindowRecord* record, const ChangedPixels& changed);
// Puts these device pixels of the store straight into the host's window; false where the host
// cannot take them so (then GTK draws them).
bool PutStoreOnHost(WindowRecord* record, const ChangedPixels& pixels);
// A store of width x height device pixels that the host's display reads without a copy (X11
// shared memory), or NULL.
cairo_surface_t* NewHostStore(int width, int height);

// Input: each posts its messages, as the GTK events and the testing hooks ask.
UINT VirtualKeyFromKeyval(unsigned keyval); // 0 for keys without a virtual-key code
// The scan code (0x100 marks an extended key) of an X keycode, or else of the virtual key.
UINT ScanCodeFromKeycode(unsigned keycode, UINT virtualKey);
bool PostKeyMessage(HWND window, UINT virtualKey, UINT scanCode, bool pressed);
void PostMenuCommand(HWND window, UINT id);
void PressCloseBox(HWND window);

// Queue.
BOOL PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ResetQueue();
// Whatever asks something of GTK, GDK or the display outside GLib's dispatch says so first: GLib
// has to look again before the loop waits.
void HostChanged();

// Timers.
bool TakeDueTimer(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg);
bool IsTimerCallback(TIMERPROC callback);
void KillWindowTimers(HWND window);
void ResetTimers();

// Device scale, at most MAX_DEVICE_SCALE. A white backing store of width x height logical pixels at
// this scale (the cairo device scale says so to GTK), or NULL if cairo cannot make one.
cairo_surface_t* NewBackingStore(int width, int height, int scale);
// Gives the window a backing store at this scale (at least 1), white and wholly invalid, so that
// the program paints it anew; nothing if the scale is the same or the store cannot be made.
void SetWindowScale(WindowRecord* record, int scale);
// The logical pixels that hold any of the device pixels in `box`.
RECT LogicalBox(const RECT& box, int scale);

// What a surface remembers of its drawing (drawing_memory.cpp), in device pixels. A remembered
// rectangle was drawn whole with this brush; the texts drawn over it since are listed in order.
const int MAX_TEXTS_OVER = 4;
const int MAX_KNOWN_TEXT_BYTES = 64;
struct KnownRectangle {
    RECT rect;
    COLORREF color;
    int textCount;
    uint32_t texts[MAX_TEXTS_OVER];
};
struct KnownText {
    uint32_t serial;
    int x, y;
    int length;
    char bytes[MAX_KNOWN_TEXT_BYTES];
    RECT box; // all it may have drawn on: its ink and its background box
};
// NULL if no rectangle with exactly this position is remembered.
const KnownRectangle* KnownRectangleAt(cairo_surface_t* surface, const RECT& rect);
// True if a rectangle with exactly this position is remembered with this colour and no text over
// it: drawing it again changes nothing. Cheaper than KnownRectangleAt.
bool IsBareRepeat(cairo_surface_t* surface, const RECT& rect, COLORREF color);
// The text at x, y with these bytes if its box is as it was drawn, else NULL.
const KnownText* IntactText(cairo_surface_t* surface, int x, int y, const char* text, int length);
const KnownText* IntactTextBySerial(cairo_surface_t* surface, uint32_t serial);
// Pixels in `area` changed: texts there are no longer intact, and with `rectangles` the
// rectangles there are forgotten.
void ForgetDrawing(cairo_surface_t* surface, const RECT& area, bool rectangles);
// Drawing `rect` again changed the pixels in `changed`, inside it: as ForgetDrawing, faster.
void ForgetRepaintedRectangle(cairo_surface_t* surface, const RECT& rect, const RECT& changed);
void ForgetSurfaceDrawing(cairo_surface_t* surface);
void RememberRectangle(cairo_surface_t* surface, const RECT& rect, COLORREF color);
// A text drawn whole (longer ones are not remembered); the rectangles under it list it.
void RememberText(cairo_surface_t* surface, int x, int y, const char* text, int length,
                  const RECT& box);

// Painting.
void InvalidateClient(WindowRecord* record, const RECT* rect, bool erase);
void EraseNow(HWND window);
bool TakePaintMessage(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg);
void ValidateByPainting(HWND window);

// GDI. A device context draws in logical pixels, `scale` device pixels a side each, clipped to
// `clip` (logical; NULL for all of the surface).
HDC AcquireSurfaceDC(cairo_surface_t* surface, int scale, const RECT* clip);
// Gives the device pixels that drawing through the DC changed; false for an invalid DC.
bool ReleaseSurfaceDC(HDC dc, ChangedPixels* changed);
// Fills the DC's clip with the class background (a brush or a COLOR_ index + 1); false for none.
bool EraseWithBackground(HDC dc, HBRUSH background);
void FillSurfaceWhite(cairo_surface_t* surface);
// The device pixel at x, y.
COLORREF SurfacePixel(cairo_surface_t* surface, int x, int y);
void ResetGdi();
