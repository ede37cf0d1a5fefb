// The GTK side of windows and menus, under a real display: the client drawing area has exactly
// the client size, the backing store is what the widget shows, and GTK's key and close events
// reach the window procedure as Win32 messages.

#include "../../platform/layer_internal.h"
#include "message_log.h"

#include <win32_testing.h>

#include <gtk/gtk.h>
#include <stdlib.h>

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

class HostWindow : public ::testing::Test {
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

TEST_F(HostWindow, ClientDrawingAreaIsExactlyTheClientSize) {
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
    gtk_window_get_size(GTK_WINDOW(FindWindowRecord(window)->hostWindow), &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 619);
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(FindWindowRecord(window)->hostWindow)));
}

TEST_F(HostWindow, LargerTextGrowsTheMenuBarAndTheClientAreaKeepsItsSizeBelowIt) {
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

TEST_F(HostWindow, TheWidgetShowsTheBackingStore) {
    InvalidateRect(window, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    SelectObject(dc, green);
    Rectangle(dc, 0, 0, 50, 50);
    EndPaint(window, &paint);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
    cairo_t* cr = cairo_create(shot);
    gtk_widget_draw(FindWindowRecord(window)->hostClient, cr);
    cairo_destroy(cr);
    cairo_surface_flush(shot);
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(shot));
    int stride = cairo_image_surface_get_stride(shot) / 4;
    EXPECT_EQ(pixels[10 * stride + 10] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[100 * stride + 100] & 0xFFFFFF, 0xFFFFFFu);
    cairo_surface_destroy(shot);
}

// Paints two cells side by side and returns what the host was asked to redraw.
cairo_region_t* PaintTwoCells(HWND window, HBRUSH left, HBRUSH right) {
    InvalidateRect(window, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SelectObject(dc, left);
    Rectangle(dc, 0, 100, 50, 150);
    SelectObject(dc, right);
    Rectangle(dc, 50, 100, 100, 150);
    EndPaint(window, &paint);
    return gdk_window_get_update_area(gtk_widget_get_window(FindWindowRecord(window)->hostClient));
}

TEST_F(HostWindow, ARepaintHasTheHostRedrawOnlyWhatChanged) {
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    cairo_region_t* first = PaintTwoCells(window, green, green);
    ASSERT_NE(first, nullptr);
    cairo_region_destroy(first);
    cairo_region_t* same = PaintTwoCells(window, green, green);
    EXPECT_EQ(same, nullptr) << "the same cells again need no redraw";
    if (same != NULL)
        cairo_region_destroy(same);
    cairo_region_t* changed = PaintTwoCells(window, green, red);
    ASSERT_NE(changed, nullptr);
    // Inside the cell that turned red; its black outline rows were already there.
    cairo_rectangle_int_t box;
    cairo_region_get_extents(changed, &box);
    EXPECT_EQ(box.x, 50);
    EXPECT_EQ(box.y, 101);
    EXPECT_EQ(box.width, 50);
    EXPECT_EQ(box.height, 48);
    cairo_region_destroy(changed);
}

TEST_F(HostWindow, GtkKeyAndCloseEventsBecomeMessages) {
    GtkWidget* top = FindWindowRecord(window)->hostWindow;
    GtkMenuShell* bar = GTK_MENU_SHELL(FindWindowRecord(window)->hostMenuBar);
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
