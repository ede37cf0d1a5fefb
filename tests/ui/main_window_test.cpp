#include "model/game_state.h"
#include "ui/window_procedure.h"

#include <win32_testing.h>

#include <gtest/gtest.h>

#include <cstdlib>

// Each test runs in a process of its own, so the game starts zeroed and the
// generator unseeded.

TEST(WinMain, PlacesTheFirstFoodFromTheUnseededGeneratorAndShowsItBeforeTheReset) {
    TestingResetLayer();
    TestingSetHeadless(true);
    PostQuitMessage(0); // lets the loop end as soon as it starts
    int firstX = 0, firstY = 0;
    {
        // The food WinMain draws first is what an unseeded generator gives.
        srand(1);
        firstX = rand() % GRID_WIDTH;
        firstY = rand() % GRID_HEIGHT;
        srand(1);
    }
    EXPECT_EQ(WinMain(NULL, NULL, const_cast<char*>("ignored --args"), SW_SHOWDEFAULT), 0);
    EXPECT_EQ(food.x, firstX);
    EXPECT_EQ(food.y, firstY);
    EXPECT_EQ(snakeLength, 1) << "the game was not reset";
    EXPECT_EQ(direction, DIR_RIGHT);
}

TEST(WinMain, ReturnsOneWhenNoWindowCanBeMade) {
    TestingResetLayer();
    TestingSetHeadless(false);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(WinMain(NULL, NULL, const_cast<char*>(""), SW_SHOWDEFAULT), 1);
}
