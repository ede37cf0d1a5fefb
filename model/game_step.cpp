#include "model/game_step.h"

#include "model/game_state.h"

namespace {

void MoveHead() {
    switch (direction) {
    case DIR_DOWN: head.y++; break;
    case DIR_UP: head.y--; break;
    case DIR_RIGHT: head.x++; break;
    case DIR_LEFT: head.x--; break;
    default: break;
    }
}

void ClampToWalls() {
    if (head.x > GRID_WIDTH - 1) {
        head.x = GRID_WIDTH - 1;
        gameOver = true;
    } else if (head.x < 0) {
        head.x = 0;
        gameOver = true;
    }
    if (head.y > GRID_HEIGHT - 1) {
        head.y = GRID_HEIGHT - 1;
        gameOver = true;
    } else if (head.y < 0) {
        head.y = 0;
        gameOver = true;
    }
}

// The tail counts too, although a step without eating would move it away.
void CheckBody() {
    for (int32_t i = 1; i < snakeLength; i++)
        if (snake[i].x == head.x && snake[i].y == head.y)
            gameOver = true;
}

} // namespace

void UpdateGame() {
    if (gameOver)
        return;
    MoveHead();
    ClampToWalls();
    CheckBody();
    if (gameOver)
        return;

    if (head.x == food.x && head.y == food.y) {
        // Growing keeps the old tail where it is for this step. A head that
        // moves never lands on the snake, so only a heading outside the four,
        // which eats in place, could grow the snake past the board: the array
        // still ends at its last entry.
        score++;
        PlaceFood();
        if (snakeLength < MAX_SNAKE_LENGTH)
            snakeLength++;
    }
    for (int32_t i = snakeLength - 2; i >= 0; i--)
        snake[i + 1] = snake[i];
    snake[0] = head;
}
