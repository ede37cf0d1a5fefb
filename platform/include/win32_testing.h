#pragma once
// Hooks for tests of programs written against the compatibility layer's <windows.h>. Nothing here
// exists in Win32: these functions read the layer's state (pixels, update regions, timers, menus)
// and feed it input through the same paths a host's events take. Not included by <windows.h>.

#include <windows.h>

// When true, CreateWindowExA makes windows without a host window or a display. Queue, timers (on
// the host's clock), painting into the backing store and the input hooks below work the same.
void TestingSetHeadless(bool headless);

// Destroys every window (without sending messages), timer, brush, device context, menu and
// window class, and empties the message queue and the quit flag, so that each test starts clean.
void TestingResetLayer();

// A device pixel of the window's client backing store as COLORREF (x, y count device pixels: at
// scale 2 the store is twice the client size each way); 0xFFFFFFFF outside it or for a dead window.
COLORREF TestingGetClientPixel(HWND window, int x, int y);
// Gives the window the backing store that a monitor of this device scale asks for, as when a host
// window moves to it: white, and all of the client area invalid. Scales count 120ths: 120 is 1,
// 180 is 1.5, 240 is 2; they are clamped to 60 (0.5) to 960 (8).
void TestingSetWindowScale(HWND window, int scale);
// True while the window's update region is not empty.
bool TestingIsPaintPending(HWND window);
bool TestingIsWindowAlive(HWND window);
// Posts as PostMessageA does: FALSE for a dead window or a full queue. A NULL window posts a
// thread message.
BOOL TestingPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Input through the paths a host's events take: a key press (WM_KEYDOWN then WM_KEYUP, except for
// the keys the host keeps for itself, such as VK_F10 for the menu bar), choosing the menu item of
// the window's menu bar with this identifier (WM_COMMAND; nothing if the bar has no such item),
// and the close box (WM_CLOSE). All of them post.
void TestingPressKey(HWND window, UINT virtualKey);
void TestingChooseMenuItem(HWND window, UINT id);
void TestingPressCloseBox(HWND window);

// A device context on an off-screen surface of this logical size at this device scale (in 120ths,
// 60 to 960), white at first, for painting code without a window.
HDC TestingCreateSurfaceDC(int width, int height, int scale = 120);
// A device pixel; 0xFFFFFFFF outside the surface or for an invalid device context.
COLORREF TestingGetDCPixel(HDC dc, int x, int y);
void TestingDeleteSurfaceDC(HDC dc);

// False for a deleted or invalid brush.
bool TestingGetBrushColor(HBRUSH brush, COLORREF* color);
// Brushes made by CreateSolidBrush and not yet deleted.
int TestingLiveBrushCount();

// The interval in milliseconds of the window's timer with this identifier after clamping, or 0 if
// there is no such timer.
UINT TestingTimerInterval(HWND window, UINT_PTR id);

// The menu bar given to CreateWindowExA, NULL for none or a dead window.
HMENU TestingGetWindowMenu(HWND window);
// Number of items of a menu, -1 for an invalid menu.
int TestingMenuItemCount(HMENU menu);
// Item `index` of a menu: its identifier (0xFFFFFFFF for a pop-up item), its text, and its pop-up
// menu (NULL for a string item). False for an invalid menu or index. Any out pointer may be NULL.
bool TestingMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup);

// With a display: the GTK allocation of the window's client drawing area and menu bar, in the
// coordinates of the GTK window's content. False in headless mode or before GTK has laid it out.
bool TestingGetHostLayout(HWND window, RECT* clientArea, RECT* menuBar);
