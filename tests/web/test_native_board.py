"""The web version and the native program draw the same board: both run
straight into the right wall, and their end frames match pixel for pixel,
cell by cell, apart from the two text lines (each draws them with its own
fonts)."""

import unittest

from web_driver import Page, Site  # noqa: I001 (puts the desktop tests on the path)
from game_driver import FIRST_FOOD, GRID_WIDTH, BoardDifferences, BoundingBox, CellMismatches, Display, DrawnBoard, Game


def EndState(program):
    return DrawnBoard({(GRID_WIDTH - 1, 0)}, FIRST_FOOD[program])


class NativeBoardTest(unittest.TestCase):
    def test_the_end_of_a_game_on_both(self):
        with Display(scale=1) as display, Game(display, "native") as game:
            native = game.WaitForFrame(lambda frame: frame.ShowsGameOver(), 20, "'Game Over!' from the native program")
        with Site() as site, Page(site, scale=1) as page:
            web = page.WaitForFrame(lambda frame: frame.ShowsGameOver(), 30, "'Game Over!' on the page")
        self.assertEqual(native.Board(), EndState("native"))
        self.assertEqual(web.Board(), EndState("web"))

        nativeText = BoundingBox(BoardDifferences(native, EndState("native")))
        webText = BoundingBox(BoardDifferences(web, EndState("web")))
        text = max(nativeText[2], webText[2]), max(nativeText[3], webText[3])
        # The first foods lie in different cells; every cell of a kind is drawn alike.
        swap = {FIRST_FOOD["native"]: FIRST_FOOD["web"], FIRST_FOOD["web"]: FIRST_FOOD["native"]}
        mismatches = CellMismatches(native, web, swap, text)
        self.assertEqual(mismatches[:10], [], f"{len(mismatches)} pixels differ (cell x, cell y, dx, dy)")


if __name__ == "__main__":
    unittest.main()
