// The GTK window behind a Win32 window: a top-level GTK window holding the menu bar and a drawing
// area of exactly the client size that shows the backing store, and the signal handlers that turn
// GTK's key, menu and close events into messages.
//
// The window manager draws the caption and frame outside the GTK window, so the GTK window holds
// just the menu bar and the client area. The bar has the Win32 metric (19 pixels, 12-pixel text)
// with the desktop's default font, and grows with the user's text scaling so that its text is never
// cut; the client area keeps its size below it and the window follows. At a device scale above 1
// GTK draws the bar at that scale and the client area shows the backing store pixel for pixel.
// The window is never resized, and the frame buttons follow the style (the Motif hints, which most
// window managers honour).

#include "layer_internal.h"

#include "application_id.h"

#include <errno.h>
#include <gtk/gtk.h>
#include <stdio.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace {
int hostState = 0; // 0 not tried, 1 GTK ready, -1 no display
const char* applicationId = NULL;
const int MENU_TEXT_BYTES = 128;

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer window) {
    if (event->state & (GDK_MOD1_MASK | GDK_CONTROL_MASK))
        return FALSE;
    UINT virtualKey = VirtualKeyFromKeyval(event->keyval);
    UINT scanCode = ScanCodeFromKeycode(event->hardware_keycode, virtualKey);
    return PostKeyMessage(static_cast<HWND>(window), virtualKey, scanCode,
                          event->type == GDK_KEY_PRESS);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer window) {
    PressCloseBox(static_cast<HWND>(window));
    return TRUE; // the window procedure decides; GTK must not destroy the window itself
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record == NULL)
        return FALSE;
    // Drawing on the window itself (not double-buffered, on X11): the exposed part goes there
    // straight from the store.
    GdkRectangle clip;
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_XLIB &&
        gdk_cairo_get_clip_rectangle(cr, &clip)) {
        int scale = record->scale;
        ChangedPixels exposed = {};
        AddChangedPixels(&exposed,
                         RECT{clip.x * scale, clip.y * scale, (clip.x + clip.width) * scale,
                              (clip.y + clip.height) * scale});
        if (PutStoreOnHost(record, exposed))
            return TRUE;
    }
    // The store's device scale is the window's, so its pixels land one to one on the screen's;
    // should the two differ for a moment, whole pixels are repeated rather than smoothed.
    cairo_set_source_surface(cr, record->backing, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    return TRUE;
}

void OnClientMapped(GtkWidget* client, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record != NULL) {
        record->hostClientMapped = gtk_widget_get_mapped(client);
        record->hostTarget = NULL;
    }
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

void OnScaleFactor(GtkWidget* client, GParamSpec*, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record != NULL)
        SetWindowScale(record, gtk_widget_get_scale_factor(client));
}

// Fixes the window's size at the client area and the menu bar's present height.
void FitHostWindow(WindowRecord* record) {
    int barHeight = 0;
    if (record->hostMenuBar != NULL)
        gtk_widget_get_preferred_height(record->hostMenuBar, NULL, &barHeight);
    GdkGeometry hints = {};
    hints.min_width = hints.max_width = record->clientWidth;
    hints.min_height = hints.max_height = record->clientHeight + barHeight;
    gtk_window_set_geometry_hints(
        GTK_WINDOW(record->hostWindow), NULL, &hints,
        static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void OnMenuBarStyle(GtkWidget*, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record != NULL && record->hostWindow != NULL)
        FitHostWindow(record);
}

void OnMenuItem(GtkMenuItem* item, gpointer window) {
    UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "win32-command"));
    PostMenuCommand(static_cast<HWND>(window), id);
}

void OnRealize(GtkWidget* top, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record == NULL)
        return;
    int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
    if (record->style & WS_MINIMIZEBOX)
        functions |= GDK_FUNC_MINIMIZE;
    int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
    if (record->style & WS_MINIMIZEBOX)
        decorations |= GDK_DECOR_MINIMIZE;
    GdkWindow* host = gtk_widget_get_window(top);
    gdk_window_set_functions(host, static_cast<GdkWMFunction>(functions));
    gdk_window_set_decorations(host, static_cast<GdkWMDecoration>(decorations));
    TakeHostKeys(host, static_cast<HWND>(window));
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
    gchar* utf8 = ToUtf8(label, -1);
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(utf8 != NULL ? utf8 : "");
    g_free(utf8);
    return item;
}

