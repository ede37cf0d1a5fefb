#include "ui/window_procedure.h"

#include "game_window.h"

#include "model/game_state.h"
#include "ui/board_painter.h"

#include <win32_testing.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A game window without a display, its first paint done and a fresh game
// with the food out of the way.
class GameWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window = OpenGameWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        TestingResetLayer();
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return WindowProc(window, message, wParam, lParam);
    }
    LRESULT Command(UINT id) {
        return Send(WM_COMMAND, id);
    }
    HWND window = NULL;
};

// What the next PlaceFood gives after seeding the generator with `seed`.
Point FoodAfterSeed(unsigned seed) {
    srand(seed);
    int x = rand() % GRID_WIDTH;
    int y = rand() % GRID_HEIGHT;
    srand(seed);
    return {x, y};
}

} // namespace

TEST_F(GameWindow, ATickStepsTheGameAndAsksForARepaint) {
    ASSERT_FALSE(TestingIsPaintPending(window));
    Send(WM_TIMER, TIMER_ID);
    EXPECT_EQ(snake[0].x, 1);
    EXPECT_EQ(snake[0].y, 0);
    EXPECT_TRUE(TestingIsPaintPending(window));

    UpdateWindow(window);
    EXPECT_FALSE(TestingIsPaintPending(window));
    EXPECT_EQ(TestingGetClientPixel(window, 75, 25), GetCellColor(CELL_SNAKE));

    Send(WM_TIMER, 77); // any timer steps the game: there is only the one
    EXPECT_EQ(snake[0].x, 2);
}

TEST_F(GameWindow, TicksAfterTheEndStillRepaintAndChangeNothing) {
    direction = DIR_UP;
    Send(WM_TIMER, TIMER_ID);
    ASSERT_TRUE(gameOver);
    UpdateWindow(window);
    Send(WM_TIMER, TIMER_ID);
    EXPECT_TRUE(TestingIsPaintPending(window));
    EXPECT_EQ(snakeLength, 1);
    EXPECT_EQ(head.y, 0);
}

TEST_F(GameWindow, ArrowKeysSteerAndOtherKeysDoNothing) {
    struct Case {
        UINT key;
        Direction heading;
    };
    for (Case c : {Case{VK_LEFT, DIR_LEFT}, Case{VK_UP, DIR_UP}, Case{VK_RIGHT, DIR_RIGHT},
                   Case{VK_DOWN, DIR_DOWN}}) {
        Send(WM_KEYDOWN, c.key);
        EXPECT_EQ(direction, c.heading) << "key " << c.key;
        for (UINT other : {UINT('A'), UINT(VK_SPACE), UINT(VK_RETURN), 0x25u + 0x10000u})
            Send(WM_KEYDOWN, other);
        EXPECT_EQ(direction, c.heading) << "after other keys";
    }
}

TEST_F(GameWindow, OfSeveralKeysBetweenTwoTicksTheLastCounts) {
    for (int i = 0; i < 5000; i++)
        Send(WM_KEYDOWN, i % 2 ? VK_UP : VK_LEFT);
    Send(WM_KEYDOWN, VK_DOWN);
    Send(WM_TIMER, TIMER_ID);
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(head.x, 0);
    EXPECT_EQ(head.y, 1);
}

TEST_F(GameWindow, NewGamePlacesTheFoodThenResetsWithoutRepainting) {
    Send(WM_TIMER, TIMER_ID);
    Send(WM_TIMER, TIMER_ID);
    UpdateWindow(window);
    score = 3;
    direction = DIR_DOWN;
    Point expected = FoodAfterSeed(4242);
    Command(ID_NEW_GAME);
    EXPECT_EQ(food.x, expected.x);
    EXPECT_EQ(food.y, expected.y);
    EXPECT_EQ(snakeLength, 1);
    EXPECT_EQ(head.x, 0);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(direction, DIR_RIGHT);
    EXPECT_FALSE(TestingIsPaintPending(window));
}

TEST_F(GameWindow, OnlyTheLowWordOfACommandCounts) {
    gameOver = true;
    Command(ID_NEW_GAME | 0x00010000u);
    EXPECT_FALSE(gameOver);

    for (UINT unknown : {0u, 5u, 0xFFFFu, 0x10000u, 0x10005u}) {
        gameOver = true;
        Command(unknown);
        EXPECT_TRUE(gameOver) << "command " << unknown;
        EXPECT_EQ(timerInterval, 250);
        EXPECT_TRUE(TestingIsWindowAlive(window));
    }
}

TEST_F(GameWindow, SpeedCommandsMoveTheIntervalBy25WithinItsBounds) {
    Command(ID_INCREASE_SPEED);
    EXPECT_EQ(timerInterval, 225);
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 225u);
    for (int i = 0; i < 9; i++)
        Command(ID_INCREASE_SPEED);
    EXPECT_EQ(timerInterval, 0);
    for (int i = 0; i < 5; i++)
        Command(ID_INCREASE_SPEED);
    EXPECT_EQ(timerInterval, 0) << "the interval went below zero";
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), static_cast<UINT>(USER_TIMER_MINIMUM));
    Command(ID_DECREASE_SPEED);
    EXPECT_EQ(timerInterval, 25);

    timerInterval = INT32_MAX - 10;
    Command(ID_DECREASE_SPEED);
    EXPECT_EQ(timerInterval, INT32_MAX) << "the interval overflowed";
    EXPECT_EQ(TestingTimerInterval(window, TIMER_ID), 0x7FFFFFFFu);
    Command(ID_DECREASE_SPEED);
    EXPECT_EQ(timerInterval, INT32_MAX);
}

TEST_F(GameWindow, FastestSpeedStillTicksThroughTheLoop) {
    for (int i = 0; i < 12; i++)
        Command(ID_INCREASE_SPEED);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
    DispatchMessageA(&msg);
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_TIMER)) << "a 0 ms timer never fired";
    EXPECT_EQ(head.x, 1);
}

TEST_F(GameWindow, EraseBackgroundIsAnsweredWithoutErasing) {
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
    COLORREF foodPixel = TestingGetClientPixel(window, 9 * CELL_SIZE + 25, 9 * CELL_SIZE + 25);
    ASSERT_EQ(foodPixel, GetCellColor(CELL_FOOD));
    InvalidateRect(window, NULL, TRUE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    EndPaint(window, &paint);
    EXPECT_EQ(TestingGetClientPixel(window, 9 * CELL_SIZE + 25, 9 * CELL_SIZE + 25), foodPixel);
}

TEST_F(GameWindow, QuitDestroysTheWindowDeletesTheBrushesAndEndsTheLoop) {
    int brushesBefore = TestingLiveBrushCount();
    EXPECT_EQ(Command(ID_QUIT), 0);
    EXPECT_FALSE(TestingIsWindowAlive(window));
    EXPECT_EQ(TestingLiveBrushCount(), brushesBefore - 3);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), 0);
}

TEST_F(GameWindow, TheCloseBoxTakesTheSamePathAsQuit) {
    TestingPressCloseBox(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0))
        DispatchMessageA(&msg);
    EXPECT_FALSE(TestingIsWindowAlive(window));
    COLORREF color;
    EXPECT_FALSE(TestingGetBrushColor(brushes[CELL_EMPTY], &color));
}
