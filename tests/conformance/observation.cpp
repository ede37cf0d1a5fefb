#include "observation.h"

#include <stdarg.h>
#include <stdio.h>

MessageHook messageHook = NULL;
bool reportMessages = true;

namespace {
const char* linePrefix = "";

struct MessageNameRow {
    UINT message;
    const char* name;
};
const MessageNameRow MESSAGE_NAMES[] = {
    {WM_CREATE, "WM_CREATE"},   {WM_DESTROY, "WM_DESTROY"},
    {WM_PAINT, "WM_PAINT"},     {WM_CLOSE, "WM_CLOSE"},
    {WM_QUIT, "WM_QUIT"},       {WM_ERASEBKGND, "WM_ERASEBKGND"},
    {WM_KEYUP, "WM_KEYUP"},     {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
    {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_TIMER, "WM_TIMER"},
    {WM_COMMAND, "WM_COMMAND"},
};

bool IsDeclared(UINT message) {
    for (const MessageNameRow& row : MESSAGE_NAMES)
        if (row.message == message)
            return true;
    return message >= WM_USER && message < WM_USER + 100;
}

void SayCreateStruct(const CREATESTRUCTA* create) {
    Say("  CREATESTRUCTA params %s menu %s parent %s name \"%s\" class \"%s\" exStyle %X",
        create->lpCreateParams != NULL ? static_cast<const char*>(create->lpCreateParams) : "NULL",
        create->hMenu != NULL ? "set" : "NULL", create->hwndParent != NULL ? "set" : "NULL",
        create->lpszName, create->lpszClass, static_cast<unsigned>(create->dwExStyle));
    Say("  CREATESTRUCTA style has caption %d sysmenu %d; x %d y %d cx %d cy %d",
        (create->style & WS_CAPTION) == WS_CAPTION, (create->style & WS_SYSMENU) != 0, create->x,
        create->y, create->cx, create->cy);
}

LRESULT CALLBACK ConformanceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (reportMessages && IsDeclared(message)) {
        // Handles, device contexts and pointers are only said to be there or not.
        bool handleInWParam = message == WM_ERASEBKGND;
        bool pointerInLParam = message == WM_CREATE || message == WM_TIMER;
        char w[16], l[16];
        if (handleInWParam)
            snprintf(w, sizeof w, "%s", wParam != 0 ? "dc" : "0");
        else
            snprintf(w, sizeof w, "%X", static_cast<unsigned>(wParam));
        if (pointerInLParam)
            snprintf(l, sizeof l, "%s", lParam != 0 ? "ptr" : "0");
        else
            snprintf(l, sizeof l, "%X", static_cast<unsigned>(lParam));
        Say("  %s %s %s", MessageName(message), w, l);
        if (message == WM_CREATE && lParam != 0)
            SayCreateStruct(reinterpret_cast<const CREATESTRUCTA*>(lParam));
    }
    bool handled = false;
    LRESULT result =
        messageHook != NULL ? messageHook(window, message, wParam, lParam, &handled) : 0;
    return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

void Say(const char* format, ...) {
    fputs(linePrefix, stdout);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fputc('\n', stdout);
    fflush(stdout);
}

void SetLinePrefix(const char* prefix) {
    linePrefix = prefix;
}

const char* MessageName(UINT message) {
    static char name[16];
    for (const MessageNameRow& row : MESSAGE_NAMES)
        if (row.message == message)
            return row.name;
    if (message >= WM_USER && message < WM_USER + 100)
        snprintf(name, sizeof name, "WM_USER+%u", message - WM_USER);
    else
        snprintf(name, sizeof name, "0x%X", message);
    return name;
}

void RegisterConformanceClass() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ConformanceProcedure;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "Conformance";
    Say("RegisterClassA Conformance -> %s", RegisterClassA(&windowClass) != 0 ? "atom" : "0");
}

HWND CreateConformanceWindow(const char* title, HMENU menu, void* param) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    return CreateWindowExA(0, "Conformance", title, style, 40, 40, 300, 200, NULL, menu, NULL,
                           param);
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)
            return -1;
        // The layer's close box posts WM_CLOSE; Win32's posts WM_SYSCOMMAND, which sends it.
        if (IsDeclared(msg.message))
            Say("%sGetMessageA %s %s", msg.message == WM_CLOSE ? DIFFERS : "",
                MessageName(msg.message), msg.hwnd != NULL ? "window" : "thread");
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Say("GetMessageA WM_QUIT %d", static_cast<int>(msg.wParam));
    return static_cast<int>(msg.wParam);
}
