// Painting and erasing: what ShowWindow, InvalidateRect and UpdateWindow send, what BeginPaint
// reports, validation by DefWindowProcA, painting while hidden or minimised, and what the GDI
// calls return inside a paint.

#include "observation.h"

namespace {
LRESULT eraseAnswer = -1; // what WM_ERASEBKGND returns; -1: DefWindowProcA's answer
bool invalidateWhilePainting = false;
bool paintByDefault = false; // leave WM_PAINT to DefWindowProcA
bool tryGdi = false;
bool leaveInvalid = false; // a WM_PAINT handler that neither paints nor validates

void SayGdiReturns(HDC dc) {
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    Say("    CreateSolidBrush -> %s", brush != NULL ? "brush" : "NULL");
    HGDIOBJ previous = SelectObject(dc, brush);
    Say("    SelectObject -> %s", previous != NULL ? "previous" : "NULL");
    Say("    SelectObject back -> %s", SelectObject(dc, previous) == brush ? "the brush" : "other");
    Say("    SelectObject without a DC -> %s",
        SelectObject(NULL, brush) != NULL ? "object" : "NULL");
    Say("    Rectangle -> %d", Rectangle(dc, 1, 1, 20, 20));
    Say("    Rectangle inverted -> %d", Rectangle(dc, 20, 20, 1, 1));
    Say("    Rectangle empty -> %d", Rectangle(dc, 5, 5, 5, 5));
    Say("    Rectangle without a DC -> %d", Rectangle(NULL, 1, 1, 2, 2));
    Say("    TextOutA -> %d", TextOutA(dc, 2, 2, "Text", 4));
    Say("    TextOutA of length 0 -> %d", TextOutA(dc, 2, 2, "Text", 0));
    Say("    TextOutA NULL of length 0 -> %d", TextOutA(dc, 2, 2, NULL, 0));
    Say("    TextOutA without a DC -> %d", TextOutA(NULL, 2, 2, "Text", 4));
    Say("    DeleteObject -> %d", DeleteObject(brush));
    Say("    DeleteObject again -> %d", DeleteObject(brush));
    Say("    DeleteObject NULL -> %d", DeleteObject(NULL));
}

LRESULT Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    if (message == WM_ERASEBKGND && eraseAnswer != -1) {
        *handled = true;
        return eraseAnswer;
    }
    if (message != WM_PAINT || paintByDefault)
        return 0;
    *handled = true;
    if (leaveInvalid)
        return 0;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    Say("    BeginPaint -> %s fErase %d rcPaint %d %d %d %d", dc != NULL ? "dc" : "NULL",
        paint.fErase, static_cast<int>(paint.rcPaint.left), static_cast<int>(paint.rcPaint.top),
        static_cast<int>(paint.rcPaint.right), static_cast<int>(paint.rcPaint.bottom));
    if (tryGdi)
        SayGdiReturns(dc);
    if (invalidateWhilePainting) {
        invalidateWhilePainting = false;
        RECT corner = {0, 0, 5, 5};
        InvalidateRect(window, &corner, FALSE);
    }
    Say("    EndPaint -> %d", EndPaint(window, &paint));
    (void)wParam, (void)lParam;
    return 0;
}

// Invalidates each rectangle (NULL: the whole client area), then calls UpdateWindow.
void InvalidateAndUpdate(HWND window, const char* what, const RECT* rect, BOOL erase) {
    Say("InvalidateRect %s erase %d -> %d", what, erase, InvalidateRect(window, rect, erase));
    Say("UpdateWindow");
    Say("-> %d", UpdateWindow(window));
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterConformanceClass();
    messageHook = Paint;
    HWND window = CreateConformanceWindow("Painting");
    InvalidateAndUpdate(window, "hidden", NULL, TRUE);
    Say("ShowWindow");
    ShowWindow(window, SW_SHOW);
    Say("UpdateWindow");
    UpdateWindow(window);
    Say("UpdateWindow with nothing to paint");
    UpdateWindow(window);

    const RECT LEFT = {10, 10, 30, 20}, RIGHT = {100, 40, 120, 60},
               OUTSIDE = {1000, 1000, 1010, 1010};
    Say("InvalidateRect two rectangles");
    InvalidateRect(window, &LEFT, FALSE);
    InvalidateAndUpdate(window, "and", &RIGHT, FALSE);
    InvalidateAndUpdate(window, "outside the client area", &OUTSIDE, TRUE);
    InvalidateAndUpdate(window, "all", NULL, TRUE);
    eraseAnswer = 0;
    InvalidateAndUpdate(window, "all, erasing fails", NULL, TRUE);
    eraseAnswer = 1;
    InvalidateAndUpdate(window, "all, erased", NULL, TRUE);
    eraseAnswer = -1;
    InvalidateRect(window, &LEFT, TRUE);
    InvalidateAndUpdate(window, "without erasing after erasing", &RIGHT, FALSE);
    invalidateWhilePainting = true;
    InvalidateAndUpdate(window, "again while painting", &LEFT, FALSE);
    Say("UpdateWindow after that");
    UpdateWindow(window);
    tryGdi = true;
    InvalidateAndUpdate(window, "for GDI", NULL, FALSE);
    tryGdi = false;
    paintByDefault = true;
    InvalidateAndUpdate(window, "left to DefWindowProcA", NULL, FALSE);
    paintByDefault = false;
    Say("UpdateWindow after that");
    UpdateWindow(window);

    Say("InvalidateRect without a window, erase 1 -> %d", InvalidateRect(NULL, NULL, TRUE));
    Say("UpdateWindow");
    Say("-> %d", UpdateWindow(window));
    Say("UpdateWindow without a window -> %d", UpdateWindow(NULL));

    // The erasing still asked for when a handler leaves the region invalid comes before the next
    // WM_PAINT, not inside its BeginPaint.
    Say("InvalidateRect all, erase 1, then a WM_PAINT that leaves it invalid");
    InvalidateRect(window, NULL, TRUE);
    leaveInvalid = true;
    for (int i = 0; i < 2; i++) {
        MSG msg;
        Say("GetMessageA -> %d", GetMessageA(&msg, window, WM_PAINT, WM_PAINT));
        DispatchMessageA(&msg);
        leaveInvalid = false;
    }

    PAINTSTRUCT paint;
    Say("BeginPaint without a window -> %s", BeginPaint(NULL, &paint) != NULL ? "dc" : "NULL");

    // The layer paints a minimised window into its backing store; Win32 has no client area to
    // paint then.
    SetLinePrefix(DIFFERS);
    Say("ShowWindow SW_MINIMIZE");
    ShowWindow(window, SW_MINIMIZE);
    InvalidateAndUpdate(window, "minimised", NULL, TRUE);
    Say("ShowWindow SW_RESTORE");
    ShowWindow(window, SW_RESTORE);
    UpdateWindow(window);
    SetLinePrefix("");

    Say("ShowWindow SW_HIDE");
    ShowWindow(window, SW_HIDE);
    InvalidateAndUpdate(window, "after hiding", NULL, TRUE);
    DestroyWindow(window);
    return 0;
}
