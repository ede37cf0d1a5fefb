// Update regions and paint bracketing: InvalidateRect, UpdateWindow, BeginPaint, EndPaint, and
// the WM_PAINT that GetMessageA returns.
//
// As in Win32: only visible windows collect an update region (showing a window invalidates all of
// it and erases at once, so the first paint has fErase FALSE when WM_ERASEBKGND returned
// non-zero); BeginPaint sends WM_ERASEBKGND if erasing is still asked for, takes the update region
// (so the region is validated; invalidating during painting asks for another WM_PAINT), and clips
// its device context to it; EndPaint releases the device context and has the host show what the
// paint changed in the backing store. A WM_PAINT handler that leaves the region invalid has the
// erasing still asked for done as soon as it returns, as DispatchMessageA does in Win32.
// InvalidateRect with no window invalidates all of every window and erases them before it
// returns, as for Win32's desktop window. Difference: the update region is kept as its bounding
// rectangle.

#include "core.h"

namespace {
RECT ClientRect(const WindowRecord* record) {
    return RECT{0, 0, record->clientWidth, record->clientHeight};
}

// The host shows only the pixels that drawing changed: a paint that leaves most of the client
// area as it was costs the host next to nothing, and one that changes nothing costs nothing. So
// with the client area's text: the host hears of it when its lines are not the ones it was told.
// Drawing on a store the window no longer has (its scale changed during the paint), or on another
// window's, is not shown: it need not fit the window's store.
void ReleaseAndShow(HWND window, HDC dc) {
    WindowRecord* record = FindWindowRecord(window);
    bool current = record != NULL && record->backing == SurfaceOfDC(dc);
    ChangedPixels changed;
    if (!ReleaseSurfaceDC(dc, &changed))
        return;
    if (!current || record->host == NULL)
        return;
    if (changed.count > 0)
        HostShowPixels(record->host, changed.boxes, changed.count);
    std::string lines;
    if (TakeChangedText(record->backing, &lines) && lines != record->toldText) {
        record->toldText = lines;
        HostClientText(record->host, record->toldText.c_str());
    }
}
} // namespace

bool IntersectRects(const RECT& a, const RECT& b, RECT* inside) {
    inside->left = a.left > b.left ? a.left : b.left;
    inside->top = a.top > b.top ? a.top : b.top;
    inside->right = a.right < b.right ? a.right : b.right;
    inside->bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    return inside->left < inside->right && inside->top < inside->bottom;
}

void InvalidateClient(WindowRecord* record, const RECT* rect, bool erase) {
    if (!record->visible)
        return;
    RECT area;
    if (!IntersectRects(rect != NULL ? *rect : ClientRect(record), ClientRect(record), &area))
        return;
    if (!record->updatePending) {
        record->updateRect = area;
    } else {
        RECT& u = record->updateRect;
        u.left = area.left < u.left ? area.left : u.left;
        u.top = area.top < u.top ? area.top : u.top;
        u.right = area.right > u.right ? area.right : u.right;
        u.bottom = area.bottom > u.bottom ? area.bottom : u.bottom;
    }
    record->updatePending = true;
    record->eraseRequested = record->eraseRequested || erase;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (window == NULL) {
        // As for the desktop window: all of every window, erased before this returns.
        for (size_t i = 0; i < windowTable.size(); i++) {
            if (windowTable[i].serial == 0)
                continue;
            InvalidateClient(&windowTable[i], NULL, true);
            EraseNow(WindowHandle(&windowTable[i]));
        }
        return TRUE;
    }
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return FALSE;
    InvalidateClient(record, rect, erase != FALSE);
    return TRUE;
}

void EraseNow(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || !record->updatePending || !record->eraseRequested)
        return;
    record->eraseRequested = false;
    HDC dc = AcquireSurfaceDC(record->backing, &record->updateRect);
    LRESULT erased = SendToWindow(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseAndShow(window, dc);
    record = FindWindowRecord(window);
    if (record != NULL)
        record->eraseFailed = erased == 0;
}

bool TakePaintMessage(HWND filterWindow, UINT filterMin, UINT filterMax, MSG* msg) {
    for (const WindowRecord& record : windowTable) {
        if (record.serial == 0 || !record.visible || !record.updatePending)
            continue;
        HWND window = WindowHandle(&record);
        if (!MessageInFilter(window, WM_PAINT, filterWindow, filterMin, filterMax))
            continue;
        *msg = MSG{};
        msg->hwnd = window;
        msg->message = WM_PAINT;
        return true;
    }
    return false;
}

BOOL WINAPI UpdateWindow(HWND window) {
    if (window == NULL)
        return FALSE;
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return TRUE; // as Win32 does for a destroyed window
    if (record->visible && record->updatePending)
        SendToWindow(window, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND window, PAINTSTRUCT* paint) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || paint == NULL)
        return NULL;
    RECT area = record->updatePending ? record->updateRect : RECT{0, 0, 0, 0};
    HDC dc = AcquireSurfaceDC(record->backing, &area);
    if (dc == NULL)
        return NULL;
    bool erase = record->eraseFailed;
    if (record->updatePending && record->eraseRequested) {
        record->eraseRequested = false;
        erase = SendToWindow(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
        record = FindWindowRecord(window);
    }
    if (record != NULL) {
        record->updatePending = false;
        record->eraseRequested = false;
        record->eraseFailed = false;
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    paint->fErase = erase;
    paint->rcPaint = area;
    return dc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint == NULL)
        return FALSE;
    ReleaseAndShow(window, paint->hdc);
    return TRUE;
}

void ValidateByPainting(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || !record->updatePending)
        return;
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

bool TestingIsPaintPending(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    return record != NULL && record->updatePending;
}

COLORREF TestingGetClientPixel(HWND window, int x, int y) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return 0xFFFFFFFF;
    return SurfacePixel(record->backing, x, y);
}
