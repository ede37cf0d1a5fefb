#include "ui/board_painter.h"

#include <win32_testing.h>

#include <gtest/gtest.h>

namespace {

constexpr int BOARD_WIDTH = GRID_WIDTH * CELL_SIZE;
constexpr int BOARD_HEIGHT = GRID_HEIGHT * CELL_SIZE;
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF GREEN = RGB(0, 255, 0);
constexpr COLORREF RED = RGB(255, 0, 0);

// Paints the current game into a fresh client-sized surface.
class Painted : public ::testing::Test {
  protected:
    void SetUp() override {
        TestingResetLayer();
        CreateCellBrushes();
        dc = TestingCreateSurfaceDC(BOARD_WIDTH, BOARD_HEIGHT);
    }
    void TearDown() override {
        TestingDeleteSurfaceDC(dc);
        DeleteCellBrushes();
    }
    void Paint() {
        PaintBoard(dc);
    }
    COLORREF Pixel(int x, int y) const {
        return TestingGetDCPixel(dc, x, y);
    }
    COLORREF CellCentre(int x, int y) const {
        return Pixel(x * CELL_SIZE + CELL_SIZE / 2, y * CELL_SIZE + CELL_SIZE / 2);
    }
    // Pixels in the box that differ from the colour of the cell beneath it.
    int InkIn(int left, int top, int right, int bottom, COLORREF cell) const {
        int ink = 0;
        for (int y = top; y < bottom; y++)
            for (int x = left; x < right; x++)
                ink += Pixel(x, y) != cell;
        return ink;
    }
    HDC dc = NULL;
};

void ResetWithFoodAt(Point cell) {
    food = cell;
    ResetGame();
}

} // namespace

TEST_F(Painted, EveryCellHasItsKindsColourInsideABlackOutline) {
    ResetWithFoodAt({9, 11});
    snake[1] = {0, 1};
    snake[2] = {0, 2};
    snakeLength = 3;
    Paint();
    for (int x = 0; x < GRID_WIDTH; x++) {
        for (int y = 0; y < GRID_HEIGHT; y++) {
            COLORREF expected = GetCellColor(grid[x][y]);
            int left = x * CELL_SIZE, top = y * CELL_SIZE;
            int right = left + CELL_SIZE - 1, bottom = top + CELL_SIZE - 1;
            int middle = CELL_SIZE / 2;
            bool underScore = y == 0 && x < 2;
            ASSERT_EQ(CellCentre(x, y), expected) << "cell " << x << ", " << y;
            ASSERT_EQ(Pixel(left, top + middle), BLACK) << "left edge " << x << ", " << y;
            ASSERT_EQ(Pixel(right, top + middle), BLACK) << "right edge " << x << ", " << y;
            ASSERT_EQ(Pixel(left + middle, bottom), BLACK) << "bottom edge " << x << ", " << y;
            ASSERT_EQ(Pixel(right - 1, bottom - 1), expected) << "inside " << x << ", " << y;
            if (!underScore) {
                ASSERT_EQ(Pixel(left + middle, top), BLACK) << "top edge " << x << ", " << y;
                ASSERT_EQ(Pixel(left + 1, top + 1), expected) << "inside " << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(CellCentre(9, 11), RED);
    EXPECT_EQ(CellCentre(0, 2), GREEN);
    EXPECT_EQ(Pixel(BOARD_WIDTH - 1, BOARD_HEIGHT - 1), BLACK);
}

TEST_F(Painted, BeforeAnyResetOnlyTheFoodIsRed) {
    food = {4, 7};
    snakeLength = 0;
    Paint();
    for (int x = 0; x < GRID_WIDTH; x++)
        for (int y = 0; y < GRID_HEIGHT; y++)
            ASSERT_EQ(CellCentre(x, y), x == 4 && y == 7 ? RED : WHITE) << x << ", " << y;
}

TEST_F(Painted, FoodUnderTheSnakeIsRed) {
    ResetWithFoodAt({3, 5});
    snake[0] = head = {3, 5};
    snake[1] = {3, 6};
    snakeLength = 2;
    Paint();
    EXPECT_EQ(CellCentre(3, 5), RED);
    EXPECT_EQ(CellCentre(3, 6), GREEN);
}

TEST_F(Painted, TheScoreLineGoesOverTheTopLeftCellsAndGameOverOnlyAtTheEnd) {
    ResetWithFoodAt({9, 9});
    snake[0] = head = {5, 5}; // keep the top-left cell white
    score = 191;
    Paint();
    // Inside the first cell, away from its outline.
    EXPECT_GT(InkIn(1, 1, CELL_SIZE - 1, 16, WHITE), 20) << "no score line";
    EXPECT_EQ(InkIn(1, 17, CELL_SIZE - 1, CELL_SIZE - 1, WHITE), 0) << "game over shown early";
    EXPECT_EQ(InkIn(1, CELL_SIZE + 1, CELL_SIZE - 1, 2 * CELL_SIZE - 1, WHITE), 0);

    gameOver = true;
    Paint();
    EXPECT_GT(InkIn(1, 17, CELL_SIZE - 1, 32, WHITE), 20) << "no game over line";
    EXPECT_EQ(InkIn(1, 34, CELL_SIZE - 1, CELL_SIZE - 1, WHITE), 0) << "text lower than 16 px";
}

TEST_F(Painted, TheScoreShowsItsValue) {
    ResetWithFoodAt({9, 9});
    score = 1;
    Paint();
    int one = InkIn(0, 0, 2 * CELL_SIZE, 16, WHITE);
    score = 188;
    Paint();
    EXPECT_GT(InkIn(0, 0, 2 * CELL_SIZE, 16, WHITE), one) << "three digits drew no more ink";
}

TEST(CellBrushes, AreMadeFromThePaletteAndDeletedAgain) {
    TestingResetLayer();
    EXPECT_EQ(GetCellColor(CELL_EMPTY), 0x00FFFFFFu);
    EXPECT_EQ(GetCellColor(CELL_SNAKE), 0x0000FF00u);
    EXPECT_EQ(GetCellColor(CELL_FOOD), 0x000000FFu);
    int before = TestingLiveBrushCount();
    CreateCellBrushes();
    EXPECT_EQ(TestingLiveBrushCount(), before + 3);
    for (CellKind kind : {CELL_EMPTY, CELL_SNAKE, CELL_FOOD}) {
        COLORREF color = 0;
        ASSERT_TRUE(TestingGetBrushColor(brushes[kind], &color));
        EXPECT_EQ(color, GetCellColor(kind));
    }
    DeleteCellBrushes();
    EXPECT_EQ(TestingLiveBrushCount(), before);
    COLORREF color;
    EXPECT_FALSE(TestingGetBrushColor(brushes[CELL_SNAKE], &color));
}
