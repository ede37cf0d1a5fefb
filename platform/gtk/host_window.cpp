// The GTK window behind a Win32 window: a top-level GTK window holding the menu bar and a drawing
// area of exactly the client size that shows the backing store, and the signal handlers that hand
// GTK's key, menu, close and scale events to the core.
//
// The window manager draws the caption and frame outside the GTK window, so the GTK window holds
// just the menu bar and the client area. The bar has the Win32 metric (19 pixels, 12-pixel text)
// with the desktop's default font, and grows with the user's text scaling so that its text is never
// cut; the client area keeps its size below it and the window follows. At a device scale above 1
// GTK draws the bar at that scale and the client area shows the backing store pixel for pixel.
// The window is never resized, and the frame buttons follow the style (the Motif hints, which most
// window managers honour). A close request reaches the program even while the menu is open (GTK
// would drop it during the menu's grab): a desktop that ends the session asks every window to
// close, and the window must.

#include "gtk_host.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace {
int hostState = 0; // 0 not tried, 1 GTK ready, -1 no display
const char* applicationId = NULL;
const int MENU_TEXT_BYTES = 128;
const char* const HOST_WINDOW_KEY = "win32-host-window";
int displayConnection = -1;

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer host) {
    if (event->state & (GDK_MOD1_MASK | GDK_CONTROL_MASK))
        return FALSE;
    UINT virtualKey = VirtualKeyFromKeyval(event->keyval);
    UINT scanCode = ScanCodeFromKeycode(event->hardware_keycode, virtualKey);
    return CoreKey(static_cast<HostWindow*>(host)->window, virtualKey, scanCode,
                   event->type == GDK_KEY_PRESS);
}

void AskToClose(HostWindow* host) {
    if (host->menuBar != NULL)
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(host->menuBar));
    CoreCloseBox(host->window);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer host) {
    AskToClose(static_cast<HostWindow*>(host));
    return TRUE; // the window procedure decides; GTK must not destroy the window itself
}

// Every event from the display passes here before GTK's own handling, which would drop a close
// request while a menu holds the grab.
void HandleEvent(GdkEvent* event, gpointer) {
    GtkWidget* widget = event->type == GDK_DELETE ? gtk_get_event_widget(event) : NULL;
    HostWindow* host =
        widget != NULL
            ? static_cast<HostWindow*>(g_object_get_data(G_OBJECT(widget), HOST_WINDOW_KEY))
            : NULL;
    if (host != NULL)
        AskToClose(host);
    else
        gtk_main_do_event(event);
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    HostWindow* host = static_cast<HostWindow*>(data);
    if (host->subsurface != NULL)
        return TRUE; // the subsurface above shows the store
    // Drawing on the window itself (not double-buffered, on X11): the exposed part goes there
    // straight from the store.
    GdkRectangle clip;
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_XLIB &&
        gdk_cairo_get_clip_rectangle(cr, &clip)) {
        const PixelStore& store = *host->store;
        int scale = store.scale;
        RECT exposed = {CoreDevicePixels(clip.x, scale), CoreDevicePixels(clip.y, scale),
                        CoreDevicePixels(clip.x + clip.width, scale),
                        CoreDevicePixels(clip.y + clip.height, scale)};
        RECT inside = {exposed.left > 0 ? exposed.left : 0, exposed.top > 0 ? exposed.top : 0,
                       exposed.right < store.width ? exposed.right : store.width,
                       exposed.bottom < store.height ? exposed.bottom : store.height};
        if (inside.left >= inside.right || inside.top >= inside.bottom ||
            PutStoreOnHost(host, &inside, 1))
            return TRUE;
    }
    // The store's device scale is the window's, so its pixels land one to one on the screen's;
    // should the two differ for a moment, whole pixels are repeated rather than smoothed.
    cairo_surface_t* store = StoreSurface(*host->store);
    cairo_set_source_surface(cr, store, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_surface_destroy(store);
    return TRUE;
}

void OnClientMapped(GtkWidget* client, gpointer data) {
    HostWindow* host = static_cast<HostWindow*>(data);
    host->clientMapped = gtk_widget_get_mapped(client);
    host->target = NULL;
    if (host->clientMapped)
        AttachSubsurface(host);
    else
        DetachSubsurface(host);
}

// On X11 the drawing area gets an X window of its own that GTK does not double-buffer, so that
// the store can go into it directly.
void OnClientRealize(GtkWidget* client, gpointer) {
#ifdef GDK_WINDOWING_X11
    GdkWindow* own = gtk_widget_get_window(client);
    if (GDK_IS_X11_WINDOW(own) && gdk_window_ensure_native(own)) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_widget_set_double_buffered(client, FALSE);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
#else
    (void)client;
#endif
}

