// A program for the start-up test: exits with 0 when WinMain got what the Win32 start-up passes
// for the arguments "alpha beta", else with the code its first argument names.

#include <windows.h>

#include <stdlib.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    if (strncmp(commandLine, "exit ", 5) == 0)
        return atoi(commandLine + 5);
    bool expected = instance != NULL && previous == NULL && showCommand == SW_SHOWDEFAULT &&
                    strcmp(commandLine, "alpha beta") == 0;
    return expected ? 0 : 1;
}
