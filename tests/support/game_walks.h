#pragma once

#include "model/game_state.h"

// Helpers that tests, the fuzzer and the benchmarks share to drive the game.

// The cell after `p` on a cycle through the whole board: along row 0 to the
// right, back and forth over columns 1 to 15, and up column 0 home.
Point NextOnCycle(Point p);

// The heading that moves one cell from `from` to its neighbour `to`.
Direction HeadingTo(Point from, Point to);

// Everything a step may change, to tell whether one changed anything.
struct GameSnapshot {
    Point snake[MAX_SNAKE_LENGTH];
    int32_t snakeLength;
    Point head;
    Direction direction;
    Point food;
    int32_t score;
    bool gameOver;
};

GameSnapshot TakeGameSnapshot();
bool SameGame(const GameSnapshot& a, const GameSnapshot& b);
