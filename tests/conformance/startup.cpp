// The start-up: what WinMain receives, the command-line tail above all (the runner passes
// arguments with spaces, quotes, backslashes and an empty one).

#include "observation.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    Say("instance %s, previous %s, show %d", instance ? "set" : "NULL", previous ? "set" : "NULL",
        showCommand);
    Say("command line [%s]", commandLine);
    return 0;
}
