#include "message_log.h"

#include <win32_testing.h>

#include <stdio.h>

MessageLog messageLog;
LRESULT eraseResult = -1;
LRESULT (*messageHook)(HWND, UINT, WPARAM, LPARAM, bool*) = NULL;

namespace {
LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (messageLog.count < MAX_LOGGED)
        messageLog.entries[messageLog.count++] = LoggedMessage{message, wParam};
    if (messageHook != NULL) {
        bool handled = false;
        LRESULT result = messageHook(window, message, wParam, lParam, &handled);
        if (handled)
            return result;
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        if (eraseResult != -1)
            return eraseResult;
        break;
    case WM_DESTROY: PostQuitMessage(7); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void StartLoggingLayer() {
    TestingResetLayer();
    TestingSetHeadless(true);
    messageLog = MessageLog{};
    eraseResult = -1;
    messageHook = NULL;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "Log";
    RegisterClassA(&windowClass);
}

HWND CreateLoggedWindow(HMENU menu) {
    RECT outer = {0, 0, 200, 100};
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectEx(&outer, style, menu != NULL, 0);
    return CreateWindowExA(0, "Log", "Log", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           outer.right - outer.left, outer.bottom - outer.top, NULL, menu, NULL,
                           NULL);
}

int RunMessageLoop(int limit) {
    MSG msg;
    for (int i = 0; i < limit && GetMessageA(&msg, NULL, 0, 0); i++) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

::testing::AssertionResult SequenceIs(const UINT* expected, int expectedCount) {
    int count = messageLog.count;
    for (int i = 0; i < count || i < expectedCount; i++) {
        UINT got = i < count ? messageLog.entries[i].message : 0;
        UINT want = i < expectedCount ? expected[i] : 0;
        if (i >= count || i >= expectedCount || got != want) {
            char text[80];
            snprintf(text, sizeof(text), "message %d: expected 0x%04x, got 0x%04x (0: the end)", i,
                     want, got);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}