// The client area's device scale: the compositor's fractional one where it offers that, else GTK's.
// A new surface is offered 1 before the compositor knows its screen (KWin does so); GTK's whole
// scale is the fractional one rounded up, so a fractional scale that does not round up to it is
// not the screen's yet.
int ClientScale(HostWindow* host) {
    int whole = gtk_widget_get_scale_factor(host->client) * SCALE_UNIT;
    int fractional = host->fractionalScale;
    return fractional > whole - SCALE_UNIT && fractional <= whole ? fractional : whole;
}

int GreatestCommonDivisor(int a, int b) {
    return b == 0 ? a : GreatestCommonDivisor(b, a % b);
}

// The least height from `height` on that ends on a whole device pixel at this scale, so that the
// client area below starts on one; `height` itself where that would take a bar much taller.
int WholeDeviceHeight(int height, int scale) {
    const int MAX_PADDING = 20;
    int step = SCALE_UNIT / GreatestCommonDivisor(scale, SCALE_UNIT);
    int whole = (height + step - 1) / step * step;
    return whole - height <= MAX_PADDING ? whole : height;
}

// Fixes the window's size at the client area and the menu bar's present height. At a fractional
// scale the bar grows a little when its height would put the client area on a fraction of a
// device pixel (19 logical pixels are 28.5 at 150 %), where the compositor would have to resample
// or shift it.
void FitHostWindow(HostWindow* host) {
    int barHeight = 0;
    if (host->menuBar != NULL) {
        gtk_widget_set_size_request(host->menuBar, -1, host->menuBarHeight);
        gtk_widget_get_preferred_height(host->menuBar, NULL, &barHeight);
        int padded = WholeDeviceHeight(barHeight, ClientScale(host));
        if (padded != barHeight)
            gtk_widget_set_size_request(host->menuBar, -1, padded);
        barHeight = padded;
    }
    int width, height;
    gtk_widget_get_size_request(host->client, &width, &height);
    GdkGeometry hints = {};
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height + barHeight;
    gtk_window_set_geometry_hints(
        GTK_WINDOW(host->top), NULL, &hints,
        static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void OnMenuBarStyle(GtkWidget*, gpointer host) {
    FitHostWindow(static_cast<HostWindow*>(host));
}

void TellScale(HostWindow* host) {
    HostChanged();
    FitHostWindow(host);
    CoreScaleChanged(host->window, ClientScale(host));
    gtk_widget_queue_draw(host->client);
}

void OnScaleFactor(GtkWidget*, GParamSpec*, gpointer host) {
    TellScale(static_cast<HostWindow*>(host));
}

// Only a scale the store does not have yet costs a redraw: KWin also offers a new surface the
// scale it already has.
gboolean OnScaleDue(gpointer data) {
    HostWindow* host = static_cast<HostWindow*>(data);
    host->scaleSource = 0;
    if (ClientScale(host) != host->store->scale)
        TellScale(host);
    return G_SOURCE_REMOVE;
}

void OnMenuItem(GtkMenuItem* item, gpointer host) {
    UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "win32-command"));
    CoreMenuCommand(static_cast<HostWindow*>(host)->window, id);
}

void OnRealize(GtkWidget* top, gpointer data) {
    HostWindow* host = static_cast<HostWindow*>(data);
    bool minimizeBox = g_object_get_data(G_OBJECT(top), "win32-minimize-box") != NULL;
    int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
    if (minimizeBox)
        functions |= GDK_FUNC_MINIMIZE;
    int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
    if (minimizeBox)
        decorations |= GDK_DECOR_MINIMIZE;
    GdkWindow* own = gtk_widget_get_window(top);
    gdk_window_set_functions(own, static_cast<GdkWMFunction>(functions));
    gdk_window_set_decorations(own, static_cast<GdkWMDecoration>(decorations));
    TakeHostKeys(own, host);
}

// Win32 marks a mnemonic with '&' ("&&" for a literal one), GTK with '_'.
GtkWidget* NewHostMenuItem(const char* text) {
    char label[MENU_TEXT_BYTES];
    size_t n = 0;
    for (const char* c = text; *c != '\0' && n + 2 < sizeof(label); c++) {
        if (*c == '&' && c[1] == '&')
            label[n++] = *++c;
        else if (*c == '&')
            label[n++] = '_';
        else if (*c == '_')
            label[n++] = '_', label[n++] = '_';
        else
            label[n++] = *c;
    }
    label[n] = '\0';
    return gtk_menu_item_new_with_mnemonic(CoreTextToUtf8(label, -1).c_str());
}

