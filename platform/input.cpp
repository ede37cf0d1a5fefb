// Input: GDK key values as virtual-key codes, and the messages that keys, menu items and the
// close box post. The host window's signal handlers and the testing hooks both come here.
//
// WM_KEYDOWN and WM_KEYUP carry lParam as Win32 does for the repeat count (1), bit 30 (the key
// was down before) and bit 31 (released). F10 stays with the host's menu bar, as Win32 keeps it
// for the menu. Menu commands come as WM_COMMAND with the item's identifier in wParam and lParam
// 0; the close box posts WM_CLOSE.

#include "layer_internal.h"

#include <gdk/gdk.h>

namespace {
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
} // namespace

UINT VirtualKeyFromKeyval(unsigned keyval) {
    for (const KeyMapping& row : KEY_TABLE)
        if (keyval >= row.firstKeyval && keyval <= row.lastKeyval)
            return row.firstVirtualKey + (keyval - row.firstKeyval);
    return 0;
}

bool PostKeyMessage(HWND window, UINT virtualKey, bool pressed) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == NULL || virtualKey == 0 || virtualKey > 255)
        return false;
    if (virtualKey == VK_F10)
        return false;
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
    if (record != NULL && MenuTreeHasCommand(record->menu, id))
        PostToQueue(window, WM_COMMAND, id, 0);
}

void PressCloseBox(HWND window) {
    PostToQueue(window, WM_CLOSE, 0, 0);
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
