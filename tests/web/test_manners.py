"""The page's manners: the board exact at device ratios that are no whole
number of 120ths (Windows at 125 % with the browser zoomed to 125 %: 1.5625),
in Chromium and Firefox; the browser's shortcuts left to the browser, with
the menu closed and open; the keypad's arrows steering; a press on the bar
dragged to an item and released there choosing it; F10 held opening the bar
once."""

import unittest

from test_scales import CANVAS, CheckBoard, DevicePixels
from web_driver import Page, Perform, Site
from game_driver import WaitUntil

EVENT_KEY, EVENT_COMMAND, ID_NEW_GAME = 1, 2, 1

# What the page queues for the program, and whether the page stopped each
# key's default: read by a listener after the page's, which then stops the
# default itself so that a reload or Back does not end the test.
RECORDER = """
const post = WebHost.Post;
Object.assign(window, {posted: [], verdicts: [], opened: 0});
WebHost.Post = event => { posted.push(event.slice()); post(event); };
const open = MenuBar.OpenByKeyboard;
MenuBar.OpenByKeyboard = () => { opened += !MenuBar.active; open(); };
addEventListener('keydown', e => { verdicts.push([e.key, e.defaultPrevented]); e.preventDefault(); });
"""

CTRL, ALT = 2, 1  # CDP's modifier bits
# DOM key, code, Windows virtual key, CDP modifiers
SHORTCUTS = {"Ctrl+R": ("r", "KeyR", 0x52, CTRL), "F5": ("F5", "F5", 0x74, 0), "Alt+Left": ("ArrowLeft", "ArrowLeft", 0x25, ALT), "Ctrl+plus": ("+", "Equal", 0xBB, CTRL)}


class MannersTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = Site().__enter__()
        cls.addClassCleanup(cls.site.__exit__)

    def Chromium(self):
        page = Page(self.site, 1, "chromium").__enter__()
        self.addCleanup(page.__exit__, None, None, None)
        page.Script(RECORDER)
        return page

    def Key(self, page, key, code, virtualKey, modifiers=0, repeat=False, kind="rawKeyDown"):
        """A trusted key event, as the keyboard gives it."""
        page.browser.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": virtualKey, "modifiers": modifiers, "autoRepeat": repeat})

    def Press(self, page, key, code, virtualKey, modifiers=0):
        self.Key(page, key, code, virtualKey, modifiers)
        self.Key(page, key, code, virtualKey, modifiers, kind="keyUp")

    def test_the_board_exact_at_ratios_between_120ths(self):
        for engine, ratio in (("chromium", 1.5625), ("chromium", 1.33), ("firefox", 1.5625)):
            with self.subTest(engine=engine, ratio=ratio), Page(self.site, ratio, engine) as page:
                scale = page.Script(CANVAS)[0]
                self.assertEqual(scale, int(ratio * 120), "the nearest 120th at or below the ratio")
                self.assertEqual(page.Script(CANVAS)[2], DevicePixels(800, scale))
                CheckBoard(self, page.browser, lambda frame: frame.Cells("F"))

    def test_the_browsers_shortcuts_reach_the_browser_with_the_menu_closed_and_open(self):
        page = self.Chromium()
        for menu in ("closed", "open"):
            if menu == "open":
                self.Press(page, "F10", "F10", 0x79)
                WaitUntil(lambda: page.Script("return MenuBar.active"), 20, "the menu bar opened by F10")
            page.Script("verdicts.length = 0")
            for name, (key, code, virtualKey, modifiers) in SHORTCUTS.items():
                self.Press(page, key, code, virtualKey, modifiers)
            self.assertEqual(page.Script("return verdicts.filter(v => v[0] != 'Control' && v[0] != 'Alt')"), [[key, False] for key, *_ in SHORTCUTS.values()], f"with the menu {menu}")
            self.assertTrue(page.Script("return MenuBar.active") == (menu == "open"), "a shortcut moved the menu")
        # The page's own keys stay the page's: Escape for the open menu, then a plain arrow.
        page.Script("verdicts.length = 0")
        self.Press(page, "Escape", "Escape", 0x1B)
        self.Press(page, "ArrowUp", "ArrowUp", 0x26)
        self.assertEqual(page.Script("return verdicts"), [["Escape", True], ["ArrowUp", True]])

    def test_the_keypads_down_steers(self):
        page = self.Chromium()
        self.Press(page, "ArrowDown", "Numpad2", 0x28)
        self.assertIn([EVENT_KEY, 0x28, 0x50, 1], page.Script("return posted"), "the keypad's 2 as Down, with its own scan code")
        self.assertEqual(page.Script("return verdicts"), [["ArrowDown", True]])
        page.WaitForFrame(lambda frame: any(y > 0 for _, y in frame.Cells("S")), 20, "the snake heading down")

    def test_a_press_on_the_bar_dragged_to_an_item_chooses_it_on_release(self):
        page = self.Chromium()
        centre = "const r = [...document.querySelectorAll('[role=menuitem]')].find(e => e.textContent == %r).getBoundingClientRect(); return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];"
        mouse = lambda *actions: Perform(page.browser, [{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"}, "actions": list(actions)}])
        x, y = page.Script(centre % "Game")
        mouse({"type": "pointerMove", "x": x, "y": y, "origin": "viewport"}, {"type": "pointerDown", "button": 0})
        x, y = WaitUntil(lambda: page.Script("return MenuBar.active") and page.Script(centre % "New Game"), 20, "the pop-up open")
        mouse({"type": "pointerMove", "x": x, "y": y, "origin": "viewport", "duration": 100}, {"type": "pointerUp", "button": 0})
        WaitUntil(lambda: page.Script("return WebHost.queue.length == 0"), 20, "the program taking its queue")
        self.assertEqual([event for event in page.Script("return posted") if event[0] == EVENT_COMMAND], [[EVENT_COMMAND, ID_NEW_GAME]], "New Game, once")
        self.assertFalse(page.Script("return MenuBar.active"), "the menu still open")

    def test_f10_held_opens_the_bar_once(self):
        page = self.Chromium()
        self.Key(page, "F10", "F10", 0x79)
        WaitUntil(lambda: page.Script("return MenuBar.active"), 20, "the bar opened")
        for _ in range(5):
            self.Key(page, "F10", "F10", 0x79, repeat=True)
        self.Key(page, "F10", "F10", 0x79, kind="keyUp")
        WaitUntil(lambda: page.Script("return WebHost.queue.length == 0"), 20, "the program taking its queue")
        self.assertEqual(page.Script("return [opened, MenuBar.active]"), [1, True], "times opened, and open at the end")

if __name__ == "__main__":
    unittest.main()
