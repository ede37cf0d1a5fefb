// Window classes, windows, menus and the GTK widgets behind them: RegisterClassA, LoadCursorA,
// CreateMenu, CreatePopupMenu, AppendMenuA, CreateWindowExA, DestroyWindow, ShowWindow,
// DefWindowProcA, GetClientRect, AdjustWindowRectEx, and the keyboard, menu and close-box input.
//
// Messages, in Win32's documented order where they are emitted at all:
//   CreateWindowExA: WM_CREATE (lParam 0: there is no CREATESTRUCT); -1 from it destroys the window
//     (WM_DESTROY) and CreateWindowExA returns NULL.
//   ShowWindow, when visibility changes: WM_SHOWWINDOW (wParam TRUE/FALSE); on showing, the whole
//     client area becomes invalid and WM_ERASEBKGND is sent at once, as Win32 does.
//   DestroyWindow: WM_DESTROY; then the window's timers and menu end and the handle is dead.
//   Input is posted: WM_KEYDOWN/WM_KEYUP (lParam: repeat count 1, bit 30 previous state, bit 31 on
//     release), WM_COMMAND (menu item identifier in wParam, lParam 0), WM_CLOSE from the close box.
//
// Frame metrics (Wine's defaults): caption 19, fixed frame 3, sizing frame 4, menu bar 19 pixels.
// The window manager draws the caption and frame outside the GTK window, so the GTK window holds
// just the menu bar (forced to 19 pixels) and a drawing area of the client size, which is the outer
// size given to CreateWindowExA less exactly what AdjustWindowRectEx adds. As in Win32 a top-level
// window always has a caption. Differences: windows are never resized (whatever the style), there
// are no child windows, no class or window extra bytes, the class cursor and icon are not used,
// menus are read when the window is created (later AppendMenuA calls do not show), and only
// MF_STRING and MF_POPUP items exist.

#include "layer_internal.h"

#include <gtk/gtk.h>
#include <strings.h>
#include <string.h>

namespace {
const int CAPTION_HEIGHT = 19;
const int FIXED_FRAME = 3;
const int SIZING_FRAME = 4;
const int MENU_BAR_HEIGHT = 19;
const DWORD STYLE_BORDER = 0x00800000;
const DWORD STYLE_DLGFRAME = 0x00400000;
const int DEFAULT_WIDTH = 640;
const int DEFAULT_HEIGHT = 480;

const int MAX_CLASSES = 16;
const int CLASS_NAME_SIZE = 64;
const int MAX_MENUS = 64;
const int MAX_MENU_ITEMS = 32;
const int MENU_TEXT_SIZE = 64;
const UINT POPUP_ITEM_ID = 0xFFFFFFFF;

struct ClassRecord {
    char name[CLASS_NAME_SIZE];
    WNDPROC procedure;
    HBRUSH background;
};

struct MenuItemRecord {
    UINT id;
    HMENU popup;
    char text[MENU_TEXT_SIZE];
};

struct MenuRecord {
    uint32_t serial;
    int itemCount;
    MenuItemRecord items[MAX_MENU_ITEMS];
};

ClassRecord classes[MAX_CLASSES];
MenuRecord menus[MAX_MENUS];
bool headless = false;
int hostState = 0; // 0 not tried, 1 GTK ready, -1 no display

// One row per key or range of keys: GDK keyval -> virtual-key code.
struct KeyMapping {
    guint firstKeyval;
    guint lastKeyval;
    UINT firstVirtualKey;
};
const KeyMapping KEY_TABLE[] = {
    {GDK_KEY_Left, GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_Up, GDK_KEY_Up, VK_UP},
    {GDK_KEY_Right, GDK_KEY_Right, VK_RIGHT},
    {GDK_KEY_Down, GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_KP_Left, GDK_KEY_KP_Left, VK_LEFT},
    {GDK_KEY_KP_Up, GDK_KEY_KP_Up, VK_UP},
    {GDK_KEY_KP_Right, GDK_KEY_KP_Right, VK_RIGHT},
    {GDK_KEY_KP_Down, GDK_KEY_KP_Down, VK_DOWN},
    {GDK_KEY_Return, GDK_KEY_Return, VK_RETURN},
    {GDK_KEY_KP_Enter, GDK_KEY_KP_Enter, VK_RETURN},
    {GDK_KEY_Escape, GDK_KEY_Escape, VK_ESCAPE},
    {GDK_KEY_space, GDK_KEY_space, VK_SPACE},
    {GDK_KEY_F10, GDK_KEY_F10, VK_F10},
    {GDK_KEY_0, GDK_KEY_9, '0'},
    {GDK_KEY_A, GDK_KEY_Z, 'A'},
    {GDK_KEY_a, GDK_KEY_z, 'A'},
};

UINT VirtualKeyFromKeyval(guint keyval) {
    for (const KeyMapping& row : KEY_TABLE)
        if (keyval >= row.firstKeyval && keyval <= row.lastKeyval)
            return row.firstVirtualKey + (keyval - row.firstKeyval);
    return 0;
}

ClassRecord* FindClass(LPCSTR name) {
    for (ClassRecord& record : classes)
        if (record.procedure != NULL && strcasecmp(record.name, name) == 0)
            return &record;
    return NULL;
}

MenuRecord* FindMenu(HMENU menu) {
    uint32_t serial = HandleSerial(menu, KIND_MENU);
    if (serial == 0)
        return NULL;
    for (MenuRecord& record : menus)
        if (record.serial == serial)
            return &record;
    return NULL;
}

HMENU NewMenu() {
    for (MenuRecord& record : menus) {
        if (record.serial != 0)
            continue;
        record = MenuRecord{};
        record.serial = NewSerial();
        return static_cast<HMENU>(MakeHandle(KIND_MENU, record.serial));
    }
    return NULL;
}

void DestroyMenuTree(HMENU menu, int depth) {
    MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENUS)
        return;
    for (int i = 0; i < record->itemCount; i++)
        DestroyMenuTree(record->items[i].popup, depth + 1);
    *record = MenuRecord{};
}

