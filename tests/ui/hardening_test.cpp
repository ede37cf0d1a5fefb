// The game window under input it does not expect, through the layer's real
// queue and loop: floods, unknown commands and keys, a destroyed window, and
// the extreme timer intervals.

#include "game_window.h"
#include "model/game_state.h"
#include "tests/support/game_walks.h"
#include "ui/board_painter.h"
#include "ui/window_procedure.h"

#include <win32_testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>

namespace {

constexpr UINT_PTR WATCHDOG_TIMER = 99;
constexpr UINT DRAIN_MARK = 0x0401; // WM_USER + 1: means nothing to the game

class HardenedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window = OpenGameWindow();
        ASSERT_NE(window, nullptr);
        SetTimer(window, TIMER_ID, static_cast<UINT>(timerInterval), NULL);
    }
    void TearDown() override {
        TestingResetLayer();
    }
    // Hands queued messages to the window until a tick of the game timer has
    // been dispatched; false if the loop ended first.
    bool RunUntilTick() {
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0)) {
            DispatchMessageA(&msg);
            if (msg.message == WM_TIMER && msg.wParam == TIMER_ID)
                return true;
        }
        return false;
    }
    // Dispatches everything posted so far, up to a marker posted last.
    void Drain() {
        ASSERT_TRUE(TestingPostMessage(window, DRAIN_MARK, 0, 0));
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) && msg.message != DRAIN_MARK)
            DispatchMessageA(&msg);
    }
    void SendMessageToGame(UINT command) {
        WindowProc(window, WM_COMMAND, command, 0);
    }
    HWND window = NULL;
};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

// More keys than the queue holds between two ticks: the posts that do not
// fit are refused, the last arrow that got in steers, and the tick that
// follows still arrives.
TEST_F(HardenedWindow, AKeyFloodBetweenTwoTicksLeavesTheLastArrow) {
    const UINT arrows[] = {VK_UP, VK_LEFT, VK_RIGHT, VK_DOWN};
    int accepted = 0;
    for (int i = 0; i < 4095; i++)
        accepted += TestingPostMessage(window, WM_KEYDOWN, arrows[i % 4], 0);
    accepted += TestingPostMessage(window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(accepted, 4096);
    for (int i = 0; i < 5000; i++)
        EXPECT_FALSE(TestingPostMessage(window, WM_KEYDOWN, VK_UP, 0)) << "post " << i;

    ASSERT_TRUE(RunUntilTick());
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(head.x, 0);
    EXPECT_EQ(head.y, 1);

    // A press posts WM_KEYDOWN and WM_KEYUP: 2000 of them nearly fill the queue.
    for (int i = 0; i < 2000; i++)
        TestingPressKey(window, i % 2 ? VK_UP : VK_LEFT);
    TestingPressKey(window, VK_RIGHT);
    ASSERT_TRUE(RunUntilTick());
    EXPECT_EQ(head.x, 1);
    EXPECT_EQ(head.y, 1);
}

// Every identifier and key that means nothing to the game, with and without
// high bits, through the queue: the game, the speed and the window stay.
TEST_F(HardenedWindow, UnknownCommandsAndKeysChangeNothing) {
    KillTimer(window, TIMER_ID); // no tick may move the snake meanwhile
    GameSnapshot before = TakeGameSnapshot();
    int32_t intervalBefore = timerInterval;
    for (WPARAM high : {WPARAM{0}, WPARAM{0x00010000}, WPARAM{0xFFFF0000}}) {
        for (WPARAM low = 0; low <= 0xFFFF; low++) {
            if (low < ID_NEW_GAME || low > ID_DECREASE_SPEED) {
                ASSERT_TRUE(TestingPostMessage(window, WM_COMMAND, high | low, 0));
            }
            if (low < VK_LEFT || low > VK_DOWN) {
                ASSERT_TRUE(TestingPostMessage(window, WM_KEYDOWN, high | low, 0));
                ASSERT_TRUE(TestingPostMessage(window, WM_KEYUP, high | low, 0));
            }
            if (low % 1024 == 1023)
                Drain();
        }
    }
    Drain();
    EXPECT_TRUE(SameGame(before, TakeGameSnapshot()));
    EXPECT_EQ(timerInterval, intervalBefore);
    EXPECT_TRUE(TestingIsWindowAlive(window));
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 0u) << "a command restarted the timer";
}

