#include "model/game_step.h"

#include "model/game_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

constexpr Point FAR_FOOD{15, 11};

// A running game with the given body (head first), heading and food.
void StartWith(std::initializer_list<Point> body, Direction heading, Point foodCell = FAR_FOOD) {
    food = foodCell;
    ResetGame();
    snakeLength = 0;
    for (Point cell : body)
        snake[snakeLength++] = cell;
    head = snake[0];
    direction = heading;
}

std::vector<Point> Body() {
    return std::vector<Point>(snake, snake + snakeLength);
}

::testing::AssertionResult BodyIs(std::initializer_list<Point> expected) {
    std::vector<Point> actual = Body();
    std::vector<Point> wanted(expected);
    if (actual.size() != wanted.size())
        return ::testing::AssertionFailure()
               << "length " << actual.size() << ", expected " << wanted.size();
    for (size_t i = 0; i < wanted.size(); i++)
        if (actual[i].x != wanted[i].x || actual[i].y != wanted[i].y)
            return ::testing::AssertionFailure()
                   << "snake[" << i << "] is (" << actual[i].x << ", " << actual[i].y
                   << "), expected (" << wanted[i].x << ", " << wanted[i].y << ")";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Moving, EachHeadingMovesTheHeadOneCellAndTheBodyFollows) {
    struct Case {
        Direction heading;
        Point neck;
        Point newHead;
    };
    for (Case c : {Case{DIR_UP, {5, 6}, {5, 4}}, Case{DIR_RIGHT, {4, 5}, {6, 5}},
                   Case{DIR_DOWN, {5, 4}, {5, 6}}, Case{DIR_LEFT, {6, 5}, {4, 5}}}) {
        StartWith({{5, 5}, c.neck}, c.heading);
        UpdateGame();
        EXPECT_FALSE(gameOver) << "heading " << c.heading;
        EXPECT_TRUE(BodyIs({c.newHead, {5, 5}})) << "heading " << c.heading;
        EXPECT_EQ(head.x, c.newHead.x);
        EXPECT_EQ(head.y, c.newHead.y);
        EXPECT_EQ(score, 0);
    }
}

TEST(Moving, AFreshGameStepsToTheSecondCell) {
    StartWith({{0, 0}}, DIR_RIGHT);
    UpdateGame();
    EXPECT_TRUE(BodyIs({{1, 0}}));
    EXPECT_FALSE(gameOver);
}

TEST(Moving, AnUnknownHeadingLeavesTheHeadWhereItIs) {
    StartWith({{3, 3}}, 7);
    UpdateGame();
    EXPECT_TRUE(BodyIs({{3, 3}}));
    EXPECT_FALSE(gameOver);
}

TEST(Moving, EatingInPlaceOnAFullArrayNeverGrowsPastIt) {
    Point cell{3, 3};
    StartWith({cell}, 7, cell);
    for (int32_t i = 1; i < MAX_SNAKE_LENGTH; i++)
        snake[i] = Point{4, 3};
    snakeLength = MAX_SNAKE_LENGTH;
    UpdateGame();
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(snakeLength, MAX_SNAKE_LENGTH);
    EXPECT_EQ(score, 1);
    EXPECT_EQ(snake[1].x, cell.x);
    EXPECT_EQ(snake[1].y, cell.y);
}

TEST(Walls, EachWallEndsTheGameWithTheHeadClampedAndTheSnakeUnmoved) {
    struct Case {
        Point start;
        Point neck;
        Direction heading;
    };
    for (Case c : {Case{{4, 0}, {4, 1}, DIR_UP}, Case{{15, 4}, {14, 4}, DIR_RIGHT},
                   Case{{4, 11}, {4, 10}, DIR_DOWN}, Case{{0, 4}, {1, 4}, DIR_LEFT}}) {
        StartWith({c.start, c.neck}, c.heading);
        UpdateGame();
        EXPECT_TRUE(gameOver) << "heading " << c.heading;
        EXPECT_EQ(head.x, c.start.x) << "heading " << c.heading;
        EXPECT_EQ(head.y, c.start.y) << "heading " << c.heading;
        EXPECT_TRUE(BodyIs({c.start, c.neck})) << "heading " << c.heading;
        EXPECT_EQ(score, 0);
    }
}

TEST(Body, RunningIntoTheBodyEndsTheGameAndKeepsEverything) {
    // A loop of four: heading down from (1, 0) the head meets (1, 1).
    StartWith({{1, 0}, {0, 0}, {0, 1}, {1, 1}, {2, 1}}, DIR_DOWN, Point{5, 5});
    score = 4;
    UpdateGame();
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(head.x, 1);
    EXPECT_EQ(head.y, 1);
    EXPECT_TRUE(BodyIs({{1, 0}, {0, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(score, 4);
    EXPECT_EQ(food.x, 5);
}

TEST(Body, TheTailCellCountsEvenThoughItWouldMoveAway) {
    StartWith({{1, 0}, {0, 0}, {0, 1}, {1, 1}}, DIR_DOWN);
    UpdateGame();
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(BodyIs({{1, 0}, {0, 0}, {0, 1}, {1, 1}}));
}

TEST(Body, TurningBackOntoTheNeckEndsTheGameButALoneHeadMayTurn) {
    StartWith({{5, 5}, {4, 5}}, DIR_LEFT);
    UpdateGame();
    EXPECT_TRUE(gameOver);

    StartWith({{5, 5}}, DIR_LEFT);
    UpdateGame();
    EXPECT_FALSE(gameOver);
    EXPECT_TRUE(BodyIs({{4, 5}}));
}

TEST(Body, FoodUnderTheBodyCannotBeEaten) {
    StartWith({{1, 0}, {0, 0}, {0, 1}, {1, 1}, {2, 1}}, DIR_DOWN, Point{1, 1});
    UpdateGame();
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(snakeLength, 5);
}

TEST(Eating, GrowsTheSnakeKeepsTheTailAndDrawsFoodBeforeMoving) {
    StartWith({{3, 3}, {2, 3}, {1, 3}}, DIR_RIGHT, Point{4, 3});
    score = 2;
    srand(99);
    int x = rand() % GRID_WIDTH;
    int y = rand() % GRID_HEIGHT;
    srand(99);
    UpdateGame();
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(score, 3);
    EXPECT_TRUE(BodyIs({{4, 3}, {3, 3}, {2, 3}, {1, 3}}));
    EXPECT_EQ(food.x, x);
    EXPECT_EQ(food.y, y);
}

TEST(Eating, AFreshGameEatsFoodInTheSecondCell) {
    StartWith({{0, 0}}, DIR_RIGHT, Point{1, 0});
    UpdateGame();
    EXPECT_EQ(score, 1);
    EXPECT_TRUE(BodyIs({{1, 0}, {0, 0}}));
}

TEST(GameOver, LaterStepsChangeNothingWhateverTheHeading) {
    StartWith({{0, 0}}, DIR_UP);
    UpdateGame();
    ASSERT_TRUE(gameOver);
    for (Direction heading : {DIR_UP, DIR_RIGHT, DIR_DOWN, DIR_LEFT, 42}) {
        direction = heading;
        UpdateGame();
        EXPECT_TRUE(gameOver);
        EXPECT_EQ(head.x, 0);
        EXPECT_EQ(head.y, 0);
        EXPECT_TRUE(BodyIs({{0, 0}}));
    }
    ResetGame();
    EXPECT_FALSE(gameOver);
}