void FillHostMenu(GtkWidget* shell, HMENU menu, HostWindow* host, int depth) {
    UINT id;
    const char* text;
    HMENU popup;
    if (depth > MAX_MENU_DEPTH)
        return;
    for (int i = 0; CoreMenuItem(menu, i, &id, &text, &popup); i++) {
        GtkWidget* item = NewHostMenuItem(text);
        if (popup != NULL) {
            GtkWidget* submenu = gtk_menu_new();
            FillHostMenu(submenu, popup, host, depth + 1);
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
        } else {
            g_object_set_data(G_OBJECT(item), "win32-command", GUINT_TO_POINTER(id));
            g_signal_connect(item, "activate", G_CALLBACK(OnMenuItem), host);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(shell), item);
    }
}

// Win32 never lacks a desktop, so a program has no message for it: the one line comes from here.
void ReportNoDisplay() {
    const char* x11 = g_getenv("DISPLAY");
    const char* wayland = g_getenv("WAYLAND_DISPLAY");
    if (x11 == NULL && wayland == NULL)
        fprintf(stderr, "%s: cannot open the display: neither DISPLAY nor WAYLAND_DISPLAY is set\n",
                program_invocation_short_name);
    else
        fprintf(stderr, "%s: cannot open the display \"%s\"\n", program_invocation_short_name,
                wayland != NULL ? wayland : x11);
}

#ifdef GDK_WINDOWING_X11
// Xlib calls this when the connection breaks during a request; it must not return.
int OnXConnectionLost(Display*) {
    ReportLostDisplay();
}
#endif

// The display's connection, for the loop to notice when it breaks.
void WatchDisplay() {
    GdkDisplay* display = gdk_display_get_default();
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(display)) {
        displayConnection = ConnectionNumber(GDK_DISPLAY_XDISPLAY(display));
        XSetIOErrorHandler(OnXConnectionLost);
    }
#endif
#ifdef GDK_WINDOWING_WAYLAND
    if (GDK_IS_WAYLAND_DISPLAY(display))
        displayConnection = wl_display_get_fd(gdk_wayland_display_get_wl_display(display));
#endif
}
} // namespace

HostWindow* FindHostWindow(HWND window) {
    HostWindow* found = NULL;
    GList* tops = gtk_window_list_toplevels();
    for (GList* top = tops; top != NULL; top = top->next) {
        auto* host =
            static_cast<HostWindow*>(g_object_get_data(G_OBJECT(top->data), HOST_WINDOW_KEY));
        if (host != NULL && host->window == window)
            found = host;
    }
    g_list_free(tops);
    return found;
}

int DisplayConnection() {
    return displayConnection;
}

void ReportLostDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    fprintf(stderr, "%s: lost the display \"%s\"\n", program_invocation_short_name,
            display != NULL ? gdk_display_get_name(display) : "");
    _exit(1); // nothing of the display can be cleaned up any more
}

void HostSetApplicationId(const char* id) {
    applicationId = id;
}

bool HostOpen() {
    if (hostState == 0) {
        HostChanged();
        // Everything is drawn into the store, never with OpenGL. Without this GDK loads the
        // system's GL driver at start-up just to choose visuals: on a machine with software GL
        // (LLVM) that is over 50 MiB mapped, and a slower start.
        g_setenv("GDK_GL", "disable", FALSE);
        // GTK takes the X11 WM_CLASS and the Wayland app id from the program name. It derives
        // the class, capitalised, while it initialises, so the id is set as the class after that
        // (only the hidden group leader keeps the capitalised one).
        if (applicationId != NULL)
            g_set_prgname(applicationId);
        hostState = gtk_init_check(NULL, NULL) ? 1 : -1;
        if (hostState == -1)
            ReportNoDisplay();
        if (hostState == 1) {
            if (applicationId != NULL) {
                gdk_set_program_class(applicationId);
                gtk_window_set_default_icon_name(applicationId);
            }
            gdk_event_handler_set(HandleEvent, NULL, NULL);
            WatchDisplay();
            // Let the menu bar fit the fixed Win32 metric exactly.
            GtkCssProvider* css = gtk_css_provider_new();
            gtk_css_provider_load_from_data(css,
                                            "menubar.win32-menu-bar { padding: 0; min-height: 0;"
                                            " border-width: 0; box-shadow: none;"
                                            " font-size: 0.9em; }"
                                            "menubar.win32-menu-bar > menuitem { min-height: 0;"
                                            " padding: 0 7px; }",
                                            -1, NULL);
            gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                                      GTK_STYLE_PROVIDER(css),
                                                      GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
            g_object_unref(css);
        }
    }
    return hostState == 1;
}

