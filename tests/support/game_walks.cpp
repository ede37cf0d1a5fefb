#include "tests/support/game_walks.h"

#include <cstring>

Point NextOnCycle(Point p) {
    if (p.x == 0)
        return p.y == 0 ? Point{1, 0} : Point{0, p.y - 1};
    if (p.y % 2 == 0)
        return p.x < GRID_WIDTH - 1 ? Point{p.x + 1, p.y} : Point{p.x, p.y + 1};
    if (p.x > 1)
        return {p.x - 1, p.y};
    return p.y < GRID_HEIGHT - 1 ? Point{p.x, p.y + 1} : Point{0, p.y};
}

Direction HeadingTo(Point from, Point to) {
    if (to.x > from.x)
        return DIR_RIGHT;
    if (to.x < from.x)
        return DIR_LEFT;
    return to.y > from.y ? DIR_DOWN : DIR_UP;
}

GameSnapshot TakeGameSnapshot() {
    GameSnapshot s;
    memcpy(s.snake, snake, sizeof snake);
    s.snakeLength = snakeLength;
    s.head = head;
    s.direction = direction;
    s.food = food;
    s.score = score;
    s.gameOver = gameOver;
    return s;
}

bool SameGame(const GameSnapshot& a, const GameSnapshot& b) {
    return memcmp(a.snake, b.snake, sizeof a.snake) == 0 && a.snakeLength == b.snakeLength &&
           a.head.x == b.head.x && a.head.y == b.head.y && a.direction == b.direction &&
           a.food.x == b.food.x && a.food.y == b.food.y && a.score == b.score &&
           a.gameOver == b.gameOver;
}
