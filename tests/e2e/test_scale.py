"""At a device scale of 2 the native program draws its board at double size,
pixel-exact and sharp: on X11 with GDK_SCALE=2, and on a Wayland desktop
whose output is at scale 2. On Wayland its window also names the desktop
entry by its app id. On KWin, which offers fractional scales, the board is as
exact at 125 % and 150 %."""

import glob
import os
import re
import unittest

from game_driver import BLACK, CELL_SIZE, GRID_HEIGHT, GRID_WIDTH, FIRST_FOOD, GREEN, RED, SOURCE_DIR, WHITE, BoardDifferences, BoundingBox, CellSpan, Device, Display, DisplayKind, DrawnBoard, ExpectedRow, Game, KWinDisplay

FOOD = FIRST_FOOD["native"]
SCORE_LINE = (2, 2, 150, 15)  # inside the top-left cells' outlines, in board pixels


def ScoreLine(frame):
    """The score line's screen pixels, by position, and its ink."""
    left, top, right, bottom = (Device(value, frame.scale) for value in SCORE_LINE)
    pixels = {(x, y): frame.DevicePixel(x, y) for y in range(top, bottom) for x in range(left, right)}
    return pixels, {point for point, pixel in pixels.items() if pixel == BLACK}


def MixedBlocks(frame):
    """Aligned 2 x 2 squares of the score line that are partly ink: none
    where a scale-1 drawing was enlarged."""
    pixels, ink = ScoreLine(frame)
    return sum(len({(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)} & ink) in (1, 2, 3) for x, y in pixels if x % 2 == 0 and y % 2 == 0)


def ExactBoard(test, frame):
    """Every cell's edges and outlines where the device scale puts them, in
    exact colours, outside the score line's box; the score line in black and
    white only. Returns the snake."""
    test.assertEqual(frame.Cells("F"), {FOOD}, "the first food")
    snake = frame.Cells("S")
    box = BoundingBox(BoardDifferences(frame, DrawnBoard(snake, FOOD)))
    test.assertTrue(box is None or (box[2] <= 160 and box[3] <= 20), f"board pixels differ from the cells' drawing within {box}")
    pixels, ink = ScoreLine(frame)
    test.assertGreater(len(ink), 40 * frame.scale**2, "no score line")
    test.assertLessEqual(set(pixels.values()), {BLACK, WHITE, GREEN, RED}, "smoothed glyphs")
    return snake


def BottomRowExact(frame):
    """Whether the bottom row of cells, which the game leaves empty at the
    start, lies where the frame's scale puts it, in a quick look at its
    outlines and its middle."""
    width, bottom = Device(GRID_WIDTH * CELL_SIZE, frame.scale), GRID_HEIGHT * CELL_SIZE
    rows = [Device(bottom - CELL_SIZE, frame.scale), Device(bottom - CELL_SIZE // 2, frame.scale), Device(bottom, frame.scale) - 1]
    return all(frame.image.Row(frame.origin[0], frame.origin[1] + y, width) == ExpectedRow(DrawnBoard(), y, frame.scale) for y in rows)


def SharpBoard(test, frame):
    """Every cell as drawn at scale 2: 100 screen pixels a side, outlines two
    pixels wide; the score line's glyphs shaped at the screen's resolution
    rather than in 2 x 2 blocks."""
    test.assertEqual(frame.scale, 2)
    test.assertLessEqual(len(ExactBoard(test, frame)), 1, "the snake at the start")
    test.assertGreater(MixedBlocks(frame), 20, "the score line's ink comes in 2 x 2 blocks")


class ScaleTest(unittest.TestCase):
    def test_x11_at_gdk_scale_2(self):
        with Display(1800, 1400, scale=2) as display, Game(display, "native") as game:
            SharpBoard(self, game.StepUntil(lambda frame: True, 20, "a board at 100-pixel cells"))
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
                game.StepUntil(lambda frame: True, 20, "a board at scale 1")
                # GTK shows the store of scale 1 enlarged until the program
                # has painted the new one.
                display.SetScale(2)
            SharpBoard(self, game.StepUntil(lambda frame: MixedBlocks(frame) > 20, 20, "the board painted at scale 2"))
            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")

    def test_kwin_at_125_and_150_percent(self):
        """The board exact at the screen's resolution, cells of 62 or 63 and
        of 75 screen pixels; the game still steers, takes New Game from the
        menu and closes. KWin snaps a surface placed on half a device pixel
        to a whole one, so where the client area was placed is read from the
        protocol log."""
        for scale, widths in ((1.25, {62, 63}), (1.5, {75})):
            with self.subTest(scale=scale), KWinDisplay(1280, 1024, scale=scale) as display:
                display.env["WAYLAND_DEBUG"] = "1"
                with Game(display, "native") as game:
                    display.Move(game.window, 240, 200)  # on whole device pixels at either scale
                    game.Activate()
                    # The first frames come at GTK's scale of 2, until the compositor's own scale comes.
                    frame = game.StepUntil(lambda frame: frame.Cells("S") and BottomRowExact(frame), 20, f"the board at {scale}")
                    ExactBoard(self, frame)
                    self.assertEqual({CellSpan(i + 1, scale)[0] - CellSpan(i, scale)[0] for i in range(15)}, widths, "the cells the board matched")

                    game.Keys("Down")
                    steered = game.StepUntil(lambda frame: any(y > 0 for _, y in frame.Cells("S")), 20, "the snake heading down")
                    self.assertFalse(steered.ShowsGameOver(), "the game over before the snake turned")
                    ExactBoard(self, steered)
                    game.Menu("new")
                    fresh = game.StepUntil(lambda frame: {y for _, y in frame.Cells("S")} == {0}, 20, "a new game from the menu")
                    self.assertFalse(fresh.ShowsGameOver(), "'Game Over!' in the new game")
                    game.PressCloseBox()
                    self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")
                    game.errors.seek(0)
                    placed = re.findall(rb"wl_subsurface@\d+\.set_position\((-?\d+), (-?\d+)\)", game.errors.read())
                    self.assertTrue(placed, "no client area's subsurface")
                    device = [float(value) * scale for value in placed[-1]]
                    self.assertTrue(all(value.is_integer() for value in device), f"the client area at {device} device pixels")

if __name__ == "__main__":
    unittest.main()
