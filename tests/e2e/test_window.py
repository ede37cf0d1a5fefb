"""The window, its first frame and board on screen, steering, and the end of a
game at a wall, for the program that SLITHER_PROGRAM names (native or wine),
on the display that SLITHER_DISPLAY names (x11, wayland, kwin or gnome)."""

import os
import time
import unittest

from game_driver import BOARD_HEIGHT, BOARD_WIDTH, FIRST_FOOD, BoardDifferences, BoundingBox, DrawnBoard, Game, OpenDisplay

PROGRAM = os.environ.get("SLITHER_PROGRAM", "native")
# A program of another architecture under its emulator (arm64 under qemu)
# starts several times slower than on any real machine: a tick or two may
# pass before its window is first seen.
EMULATED = bool(os.environ.get("SLITHER_NATIVE_EMULATOR"))


class WindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = OpenDisplay()
        cls.addClassCleanup(cls.display.Close)

    def test_first_frames_and_the_whole_board_below_the_menu_bar(self):
        with Game(self.display, PROGRAM) as game:
            # The first paint comes before the game is reset: the food drawn
            # from the default seed and the score line, no snake. The first
            # tick, 250 ms later, moves the new snake to (1, 0). Stepping the
            # game from the moment the window maps, the first board seen is
            # that paint, or on a slow start the first tick's, which the
            # host may already hold when it first shows the window.
            first = game.StepUntil(lambda frame: True, 20, "a board in the window")
            snake = firstSnake = first.Cells("S")
            late = ({(2, 0)}, {(3, 0)}) if EMULATED else ()
            self.assertIn(snake, (set(), {(1, 0)}) + late, "the first frame after mapping")
            self.assertEqual(first.Cells("F"), {FIRST_FOOD[PROGRAM]}, "the first food")
            self.assertGreater(first.DarkPixels(1, 16), 20, "no score line at the top left")
            self.assertFalse(first.ShowsGameOver(), "'Game Over!' at the start")
            outline = [first.Pixel(0, y) for y in range(2, 14)] + [first.Pixel(x, 0) for x in range(2, 30)]
            self.assertNotIn((0, 0, 0), outline, "the score line's box does not hide the cell outline under it")
            # A loaded machine may let one tick pass between two captures, and
            # a busy compositor may show a tick's frame only with the next
            # one, so the next board seen is one or two cells further along
            # row 0.
            column = max((x for x, _ in snake), default=0)
            while column < (4 if EMULATED else 2):  # a tick seen, wherever the snake was first
                before = snake
                changed = game.StepUntil(lambda frame: frame.Cells("S") != before, 10, f"a tick after {snake}")
                snake = changed.Cells("S")
                self.assertIn(snake, ({(column + 1, 0)}, {(column + 2, 0)}), f"the tick after {before}")
                [(column, _)] = snake

            left, top, width, height = game.Geometry()
            screenWidth, screenHeight = self.display.size
            x, y = first.origin
            self.assertGreaterEqual(y, 15, "no menu bar above the board")
            # Dark text, or grey in the first frames on desktops that make the
            # window active only once it is shown (KWin, GNOME).
            menuGlyphs = sum(max(first.image.Pixel(i, j)) < 160 for j in range(y) for i in range(width))
            self.assertGreater(menuGlyphs, 10, "the strip above the board holds no menu text")
            self.assertLessEqual(x + BOARD_WIDTH, width, "the board is wider than the window")
            self.assertLessEqual(y + BOARD_HEIGHT, height, "the board is taller than the window")
            self.assertTrue(0 <= left + x and left + x + BOARD_WIDTH <= screenWidth, "the board leaves the screen")
            self.assertTrue(0 <= top + y and top + y + BOARD_HEIGHT <= screenHeight, "the board leaves the screen")

            # All 192 cells exact, outlines on every side included; only the
            # score line may cover them.
            differences = BoardDifferences(first, DrawnBoard(firstSnake, FIRST_FOOD[PROGRAM]))
            box = BoundingBox(differences)
            self.assertTrue(box is None or (box[2] <= 160 and box[3] <= 20), f"board pixels differ from the cells' drawing within {box}")

            if self.display.name == "x11":
                hints = self.display.Run("xprop", "-id", str(game.window), "WM_NORMAL_HINTS").stdout.decode()
                self.assertIn(f"minimum size: {width} by {height}", hints, "the window can be resized")
                self.assertIn(f"maximum size: {width} by {height}", hints, "the window can be resized")

            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")

    def test_arrow_key_turns_the_snake_and_the_wall_ends_the_game(self):
        with Game(self.display, PROGRAM) as game:
            game.Activate()
            # At (2, 0), or a cell or two further where the compositor showed
            # that tick late.
            # The arrow goes out while the game is stopped at (2, 0), so it is
            # waiting for the game however slow the machine: the snake turns
            # at the next tick, or a cell later where the compositor showed
            # the last tick late.
            start = game.StepUntil(lambda frame: frame.Cells("S") in ({(2, 0)}, {(3, 0)}, {(4, 0)}), 15, "the snake at (2, 0)", then=lambda: game.Keys("Down"))
            [(startColumn, _)] = start.Cells("S")
            self.assertEqual(start.DarkPixels(17, 32), 0, "glyphs in the end line's rows while the game runs")
            turned = game.StepUntil(lambda frame: any(y > 0 for _, y in frame.Cells("S")), 15, "the snake heading down")
            [(column, row)] = turned.Cells("S")
            self.assertIn((column, row), [(startColumn + i, 1) for i in range(3)], "the turn")

            end = game.WaitForFrame(lambda frame: frame.ShowsGameOver(), 20, "'Game Over!' at the bottom wall")
            self.assertEqual(end.Cells("S"), {(column, 11)}, "the snake as it stood before the fatal step")
            self.assertEqual(end.Cells("F"), {FIRST_FOOD[PROGRAM]})
            # The timer goes on and repaints, but nothing changes any more.
            frozen = end.BoardBytes()
            until = time.monotonic() + 1.2
            while time.monotonic() < until:
                later = game.Capture()
                if later is not None:
                    self.assertEqual(later.BoardBytes(), frozen, f"the board changed after the end: {later.Board()}")


if __name__ == "__main__":
    unittest.main()
