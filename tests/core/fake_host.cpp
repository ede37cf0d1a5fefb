#include "fake_host.h"

#include <stdio.h>
#include <stdlib.h>

#include <deque>
#include <utility>

struct HostWindow {
    FakeWindow state;
    const PixelStore* store;
};

namespace {
int64_t clock = 0;
bool displayPresent = true;
std::deque<HostWindow> windows; // never shrinks during a test, so records stay where they are
std::deque<std::pair<void (*)(HWND), HWND>> events;
void (*idleEvent)() = NULL;

// The core promised to keep inside the store; a host would read or write past its pixels.
void CheckInside(const PixelStore& store, const RECT& box, const char* what) {
    if (box.left < 0 || box.top < 0 || box.right > store.width || box.bottom > store.height ||
        box.left >= box.right || box.top >= box.bottom) {
        fprintf(stderr, "fake host: %s %d,%d-%d,%d outside a store of %d x %d\n", what,
                static_cast<int>(box.left), static_cast<int>(box.top), static_cast<int>(box.right),
                static_cast<int>(box.bottom), store.width, store.height);
        abort();
    }
}

uint32_t GlyphPixel(unsigned char c, int x, int y) {
    return (x * 3 + y * 5 + c) % 4 == 0 ? 0x000000 : 0xFFFFFFFF;
}
} // namespace

void ResetFakeHost() {
    clock = 1000000;
    displayPresent = true;
    windows.clear();
    events.clear();
    idleEvent = NULL;
}

void AdvanceFakeClock(int64_t microseconds) {
    clock += microseconds;
}

int64_t FakeClock() {
    return clock;
}

void SetFakeDisplay(bool present) {
    displayPresent = present;
}

const FakeWindow* FakeWindowOf(HWND window) {
    for (const HostWindow& host : windows)
        if (host.state.window == window)
            return &host.state;
    return NULL;
}

void QueueFakeEvent(void (*event)(HWND), HWND window) {
    events.emplace_back(event, window);
}

void SetFakeIdleEvent(void (*event)()) {
    idleEvent = event;
}

bool HostOpen() {
    if (!displayPresent)
        fprintf(stderr, "fake host: no display\n");
    return displayPresent;
}

void HostSetApplicationId(const char*) {}

HostWindow* HostCreateWindow(const HostWindowSpec& wanted) {
    windows.push_back(
        HostWindow{FakeWindow{wanted.window, false, false, false, 0, {}, 0, {}}, wanted.store});
    return &windows.back();
}

void HostShowWindow(HostWindow* window, bool visible) {
    window->state.visible = visible;
}

void HostIconifyWindow(HostWindow* window, bool iconic) {
    window->state.iconic = iconic;
}

void HostDestroyWindow(HostWindow* window) {
    window->state.destroyed = true;
}

bool HostNewStore(HostWindow*, PixelStore*) {
    return false;
}

void HostFreeStore(PixelStore*) {}

void HostShowPixels(HostWindow* window, const RECT* boxes, int count) {
    for (int i = 0; i < count; i++)
        CheckInside(*window->store, boxes[i], "shown box");
    RECT bounds = boxes[0];
    for (int i = 1; i < count; i++) {
        bounds.left = boxes[i].left < bounds.left ? boxes[i].left : bounds.left;
        bounds.top = boxes[i].top < bounds.top ? boxes[i].top : bounds.top;
        bounds.right = boxes[i].right > bounds.right ? boxes[i].right : bounds.right;
        bounds.bottom = boxes[i].bottom > bounds.bottom ? boxes[i].bottom : bounds.bottom;
    }
    window->state.shownBoxes += count;
    window->state.lastShown = bounds;
}

void HostClientText(HostWindow* window, const char* lines) {
    window->state.textCalls++;
    window->state.text = lines;
}

// Each character's ink is a 6 x 12 block of its own pattern, 2 pixels below the line's top, laid
// out in logical pixels and mapped to device pixels as the core maps edges.
void HostMeasureText(const char*, int length, int scale, TextExtents* extents) {
    int width = CoreDevicePixels(length * FAKE_GLYPH_WIDTH, scale);
    extents->line = RECT{0, 0, width, CoreDevicePixels(FAKE_LINE_HEIGHT, scale)};
    extents->ink = length > 0 ? RECT{0, CoreDevicePixels(2, scale),
                                     CoreDevicePixels(length * FAKE_GLYPH_WIDTH - 2, scale),
                                     CoreDevicePixels(14, scale)}
                              : RECT{};
}

void HostDrawText(const PixelStore& store, int x, int y, const char* text, int length,
                  const RECT& clip) {
    CheckInside(store, clip, "text clip");
    int scale = store.scale;
    for (int i = 0; i < length; i++) {
        int left = x + CoreDevicePixels(i * FAKE_GLYPH_WIDTH, scale);
        for (int gy = 0; gy < CoreDevicePixels(12, scale); gy++) {
            for (int gx = 0; gx < CoreDevicePixels(6, scale); gx++) {
                int px = left + gx, py = y + CoreDevicePixels(2, scale) + gy;
                if (px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom)
                    continue;
                if (GlyphPixel(static_cast<unsigned char>(text[i]), gx, gy) == 0)
                    store.pixels[static_cast<ptrdiff_t>(py) * store.stride + px] = 0;
            }
        }
    }
}

int64_t HostClock() {
    return clock;
}

// Nothing happens in this host but the queued events and the passing of time; a wait for an
// event that will never come is a test that would hang.
void HostWait(int64_t deadline) {
    if (!events.empty()) {
        std::pair<void (*)(HWND), HWND> event = events.front();
        events.pop_front();
        event.first(event.second);
        return;
    }
    if (deadline == HOST_NO_DEADLINE && idleEvent != NULL) {
        idleEvent();
        return;
    }
    if (deadline == HOST_NO_DEADLINE) {
        fprintf(stderr, "fake host: the program waits for an event that never comes\n");
        abort();
    }
    clock = deadline > clock ? deadline : clock;
}

void HostSleep(int64_t deadline) {
    clock = deadline > clock ? deadline : clock;
}
