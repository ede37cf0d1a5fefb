// Windows and menus without a display: creation and destruction, the default procedure, frame
// metrics, menus and input, and CreateWindowExA failing quietly with no display.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {
const DWORD FIXED_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LRESULT RefuseCreation(HWND, UINT message, WPARAM, LPARAM, bool* handled) {
    *handled = message == WM_CREATE;
    return -1;
}

HMENU BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU game = CreatePopupMenu();
    AppendMenuA(game, MF_STRING, 1, "New Game");
    AppendMenuA(game, MF_STRING, 2, "Quit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(game), "Game");
    return bar;
}
} // namespace

TEST(Windows, DestroyedHandlesFailHarmlessly) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    TestingPressCloseBox(window);
    EXPECT_EQ(RunMessageLoop(), 7);
    const UINT expected[] = {WM_CREATE, WM_CLOSE, WM_DESTROY};
    EXPECT_TRUE(SequenceIs(expected));
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(messageLog.count, 3);
}

TEST(Windows, MinusOneFromCreateMeansNoWindowAndNoDestroyMessage) {
    StartLoggingLayer();
    messageHook = RefuseCreation;
    EXPECT_EQ(CreateLoggedWindow(), nullptr);
    const UINT expected[] = {WM_CREATE};
    EXPECT_TRUE(SequenceIs(expected));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL),
              nullptr);
}

TEST(Windows, ClientAreaIsTheOuterSizeLessWhatAdjustWindowRectExAdds) {
    StartLoggingLayer();
    RECT rect = {0, 0, 800, 600};
    AdjustWindowRectEx(&rect, FIXED_STYLE, TRUE, 0);
    // Wine's metrics for this style with a menu bar.
    EXPECT_EQ(rect.left, -3);
    EXPECT_EQ(rect.top, -41);
    EXPECT_EQ(rect.right, 803);
    EXPECT_EQ(rect.bottom, 603);

    HWND window = CreateWindowExA(0, "Log", "", FIXED_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  rect.right - rect.left, rect.bottom - rect.top, NULL, BuildMenu(),
                                  NULL, NULL);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    HWND unadjusted = CreateWindowExA(0, "Log", "", FIXED_STYLE, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                                      650, NULL, BuildMenu(), NULL, NULL);
    GetClientRect(unadjusted, &client);
    EXPECT_EQ(client.right, 794); // as Wine gives for the same call
    EXPECT_EQ(client.bottom, 606);
}

TEST(Menus, ItemsKeepTheirOrderAndChoosingOnePostsItsCommand) {
    StartLoggingLayer();
    HMENU bar = BuildMenu();
    HWND window = CreateLoggedWindow(bar);
    ASSERT_EQ(TestingGetWindowMenu(window), bar);
    ASSERT_EQ(TestingMenuItemCount(bar), 1);
    HMENU game = NULL;
    const char* text = NULL;
    ASSERT_TRUE(TestingMenuItem(bar, 0, NULL, &text, &game));
    EXPECT_STREQ(text, "Game");
    ASSERT_EQ(TestingMenuItemCount(game), 2);
    UINT id = 0;
    ASSERT_TRUE(TestingMenuItem(game, 1, &id, &text, NULL));
    EXPECT_EQ(id, 2u);
    EXPECT_STREQ(text, "Quit");

    TestingChooseMenuItem(window, 99); // no such item: nothing
    TestingChooseMenuItem(window, 2);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(msg.wParam), 2);
    EXPECT_EQ(msg.lParam, 0);

    DestroyWindow(window);
    EXPECT_EQ(TestingMenuItemCount(bar), -1); // the window's menu ends with it
    EXPECT_EQ(TestingMenuItemCount(game), -1);
}

