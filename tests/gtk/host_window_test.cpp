// The GTK side of windows and menus, under a real display: the client drawing area has exactly
// the client size, the backing store is what the widget shows, and GTK's key and close events
// reach the window procedure as Win32 messages.

#include "../../platform/gtk/gtk_host.h"
#include "../core/message_log.h"

#include <win32_testing.h>

#include <gtk/gtk.h>
#include <gdk/gdkx.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {
const DWORD FIXED_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A shown GTK window with a menu bar and an 800 x 600 client area, laid out.
HWND ShowHostWindow() {
    StartLoggingLayer();
    TestingSetHeadless(false);
    HMENU bar = CreateMenu();
    HMENU game = CreatePopupMenu();
    AppendMenuA(game, MF_STRING, 1, "New Game");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(game), "Game");
    RECT outer = {0, 0, 800, 600};
    AdjustWindowRectEx(&outer, FIXED_STYLE, TRUE, 0);
    HWND window =
        CreateWindowExA(0, "Log", "Layer test", FIXED_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        outer.right - outer.left, outer.bottom - outer.top, NULL, bar, NULL, NULL);
    if (window == NULL)
        return NULL;
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    for (int i = 0; i < 300 && !TestingGetHostLayout(window, NULL, NULL); i++) {
        while (gtk_events_pending())
            gtk_main_iteration();
        g_usleep(10000);
    }
    while (gtk_events_pending())
        gtk_main_iteration();
    return window;
}

void SendKey(GtkWidget* widget, GdkEventType type, guint keyval) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->key.keyval = keyval;
    event->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(
        event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(event);
    gdk_event_free(event);
    while (gtk_events_pending())
        gtk_main_iteration();
}

class GtkHostWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (getenv("DISPLAY") == NULL || *getenv("DISPLAY") == '\0')
            GTEST_SKIP() << "needs DISPLAY (an X server such as Xvfb)";
        window = ShowHostWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        TestingResetLayer();
        TestingSetHeadless(true);
    }
    HWND window = NULL;
};
} // namespace

TEST_F(GtkHostWindow, ClientDrawingAreaIsExactlyTheClientSize) {
    RECT client, bar;
    ASSERT_TRUE(TestingGetHostLayout(window, &client, &bar));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
    EXPECT_EQ(bar.bottom - bar.top, 19);
    EXPECT_EQ(client.top, bar.bottom);
    RECT rect;
    GetClientRect(window, &rect);
    EXPECT_EQ(rect.right, 800);
    EXPECT_EQ(rect.bottom, 600);
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(FindHostWindow(window)->top), &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 619);
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(FindHostWindow(window)->top)));
}

TEST_F(GtkHostWindow, LargerTextGrowsTheMenuBarAndTheClientAreaKeepsItsSizeBelowIt) {
    GtkSettings* settings = gtk_settings_get_default();
    int dpi = 0;
    g_object_get(settings, "gtk-xft-dpi", &dpi, NULL);
    g_object_set(settings, "gtk-xft-dpi", 144 * 1024, NULL); // text at 150 %
    RECT client, bar;
    for (int i = 0; i < 300; i++) {
        while (gtk_events_pending())
            gtk_main_iteration();
        if (TestingGetHostLayout(window, &client, &bar) && bar.bottom - bar.top > 19)
            break;
        g_usleep(10000);
    }
    g_object_set(settings, "gtk-xft-dpi", dpi, NULL);
    EXPECT_GT(bar.bottom - bar.top, 19);
    EXPECT_EQ(client.top, bar.bottom);
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
}

TEST_F(GtkHostWindow, TheWidgetShowsTheBackingStore) {
    InvalidateRect(window, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    SelectObject(dc, green);
    Rectangle(dc, 0, 0, 50, 50);
    EndPaint(window, &paint);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
    cairo_t* cr = cairo_create(shot);
    gtk_widget_draw(FindHostWindow(window)->client, cr);
    cairo_destroy(cr);
    cairo_surface_flush(shot);
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(shot));
    int stride = cairo_image_surface_get_stride(shot) / 4;
    EXPECT_EQ(pixels[10 * stride + 10] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[100 * stride + 100] & 0xFFFFFF, 0xFFFFFFu);
    cairo_surface_destroy(shot);
}

