// Message timers: SetTimer and KillTimer, and the WM_TIMER that GetMessageA returns.
//
// As in Win32: the interval is clamped to USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM; setting a timer
// again with the same window and identifier replaces it and restarts it from now; WM_TIMER comes
// only when nothing else is waiting, and a timer has at most one pending. Due times advance by
// whole intervals from the moment the timer was set, so handling time does not make ticks drift
// and missed periods are dropped, not queued. Each timer has a timerfd armed for the absolute due
// time and then every interval, so the kernel keeps the cadence: g_timeout_add would drift, and a
// GLib ready time is polled in whole milliseconds, which wakes a tick up to 1 ms late. The
// timerfds are polled with GLib's own descriptors, by the poll function this layer gives the main
// context, and read there: a tick costs GLib no source to prepare, check and dispatch. A NULL
// window gets identifiers chosen here, as in Win32; timers have no fixed limit.

#include "layer_internal.h"

#include <glib.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <vector>

namespace {
struct TimerRecord {
    bool used;
    bool due;
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
    UINT interval;    // milliseconds, after clamping
    gint64 nextDueUs; // monotonic
    int fd;           // timerfd on the monotonic clock, armed for nextDueUs
};

// Never destroyed, so that timers still set at exit end with the process.
std::deque<TimerRecord>& timers = *new std::deque<TimerRecord>;
int scanStart = 0; // round robin, so that one fast timer cannot starve another
UINT_PTR lastThreadTimerId = 0;
std::vector<pollfd>& polled = *new std::vector<pollfd>; // GLib's descriptors, then the timers'
std::vector<int>& polledTimers = *new std::vector<int>; // the timer of each timerfd there

int TimerCount() {
    return static_cast<int>(timers.size());
}

// g_get_monotonic_time and the timerfd count on the same clock.
void Arm(const TimerRecord& timer) {
    itimerspec when = {};
    when.it_value.tv_sec = static_cast<time_t>(timer.nextDueUs / G_USEC_PER_SEC);
    when.it_value.tv_nsec = static_cast<long>(timer.nextDueUs % G_USEC_PER_SEC) * 1000;
    when.it_interval.tv_sec = static_cast<time_t>(timer.interval / 1000);
    when.it_interval.tv_nsec = static_cast<long>(timer.interval % 1000) * 1000000;
    timerfd_settime(timer.fd, TFD_TIMER_ABSTIME, &when, NULL);
}

// However many periods passed, one WM_TIMER is pending; the kernel has the next one armed.
void TakeExpirations(TimerRecord& timer) {
    uint64_t expirations;
    if (read(timer.fd, &expirations, sizeof expirations) != sizeof expirations)
        return; // woken early or already read: still armed
    timer.due = true;
    timer.nextDueUs += static_cast<gint64>(expirations) * timer.interval * 1000;
}

// GLib's poll, with the timers' descriptors after its own. A timer that expired becomes due; to
// GLib that is a timeout, so it goes on to check its own sources and returns.
gint PollWithTimers(GPollFD* fds, guint count, gint timeout) {
    static_assert(sizeof(GPollFD) == sizeof(pollfd), "GLib polls with the system's records");
    polled.assign(reinterpret_cast<pollfd*>(fds), reinterpret_cast<pollfd*>(fds) + count);
    polledTimers.clear();
    for (int i = 0; i < TimerCount(); i++) {
        if (timers[i].used && !timers[i].due) {
            polled.push_back(pollfd{timers[i].fd, POLLIN, 0});
            polledTimers.push_back(i);
        }
    }
    int ready = poll(polled.data(), polled.size(), timeout);
    if (ready <= 0)
        return ready;
    int ownReady = 0;
    for (guint i = 0; i < count; i++) {
        fds[i].revents = static_cast<gushort>(polled[i].revents);
        ownReady += polled[i].revents != 0;
    }
    for (size_t t = 0; t < polledTimers.size(); t++)
        if (polled[count + t].revents != 0)
            TakeExpirations(timers[polledTimers[t]]);
    return ownReady;
}

int FindTimer(HWND window, UINT_PTR id) {
    for (int i = 0; i < TimerCount(); i++)
        if (timers[i].used && timers[i].window == window && timers[i].id == id)
            return i;
    return -1;
}

void RemoveTimer(int index) {
    close(timers[index].fd);
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
        int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd < 0)
            return 0;
        TimerRecord& timer = timers[index];
        timer.used = true;
        timer.window = window;
        timer.id = id;
        timer.fd = fd;
        g_main_context_set_poll_func(NULL, PollWithTimers);
    }
    TimerRecord& timer = timers[index];
    timer.due = false;
    timer.callback = timerProc;
    timer.interval = elapse;
    timer.nextDueUs = g_get_monotonic_time() + static_cast<gint64>(elapse) * 1000;
    Arm(timer);
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
