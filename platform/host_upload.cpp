// Showing on the host window what a paint changed in the backing store, as Win32's window DC
// puts it on the screen at once.
//
// On X11 the changed rectangles go from the backing store straight into the window with one
// XPutImage each and a flush: no GTK frame, no second buffer, no wake-up after the paint. GTK
// still draws the store itself where the window is exposed. Elsewhere (Wayland), or when the
// window's visual is not the 24-bit one the store's pixels are in, GTK is asked to redraw the
// changed region.

#include "layer_internal.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#endif

namespace {
#ifdef GDK_WINDOWING_X11
// The store's RGB24 pixels are 0x00RRGGBB words in the machine's byte order.
bool SameVisual(GdkVisual* visual, Display* display) {
    guint32 red, green, blue;
    gdk_visual_get_red_pixel_details(visual, &red, NULL, NULL);
    gdk_visual_get_green_pixel_details(visual, &green, NULL, NULL);
    gdk_visual_get_blue_pixel_details(visual, &blue, NULL, NULL);
    return gdk_visual_get_depth(visual) == 24 && red == 0xFF0000 && green == 0xFF00 &&
           blue == 0xFF && DefaultDepth(display, DefaultScreen(display)) == 24;
}

bool PutOnX11(WindowRecord* record, cairo_region_t* changed) {
    GtkWidget* client = record->hostClient;
    GdkWindow* own = gtk_widget_get_window(client);
    if (own == NULL || !GDK_IS_X11_WINDOW(own) || !gtk_widget_get_mapped(client) ||
        gdk_window_get_scale_factor(own) != record->scale)
        return false; // GTK draws the whole store when it maps or rescales the window
    GtkWidget* top = gtk_widget_get_toplevel(client);
    GdkWindow* native = gtk_widget_get_window(top);
    Display* display = GDK_WINDOW_XDISPLAY(native);
    if (!SameVisual(gdk_window_get_visual(native), display))
        return false;
    int x = 0, y = 0;
    if (!gtk_widget_translate_coordinates(client, top, 0, 0, &x, &y))
        return false;
    cairo_surface_t* store = record->backing;
    cairo_surface_flush(store);
    XImage image = {};
    image.width = cairo_image_surface_get_width(store);
    image.height = cairo_image_surface_get_height(store);
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(cairo_image_surface_get_data(store));
    image.byte_order = G_BYTE_ORDER == G_LITTLE_ENDIAN ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = 24;
    image.bytes_per_line = cairo_image_surface_get_stride(store);
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    if (image.data == NULL || !XInitImage(&image))
        return false;
    Window target = GDK_WINDOW_XID(native);
    GC gc = DefaultGC(display, DefaultScreen(display));
    int scale = record->scale;
    for (int i = 0; i < cairo_region_num_rectangles(changed); i++) {
        cairo_rectangle_int_t box;
        cairo_region_get_rectangle(changed, i, &box);
        XPutImage(display, target, gc, &image, box.x, box.y, x * scale + box.x, y * scale + box.y,
                  static_cast<unsigned>(box.width), static_cast<unsigned>(box.height));
    }
    XFlush(display);
    return true;
}
#endif
} // namespace

void ShowChangedPixels(WindowRecord* record, cairo_region_t* changed) {
    if (record->hostClient == NULL || cairo_region_is_empty(changed))
        return;
#ifdef GDK_WINDOWING_X11
    if (PutOnX11(record, changed))
        return;
#endif
    cairo_region_t* logical = LogicalRegion(changed, record->scale); // GTK counts logical pixels
    gtk_widget_queue_draw_region(record->hostClient, logical);
    cairo_region_destroy(logical);
}
