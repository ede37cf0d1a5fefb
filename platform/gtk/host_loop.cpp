// Waiting and the clock: GLib's main context (which runs GTK) driven round by round by the
// layer's own loop, and woken by the next timer's deadline.
//
// A tick of the running game wakes on a deadline alone and, with the board drawn straight onto
// the host window, asks nothing of GTK. So when GLib's last round dispatched nothing, and nothing
// has touched the host since (HostChanged), the next wait polls the descriptors and timeout GLib
// asked for then, without GLib: only if one of them is ready, or its timeout passes, does GLib run
// again. This keeps GLib's, GDK's and Xlib's code and data out of a quiet tick; their descriptors
// are level-triggered, so what the short wait saw GLib sees again. On Wayland the compositor
// answers each frame the board commits by handing its buffer back: that wake reads the display
// itself, and stays quiet when nothing it read is GDK's.
//
// The core's deadline is a timerfd on the monotonic clock, polled with GLib's descriptors: it
// fires at that moment to the microsecond (a GLib timeout counts whole milliseconds, which would
// wake a tick up to 1 ms late), and, being absolute, also after the program was stopped and
// continued, where a relative timeout would start again from the beginning. It is armed to repeat
// at the last gap between deadlines, so a steady tick costs the one read of it and no re-arming.

#include "gtk_host.h"

#include <errno.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace {
const int64_t MICROSECONDS = 1000000;

// What GLib's last round asked to be polled for, while it still holds; one place more for the
// deadline's timerfd.
std::vector<GPollFD>& hostFds = *new std::vector<GPollFD>(8);
int hostFdCount = 0;
bool hostQuiet = false;
int64_t hostDeadline = 0; // GLib's timeout on the host clock, HOST_NO_DEADLINE for none

int deadlineFd = -1;
int64_t armedDeadline = HOST_NO_DEADLINE; // when the timerfd fires next
int64_t armedPeriod = 0;                  // and after that, every this often (0: once)
int64_t lastDeadline = HOST_NO_DEADLINE;

timespec AsTimespec(int64_t microseconds) {
    return timespec{static_cast<time_t>(microseconds / MICROSECONDS),
                    static_cast<long>(microseconds % MICROSECONDS) * 1000};
}

void ArmDeadline(int64_t deadline) {
    if (deadlineFd < 0)
        deadlineFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (deadline == armedDeadline || deadlineFd < 0)
        return;
    int64_t gap =
        lastDeadline != HOST_NO_DEADLINE && deadline != HOST_NO_DEADLINE && deadline > lastDeadline
            ? deadline - lastDeadline
            : 0;
    lastDeadline = deadline;
    itimerspec when = {};
    if (deadline != HOST_NO_DEADLINE) {
        when.it_value = AsTimespec(deadline > 0 ? deadline : 1);
        when.it_interval = AsTimespec(gap);
    }
    timerfd_settime(deadlineFd, TFD_TIMER_ABSTIME, &when, NULL);
    armedDeadline = deadline;
    armedPeriod = gap;
}

// The timerfd fired: it is read, and its next firing is noted.
void TakeDeadline() {
    uint64_t expirations;
    if (read(deadlineFd, &expirations, sizeof expirations) != sizeof expirations)
        return;
    armedDeadline = armedPeriod > 0
                        ? armedDeadline + static_cast<int64_t>(expirations) * armedPeriod
                        : HOST_NO_DEADLINE;
}

// Polls GLib's descriptors and the deadline's timerfd until something is ready or GLib's
// timeout; the number of GLib's descriptors ready (the deadline counts as a timeout to GLib). A
// broken display connection ends the program here, before GDK meets it.
int PollUntil(int count, int64_t glibDeadline, int64_t deadline) {
    static_assert(sizeof(GPollFD) == sizeof(pollfd), "GLib polls with the system's records");
    // A deadline already past needs no timer, and the poll only looks: arming the timer for it
    // would also teach it a wrong gap.
    int64_t now = HostClock();
    bool due = deadline != HOST_NO_DEADLINE && deadline <= now;
    if (!due)
        ArmDeadline(deadline);
    if (hostFds.size() < static_cast<size_t>(count) + 1)
        hostFds.resize(count + 1);
    hostFds[count] = GPollFD{deadlineFd, G_IO_IN, 0};
    timespec wait = {0, 0};
    if (glibDeadline != HOST_NO_DEADLINE && !due) {
        int64_t left = glibDeadline - now;
        wait = AsTimespec(left > 0 ? left : 0);
    }
    int ready = ppoll(reinterpret_cast<pollfd*>(hostFds.data()), static_cast<nfds_t>(count + 1),
                      glibDeadline == HOST_NO_DEADLINE && !due ? NULL : &wait, NULL);
    if (ready > 0 && hostFds[count].revents != 0) {
        TakeDeadline();
        ready--;
    }
    for (int i = 0; i < count && ready > 0; i++)
        if (hostFds[i].fd == DisplayConnection() && (hostFds[i].revents & (POLLHUP | POLLERR)))
            ReportLostDisplay();
    return ready;
}

bool OnlyDisplayReadable() {
    for (int i = 0; i < hostFdCount; i++)
        if (hostFds[i].revents != 0 &&
            (hostFds[i].fd != DisplayConnection() || hostFds[i].revents != G_IO_IN))
            return false;
    return true;
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
    PollUntil(hostFdCount, deadline <= asked ? asked : hostDeadline, deadline);
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
    for (int64_t now = HostClock(); hostQuiet && now < hostDeadline; now = HostClock()) {
        int ready = PollUntil(hostFdCount, deadline <= now ? now : hostDeadline, deadline);
        if (ready <= 0 && HostClock() < hostDeadline)
            return; // our deadline, or nothing
        if (ready == 1 && OnlyDisplayReadable() && TakeOwnDisplayEvents())
            continue;
        deadline = 0; // GLib's turn, and something is ready for it
        break;
    }
    IterateHost(deadline);
}

void HostSleep(int64_t deadline) {
    timespec until = AsTimespec(deadline);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR) {
    }
}
