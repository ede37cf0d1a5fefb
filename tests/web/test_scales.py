"""The web version in headless Chromium at fractional device ratios: the
canvas's store is its device box on whole device pixels, and the screen shows
the board exactly where the layer's rule (x * scale / 120, rounded half up)
puts every edge, the text black without grey: nothing resampled."""

import subprocess
import unittest

from web_driver import Page, Site  # noqa: I001 (puts the desktop tests on the path)
from game_driver import BLACK, CELL_SIZE, FILL, FIRST_FOOD, GRID_WIDTH, BoundingBox, DrawnBoard, Frame, Image, WaitUntil

CANVAS = "const c = document.getElementById('client'), b = c.getBoundingClientRect(); return [WebHost.scale, devicePixelRatio, c.width, c.height, b.left, b.top, b.right, b.bottom]"


def DevicePixels(logical, scale):
    return (logical * scale + 60) // 120


class ScaledFrame(Frame):
    def Pixel(self, x, y):
        return self.DevicePixel(DevicePixels(x, self.scale), DevicePixels(y, self.scale))

    def Differences(self, board):
        """Device pixels (x, y, colour) that differ from `board` as the rule draws it."""

        def Bands(cells):  # each device pixel's cell along a line, and whether it is outline
            bands = []
            for c in range(cells):
                near, inner, innerEnd, far = (DevicePixels(c * CELL_SIZE + d, self.scale) for d in (0, 1, CELL_SIZE - 1, CELL_SIZE))
                bands += [(c, not max(inner, near + 1) <= d < min(innerEnd, far - 1)) for d in range(near, far)]
            return bands

        columns, differences = Bands(GRID_WIDTH), []
        for y, (row, edge) in enumerate(Bands(len(board))):
            expected = b"".join(bytes(BLACK if edge or outline else FILL.get(board[row][cell], (1, 2, 3))) for cell, outline in columns)
            actual = self.image.Row(self.origin[0], self.origin[1] + y, len(columns))
            if actual != expected:
                differences += [(x // 3, y, tuple(actual[x : x + 3])) for x in range(0, len(actual), 3) if actual[x : x + 3] != expected[x : x + 3]]
        return differences


def CheckBoard(test, browser, ready):
    """The first screen that passes `ready`, held against the board it shows."""
    scale, ratio, width, height, *edges = browser.execute_script(CANVAS)
    edges = [e * ratio for e in edges]
    test.assertTrue(all(abs(e - round(e)) < 0.05 for e in edges), f"the canvas's edges at device pixels {edges}")
    box = [round(edges[2] - edges[0]), round(edges[3] - edges[1])]
    test.assertEqual([width, height, *box], [DevicePixels(800, scale), DevicePixels(600, scale)] * 2, "the store is the canvas's device box")

    def Capture():
        ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=browser.get_screenshot_as_png(), capture_output=True, check=True).stdout
        frame = ScaledFrame(Image(ppm), (round(edges[0]), round(edges[1])), 0, scale)
        return ready(frame) and frame

    frame = WaitUntil(Capture, 30, "the board", interval=0)
    differences = frame.Differences(frame.Board())
    text = BoundingBox([(x, y) for x, y, _ in differences])
    test.assertTrue(text is None or text[2] <= DevicePixels(150, scale) and text[3] <= DevicePixels(40, scale), f"the board differs from its cells outside the text lines: {text}")
    test.assertEqual({colour for _, _, colour in differences} - {BLACK, *FILL.values()}, set(), "colours off the palette")
    return frame


class ScalesTest(unittest.TestCase):
    def test_the_board_exact_at_fractional_ratios(self):
        with Site() as site:
            for ratio in (1.25, 1.5):
                with self.subTest(ratio=ratio), Page(site, ratio) as page:
                    self.assertEqual(page.Script(CANVAS)[0], ratio * 120)
                    end = CheckBoard(self, page.browser, lambda frame: frame.ShowsGameOver())
                    self.assertEqual(end.Board(), DrawnBoard({(GRID_WIDTH - 1, 0)}, FIRST_FOOD["web"]))


if __name__ == "__main__":
    unittest.main()
