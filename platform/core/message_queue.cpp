// The thread's message queue and loop: GetMessageA, TranslateMessage, DispatchMessageA,
// PostMessageA, PostQuitMessage, GetTickCount and Sleep.
//
// As in Win32, GetMessageA returns posted messages first (in order), then the quit message once
// PostQuitMessage was called and nothing is posted, then WM_PAINT for a visible window with a
// non-empty update region, then WM_TIMER for a due timer; it waits in the host until one of these
// exists, or the next timer's deadline. Differences: one thread only; the queue holds 4096 posted
// messages (Win32 10000); MSG.pt is always (0, 0); TranslateMessage makes no WM_CHAR.

#include "core.h"

#include <string.h>

namespace {
const int QUEUE_CAPACITY = 4096;
// Before choosing a message the host is looked at without waiting at most this often: each look
// costs it a poll, while the few calls of one tick follow each other within microseconds, and
// input still comes in within a millisecond however busy the queue.
const int64_t HOST_LOOK_INTERVAL_US = 1000;
MSG queue[QUEUE_CAPACITY];
int queueCount = 0;
bool quitPending = false;
int quitCode = 0;
int64_t lastHostLook = INT64_MIN / 2;

void LookAtHost(int64_t deadline) {
    HostWait(deadline);
    lastHostLook = HostClock();
}

bool TakePosted(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg) {
    int i = 0;
    while (i < queueCount) {
        const MSG& entry = queue[i];
        bool dead = entry.hwnd != NULL && FindWindowRecord(entry.hwnd) == NULL;
        bool take = !dead && (entry.message == WM_QUIT ||
                              MessageInFilter(entry.hwnd, entry.message, filterWindow, filterMin,
                                              filterMax));
        if (take)
            *msg = entry;
        if (dead || take) {
            memmove(&queue[i], &queue[i + 1], sizeof(MSG) * (queueCount - i - 1));
            queueCount--;
        } else {
            i++;
        }
        if (take)
            return true;
    }
    return false;
}
} // namespace

DWORD TickCount() {
    return static_cast<DWORD>(HostClock() / 1000);
}

bool MessageInFilter(HWND window, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax) {
    if (filterWindow != NULL && window != filterWindow)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

BOOL PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != NULL && FindWindowRecord(window) == NULL)
        return FALSE;
    if (queueCount == QUEUE_CAPACITY)
        return FALSE;
    MSG& entry = queue[queueCount++];
    entry = MSG{};
    entry.hwnd = window;
    entry.message = message;
    entry.wParam = wParam;
    entry.lParam = lParam;
    entry.time = TickCount();
    return TRUE;
}

void ResetQueue() {
    queueCount = 0;
    quitPending = false;
    quitCode = 0;
    lastHostLook = INT64_MIN / 2;
}

BOOL TestingPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostToQueue(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostToQueue(window, message, wParam, lParam);
}

DWORD WINAPI GetTickCount(void) {
    return TickCount();
}

void WINAPI Sleep(DWORD milliseconds) {
    HostSleep(HostClock() + static_cast<int64_t>(milliseconds) * 1000);
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
}

BOOL WINAPI GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == NULL)
        return -1;
    int64_t now = HostClock();
    if (now - lastHostLook >= HOST_LOOK_INTERVAL_US)
        LookAtHost(now);
    for (;;) {
        if (TakePosted(window, filterMin, filterMax, msg))
            return msg->message != WM_QUIT;
        if (quitPending) {
            quitPending = false;
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(quitCode);
            msg->time = TickCount();
            return FALSE;
        }
        if (TakePaintMessage(window, filterMin, filterMax, msg) ||
            TakeDueTimer(window, filterMin, filterMax, msg)) {
            msg->time = TickCount();
            return TRUE;
        }
        LookAtHost(NextTimerDeadline());
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    return msg != NULL && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP);
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == NULL)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        TIMERPROC callback = reinterpret_cast<TIMERPROC>(msg->lParam);
        if (IsTimerCallback(callback))
            callback(msg->hwnd, WM_TIMER, msg->wParam, TickCount());
        return 0;
    }
    LRESULT result = SendToWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT)
        EraseNow(msg->hwnd); // what a handler that did not validate left asked for
    return result;
}
