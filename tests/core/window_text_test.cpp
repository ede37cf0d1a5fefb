// The text a window's client area shows, as its host hears of it: the lines TextOutA drew that
// later drawing has not covered, top to bottom, told when they change and only then.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

#include <string.h>

#include <functional>

namespace {
// A shown window on the fake host and a brush, and one paint of all of its client area at a time.
struct TextWindow {
    HWND window;
    HBRUSH green;

    TextWindow() {
        StartLoggingLayer();
        TestingSetHeadless(false);
        window = CreateLoggedWindow();
        ShowWindow(window, SW_SHOW);
        green = CreateSolidBrush(RGB(0, 255, 0));
    }
    ~TextWindow() {
        TestingSetHeadless(true);
    }

    // Of `area` alone where given.
    void Paint(const std::function<void(HDC)>& draw, const RECT* area = NULL) {
        InvalidateRect(window, area, FALSE);
        PAINTSTRUCT paint;
        draw(BeginPaint(window, &paint));
        EndPaint(window, &paint);
    }
    const FakeWindow& Host() const {
        return *FakeWindowOf(window);
    }
};

void Text(HDC dc, int x, int y, const char* text) {
    TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
}

// Two cells under a score line, and "Game Over!" below it when `over`.
void Board(HDC dc, HBRUSH brush, int score, bool over) {
    SelectObject(dc, brush);
    Rectangle(dc, 0, 0, 50, 50);
    Rectangle(dc, 50, 0, 100, 50);
    char line[32];
    wsprintfA(line, "Score: %d", score);
    Text(dc, 0, 0, line);
    if (over)
        Text(dc, 0, 16, "Game Over!");
}
} // namespace

TEST(WindowText, IsWhatIsDrawnAndNotCoveredTopToBottom) {
    TextWindow w;
    w.Paint([&](HDC dc) {
        Text(dc, 0, 40, "lower");
        Text(dc, 100, 0, "right");
        Text(dc, 0, 0, "left");
        Text(dc, 0, 60, " \t ");
        Text(dc, 0, 80, "tab\there");
    });
    EXPECT_EQ(w.Host().text, "left\nright\nlower\ntab here\n");

    // A rectangle over part of a line covers it; a new text over another replaces it.
    w.Paint([&](HDC dc) {
        Rectangle(dc, 110, 10, 120, 12);
        Text(dc, 0, 0, "new");
    });
    EXPECT_EQ(w.Host().text, "new\nlower\ntab here\n");

    // A text drawn in parts, through two clips, is one line.
    for (LONG left : {100, 108}) {
        RECT part = {left, 80, left + 8, 96};
        w.Paint([&](HDC dc) { Text(dc, 100, 80, "parts"); }, &part);
    }
    EXPECT_EQ(w.Host().text, "new\nlower\ntab here\nparts\n");

    // Erasing covers everything.
    InvalidateRect(w.window, NULL, TRUE);
    UpdateWindow(w.window);
    EXPECT_EQ(w.Host().text, "");
}

TEST(WindowText, TheHostHearsOfItOnlyWhenItChanges) {
    TextWindow w;
    w.Paint([&](HDC dc) { Board(dc, w.green, 0, false); });
    EXPECT_EQ(w.Host().text, "Score: 0\n");
    int calls = w.Host().textCalls;

    // Repeats, and a cell under the text redrawn with the text after it.
    for (int i = 0; i < 3; i++)
        w.Paint([&](HDC dc) { Board(dc, w.green, 0, false); });
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    w.Paint([&](HDC dc) { Board(dc, red, 0, false); });
    EXPECT_EQ(w.Host().textCalls, calls);

    w.Paint([&](HDC dc) { Board(dc, red, 1, true); });
    EXPECT_EQ(w.Host().text, "Score: 1\nGame Over!\n");
    w.Paint([&](HDC dc) { Board(dc, red, 1, true); });
    EXPECT_EQ(w.Host().textCalls, calls + 1);

    // A new game: the cells drawn again wipe "Game Over!", which is not drawn this time.
    w.Paint([&](HDC dc) { Board(dc, red, 0, false); });
    EXPECT_EQ(w.Host().text, "Score: 0\n");
    EXPECT_EQ(w.Host().textCalls, calls + 2);
}
