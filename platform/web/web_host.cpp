// The host over the browser: the page's one client area is a canvas, its menu bar is HTML above
// it, and the program waits by suspending itself (Asyncify) until the page queues an event or a
// deadline passes. The page's side lives in web_host.js and menu_bar.js; this file calls it
// through the Web* functions below and hands what the page queued to the core.
//
// Events reach the core only from HostWait, after the program has resumed: while it is
// suspended the page merely queues them, so nothing ever runs inside a suspended program.
// One window at a time: a page has one client area. The close box, iconifying and the
// application id have no counterpart in a page.

#include "../core/host.h"

#include <emscripten.h>

#include <stdio.h>

struct HostWindow {
    HWND window;
    const PixelStore* store;
};

namespace {

// What web_host.js queues, as WebNextEvent reports it.
enum EventKind { EVENT_NONE, EVENT_KEY, EVENT_COMMAND, EVENT_SCALE };

HostWindow pageWindow;
bool windowInUse = false;

// setTimeout takes at most 2^31 - 1 ms; a longer wait is made of several.
const double LONGEST_TIMEOUT_MS = 2147483647.0;

} // namespace

EM_JS(double, WebClockMs, (), { return performance.now(); });
EM_ASYNC_JS(void, WebWait, (double timeoutMs), { await WebHost.Wait(timeoutMs); });
EM_ASYNC_JS(void, WebSleep, (double timeoutMs), { await WebHost.Sleep(timeoutMs); });
EM_JS(int, WebNextEvent, (int* fields), { return WebHost.NextEvent(fields); });
EM_JS(int, WebDeviceScale, (), { return WebHost.DeviceScale(); });
EM_JS(void, WebCheckScale, (), { WebHost.CheckScale(); });
EM_JS(void, WebCreateWindow, (const char* title, int width, int height),
      { WebHost.CreateWindow(UTF8ToString(title), width, height); });
EM_JS(void, WebShowWindow, (int visible), { WebHost.ShowWindow(visible != 0); });
EM_JS(void, WebDestroyWindow, (), { WebHost.DestroyWindow(); });
EM_JS(void, WebShowText, (const char* text), { WebHost.ShowText(UTF8ToString(text)); });
EM_JS(void, WebSizeStore, (int width, int height), { WebHost.SizeStore(width, height); });
EM_JS(void, WebShowPixels,
      (const uint32_t* pixels, int stride, int left, int top, int right, int bottom),
      { WebHost.ShowPixels(pixels, stride, left, top, right, bottom); });
EM_JS(int, WebAddMenuItem, (int parent, int id, const char* text, int popup),
      { return MenuBar.Add(parent, id, UTF8ToString(text), popup != 0); });
EM_JS(void, WebOpenMenuBar, (), { MenuBar.OpenByKeyboard(); });

namespace {

int64_t Microseconds(double ms) {
    return static_cast<int64_t>(ms * 1000.0);
}

// The menu's items below `parent` (0 for the bar), as far down as the core lets a walk go.
void AddMenuItems(HMENU menu, int parent, int depth) {
    UINT id;
    const char* text;
    HMENU popup;
    for (int i = 0; CoreMenuItem(menu, i, &id, &text, &popup); i++) {
        std::string utf8 = text != NULL ? CoreTextToUtf8(text, -1) : std::string();
        bool descend = popup != NULL && depth < MAX_MENU_DEPTH;
        int node = WebAddMenuItem(parent, static_cast<int>(id), utf8.c_str(), descend);
        if (descend)
            AddMenuItems(popup, node, depth + 1);
    }
}

// Hands everything the page queued to the core; true if there was anything.
bool HandOverEvents() {
    bool handed = false;
    int fields[3];
    for (int kind; (kind = WebNextEvent(fields)) != EVENT_NONE;) {
        handed = true;
        if (!windowInUse)
            continue;
        HWND window = pageWindow.window;
        switch (kind) {
        case EVENT_KEY: {
            UINT virtualKey = static_cast<UINT>(fields[0]);
            bool pressed = fields[2] != 0;
            // The keys the program does not get are the menu bar's, F10 first of all.
            if (!CoreKey(window, virtualKey, static_cast<UINT>(fields[1]), pressed) && pressed &&
                virtualKey == VK_F10)
                WebOpenMenuBar();
            break;
        }
        case EVENT_COMMAND: CoreMenuCommand(window, static_cast<UINT>(fields[0])); break;
        case EVENT_SCALE: CoreScaleChanged(window, fields[0]); break;
        default: break;
        }
    }
    return handed;
}

} // namespace

bool HostOpen() {
    return true;
}

void HostSetApplicationId(const char*) {}

HostWindow* HostCreateWindow(const HostWindowSpec& wanted) {
    if (windowInUse) {
        fprintf(stderr, "web host: a page has room for one window only\n");
        return NULL;
    }
    windowInUse = true;
    pageWindow = HostWindow{wanted.window, wanted.store};
    std::string title = CoreTextToUtf8(wanted.title != NULL ? wanted.title : "", -1);
    WebCreateWindow(title.c_str(), wanted.clientWidth, wanted.clientHeight);
    if (wanted.menu != NULL)
        AddMenuItems(wanted.menu, 0, 1);
    int scale = WebDeviceScale();
    if (scale != SCALE_UNIT)
        CoreScaleChanged(wanted.window, scale);
    return &pageWindow;
}

void HostShowWindow(HostWindow*, bool visible) {
    WebShowWindow(visible);
}

void HostIconifyWindow(HostWindow*, bool) {}

void HostDestroyWindow(HostWindow*) {
    WebDestroyWindow();
    windowInUse = false;
}

// The core keeps the pixels; the canvas only takes the store's size.
bool HostNewStore(HostWindow* window, PixelStore* store) {
    if (window != NULL)
        WebSizeStore(store->width, store->height);
    return false;
}

void HostFreeStore(PixelStore*) {}

void HostShowPixels(HostWindow* window, const RECT* boxes, int count) {
    const PixelStore& store = *window->store;
    for (int i = 0; i < count; i++)
        WebShowPixels(store.pixels, store.stride, boxes[i].left, boxes[i].top, boxes[i].right,
                      boxes[i].bottom);
}

void HostClientText(HostWindow*, const char* lines) {
    WebShowText(CoreTextToUtf8(lines, -1).c_str());
}

int64_t HostClock() {
    return Microseconds(WebClockMs());
}

void HostWait(int64_t deadline) {
    for (;;) {
        // The page's events can miss a new device ratio (seen with Chromium's emulated screens on
        // a busy machine), so each wait also looks.
        WebCheckScale();
        if (HandOverEvents())
            return;
        if (deadline == HOST_NO_DEADLINE) {
            WebWait(-1);
            continue;
        }
        int64_t now = HostClock();
        if (now >= deadline)
            return;
        double ms = static_cast<double>(deadline - now) / 1000.0;
        WebWait(ms < LONGEST_TIMEOUT_MS ? ms : LONGEST_TIMEOUT_MS);
    }
}

void HostSleep(int64_t deadline) {
    for (int64_t now = HostClock(); now < deadline; now = HostClock()) {
        double ms = static_cast<double>(deadline - now) / 1000.0;
        WebSleep(ms < LONGEST_TIMEOUT_MS ? ms : LONGEST_TIMEOUT_MS);
    }
}
