// The message loop: the life of a window as a message sequence, the order in which GetMessageA
// picks messages, and the quit message.

#include "message_log.h"

#include <win32_testing.h>

#include "fake_host.h"

namespace {
LRESULT CloseOnTimer(HWND window, UINT message, WPARAM, LPARAM, bool*) {
    if (message == WM_TIMER) {
        KillTimer(window, 1);
        TestingPressCloseBox(window);
    }
    return 0;
}
} // namespace

TEST(MessageQueue, WindowLifeFollowsTheWin32Order) {
    StartLoggingLayer();
    messageHook = CloseOnTimer;
    HWND window = CreateLoggedWindow();
    ASSERT_NE(window, nullptr);
    SetTimer(window, 1, 10, NULL);
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    InvalidateRect(window, NULL, TRUE);
    EXPECT_EQ(RunMessageLoop(), 7);
    const UINT expected[] = {
        WM_CREATE,                    // CreateWindowExA
        WM_SHOWWINDOW, WM_ERASEBKGND, // ShowWindow: the client area erased at once
        WM_PAINT,                     // UpdateWindow
        WM_PAINT,      WM_ERASEBKGND, // the loop: InvalidateRect(TRUE) erases inside BeginPaint
        WM_TIMER,      WM_CLOSE,      // close box, then DefWindowProcA destroys
        WM_DESTROY,
    };
    EXPECT_TRUE(SequenceIs(expected));
    EXPECT_FALSE(TestingIsWindowAlive(window));
}

TEST(MessageQueue, PostedComeBeforePaintAndPaintBeforeTimer) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, 10, NULL);
    AdvanceFakeClock(30000);
    TestingPostMessage(window, WM_COMMAND, 1, 0);
    TestingPostMessage(window, WM_COMMAND, 2, 0);
    MSG msg;
    const UINT expected[] = {WM_COMMAND, WM_COMMAND, WM_PAINT, WM_TIMER};
    for (UINT message : expected) {
        ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
        EXPECT_EQ(msg.message, message);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(messageLog.entries[3].wParam, 1u); // posted order kept
    EXPECT_EQ(messageLog.entries[4].wParam, 2u);
}

TEST(MessageQueue, QuitComesAfterWhatWasPostedAndCarriesTheExitCode) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    PostQuitMessage(3);
    TestingPostMessage(window, WM_COMMAND, 9, 0);
    MSG msg;
    EXPECT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(MessageQueue, MessagesToADeadWindowAreDropped) {
    StartLoggingLayer();
    HWND first = CreateLoggedWindow();
    HWND second = CreateLoggedWindow();
    TestingPostMessage(first, WM_COMMAND, 1, 0);
    TestingPostMessage(second, WM_COMMAND, 2, 0);
    DestroyWindow(first);
    EXPECT_FALSE(TestingPostMessage(first, WM_COMMAND, 3, 0));
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.hwnd, second);
    EXPECT_EQ(msg.wParam, 2u);
    msg.hwnd = first;
    int before = messageLog.count;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(messageLog.count, before);
}