// Once the window is gone, what was queued for it and whatever comes later
// reaches nothing: no step, no steering, no second WM_DESTROY.
TEST_F(HardenedWindow, ADestroyedWindowTakesNoMoreInput) {
    TestingPostMessage(window, WM_KEYDOWN, VK_DOWN, 0);
    TestingPostMessage(window, WM_TIMER, TIMER_ID, 0);
    TestingPostMessage(window, WM_COMMAND, ID_DECREASE_SPEED, 0);
    ASSERT_TRUE(DestroyWindow(window));
    int brushesLeft = TestingLiveBrushCount();
    GameSnapshot before = TakeGameSnapshot();
    int32_t intervalBefore = timerInterval;

    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), 0) << "the queued messages were not dropped";
    EXPECT_FALSE(TestingPostMessage(window, WM_TIMER, TIMER_ID, 0));
    msg = MSG{};
    msg.hwnd = window;
    for (UINT message : {UINT(WM_TIMER), UINT(WM_KEYDOWN), UINT(WM_COMMAND), UINT(WM_PAINT),
                         UINT(WM_CLOSE), UINT(WM_DESTROY)}) {
        msg.message = message;
        msg.wParam = message == WM_KEYDOWN ? VK_DOWN : ID_NEW_GAME;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(InvalidateRect(window, NULL, TRUE));
    EXPECT_TRUE(UpdateWindow(window)); // as Win32 answers for a destroyed window, painting nothing
    EXPECT_EQ(SetTimer(window, TIMER_ID, 10, NULL), 0u);

    EXPECT_TRUE(SameGame(before, TakeGameSnapshot()));
    EXPECT_EQ(timerInterval, intervalBefore);
    EXPECT_EQ(TestingLiveBrushCount(), brushesLeft);
    // Nothing posted a second quit: a fresh timer's tick is the next message.
    SetTimer(NULL, WATCHDOG_TIMER, 20, NULL);
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
}

// At 0 ms the game ticks at the layer's 10 ms minimum without spinning; at the
// largest intervals, from the speed command or set directly, it waits (about
// 24 days) while another timer keeps the loop alive.
TEST_F(HardenedWindow, ExtremeIntervalsNeitherSpinNorFire) {
    timerInterval = SPEED_STEP;
    SendMessageToGame(ID_INCREASE_SPEED);
    ASSERT_EQ(timerInterval, 0);
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 10u);
    direction = DIR_DOWN;
    auto wallStart = std::chrono::steady_clock::now();
    int ticks = 0;
    while (ticks < 10 && RunUntilTick())
        ticks++;
    EXPECT_EQ(ticks, 10);
    EXPECT_GE(MsSince(wallStart), 9 * 10.0 - 1) << "ticks came faster than 10 ms apart";
    EXPECT_EQ(head.y, 10);

    // Waiting for the next ticks, with nothing to paint, takes little CPU.
    UpdateWindow(window);
    wallStart = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    MSG msg;
    for (int i = 0; i < 5; i++) {
        ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    }
    double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuMs, MsSince(wallStart) / 2) << "the loop spun while waiting";

    timerInterval = INT32_MAX;
    SendMessageToGame(ID_DECREASE_SPEED);
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 0x7FFFFFFFu);
    for (UINT interval : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        SetTimer(window, TIMER_ID, interval, NULL);
        EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 0x7FFFFFFFu) << interval;
        SetTimer(window, WATCHDOG_TIMER, 30, NULL);
        do { // the watchdog's tick steps the game, so a paint may come first
            ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
            DispatchMessageA(&msg);
        } while (msg.message != WM_TIMER);
        EXPECT_EQ(msg.wParam, WATCHDOG_TIMER) << "the longest timer fired at " << interval;
        KillTimer(window, WATCHDOG_TIMER);
    }
}
