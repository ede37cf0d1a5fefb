#include "ui/window_procedure.h"

#include "model/game_state.h"
#include "model/game_step.h"
#include "ui/board_painter.h"

#include <cstdint>

int32_t timerInterval = 250;

namespace {

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(window, &paint);
    PaintBoard(hdc);
    EndPaint(window, &paint);
}

// Of several keys between two steps the last one counts; turning back onto
// the snake is left to the step's rules.
void Steer(WPARAM key) {
    switch (key) {
    case VK_LEFT: direction = DIR_LEFT; break;
    case VK_UP: direction = DIR_UP; break;
    case VK_RIGHT: direction = DIR_RIGHT; break;
    case VK_DOWN: direction = DIR_DOWN; break;
    default: break;
    }
}

// The interval stays within 0 and the largest 32-bit value: below zero it
// would reach SetTimer as about 24 days and freeze the game. SetTimer itself
// raises 0 ms to its minimum.
void ChangeSpeed(HWND window, int32_t change) {
    int64_t next = static_cast<int64_t>(timerInterval) + change;
    if (next < 0)
        next = 0;
    if (next > INT32_MAX)
        next = INT32_MAX;
    timerInterval = static_cast<int32_t>(next);
    SetTimer(window, TIMER_ID, static_cast<UINT>(timerInterval), NULL);
}

// No repaint is asked for: the new game shows with the next tick.
void NewGame() {
    PlaceFood();
    ResetGame();
}

void RunMenuCommand(HWND window, WORD id) {
    switch (id) {
    case ID_NEW_GAME: NewGame(); break;
    case ID_QUIT: DestroyWindow(window); break;
    case ID_INCREASE_SPEED: ChangeSpeed(window, -SPEED_STEP); break;
    case ID_DECREASE_SPEED: ChangeSpeed(window, SPEED_STEP); break;
    default: break;
    }
}

void Tick(HWND window) {
    UpdateGame();
    InvalidateRect(window, NULL, TRUE);
}

} // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        DeleteCellBrushes();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: Paint(window); break;
    case WM_ERASEBKGND: return 1; // the cells cover the whole board
    case WM_KEYDOWN: Steer(wParam); break;
    case WM_COMMAND: RunMenuCommand(window, LOWORD(wParam)); break;
    case WM_TIMER: Tick(window); break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
