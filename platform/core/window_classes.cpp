// Window classes and cursors: RegisterClassA and LoadCursorA.
//
// As in Win32, class names compare without regard to case, a name can be registered once and has
// at most 255 characters, and each class gets an atom from 0xC000 up (so at most 16384 classes;
// RegisterClassA returns 0 past either limit). LoadCursorA gives a handle for each standard
// IDC_ cursor. Differences: the class style, extra bytes, icon and cursor are not used (the host
// shows its own arrow).

#include "core.h"

#include <strings.h>
#include <string.h>

#include <string>

namespace {
const size_t CLASS_NAME_LIMIT = 255;
const size_t MAX_CLASSES = 0x4000;
const WORD FIRST_CLASS_ATOM = 0xC000;
const WORD STANDARD_CURSORS[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                 32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};

struct ClassRecord {
    std::string name;
    WNDPROC procedure;
    HBRUSH background;
};

std::deque<ClassRecord> classes;

ClassRecord* FindClass(LPCSTR name) {
    for (ClassRecord& record : classes)
        if (strcasecmp(record.name.c_str(), name) == 0)
            return &record;
    return NULL;
}
} // namespace

bool LookUpWindowClass(LPCSTR name, WNDPROC* procedure, HBRUSH* background) {
    const ClassRecord* record = name != NULL ? FindClass(name) : NULL;
    if (record == NULL)
        return false;
    *procedure = record->procedure;
    *background = record->background;
    return true;
}

void ResetWindowClasses() {
    classes.clear();
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == NULL || windowClass->lpfnWndProc == NULL ||
        windowClass->lpszClassName == NULL || windowClass->lpszClassName[0] == '\0' ||
        strlen(windowClass->lpszClassName) > CLASS_NAME_LIMIT ||
        FindClass(windowClass->lpszClassName) != NULL || classes.size() == MAX_CLASSES)
        return 0;
    classes.push_back(ClassRecord{windowClass->lpszClassName, windowClass->lpfnWndProc,
                                  windowClass->hbrBackground});
    return static_cast<ATOM>(FIRST_CLASS_ATOM + classes.size() - 1);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    if (instance != NULL)
        return NULL;
    for (WORD id : STANDARD_CURSORS)
        if (cursorName == MAKEINTRESOURCEA(id))
            return static_cast<HCURSOR>(MakeHandle(KIND_CURSOR, id));
    return NULL;
}
