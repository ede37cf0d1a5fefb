#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT_PTR TIMER_ID = 1;
constexpr int32_t SPEED_STEP = 25;

// The "Game" menu's commands, in menu order.
constexpr UINT ID_NEW_GAME = 1;
constexpr UINT ID_QUIT = 2;
constexpr UINT ID_INCREASE_SPEED = 3;
constexpr UINT ID_DECREASE_SPEED = 4;

// Milliseconds between two steps.
extern int32_t timerInterval;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