bool MenuHasCommand(HMENU menu, UINT id, int depth) {
    const MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENUS)
        return false;
    for (int i = 0; i < record->itemCount; i++) {
        const MenuItemRecord& item = record->items[i];
        if (item.popup != NULL ? MenuHasCommand(item.popup, id, depth + 1) : item.id == id)
            return true;
    }
    return false;
}

void FrameInsets(DWORD style, bool menu, RECT* insets) {
    int border = 0;
    if (style & WS_THICKFRAME)
        border = SIZING_FRAME;
    else if (style & STYLE_DLGFRAME)
        border = FIXED_FRAME;
    else if (style & STYLE_BORDER)
        border = 1;
    insets->left = insets->right = insets->bottom = border;
    insets->top = border + ((style & WS_CAPTION) == WS_CAPTION ? CAPTION_HEIGHT : 0) +
                  (menu ? MENU_BAR_HEIGHT : 0);
}

void ReleaseWindow(WindowRecord* record) {
    KillWindowTimers(WindowHandle(record));
    if (record->hostWindow != NULL)
        gtk_widget_destroy(record->hostWindow);
    cairo_surface_destroy(record->backing);
    *record = WindowRecord{};
}

// ---------------------------------------------------------------------------------------------
// Input: the GTK signal handlers and the testing hooks share these.

bool PostKeyMessage(HWND window, UINT virtualKey, bool pressed) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || virtualKey == 0 || virtualKey > 255)
        return false;
    if (virtualKey == VK_F10)
        return false; // the host's menu-bar key, as Win32 keeps it for the menu
    unsigned char bit = static_cast<unsigned char>(1u << (virtualKey % 8));
    bool wasDown = (record->keysDown[virtualKey / 8] & bit) != 0;
    if (pressed)
        record->keysDown[virtualKey / 8] |= bit;
    else
        record->keysDown[virtualKey / 8] &= static_cast<unsigned char>(~bit);
    LPARAM flags = 1 | (wasDown ? (1 << 30) : 0) | (pressed ? 0 : (LPARAM(1) << 31));
    PostToQueue(window, pressed ? WM_KEYDOWN : WM_KEYUP, virtualKey, flags);
    return true;
}

