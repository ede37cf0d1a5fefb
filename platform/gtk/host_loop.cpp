// Waiting and the clock: GLib's main context (which runs GTK) driven round by round by the
// layer's own loop, and woken by the next timer's deadline.
//
// A tick of the running game wakes on a deadline alone and, with the board drawn straight onto
// the host window, asks nothing of GTK. So when GLib's last round dispatched nothing, and nothing
// has touched the host since (HostChanged), the next wait polls the descriptors and timeout GLib
// asked for then, without GLib: only if one of them is ready, or its timeout passes, does GLib run
// again. This keeps GLib's, GDK's and Xlib's code and data out of a quiet tick; their descriptors
// are level-triggered, so what the short wait saw GLib sees again. Deadlines are kept to the
// microsecond with ppoll: a GLib timeout counts whole milliseconds, which would wake a tick up to
// 1 ms late.

#include "gtk_host.h"

#include <poll.h>
#include <time.h>

#include <vector>

namespace {
const int64_t MICROSECONDS = 1000000;

// What GLib's last round asked to be polled for, while it still holds.
std::vector<GPollFD>& hostFds = *new std::vector<GPollFD>(8);
int hostFdCount = 0;
bool hostQuiet = false;
int64_t hostDeadline = 0; // GLib's timeout on the host clock, HOST_NO_DEADLINE for none

// Polls until something is ready or the deadline; the number of descriptors ready. A broken
// display connection ends the program here, before GDK meets it.
int PollUntil(GPollFD* fds, int count, int64_t deadline) {
    static_assert(sizeof(GPollFD) == sizeof(pollfd), "GLib polls with the system's records");
    timespec wait = {0, 0};
    if (deadline != HOST_NO_DEADLINE) {
        int64_t left = deadline - HostClock();
        left = left > 0 ? left : 0;
        wait.tv_sec = static_cast<time_t>(left / MICROSECONDS);
        wait.tv_nsec = static_cast<long>(left % MICROSECONDS) * 1000;
    }
    int ready = ppoll(reinterpret_cast<pollfd*>(fds), static_cast<nfds_t>(count),
                      deadline == HOST_NO_DEADLINE ? NULL : &wait, NULL);
    for (int i = 0; i < count && ready > 0; i++)
        if (fds[i].fd == DisplayConnection() && (fds[i].revents & (POLLHUP | POLLERR)))
            ReportLostDisplay();
    return ready;
}

int64_t Earlier(int64_t a, int64_t b) {
    return a < b ? a : b;
}

// One round of the main context, as g_main_context_iteration, waiting at most until `deadline`,
// that keeps what it polled for if it dispatched nothing.
void IterateHost(int64_t deadline) {
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
    int64_t asked = HostClock();
    hostDeadline = timeout < 0 ? HOST_NO_DEADLINE : asked + static_cast<int64_t>(timeout) * 1000;
    PollUntil(hostFds.data(), hostFdCount, Earlier(deadline, hostDeadline));
    bool anyReady = false;
    for (int i = 0; i < hostFdCount; i++)
        anyReady = anyReady || hostFds[i].revents != 0;
    bool dispatch = g_main_context_check(context, priority, hostFds.data(), hostFdCount);
    if (dispatch)
        g_main_context_dispatch(context);
    hostQuiet = !dispatch && !anyReady && timeout != 0;
}
} // namespace

void HostChanged() {
    hostQuiet = false;
}

int64_t HostClock() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * MICROSECONDS + now.tv_nsec / 1000;
}

void HostWait(int64_t deadline) {
    if (hostQuiet && HostClock() < hostDeadline) {
        int ready = PollUntil(hostFds.data(), hostFdCount, Earlier(deadline, hostDeadline));
        if (ready <= 0 && HostClock() < hostDeadline)
            return;   // our deadline, or nothing
        deadline = 0; // GLib's turn, and something is ready for it
    }
    IterateHost(deadline);
}

void HostSleep(int64_t deadline) {
    PollUntil(NULL, 0, deadline);
}
