"""The "Game" menu from the keyboard: New Game, the two speeds and Quit, for
the program that SLITHER_PROGRAM names (native or wine), on the display that
SLITHER_DISPLAY names (x11, kwin or gnome; on sway the menu takes no keys)."""

import os
import subprocess
import time
import unittest

from game_driver import FIRST_FOOD, Game, OpenDisplay

PROGRAM = os.environ.get("SLITHER_PROGRAM", "native")
SCREENSHOT = os.environ.get("SLITHER_SCREENSHOT")


def SteerToFood(game, food, scoreZero, timeout=30):
    """Steers the one-cell snake onto the food, column first, and returns the
    first frame whose score line no longer reads 0. Each key goes out while
    the game is stopped at the frame that shows the move, so it counts for
    the next tick however slow the machine."""
    heading = ["Right"]

    def Steer(frame):
        if frame.ScoreGlyphs() != scoreZero:
            return True
        snake = frame.Cells("S")
        if len(snake) == 1:
            [(x, y)] = snake
            wanted = "Right" if x < food[0] else "Left" if x > food[0] else "Down" if y < food[1] else "Up"
            if wanted != heading[0]:
                game.Keys(wanted)
                heading[0] = wanted
        return False

    return game.StepUntil(Steer, timeout, f"the snake eating the food at {food}")


def MeasureTick(game, cells):
    """Time per step of a snake heading right along row 0, from the first
    frames that show its head in each column; steps missed between two
    captures still count."""

    def Head():
        frame = game.Capture()
        row = [x for x, y in frame.Cells("S") if y == 0] if frame else []
        return (max(row) if row else None), frame

    seen, (head, _) = [], Head()
    deadline = time.monotonic() + 3 + cells
    while not seen or seen[-1][0] - seen[0][0] < cells:
        if time.monotonic() > deadline:
            raise AssertionError(f"the snake went {seen[-1][0] - seen[0][0] if seen else 0} cells along row 0, not {cells}")
        now, frame = Head()
        if now is not None and now != head:
            if seen and now < seen[-1][0]:
                seen = []  # a new game began
            head = now
            seen.append((now, frame.taken))
    return (seen[-1][1] - seen[0][1]) / (seen[-1][0] - seen[0][0])


class MenuTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = OpenDisplay()
        cls.addClassCleanup(cls.display.Close)

    def test_new_game_after_a_lost_game_resets_snake_and_score(self):
        with Game(self.display, PROGRAM) as game:
            game.Activate()
            scoreZero = game.WaitForFrame(lambda frame: True, 20, "a board").ScoreGlyphs()
            food = FIRST_FOOD[PROGRAM]
            eaten = SteerToFood(game, food, scoreZero)
            # The new food falls anywhere, the snake's cells too, and is drawn over them.
            self.assertIn(food, eaten.Cells("S") | eaten.Cells("F"), "the head is not on the food it ate")
            if SCREENSHOT and PROGRAM == "native":
                subprocess.run(["import", "-frame", "-window", str(game.window), f"png:{SCREENSHOT}"], env=self.display.env, check=True)

            # Both first foods lie near the bottom wall, straight on.
            over = game.WaitForFrame(lambda frame: frame.ShowsGameOver(), 20, "'Game Over!' after eating")
            game.Menu("new")
            fresh = game.StepUntil(lambda frame: frame.BoardBytes() != over.BoardBytes(), 15, "the new game at the next tick")
            self.assertFalse(fresh.ShowsGameOver(), "'Game Over!' in the new game")
            snake = fresh.Cells("S")
            if fresh.ScoreGlyphs() != scoreZero:
                # The new food fell right in front of the snake and was eaten.
                self.assertEqual(snake, {(0, 0), (1, 0)}, "score not 0 after New Game")
            else:
                # A busy compositor may show the first tick's frame only with
                # the second.
                self.assertIn(snake, ({(1, 0)}, {(2, 0)}), "the snake after New Game")

    def test_speed_commands_change_the_tick_and_quit_ends_the_program(self):
        with Game(self.display, PROGRAM) as game:
            game.Activate()
            normal = MeasureTick(game, 10)
            for _ in range(4):
                game.Menu("faster")
            game.Menu("new")  # back to the left edge, at the new speed
            fast = MeasureTick(game, 11)
            for _ in range(8):
                game.Menu("slower")
            game.Menu("new")
            slow = MeasureTick(game, 8)
            ticks = f"ticks of {normal * 1000:.0f}, {fast * 1000:.0f}, {slow * 1000:.0f} ms, for 250, 150, 350"
            print(ticks)
            self.assertLess(fast, normal - 0.06, ticks)
            self.assertGreater(slow, normal + 0.06, ticks)
            for measured, wanted in ((normal, 0.25), (fast, 0.15), (slow, 0.35)):
                self.assertAlmostEqual(measured, wanted, delta=0.25 * wanted, msg=ticks)

            game.Menu("quit")
            self.assertEqual(game.WaitForExit(), 0, "exit code after Quit")

    def test_the_close_box_ends_the_game_while_the_menu_is_open(self):
        # A desktop that ends the session asks every window to close, menus open or not.
        with Game(self.display, PROGRAM) as game:
            game.Activate()
            game.WaitForFrame(lambda frame: not frame.MenuOpen(), 20, "a board, the menu closed")
            game.Keys("F10", "Down")
            game.WaitForFrame(lambda frame: frame.MenuOpen(), 20, "the menu open")
            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box with the menu open")


if __name__ == "__main__":
    unittest.main()
