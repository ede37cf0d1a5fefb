#pragma once
// What every conformance program shares: its observations, one per line on stdout, and a window
// class whose procedure reports the messages the layer declares. The same source builds against
// Win32 (run under Wine) and against the layer; the runner compares the two outputs.

#include <windows.h>

// Lines that start with one of these are shown but not compared:
#define METRIC "metric "   // a figure that depends on the desktop (frame sizes)
#define TIMING "timing "   // a count or delay that depends on the machine's load
#define DIFFERS "differs " // a deliberate difference that the layer's header documents

// Prints one line (printf's format), after the current prefix.
void Say(const char* format, ...);
// Put before every line until changed, so that a section can be marked as a whole; "" ends it.
void SetLinePrefix(const char* prefix);

// "WM_PAINT", "WM_USER+3", or the number in hex.
const char* MessageName(UINT message);

// The procedure of class "Conformance" prints each message as "  WM_X wParam lParam" (what it
// can print the same on both hosts), then calls the hook; unhandled messages go to DefWindowProcA.
typedef LRESULT (*MessageHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               bool* handled);
extern MessageHook messageHook;
extern bool reportMessages; // false: the procedure prints nothing
void RegisterConformanceClass();
// A window of class "Conformance", 300 x 200 outside, at (40, 40), not shown.
HWND CreateConformanceWindow(const char* title, HMENU menu = NULL, void* param = NULL);

// GetMessageA and DispatchMessageA until WM_QUIT, printing each message taken; the quit code.
int RunMessageLoop();
