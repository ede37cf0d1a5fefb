#pragma once

#include <windows.h>

// A clean layer and a headless game window, shown and painted once, with a
// fresh game whose food lies out of the way at (9, 9).
HWND OpenGameWindow();
