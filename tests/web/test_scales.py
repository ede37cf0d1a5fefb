"""The web version in headless Chromium at fractional device scales: the
canvas's store is its device box, on whole device pixels, and the screen
shows the board exactly as the layer's rule draws it, black text without grey,
nothing resampled."""

import unittest

from device_board import PALETTE, Canvas, Capture, DevicePixels
from web_driver import Browser, Site
from game_driver import FIRST_FOOD, GRID_WIDTH, BoundingBox, DrawnBoard, WaitUntil


def CheckBoard(test, browser, scale, ready):
    """Holds the first screen that passes `ready` against the board drawn at
    `scale` (in 120ths): the canvas's store is its device box, on whole device
    pixels; outside the text lines every device pixel is where the rule puts
    it, and the text lines hold only the palette. Returns that frame."""
    canvas = Canvas(browser)
    store = [DevicePixels(800, scale), DevicePixels(600, scale)]
    test.assertEqual(canvas["store"], store)
    edges = [canvas[name] * canvas["ratio"] for name in ("left", "top", "right", "bottom")]
    test.assertTrue(all(abs(e - round(e)) < 0.05 for e in edges), f"the canvas's edges at device pixels {edges}")
    test.assertEqual([round(edges[2] - edges[0]), round(edges[3] - edges[1])], store, "the canvas's device box is its store")
    frame = WaitUntil(lambda: (frame := Capture(browser, scale, canvas)) and ready(frame) and frame, 10, "the board", interval=0)
    text = BoundingBox(frame.Differences(frame.Board()))
    test.assertTrue(text is None or text[2] <= DevicePixels(150, scale) and text[3] <= DevicePixels(40, scale), f"the board differs from its cells outside the text lines: {text}")
    test.assertEqual(frame.Colours() - PALETTE, set(), "colours off the palette")
    return frame


class ScalesTest(unittest.TestCase):
    def test_the_board_exact_at_fractional_ratios(self):
        with Site() as site:
            for ratio in (1.25, 1.5):
                with self.subTest(ratio=ratio):
                    scale = round(ratio * 120)
                    browser = Browser(ratio)
                    try:
                        browser.get(site.address)
                        WaitUntil(lambda: browser.execute_script("return !document.getElementById('window').hidden"), 15, "the window")
                        self.assertEqual(Canvas(browser)["device"], [DevicePixels(800, scale), DevicePixels(600, scale)], "the device box as the browser counts it")
                        end = CheckBoard(self, browser, scale, lambda frame: frame.ShowsGameOver())
                        self.assertEqual(end.Board(), DrawnBoard({(GRID_WIDTH - 1, 0)}, FIRST_FOOD["web"]))
                    finally:
                        browser.quit()


if __name__ == "__main__":
    unittest.main()
