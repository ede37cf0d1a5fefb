#include "game_window.h"

#include "model/game_state.h"
#include "ui/board_painter.h"
#include "ui/window_procedure.h"

#include <win32_testing.h>

HWND OpenGameWindow() {
    TestingResetLayer();
    TestingSetHeadless(true);
    timerInterval = 250;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = "GameWindowTest";
    RegisterClassA(&windowClass);
    CreateCellBrushes();
    HWND window = CreateWindowExA(0, "GameWindowTest", "Game", WS_OVERLAPPED, 0, 0, 800, 600, NULL,
                                  NULL, NULL, NULL);
    if (window == NULL)
        return NULL;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    food = {9, 9};
    ResetGame();
    return window;
}
