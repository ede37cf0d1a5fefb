#include "model/game_state.h"

#include <cstdlib>
#include <ctime>

Point snake[MAX_SNAKE_LENGTH];
int32_t snakeLength;
Point head;
Direction direction;
Point food;
int32_t score;
bool gameOver;
CellKind grid[GRID_WIDTH][GRID_HEIGHT];

// The food is left where it is: callers place it first, so that the new
// game's first food still comes from the old seed.
void ResetGame() {
    srand(static_cast<unsigned>(time(nullptr)));
    direction = DIR_RIGHT;
    head = Point{0, 0};
    snakeLength = 1;
    snake[0] = head;
    score = 0;
    gameOver = false;
    ClearGrid();
}

// Column first, then row; the food may land on the snake.
void PlaceFood() {
    food.x = rand() % GRID_WIDTH;
    food.y = rand() % GRID_HEIGHT;
}

void ClearGrid() {
    for (auto& column : grid)
        for (CellKind& cell : column)
            cell = CELL_EMPTY;
}

// The food goes last, so a food under the snake still shows.
void BuildGrid() {
    ClearGrid();
    for (int32_t i = 0; i < snakeLength; i++)
        grid[snake[i].x][snake[i].y] = CELL_SNAKE;
    grid[food.x][food.y] = CELL_FOOD;
}
