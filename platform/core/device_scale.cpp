// The client backing store at the window's device scale, as a HiDPI monitor has it.
//
// Win32 enlarges the pixels of a program that is not DPI-aware with a smoothing filter. Here the
// program still draws its logical pixels, but the backing store holds `scale` x `scale` device
// pixels for each of them and GDI fills them all, so outlines and glyphs stay sharp on a HiDPI
// screen. When the window moves to a monitor of another scale it gets a new store and a WM_PAINT
// with erasing, as after being shown. Scales above 8 count as 8.

#include "core.h"

void SetWindowScale(WindowRecord* record, int scale) {
    scale = scale < 1 ? 1 : scale > MAX_DEVICE_SCALE ? MAX_DEVICE_SCALE : scale;
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
