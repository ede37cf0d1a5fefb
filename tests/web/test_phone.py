"""The web version in headless Chromium as a phone (390 x 844 CSS pixels at
ratio 3, touch) and on other small screens: everything fits, the board exact
at its fitted scale; swipes and the arrow buttons reach the program as the
arrow keys do, the page still; a rotation re-fits by the next frame and the
game goes on; the menu works by tap."""

import unittest

from test_scales import CheckBoard
from web_driver import Browser, Site
from game_driver import WaitUntil

# The keyboard's arrows as the program gets them: virtual key and scan code.
ARROWS = {"Left": (0x25, 0x14B), "Up": (0x26, 0x148), "Right": (0x27, 0x14D), "Down": (0x28, 0x150)}
STEP = {"Left": (-15, 0), "Up": (0, -15), "Right": (15, 0), "Down": (0, 15)}

# What the page queues for the program, touches the browser takes for itself,
# and where things lie (at the first frame after each resize too).
RECORDER = """
const post = WebHost.Post, box = id => { const r = document.getElementById(id).getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
Object.assign(window, {posted: [], cancelled: 0, fitted: []});
WebHost.Post = event => { posted.push(event.slice()); post(event); };
addEventListener('pointercancel', () => cancelled++, true);
window.Layout = () => ({window: box('window'), canvas: box('client'), pad: box('pad'), ratio: devicePixelRatio, store: [client.width, client.height],
                        page: [document.documentElement.scrollWidth, document.documentElement.scrollHeight, scrollX, scrollY, visualViewport.scale]});
addEventListener('resize', () => requestAnimationFrame(() => fitted.push(Layout())));
"""


class PhoneTest(unittest.TestCase):
    def setUp(self):
        self.site = Site().__enter__()
        self.addCleanup(self.site.__exit__)
        self.browser = Browser(1)
        self.addCleanup(self.browser.quit)
        self.Screen(390, 844)
        self.browser.get(self.site.address)
        WaitUntil(lambda: self.Script("return !document.getElementById('window').hidden && window.WebHost"), 30, "the window")
        self.Script(RECORDER)

    def Script(self, script):
        return self.browser.execute_script(script)

    def Screen(self, width, height, ratio=3, touch=True):
        self.size, orientation = (width, height), "portraitPrimary" if height > width else "landscapePrimary"
        self.Script("window.fitted && (fitted.length = 0)")
        self.browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": touch, "maxTouchPoints": 5})
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {"width": width, "height": height, "deviceScaleFactor": ratio, "mobile": touch, "screenOrientation": {"type": orientation, "angle": 0}})

    def Touch(self, selector, steps=(0, 0), moves=0):
        """A tap on the middle of what `selector` names, or a swipe from there."""
        x, y = self.Script(f"const r = document.querySelector('{selector}').getBoundingClientRect(); return [(r.left + r.right) / 2, (r.top + r.bottom) / 2]")
        for i in range(moves + 1):
            self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchMove" if i else "touchStart", "touchPoints": [{"x": x + i * steps[0], "y": y + i * steps[1]}]})
        self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def Fitted(self):
        """Where things lay at the first frame after the page took the new screen's size."""
        return WaitUntil(lambda: self.Script(f"return fitted.find(layout => layout.page[0] == {self.size[0]} && layout.page[1] == {self.size[1]})"), 20, "the new screen")

    def CheckFits(self, layout):
        """Window and pad inside the viewport, nothing to scroll, the store the
        canvas's box, the board at full size or the page nearly filled."""
        boxes = [layout["window"]] + [layout["pad"]] * (layout["pad"][2] > 0)
        for left, top, right, bottom in boxes:
            self.assertTrue(0 <= left and right <= self.size[0] and 0 <= top and bottom <= self.size[1], f"{layout} in {self.size}")
        self.assertEqual(layout["page"], [*self.size, 0, 0, 1], "the page scrolls or is zoomed")
        canvas = layout["canvas"]
        self.assertEqual(layout["store"], [round((canvas[i + 2] - canvas[i]) * layout["ratio"]) for i in (0, 1)], "the store is the canvas's device box")
        spans = [max(b[i + 2] for b in boxes) - min(b[i] for b in boxes) for i in (0, 1)]
        self.assertTrue(canvas[2] - canvas[0] == 800 or spans[0] > 0.85 * self.size[0] or spans[1] > 0.85 * self.size[1], f"shrunk more than needed: {layout}")

    def test_steering_by_touch_rotation_and_menu(self):
        self.CheckFits(self.Script("return Layout()"))
        CheckBoard(self, self.browser, lambda frame: frame.Cells("F"))
        buttons = self.browser.find_elements("css selector", "#pad button")
        self.assertEqual(sorted(b.accessible_name for b in buttons if min(b.size.values()) >= 48), sorted(ARROWS))

        self.Touch("#client", STEP["Down"], 4)
        CheckBoard(self, self.browser, lambda frame: any(y > 0 for _, y in frame.Cells("S")))  # the snake heads down
        for direction in ("Left", "Up", "Right"):
            self.Touch("#client", STEP[direction], 4)  # a 60-pixel swipe
        for direction in ARROWS:
            self.Touch(f"[aria-label={direction}]")
        order = ["Down", "Left", "Up", "Right", *ARROWS]
        self.assertEqual(self.Script("return posted"), [[1, *ARROWS[d], pressed] for d in order for pressed in (1, 0)])
        self.assertEqual(self.Script("return [cancelled, String(getSelection())]"), [0, ""], "the browser took a touch")
        self.CheckFits(self.Script("return Layout()"))

        over = CheckBoard(self, self.browser, lambda frame: frame.ShowsGameOver())
        self.Screen(844, 390)
        self.CheckFits(self.Fitted())
        self.assertEqual(CheckBoard(self, self.browser, lambda frame: True).Board(), over.Board(), "a new game after the rotation")
        self.Touch("#menubar button")
        self.Touch("[role=menu] [role=menuitem]")  # New Game
        CheckBoard(self, self.browser, lambda frame: not frame.ShowsGameOver() and frame.Cells("S"))

    def test_small_screens_either_way_up_by_touch_or_mouse(self):
        for screen in ((320, 480, 2, True), (480, 320, 2, True), (1024, 768, 2, True), (320, 480, 2, False), (1024, 700, 1.5, False)):
            with self.subTest(screen=screen):
                self.Screen(*screen)
                layout = self.Fitted()
                self.CheckFits(layout)
                self.assertEqual(layout["pad"][2] > 0, screen[3], "arrow buttons for a finger only")
                CheckBoard(self, self.browser, lambda frame: True)


if __name__ == "__main__":
    unittest.main()
