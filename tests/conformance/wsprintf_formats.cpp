// wsprintfA over a table of formats: each row prints the call, its return value and the text.

#include "observation.h"

#include <string.h>

namespace {
char buffer[2048];
char longText[1500];
const WCHAR WIDE[] = {'w', 'i', 'd', 'e', 0};
const WCHAR WIDE_CHAR = 'W';

void Show(const char* call, int result) {
    Say("%s -> %d [%s]", call, result, buffer);
}

void ShowLimit(const char* what, int result) {
    Say("%s -> %d, %d bytes, ends with '%c'", what, result, static_cast<int>(strlen(buffer)),
        buffer[0] != '\0' ? buffer[strlen(buffer) - 1] : '-');
}
} // namespace

#define ROW(...) Show(#__VA_ARGS__, wsprintfA(buffer, __VA_ARGS__))

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ROW("plain text");
    ROW("%d|%i|%u", 42, -42, 42u);
    ROW("%d|%u|%x|%X", -1, -1, -1, -1);
    ROW("%d|%d", (int)0x80000000, 0);
    ROW("[%5d][%-5d][%05d][%-05d]", 42, 42, 42, 42);
    ROW("[%5d][%05d][%-5d]", -42, -42, -42);
    ROW("[%.3d][%5.3d][%-5.3d][%05.3d]", 7, 7, 7, 7);
    ROW("[%.3d][%.0d][%.0u][%.0x]", -7, 0, 0u, 0u);
    ROW("[%.10u][%.2d]", 12345u, 12345);
    ROW("[%#x][%#X][%#5x][%#05x][%#x][%#o]", 255, 255, 255, 255, 0, 8);
    ROW("[%#.4x][%#-8X]", 10, 10);
    ROW("[% d][%+d][%'d]", 5, 5, 5);
    ROW("[%ld][%li][%lu][%lx][%lX]", 1L, -1L, 2UL, 0xabUL, 0xabUL);
    ROW("[%hd][%hu][%hx]", 70000, 70000, 70000);
    ROW("[%I64d][%I64u][%I64x][%I64X]", -5000000000LL, 5000000000ULL, 0x123456789aULL,
        0x123456789aULL);
    ROW("[%I64d][%5I64d][%-12I64d][%012I64d]", 1LL, 2LL, -3LL, -4LL);
    ROW("[%I32d][%I32x]", -9, 255);
    ROW("[%Id][%Ix]", (LONG_PTR)-9, (LONG_PTR)0x1234);
    ROW("[%c][%3c][%-3c][%03c]", 'a', 'b', 'c', 'd');
    ROW("[%hc][%lc][%wc][%C]", 'e', WIDE_CHAR, WIDE_CHAR, WIDE_CHAR);
    ROW("[%s][%8s][%-8s][%08s]", "abc", "abc", "abc", "abc");
    ROW("[%.2s][%.0s][%5.1s][%-5.1s][%.10s]", "abc", "abc", "abc", "abc", "abc");
    ROW("[%s][%.3s][%8s]", (const char*)NULL, (const char*)NULL, (const char*)NULL);
    ROW("[%hs][%ls][%ws][%S]", "narrow", WIDE, WIDE, WIDE);
    ROW("[%.2S][%6S][%-6S]", WIDE, WIDE, WIDE);
    ROW("[%S]", (const WCHAR*)NULL);
    ROW("[%p][%#p][%12p]", (void*)0x1234, (void*)0x1234, (void*)0x1234);
    ROW("[%p]", (void*)NULL);
    ROW("[%%][%5%][%-5%][%q][%5q][%y]", 0, 0, 0, 0, 0, 0);
    ROW("[%5][%-][%.]", 0, 0, 0);
    ROW("tail %");
    ROW("tail %5");
    ROW("tail %l");
    ROW("[%e][%f][%g][%o][%a]", 1, 2, 3, 4, 5, 6);
    ROW("[%*d][%.*d]", 5, 6, 7, 8);
    ROW("[%2000d]", 1);
    ROW("[%.2000d]", 1);
    ROW("[%-+ #0lld]", 1LL);
    ROW("[%-#x][%-#06x][%-010d][%0-5d][%00d]", 26, 26, 5, 5, 5);
    ROW("[%10.3s][%-10.5s][%.s][%#s][%-s]", "abcdef", "ab", "abc", "abc", "abc");
    ROW("[%c]after", 0);
    ROW("[%#I64x][%I64i][%#I64X][%I64]", 0xabcULL, -12LL, 0xabcULL, 1LL);
    ROW("[%lu][%li][%hhd][%llx][%Lf]", -1, -1, 1, 2, 3);
    ROW("[%5c][%-5C][%.0c]", 'x', WIDE_CHAR, 'y');
    ROW("[%010p][%-p][%.4p]", (void*)0xab, (void*)0xab, (void*)0xab);
    ROW("[%.3I64d][%05I64x]", -1LL, 0xfULL);

    memset(longText, 'x', sizeof longText - 1);
    longText[sizeof longText - 1] = '\0';
    ShowLimit("%s of 1499 characters", wsprintfA(buffer, "%s", longText));
    longText[1023] = '\0';
    ShowLimit("%s of 1023 characters", wsprintfA(buffer, "%s", longText));
    longText[1022] = '\0';
    ShowLimit("%s of 1022 characters", wsprintfA(buffer, "%s", longText));
    ShowLimit("1022 characters then %d", wsprintfA(buffer, "%s%d", longText, 12));
    ShowLimit("1022 characters in the format then y", wsprintfA(buffer, strcat(longText, "y")));
    return 0;
}
