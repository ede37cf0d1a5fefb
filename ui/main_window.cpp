#include <windows.h>

#include "model/game_state.h"
#include "ui/board_painter.h"
#include "ui/window_procedure.h"

namespace {

const char WINDOW_NAME[] = "Slithergrid"; // class name and title alike

constexpr DWORD WINDOW_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The client area holds the whole board; the frame, caption and menu bar come
// on top of it, as large as this desktop draws them.
constexpr int CLIENT_WIDTH = GRID_WIDTH * CELL_SIZE;
constexpr int CLIENT_HEIGHT = GRID_HEIGHT * CELL_SIZE;

struct MenuCommand {
    UINT id;
    const char* text;
};

const MenuCommand GAME_MENU[] = {
    {ID_NEW_GAME, "New Game"},
    {ID_QUIT, "Quit"},
    {ID_INCREASE_SPEED, "Increase Speed"},
    {ID_DECREASE_SPEED, "Decrease Speed"},
};

void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WINDOW_NAME;
    RegisterClassA(&windowClass);
}

HMENU BuildMenuBar() {
    HMENU bar = CreateMenu();
    HMENU game = CreatePopupMenu();
    for (const MenuCommand& command : GAME_MENU)
        AppendMenuA(game, MF_STRING, command.id, command.text);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(game), "Game");
    return bar;
}

HWND CreateMainWindow(HINSTANCE instance, HMENU menu) {
    RECT frame = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRectEx(&frame, WINDOW_STYLE, TRUE, 0);
    return CreateWindowExA(0, WINDOW_NAME, WINDOW_NAME, WINDOW_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, NULL, menu, instance,
                           NULL);
}

} // namespace

// The first food comes before any seeding, so it lies in the same cell on
// every run; the first paint shows it before the snake exists.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
    PlaceFood();
    RegisterWindowClass(instance);
    CreateCellBrushes();
    HMENU menu = BuildMenuBar();
    HWND window = CreateMainWindow(instance, menu);
    if (window == NULL)
        return 1;
    SetTimer(window, TIMER_ID, static_cast<UINT>(timerInterval), NULL);
    ShowWindow(window, showState);
    UpdateWindow(window);
    ResetGame();

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
