#pragma once

#include <windows.h>

#include "model/game_state.h"

constexpr int CELL_SIZE = 50;

// One brush per cell kind, made from the palette at start-up and deleted
// when the window is destroyed.
extern HBRUSH brushes[3];

COLORREF GetCellColor(CellKind kind);
void CreateCellBrushes();
void DeleteCellBrushes();

// Draws all 192 cells and the status lines, whatever the update region.
void PaintBoard(HDC hdc);
