// Surfaces: the pixels GDI draws on, a window's client area or an off-screen one, counted by
// references so that a device context keeps its surface while it lives. The pixels come from the
// host where it has a way to show them without a copy, and from the heap otherwise.

#include "core.h"

#include <limits.h>
#include <string.h>

#include <new>

Surface* NewSurface(HostWindow* window, int width, int height, int scale) {
    // CoreDevicePixels' rule, without its limit: an empty store may be very wide.
    long long deviceWidth = (static_cast<long long>(width) * scale + SCALE_UNIT / 2) / SCALE_UNIT;
    long long deviceHeight = (static_cast<long long>(height) * scale + SCALE_UNIT / 2) / SCALE_UNIT;
    if (deviceWidth > INT_MAX || deviceHeight > INT_MAX)
        return NULL; // its device pixels could not be counted, let alone held
    Surface* surface = new Surface{};
    PixelStore& store = surface->store;
    store.width = static_cast<int>(deviceWidth);
    store.height = static_cast<int>(deviceHeight);
    store.scale = scale;
    if (!HostNewStore(window, &store)) {
        store.stride = store.width;
        store.hostData = NULL;
        size_t count = static_cast<size_t>(store.stride) * store.height;
        store.pixels = count > 0 ? new (std::nothrow) uint32_t[count] : NULL;
        if (count > 0 && store.pixels == NULL) {
            delete surface;
            return NULL;
        }
    }
    surface->references = 1;
    FillSurfaceWhite(surface);
    return surface;
}

void HoldSurface(Surface* surface) {
    surface->references++;
}

void ReleaseSurface(Surface* surface) {
    if (surface == NULL || --surface->references > 0)
        return;
    FreeDrawingMemory(surface);
    FreeShownText(surface);
    if (surface->store.hostData != NULL)
        HostFreeStore(&surface->store);
    else
        delete[] surface->store.pixels;
    delete surface;
}

void FillSurfaceWhite(Surface* surface) {
    const PixelStore& store = surface->store;
    if (store.pixels == NULL)
        return; // an empty surface
    SettleSurface(surface);
    ForgetSurfaceDrawing(surface);
    CoverText(surface, RECT{0, 0, store.width, store.height});
    memset(store.pixels, 0xFF, static_cast<size_t>(store.stride) * store.height * sizeof(uint32_t));
}

COLORREF SurfacePixel(Surface* surface, int x, int y) {
    const PixelStore& store = surface->store;
    if (x < 0 || y < 0 || x >= store.width || y >= store.height)
        return 0xFFFFFFFF;
    SettleSurface(surface);
    uint32_t pixel = PixelRow(store, y)[x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}
