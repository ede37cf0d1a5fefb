// The client area on Wayland: a subsurface of the window's own surface, placed over the drawing
// area, that shows the store through wl_shm buffers of the host's own.
//
// GTK would redraw and commit its whole window frame for a change of two cells. Here a paint
// copies what changed into a free buffer, attaches it, damages just those device pixels and
// commits the subsurface alone (desynchronised from its parent), as the X11 upload puts just those
// pixels into the window. Each buffer also takes what changed since it was last shown, so the
// buffer the compositor hands back is brought up to date with a few small copies. The subsurface
// takes no input (an empty input region), so pointer events reach the window beneath, and the
// pop-up menus, surfaces of their own, stay above it. GTK takes its window's surface away when it
// hides the window, so the subsurface is made on the drawing area's map and goes on its unmap.
//
// Where the compositor offers fractional scales (wp_fractional_scale_v1 with wp_viewporter), the
// subsurface takes the scale it prefers, which may lie between whole ones (180 at 150 %): its
// buffers hold the store's device pixels one to one, at buffer scale 1, and the viewport shows
// them at the client area's logical size, so the compositor never resamples the board. GTK draws
// the rest of the window at its own whole scale.

#include "gtk_host.h"

#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#endif

#ifdef GDK_WINDOWING_WAYLAND
namespace {
const int MAX_BUFFERS = 3; // two in turn; a third while the compositor holds both
const int MAX_STALE_BOXES = 8;

struct ShmBuffer {
    wl_buffer* buffer;
    uint32_t* pixels;
    size_t bytes;
    bool busy;                   // the compositor reads it until it releases it
    RECT stale[MAX_STALE_BOXES]; // what changed in the store since it was last brought up to date
    int staleCount;              // MAX_STALE_BOXES + 1: all of it
};

// The globals the subsurfaces need, bound once on a queue of the host's own, so that GDK's
// dispatch never sees their events.
struct Globals {
    wl_display* display;
    wl_event_queue* queue;
    wl_compositor* compositor;
    wl_subcompositor* subcompositor;
    wl_shm* shm;
    uint32_t compositorVersion;                       // 4 and later take damage in buffer pixels
    wp_fractional_scale_manager_v1* fractionalScales; // both, or fractional scales are not used
    wp_viewporter* viewporter;
};
Globals globals;
bool globalsTried = false;

const uint32_t COMPOSITOR_VERSION = 4;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    if (strcmp(interface, wl_compositor_interface.name) == 0) {
        globals.compositorVersion = version < COMPOSITOR_VERSION ? version : COMPOSITOR_VERSION;
        globals.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, globals.compositorVersion));
    } else if (strcmp(interface, wl_subcompositor_interface.name) == 0)
        globals.subcompositor = static_cast<wl_subcompositor*>(
            wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        globals.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0)
        globals.fractionalScales = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
    else if (strcmp(interface, wp_viewporter_interface.name) == 0)
        globals.viewporter = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
}

void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER = {OnGlobal, OnGlobalRemoved};

bool BindGlobals() {
    if (globalsTried)
        return globals.compositorVersion >= 3 && globals.subcompositor != NULL &&
               globals.shm != NULL;
    globalsTried = true;
    GdkDisplay* display = gdk_display_get_default();
    if (display == NULL || !GDK_IS_WAYLAND_DISPLAY(display))
        return false;
    globals.display = gdk_wayland_display_get_wl_display(display);
    globals.queue = wl_display_create_queue(globals.display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(globals.display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), globals.queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, NULL);
    wl_display_roundtrip_queue(globals.display, globals.queue);
    wl_registry_destroy(registry);
    // Buffer scales need version 3.
    return globals.compositorVersion >= 3 && globals.subcompositor != NULL && globals.shm != NULL;
}

void OnRelease(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy = false;
}

const wl_buffer_listener BUFFER_LISTENER = {OnRelease};

void FreeBuffer(ShmBuffer& buffer) {
    if (buffer.buffer != NULL) {
        wl_buffer_destroy(buffer.buffer);
        munmap(buffer.pixels, buffer.bytes);
    }
    buffer = ShmBuffer{};
}

