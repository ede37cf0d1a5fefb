// GDI pixels: Rectangle's outline and fill, COLORREF byte order, brushes, text.

#include <windows.h>
#include <win32_testing.h>

#include <gtest/gtest.h>

namespace {
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);

class Gdi : public ::testing::Test {
  protected:
    void SetUp() override {
        TestingResetLayer();
        dc = TestingCreateSurfaceDC(120, 60);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override {
        TestingDeleteSurfaceDC(dc);
    }
    HDC dc = NULL;
};

} // namespace

TEST_F(Gdi, RectangleOutlinesItsOuterPixelsAndFillsInside) {
    HBRUSH blue = CreateSolidBrush(RGB(10, 20, 200));
    SelectObject(dc, blue);
    Rectangle(dc, 10, 5, 20, 15); // columns 10..19, rows 5..14
    EXPECT_EQ(TestingGetDCPixel(dc, 10, 5), BLACK);
    EXPECT_EQ(TestingGetDCPixel(dc, 19, 14), BLACK);
    EXPECT_EQ(TestingGetDCPixel(dc, 11, 6), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(dc, 18, 13), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(dc, 20, 10), WHITE);
    EXPECT_EQ(TestingGetDCPixel(dc, 9, 10), WHITE);
    COLORREF red = TestingGetDCPixel(dc, 12, 8);
    EXPECT_EQ(red, 0x00C8140Au); // 0x00BBGGRR
    EXPECT_EQ(GetRValue(red), 10);
    EXPECT_EQ(GetBValue(red), 200);
    Rectangle(dc, 100, 50, 140, 90); // partly outside: clipped, no harm
    EXPECT_EQ(TestingGetDCPixel(dc, 119, 59), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(dc, 120, 59), 0xFFFFFFFFu);
}

TEST_F(Gdi, BrushesSelectAndDeleteLikeWin32) {
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    EXPECT_EQ(TestingLiveBrushCount(), 1);
    HGDIOBJ original = SelectObject(dc, green);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(SelectObject(dc, original), green);
    Rectangle(dc, 0, 0, 10, 10);
    EXPECT_EQ(TestingGetDCPixel(dc, 5, 5), WHITE); // the default brush is white
    COLORREF color = 0;
    EXPECT_TRUE(TestingGetBrushColor(green, &color));
    EXPECT_EQ(color, RGB(0, 255, 0));
    EXPECT_TRUE(DeleteObject(green));
    EXPECT_FALSE(DeleteObject(green));
    EXPECT_FALSE(TestingGetBrushColor(green, &color));
    EXPECT_EQ(SelectObject(dc, green), nullptr);
    EXPECT_EQ(TestingLiveBrushCount(), 0);
}

TEST_F(Gdi, BrushesHaveNoFixedLimitAndEachKeepsItsColour) {
    const int MANY = 300;
    HBRUSH made[MANY];
    for (int i = 0; i < MANY; i++)
        made[i] = CreateSolidBrush(RGB(i % 256, i / 256, 7));
    EXPECT_EQ(TestingLiveBrushCount(), MANY);
    SelectObject(dc, made[MANY - 1]);
    Rectangle(dc, 0, 0, 10, 10);
    EXPECT_EQ(TestingGetDCPixel(dc, 5, 5), RGB((MANY - 1) % 256, (MANY - 1) / 256, 7));
    for (HBRUSH brush : made)
        EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(TestingLiveBrushCount(), 0);
}

TEST_F(Gdi, AtScaleTwoARectangleHasATwoPixelOutlineAndFillsExactlyItsDevicePixels) {
    HDC scaled = TestingCreateSurfaceDC(120, 60, 240);
    HBRUSH blue = CreateSolidBrush(RGB(10, 20, 200));
    SelectObject(scaled, blue);
    Rectangle(scaled, 10, 5, 20, 15); // device columns 20..39, rows 10..29
    for (int d : {20, 21, 38, 39})
        EXPECT_EQ(TestingGetDCPixel(scaled, d, 20), BLACK) << "column " << d;
    for (int d : {10, 11, 28, 29})
        EXPECT_EQ(TestingGetDCPixel(scaled, 30, d), BLACK) << "row " << d;
    EXPECT_EQ(TestingGetDCPixel(scaled, 22, 12), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(scaled, 37, 27), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(scaled, 40, 20), WHITE);
    EXPECT_EQ(TestingGetDCPixel(scaled, 19, 20), WHITE);
    EXPECT_EQ(TestingGetDCPixel(scaled, 30, 30), WHITE);
    Rectangle(scaled, 100, 50, 140, 90); // clipped: no outline where the surface ends
    EXPECT_EQ(TestingGetDCPixel(scaled, 201, 101), BLACK);
    EXPECT_EQ(TestingGetDCPixel(scaled, 239, 119), RGB(10, 20, 200));
    EXPECT_EQ(TestingGetDCPixel(scaled, 240, 119), 0xFFFFFFFFu);
    TestingDeleteSurfaceDC(scaled);
}