void PostMenuCommand(HWND window, UINT id) {
    WindowRecord* record = FindWindowRecord(window);
    if (record != NULL && MenuHasCommand(record->menu, id, 0))
        PostToQueue(window, WM_COMMAND, id, 0);
}

void PressCloseBox(HWND window) {
    PostToQueue(window, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// GTK side.

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer window) {
    if (event->state & (GDK_MOD1_MASK | GDK_CONTROL_MASK))
        return FALSE;
    UINT virtualKey = VirtualKeyFromKeyval(event->keyval);
    return PostKeyMessage(static_cast<HWND>(window), virtualKey, event->type == GDK_KEY_PRESS);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer window) {
    PressCloseBox(static_cast<HWND>(window));
    return TRUE; // the window procedure decides; GTK must not destroy the window itself
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer window) {
    WindowRecord* record = FindWindowRecord(static_cast<HWND>(window));
    if (record == NULL)
        return FALSE;
    cairo_set_source_surface(cr, record->backing, 0, 0);
    cairo_paint(cr);
    return TRUE;
}

void OnMenuItem(GtkMenuItem* item, gpointer window) {
    UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "win32-command"));
    PostMenuCommand(static_cast<HWND>(window), id);
}

// Tell the window manager which frame buttons the style has (Motif hints, which most honour).
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
}

// Win32 marks a mnemonic with '&' ("&&" for a literal one), GTK with '_'.
GtkWidget* NewHostMenuItem(const char* text) {
    char label[MENU_TEXT_SIZE * 2];
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
    const MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENUS)
        return;
    for (int i = 0; i < record->itemCount; i++) {
        const MenuItemRecord& entry = record->items[i];
        GtkWidget* item = NewHostMenuItem(entry.text);
        if (entry.popup != NULL) {
            GtkWidget* submenu = gtk_menu_new();
            FillHostMenu(submenu, entry.popup, window, depth + 1);
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
        } else {
            g_object_set_data(G_OBJECT(item), "win32-command", GUINT_TO_POINTER(entry.id));
            g_signal_connect(item, "activate", G_CALLBACK(OnMenuItem), window);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(shell), item);
    }
}

