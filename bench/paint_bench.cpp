// What one tick costs: painting a full board into an 800 x 600 surface (1600 x 1200 device
// pixels at scale 2), next to the floor of writing the same bytes once with memset;
// and the game's own step and grid composition.

#include "model/game_state.h"
#include "model/game_step.h"
#include "tests/support/game_walks.h"
#include "ui/board_painter.h"

#include <win32_testing.h>

#include "platform/core/host.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr int BOARD_WIDTH = GRID_WIDTH * CELL_SIZE;
constexpr int BOARD_HEIGHT = GRID_HEIGHT * CELL_SIZE;
constexpr size_t BOARD_BYTES = size_t{BOARD_WIDTH} * BOARD_HEIGHT * 4;

// A running game whose snake of `length` cells lies along the cycle, head first.
void LaySnake(int length) {
    Point cells[MAX_SNAKE_LENGTH];
    cells[0] = {0, 0};
    for (int i = 1; i < MAX_SNAKE_LENGTH; i++)
        cells[i] = NextOnCycle(cells[i - 1]);
    snakeLength = length;
    for (int i = 0; i < length; i++)
        snake[i] = cells[length - 1 - i];
    head = snake[0];
    direction = HeadingTo(head, NextOnCycle(head));
    score = length - 1;
    gameOver = false;
    food = snake[length / 2];
}

double MemsetFloorNs(size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    double best = 1e18;
    for (int round = 0; round < 50; round++) {
        auto start = std::chrono::steady_clock::now();
        memset(buffer.data(), round & 0xFF, buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
        std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best)
            best = took.count();
    }
    return best;
}

void BM_MemsetBoardBuffer(benchmark::State& state) {
    std::vector<unsigned char> buffer(BOARD_BYTES);
    int value = 0;
    for (auto _ : state) {
        memset(buffer.data(), value++ & 0xFF, buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BOARD_BYTES));
}
BENCHMARK(BM_MemsetBoardBuffer);

// Full board (192 cells, score 191) with or without the end line. Painted
// again as it stands, as at most ticks, where little changes; or in turn with
// a one-cell snake, so that 191 cells are written anew at every paint; at the
// device scale 1, 1.5 or 2 (the argument in percent). The counter floor_ratio is the paint's time
// over the best memset of the same buffer, measured in the same run.
void BM_PaintFullBoard(benchmark::State& state) {
    TestingResetLayer();
    CreateCellBrushes();
    int scale = static_cast<int>(state.range(2)) * SCALE_UNIT / 100;
    HDC dc = TestingCreateSurfaceDC(BOARD_WIDTH, BOARD_HEIGHT, scale);
    bool over = state.range(0) != 0;
    bool changing = state.range(1) != 0;
    LaySnake(MAX_SNAKE_LENGTH);
    gameOver = over;
    int paints = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (changing) {
            LaySnake(paints++ % 2 == 0 ? 1 : MAX_SNAKE_LENGTH);
            gameOver = over;
        }
        PaintBoard(dc);
    }
    std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    double floor = MemsetFloorNs(static_cast<size_t>(CoreDevicePixels(BOARD_WIDTH, scale)) *
                                 static_cast<size_t>(CoreDevicePixels(BOARD_HEIGHT, scale)) *
                                 sizeof(uint32_t));
    state.counters["memset_floor_ns"] = floor;
    state.counters["floor_ratio"] = took.count() / static_cast<double>(state.iterations()) / floor;
    TestingDeleteSurfaceDC(dc);
    DeleteCellBrushes();
}
BENCHMARK(BM_PaintFullBoard)
    ->ArgNames({"over", "changing", "scale"})
    ->Args({0, 0, 100})
    ->Args({1, 0, 100})
    ->Args({0, 1, 100})
    ->Args({0, 0, 150})
    ->Args({0, 1, 150})
    ->Args({0, 0, 200})
    ->Args({0, 1, 200});

// The two halves of a paint apart: the 192 cells, and the score line.
void BM_CellsOnly(benchmark::State& state) {
    TestingResetLayer();
    CreateCellBrushes();
    HDC dc = TestingCreateSurfaceDC(BOARD_WIDTH, BOARD_HEIGHT);
    LaySnake(MAX_SNAKE_LENGTH);
    BuildGrid();
    for (auto _ : state) {
        for (int x = 0; x < GRID_WIDTH; x++) {
            for (int y = 0; y < GRID_HEIGHT; y++) {
                SelectObject(dc, brushes[grid[x][y]]);
                Rectangle(dc, x * CELL_SIZE, y * CELL_SIZE, x * CELL_SIZE + CELL_SIZE,
                          y * CELL_SIZE + CELL_SIZE);
            }
        }
    }
    TestingDeleteSurfaceDC(dc);
    DeleteCellBrushes();
}
BENCHMARK(BM_CellsOnly);

void BM_ScoreLine(benchmark::State& state) {
    TestingResetLayer();
    HDC dc = TestingCreateSurfaceDC(BOARD_WIDTH, BOARD_HEIGHT);
    for (auto _ : state)
        TextOutA(dc, 0, 0, "Score: 191", 10);
    TestingDeleteSurfaceDC(dc);
}
BENCHMARK(BM_ScoreLine);

// One step of a snake of this length going round the cycle: the body check
// and the shift are linear in the length. The food is kept on the cell the
// head has just left, so it is never eaten and the game never ends.
void BM_UpdateGame(benchmark::State& state) {
    Direction headingAt[GRID_WIDTH][GRID_HEIGHT];
    for (int x = 0; x < GRID_WIDTH; x++)
        for (int y = 0; y < GRID_HEIGHT; y++)
            headingAt[x][y] = HeadingTo({x, y}, NextOnCycle({x, y}));
    LaySnake(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        food = head;
        direction = headingAt[head.x][head.y];
        UpdateGame();
    }
    if (gameOver || snakeLength != state.range(0))
        state.SkipWithError("the snake left the cycle");
}
BENCHMARK(BM_UpdateGame)->Arg(1)->Arg(96)->Arg(MAX_SNAKE_LENGTH - 1);

void BM_BuildGrid(benchmark::State& state) {
    LaySnake(MAX_SNAKE_LENGTH);
    for (auto _ : state) {
        BuildGrid();
        benchmark::DoNotOptimize(grid);
    }
}
BENCHMARK(BM_BuildGrid);

} // namespace

BENCHMARK_MAIN();
