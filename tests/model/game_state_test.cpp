#include "model/game_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

int CountCells(CellKind kind) {
    int count = 0;
    for (auto& column : grid)
        for (CellKind cell : column)
            count += cell == kind;
    return count;
}

// What PlaceFood should give from the generator's current point, drawn from
// the same library's rand: column first, then row.
Point NextFoodFromSeed(unsigned seed) {
    srand(seed);
    int x = rand() % GRID_WIDTH;
    int y = rand() % GRID_HEIGHT;
    return Point{x, y};
}

} // namespace

// Runs first in this binary: the state is still as the program starts it.
TEST(GameStateBeforeReset, BoardShowsOnlyTheFood) {
    EXPECT_EQ(snakeLength, 0);
    EXPECT_EQ(direction, DIR_UP);
    food = Point{7, 4};
    BuildGrid();
    EXPECT_EQ(grid[7][4], CELL_FOOD);
    EXPECT_EQ(CountCells(CELL_FOOD), 1);
    EXPECT_EQ(CountCells(CELL_SNAKE), 0);
}

TEST(ResetGame, StartsOneCellAtTheTopLeftHeadingRightAndKeepsTheFood) {
    food = Point{9, 3};
    snakeLength = 5;
    score = 4;
    gameOver = true;
    direction = DIR_LEFT;
    head = Point{6, 6};
    ResetGame();
    EXPECT_EQ(direction, DIR_RIGHT);
    EXPECT_EQ(head.x, 0);
    EXPECT_EQ(head.y, 0);
    EXPECT_EQ(snakeLength, 1);
    EXPECT_EQ(snake[0].x, 0);
    EXPECT_EQ(snake[0].y, 0);
    EXPECT_EQ(score, 0);
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(food.x, 9);
    EXPECT_EQ(food.y, 3);
    EXPECT_EQ(CountCells(CELL_EMPTY), GRID_WIDTH * GRID_HEIGHT);
}

TEST(ResetGame, SeedsTheGeneratorWithTheCalendarSecond) {
    for (int attempt = 0; attempt < 3; attempt++) {
        time_t before = time(nullptr);
        ResetGame();
        PlaceFood();
        Point drawn = food;
        if (time(nullptr) != before)
            continue; // the second turned over mid-test; try again
        Point expected = NextFoodFromSeed(static_cast<unsigned>(before));
        EXPECT_EQ(drawn.x, expected.x);
        EXPECT_EQ(drawn.y, expected.y);
        return;
    }
    FAIL() << "the calendar second kept changing";
}

TEST(PlaceFood, DrawsTheColumnFirstThenTheRowFromTwoCalls) {
    for (unsigned seed : {1u, 2u, 12345u, 0xDEADBEEFu}) {
        Point expected = NextFoodFromSeed(seed);
        srand(seed);
        PlaceFood();
        EXPECT_EQ(food.x, expected.x) << "seed " << seed;
        EXPECT_EQ(food.y, expected.y) << "seed " << seed;
        int third = rand();
        srand(seed);
        rand();
        rand();
        EXPECT_EQ(third, rand()) << "PlaceFood draws exactly twice";
    }
}

TEST(PlaceFood, AlwaysLandsOnTheBoard) {
    srand(7);
    for (int i = 0; i < 10000; i++) {
        PlaceFood();
        ASSERT_GE(food.x, 0);
        ASSERT_LT(food.x, GRID_WIDTH);
        ASSERT_GE(food.y, 0);
        ASSERT_LT(food.y, GRID_HEIGHT);
    }
}

TEST(BuildGrid, MarksTheSnakeAndShowsFoodOverIt) {
    food = Point{2, 0};
    ResetGame();
    snake[1] = Point{1, 0};
    snake[2] = Point{2, 0};
    snake[3] = Point{2, 1};
    snakeLength = 4;
    BuildGrid();
    EXPECT_EQ(grid[0][0], CELL_SNAKE);
    EXPECT_EQ(grid[1][0], CELL_SNAKE);
    EXPECT_EQ(grid[2][0], CELL_FOOD);
    EXPECT_EQ(grid[2][1], CELL_SNAKE);
    EXPECT_EQ(CountCells(CELL_SNAKE), 3);
    EXPECT_EQ(CountCells(CELL_FOOD), 1);

    // Column-major: cell (x, y) is element x * 12 + y.
    EXPECT_EQ((&grid[0][0])[2 * GRID_HEIGHT + 1], CELL_SNAKE);

    food = Point{0, 0};
    snakeLength = 1;
    BuildGrid();
    EXPECT_EQ(grid[0][0], CELL_FOOD);
    EXPECT_EQ(CountCells(CELL_SNAKE), 0);
}
