// The thread's message queue and loop: GetMessageA, TranslateMessage, DispatchMessageA,
// PostMessageA, PostQuitMessage, GetTickCount and Sleep.
//
// As in Win32, GetMessageA returns posted messages first (in order), then the quit message once
// PostQuitMessage was called and nothing is posted, then WM_PAINT for a visible window with a
// non-empty update region, then WM_TIMER for a due timer; it blocks in the GLib main context (which
// also runs GTK) until one of these exists. Differences: one thread only; the queue holds 4096
// posted messages (Win32 10000); MSG.pt is always (0, 0); TranslateMessage makes no WM_CHAR.
//
// A tick of the running game wakes on a timer alone and, with the board drawn straight onto the
// host window, asks nothing of GTK. So when GLib's last round dispatched nothing, and nothing of
// ours has touched the host since (HostChanged), the next wait polls the descriptors and timeout
// GLib asked for then, without GLib: only if one of them is ready, or its timeout passes, does
// GLib run again. This keeps GLib's, GDK's and Xlib's code and data out of a quiet tick; their
// descriptors are level-triggered, so what the short wait saw GLib sees again.

#include "layer_internal.h"

#include <glib.h>
#include <string.h>

#include <vector>

namespace {
const int QUEUE_CAPACITY = 4096;
MSG queue[QUEUE_CAPACITY];
int queueCount = 0;
bool quitPending = false;
int quitCode = 0;
gint64 lastHostLook = 0; // monotonic microseconds

// What GLib's last round asked to be polled for, while it still holds.
std::vector<GPollFD>& hostFds = *new std::vector<GPollFD>(8);
int hostFdCount = 0;
bool hostQuiet = false;
gint64 hostDeadline = 0; // monotonic microseconds, G_MAXINT64 for none

// One round of the main context, as g_main_context_iteration, that keeps what it polled for if
// it dispatched nothing.
void IterateHost(bool block) {
    GMainContext* context = g_main_context_default();
    // Owned for good, so that another thread that adds a source wakes the short wait as well.
    static bool owned = g_main_context_acquire(context);
    (void)owned;
    gint priority, timeout;
    g_main_context_prepare(context, &priority);
    for (;;) {
        int needed = g_main_context_query(context, priority, &timeout, hostFds.data(),
                                          static_cast<int>(hostFds.size()));
        hostFdCount = needed;
        if (needed <= static_cast<int>(hostFds.size()))
            break;
        hostFds.resize(needed);
    }
    gint64 asked = g_get_monotonic_time();
    gint wait = block ? timeout : 0;
    if (hostFdCount > 0 || wait != 0)
        g_main_context_get_poll_func(context)(hostFds.data(), hostFdCount, wait);
    bool anyReady = false;
    for (int i = 0; i < hostFdCount; i++)
        anyReady = anyReady || hostFds[i].revents != 0;
    bool dispatch = g_main_context_check(context, priority, hostFds.data(), hostFdCount);
    if (dispatch)
        g_main_context_dispatch(context);
    hostQuiet = !dispatch && !anyReady && timeout != 0;
    hostDeadline = timeout < 0 ? G_MAXINT64 : asked + static_cast<gint64>(timeout) * 1000;
}

// Lets the host's events and due timers in. Before choosing a message this happens without
// blocking at most once a millisecond: each look costs a poll and a read of the display
// connection, and the few calls of one tick follow each other within microseconds, while host
// input still comes in within a millisecond however busy the queue.
void LookAtHost(bool block) {
    gint64 now = g_get_monotonic_time();
    if (hostQuiet && now < hostDeadline) {
        gint wait = !block ? 0
                    : hostDeadline == G_MAXINT64
                        ? -1
                        : static_cast<gint>((hostDeadline - now + 999) / 1000);
        gint ready = g_main_context_get_poll_func(NULL)(hostFds.data(), hostFdCount, wait);
        lastHostLook = g_get_monotonic_time();
        if (ready <= 0 && lastHostLook < hostDeadline)
            return;    // a timer, or nothing
        block = false; // GLib's turn, and something is ready for it
    }
    IterateHost(block);
    lastHostLook = g_get_monotonic_time();
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
    return static_cast<DWORD>(g_get_monotonic_time() / 1000);
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
    lastHostLook = 0;
    hostQuiet = false;
}

void HostChanged() {
    hostQuiet = false;
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
    g_usleep(static_cast<gulong>(milliseconds) * 1000);
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
}

BOOL WINAPI GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == NULL)
        return -1;
    if (g_get_monotonic_time() - lastHostLook >= 1000)
        LookAtHost(false);
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
        LookAtHost(true);
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
    return SendToWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
