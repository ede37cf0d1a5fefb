// Menus: CreateMenu, CreatePopupMenu and AppendMenuA, and the lookups the host window and the
// input paths make in them.
//
// As in Win32, menus, their items and item texts have no fixed limit, and MF_POPUP with a handle
// that is no menu still appends an item, one that opens nothing. Differences: only MF_STRING and
// MF_POPUP items exist, and a pop-up cannot hold itself, even through others; the host reads a
// window's menus when the window is created, so later AppendMenuA calls do not show.

#include "core.h"

#include <string>
#include <vector>

namespace {
const UINT POPUP_ITEM_ID = 0xFFFFFFFF;

struct MenuItemRecord {
    UINT id; // POPUP_ITEM_ID for a pop-up item, which gives no command
    HMENU popup;
    std::string text;
};

struct MenuRecord {
    uint32_t serial; // 0: free slot
    std::vector<MenuItemRecord> items;
    uint32_t walk; // the last walk that looked into it, and at what depth
    int walkDepth;
};

std::deque<MenuRecord> menus;
uint32_t lastWalk = 0;

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
    MenuRecord* record = NULL;
    for (MenuRecord& slot : menus)
        if (slot.serial == 0 && record == NULL)
            record = &slot;
    if (record == NULL) {
        menus.emplace_back();
        record = &menus.back();
    }
    record->serial = NewSerial();
    return static_cast<HMENU>(MakeHandle(KIND_MENU, record->serial));
}

// Pop-ups cannot hold themselves (AppendMenuA refuses), but the depth bound keeps a walk finite
// whatever the menus hold.
void DestroyMenuTree(HMENU menu, int depth) {
    MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENU_DEPTH)
        return;
    std::vector<MenuItemRecord> items = std::move(record->items);
    *record = MenuRecord{};
    for (const MenuItemRecord& item : items)
        DestroyMenuTree(item.popup, depth + 1);
}

// A pop-up may sit in several menus, and a walk that looked into it for every way it can be
// reached would take exponential time. A walk looks into a menu again only when it reaches it
// higher up than before, where more of it lies within the depth bound.
const MenuRecord* Visit(HMENU menu, int depth) {
    MenuRecord* record = FindMenu(menu);
    if (record == NULL || depth > MAX_MENU_DEPTH ||
        (record->walk == lastWalk && record->walkDepth <= depth))
        return NULL;
    record->walk = lastWalk;
    record->walkDepth = depth;
    return record;
}

bool MenuHolds(HMENU menu, HMENU inner, int depth) {
    const MenuRecord* record = Visit(menu, depth);
    if (record == NULL)
        return false;
    for (const MenuItemRecord& item : record->items)
        if (item.popup == inner || MenuHolds(item.popup, inner, depth + 1))
            return true;
    return false;
}

bool MenuHasCommand(HMENU menu, UINT id, int depth) {
    const MenuRecord* record = Visit(menu, depth);
    if (record == NULL)
        return false;
    for (const MenuItemRecord& item : record->items) {
        if (item.id == POPUP_ITEM_ID ? MenuHasCommand(item.popup, id, depth + 1) : item.id == id)
            return true;
    }
    return false;
}
} // namespace

bool MenuIsValid(HMENU menu) {
    return FindMenu(menu) != NULL;
}

bool CoreMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup) {
    const MenuRecord* record = FindMenu(menu);
    if (record == NULL || index < 0 || static_cast<size_t>(index) >= record->items.size())
        return false;
    const MenuItemRecord& item = record->items[index];
    if (id != NULL)
        *id = item.id;
    if (text != NULL)
        *text = item.text.c_str();
    if (popup != NULL)
        *popup = item.popup;
    return true;
}

bool MenuTreeHasCommand(HMENU menu, UINT id) {
    lastWalk++;
    return MenuHasCommand(menu, id, 0);
}

void DestroyMenuTree(HMENU menu) {
    DestroyMenuTree(menu, 0);
}

void ResetMenus() {
    menus.clear();
}

HMENU WINAPI CreateMenu(void) {
    return NewMenu();
}

HMENU WINAPI CreatePopupMenu(void) {
    return NewMenu();
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem) {
    MenuRecord* record = FindMenu(menu);
    HMENU popup = (flags & MF_POPUP) ? reinterpret_cast<HMENU>(idNewItem) : NULL;
    lastWalk++;
    if (record == NULL || (popup != NULL && (popup == menu || MenuHolds(popup, menu, 0))))
        return FALSE;
    if (!MenuIsValid(popup))
        popup = NULL;
    UINT id = (flags & MF_POPUP) ? POPUP_ITEM_ID : static_cast<UINT>(idNewItem);
    record->items.push_back(MenuItemRecord{id, popup, newItem != NULL ? newItem : ""});
    return TRUE;
}

int TestingMenuItemCount(HMENU menu) {
    const MenuRecord* record = FindMenu(menu);
    return record != NULL ? static_cast<int>(record->items.size()) : -1;
}

bool TestingMenuItem(HMENU menu, int index, UINT* id, const char** text, HMENU* popup) {
    return CoreMenuItem(menu, index, id, text, popup);
}
