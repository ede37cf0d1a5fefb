// Windows: the window table, CreateWindowExA, DestroyWindow, ShowWindow, DefWindowProcA and
// GetClientRect.
//
// Messages, in Win32's documented order where they are emitted at all:
//   CreateWindowExA: WM_CREATE (lParam 0: there is no CREATESTRUCT); -1 from it destroys the window
//     (WM_DESTROY) and CreateWindowExA returns NULL.
//   ShowWindow, when visibility changes: WM_SHOWWINDOW (wParam TRUE/FALSE); on showing, the whole
//     client area becomes invalid and WM_ERASEBKGND is sent at once, as Win32 does.
//   DestroyWindow: WM_DESTROY; then the window's timers and menu end and the handle is dead.
//
// The client area is the outer size given to CreateWindowExA less exactly what AdjustWindowRectEx
// adds. As in Win32 a top-level window always has a caption. Differences: windows are never
// resized (whatever the style), there are no child windows and at most 32 windows at once.

#include "layer_internal.h"

namespace {
const int DEFAULT_WIDTH = 640;
const int DEFAULT_HEIGHT = 480;

bool headless = false;

void ReleaseWindow(WindowRecord* record) {
    KillWindowTimers(WindowHandle(record));
    DestroyHostWindow(record);
    cairo_surface_destroy(record->backing);
    *record = WindowRecord{};
}

WindowRecord* FreeSlot() {
    for (WindowRecord& slot : windowTable)
        if (slot.serial == 0)
            return &slot;
    return NULL;
}
} // namespace

WindowRecord windowTable[MAX_WINDOWS];

WindowRecord* FindWindowRecord(HWND window) {
    uint32_t serial = HandleSerial(window, KIND_WINDOW);
    if (serial == 0)
        return NULL;
    for (WindowRecord& record : windowTable)
        if (record.serial == serial)
            return &record;
    return NULL;
}

HWND WindowHandle(const WindowRecord* record) {
    return static_cast<HWND>(MakeHandle(KIND_WINDOW, record->serial));
}

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return 0;
    return record->procedure(window, message, wParam, lParam);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE, void*) {
    WNDPROC procedure;
    HBRUSH background;
    if (!LookUpWindowClass(className, &procedure, &background) || parent != NULL ||
        (menu != NULL && !MenuIsValid(menu)))
        return NULL;
    if (!headless && !EnsureHost())
        return NULL;
    WindowRecord* record = FreeSlot();
    if (record == NULL)
        return NULL;
    if (width == CW_USEDEFAULT) {
        width = DEFAULT_WIDTH;
        height = DEFAULT_HEIGHT;
    }
    style |= WS_CAPTION; // a top-level overlapped window always has a caption
    RECT insets;
    FrameInsets(style, menu != NULL, &insets);
    int clientWidth = width - insets.left - insets.right;
    int clientHeight = height - insets.top - insets.bottom;
    clientWidth = clientWidth > 0 ? clientWidth : 0;
    clientHeight = clientHeight > 0 ? clientHeight : 0;
    cairo_surface_t* backing = NewBackingStore(clientWidth, clientHeight, 1);
    if (backing == NULL)
        return NULL;
    *record = WindowRecord{};
    record->serial = NewSerial();
    record->procedure = procedure;
    record->background = background;
    record->style = style;
    record->menu = menu;
    record->clientWidth = clientWidth;
    record->clientHeight = clientHeight;
    record->backing = backing;
    HWND window = WindowHandle(record);
    if (!headless)
        CreateHostWindow(record, window, windowName, x, y);
    if (SendToWindow(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return NULL;
    }
    return FindWindowRecord(window) != NULL ? window : NULL;
}

BOOL WINAPI DestroyWindow(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || record->destroying)
        return FALSE;
    record->destroying = true;
    SetHostVisible(record, false);
    SendToWindow(window, WM_DESTROY, 0, 0);
    record = FindWindowRecord(window);
    DestroyMenuTree(record->menu);
    ReleaseWindow(record);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return FALSE;
    bool wasVisible = record->visible;
    bool show = showCommand != SW_HIDE;
    if (show != wasVisible) {
        SendToWindow(window, WM_SHOWWINDOW, show, 0);
        record = FindWindowRecord(window);
        if (record == NULL)
            return wasVisible;
        record->visible = show;
        SetHostVisible(record, show);
        if (show) {
            InvalidateClient(record, NULL, true);
            EraseNow(window);
        } else {
            record->updatePending = false;
            record->eraseRequested = false;
        }
        record = FindWindowRecord(window);
    }
    if (record != NULL && showCommand == SW_MINIMIZE)
        SetHostIconic(record, true);
    else if (record != NULL && (showCommand == SW_RESTORE || showCommand == SW_SHOWNORMAL))
        SetHostIconic(record, false);
    return wasVisible;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return 0;
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_PAINT: ValidateByPainting(window); return 0;
    case WM_ERASEBKGND:
        return EraseWithBackground(reinterpret_cast<HDC>(wParam), record->background) ? 1 : 0;
    default: return 0;
    }
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || rect == NULL)
        return FALSE;
    *rect = RECT{0, 0, record->clientWidth, record->clientHeight};
    return TRUE;
}

void TestingSetHeadless(bool value) {
    headless = value;
}

void TestingResetLayer() {
    for (WindowRecord& record : windowTable)
        if (record.serial != 0)
            ReleaseWindow(&record);
    ResetMenus();
    ResetWindowClasses();
    ResetTimers();
    ResetQueue();
    ResetGdi();
}

bool TestingIsWindowAlive(HWND window) {
    return FindWindowRecord(window) != NULL;
}

HMENU TestingGetWindowMenu(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    return record != NULL ? record->menu : NULL;
}
