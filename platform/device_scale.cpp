// The client backing store at the window's device scale, as a HiDPI monitor has it.
//
// Win32 enlarges the pixels of a program that is not DPI-aware with a smoothing filter. Here the
// program still draws its logical pixels, but the backing store holds `scale` x `scale` device
// pixels for each of them and GDI fills them all, so outlines and glyphs stay sharp on a HiDPI
// screen. When the window moves to a monitor of another scale it gets a new store and a WM_PAINT
// with erasing, as after being shown. Scales above 8 count as 8.

#include "layer_internal.h"

#include <gtk/gtk.h>

cairo_surface_t* NewBackingStore(int width, int height, int scale) {
    cairo_surface_t* surface = NewHostStore(width * scale, height * scale);
    if (surface == NULL)
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return NULL;
    }
    cairo_surface_set_device_scale(surface, scale, scale);
    FillSurfaceWhite(surface);
    return surface;
}

void SetWindowScale(WindowRecord* record, int scale) {
    scale = scale < 1 ? 1 : scale > MAX_DEVICE_SCALE ? MAX_DEVICE_SCALE : scale;
    if (scale == record->scale)
        return;
    cairo_surface_t* store = NewBackingStore(record->clientWidth, record->clientHeight, scale);
    if (store == NULL)
        return;
    cairo_surface_destroy(record->backing);
    record->backing = store;
    record->scale = scale;
    InvalidateClient(record, NULL, true);
    if (record->hostClient != NULL) {
        HostChanged();
        gtk_widget_queue_draw(record->hostClient);
    }
}

RECT LogicalBox(const RECT& box, int scale) {
    // Device pixels are never negative.
    return RECT{box.left / scale, box.top / scale, (box.right + scale - 1) / scale,
                (box.bottom + scale - 1) / scale};
}

void TestingSetWindowScale(HWND window, int scale) {
    WindowRecord* record = FindWindowRecord(window);
    if (record != NULL)
        SetWindowScale(record, scale);
}
