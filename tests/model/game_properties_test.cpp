#include "model/game_state.h"
#include "model/game_step.h"
#include "tests/support/game_walks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

bool OnBoard(Point p) {
    return p.x >= 0 && p.x < GRID_WIDTH && p.y >= 0 && p.y < GRID_HEIGHT;
}

::testing::AssertionResult StateHolds() {
    if (snakeLength < 1 || snakeLength > MAX_SNAKE_LENGTH)
        return ::testing::AssertionFailure() << "length " << snakeLength;
    bool seen[GRID_WIDTH][GRID_HEIGHT] = {};
    for (int i = 0; i < snakeLength; i++) {
        if (!OnBoard(snake[i]))
            return ::testing::AssertionFailure() << "snake[" << i << "] off the board";
        if (seen[snake[i].x][snake[i].y])
            return ::testing::AssertionFailure() << "snake[" << i << "] repeats a cell";
        seen[snake[i].x][snake[i].y] = true;
    }
    if (!gameOver && (snake[0].x != head.x || snake[0].y != head.y))
        return ::testing::AssertionFailure() << "head and snake[0] differ";
    if (!OnBoard(head))
        return ::testing::AssertionFailure() << "head off the board";
    if (score != snakeLength - 1)
        return ::testing::AssertionFailure() << "score " << score << ", length " << snakeLength;
    if (!OnBoard(food))
        return ::testing::AssertionFailure() << "food off the board";
    return ::testing::AssertionSuccess();
}

Point Ahead(Point p, Direction heading) {
    switch (heading) {
    case DIR_UP: return {p.x, p.y - 1};
    case DIR_RIGHT: return {p.x + 1, p.y};
    case DIR_DOWN: return {p.x, p.y + 1};
    default: return {p.x - 1, p.y};
    }
}

bool Survives(Direction heading) {
    Point next = Ahead(head, heading);
    if (!OnBoard(next))
        return false;
    for (int i = 1; i < snakeLength; i++)
        if (snake[i].x == next.x && snake[i].y == next.y)
            return false;
    return true;
}

// A random heading, mostly steering clear of death so that games last.
Direction DriverHeading(std::mt19937& driver) {
    Direction heading = static_cast<Direction>(driver() % 4);
    if (driver() % 50 == 0)
        return heading;
    for (int turn = 0; turn < 4 && !Survives(heading); turn++)
        heading = (heading + 1) % 4;
    return heading;
}

} // namespace

TEST(GameProperties, RandomGamesKeepEveryInvariantAfterEveryStep) {
    std::mt19937 driver(20261208);
    int longest = 0;
    for (int game = 0; game < 3000; game++) {
        PlaceFood();
        ResetGame();
        srand(static_cast<unsigned>(game)); // reproducible foods
        // Some games feed the snake often, so that long snakes get tested too.
        int feedPercent = game % 3 == 0 ? 0 : 60;
        for (int step = 0; step < 2000 && !gameOver; step++) {
            if (driver() % 4 == 0 || !Survives(direction))
                direction = DriverHeading(driver);
            Point next = Ahead(head, direction);
            if (static_cast<int>(driver() % 100) < feedPercent && OnBoard(next))
                food = next;
            UpdateGame();
            ASSERT_TRUE(StateHolds()) << "game " << game << ", step " << step;
        }
        longest = std::max(longest, static_cast<int>(snakeLength));
    }
    EXPECT_GT(longest, 40) << "the games never grew a long snake";
}

TEST(GameProperties, ASnakeThatFillsTheBoardEndsTheGameAtItsNextStep) {
    PlaceFood();
    ResetGame();
    for (int eaten = 1; eaten < MAX_SNAKE_LENGTH; eaten++) {
        Point next = NextOnCycle(head);
        direction = HeadingTo(head, next);
        food = next;
        UpdateGame();
        ASSERT_FALSE(gameOver) << "after " << eaten << " foods";
        ASSERT_TRUE(StateHolds());
    }
    ASSERT_EQ(snakeLength, MAX_SNAKE_LENGTH);
    ASSERT_EQ(score, MAX_SNAKE_LENGTH - 1);

    Point tail = snake[MAX_SNAKE_LENGTH - 1];
    direction = HeadingTo(head, NextOnCycle(head));
    UpdateGame();
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(head.x, tail.x);
    EXPECT_EQ(head.y, tail.y);
    EXPECT_EQ(snakeLength, MAX_SNAKE_LENGTH);
    EXPECT_TRUE(StateHolds());
}
