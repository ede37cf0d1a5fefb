"""The native program and the .exe under Wine draw the same board: both run
straight into the right wall, and their end frames must match pixel for
pixel, cell by cell, apart from the two text lines."""

import unittest

from game_driver import CELL_SIZE, FIRST_FOOD, GRID_WIDTH, BoardDifferences, BoundingBox, CellMismatches, Display, DrawnBoard, Game


def EndFrame(display, program):
    """The frame after the snake has hit the right wall, and the box that the
    text lines cover in it."""
    with Game(display, program) as game:
        end = game.WaitForFrame(lambda frame: frame.ShowsGameOver(), 20, f"'Game Over!' from {program}")
    board = DrawnBoard({(GRID_WIDTH - 1, 0)}, FIRST_FOOD[program])
    return end, board, BoundingBox(BoardDifferences(end, board))


class BothProgramsTest(unittest.TestCase):
    def test_same_state_same_cells(self):
        with Display() as display:
            native, nativeBoard, nativeText = EndFrame(display, "native")
            wine, wineBoard, wineText = EndFrame(display, "wine")
        self.assertEqual(native.Board(), nativeBoard, "native end state")
        self.assertEqual(wine.Board(), wineBoard, "Wine end state")
        print(f"text lines cover {nativeText} natively and {wineText} under Wine")
        for name, box in (("native", nativeText), ("Wine", wineText)):
            self.assertTrue(box is not None and box[2] <= 3 * CELL_SIZE and box[3] <= 40, f"{name} board differs from its cells outside the text lines: {box}")

        # The two foods lie in different cells; every cell of a kind is drawn
        # alike, so the native food cell is held against Wine's, and back.
        swap = {FIRST_FOOD["native"]: FIRST_FOOD["wine"], FIRST_FOOD["wine"]: FIRST_FOOD["native"]}
        text = max(nativeText[2], wineText[2]), max(nativeText[3], wineText[3])
        mismatches = CellMismatches(native, wine, swap, text)
        self.assertEqual(mismatches[:10], [], f"{len(mismatches)} pixels differ (cell x, cell y, dx, dy)")


if __name__ == "__main__":
    unittest.main()
