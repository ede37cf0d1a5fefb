// Windows: the window table, CreateWindowExA, DestroyWindow, ShowWindow, DefWindowProcA and
// GetClientRect.
//
// Messages, in Win32's documented order where they are emitted at all:
//   CreateWindowExA: WM_CREATE with lParam pointing to a CREATESTRUCTA (lpCreateParams is the last
//     argument; the style has WS_CAPTION, the extended style WS_EX_WINDOWEDGE, as Win32 adds them);
//     -1 from it ends the window without WM_DESTROY, with its menu, and CreateWindowExA returns
//     NULL.
//   ShowWindow, when visibility changes: WM_SHOWWINDOW (wParam TRUE/FALSE); on showing, the whole
//     client area becomes invalid and WM_ERASEBKGND is sent at once, as Win32 does.
//   DestroyWindow: WM_DESTROY; then the window's timers and menu end and the handle is dead.
//
// The client area is the outer size given to CreateWindowExA less exactly what AdjustWindowRectEx
// adds. As in Win32 a top-level window always has a caption. Differences: windows are never
// resized (whatever the style) and there are no child windows.

#include "core.h"

namespace {
const int DEFAULT_WIDTH = 640;
const int DEFAULT_HEIGHT = 480;
const DWORD EX_STYLE_WINDOWEDGE = 0x00000100;
const DWORD STYLE_FRAMES = 0x00400000 | WS_THICKFRAME; // WS_DLGFRAME (part of WS_CAPTION)

bool headless = false;

void ReleaseWindow(WindowRecord* record) {
    KillWindowTimers(WindowHandle(record));
    if (record->host != NULL)
        HostDestroyWindow(record->host);
    ReleaseSurface(record->backing);
    *record = WindowRecord{};
}

// The outer size less the frame, at least 0; wide, since the outer size may be any int.
int ClientSide(int outer, int frame) {
    long long side = static_cast<long long>(outer) - frame;
    return side > 0 ? static_cast<int>(side) : 0;
}

WindowRecord* FreeSlot() {
    for (WindowRecord& slot : windowTable)
        if (slot.serial == 0)
            return &slot;
    windowTable.emplace_back();
    return &windowTable.back();
}
} // namespace

// Never destroyed, so that windows still open at exit end with the process, as in Win32.
std::deque<WindowRecord>& windowTable = *new std::deque<WindowRecord>;

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

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, void* param) {
    WNDPROC procedure;
    HBRUSH background;
    if (!LookUpWindowClass(className, &procedure, &background) || parent != NULL ||
        (menu != NULL && !MenuIsValid(menu)))
        return NULL;
    if (!headless && !HostOpen())
        return NULL;
    WindowRecord* record = FreeSlot();
    if (width == CW_USEDEFAULT) {
        width = DEFAULT_WIDTH;
        height = DEFAULT_HEIGHT;
    }
    style |= WS_CAPTION; // a top-level overlapped window always has a caption
    RECT insets;
    FrameInsets(style, menu != NULL, &insets);
    int clientWidth = ClientSide(width, insets.left + insets.right);
    int clientHeight = ClientSide(height, insets.top + insets.bottom);
    *record = WindowRecord{};
    record->serial = NewSerial();
    record->procedure = procedure;
    record->background = background;
    record->style = style;
    record->menu = menu;
    record->clientWidth = clientWidth;
    record->clientHeight = clientHeight;
    HWND window = WindowHandle(record);
    if (!headless) {
        HostWindowSpec wanted = {window,
                                 windowName != NULL ? windowName : "",
                                 menu,
                                 MENU_BAR_HEIGHT,
                                 clientWidth,
                                 clientHeight,
                                 x,
                                 y,
                                 (style & WS_MINIMIZEBOX) != 0,
                                 &record->shown};
        record->host = HostCreateWindow(wanted);
    }
    // Pixels the host shows without a copy, where it has them, are made for its window.
    record->backing = NewSurface(record->host, clientWidth, clientHeight,
                                 record->startScale > 0 ? record->startScale : SCALE_UNIT);
    if (record->backing == NULL || (!headless && record->host == NULL)) {
        ReleaseWindow(record);
        return NULL;
    }
    record->shown = record->backing->store;
    if (style & STYLE_FRAMES)
        exStyle |= EX_STYLE_WINDOWEDGE;
    CREATESTRUCTA create = {
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    LRESULT created = SendToWindow(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
    record = FindWindowRecord(window);
    if (record != NULL && created == -1) {
        DestroyMenuTree(record->menu);
        ReleaseWindow(record);
        return NULL;
    }
    return record != NULL ? window : NULL;
}

BOOL WINAPI DestroyWindow(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || record->destroying)
        return FALSE;
    record->destroying = true;
    if (record->host != NULL)
        HostShowWindow(record->host, false);
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
        if (record->host != NULL)
            HostShowWindow(record->host, show);
        if (show) {
            InvalidateClient(record, NULL, true);
            EraseNow(window);
        } else {
            record->updatePending = false;
            record->eraseRequested = false;
        }
        record = FindWindowRecord(window);
    }
    if (record != NULL && record->host != NULL && showCommand == SW_MINIMIZE)
        HostIconifyWindow(record->host, true);
    else if (record != NULL && record->host != NULL &&
             (showCommand == SW_RESTORE || showCommand == SW_SHOWNORMAL))
        HostIconifyWindow(record->host, false);
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
