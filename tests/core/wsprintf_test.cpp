// wsprintfA: conversions as Wine's prints them, and the 1024-byte bound.

#include <windows.h>

#include <gtest/gtest.h>
#include <string.h>

TEST(Wsprintf, ConversionsMatchWin32) {
    char buffer[1024];
    int length = wsprintfA(buffer, "[%5d|%-5d|%05d|%x|%X|%u|%c|%%|%ld|%s|%05s|%-3c]", 42, 42, -42,
                           255, 255, -1, 'z', -7, "hi", "ab", 'q');
    EXPECT_STREQ(buffer, "[   42|42   |-0042|ff|FF|4294967295|z|%|-7|hi|   ab|q  ]");
    EXPECT_EQ(length, 56);
    wsprintfA(buffer, "Score: %d", 191);
    EXPECT_STREQ(buffer, "Score: 191");
    wsprintfA(buffer, "%i %d %#x %.2s", 0, -2147483647 - 1, 0x1f, "abc");
    EXPECT_STREQ(buffer, "0 -2147483648 0x1f ab");
}

TEST(Wsprintf, NeverWritesMoreThan1024Bytes) {
    char text[2001];
    memset(text, 'a', 2000);
    text[2000] = '\0';
    char buffer[1100];
    memset(buffer, '#', sizeof(buffer));
    // A full buffer returns 1024, as in Win32.
    EXPECT_EQ(wsprintfA(buffer, "%s", text), 1024);
    EXPECT_EQ(strlen(buffer), 1023u);
    EXPECT_EQ(buffer[1024], '#');
    EXPECT_EQ(wsprintfA(buffer, "%2000d", 5), 1024);
    EXPECT_EQ(buffer[1022], '5');
    EXPECT_EQ(buffer[1024], '#');
    // Win32 writes a byte past the 1024 here.
    EXPECT_EQ(wsprintfA(buffer, "%#.2000x", 5), 1024);
    EXPECT_EQ(strlen(buffer), 1023u);
    EXPECT_EQ(buffer[1024], '#');
}
