// Showing the backing store on the host window, as Win32's window DC puts drawing on the screen
// at once.
//
// On X11 the store lives in a MIT-SHM segment that the X server reads itself, and the drawing
// area has a native X window that GTK does not double-buffer: what a paint changed goes into that
// window with one XShmPutImage per rectangle and a flush, and an exposed part the same way from
// the draw handler. So there is no second full-size pixel buffer, no GTK frame and no wake-up
// after a paint. Without MIT-SHM the rectangles go with XPutImage. On Wayland the client area is a
// subsurface of the host's own (host_wayland.cpp). Elsewhere, or when
// the window's visual is not the 24-bit one the store's pixels are in, GTK is asked to redraw the
// changed region and paints the store with cairo. The store's pixels are 0x00RRGGBB words in the
// machine's byte order, as cairo's RGB24 and the X server's 24-bit visual have them.

#include "gtk_host.h"

#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#endif

namespace {
#ifdef GDK_WINDOWING_X11
struct SharedStore {
    Display* display;
    XShmSegmentInfo segment;
    XImage image; // the whole store, described once
};

void FreeSharedStore(SharedStore* shared) {
    XShmDetach(shared->display, &shared->segment);
    XFlush(shared->display);
    shmdt(shared->segment.shmaddr);
    delete shared;
}

Display* X11Display() {
    GdkDisplay* display = gdk_display_get_default();
    return display != NULL && GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : NULL;
}

bool SameVisual(GdkVisual* visual, Display* display) {
    guint32 red, green, blue;
    gdk_visual_get_red_pixel_details(visual, &red, NULL, NULL);
    gdk_visual_get_green_pixel_details(visual, &green, NULL, NULL);
    gdk_visual_get_blue_pixel_details(visual, &blue, NULL, NULL);
    return gdk_visual_get_depth(visual) == 24 && red == 0xFF0000 && green == 0xFF00 &&
           blue == 0xFF && DefaultDepth(display, DefaultScreen(display)) == 24;
}

// The drawing area's own X window, if it has one that takes the store's pixels as they are. The
// answer is kept for as long as the drawing area is mapped at the same scale: asking GDK costs
// more than the upload of a moving snake.
GdkWindow* TargetWindow(HostWindow* host) {
    int scale = host->store->scale;
    if (host->target != NULL && scale == host->targetScale)
        return host->target;
    host->target = NULL;
    GdkWindow* own = gtk_widget_get_window(host->client);
    if (own == NULL || !GDK_IS_X11_WINDOW(own) || !gdk_window_has_native(own) ||
        gdk_window_get_scale_factor(own) * SCALE_UNIT != scale ||
        !SameVisual(gdk_window_get_visual(own), GDK_WINDOW_XDISPLAY(own)))
        return NULL;
    host->target = own;
    host->targetScale = scale;
    host->targetDisplay = GDK_WINDOW_XDISPLAY(own);
    host->targetId = GDK_WINDOW_XID(own);
    return own;
}

// The store's RGB24 pixels as an X image, for one of width x height device pixels; false if Xlib
// cannot describe them.
bool DescribeStore(XImage* image, char* data, int width, int height, int stride) {
    *image = XImage{};
    image->width = width;
    image->height = height;
    image->format = ZPixmap;
    image->data = data;
    image->byte_order = G_BYTE_ORDER == G_LITTLE_ENDIAN ? LSBFirst : MSBFirst;
    image->bitmap_unit = 32;
    image->bitmap_bit_order = image->byte_order;
    image->bitmap_pad = 32;
    image->depth = 24;
    image->bytes_per_line = stride;
    image->bits_per_pixel = 32;
    image->red_mask = 0xFF0000;
    image->green_mask = 0xFF00;
    image->blue_mask = 0xFF;
    return data != NULL && XInitImage(image);
}
#endif
} // namespace

