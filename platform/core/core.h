#pragma once
// What the core's sources share: handle values, the window table, surfaces, and the calls one
// part of the core makes into another (queue, timers, painting, GDI). Not for programs, their
// tests or hosts.

#include "host.h"

#include <windows.h>

#include <stdint.h>

#include <deque>
#include <string>

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
// The kind in the upper half of the pointer, the serial in the lower; with 32-bit pointers (the
// browser's) the kind takes the top 3 bits and the serial the 29 below. Inline, since a paint
// looks up its device context and brushes a few hundred times.
const int KIND_SHIFT = sizeof(void*) == 8 ? 32 : 29;
const uint32_t MAX_SERIAL = static_cast<uint32_t>((static_cast<uint64_t>(1) << KIND_SHIFT) - 1);
uint32_t NewSerial(); // 1 to MAX_SERIAL, round again after that
inline void* MakeHandle(HandleKind kind, uint32_t serial) {
    return reinterpret_cast<void*>((static_cast<uintptr_t>(kind) << KIND_SHIFT) | serial);
}
// The serial of a handle of that kind, or 0.
inline uint32_t HandleSerial(const void* handle, HandleKind kind) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return (value >> KIND_SHIFT) == static_cast<uintptr_t>(kind)
               ? static_cast<uint32_t>(value) & MAX_SERIAL
               : 0;
}

// Pixels that GDI draws on, with what they remember of that drawing (drawing_memory.cpp).
struct DrawingMemory;
struct ShownText;
struct Surface {
    PixelStore store;
    DrawingMemory* memory; // made at the first drawing it remembers
    ShownText* text;       // made at the first text drawn on it
    int references;        // the window or test that made it, and each device context on it
};
// A white surface of width x height logical pixels at this scale (in 120ths), its pixels from the
// host's window if it has one; NULL if there is no memory for it.
Surface* NewSurface(HostWindow* window, int width, int height, int scale);
void HoldSurface(Surface* surface);
void ReleaseSurface(Surface* surface);
void FillSurfaceWhite(Surface* surface);
// The device pixel at x, y, or 0xFFFFFFFF outside.
COLORREF SurfacePixel(Surface* surface, int x, int y);
inline uint32_t* PixelRow(const PixelStore& store, int y) {
    return store.pixels + static_cast<ptrdiff_t>(y) * store.stride;
}

