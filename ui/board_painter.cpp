#include "ui/board_painter.h"

#include <cstring>

HBRUSH brushes[3];

namespace {

const COLORREF PALETTE[3] = {
    RGB(255, 255, 255), // CELL_EMPTY
    RGB(0, 255, 0),     // CELL_SNAKE
    RGB(255, 0, 0),     // CELL_FOOD
};

const char GAME_OVER_TEXT[] = "Game Over!";
constexpr int GAME_OVER_TOP = 16;

} // namespace

COLORREF GetCellColor(CellKind kind) {
    return PALETTE[kind];
}

void CreateCellBrushes() {
    for (int kind = CELL_EMPTY; kind <= CELL_FOOD; kind++)
        brushes[kind] = CreateSolidBrush(GetCellColor(kind));
}

void DeleteCellBrushes() {
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
}

// The pen is never changed, so every cell gets the default black outline;
// the text goes over the top-left cells with the device context's defaults.
void PaintBoard(HDC hdc) {
    BuildGrid();
    for (int x = 0; x < GRID_WIDTH; x++) {
        for (int y = 0; y < GRID_HEIGHT; y++) {
            SelectObject(hdc, brushes[grid[x][y]]);
            Rectangle(hdc, x * CELL_SIZE, y * CELL_SIZE, x * CELL_SIZE + CELL_SIZE,
                      y * CELL_SIZE + CELL_SIZE);
        }
    }
    char text[32];
    wsprintfA(text, "Score: %d", score);
    TextOutA(hdc, 0, 0, text, static_cast<int>(strlen(text)));
    if (gameOver)
        TextOutA(hdc, 0, GAME_OVER_TOP, GAME_OVER_TEXT, sizeof GAME_OVER_TEXT - 1);
}