bool EnsureHost() {
    if (hostState == 0) {
        g_setenv("NO_AT_BRIDGE", "1", FALSE); // no accessibility bus warnings on stderr
        hostState = gtk_init_check(NULL, NULL) ? 1 : -1;
        if (hostState == 1) {
            // Let the menu bar fit the fixed Win32 metric exactly.
            GtkCssProvider* css = gtk_css_provider_new();
            gtk_css_provider_load_from_data(css,
                                            "menubar.win32-menu-bar { padding: 0; min-height: 0;"
                                            " border-width: 0; box-shadow: none;"
                                            " font-size: 12px; }"
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
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gchar* utf8 = ToUtf8(title != NULL ? title : "", -1);
    gtk_window_set_title(GTK_WINDOW(top), utf8 != NULL ? utf8 : "");
    g_free(utf8);
    gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(top), box);
    int contentHeight = record->clientHeight;
    if (record->menu != NULL) {
        GtkWidget* bar = gtk_menu_bar_new();
        gtk_style_context_add_class(gtk_widget_get_style_context(bar), "win32-menu-bar");
        gtk_widget_set_size_request(bar, -1, MENU_BAR_HEIGHT);
        FillHostMenu(bar, record->menu, window, 0);
        gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
        record->hostMenuBar = bar;
        contentHeight += MENU_BAR_HEIGHT;
    }
    GtkWidget* client = gtk_drawing_area_new();
    gtk_widget_set_size_request(client, record->clientWidth, record->clientHeight);
    gtk_box_pack_start(GTK_BOX(box), client, FALSE, FALSE, 0);
    GdkGeometry hints = {};
    hints.min_width = hints.max_width = record->clientWidth;
    hints.min_height = hints.max_height = contentHeight;
    gtk_window_set_geometry_hints(
        GTK_WINDOW(top), NULL, &hints,
        static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
    if (x != CW_USEDEFAULT)
        gtk_window_move(GTK_WINDOW(top), x, y);
    g_signal_connect(client, "draw", G_CALLBACK(OnDraw), window);
    g_signal_connect(top, "delete-event", G_CALLBACK(OnDelete), window);
    g_signal_connect(top, "realize", G_CALLBACK(OnRealize), window);
    g_signal_connect(top, "key-press-event", G_CALLBACK(OnKey), window);
    g_signal_connect(top, "key-release-event", G_CALLBACK(OnKey), window);
    gtk_widget_show_all(box);
    record->hostWindow = top;
    record->hostClient = client;
}
} // namespace

WindowRecord windowTable[MAX_WINDOWS];

WindowRecord* FindWindowRecord(HWND window) {
    uint32_t serial = HandleSerial(window, KIND_WINDOW);
    if (serial == 0)
        return NULL;
    for (WindowRecord& record : windowTable)
        if (record.serial == serial)
            return &record;
    return NULL;
}

HWND WindowHandle(const WindowRecord* record) {
    return static_cast<HWND>(MakeHandle(KIND_WINDOW, record->serial));
}

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return 0;
    return record->procedure(window, message, wParam, lParam);
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == NULL || windowClass->lpfnWndProc == NULL ||
        windowClass->lpszClassName == NULL ||
        strlen(windowClass->lpszClassName) >= CLASS_NAME_SIZE ||
        FindClass(windowClass->lpszClassName) != NULL)
        return 0;
    for (int i = 0; i < MAX_CLASSES; i++) {
        ClassRecord& record = classes[i];
        if (record.procedure != NULL)
            continue;
        strcpy(record.name, windowClass->lpszClassName);
        record.procedure = windowClass->lpfnWndProc;
        record.background = windowClass->hbrBackground;
        return static_cast<ATOM>(0xC000 + i);
    }
    return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    if (instance != NULL || cursorName != IDC_ARROW)
        return NULL;
    return static_cast<HCURSOR>(MakeHandle(KIND_CURSOR, 32512));
}

HMENU WINAPI CreateMenu(void) {
    return NewMenu();
}

HMENU WINAPI CreatePopupMenu(void) {
    return NewMenu();
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem) {
    MenuRecord* record = FindMenu(menu);
    if (record == NULL || record->itemCount == MAX_MENU_ITEMS)
        return FALSE;
    HMENU popup = NULL;
    if (flags & MF_POPUP) {
        popup = reinterpret_cast<HMENU>(idNewItem);
        if (FindMenu(popup) == NULL || popup == menu)
            return FALSE;
    }
    MenuItemRecord& item = record->items[record->itemCount++];
    item.id = popup != NULL ? POPUP_ITEM_ID : static_cast<UINT>(idNewItem);
    item.popup = popup;
    g_strlcpy(item.text, newItem != NULL ? newItem : "", MENU_TEXT_SIZE);
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD) {
    if (rect == NULL)
        return FALSE;
    RECT insets;
    FrameInsets(style, menu != FALSE, &insets);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE, void*) {
    ClassRecord* windowClass = className != NULL ? FindClass(className) : NULL;
    if (windowClass == NULL || parent != NULL || (menu != NULL && FindMenu(menu) == NULL))
        return NULL;
    if (!headless && !EnsureHost())
        return NULL;
    WindowRecord* record = NULL;
    for (WindowRecord& slot : windowTable)
        if (slot.serial == 0 && record == NULL)
            record = &slot;
    if (record == NULL)
        return NULL;
    if (width == CW_USEDEFAULT) {
        width = DEFAULT_WIDTH;
        height = DEFAULT_HEIGHT;
    }
    style |= WS_CAPTION; // a top-level overlapped window always has a caption
    RECT insets;
    FrameInsets(style, menu != NULL, &insets);
    int clientWidth = width - insets.left - insets.right;
    int clientHeight = height - insets.top - insets.bottom;
    clientWidth = clientWidth > 0 ? clientWidth : 0;
    clientHeight = clientHeight > 0 ? clientHeight : 0;
    cairo_surface_t* backing =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, clientWidth, clientHeight);
    if (cairo_surface_status(backing) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(backing);
        return NULL;
    }
    FillSurfaceWhite(backing);
    *record = WindowRecord{};
    record->serial = NewSerial();
    record->procedure = windowClass->procedure;
    record->background = windowClass->background;
    record->style = style;
    record->menu = menu;
    record->clientWidth = clientWidth;
    record->clientHeight = clientHeight;
    record->backing = backing;
    HWND window = WindowHandle(record);
    if (!headless)
        CreateHostWindow(record, window, windowName, x, y);
    if (SendToWindow(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return NULL;
    }
    return FindWindowRecord(window) != NULL ? window : NULL;
}

