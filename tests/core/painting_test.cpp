// Update regions and paint bracketing: erasing, validation, clipping to the update region.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

namespace {
const COLORREF RED = RGB(255, 0, 0);

LRESULT NeverPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = message == WM_PAINT;
    return *handled ? DefWindowProcA(window, message, wParam, lParam) : 0;
}

void PaintRed(HWND window, PAINTSTRUCT* paint) {
    HDC dc = BeginPaint(window, paint);
    HBRUSH red = CreateSolidBrush(RED);
    SelectObject(dc, red);
    Rectangle(dc, -1, -1, 300, 300);
    EndPaint(window, paint);
    DeleteObject(red);
}

// A shown window of the recording class, erased once by showing.
HWND ShowLoggedWindow() {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    ShowWindow(window, SW_SHOW);
    return window;
}
} // namespace

TEST(Painting, HiddenWindowsDoNotPaintAndShowingInvalidatesAll) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    InvalidateRect(window, NULL, TRUE);
    EXPECT_FALSE(TestingIsPaintPending(window));
    EXPECT_TRUE(UpdateWindow(window));
    ShowWindow(window, SW_SHOW);
    EXPECT_TRUE(TestingIsPaintPending(window));
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EXPECT_FALSE(paint.fErase); // erased by ShowWindow already
    EXPECT_EQ(paint.rcPaint.right, 200);
    EndPaint(window, &paint);
    EXPECT_FALSE(TestingIsPaintPending(window));
    UpdateWindow(window); // nothing to paint: no WM_PAINT
    const UINT expected[] = {WM_CREATE, WM_SHOWWINDOW, WM_ERASEBKGND};
    EXPECT_TRUE(SequenceIs(expected));
}

TEST(Painting, EraseComesBeforePaintingAndFEraseTellsWhetherItHappened) {
    HWND window = ShowLoggedWindow();
    PAINTSTRUCT paint;
    PaintRed(window, &paint);
    InvalidateRect(window, NULL, FALSE);
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    EXPECT_EQ(TestingGetClientPixel(window, 50, 50), RED); // no erase asked for
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
    EXPECT_EQ(TestingGetClientPixel(window, 50, 50), RGB(255, 255, 255)); // class background
    eraseResult = 0;
    InvalidateRect(window, NULL, TRUE);
    BeginPaint(window, &paint);
    EXPECT_TRUE(paint.fErase);
    EndPaint(window, &paint);
    const UINT expected[] = {WM_CREATE, WM_SHOWWINDOW, WM_ERASEBKGND,
                             WM_PAINT,  WM_ERASEBKGND, WM_ERASEBKGND};
    EXPECT_TRUE(SequenceIs(expected));
}

TEST(Painting, DefWindowProcValidatesSoAProcedureThatNeverPaintsDoesNotLoop) {
    StartLoggingLayer();
    messageHook = NeverPaint;
    HWND window = CreateLoggedWindow();
    ShowWindow(window, SW_SHOW);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&msg);
    EXPECT_FALSE(TestingIsPaintPending(window));
    PostQuitMessage(0);
    EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0)); // not another WM_PAINT
    const UINT expected[] = {WM_CREATE, WM_SHOWWINDOW, WM_ERASEBKGND, WM_PAINT};
    EXPECT_TRUE(SequenceIs(expected));
}

TEST(Painting, DrawingIsClippedToTheUpdateRectangle) {
    HWND window = ShowLoggedWindow();
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    RECT part = {10, 20, 30, 40};
    InvalidateRect(window, &part, FALSE);
    PaintRed(window, &paint);
    EXPECT_EQ(paint.rcPaint.left, 10);
    EXPECT_EQ(paint.rcPaint.bottom, 40);
    EXPECT_EQ(TestingGetClientPixel(window, 10, 20), RED);
    EXPECT_EQ(TestingGetClientPixel(window, 29, 39), RED);
    EXPECT_EQ(TestingGetClientPixel(window, 30, 39), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 9, 20), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 200, 0), 0xFFFFFFFFu);
}

TEST(Painting, AWindowAtScaleTwoRepaintsItsWholeStoreOfTwiceTheSizeInDevicePixels) {
    HWND window = ShowLoggedWindow();
    PAINTSTRUCT paint;
    PaintRed(window, &paint);
    TestingSetWindowScale(window, 240);
    EXPECT_TRUE(TestingIsPaintPending(window));
    EXPECT_EQ(TestingGetClientPixel(window, 50, 50), RGB(255, 255, 255)); // a new, white store
    BeginPaint(window, &paint);
    EXPECT_EQ(paint.rcPaint.right, 200); // logical, as the program drew before
    EndPaint(window, &paint);
    RECT part = {10, 20, 30, 40};
    InvalidateRect(window, &part, FALSE);
    PaintRed(window, &paint);
    EXPECT_EQ(TestingGetClientPixel(window, 20, 40), RED);
    EXPECT_EQ(TestingGetClientPixel(window, 59, 79), RED);
    EXPECT_EQ(TestingGetClientPixel(window, 60, 79), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 19, 40), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 399, 199), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 400, 0), 0xFFFFFFFFu);
    const UINT expected[] = {WM_CREATE, WM_SHOWWINDOW, WM_ERASEBKGND, WM_ERASEBKGND};
    EXPECT_TRUE(SequenceIs(expected));
}

// Only drawing on a window's current store reaches its host window: after a scale change in the
// middle of a paint, or through another window's paint, it need not fit.
TEST(Painting, OnlyDrawingOnTheWindowsCurrentStoreIsShown) {
    StartLoggingLayer();
    TestingSetHeadless(false);
    HWND window = CreateLoggedWindow(), other = CreateLoggedWindow();
    TestingSetWindowScale(window, 240);
    ShowWindow(window, SW_SHOW);
    ShowWindow(other, SW_SHOW);
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    TestingSetWindowScale(window, 120);
    Rectangle(paint.hdc, 0, 0, 200, 100);
    int shown = FakeWindowOf(window)->shownBoxes;
    EndPaint(window, &paint);
    EXPECT_EQ(FakeWindowOf(window)->shownBoxes, shown);

    BeginPaint(window, &paint);
    Rectangle(paint.hdc, 0, 0, 200, 100);
    shown = FakeWindowOf(other)->shownBoxes;
    EndPaint(other, &paint);
    EXPECT_EQ(FakeWindowOf(other)->shownBoxes, shown);
    TestingSetHeadless(true);
}
