// Paints that repeat much of the last one: whatever the layer skips or puts off, each paint leaves
// exactly the pixels and the text that the same drawing gives on a fresh surface.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

#include "../../platform/core/host.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {
const int COLUMNS = 4, ROWS = 2, CELL = 50; // the logged window's 200 x 100 client area
const char* const TEXTS[] = {"Score: 0", "Score: 1", "Game Over!"};

struct Step {
    bool text;
    int index; // cell, or text
    int brush; // cell: brush; text: 0 or 1 for the upper or lower line
};

void Draw(HDC dc, const std::vector<Step>& steps, const HBRUSH* brushes) {
    for (const Step& step : steps) {
        if (step.text) {
            TextOutA(dc, 0, step.brush * 16, TEXTS[step.index],
                     static_cast<int>(strlen(TEXTS[step.index])));
        } else {
            int x = step.index % COLUMNS * CELL, y = step.index / COLUMNS * CELL;
            SelectObject(dc, brushes[step.brush]);
            Rectangle(dc, x, y, x + CELL, y + CELL);
        }
    }
}

// Every cell, mostly in the last paint's brush; up to two texts, mostly after the cells.
std::vector<Step> NextPaint(std::mt19937& random, std::vector<Step> last) {
    std::vector<Step> steps;
    for (int cell = 0; cell < COLUMNS * ROWS; cell++) {
        int brush = random() % 4 == 0 ? static_cast<int>(random() % 3) : -1;
        for (const Step& before : last)
            if (!before.text && before.index == cell && brush < 0)
                brush = before.brush;
        steps.push_back(Step{false, cell, brush < 0 ? 0 : brush});
    }
    bool keepTexts = random() % 3 != 0;
    for (const Step& before : last)
        if (before.text && keepTexts)
            steps.push_back(before);
    if (!keepTexts)
        for (int line = 0; line < 2; line++)
            if (random() % 2 == 0)
                steps.push_back(Step{true, static_cast<int>(random() % 3), line});
    if (random() % 5 == 0)
        std::shuffle(steps.begin(), steps.end(), random);
    return steps;
}

// The client area's text after these steps on a new window of this scale.
std::string FreshText(const std::vector<Step>& steps, const HBRUSH* brushes, int scale) {
    HWND window = CreateLoggedWindow();
    ShowWindow(window, SW_SHOW);
    TestingSetWindowScale(window, scale);
    PAINTSTRUCT ps;
    Draw(BeginPaint(window, &ps), steps, brushes);
    EndPaint(window, &ps);
    std::string text = FakeWindowOf(window)->text;
    DestroyWindow(window);
    return text;
}
} // namespace

TEST(RepeatedDrawing, EachPaintLeavesExactlyWhatItDrawsOnAFreshSurface) {
    for (int scale : {120, 240, 90, 150, 180, 315}) { // 1, 2, 0.75, 1.25, 1.5, 2.625
        StartLoggingLayer();
        TestingSetHeadless(false);
        HWND window = CreateLoggedWindow();
        ShowWindow(window, SW_SHOW);
        TestingSetWindowScale(window, scale);
        HBRUSH brushes[] = {CreateSolidBrush(RGB(255, 255, 255)), CreateSolidBrush(RGB(0, 255, 0)),
                            CreateSolidBrush(RGB(255, 0, 0))};
        std::mt19937 random(7);
        std::vector<Step> steps;
        for (int paint = 0; paint < 120; paint++) {
            steps = NextPaint(random, steps);
            InvalidateRect(window, NULL, FALSE);
            PAINTSTRUCT ps;
            Draw(BeginPaint(window, &ps), steps, brushes);
            EndPaint(window, &ps);
            HDC fresh = TestingCreateSurfaceDC(COLUMNS * CELL, ROWS * CELL, scale);
            Draw(fresh, steps, brushes);
            int differing = 0;
            for (int y = 0; y < CoreDevicePixels(ROWS * CELL, scale); y++)
                for (int x = 0; x < CoreDevicePixels(COLUMNS * CELL, scale); x++)
                    differing +=
                        TestingGetClientPixel(window, x, y) != TestingGetDCPixel(fresh, x, y);
            TestingDeleteSurfaceDC(fresh);
            ASSERT_EQ(differing, 0) << "paint " << paint << " at scale " << scale;
            ASSERT_EQ(FakeWindowOf(window)->text, FreshText(steps, brushes, scale))
                << "paint " << paint << " at scale " << scale;
        }
    }
    TestingSetHeadless(true);
}
