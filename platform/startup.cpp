// The GUI start-up: main() calls WinMain as the Win32 C runtime does, with an instance handle, no
// previous instance, the command-line tail (the arguments after the program name joined by
// spaces; unlike Win32 no quotes are put back) and SW_SHOWDEFAULT, and exits with its result.
// A program that defines WIN32_LAYER_APPLICATION_ID hands it to the host first; this source is
// compiled into each program for that reason.

#include "application_id.h"

#include <windows.h>

#include <string>

namespace {
HINSTANCE__ moduleInstance; // its address serves as the program's instance handle
}

int main(int argc, char** argv) {
#ifdef WIN32_LAYER_APPLICATION_ID
    SetHostApplicationId(WIN32_LAYER_APPLICATION_ID);
#endif
    std::string tail;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            tail += ' ';
        tail += argv[i];
    }
    return WinMain(&moduleInstance, NULL, &tail[0], SW_SHOWDEFAULT);
}
