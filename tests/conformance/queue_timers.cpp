// The queue's order (posted, quit, paint, timer), filters, and message timers: replacing, killing,
// a zero and a huge interval, missed periods, callbacks, thread timers and a destroyed window's
// timers.

#include "observation.h"

namespace {
const UINT_PTR STOPPER = 99;
HWND window;
UINT_PTR threadTimer; // the identifier SetTimer chose
int ticks[100];       // WM_TIMER seen per identifier

LRESULT Count(HWND hwnd, UINT message, WPARAM wParam, LPARAM, bool* handled) {
    if (message == WM_TIMER && wParam < 100)
        ticks[wParam]++;
    if (message == WM_TIMER && wParam == STOPPER) {
        KillTimer(hwnd, STOPPER);
        PostQuitMessage(0);
    }
    if (message >= WM_USER) {
        *handled = true;
        return message - WM_USER + 100;
    }
    if (message == WM_PAINT) {
        *handled = true;
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
    }
    return 0;
}

// Runs the loop for about `milliseconds`, counting the ticks; prints nothing of it.
void RunFor(UINT milliseconds) {
    for (int& count : ticks)
        count = 0;
    SetTimer(window, STOPPER, milliseconds, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (reportMessages)
            Say("GetMessageA %s", MessageName(msg.message));
        DispatchMessageA(&msg);
    }
}

void CALLBACK OnTimer(HWND hwnd, UINT message, UINT_PTR id, DWORD) {
    if (hwnd == NULL)
        Say("  TimerProc NULL %s, id %s", MessageName(message),
            id == threadTimer ? "as SetTimer returned" : "another");
    else
        Say("  TimerProc %s %s, id %u", hwnd == window ? "window" : "other", MessageName(message),
            static_cast<unsigned>(id));
    KillTimer(hwnd, id);
}

void SayQueueOrder() {
    Say("SetTimer 1 of 10 ms -> %u", static_cast<unsigned>(SetTimer(window, 1, 10, NULL)));
    Sleep(50);
    Say("PostMessageA -> %d", PostMessageA(window, WM_USER + 1, 1, 0));
    Say("PostMessageA -> %d", PostMessageA(window, WM_USER + 2, 2, 0));
    Say("PostMessageA to the thread -> %d", PostMessageA(NULL, WM_USER + 3, 3, 0));
    PostQuitMessage(7);
    Say("loop until WM_QUIT");
    RunMessageLoop();
    Say("loop again");
    KillTimer(window, 1);
    Say("SetTimer 1 again -> %u", static_cast<unsigned>(SetTimer(window, 1, 10, NULL)));
    Sleep(30);
    InvalidateRect(window, NULL, FALSE);
    PostMessageA(window, WM_USER + 4, 4, 0);
    MSG msg;
    for (int i = 0; i < 3 && GetMessageA(&msg, NULL, 0, 0); i++) {
        Say("GetMessageA %s", MessageName(msg.message));
        DispatchMessageA(&msg);
    }
    KillTimer(window, 1);
}

void SayTake(HWND filter, UINT first, UINT last) {
    MSG msg;
    BOOL got = GetMessageA(&msg, filter, first, last);
    Say("GetMessageA %s %s..%s -> %d %s %s", filter != NULL ? "window" : "any", MessageName(first),
        MessageName(last), got, MessageName(msg.message), msg.hwnd != NULL ? "window" : "thread");
    if (msg.message != WM_QUIT) {
        Say("TranslateMessage -> %d", TranslateMessage(&msg) != 0);
        Say("DispatchMessageA -> %d", static_cast<int>(DispatchMessageA(&msg)));
    }
}

// Filters by window and by message range, then what TranslateMessage and DispatchMessageA answer.
void SayFilters() {
    PostMessageA(window, WM_USER + 5, 0, 0);
    PostMessageA(NULL, WM_USER + 6, 0, 0);
    PostMessageA(window, WM_USER + 7, 0, 0);
    PostMessageA(window, WM_KEYDOWN, VK_LEFT, 0x014B0001);
    PostMessageA(window, WM_USER + 8, 0, 0);
    SayTake(NULL, WM_USER + 6, WM_USER + 7);
    SayTake(window, 0, 0);
    SayTake(window, WM_KEYDOWN, WM_KEYUP);
    SayTake(window, WM_USER + 8, WM_USER + 8);
    SayTake(window, 0, 0);
    PostQuitMessage(4);
    SayTake(window, WM_USER + 9, WM_USER + 9);
}

void SayTimerCalls() {
    Say("SetTimer 5 -> %u", static_cast<unsigned>(SetTimer(window, 5, 50, NULL)));
    Say("SetTimer 5 again -> %u", static_cast<unsigned>(SetTimer(window, 5, 30, NULL)));
    Say("KillTimer 5 -> %d", KillTimer(window, 5));
    Say("KillTimer 5 again -> %d", KillTimer(window, 5));
    Say("KillTimer of an unknown id -> %d", KillTimer(window, 55));
    Say("SetTimer 0 -> %u", static_cast<unsigned>(SetTimer(window, 0, 50, NULL)));
    Say("KillTimer 0 -> %d", KillTimer(window, 0));
    Say("SetTimer 13 -> %u", static_cast<unsigned>(SetTimer(window, 13, 50, NULL)));
    Say("KillTimer 13 as a thread timer -> %d", KillTimer(NULL, 13));
    Say("KillTimer 13 -> %d", KillTimer(window, 13));
    threadTimer = SetTimer(NULL, 0, 10, OnTimer);
    Say("SetTimer without a window -> %s", threadTimer != 0 ? "an id" : "0");
    Say("SetTimer 6 with a callback -> %u",
        static_cast<unsigned>(SetTimer(window, 6, 60, OnTimer)));
    RunFor(200);
    Say("KillTimer thread timer after its callback killed it -> %d", KillTimer(NULL, threadTimer));
}

void SayIntervals() {
    reportMessages = false;
    Say("SetTimer 7 of 0 ms -> %u", static_cast<unsigned>(SetTimer(window, 7, 0, NULL)));
    Say("SetTimer 8 of 0xFFFFFFFF ms -> %u",
        static_cast<unsigned>(SetTimer(window, 8, 0xFFFFFFFF, NULL)));
    RunFor(300);
    Say("in 300 ms the zero interval ticked %s; the huge one %d times",
        ticks[7] > 3 ? "several times" : "at most 3 times", ticks[8]);
    Say(TIMING "zero interval ticks in 300 ms: %d", ticks[7]);
    KillTimer(window, 7);
    KillTimer(window, 8);

    SetTimer(window, 9, 100, NULL);
    Sleep(530);
    RunFor(30);
    Say("after missing five periods of 100 ms, ticks in the next 30 ms: %d", ticks[9]);
    KillTimer(window, 9);

    SetTimer(window, 10, 10, NULL);
    Sleep(50);
    Say("KillTimer with a tick pending -> %d", KillTimer(window, 10));
    RunFor(30);
    Say("ticks after that: %d", ticks[10]);

    SetTimer(window, 11, 50, NULL);
    RunFor(520);
    Say(TIMING "a 50 ms timer in 520 ms: %d ticks", ticks[11]);
    KillTimer(window, 11);
    reportMessages = true;
}

void SayDestroyedWindowTimers() {
    HWND other = CreateConformanceWindow("Other");
    SetTimer(other, 12, 10, NULL);
    Sleep(30);
    DestroyWindow(other);
    Say("KillTimer of a destroyed window's timer -> %d", KillTimer(other, 12));
    reportMessages = false;
    RunFor(30);
    reportMessages = true;
    Say("its ticks after that: %d", ticks[12]);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterConformanceClass();
    messageHook = Count;
    window = CreateConformanceWindow("Queue");
    ShowWindow(window, SW_SHOW);
    SayQueueOrder();
    SayFilters();
    SayTimerCalls();
    SayIntervals();
    SayDestroyedWindowTimers();
    DestroyWindow(window);
    return 0;
}
