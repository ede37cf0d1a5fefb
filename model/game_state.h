#pragma once

#include <cstdint>

// The one game the process plays, and the board grid it is drawn through.

constexpr int GRID_WIDTH = 16;
constexpr int GRID_HEIGHT = 12;
constexpr int MAX_SNAKE_LENGTH = GRID_WIDTH * GRID_HEIGHT;

struct Point {
    int32_t x;
    int32_t y;
};

using Direction = int32_t;
constexpr Direction DIR_UP = 0;
constexpr Direction DIR_RIGHT = 1;
constexpr Direction DIR_DOWN = 2;
constexpr Direction DIR_LEFT = 3;

using CellKind = int32_t;
constexpr CellKind CELL_EMPTY = 0;
constexpr CellKind CELL_SNAKE = 1;
constexpr CellKind CELL_FOOD = 2;

extern Point snake[MAX_SNAKE_LENGTH];
extern int32_t snakeLength;
extern Point head;
extern Direction direction;
extern Point food;
extern int32_t score;
extern bool gameOver;
extern CellKind grid[GRID_WIDTH][GRID_HEIGHT];

void ResetGame();
void PlaceFood();
void ClearGrid();
void BuildGrid();
