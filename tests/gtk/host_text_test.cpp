// Text in the GTK host's font: black glyphs without grey on a white box, a line of at most 16
// pixels, and at scale 2 drawn at the device resolution.

#include <windows.h>
#include <win32_testing.h>

#include "../../platform/core/host.h"

#include <gtest/gtest.h>

namespace {
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);

struct TextInk {
    int black, white, other; // pixels of the text's box
    int lastRow, lastColumn;
    bool inTwoByTwoBlocks; // every aligned 2 x 2 square of the box is of one colour
};

// "Score: 0" at 0, 0 over a red rectangle as large as a fresh 120 x 60 surface at this scale
// (in 120ths), and what it covers inside the rectangle's outline.
TextInk DrawScoreOverRed(int scale) {
    TestingResetLayer();
    HDC dc = TestingCreateSurfaceDC(120, 60, scale);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    Rectangle(dc, 0, 0, 120, 60);
    TextOutA(dc, 0, 0, "Score: 0", 8);
    TextInk ink = {0, 0, 0, -1, -1, true};
    int outline = CoreDevicePixels(1, scale);
    for (int y = outline; y < CoreDevicePixels(59, scale); y++) {
        for (int x = outline; x < CoreDevicePixels(119, scale); x++) {
            COLORREF pixel = TestingGetDCPixel(dc, x, y);
            if (pixel == RGB(255, 0, 0))
                continue;
            ink.black += pixel == BLACK;
            ink.white += pixel == WHITE;
            ink.other += pixel != BLACK && pixel != WHITE;
            ink.lastRow = y > ink.lastRow ? y : ink.lastRow;
            ink.lastColumn = x > ink.lastColumn ? x : ink.lastColumn;
            int left = x & ~1, top = y & ~1;
            ink.inTwoByTwoBlocks =
                ink.inTwoByTwoBlocks && TestingGetDCPixel(dc, left, top) == pixel;
        }
    }
    DeleteObject(red);
    TestingDeleteSurfaceDC(dc);
    return ink;
}
} // namespace

TEST(HostText, TextIsBlackOnAWhiteBoxAboutSixteenPixelsHigh) {
    TextInk ink = DrawScoreOverRed(SCALE_UNIT);
    EXPECT_GT(ink.black, 40);
    EXPECT_GT(ink.white, ink.black);
    EXPECT_EQ(ink.other, 0);
    EXPECT_GE(ink.lastRow, 13);
    EXPECT_LE(ink.lastRow, 15); // the line is at most 16 rows
    EXPECT_GT(ink.lastColumn, 30);
    EXPECT_LT(ink.lastColumn, 100);
}

TEST(HostText, AtScaleTwoTextIsDrawnAtTheDeviceResolutionNotInTwoByTwoBlocks) {
    TextInk ink = DrawScoreOverRed(2 * SCALE_UNIT);
    EXPECT_GT(ink.black, 160);
    EXPECT_EQ(ink.other, 0);
    EXPECT_GE(ink.lastRow, 26);
    EXPECT_LE(ink.lastRow, 31); // the line is at most 32 device rows
    EXPECT_GT(ink.lastColumn, 60);
    EXPECT_FALSE(ink.inTwoByTwoBlocks);
}
