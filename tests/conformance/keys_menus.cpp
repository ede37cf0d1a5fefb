// Menus and keys: what CreateMenu and AppendMenuA return, then a shown window with a menu bar
// that the runner types at with xdotool (arrows, keypad arrows, letters, digits, Return,
// Escape, Space), whose menu it opens with F10, and whose close box it presses at the end.

#include "observation.h"

namespace {
HMENU BuildMenuBar() {
    HMENU bar = CreateMenu(), game = CreatePopupMenu(), help = CreatePopupMenu();
    Say("CreateMenu -> %s, CreatePopupMenu -> %s", bar ? "menu" : "NULL", game ? "menu" : "NULL");
    Say("AppendMenuA -> %d", AppendMenuA(game, MF_STRING, 101, "&New"));
    Say("AppendMenuA -> %d", AppendMenuA(game, MF_STRING, 102, "&Quit"));
    Say("AppendMenuA -> %d", AppendMenuA(help, MF_STRING, 103, "&About"));
    Say("AppendMenuA pop-up -> %d",
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(game), "&Game"));
    Say("AppendMenuA pop-up -> %d",
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help"));
    Say("AppendMenuA to a NULL menu -> %d", AppendMenuA(NULL, MF_STRING, 1, "x"));
    HMENU other = CreatePopupMenu();
    Say("AppendMenuA with a NULL pop-up -> %d", AppendMenuA(other, MF_POPUP, 0, "x"));
    Say("AppendMenuA with a made-up pop-up -> %d", AppendMenuA(other, MF_POPUP, 0x1234, "x"));
    return bar;
}

// The runner waits for the "command" line before it presses the close box.
LRESULT Report(HWND, UINT message, WPARAM wParam, LPARAM, bool*) {
    if (message == WM_COMMAND)
        Say("command %u", static_cast<unsigned>(LOWORD(wParam)));
    if (message == WM_DESTROY)
        PostQuitMessage(3);
    return 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterConformanceClass();
    messageHook = Report;
    HWND window = CreateConformanceWindow("Conformance keys", BuildMenuBar());
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    Say("ready");
    return RunMessageLoop();
}
