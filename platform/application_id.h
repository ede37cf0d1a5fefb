#pragma once
// The program's application id (reverse-DNS, as its desktop entry is named): the host window
// takes its icon name, X11 window class and Wayland app id from it, so docks match the running
// window to its entry. Win32 has no such thing; without a call the host keeps GTK's defaults.

// Call before the first window is created; the text must outlive the program.
void SetHostApplicationId(const char* id);
