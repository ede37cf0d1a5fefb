// The GUI start-up: main() calls WinMain as the Win32 C runtime does, with an instance handle, no
// previous instance, the command-line tail and SW_SHOWDEFAULT, and exits with its result. The
// tail is the arguments after the program name quoted as Win32 builds a command line, so that
// splitting it the Win32 way gives them back: an argument that is empty or holds a space or tab
// is put in quotes, a quote becomes \" and the backslashes before a quote (or before the
// closing quote) are doubled.
// A program that defines WIN32_LAYER_APPLICATION_ID hands it to the host first; this source is
// compiled into each program for that reason.

#include "host.h"

#include <windows.h>

#include <string.h>

#include <string>

namespace {
HINSTANCE__ moduleInstance; // its address serves as the program's instance handle

void AppendQuoted(std::string& tail, const char* argument) {
    bool quote = argument[0] == '\0' || strpbrk(argument, " \t") != NULL;
    if (quote)
        tail += '"';
    size_t backslashes = 0;
    for (const char* c = argument; *c != '\0'; c++) {
        if (*c == '\\') {
            backslashes++;
        } else {
            if (*c == '"')
                tail.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        tail += *c;
    }
    if (quote) {
        tail.append(backslashes, '\\');
        tail += '"';
    }
}
} // namespace

int main(int argc, char** argv) {
#ifdef WIN32_LAYER_APPLICATION_ID
    HostSetApplicationId(WIN32_LAYER_APPLICATION_ID);
#endif
    std::string tail;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            tail += ' ';
        AppendQuoted(tail, argv[i]);
    }
    return WinMain(&moduleInstance, NULL, &tail[0], SW_SHOWDEFAULT);
}
