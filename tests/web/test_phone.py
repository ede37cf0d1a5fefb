"""The web version in headless Chromium emulating a phone (390 x 844 CSS
pixels at device ratio 3, touch): the page fits and draws the board exactly
at its fitted scale; swipes over the board and the on-screen arrows reach the
program as the arrow keys do; the page stays still; a rotation re-fits within
a frame and the game goes on; the menu works by tap."""

import unittest

from device_board import Canvas, Capture
from test_scales import CheckBoard
from web_driver import Browser, Site
from game_driver import WaitUntil

# What the keyboard's arrows give the program: virtual key and scan code.
ARROWS = {"Left": (0x25, 0x14B), "Up": (0x26, 0x148), "Right": (0x27, 0x14D), "Down": (0x28, 0x150)}
SWIPES = {"Left": (-1, 0), "Up": (0, -1), "Right": (1, 0), "Down": (0, 1)}

# Every event the page queues for the program; touches the browser took over
# (to pan or zoom); and, at the first frame after each resize, where
# everything lies then.
RECORDER = """
window.posted = [];
window.cancelled = 0;
addEventListener('pointercancel', () => window.cancelled++, true);
const post = WebHost.Post;
WebHost.Post = event => { window.posted.push(event.slice()); post(event); };
window.fitted = [];
addEventListener('resize', () => requestAnimationFrame(() => window.fitted.push(Layout())));
window.Layout = () => {
    const box = id => { const r = document.getElementById(id).getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
    const canvas = document.getElementById('client'), root = document.documentElement;
    return {window: box('window'), canvas: box('client'), pad: box('pad'), view: [root.clientWidth, root.clientHeight],
            scroll: [root.scrollWidth, root.scrollHeight, scrollX, scrollY, visualViewport.scale],
            store: [canvas.width, canvas.height], ratio: devicePixelRatio, scale: WebHost.scale};
};
"""


def Phone(browser, width, height, ratio=3, touch=True):
    orientation = {"type": "portraitPrimary" if height > width else "landscapePrimary", "angle": 0 if height > width else 90}
    browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": touch, "maxTouchPoints": 5})
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {"width": width, "height": height, "deviceScaleFactor": ratio, "mobile": touch, "screenOrientation": orientation})


