"""The web version in the browser engine SLITHER_WEB_ENGINE names (chromium,
firefox, webkit) at the device scale SLITHER_WEB_SCALE names: the board pixel
for pixel, the first food, the arrows, a new device scale, the "Game" menu by
keyboard and by mouse, the page after "Quit", and no console errors."""

import unittest

from web_driver import Page, Site  # noqa: I001 (puts the desktop tests on the path)
from game_driver import CELL_SIZE, FIRST_FOOD, GRID_WIDTH, BoardDifferences, BoundingBox, DrawnBoard, WaitUntil

FOOD = FIRST_FOOD["web"]


def Head(frame):
    """The snake's rightmost column, which is its head's while it runs right
    along row 0 as every game begins; None without a snake."""
    snake = frame.Cells("S")
    return max(x for x, _ in snake) if snake else None


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = Site().__enter__()
        cls.addClassCleanup(cls.site.__exit__)

    def test_first_food_board_and_the_wall(self):
        with Page(self.site) as page:
            self.assertEqual(page.browser.title, "Slithergrid")
            first = page.WaitForFrame(lambda frame: frame.Cells("F"), 30, "the first food")
            self.assertEqual(first.Cells("F"), {FOOD})
            # The snake runs right along row 0 into the wall, below the food's row.
            end = page.WaitForFrame(lambda frame: frame.ShowsGameOver(), 30, "'Game Over!'")
            board = DrawnBoard({(GRID_WIDTH - 1, 0)}, FOOD)
            text = BoundingBox(BoardDifferences(end, board))
            self.assertTrue(text is not None and text[2] <= 3 * CELL_SIZE and text[3] <= 40, f"the board differs from its cells outside the text lines: {text}")
            self.assertEqual(page.ConsoleErrors(), [])

    def test_the_store_follows_a_new_device_scale(self):
        with Page(self.site) as page:
            if page.scale != 1:
                self.skipTest("a browser started at a forced device scale keeps it for screenshots")
            scale = 2
            page.SetScale(scale)
            WaitUntil(lambda: page.Script("return document.getElementById('client').width") == 800 * scale, 20, f"a store at scale {scale}")
            page.scale = scale
            end = page.WaitForFrame(lambda frame: frame.ShowsGameOver(), 30, "'Game Over!'")
            text = BoundingBox(BoardDifferences(end, DrawnBoard({(GRID_WIDTH - 1, 0)}, FOOD)))
            self.assertTrue(text is not None and text[2] <= 3 * CELL_SIZE and text[3] <= 40, f"the board differs from its cells outside the text lines: {text}")

    def test_an_arrow_without_a_click_then_the_menu_by_keyboard_and_by_mouse_then_quit(self):
        with Page(self.site) as page:
            # An arrow steers as soon as the page has loaded, and does not scroll it.
            page.Script("addEventListener('keydown', e => window.prevented = e.defaultPrevented)")
            page.Keys("Down")
            page.WaitForFrame(lambda frame: any(y > 0 for _, y in frame.Cells("S")), 20, "the snake heading down")
            self.assertTrue(page.Script("return window.prevented"), "the arrow also reached the page")

            roles = page.Script(
                "return [...document.querySelectorAll('[role=menubar] > li > [role=menuitem], [role=menu] > [role=menuitem]')].map(e => e.textContent)"
            )
            self.assertEqual(roles, ["Game", "New Game", "Quit", "Increase Speed", "Decrease Speed"])

            page.WaitForFrame(lambda frame: frame.ShowsGameOver(), 30, "'Game Over!' at the bottom wall")
            page.Keys("F10", "Down", "Return")
            page.WaitForFrame(lambda frame: not frame.ShowsGameOver() and Head(frame) is not None, 20, "a new game from the keyboard")

            # From the end of a game, so that the new one shows for as long
            # as a game lasts, however slow a capture is.
            page.WaitForFrame(lambda frame: frame.ShowsGameOver(), 30, "'Game Over!' at the right wall")
            page.Click("Game")
            page.Click("New Game")
            page.WaitForFrame(lambda frame: not frame.ShowsGameOver() and Head(frame) is not None, 20, "a new game from the mouse")
            self.assertEqual(page.ConsoleErrors(), [])

            page.Keys("F10", "Down", "Down", "Return")
            ended = lambda: page.Script("return document.getElementById('ended').hidden ? null : document.getElementById('ended').textContent")
            text = WaitUntil(ended, 20, "the page saying that the game has ended")
            self.assertIn("Slithergrid has ended.", text)
            self.assertTrue(page.Script("return document.getElementById('window').hidden"))
            page.Keys("Return")  # on the offer to start again
            page.WaitForFrame(lambda frame: not frame.ShowsGameOver() and Head(frame) is not None, 30, "the game started again")


if __name__ == "__main__":
    unittest.main()