TEST(Menus, APopUpThatWouldHoldItsOwnMenuIsRefusedAndATreeEndsWhole) {
    StartLoggingLayer();
    HMENU outer = CreatePopupMenu(), inner = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(outer, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), "Inner"));
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, reinterpret_cast<UINT_PTR>(outer), "Outer"));
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), "Itself"));
    HWND window = CreateLoggedWindow(outer);
    DestroyWindow(window);
    EXPECT_EQ(TestingMenuItemCount(outer), -1);
    EXPECT_EQ(TestingMenuItemCount(inner), -1);
}

// Pop-ups shared by several menus: the walks that refuse a loop and find a command look into each
// once, rather than once for each of the 8^15 ways down.
TEST(Menus, SharedPopUpsAreWalkedOnce) {
    StartLoggingLayer();
    HMENU chain[16];
    chain[15] = CreatePopupMenu();
    AppendMenuA(chain[15], MF_STRING, 7, "Deep");
    for (int i = 14; i >= 0; i--) {
        chain[i] = CreatePopupMenu();
        for (int j = 0; j < 8; j++)
            ASSERT_TRUE(
                AppendMenuA(chain[i], MF_POPUP, reinterpret_cast<UINT_PTR>(chain[i + 1]), "x"));
    }
    EXPECT_FALSE(AppendMenuA(chain[15], MF_POPUP, reinterpret_cast<UINT_PTR>(chain[0]), "Loop"));
    HWND window = CreateLoggedWindow(chain[0]);
    TestingChooseMenuItem(window, 8); // no such item
    TestingChooseMenuItem(window, 7);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(Input, KeysArriveAsKeyDownAndUpButF10StaysWithTheMenuBar) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    TestingPressKey(window, VK_F10);
    TestingPressKey(window, VK_LEFT);
    PostQuitMessage(0);
    RunMessageLoop();
    const UINT expected[] = {WM_CREATE, WM_KEYDOWN, WM_KEYUP};
    ASSERT_TRUE(SequenceIs(expected));
    EXPECT_EQ(messageLog.entries[1].wParam, static_cast<WPARAM>(VK_LEFT));
}

TEST(Input, KeyMessagesCarryTheScanCodeWithTheExtendedBitForArrows) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    TestingPressKey(window, 'A');
    TestingPressKey(window, VK_LEFT);
    const LPARAM expected[] = {0x001E0001, 0xC01E0001, 0x014B0001, 0xC14B0001};
    for (LPARAM lParam : expected) {
        MSG msg;
        ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
        EXPECT_EQ(msg.lParam, lParam) << std::hex << msg.lParam;
    }
}

TEST(Windows, NoDisplayMeansNoWindow) {
    StartLoggingLayer();
    TestingSetHeadless(false);
    SetFakeDisplay(false);
    EXPECT_EQ(CreateLoggedWindow(), nullptr);
    SetFakeDisplay(true);
    HWND window = CreateLoggedWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(FakeWindowOf(window)->visible);
    EXPECT_TRUE(FakeWindowOf(window)->iconic);
    DestroyWindow(window);
    EXPECT_TRUE(FakeWindowOf(window)->destroyed);
    TestingSetHeadless(true);
}

// Sizes at the ends of an int: Win32's LONG arithmetic wraps, and a window too wide to hold at a
// higher scale keeps the store it has.
TEST(Windows, ExtremeSizesNeitherOverflowNorBreakTheWindow) {
    StartLoggingLayer();
    RECT rect = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    AdjustWindowRectEx(&rect, FIXED_STYLE, FALSE, 0);
    EXPECT_EQ(rect.left, INT32_MAX - 2);
    EXPECT_EQ(rect.right, INT32_MIN + 2);

    HWND window = CreateWindowExA(0, "Log", "", FIXED_STYLE, 0, 0, INT32_MAX, INT32_MIN, NULL, NULL,
                                  NULL, NULL);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, INT32_MAX - 6);
    EXPECT_EQ(client.bottom, 0);
    TestingSetWindowScale(window, 960);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    EXPECT_TRUE(DestroyWindow(window));
}
