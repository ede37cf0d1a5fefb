"""At a device scale of 2 the native program draws its board at double size,
pixel-exact and sharp: on X11 with GDK_SCALE=2, and on a Wayland desktop
whose output is at scale 2. On Wayland its window also names the desktop
entry by its app id."""

import glob
import os
import unittest

from game_driver import BLACK, FIRST_FOOD, GREEN, RED, SOURCE_DIR, WHITE, BoardDifferences, BoundingBox, Display, DisplayKind, DrawnBoard, Game

FOOD = FIRST_FOOD["native"]
SCORE_LINE = (2, 2, 150, 15)  # inside the top-left cells' outlines, in board pixels


def ScoreLine(frame):
    """The score line's screen pixels at scale 2, by position, and its ink."""
    left, top, right, bottom = (2 * value for value in SCORE_LINE)
    pixels = {(x, y): frame.DevicePixel(x, y) for y in range(top, bottom) for x in range(left, right)}
    return pixels, {point for point, pixel in pixels.items() if pixel == BLACK}


def MixedBlocks(frame):
    """Aligned 2 x 2 squares of the score line that are partly ink: none
    where a scale-1 drawing was enlarged."""
    pixels, ink = ScoreLine(frame)
    return sum(len({(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)} & ink) in (1, 2, 3) for x, y in pixels if x % 2 == 0 and y % 2 == 0)


def SharpBoard(test, frame):
    """Every cell as drawn at scale 2: 100 screen pixels a side, outlines two
    pixels wide, exact colours; the score line in black and white only, its
    glyphs shaped at the screen's resolution rather than in 2 x 2 blocks."""
    test.assertEqual(frame.scale, 2)
    test.assertEqual(frame.Cells("F"), {FOOD}, "the first food")
    snake = frame.Cells("S")
    test.assertLessEqual(len(snake), 1, "the snake at the start")
    box = BoundingBox(BoardDifferences(frame, DrawnBoard(snake, FOOD)))
    test.assertTrue(box is None or (box[2] <= 160 and box[3] <= 20), f"board pixels differ from the cells' drawing within {box}")
    pixels, ink = ScoreLine(frame)
    test.assertGreater(len(ink), 4 * 40, "no score line")
    test.assertLessEqual(set(pixels.values()), {BLACK, WHITE, GREEN, RED}, "smoothed glyphs")
    test.assertGreater(MixedBlocks(frame), 20, "the score line's ink comes in 2 x 2 blocks")


class ScaleTest(unittest.TestCase):
    def test_x11_at_gdk_scale_2(self):
        with Display(1800, 1400, scale=2) as display, Game(display, "native") as game:
            SharpBoard(self, game.StepUntil(lambda frame: True, 5, "a board at 100-pixel cells"))
            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")

    def test_wayland_output_at_scale_2_and_the_app_id(self):
        """On the Wayland desktop that SLITHER_DISPLAY names (sway by default)
        the output goes from scale 1 to 2 under the running game; on KWin
        and GNOME it is at scale 2 before the game starts."""
        kind = DisplayKind("wayland")
        with kind(1800, 1400, scale=1 if kind.RESCALES else 2) as display, Game(display, "native") as game:
            [entry] = glob.glob(os.path.join(SOURCE_DIR, "data", "*.desktop"))
            self.assertEqual(display.AppId(game.window) + ".desktop", os.path.basename(entry), "app id and desktop entry")
            if kind.RESCALES:
                game.StepUntil(lambda frame: True, 5, "a board at scale 1")
                # GTK shows the store of scale 1 enlarged until the program
                # has painted the new one.
                display.SetScale(2)
            SharpBoard(self, game.StepUntil(lambda frame: MixedBlocks(frame) > 20, 5, "the board painted at scale 2"))
            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")

if __name__ == "__main__":
    unittest.main()