BOOL WINAPI DestroyWindow(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || record->destroying)
        return FALSE;
    record->destroying = true;
    if (record->hostWindow != NULL)
        gtk_widget_hide(record->hostWindow);
    SendToWindow(window, WM_DESTROY, 0, 0);
    record = FindWindowRecord(window);
    DestroyMenuTree(record->menu, 0);
    ReleaseWindow(record);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return FALSE;
    bool wasVisible = record->visible;
    bool show = showCommand != SW_HIDE;
    if (show != wasVisible) {
        SendToWindow(window, WM_SHOWWINDOW, show, 0);
        record = FindWindowRecord(window);
        if (record == NULL)
            return wasVisible;
        record->visible = show;
        if (record->hostWindow != NULL)
            gtk_widget_set_visible(record->hostWindow, show);
        if (show) {
            InvalidateClient(record, NULL, true);
            EraseNow(window);
        } else {
            record->updatePending = false;
            record->eraseRequested = false;
        }
        record = FindWindowRecord(window);
    }
    if (record != NULL && record->hostWindow != NULL) {
        if (showCommand == SW_MINIMIZE)
            gtk_window_iconify(GTK_WINDOW(record->hostWindow));
        else if (showCommand == SW_RESTORE || showCommand == SW_SHOWNORMAL)
            gtk_window_deiconify(GTK_WINDOW(record->hostWindow));
    }
    return wasVisible;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL)
        return 0;
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_PAINT: ValidateByPainting(window); return 0;
    case WM_ERASEBKGND:
        return EraseWithBackground(reinterpret_cast<HDC>(wParam), record->background) ? 1 : 0;
    default: return 0;
    }
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || rect == NULL)
        return FALSE;
    *rect = RECT{0, 0, record->clientWidth, record->clientHeight};
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Testing hooks.

void TestingSetHeadless(bool value) {
    headless = value;
}

void TestingResetLayer() {
    for (WindowRecord& record : windowTable)
        if (record.serial != 0)
            ReleaseWindow(&record);
    memset(menus, 0, sizeof(menus));
    memset(classes, 0, sizeof(classes));
    ResetTimers();
    ResetQueue();
    ResetGdi();
}

bool TestingIsWindowAlive(HWND window) {
    return FindWindowRecord(window) != NULL;
}

void TestingPressKey(HWND window, UINT virtualKey) {
    if (PostKeyMessage(window, virtualKey, true))
        PostKeyMessage(window, virtualKey, false);
}

void TestingChooseMenuItem(HWND window, UINT id) {
    PostMenuCommand(window, id);
}

void TestingPressCloseBox(HWND window) {
    PressCloseBox(window);
}

HMENU TestingGetWindowMenu(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    return record != NULL ? record->menu : NULL;
}

int TestingMenuItemCount(HMENU menu) {
    const MenuRecord* record = FindMenu(menu);
    return record != NULL ? record->itemCount : -1;
}

bool TestingMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup) {
    const MenuRecord* record = FindMenu(menu);
    if (record == NULL || index < 0 || index >= record->itemCount)
        return false;
    const MenuItemRecord& item = record->items[index];
    if (id != NULL)
        *id = item.id;
    if (text != NULL)
        *text = item.text;
    if (popup != NULL)
        *popup = item.popup;
    return true;
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
