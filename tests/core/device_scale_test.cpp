// Drawing at fractional device scales: the board stays exact, with no gap, overlap or smoothing.

#include "fake_host.h"
#include "message_log.h"

#include <win32_testing.h>

#include <vector>

namespace {
const int CELL = 50, COLUMNS = 4, ROWS = 2;          // the logged window's 200 x 100 client area
const int FRACTIONAL_SCALES[] = {90, 150, 180, 315}; // 0.75, 1.25, 1.5, 2.625

// Cells of three colours in turn, outlined, as the game paints its board.
void DrawBoard(HDC dc, const HBRUSH* brushes, int changedCell = -1) {
    for (int x = 0; x < COLUMNS; x++) {
        for (int y = 0; y < ROWS; y++) {
            int cell = x * ROWS + y;
            SelectObject(dc, brushes[(cell + (cell == changedCell)) % 3]);
            Rectangle(dc, x * CELL, y * CELL, x * CELL + CELL, y * CELL + CELL);
        }
    }
}

// The logical pixel whose area holds the centre of device pixel `device` at `scale`.
int LogicalUnderCentre(int device, int scale) {
    return ((2 * device + 1) * SCALE_UNIT + 2 * scale - 1) / (2 * scale) - 1;
}

struct Board {
    HBRUSH brushes[3];
    Board() {
        StartLoggingLayer();
        brushes[0] = CreateSolidBrush(RGB(255, 255, 255));
        brushes[1] = CreateSolidBrush(RGB(0, 255, 0));
        brushes[2] = CreateSolidBrush(RGB(255, 0, 0));
    }
    // The board on a fresh surface at this scale, each device pixel's colour.
    std::vector<COLORREF> Drawn(int scale) {
        HDC dc = TestingCreateSurfaceDC(COLUMNS * CELL, ROWS * CELL, scale);
        DrawBoard(dc, brushes);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < CoreDevicePixels(ROWS * CELL, scale); y++)
            for (int x = 0; x < CoreDevicePixels(COLUMNS * CELL, scale); x++)
                pixels.push_back(TestingGetDCPixel(dc, x, y));
        TestingDeleteSurfaceDC(dc);
        return pixels;
    }
};
} // namespace

// Above scale 1 every device pixel shows the logical pixel under its centre: cells meet on a
// shared edge, fills and outlines cover whole device pixels, and nothing is smoothed.
TEST(DeviceScale, AboveOneEachDevicePixelShowsTheLogicalPixelUnderItsCentre) {
    Board board;
    std::vector<COLORREF> logical = board.Drawn(SCALE_UNIT);
    for (int scale : {150, 180, 240, 315}) {
        std::vector<COLORREF> device = board.Drawn(scale);
        int width = CoreDevicePixels(COLUMNS * CELL, scale);
        ASSERT_EQ(static_cast<int>(device.size()), width * CoreDevicePixels(ROWS * CELL, scale));
        int differing = 0;
        for (size_t i = 0; i < device.size(); i++) {
            int x = LogicalUnderCentre(static_cast<int>(i) % width, scale);
            int y = LogicalUnderCentre(static_cast<int>(i) / width, scale);
            differing += device[i] != logical[static_cast<size_t>(y * COLUMNS * CELL + x)];
        }
        EXPECT_EQ(differing, 0) << "at scale " << scale << "/120";
    }
}

