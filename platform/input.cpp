// Input: GDK key values as virtual-key codes, and the messages that keys, menu items and the
// close box post. The host window's signal handlers and the testing hooks both come here.
//
// WM_KEYDOWN and WM_KEYUP carry lParam as Win32 does: the repeat count (1), the PC scan code
// (bits 16-23, from the X keycode, so the keypad's arrows differ from the others), the
// extended-key bit 24, bit 30 (the key was down before; always set on release) and bit 31
// (released). F10 stays with the host's menu bar, as Win32 keeps it
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
// Scan codes (0x100: extended) of the keys above, for input that has no X keycode: digits and
// letters by rows, then Escape, Return, Space, F10, Up, Left, Right and Down.
struct ScanMapping {
    const char* virtualKeys; // consecutive scan codes
    UINT firstScanCode;
};
const ScanMapping SCAN_TABLE[] = {
    {"1234567890", 0x02}, {"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C},
    {"\x1B", 0x01},       {"\x0D", 0x1C},       {" ", 0x39},         {"\x79", 0x44},
    {"\x26", 0x148},      {"\x25", 0x14B},      {"\x27", 0x14D},     {"\x28", 0x150},
};

// X keycodes as scan codes: the evdev keycode is the Linux input code plus 8, and the codes of
// the main block and keypad (1-88) are the PC scan codes; the rest are extended keys.
const int FIRST_KEYCODE = 9, LAST_MAIN_KEYCODE = 96;
struct ExtendedKey {
    unsigned keycode;
    UINT scanCode;
};
const ExtendedKey EXTENDED_KEYS[] = {
    {104, 0x11C}, {105, 0x11D}, {106, 0x135}, {107, 0x137}, {108, 0x138}, {110, 0x147},
    {111, 0x148}, {112, 0x149}, {113, 0x14B}, {114, 0x14D}, {115, 0x14F}, {116, 0x150},
    {117, 0x151}, {118, 0x152}, {119, 0x153}, {133, 0x15B}, {134, 0x15C}, {135, 0x15D},
};

UINT ScanCodeFromVirtualKey(UINT virtualKey) {
    for (const ScanMapping& row : SCAN_TABLE)
        for (const char* key = row.virtualKeys; *key != '\0'; key++)
            if (static_cast<unsigned char>(*key) == virtualKey)
                return row.firstScanCode + static_cast<UINT>(key - row.virtualKeys);
    return 0;
}
} // namespace

UINT ScanCodeFromKeycode(unsigned keycode, UINT virtualKey) {
    if (keycode >= FIRST_KEYCODE && keycode <= LAST_MAIN_KEYCODE)
        return keycode - 8;
    for (const ExtendedKey& key : EXTENDED_KEYS)
        if (key.keycode == keycode)
            return key.scanCode;
    return ScanCodeFromVirtualKey(virtualKey);
}

UINT VirtualKeyFromKeyval(unsigned keyval) {
    for (const KeyMapping& row : KEY_TABLE)
        if (keyval >= row.firstKeyval && keyval <= row.lastKeyval)
            return row.firstVirtualKey + (keyval - row.firstKeyval);
    return 0;
}

bool PostKeyMessage(HWND window, UINT virtualKey, UINT scanCode, bool pressed) {
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
    LPARAM flags = 1 | (LPARAM(scanCode & 0x1FF) << 16) | (wasDown || !pressed ? (1 << 30) : 0) |
                   (pressed ? 0 : (LPARAM(1) << 31));
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
    UINT scanCode = ScanCodeFromVirtualKey(virtualKey);
    if (PostKeyMessage(window, virtualKey, scanCode, true))
        PostKeyMessage(window, virtualKey, scanCode, false);
}

void TestingChooseMenuItem(HWND window, UINT id) {
    PostMenuCommand(window, id);
}

void TestingPressCloseBox(HWND window) {
    PressCloseBox(window);
}
