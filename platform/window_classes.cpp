// Window classes and cursors: RegisterClassA and LoadCursorA.
//
// As in Win32, class names compare without regard to case and a name can be registered once.
// Differences: the class style, extra bytes, icon and cursor are not used; at most 16 classes
// with names of up to 63 characters exist (RegisterClassA returns 0 past that).

#include "layer_internal.h"

#include <strings.h>
#include <string.h>

namespace {
const int MAX_CLASSES = 16;
const int CLASS_NAME_SIZE = 64;
const WORD FIRST_CLASS_ATOM = 0xC000;
const WORD ARROW_CURSOR_ID = 32512;

struct ClassRecord {
    char name[CLASS_NAME_SIZE];
    WNDPROC procedure;
    HBRUSH background;
};

ClassRecord classes[MAX_CLASSES];

ClassRecord* FindClass(LPCSTR name) {
    for (ClassRecord& record : classes)
        if (record.procedure != NULL && strcasecmp(record.name, name) == 0)
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
    memset(classes, 0, sizeof(classes));
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
        return static_cast<ATOM>(FIRST_CLASS_ATOM + i);
    }
    return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    if (instance != NULL || cursorName != IDC_ARROW)
        return NULL;
    return static_cast<HCURSOR>(MakeHandle(KIND_CURSOR, ARROW_CURSOR_ID));
}
