// The device scale: how logical pixels become device pixels, and the backing store at the window's
// scale, as a HiDPI monitor has it.
//
// A program that is not DPI-aware keeps its logical pixels; Win32's GDI scaling draws them at the
// display's resolution. So does the layer, at whole and fractional scales alike: one rule puts a
// logical edge on a device pixel (x x scale, rounded half up), and every edge goes through it, so
// neighbouring rectangles share their edge without gap or overlap, a fill covers exactly the device
// pixels between its edges, and the store is never resampled. A one-pixel outline covers the
// device pixels of its logical pixel, but never fewer than one. When the window moves to a monitor
// of another scale it gets a new store and a WM_PAINT with erasing, as after being shown.

#include "core.h"

namespace {
// Device coordinates are kept far inside an int: anything beyond is clipped anyway.
const long long DEVICE_LIMIT = 1 << 30;
// A paint maps a few thousand edges, nearly all of them small and positive: 32 bits do for those.
const int SMALL_LOGICAL = 1 << 20;

inline int DevicePixels(int logical, int scale) {
    if (logical >= 0 && logical < SMALL_LOGICAL && scale >= 0 && scale <= MAX_DEVICE_SCALE)
        return static_cast<int>(
            (static_cast<unsigned>(logical) * static_cast<unsigned>(scale) + SCALE_UNIT / 2) /
            SCALE_UNIT);
    long long scaled = static_cast<long long>(logical) * scale + SCALE_UNIT / 2;
    long long device =
        scaled >= 0 ? scaled / SCALE_UNIT : -((-scaled + SCALE_UNIT - 1) / SCALE_UNIT);
    return static_cast<int>(device < -DEVICE_LIMIT  ? -DEVICE_LIMIT
                            : device > DEVICE_LIMIT ? DEVICE_LIMIT
                                                    : device);
}

// The wider of the outline's device pixels and one, but no wider than the rectangle.
int OutlineWidth(int from, int to, int room) {
    int width = to - from < 1 ? 1 : to - from;
    return width < room ? width : room;
}
} // namespace

int CoreDevicePixels(int logical, int scale) {
    return DevicePixels(logical, scale);
}

int ClampDeviceScale(int scale) {
    return scale < MIN_DEVICE_SCALE   ? MIN_DEVICE_SCALE
           : scale > MAX_DEVICE_SCALE ? MAX_DEVICE_SCALE
                                      : scale;
}

RECT DeviceRect(const RECT& logical, int scale) {
    return RECT{DevicePixels(logical.left, scale), DevicePixels(logical.top, scale),
                DevicePixels(logical.right, scale), DevicePixels(logical.bottom, scale)};
}

DeviceRectangle DeviceRectangleOf(int left, int top, int right, int bottom, int scale) {
    int l = DevicePixels(left, scale), t = DevicePixels(top, scale);
    int r = DevicePixels(right, scale), b = DevicePixels(bottom, scale);
    int leftWidth = OutlineWidth(l, DevicePixels(left + 1, scale), r - l);
    int rightWidth = OutlineWidth(DevicePixels(right - 1, scale), r, r - l - leftWidth);
    int topWidth = OutlineWidth(t, DevicePixels(top + 1, scale), b - t);
    int bottomWidth = OutlineWidth(DevicePixels(bottom - 1, scale), b, b - t - topWidth);
    return DeviceRectangle{RECT{l, t, r, b},
                           RECT{l + leftWidth, t + topWidth, r - rightWidth, b - bottomWidth}};
}

void SetWindowScale(WindowRecord* record, int scale) {
    scale = ClampDeviceScale(scale);
    if (record->backing == NULL) { // the host's first word, while the window is being made
        record->startScale = scale;
        return;
    }
    if (scale == record->backing->store.scale)
        return;
    Surface* store = NewSurface(record->host, record->clientWidth, record->clientHeight, scale);
    if (store == NULL)
        return;
    ReleaseSurface(record->backing);
    record->backing = store;
    record->shown = store->store;
    // Erasing fills all of it, so all of it is shown again after the paint.
    InvalidateClient(record, NULL, true);
}

void CoreScaleChanged(HWND window, int scale) {
    WindowRecord* record = FindWindowRecord(window);
    if (record != NULL)
        SetWindowScale(record, scale);
}

void TestingSetWindowScale(HWND window, int scale) {
    CoreScaleChanged(window, scale);
}
