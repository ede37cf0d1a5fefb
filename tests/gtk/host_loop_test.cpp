// The GTK host's wait: between ticks it polls without asking GLib again, and what another thread
// hands the main context must still wake it.

#include "../core/message_log.h"

#include <win32_testing.h>

#include <glib.h>

#include <chrono>
#include <thread>

namespace {
HWND wokenWindow = NULL;

gboolean PostWake(gpointer) {
    TestingPostMessage(wokenWindow, WM_USER, 0, 0);
    return G_SOURCE_REMOVE;
}
} // namespace

TEST(HostLoop, ASourceAddedByAnotherThreadWakesTheWaitBetweenTicks) {
    StartLoggingLayer();
    wokenWindow = CreateLoggedWindow();
    SetTimer(wokenWindow, 1, 10, NULL);
    MSG msg;
    for (int tick = 0; tick < 3; tick++) {
        ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    }
    SetTimer(wokenWindow, 1, 2000, NULL);
    std::thread other([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        g_idle_add(PostWake, NULL);
    });
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    other.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
}
