// Message timers: clamping and replacement, cadence without drift, and no piling up, on the fake
// host's clock.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

namespace {
typedef int64_t Clock;

void Spend(int milliseconds) {
    AdvanceFakeClock(milliseconds * 1000);
}

Clock Now() {
    return FakeClock();
}

// Milliseconds since `start` at which the next WM_TIMER arrives; other messages are dispatched.
double NextTimerAt(Clock start, UINT_PTR* id = NULL) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        if (msg.message == WM_TIMER) {
            if (id != NULL)
                *id = msg.wParam;
            return (FakeClock() - start) / 1000.0;
        }
        DispatchMessageA(&msg);
    }
    return -1;
}
} // namespace

TEST(Timers, IntervalsAreClampedAndASecondSetReplaces) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    EXPECT_EQ(SetTimer(window, 1, 0, NULL), 1u);
    EXPECT_EQ(TestingTimerInterval(window, 1), 10u);
    SetTimer(window, 1, 9, NULL);
    EXPECT_EQ(TestingTimerInterval(window, 1), 10u);
    SetTimer(window, 1, static_cast<UINT>(-25), NULL); // a negative interval as unsigned
    EXPECT_EQ(TestingTimerInterval(window, 1), 0x7FFFFFFFu);
    SetTimer(window, 1, 250, NULL);
    EXPECT_EQ(TestingTimerInterval(window, 1), 250u);
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(KillTimer(window, 1)); // replaced, not added: only one was there
    SetTimer(window, 2, 50, NULL);
    DestroyWindow(window);
    EXPECT_EQ(TestingTimerInterval(window, 2), 0u);
    EXPECT_EQ(SetTimer(window, 2, 50, NULL), 0u);
}

TEST(Timers, ReplacingRestartsFromNow) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    Clock start = Now();
    SetTimer(window, 1, 40, NULL);
    Spend(30);
    SetTimer(window, 1, 40, NULL);
    double at = NextTimerAt(start);
    EXPECT_EQ(at, 70.0);
}

TEST(Timers, TicksKeepTheirCadenceWhileHandlingTakesTime) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    Clock start = Now();
    SetTimer(window, 1, 20, NULL);
    for (int n = 1; n <= 20; n++) {
        EXPECT_EQ(NextTimerAt(start), n * 20.0) << "tick " << n; // drifting would add 7 each
        Spend(7);
    }
}

TEST(Timers, MissedPeriodsGiveOneMessageAndKillTimerTakesItBack) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    Clock start = Now();
    SetTimer(window, 1, 50, NULL);
    Spend(230); // four periods pass unhandled
    double first = NextTimerAt(start);
    double second = NextTimerAt(start);
    EXPECT_EQ(first, 230.0);
    EXPECT_EQ(second, 250.0); // the next period, not a queued one

    SetTimer(window, 2, 80, NULL);
    Spend(60); // timer 1 is due again; getting a posted message lets the layer see it
    MSG msg;
    TestingPostMessage(window, WM_COMMAND, 1, 0);
    GetMessageA(&msg, NULL, 0, 0);
    KillTimer(window, 1);
    UINT_PTR id = 0;
    NextTimerAt(start, &id);
    EXPECT_EQ(id, 2u);
}