struct WindowRecord {
    uint32_t serial; // 0: free slot
    WNDPROC procedure;
    HBRUSH background;
    DWORD style;
    HMENU menu;
    int clientWidth;
    int clientHeight;
    Surface* backing; // the client area's pixels, at the window's device scale
    PixelStore shown; // what the host is given: the backing store's record, kept at one address
    int startScale;   // the device scale the host gave before the backing store was made
    bool visible;
    bool destroying;
    bool updatePending;  // update region not empty
    bool eraseRequested; // WM_ERASEBKGND still to be sent
    bool eraseFailed;    // the last WM_ERASEBKGND returned 0: fErase for the next BeginPaint
    RECT updateRect;     // bounding rectangle of the update region
    unsigned char keysDown[32];
    HostWindow* host;     // NULL without a display (headless)
    std::string toldText; // the client area's lines as the host last heard them
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
bool MessageInFilter(HWND window, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax);
DWORD TickCount();

// Window classes.
// The class's procedure and background; false if no class has that name.
bool LookUpWindowClass(LPCSTR name, WNDPROC* procedure, HBRUSH* background);
void ResetWindowClasses();

// Menus.
bool MenuIsValid(HMENU menu);
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

// Input: each posts its messages.
bool PostKeyMessage(HWND window, UINT virtualKey, UINT scanCode, bool pressed);
void PostMenuCommand(HWND window, UINT id);

// Queue.
BOOL PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ResetQueue();

// Timers.
bool TakeDueTimer(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg);
// When the next timer is due, on the host's clock; HOST_NO_DEADLINE if none will be.
int64_t NextTimerDeadline();
bool IsTimerCallback(TIMERPROC callback);
void KillWindowTimers(HWND window);
void ResetTimers();

// Device scale (device_scale.cpp). Gives the window a backing store at this scale, clamped to
// MIN_DEVICE_SCALE to MAX_DEVICE_SCALE, white and wholly invalid, so that the program paints it
// anew; nothing if the scale is the same or the store cannot be made.
void SetWindowScale(WindowRecord* record, int scale);
int ClampDeviceScale(int scale);
// A logical rectangle's device pixels: each edge through CoreDevicePixels.
RECT DeviceRect(const RECT& logical, int scale);
// What Rectangle(l, t, r, b) covers in device pixels: `outer`, and inside the one-pixel outline
// `fill`. The outline is the device pixels of the logical one, and at least one device pixel wide.
struct DeviceRectangle {
    RECT outer;
    RECT fill;
};
// left < right and top < bottom.
DeviceRectangle DeviceRectangleOf(int left, int top, int right, int bottom, int scale);

// What a surface remembers of its drawing (drawing_memory.cpp), in device pixels. A remembered
// rectangle was drawn whole with this brush; the texts drawn over it since are listed in order.
const int MAX_TEXTS_OVER = 4;
const int MAX_KNOWN_TEXT_BYTES = 64;
struct KnownRectangle {
    RECT rect;
    RECT fill; // inside the outline
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
const KnownRectangle* KnownRectangleAt(Surface* surface, const RECT& rect);
// True if a rectangle with exactly this position is remembered with this colour and no text over
// it: drawing it again changes nothing. Cheaper than KnownRectangleAt.
bool IsBareRepeat(Surface* surface, const RECT& rect, COLORREF color);
// The text at x, y with these bytes if its box is as it was drawn, else NULL.
const KnownText* IntactText(Surface* surface, int x, int y, const char* text, int length);
const KnownText* IntactTextBySerial(Surface* surface, uint32_t serial);
// Pixels in `area` changed: texts there are no longer intact, and with `rectangles` the
// rectangles there are forgotten.
void ForgetDrawing(Surface* surface, const RECT& area, bool rectangles);
// Drawing `rect` again changed the pixels in `changed`, inside it: as ForgetDrawing, faster.
void ForgetRepaintedRectangle(Surface* surface, const RECT& rect, const RECT& changed);
void ForgetSurfaceDrawing(Surface* surface);
void FreeDrawingMemory(Surface* surface);
void RememberRectangle(Surface* surface, const RECT& rect, const RECT& fill, COLORREF color);
// A text drawn whole (longer ones are not remembered); the rectangles under it list it.
void RememberText(Surface* surface, int x, int y, const char* text, int length, const RECT& box);

// The text a surface shows (window_text.cpp): the lines TextOutA drew that no later drawing has
// covered. Device pixels.
// Drawing changed the pixels of `area`: the lines there are covered.
void CoverText(Surface* surface, const RECT& area);
// TextOutA drew these bytes with the pen at x, y, over `box`, of which it drew `area`.
void ShowText(Surface* surface, int x, int y, const char* text, int length, const RECT& box,
              const RECT& area);
// Its lines in reading order, each ended by '\n', if they may have changed since the last call.
bool TakeChangedText(Surface* surface, std::string* lines);
void FreeShownText(Surface* surface);

// Painting.
void InvalidateClient(WindowRecord* record, const RECT* rect, bool erase);
void EraseNow(HWND window);
bool TakePaintMessage(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg);
void ValidateByPainting(HWND window);

// GDI. A device context draws in logical pixels, mapped to the surface's device pixels at its
// scale, clipped to `clip` (logical; NULL for all of the surface).
HDC AcquireSurfaceDC(Surface* surface, const RECT* clip);
// Gives the device pixels that drawing through the DC changed; false for an invalid DC.
bool ReleaseSurfaceDC(HDC dc, ChangedPixels* changed);
// The surface the DC draws on; NULL for an invalid DC.
Surface* SurfaceOfDC(HDC dc);
// Fills the DC's clip with the class background (a brush or a COLOR_ index + 1); false for none.
bool EraseWithBackground(HDC dc, HBRUSH background);
// Draws what waits in device contexts on this surface, so that its pixels are as drawn.
void SettleSurface(Surface* surface);
void ResetGdi();
