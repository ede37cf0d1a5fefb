// Menus: CreateMenu, CreatePopupMenu and AppendMenuA, and the lookups the host window and the
// input paths make in them.
//
// Differences from Win32: only MF_STRING and MF_POPUP items exist; at most 64 menus of 32 items,
// with item texts of up to 63 bytes, exist at once (AppendMenuA returns FALSE past that, and
// longer texts are cut); the host reads a window's menus when the window is created, so later
// AppendMenuA calls do not show.

#include "layer_internal.h"

#include <glib.h>
#include <string.h>

namespace {
const int MAX_MENUS = 64;
const int MAX_MENU_ITEMS = 32;
const int MENU_TEXT_SIZE = 64;
const UINT POPUP_ITEM_ID = 0xFFFFFFFF;

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

MenuRecord menus[MAX_MENUS];

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

// Pop-ups cannot hold themselves (AppendMenuA refuses), but the depth bound keeps a walk finite
// whatever the menus hold.
void DestroyMenuTree(HMENU menu, int depth) {
    MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENU_DEPTH)
        return;
    for (int i = 0; i < record->itemCount; i++)
        DestroyMenuTree(record->items[i].popup, depth + 1);
    *record = MenuRecord{};
}

bool MenuHasCommand(HMENU menu, UINT id, int depth) {
    const MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENU_DEPTH)
        return false;
    for (int i = 0; i < record->itemCount; i++) {
        const MenuItemRecord& item = record->items[i];
        if (item.popup != NULL ? MenuHasCommand(item.popup, id, depth + 1) : item.id == id)
            return true;
    }
    return false;
}
} // namespace

bool MenuIsValid(HMENU menu) {
    return FindMenu(menu) != NULL;
}

bool MenuItemAt(HMENU menu, int index, UINT* id, const char** text, HMENU* popup) {
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

bool MenuTreeHasCommand(HMENU menu, UINT id) {
    return MenuHasCommand(menu, id, 0);
}

void DestroyMenuTree(HMENU menu) {
    DestroyMenuTree(menu, 0);
}

void ResetMenus() {
    memset(menus, 0, sizeof(menus));
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

int TestingMenuItemCount(HMENU menu) {
    const MenuRecord* record = FindMenu(menu);
    return record != NULL ? record->itemCount : -1;
}

bool TestingMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup) {
    return MenuItemAt(menu, index, id, text, popup);
}
