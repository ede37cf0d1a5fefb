// Input: the messages that keys, menu items and the close box post. The host's events and the
// testing hooks both come here.
//
// WM_KEYDOWN and WM_KEYUP carry lParam as Win32 does: the repeat count (1), the PC scan code
// (bits 16-23, from the host's key, so the keypad's arrows differ from the others), the
// extended-key bit 24, bit 30 (the key was down before; always set on release) and bit 31
// (released). F10 stays with the host's menu bar, as Win32 keeps it for the menu. Menu commands
// come as WM_COMMAND with the item's identifier in wParam and lParam 0; the close box posts
// WM_CLOSE.

#include "core.h"

namespace {
// Scan codes (0x100: extended) of the virtual keys, for input that has no key code of its own:
// digits and letters by rows, then Escape, Return, Space, F10, Up, Left, Right and Down.
struct ScanMapping {
    const char* virtualKeys; // consecutive scan codes
    UINT firstScanCode;
};
const ScanMapping SCAN_TABLE[] = {
    {"1234567890", 0x02}, {"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C},
    {"\x1B", 0x01},       {"\x0D", 0x1C},       {" ", 0x39},         {"\x79", 0x44},
    {"\x26", 0x148},      {"\x25", 0x14B},      {"\x27", 0x14D},     {"\x28", 0x150},
};
} // namespace

UINT CoreScanCode(UINT virtualKey) {
    for (const ScanMapping& row : SCAN_TABLE)
        for (const char* key = row.virtualKeys; *key != '\0'; key++)
            if (static_cast<unsigned char>(*key) == virtualKey)
                return row.firstScanCode + static_cast<UINT>(key - row.virtualKeys);
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

bool CoreKey(HWND window, UINT virtualKey, UINT scanCode, bool pressed) {
    return PostKeyMessage(window, virtualKey, scanCode, pressed);
}

void CoreMenuCommand(HWND window, UINT id) {
    PostMenuCommand(window, id);
}

void CoreCloseBox(HWND window) {
    PostToQueue(window, WM_CLOSE, 0, 0);
}

void TestingPressKey(HWND window, UINT virtualKey) {
    UINT scanCode = CoreScanCode(virtualKey);
    if (PostKeyMessage(window, virtualKey, scanCode, true))
        PostKeyMessage(window, virtualKey, scanCode, false);
}

void TestingChooseMenuItem(HWND window, UINT id) {
    PostMenuCommand(window, id);
}

void TestingPressCloseBox(HWND window) {
    CoreCloseBox(window);
}
