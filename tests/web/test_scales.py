"""The web version in headless Chromium at fractional device scales: the
canvas's store is its device box, on whole device pixels, and the screen
shows the board exactly as the layer's rule draws it, black text without grey,
nothing resampled."""

import unittest

from device_board import PALETTE, Canvas, Capture, DevicePixels
from web_driver import Browser, Site
from game_driver import FIRST_FOOD, GRID_WIDTH, BoundingBox, DrawnBoard, WaitUntil


def CheckBoard(test, browser, scale):
    """Waits for 'Game Over!' at the right wall and holds the screen against
    the board drawn at `scale` (in 120ths): outside the text lines every
    device pixel as the rule puts it, and in them only the palette."""
    canvas = Canvas(browser)
    store = [DevicePixels(800, scale), DevicePixels(600, scale)]
    test.assertEqual(canvas["store"], store)
    test.assertEqual(canvas["device"], store, "the canvas's device box is its store")
    corner = [canvas["left"] * canvas["ratio"], canvas["top"] * canvas["ratio"]]
    test.assertTrue(all(abs(c - round(c)) < 0.05 for c in corner), f"the canvas at device pixel {corner}")
    end = WaitUntil(lambda: (frame := Capture(browser, scale, canvas)).ShowsGameOver() and frame, 10, "'Game Over!'", interval=0)
    text = BoundingBox(end.Differences(DrawnBoard({(GRID_WIDTH - 1, 0)}, FIRST_FOOD["web"])))
    test.assertTrue(text is not None and text[2] <= DevicePixels(150, scale) and text[3] <= DevicePixels(40, scale), f"the board differs from its cells outside the text lines: {text}")
    test.assertEqual(end.Colours() - PALETTE, set(), "colours off the palette")


class ScalesTest(unittest.TestCase):
    def test_the_board_exact_at_fractional_ratios(self):
        with Site() as site:
            for ratio in (1.25, 1.5):
                with self.subTest(ratio=ratio):
                    browser = Browser(ratio)
                    try:
                        browser.get(site.address)
                        WaitUntil(lambda: browser.execute_script("return !document.getElementById('window').hidden"), 15, "the window")
                        CheckBoard(self, browser, round(ratio * 120))
                    finally:
                        browser.quit()


if __name__ == "__main__":
    unittest.main()
