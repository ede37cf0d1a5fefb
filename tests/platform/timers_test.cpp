// Message timers: clamping and replacement, cadence without drift, and no piling up.

#include "message_log.h"

#include <win32_testing.h>

#include <chrono>
#include <thread>

namespace {
typedef std::chrono::steady_clock Clock;

// Milliseconds since `start` at which the next WM_TIMER arrives; other messages are dispatched.
double NextTimerAt(Clock::time_point start, UINT_PTR* id = NULL) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        if (msg.message == WM_TIMER) {
            if (id != NULL)
                *id = msg.wParam;
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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
    Clock::time_point start = Clock::now();
    SetTimer(window, 1, 40, NULL);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    SetTimer(window, 1, 40, NULL);
    double at = NextTimerAt(start);
    EXPECT_GE(at, 69.0);
    EXPECT_LT(at, 90.0);
}

TEST(Timers, TicksKeepTheirCadenceWhileHandlingTakesTime) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    Clock::time_point start = Clock::now();
    SetTimer(window, 1, 20, NULL);
    int onTime = 0;
    double at = 0;
    for (int n = 1; n <= 20; n++) {
        at = NextTimerAt(start);
        EXPECT_GE(at, n * 20.0 - 0.5) << "tick " << n;
        onTime += at < n * 20.0 + 10.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
    }
    EXPECT_GE(onTime, 15); // a loaded machine may delay a few ticks, which must not add up
    EXPECT_LT(at, 460.0);  // drifting would give about 20 * 27 = 540
}

TEST(Timers, MissedPeriodsGiveOneMessageAndKillTimerTakesItBack) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    Clock::time_point start = Clock::now();
    SetTimer(window, 1, 50, NULL);
    std::this_thread::sleep_for(std::chrono::milliseconds(230)); // four periods pass unhandled
    double first = NextTimerAt(start);
    double second = NextTimerAt(start);
    EXPECT_LT(first, 240.0);
    EXPECT_GE(second, 249.5); // the next period, not a queued one
    EXPECT_LT(second, 265.0);

    SetTimer(window, 2, 80, NULL);
    std::this_thread::sleep_for(std::chrono::milliseconds(
        60)); // timer 1 is due again; getting a posted message lets the layer see it
    MSG msg;
    TestingPostMessage(window, WM_COMMAND, 1, 0);
    GetMessageA(&msg, NULL, 0, 0);
    KillTimer(window, 1);
    UINT_PTR id = 0;
    NextTimerAt(start, &id);
    EXPECT_EQ(id, 2u);
}