bool HostNewStore(HostWindow* window, PixelStore* store) {
#ifdef GDK_WINDOWING_X11
    Display* display = X11Display();
    int width = store->width, height = store->height;
    if (window == NULL || display == NULL || !XShmQueryExtension(display) || width <= 0 ||
        height <= 0)
        return false;
    int stride = width * static_cast<int>(sizeof(uint32_t));
    SharedStore* shared = new SharedStore{display, {}, {}};
    shared->segment.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(stride) * height, IPC_CREAT | 0600);
    if (shared->segment.shmid < 0) {
        delete shared;
        return false;
    }
    shared->segment.shmaddr = static_cast<char*>(shmat(shared->segment.shmid, NULL, 0));
    shmctl(shared->segment.shmid, IPC_RMID, NULL); // gone once both sides have let go of it
    if (shared->segment.shmaddr == reinterpret_cast<char*>(-1)) {
        delete shared;
        return false;
    }
    GdkDisplay* gdkDisplay = gdk_display_get_default();
    gdk_x11_display_error_trap_push(gdkDisplay);
    XShmAttach(display, &shared->segment);
    XSync(display, False);
    if (gdk_x11_display_error_trap_pop(gdkDisplay) != 0) { // a server on another machine
        shmdt(shared->segment.shmaddr);
        delete shared;
        return false;
    }
    if (!DescribeStore(&shared->image, shared->segment.shmaddr, width, height, stride)) {
        FreeSharedStore(shared);
        return false;
    }
    shared->image.obdata = reinterpret_cast<char*>(&shared->segment); // what XShmPutImage sends
    store->pixels = reinterpret_cast<uint32_t*>(shared->segment.shmaddr);
    store->stride = width;
    store->hostData = shared;
    return true;
#else
    (void)window;
    (void)store;
    return false;
#endif
}

void HostFreeStore(PixelStore* store) {
#ifdef GDK_WINDOWING_X11
    FreeSharedStore(static_cast<SharedStore*>(store->hostData));
#endif
    store->pixels = NULL;
    store->hostData = NULL;
}

RECT LogicalBox(const RECT& device, int scale) {
    auto down = [scale](LONG d) {
        return static_cast<LONG>(static_cast<long long>(d) * SCALE_UNIT / scale);
    };
    auto up = [scale](LONG d) {
        return static_cast<LONG>((static_cast<long long>(d) * SCALE_UNIT + scale - 1) / scale);
    };
    return RECT{down(device.left), down(device.top), up(device.right), up(device.bottom)};
}

cairo_surface_t* StoreSurface(const PixelStore& store) {
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(store.pixels), CAIRO_FORMAT_RGB24, store.width,
        store.height, store.stride * static_cast<int>(sizeof(uint32_t)));
    double scale = static_cast<double>(store.scale) / SCALE_UNIT;
    cairo_surface_set_device_scale(surface, scale, scale);
    return surface;
}

bool PutStoreOnHost(HostWindow* host, const RECT* boxes, int count) {
#ifdef GDK_WINDOWING_X11
    if (TargetWindow(host) == NULL)
        return false;
    Display* display = static_cast<Display*>(host->targetDisplay);
    const PixelStore& store = *host->store;
    auto* shared = static_cast<SharedStore*>(store.hostData);
    XImage unshared;
    if (shared == NULL &&
        !DescribeStore(&unshared, reinterpret_cast<char*>(store.pixels), store.width, store.height,
                       store.stride * static_cast<int>(sizeof(uint32_t))))
        return false;
    Window window = host->targetId;
    GC gc = DefaultGC(display, DefaultScreen(display));
    for (int i = 0; i < count; i++) {
        const RECT& box = boxes[i];
        unsigned width = static_cast<unsigned>(box.right - box.left),
                 height = static_cast<unsigned>(box.bottom - box.top);
        if (shared != NULL)
            XShmPutImage(display, window, gc, &shared->image, box.left, box.top, box.left, box.top,
                         width, height, False);
        else
            XPutImage(display, window, gc, &unshared, box.left, box.top, box.left, box.top, width,
                      height);
    }
    XFlush(display);
    // Xlib may have read events while it wrote; GLib would not see them on the connection.
    if (XEventsQueued(display, QueuedAfterReading) > 0)
        HostChanged();
    return true;
#else
    (void)host;
    (void)boxes;
    (void)count;
    return false;
#endif
}

void HostShowPixels(HostWindow* host, const RECT* boxes, int count) {
    if (host->clientMapped &&
        (PutStoreOnHost(host, boxes, count) || PutStoreOnSubsurface(host, boxes, count)))
        return;
    HostChanged();
    int scale = host->store->scale;
    for (int i = 0; i < count; i++) { // GTK counts logical pixels
        RECT box = LogicalBox(boxes[i], scale);
        gtk_widget_queue_draw_area(host->client, box.left, box.top, box.right - box.left,
                                   box.bottom - box.top);
    }
}