// Paints two cells side by side, and lets GTK do whatever it has to.
void PaintTwoCells(HWND window, HBRUSH left, HBRUSH right) {
    InvalidateRect(window, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SelectObject(dc, left);
    Rectangle(dc, 0, 100, 50, 150);
    SelectObject(dc, right);
    Rectangle(dc, 50, 100, 100, 150);
    EndPaint(window, &paint);
    for (int i = 0; i < 5; i++) {
        while (gtk_events_pending())
            gtk_main_iteration();
        g_usleep(10000);
    }
}

// A client pixel (logical coordinates) as the X server shows it in the window, 0x00RRGGBB.
uint32_t ShownPixel(HWND window, int x, int y) {
    HostWindow* host = FindHostWindow(window);
    int scale = host->store->scale, left = 0, top = 0;
    gtk_widget_translate_coordinates(host->client, host->top, 0, 0, &left, &top);
    GdkWindow* native = gtk_widget_get_window(host->top);
    Display* display = GDK_WINDOW_XDISPLAY(native);
    XImage* image = XGetImage(display, GDK_WINDOW_XID(native), CoreDevicePixels(left + x, scale),
                              CoreDevicePixels(top + y, scale), 1, 1, AllPlanes, ZPixmap);
    uint32_t pixel = image != NULL ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0xFFFFFFFF;
    if (image != NULL)
        XDestroyImage(image);
    return pixel;
}

// Puts a pixel into the backing store behind the layer's back: it reaches the window only if the
// host puts that part of the store there.
void MarkStore(HWND window, int x, int y) {
    const PixelStore& store = *FindHostWindow(window)->store;
    store.pixels[static_cast<ptrdiff_t>(CoreDevicePixels(y, store.scale)) * store.stride +
                 CoreDevicePixels(x, store.scale)] = 0x0000FF;
}

TEST_F(GtkHostWindow, ARepaintPutsOnTheWindowWhatChangedAndNothingElse) {
    if (!GDK_IS_X11_DISPLAY(gdk_display_get_default()))
        GTEST_SKIP() << "reads the window back through X11";
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    PaintTwoCells(window, green, green);
    EXPECT_EQ(ShownPixel(window, 25, 125), 0x00FF00u);
    MarkStore(window, 200, 300);
    PaintTwoCells(window, green, red);
    EXPECT_EQ(ShownPixel(window, 75, 125), 0xFF0000u) << "the cell that changed is shown";
    EXPECT_EQ(ShownPixel(window, 200, 300), 0xFFFFFFu) << "what did not change is not put again";
    MarkStore(window, 75, 125);
    PaintTwoCells(window, green, red);
    EXPECT_EQ(ShownPixel(window, 75, 125), 0xFF0000u)
        << "the same cells again touch neither the store nor the window";
}

TEST_F(GtkHostWindow, GtkKeyAndCloseEventsBecomeMessages) {
    GtkWidget* top = FindHostWindow(window)->top;
    GtkMenuShell* bar = GTK_MENU_SHELL(FindHostWindow(window)->menuBar);
    SendKey(top, GDK_KEY_PRESS, GDK_KEY_Left);
    SendKey(top, GDK_KEY_RELEASE, GDK_KEY_Left);
    SendKey(top, GDK_KEY_PRESS, GDK_KEY_F10); // GTK's menu-bar key: the bar takes it
    EXPECT_NE(gtk_menu_shell_get_selected_item(bar), nullptr);
    gtk_menu_shell_deactivate(bar);
    SendKey(top, GDK_KEY_PRESS, GDK_KEY_space);
    gtk_window_close(GTK_WINDOW(top));
    messageLog.count = 0;
    EXPECT_EQ(RunMessageLoop(), 7);
    const UINT expected[] = {WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_CLOSE, WM_DESTROY};
    EXPECT_TRUE(SequenceIs(expected));
    EXPECT_EQ(messageLog.entries[0].wParam, static_cast<WPARAM>(VK_LEFT));
    EXPECT_EQ(messageLog.entries[2].wParam, static_cast<WPARAM>(VK_SPACE));
}

TEST(Windows, NoDisplayMeansNoWindowAndOneLineSayingWhy) {
    StartLoggingLayer();
    TestingSetHeadless(false);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    char path[] = "/tmp/win32-layer-output-XXXXXX";
    int capture = mkstemp(path);
    ASSERT_GE(capture, 0);
    fflush(stdout);
    fflush(stderr);
    int savedOut = dup(1), savedErr = dup(2);
    dup2(capture, 1);
    dup2(capture, 2);
    HWND window = CreateLoggedWindow();
    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    char printed[256] = {};
    ssize_t length = pread(capture, printed, sizeof(printed) - 1, 0);
    close(capture);
    unlink(path);
    TestingSetHeadless(true);
    EXPECT_EQ(window, nullptr);
    ASSERT_GT(length, 0);
    EXPECT_NE(strstr(printed, "cannot open the display"), nullptr) << printed;
    EXPECT_EQ(strchr(printed, '\n'), printed + length - 1) << printed;
}
