#pragma once
// <windows.h> for hosts without Win32: the part of user32 and gdi32 that a small single-threaded
// GDI program calls (window class, window, menu bar, message loop, message timers, painting,
// solid brushes, rectangles, text, wsprintfA), implemented by the layer's core (platform/core/)
// over a host: GTK 3 on Linux, the browser under Emscripten.
//
// Types have the sizes and signedness of 64-bit Windows (LLP64): LONG, DWORD and UINT are 32 bits,
// WPARAM is a 64-bit unsigned UINT_PTR, LPARAM and LRESULT are 64-bit signed LONG_PTR, and each
// handle is a distinct pointer type. Constants carry their Win32 values. Only the ANSI entry
// points exist. Where the layer differs from Win32 the sources that implement each group say so;
// the main points: one thread only, no child windows, windows keep their created size, and the
// window procedure sees only the messages listed here. tests/conformance runs the same programs
// on Win32 (Wine) and on the layer and compares what they print.
//
// Differences kept on purpose (the conformance programs mark them):
// - Each window keeps a backing store of its client area, so a minimised window still has a
//   client area and is painted at once when invalidated; Win32 paints it when it is restored.
// - The close box posts WM_CLOSE; Win32 posts WM_SYSCOMMAND, which DefWindowProcA turns into a
//   sent WM_CLOSE. Either way the window procedure gets WM_CLOSE.
// - Thread timers (SetTimer with a NULL window) get identifiers counting up from 1.
//
// Fixed limits; everything else (classes, windows, menus, items, texts, timers, brushes) grows as
// needed:
// - 4096 posted messages wait at most (Win32: 10000); PostMessageA returns FALSE past that.
// - 16 device contexts exist at once; BeginPaint returns NULL past that (a program that ends
//   each paint, as Win32 asks, never gets near).
// - Class names have at most 255 characters and there are at most 16384 classes, as in Win32.
// - wsprintfA writes at most 1024 bytes, as in Win32.
// - A menu walk goes at most 64 pop-ups deep (deeper items do not show).
//
// On a HiDPI screen a program keeps its logical pixels but the layer draws them at the screen's
// device scale, so outlines and text stay sharp where Windows would enlarge the program's pixels
// with smoothing.

#if defined(_WIN32)
#error "This is the compatibility layer's <windows.h>; a Win32 host uses its own system header."
#elif !defined(__linux__) && !defined(__EMSCRIPTEN__)
#error "The Win32 compatibility layer has hosts for Linux (GTK 3) and the browser only."
#endif

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define WINAPIV
#define CALLBACK

#define TRUE 1
#define FALSE 0

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int UINT;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef DWORD COLORREF;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef unsigned short WCHAR; // UTF-16, as in Win32 (wchar_t is 32 bits here)

#define DECLARE_HANDLE(name)                                                                       \
    struct name##__ {                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    typedef struct name##__* name

DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HICON);
typedef HICON HCURSOR;
typedef void* HGDIOBJ;

#define RGB(r, g, b)                                                                               \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))
#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define MAKEINTRESOURCEA(i) ((LPSTR)((UINT_PTR)((WORD)(i))))

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_USER 0x0400

#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_F10 0x79

#define MF_STRING 0x00000000
#define MF_POPUP 0x00000010

#define WS_OVERLAPPED 0x00000000
#define WS_CAPTION 0x00C00000
#define WS_SYSMENU 0x00080000
#define WS_THICKFRAME 0x00040000
#define WS_MINIMIZEBOX 0x00020000

#define CW_USEDEFAULT ((int)0x80000000)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_UPARROW MAKEINTRESOURCEA(32516)
#define IDC_SIZENWSE MAKEINTRESOURCEA(32642)
#define IDC_SIZENESW MAKEINTRESOURCEA(32643)
#define IDC_SIZEWE MAKEINTRESOURCEA(32644)
#define IDC_SIZENS MAKEINTRESOURCEA(32645)
#define IDC_SIZEALL MAKEINTRESOURCEA(32646)
#define IDC_NO MAKEINTRESOURCEA(32648)
#define IDC_HAND MAKEINTRESOURCEA(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEA(32650)
#define IDC_HELP MAKEINTRESOURCEA(32651)
#define COLOR_WINDOW 5

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT;

typedef struct tagCREATESTRUCTA {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

#ifdef __cplusplus
extern "C" {
#endif

// Windows, classes and menus.
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName);
HMENU WINAPI CreateMenu(void);
HMENU WINAPI CreatePopupMenu(void);
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, void* param);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI ShowWindow(HWND window, int showCommand);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);

// Message queue and timers.
BOOL WINAPI GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);
DWORD WINAPI GetTickCount(void);
void WINAPI Sleep(DWORD milliseconds);

// Painting.
BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL WINAPI UpdateWindow(HWND window);
HDC WINAPI BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);

// GDI.
HBRUSH WINAPI CreateSolidBrush(COLORREF color);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length);

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);

// Provided by the program; the layer's start-up calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

#ifdef __cplusplus
}
#endif