void FillHostMenu(GtkWidget* shell, HMENU menu, HWND window, int depth) {
    UINT id;
    const char* text;
    HMENU popup;
    if (depth > MAX_MENU_DEPTH)
        return;
    for (int i = 0; MenuItemAt(menu, i, &id, &text, &popup); i++) {
        GtkWidget* item = NewHostMenuItem(text);
        if (popup != NULL) {
            GtkWidget* submenu = gtk_menu_new();
            FillHostMenu(submenu, popup, window, depth + 1);
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
        } else {
            g_object_set_data(G_OBJECT(item), "win32-command", GUINT_TO_POINTER(id));
            g_signal_connect(item, "activate", G_CALLBACK(OnMenuItem), window);
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
} // namespace

void SetHostApplicationId(const char* id) {
    applicationId = id;
}

bool EnsureHost() {
    if (hostState == 0) {
        HostChanged();
        g_setenv("NO_AT_BRIDGE", "1", FALSE); // no accessibility bus warnings on stderr
        // Everything is drawn with cairo into the store, never with OpenGL. Without this GDK
        // loads the system's GL driver at start-up just to choose visuals: on a machine with
        // software GL (LLVM) that is over 50 MiB mapped, and a slower start.
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

void CreateHostWindow(WindowRecord* record, HWND window, LPCSTR title, int x, int y) {
    HostChanged();
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gchar* utf8 = ToUtf8(title != NULL ? title : "", -1);
    gtk_window_set_title(GTK_WINDOW(top), utf8 != NULL ? utf8 : "");
    g_free(utf8);
    gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(top), box);
    if (record->menu != NULL) {
        GtkWidget* bar = gtk_menu_bar_new();
        gtk_style_context_add_class(gtk_widget_get_style_context(bar), "win32-menu-bar");
        gtk_widget_set_size_request(bar, -1, MENU_BAR_HEIGHT);
        FillHostMenu(bar, record->menu, window, 0);
        gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
        record->hostMenuBar = bar;
        g_signal_connect(bar, "style-updated", G_CALLBACK(OnMenuBarStyle), window);
    }
    GtkWidget* client = gtk_drawing_area_new();
    gtk_widget_set_size_request(client, record->clientWidth, record->clientHeight);
    gtk_box_pack_start(GTK_BOX(box), client, FALSE, FALSE, 0);
    if (x != CW_USEDEFAULT)
        gtk_window_move(GTK_WINDOW(top), x, y);
    g_signal_connect(client, "draw", G_CALLBACK(OnDraw), window);
    g_signal_connect_after(client, "realize", G_CALLBACK(OnClientRealize), NULL);
    g_signal_connect_after(client, "map", G_CALLBACK(OnClientMapped), window);
    g_signal_connect_after(client, "unmap", G_CALLBACK(OnClientMapped), window);
    g_signal_connect(client, "unrealize", G_CALLBACK(OnClientMapped), window);
    g_signal_connect(client, "notify::scale-factor", G_CALLBACK(OnScaleFactor), window);
    g_signal_connect(top, "delete-event", G_CALLBACK(OnDelete), window);
    g_signal_connect(top, "realize", G_CALLBACK(OnRealize), window);
    g_signal_connect(top, "key-press-event", G_CALLBACK(OnKey), window);
    g_signal_connect(top, "key-release-event", G_CALLBACK(OnKey), window);
    gtk_widget_show_all(box);
    record->hostWindow = top;
    record->hostClient = client;
    FitHostWindow(record);
    OnScaleFactor(client, NULL, window);
}

void SetHostVisible(WindowRecord* record, bool visible) {
    HostChanged();
    if (record->hostWindow != NULL)
        gtk_widget_set_visible(record->hostWindow, visible);
}

void SetHostIconic(WindowRecord* record, bool iconic) {
    HostChanged();
    if (record->hostWindow == NULL)
        return;
    if (iconic)
        gtk_window_iconify(GTK_WINDOW(record->hostWindow));
    else
        gtk_window_deiconify(GTK_WINDOW(record->hostWindow));
}

void DestroyHostWindow(WindowRecord* record) {
    HostChanged();
    if (record->hostWindow != NULL)
        gtk_widget_destroy(record->hostWindow);
    record->hostWindow = record->hostMenuBar = record->hostClient = NULL;
    record->hostClientMapped = false;
    record->hostTarget = NULL;
}

bool TestingGetHostLayout(HWND window, RECT* clientArea, RECT* menuBar) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || record->hostClient == NULL || !gtk_widget_get_mapped(record->hostClient))
        return false;
    GtkAllocation a;
    gtk_widget_get_allocation(record->hostClient, &a);
    if (clientArea != NULL)
        *clientArea = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
    if (menuBar != NULL) {
        *menuBar = RECT{0, 0, 0, 0};
        if (record->hostMenuBar != NULL) {
            gtk_widget_get_allocation(record->hostMenuBar, &a);
            *menuBar = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
        }
    }
    return true;
}