HostWindow* HostCreateWindow(const HostWindowSpec& wanted) {
    HostChanged();
    HostWindow* host = new HostWindow{};
    host->window = wanted.window;
    host->store = wanted.store;
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    host->top = top;
    g_object_set_data(G_OBJECT(top), HOST_WINDOW_KEY, host);
    if (wanted.minimizeBox)
        g_object_set_data(G_OBJECT(top), "win32-minimize-box", GINT_TO_POINTER(1));
    std::string title = CoreTextToUtf8(wanted.title, -1);
    gtk_window_set_title(GTK_WINDOW(top), title.c_str());
    gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(top), box);
    if (wanted.menu != NULL) {
        GtkWidget* bar = gtk_menu_bar_new();
        gtk_style_context_add_class(gtk_widget_get_style_context(bar), "win32-menu-bar");
        host->menuBarHeight = wanted.menuBarHeight;
        gtk_widget_set_size_request(bar, -1, wanted.menuBarHeight);
        FillHostMenu(bar, wanted.menu, host, 0);
        gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
        host->menuBar = bar;
        g_signal_connect(bar, "style-updated", G_CALLBACK(OnMenuBarStyle), host);
    }
    GtkWidget* client = NewClientArea(title.c_str());
    host->client = client;
    gtk_widget_set_size_request(client, wanted.clientWidth, wanted.clientHeight);
    gtk_box_pack_start(GTK_BOX(box), client, FALSE, FALSE, 0);
    if (wanted.x != CW_USEDEFAULT)
        gtk_window_move(GTK_WINDOW(top), wanted.x, wanted.y);
    g_signal_connect(client, "draw", G_CALLBACK(OnDraw), host);
    g_signal_connect_after(client, "realize", G_CALLBACK(OnClientRealize), NULL);
    g_signal_connect_after(client, "map", G_CALLBACK(OnClientMapped), host);
    g_signal_connect_after(client, "unmap", G_CALLBACK(OnClientMapped), host);
    g_signal_connect(client, "unrealize", G_CALLBACK(OnClientMapped), host);
    g_signal_connect(client, "notify::scale-factor", G_CALLBACK(OnScaleFactor), host);
    g_signal_connect(top, "delete-event", G_CALLBACK(OnDelete), host);
    g_signal_connect(top, "realize", G_CALLBACK(OnRealize), host);
    g_signal_connect(top, "key-press-event", G_CALLBACK(OnKey), host);
    g_signal_connect(top, "key-release-event", G_CALLBACK(OnKey), host);
    gtk_widget_show_all(box);
    gtk_widget_grab_focus(client); // where a screen reader follows the game's text
    FitHostWindow(host);
    if (gtk_widget_get_scale_factor(client) != 1)
        OnScaleFactor(client, NULL, host);
    return host;
}

void ScaleChangedLater(HostWindow* host) {
    HostChanged();
    if (host->scaleSource == 0)
        host->scaleSource = g_idle_add(OnScaleDue, host);
}

void HostShowWindow(HostWindow* host, bool visible) {
    HostChanged();
    gtk_widget_set_visible(host->top, visible);
}

void HostIconifyWindow(HostWindow* host, bool iconic) {
    HostChanged();
    if (iconic)
        gtk_window_iconify(GTK_WINDOW(host->top));
    else
        gtk_window_deiconify(GTK_WINDOW(host->top));
}

void HostDestroyWindow(HostWindow* host) {
    HostChanged();
    DetachSubsurface(host);
    if (host->scaleSource != 0)
        g_source_remove(host->scaleSource);
    gtk_widget_destroy(host->top);
    delete host;
}

bool TestingGetHostLayout(HWND window, RECT* clientArea, RECT* menuBar) {
    HostWindow* host = FindHostWindow(window);
    if (host == NULL || !gtk_widget_get_mapped(host->client))
        return false;
    GtkAllocation a;
    gtk_widget_get_allocation(host->client, &a);
    if (clientArea != NULL)
        *clientArea = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
    if (menuBar != NULL) {
        *menuBar = RECT{0, 0, 0, 0};
        if (host->menuBar != NULL) {
            gtk_widget_get_allocation(host->menuBar, &a);
            *menuBar = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
        }
    }
    return true;
}
