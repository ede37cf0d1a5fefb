// Message timers: SetTimer and KillTimer, and the WM_TIMER that GetMessageA returns.
//
// As in Win32: the interval is clamped to USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM; setting a timer
// again with the same window and identifier replaces it and restarts it from now; WM_TIMER comes
// only when nothing else is waiting, and a timer has at most one pending. Due times advance by
// whole intervals from the moment the timer was set, so handling time does not make ticks drift
// and missed periods are dropped, not queued. Deadlines are on the host's clock; the loop waits in
// the host until the earliest of those not yet due. A NULL window gets identifiers chosen here,
// as in Win32; timers have no fixed limit.

#include "core.h"

namespace {
struct TimerRecord {
    bool used;
    bool due; // one WM_TIMER pending
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
    UINT interval;   // milliseconds, after clamping
    int64_t nextDue; // the host's clock; for a due timer, the deadline after the pending one
};

// Never destroyed, so that timers still set at exit end with the process.
std::deque<TimerRecord>& timers = *new std::deque<TimerRecord>;
int scanStart = 0; // round robin, so that one fast timer cannot starve another
UINT_PTR lastThreadTimerId = 0;

int TimerCount() {
    return static_cast<int>(timers.size());
}

// However many periods passed, one WM_TIMER is pending, and the next is due a whole number of
// intervals after the last.
void MarkDueTimers(int64_t now) {
    for (TimerRecord& timer : timers) {
        if (!timer.used || timer.due || timer.nextDue > now)
            continue;
        int64_t period = static_cast<int64_t>(timer.interval) * 1000;
        timer.due = true;
        timer.nextDue += ((now - timer.nextDue) / period + 1) * period;
    }
}

int FindTimer(HWND window, UINT_PTR id) {
    for (int i = 0; i < TimerCount(); i++)
        if (timers[i].used && timers[i].window == window && timers[i].id == id)
            return i;
    return -1;
}

void RemoveTimer(int index) {
    timers[index] = TimerRecord{};
}
} // namespace

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
    if (window != NULL && FindWindowRecord(window) == NULL)
        return 0;
    if (elapse < USER_TIMER_MINIMUM)
        elapse = USER_TIMER_MINIMUM;
    if (elapse > USER_TIMER_MAXIMUM)
        elapse = USER_TIMER_MAXIMUM;
    int index = FindTimer(window, id);
    if (window == NULL && (id == 0 || index < 0)) {
        id = ++lastThreadTimerId;
        index = -1;
    }
    if (index < 0) {
        for (int i = 0; i < TimerCount() && index < 0; i++)
            if (!timers[i].used)
                index = i;
        if (index < 0) {
            index = TimerCount();
            timers.emplace_back();
        }
        TimerRecord& timer = timers[index];
        timer.used = true;
        timer.window = window;
        timer.id = id;
    }
    TimerRecord& timer = timers[index];
    timer.due = false;
    timer.callback = timerProc;
    timer.interval = elapse;
    timer.nextDue = HostClock() + static_cast<int64_t>(elapse) * 1000;
    return id != 0 ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    int index = FindTimer(window, id);
    if (index < 0)
        return FALSE;
    RemoveTimer(index);
    return TRUE;
}

bool TakeDueTimer(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg) {
    MarkDueTimers(HostClock());
    for (int n = 0; n < TimerCount(); n++) {
        int i = (scanStart + n) % TimerCount();
        TimerRecord& timer = timers[i];
        if (!timer.used || !timer.due ||
            !MessageInFilter(timer.window, WM_TIMER, filterWindow, filterMin, filterMax))
            continue;
        timer.due = false;
        scanStart = (i + 1) % TimerCount();
        *msg = MSG{};
        msg->hwnd = timer.window;
        msg->message = WM_TIMER;
        msg->wParam = timer.id;
        msg->lParam = reinterpret_cast<LPARAM>(timer.callback);
        return true;
    }
    return false;
}

int64_t NextTimerDeadline() {
    int64_t next = HOST_NO_DEADLINE;
    for (const TimerRecord& timer : timers)
        if (timer.used && !timer.due && timer.nextDue < next)
            next = timer.nextDue;
    return next;
}

bool IsTimerCallback(TIMERPROC callback) {
    for (const TimerRecord& timer : timers)
        if (timer.used && timer.callback == callback)
            return true;
    return false;
}

void KillWindowTimers(HWND window) {
    for (int i = 0; i < TimerCount(); i++)
        if (timers[i].used && timers[i].window == window)
            RemoveTimer(i);
}

void ResetTimers() {
    for (int i = 0; i < TimerCount(); i++)
        if (timers[i].used)
            RemoveTimer(i);
    scanStart = 0;
}

UINT TestingTimerInterval(HWND window, UINT_PTR id) {
    int index = FindTimer(window, id);
    return index < 0 ? 0 : timers[index].interval;
}
