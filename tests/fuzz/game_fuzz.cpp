// Drives the game model with any sequence of resets, headings, food
// placements and steps, and aborts as soon as the game state breaks one of
// its invariants. Headings outside the four are fed too: the game never sets
// them, so for those only memory safety is checked (by the sanitizers).

#include "model/game_state.h"
#include "model/game_step.h"
#include "tests/support/game_walks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum Op : uint8_t {
    OP_RESET,
    OP_HEADING,
    OP_ANY_HEADING,
    OP_PLACE_FOOD,
    OP_SET_FOOD,
    OP_FOOD_AHEAD,
    OP_STEP,
    OP_STEPS,
    OP_SERPENTINE,
    OP_BUILD_GRID,
    OP_COUNT
};

// What the fuzzer knows about the game it drives.
bool started;     // a ResetGame has run
bool wildHeading; // a step ran with a heading outside the four since then

void Fail(const char* what) {
    fprintf(stderr, "game_fuzz: %s (length %d, head %d,%d, food %d,%d, over %d)\n", what,
            snakeLength, head.x, head.y, food.x, food.y, gameOver);
    abort();
}

bool OnBoard(Point p) {
    return p.x >= 0 && p.x < GRID_WIDTH && p.y >= 0 && p.y < GRID_HEIGHT;
}

bool Same(Point a, Point b) {
    return a.x == b.x && a.y == b.y;
}

bool IsHeading(Direction d) {
    return d >= DIR_UP && d <= DIR_LEFT;
}

Point Ahead(Point p, Direction d) {
    switch (d) {
    case DIR_UP: return {p.x, p.y - 1};
    case DIR_RIGHT: return {p.x + 1, p.y};
    case DIR_DOWN: return {p.x, p.y + 1};
    case DIR_LEFT: return {p.x - 1, p.y};
    default: return p;
    }
}

// Back and forth over the rows from the top-left corner: from a fresh reset
// this visits every cell once, so feeding along it fills the whole board.
Direction SerpentineHeading(Point p) {
    bool rightward = p.y % 2 == 0;
    if (rightward)
        return p.x < GRID_WIDTH - 1 ? DIR_RIGHT : DIR_DOWN;
    return p.x > 0 ? DIR_LEFT : DIR_DOWN;
}

void CheckState() {
    if (!OnBoard(food))
        Fail("food off the board");
    if (!started || wildHeading)
        return;
    if (snakeLength < 1 || snakeLength > MAX_SNAKE_LENGTH)
        Fail("length out of range");
    if (score != snakeLength - 1)
        Fail("score and length disagree");
    // The fatal step clamps the head but leaves the snake as it was.
    if (!gameOver && !Same(snake[0], head))
        Fail("head and snake[0] differ");
    if (!OnBoard(head))
        Fail("head off the board");
    bool seen[GRID_WIDTH][GRID_HEIGHT] = {};
    for (int32_t i = 0; i < snakeLength; i++) {
        if (!OnBoard(snake[i]))
            Fail("snake cell off the board");
        if (seen[snake[i].x][snake[i].y])
            Fail("snake covers a cell twice");
        seen[snake[i].x][snake[i].y] = true;
    }
}

// Food on top, every other snake cell green, the rest empty.
void CheckGrid() {
    bool isSnake[GRID_WIDTH][GRID_HEIGHT] = {};
    for (int32_t i = 0; i < snakeLength; i++)
        isSnake[snake[i].x][snake[i].y] = true;
    for (int x = 0; x < GRID_WIDTH; x++) {
        for (int y = 0; y < GRID_HEIGHT; y++) {
            CellKind expected = isSnake[x][y] ? CELL_SNAKE : CELL_EMPTY;
            if (x == food.x && y == food.y)
                expected = CELL_FOOD;
            if (grid[x][y] != expected)
                Fail("grid does not match the snake and food");
        }
    }
}

void Step() {
    if (!IsHeading(direction) && started && !gameOver)
        wildHeading = true;
    bool wasOver = gameOver;
    GameSnapshot before = TakeGameSnapshot();
    UpdateGame();
    if (wasOver && !SameGame(before, TakeGameSnapshot()))
        Fail("a step after the end changed the game");
}

// Program start: every variable zero, the generator at its default seed.
void StartProgram() {
    memset(snake, 0, sizeof snake);
    snakeLength = 0;
    head = Point{0, 0};
    direction = DIR_UP;
    food = Point{0, 0};
    score = 0;
    gameOver = false;
    memset(grid, 0, sizeof grid);
    srand(1);
    started = false;
    wildHeading = false;
}

void RunOp(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange<uint8_t>(0, OP_COUNT - 1)) {
    case OP_RESET:
        ResetGame();
        // ResetGame seeds from the clock; seed from the input instead so that
        // a failure reproduces.
        srand(input.ConsumeIntegral<uint32_t>());
        started = true;
        wildHeading = false;
        break;
    case OP_HEADING: direction = input.ConsumeIntegralInRange<Direction>(DIR_UP, DIR_LEFT); break;
    case OP_ANY_HEADING: direction = input.ConsumeIntegral<Direction>(); break;
    case OP_PLACE_FOOD: PlaceFood(); break;
    case OP_SET_FOOD:
        food.x = input.ConsumeIntegralInRange<int32_t>(0, GRID_WIDTH - 1);
        food.y = input.ConsumeIntegralInRange<int32_t>(0, GRID_HEIGHT - 1);
        break;
    case OP_FOOD_AHEAD: {
        // Onto the head itself when the heading is none of the four.
        Point next = Ahead(head, direction);
        if (OnBoard(next))
            food = next;
        break;
    }
    case OP_STEP: Step(); break;
    case OP_STEPS:
        for (int n = input.ConsumeIntegralInRange<int>(1, 64); n > 0; n--) {
            Step();
            CheckState();
        }
        break;
    case OP_SERPENTINE: {
        direction = SerpentineHeading(head);
        Point next = Ahead(head, direction);
        if (OnBoard(next))
            food = next;
        Step();
        break;
    }
    case OP_BUILD_GRID:
        BuildGrid();
        CheckGrid();
        break;
    default: break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    StartProgram();
    while (input.remaining_bytes() > 0) {
        RunOp(input);
        CheckState();
    }
    return 0;
}