// Below scale 1 some logical pixels hold no device pixel's centre; an outline still shows.
TEST(DeviceScale, BelowOneEveryOutlineIsStillOneDevicePixelWide) {
    Board board;
    const int scale = 90;
    std::vector<COLORREF> device = board.Drawn(scale);
    int width = CoreDevicePixels(COLUMNS * CELL, scale);
    for (int row : {CoreDevicePixels(CELL / 2, scale), CoreDevicePixels(CELL + CELL / 2, scale)}) {
        // Along the row: an outline, then for each cell its fill and the outlines between.
        std::vector<int> blackRuns;
        int fills = 0;
        for (int x = 0; x < width; x++) {
            bool black = device[static_cast<size_t>(row * width + x)] == RGB(0, 0, 0);
            if (black && (x == 0 || device[static_cast<size_t>(row * width + x - 1)] != 0))
                blackRuns.push_back(0);
            if (black)
                blackRuns.back()++;
            fills += !black && (x == 0 || device[static_cast<size_t>(row * width + x - 1)] == 0);
        }
        EXPECT_EQ(fills, COLUMNS) << "row " << row;
        ASSERT_EQ(static_cast<int>(blackRuns.size()), COLUMNS + 1) << "row " << row;
        EXPECT_EQ(blackRuns.front(), 1);
        EXPECT_EQ(blackRuns.back(), 1);
        for (int between = 1; between < COLUMNS; between++)
            EXPECT_EQ(blackRuns[static_cast<size_t>(between)], 2) << "row " << row;
    }
}

// A repaint that changes one cell shows the host every device pixel that changed, and nothing
// beyond that cell.
TEST(DeviceScale, TheHostIsShownWhatChangedAndNothingBeyondTheRepaintedCell) {
    for (int scale : FRACTIONAL_SCALES) {
        Board board;
        TestingSetHeadless(false);
        HWND window = CreateLoggedWindow();
        ShowWindow(window, SW_SHOW);
        TestingSetWindowScale(window, scale);
        int width = CoreDevicePixels(COLUMNS * CELL, scale);
        int height = CoreDevicePixels(ROWS * CELL, scale);
        std::vector<COLORREF> before;
        RECT differing = {width, height, 0, 0};
        for (int changed : {-1, 5}) {
            InvalidateRect(window, NULL, FALSE);
            PAINTSTRUCT paint;
            DrawBoard(BeginPaint(window, &paint), board.brushes, changed);
            EndPaint(window, &paint);
            for (int y = 0; y < height; y++) {
                for (int x = 0; x < width; x++) {
                    COLORREF pixel = TestingGetClientPixel(window, x, y);
                    if (before.size() == static_cast<size_t>(width * height) &&
                        pixel != before[static_cast<size_t>(y * width + x)])
                        differing = RECT{x < differing.left ? x : differing.left,
                                         y < differing.top ? y : differing.top,
                                         x + 1 > differing.right ? x + 1 : differing.right,
                                         y + 1 > differing.bottom ? y + 1 : differing.bottom};
                    if (before.size() < static_cast<size_t>(width * height))
                        before.push_back(pixel);
                }
            }
        }
        // Cell 5 is the third column's lower cell.
        RECT cell = {CoreDevicePixels(2 * CELL, scale), CoreDevicePixels(CELL, scale),
                     CoreDevicePixels(3 * CELL, scale), CoreDevicePixels(2 * CELL, scale)};
        RECT shown = FakeWindowOf(window)->lastShown;
        EXPECT_TRUE(shown.left <= differing.left && shown.top <= differing.top &&
                    shown.right >= differing.right && shown.bottom >= differing.bottom)
            << "at scale " << scale << "/120";
        EXPECT_TRUE(shown.left >= cell.left && shown.top >= cell.top && shown.right <= cell.right &&
                    shown.bottom <= cell.bottom)
            << "at scale " << scale << "/120";
        TestingSetHeadless(true);
    }
}

TEST(DeviceScale, ScalesOutsideOneHalfToEightAreClamped) {
    StartLoggingLayer();
    HWND window = CreateLoggedWindow();
    TestingSetWindowScale(window, 30);
    EXPECT_EQ(TestingGetClientPixel(window, 99, 49), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 100, 0), 0xFFFFFFFFu);
    TestingSetWindowScale(window, 100000);
    EXPECT_EQ(TestingGetClientPixel(window, 1599, 799), RGB(255, 255, 255));
    EXPECT_EQ(TestingGetClientPixel(window, 1600, 0), 0xFFFFFFFFu);
    EXPECT_EQ(TestingCreateSurfaceDC(10, 10, 59), nullptr);
}
