// Window classes, cursors, creation (CREATESTRUCTA, a refused WM_CREATE), showing, destruction,
// DefWindowProcA, dead handles, frame metrics and the capacity for classes, windows and menus.

#include "observation.h"

#include <stdio.h>
#include <string.h>

#include <initializer_list>

namespace {
LRESULT createResult = 0;

LRESULT AnswerCreate(HWND, UINT message, WPARAM, LPARAM, bool* handled) {
    *handled = message == WM_CREATE;
    return createResult;
}

void SayCursors() {
    const LPCSTR CURSORS[] = {
        IDC_ARROW,    IDC_IBEAM,    IDC_WAIT,        IDC_CROSS,  IDC_UPARROW,
        IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE,      IDC_SIZENS, IDC_SIZEALL,
        IDC_NO,       IDC_HAND,     IDC_APPSTARTING, IDC_HELP,   MAKEINTRESOURCEA(32600)};
    for (LPCSTR cursor : CURSORS)
        Say("LoadCursorA %u -> %s", LOWORD(cursor), LoadCursorA(NULL, cursor) ? "cursor" : "NULL");
}

void SayClasses() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "conformance";
    Say("RegisterClassA conformance again -> %s", RegisterClassA(&windowClass) ? "atom" : "0");
    Say("CreateWindowExA of an unknown class -> %s",
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL) ? "window"
                                                                                       : "NULL");
}

void SayLifeCycle() {
    char params[] = "params";
    Say("CreateWindowExA");
    HWND window = CreateConformanceWindow("Life", NULL, params);
    Say("-> %s", window != NULL ? "window" : "NULL");
    RECT rect = {};
    Say("GetClientRect -> %d", GetClientRect(window, &rect));
    Say(METRIC "client %d x %d", static_cast<int>(rect.right), static_cast<int>(rect.bottom));
    for (int command : {SW_SHOW, SW_SHOW, SW_HIDE, SW_HIDE, SW_SHOWNORMAL}) {
        Say("ShowWindow %d", command);
        Say("-> %d", ShowWindow(window, command) != 0);
    }
    Say("UpdateWindow -> %d", UpdateWindow(window));
    Say("DefWindowProcA WM_CLOSE");
    Say("-> %d", static_cast<int>(DefWindowProcA(window, WM_CLOSE, 0, 0)));
    Say("dead window: DestroyWindow -> %d", DestroyWindow(window));
    Say("dead window: ShowWindow -> %d", ShowWindow(window, SW_SHOW));
    Say("dead window: UpdateWindow -> %d", UpdateWindow(window));
    Say("dead window: InvalidateRect -> %d", InvalidateRect(window, NULL, TRUE));
    Say("dead window: GetClientRect -> %d", GetClientRect(window, &rect));
    Say("dead window: PostMessageA -> %d", PostMessageA(window, WM_USER, 0, 0));
    Say("dead window: SetTimer -> %d", static_cast<int>(SetTimer(window, 1, 10, NULL)));
    Say("DefWindowProcA on a dead window -> %d",
        static_cast<int>(DefWindowProcA(window, WM_CLOSE, 0, 0)));

    window = CreateConformanceWindow("Life", NULL, NULL);
    for (UINT message : {WM_CREATE, WM_KEYDOWN, WM_KEYUP, WM_COMMAND, WM_TIMER, WM_USER})
        Say("DefWindowProcA %s -> %d", MessageName(message),
            static_cast<int>(DefWindowProcA(window, message, 0, 0)));
    Say("DestroyWindow");
    Say("-> %d", DestroyWindow(window));

    messageHook = AnswerCreate;
    for (LRESULT answer : {-1, -2, 1}) {
        createResult = answer;
        Say("CreateWindowExA, WM_CREATE answers %d", static_cast<int>(answer));
        window = CreateConformanceWindow("Life", NULL, NULL);
        Say("-> %s", window != NULL ? "window" : "NULL");
        if (window != NULL)
            DestroyWindow(window);
    }
    messageHook = NULL;
}

void SayFrameMetrics() {
    const DWORD STYLES[] = {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME, WS_OVERLAPPED};
    for (DWORD style : STYLES)
        for (BOOL menu : {FALSE, TRUE}) {
            RECT rect = {0, 0, 100, 100};
            BOOL result = AdjustWindowRectEx(&rect, style, menu, 0);
            Say(METRIC "AdjustWindowRectEx %X menu %d -> %d: %d %d %d %d", style, menu, result,
                static_cast<int>(rect.left), static_cast<int>(rect.top),
                static_cast<int>(rect.right), static_cast<int>(rect.bottom));
        }
}

void SayCapacity() {
    const int CLASSES = 40, WINDOWS = 100, MENUS = 100, ITEMS = 50;
    char name[256];
    int registered = 0;
    for (int i = 0; i < CLASSES; i++) {
        snprintf(name, sizeof name, "%03d%0200d", i, 0);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = name;
        registered += RegisterClassA(&windowClass) != 0;
    }
    Say("classes with 203-character names registered: %d of %d", registered, CLASSES);
    HWND windows[WINDOWS];
    int created = 0;
    for (HWND& window : windows)
        created += (window = CreateWindowExA(0, name, "", WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL,
                                             NULL, NULL)) != NULL;
    int destroyed = 0;
    for (HWND window : windows)
        destroyed += DestroyWindow(window);
    Say("windows created %d, destroyed %d of %d", created, destroyed, WINDOWS);
    char text[300];
    memset(text, 'm', sizeof text - 1);
    text[sizeof text - 1] = '\0';
    int menus = 0, items = 0;
    for (int i = 0; i < MENUS; i++) {
        HMENU menu = CreatePopupMenu();
        menus += menu != NULL;
        for (int j = 0; j < ITEMS; j++)
            items += AppendMenuA(menu, MF_STRING, 1000 + j, text);
    }
    Say("menus created %d of %d, items appended %d of %d", menus, MENUS, items, MENUS * ITEMS);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterConformanceClass();
    SayClasses();
    SayCursors();
    SayLifeCycle();
    SayFrameMetrics();
    SayCapacity();
    return 0;
}