bool MakeBuffer(ShmBuffer& buffer, const PixelStore& store) {
    size_t bytes = static_cast<size_t>(store.width) * store.height * sizeof(uint32_t);
    int fd = memfd_create("slithergrid-client-area", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    void* pixels = ftruncate(fd, static_cast<off_t>(bytes)) == 0
                       ? mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                       : MAP_FAILED;
    if (pixels == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(globals.shm, fd, static_cast<int32_t>(bytes));
    buffer = ShmBuffer{};
    buffer.buffer = wl_shm_pool_create_buffer(pool, 0, store.width, store.height,
                                              store.width * static_cast<int>(sizeof(uint32_t)),
                                              WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    buffer.pixels = static_cast<uint32_t*>(pixels);
    buffer.bytes = bytes;
    buffer.staleCount = MAX_STALE_BOXES + 1; // nothing of the store in it yet
    wl_buffer_add_listener(buffer.buffer, &BUFFER_LISTENER, &buffer);
    return true;
}

void AddBox(RECT* boxes, int& count, const RECT& box) {
    if (count < MAX_STALE_BOXES)
        boxes[count++] = box;
    else
        count = MAX_STALE_BOXES + 1;
}

void CopyFromStore(uint32_t* pixels, const PixelStore& store, const RECT& box) {
    size_t bytes = static_cast<size_t>(box.right - box.left) * sizeof(uint32_t);
    for (int y = box.top; y < box.bottom; y++)
        memcpy(pixels + static_cast<ptrdiff_t>(y) * store.width + box.left,
               store.pixels + static_cast<ptrdiff_t>(y) * store.stride + box.left, bytes);
}
} // namespace

struct Subsurface {
    wl_surface* surface;
    wl_subsurface* subsurface;
    // Both NULL where the compositor offers no fractional scales.
    wp_fractional_scale_v1* fractionalScale;
    wp_viewport* viewport;
    int width, height, scale; // of the store the buffers were made for
    ShmBuffer buffers[MAX_BUFFERS];
    // What changed while the compositor held every buffer: the next commit brings it along and
    // damages it too, or a compositor that keeps only damaged pixels would never show it.
    RECT unshown[MAX_STALE_BOXES];
    int unshownCount; // MAX_STALE_BOXES + 1: all of it
};

namespace {
void PlaceSubsurface(HostWindow* host) {
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(host->client, host->top, 0, 0, &x, &y);
    wl_subsurface_set_position(host->subsurface->subsurface, x, y);
}

void OnClientAllocated(GtkWidget*, GdkRectangle*, gpointer host) {
    if (static_cast<HostWindow*>(host)->subsurface != NULL)
        PlaceSubsurface(static_cast<HostWindow*>(host));
}

void OnPreferredScale(void* host, wp_fractional_scale_v1*, uint32_t scale) {
    auto* window = static_cast<HostWindow*>(host);
    if (window->fractionalScale != static_cast<int>(scale)) {
        window->fractionalScale = static_cast<int>(scale);
        ScaleChangedLater(window);
    }
}

const wp_fractional_scale_v1_listener FRACTIONAL_SCALE_LISTENER = {OnPreferredScale};

// The store's size or scale changed: new buffers, all of them stale. A whole scale is the
// buffer's own; any other goes through the viewport, which shows the buffer's device pixels at
// the client area's logical size. False where the subsurface cannot show this scale.
bool FitBuffers(HostWindow* host, Subsurface* sub, const PixelStore& store) {
    bool whole = store.scale % SCALE_UNIT == 0;
    if (!whole && sub->viewport == NULL)
        return false;
    if (sub->width == store.width && sub->height == store.height && sub->scale == store.scale)
        return true;
    for (ShmBuffer& buffer : sub->buffers)
        FreeBuffer(buffer);
    sub->width = store.width;
    sub->height = store.height;
    sub->scale = store.scale;
    wl_surface_set_buffer_scale(sub->surface, whole ? store.scale / SCALE_UNIT : 1);
    if (sub->viewport != NULL) {
        int width = -1, height = -1; // none: the buffer's own size at its scale
        if (!whole)
            gtk_widget_get_size_request(host->client, &width, &height);
        wp_viewport_set_destination(sub->viewport, width, height);
    }
    return true;
}

void Damage(Subsurface* sub, const RECT& box) {
    if (globals.compositorVersion >= 4) {
        wl_surface_damage_buffer(sub->surface, box.left, box.top, box.right - box.left,
                                 box.bottom - box.top);
        return;
    }
    RECT logical = LogicalBox(box, sub->scale);
    wl_surface_damage(sub->surface, logical.left, logical.top, logical.right - logical.left,
                      logical.bottom - logical.top);
}

ShmBuffer* FreeBufferOf(Subsurface* sub, const PixelStore& store) {
    wl_display_dispatch_queue_pending(globals.display, globals.queue); // releases
    for (ShmBuffer& buffer : sub->buffers)
        if (buffer.buffer != NULL && !buffer.busy)
            return &buffer;
    for (ShmBuffer& buffer : sub->buffers)
        if (buffer.buffer == NULL)
            return MakeBuffer(buffer, store) ? &buffer : NULL;
    return NULL;
}
} // namespace
#endif

void AttachSubsurface(HostWindow* host) {
#ifdef GDK_WINDOWING_WAYLAND
    GdkWindow* own = gtk_widget_get_window(host->top);
    if (host->subsurface != NULL || own == NULL || !GDK_IS_WAYLAND_WINDOW(own) || !BindGlobals())
        return;
    wl_surface* parent = gdk_wayland_window_get_wl_surface(own);
    if (parent == NULL)
        return;
    if (!host->allocationWatched) {
        g_signal_connect_after(host->client, "size-allocate", G_CALLBACK(OnClientAllocated), host);
        host->allocationWatched = true;
    }
    Subsurface* sub = new Subsurface{};
    sub->surface = wl_compositor_create_surface(globals.compositor);
    sub->subsurface = wl_subcompositor_get_subsurface(globals.subcompositor, sub->surface, parent);
    wl_subsurface_set_desync(sub->subsurface);
    wl_region* nothing = wl_compositor_create_region(globals.compositor);
    wl_surface_set_input_region(sub->surface, nothing);
    wl_region_destroy(nothing);
    if (globals.fractionalScales != NULL && globals.viewporter != NULL) {
        sub->viewport = wp_viewporter_get_viewport(globals.viewporter, sub->surface);
        sub->fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(
            globals.fractionalScales, sub->surface);
        wp_fractional_scale_v1_add_listener(sub->fractionalScale, &FRACTIONAL_SCALE_LISTENER, host);
    }
    host->subsurface = sub;
    PlaceSubsurface(host);
    const PixelStore& store = *host->store;
    RECT whole = {0, 0, store.width, store.height};
    PutStoreOnSubsurface(host, &whole, 1);
#else
    (void)host;
#endif
}

void DetachSubsurface(HostWindow* host) {
#ifdef GDK_WINDOWING_WAYLAND
    Subsurface* sub = host->subsurface;
    if (sub == NULL)
        return;
    for (ShmBuffer& buffer : sub->buffers)
        FreeBuffer(buffer);
    if (sub->fractionalScale != NULL) {
        wp_fractional_scale_v1_destroy(sub->fractionalScale);
        wp_viewport_destroy(sub->viewport);
    }
    wl_subsurface_destroy(sub->subsurface);
    wl_surface_destroy(sub->surface);
    wl_display_flush(globals.display);
    delete sub;
    host->subsurface = NULL;
#else
    (void)host;
#endif
}

bool TakeOwnDisplayEvents() {
#ifdef GDK_WINDOWING_WAYLAND
    if (globals.queue == NULL)
        return false;
    wl_display* display = globals.display;
    // Nobody else reads here: GDK's own read ends with each round of GLib.
    if (wl_display_prepare_read_queue(display, globals.queue) == 0 &&
        wl_display_read_events(display) < 0)
        return false;
    wl_display_dispatch_queue_pending(display, globals.queue);
    if (wl_display_prepare_read(display) != 0)
        return false; // events on GDK's queue
    wl_display_cancel_read(display);
    return true;
#else
    return false;
#endif
}

bool PutStoreOnSubsurface(HostWindow* host, const RECT* boxes, int count) {
#ifdef GDK_WINDOWING_WAYLAND
    Subsurface* sub = host->subsurface;
    if (sub == NULL)
        return false;
    const PixelStore& store = *host->store;
    if (!FitBuffers(host, sub, store))
        return false;
    ShmBuffer* target = FreeBufferOf(sub, store);
    for (ShmBuffer& buffer : sub->buffers)
        if (buffer.buffer != NULL && &buffer != target)
            for (int i = 0; i < count; i++)
                AddBox(buffer.stale, buffer.staleCount, boxes[i]);
    if (target == NULL) { // the compositor holds every buffer: the next paint brings this along
        for (int i = 0; i < count; i++)
            AddBox(sub->unshown, sub->unshownCount, boxes[i]);
        return true;
    }
    RECT whole = {0, 0, store.width, store.height};
    if (target->staleCount > MAX_STALE_BOXES)
        CopyFromStore(target->pixels, store, whole);
    else
        for (int i = 0; i < target->staleCount; i++)
            CopyFromStore(target->pixels, store, target->stale[i]);
    for (int i = 0; i < count; i++)
        CopyFromStore(target->pixels, store, boxes[i]);
    target->staleCount = 0;
    target->busy = true;
    wl_surface_attach(sub->surface, target->buffer, 0, 0);
    for (int i = 0; i < count; i++)
        Damage(sub, boxes[i]);
    if (sub->unshownCount > MAX_STALE_BOXES)
        Damage(sub, whole);
    else
        for (int i = 0; i < sub->unshownCount; i++)
            Damage(sub, sub->unshown[i]);
    sub->unshownCount = 0;
    wl_surface_commit(sub->surface);
    wl_display_flush(globals.display);
    return true;
#else
    (void)host;
    (void)boxes;
    (void)count;
    return false;
#endif
}