class PhoneTest(unittest.TestCase):
    def setUp(self):
        self.site = Site().__enter__()
        self.addCleanup(self.site.__exit__)
        self.browser = Browser(1)
        self.addCleanup(self.browser.quit)
        Phone(self.browser, 390, 844)
        self.browser.get(self.site.address)
        WaitUntil(lambda: self.Script("return !document.getElementById('window').hidden && window.WebHost"), 15, "the window")
        self.Script(RECORDER)

    def Script(self, script):
        return self.browser.execute_script(script)

    def Touch(self, kind, x=None, y=None):
        points = [] if x is None else [{"x": x, "y": y}]
        self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def Tap(self, selector):
        box = self.Script(f"const r = document.querySelector('{selector}').getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]")
        self.Touch("touchStart", *box)
        self.Touch("touchEnd")

    def Swipe(self, direction):
        """A 60-pixel swipe from the board's middle, in steps of 15."""
        left, top, right, bottom = self.Script("return Layout().canvas")
        x, y = (left + right) / 2, (top + bottom) / 2
        self.Touch("touchStart", x, y)
        for step in range(1, 5):
            self.Touch("touchMove", x + 15 * step * SWIPES[direction][0], y + 15 * step * SWIPES[direction][1])
        self.Touch("touchEnd")

    def Frame(self, scale):
        return Capture(self.browser, scale, Canvas(self.browser))

    def Posted(self):
        return [tuple(event) for event in self.Script("const p = window.posted; window.posted = []; return p")]

    def CheckFits(self, layout):
        width, height = layout["view"]
        for name in ("window", "pad"):
            left, top, right, bottom = layout[name]
            self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height, f"the {name} at {layout[name]} in {width} x {height}")
        self.assertEqual(layout["scroll"], [width, height, 0, 0, 1], "the page scrolls or is zoomed")
        boardWidth = layout["canvas"][2] - layout["canvas"][0]
        self.assertTrue(boardWidth > 0.4 * width, f"a board of {boardWidth} in {width}: shrunk more than needed")

    def test_small_screens_fit_exactly(self):
        # Phones and tablets at ratio 2 both ways up, and mouse-driven windows; in
        # Chromium's emulation a board is exact where its edges are whole CSS
        # pixels too, as the page makes them at these ratios.
        for width, height, ratio, touch in ((320, 480, 2, True), (480, 320, 2, True), (1024, 768, 2, True), (320, 480, 2, False), (1024, 700, 1.5, False)):
            with self.subTest(width=width, height=height, ratio=ratio, touch=touch):
                Phone(self.browser, width, height, ratio, touch)
                Fitted = lambda: (layout := self.Script("return Layout()"))["view"] == [width, height] and layout["store"] == [round((layout["canvas"][i + 2] - layout["canvas"][i]) * ratio) for i in (0, 1)] and layout
                layout = WaitUntil(Fitted, 5, "the page fitted")
                self.CheckFits(layout)
                self.assertEqual(layout["pad"][2] > 0, touch, "arrow buttons only for a finger")
                CheckBoard(self, self.browser, layout["scale"], lambda frame: True)

    def test_fit_touch_rotation_and_menu(self):
        layout = self.Script("return Layout()")
        self.CheckFits(layout)
        first = CheckBoard(self, self.browser, layout["scale"], lambda frame: frame.Cells("F"))
        self.assertEqual(first.Cells("S"), {(x, 0) for x, _ in first.Cells("S")}, "the snake starts in row 0")

        buttons = self.Script("return [...document.querySelectorAll('#pad button')].map(b => [b.getBoundingClientRect().width, b.getBoundingClientRect().height])")
        self.assertTrue(all(min(size) >= 48 for size in buttons), f"buttons of {buttons}")
        names = sorted(button.accessible_name for button in self.browser.find_elements("css selector", "#pad button"))
        self.assertEqual(names, sorted(ARROWS))

        # A swipe turns the snake down, a button then left; both as the keys do.
        self.Swipe("Down")
        turn = WaitUntil(lambda: [x for x, y in self.Frame(layout["scale"]).Cells("S") if y > 0], 5, "the snake heading down")
        self.Tap("[aria-label=Left]")
        WaitUntil(lambda: any(x < min(turn) for x, _ in self.Frame(layout["scale"]).Cells("S")), 5, "the snake heading left")
        for direction in ("Up", "Right", "Left"):
            self.Swipe(direction)
        self.Swipe("Left")  # the same way again: a swipe counts from where it starts
        for direction in ("Up", "Right", "Down"):
            self.Tap(f"[aria-label={direction}]")
        order = ["Down", "Left", "Up", "Right", "Left", "Left", "Up", "Right", "Down"]
        expected = [(1, *ARROWS[d], pressed) for d in order for pressed in (1, 0)]
        self.assertEqual(self.Posted(), expected)
        self.assertEqual(self.Script("return [cancelled, scrollX, scrollY, visualViewport.scale, visualViewport.offsetTop, String(getSelection())]"), [0, 0, 0, 1, 0, ""])
        self.assertFalse(self.Script("return document.getElementById('client').dispatchEvent(new MouseEvent('contextmenu', {bubbles: true, cancelable: true}))"), "a context menu on the board")

        # Rotated, the page fits at the next frame, and the same game goes on.
        over = CheckBoard(self, self.browser, layout["scale"], lambda frame: frame.ShowsGameOver())
        Phone(self.browser, 844, 390)
        fitted = WaitUntil(lambda: self.Script("return window.fitted.at(-1)"), 5, "a frame after the rotation")
        self.CheckFits(fitted)
        self.assertEqual(fitted["store"], [round((fitted["canvas"][i + 2] - fitted["canvas"][i]) * 3) for i in (0, 1)], "the store is the canvas's box at that frame")
        landscape = self.Script("return Layout()")
        self.assertGreater(landscape["scale"], layout["scale"])
        again = CheckBoard(self, self.browser, landscape["scale"], lambda frame: frame.ShowsGameOver())
        self.assertEqual(again.Board(), over.Board(), "a new game after the rotation")
        self.assertEqual([event[0] for event in self.Posted()], [3], "only the new scale")

        self.Tap("#menubar button")
        self.Tap("[role=menu] [role=menuitem]")  # New Game
        WaitUntil(lambda: not (frame := self.Frame(landscape["scale"])).ShowsGameOver() and frame.Cells("S"), 5, "a new game from the menu")


if __name__ == "__main__":
    unittest.main()
