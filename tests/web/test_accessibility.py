"""The web version as assistive technology finds it in Chromium: the
client area's text in a polite live region of the accessibility tree (the
score from the start, "Game Over!" once the snake has hit the wall), and no
violation that axe-core finds, at rest and with the menu open, on a desktop
window and on a phone."""

import os
import unittest

from web_driver import Browser, Site  # puts the desktop tests' driver on the path
from game_driver import SOURCE_DIR, WaitUntil

AXE = os.environ.get("SLITHER_AXE", os.path.join(SOURCE_DIR, "build", "npm", "node_modules", "axe-core", "axe.min.js"))
OPEN_MENU = """
document.querySelector('#menubar [role=menuitem]').dispatchEvent(new MouseEvent('mousedown', {bubbles: true}));
return MenuBar.active && [...document.querySelectorAll('#menubar [role=menu]')].some(menu => !menu.hidden);
"""
VIOLATIONS = """
return axe.run(document).then(found => found.violations.map(v => `${v.id} (${v.impact}): ${v.nodes.map(n => n.target).join(', ')}`));
"""


def LiveRegions(browser):
    """Each live region's politeness and the texts below it, from Chromium's
    accessibility tree."""
    nodes = browser.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
    byId = {node["nodeId"]: node for node in nodes}

    def Texts(node):
        if node.get("role", {}).get("value") == "StaticText":
            yield node["name"]["value"]
        for child in node.get("childIds", []):
            yield from Texts(byId[child]) if child in byId else ()

    regions = []
    for node in nodes:
        properties = {p["name"]: p["value"].get("value") for p in node.get("properties", [])}
        parent = byId.get(node.get("parentId"), {})
        parentLive = any(p["name"] == "live" for p in parent.get("properties", []))
        if properties.get("live") and not parentLive:
            regions.append((properties["live"], list(Texts(node))))
    return regions


class AccessibilityTest(unittest.TestCase):
    def Open(self, phone):
        site = Site().__enter__()
        self.addCleanup(site.__exit__)
        browser = Browser(1)
        self.addCleanup(browser.quit)
        if phone:
            browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {"width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True})
        browser.get(site.address)
        WaitUntil(lambda: browser.execute_script("return !document.getElementById('window').hidden"), 30, "the window")
        return browser

    def CheckAxe(self, browser, where):
        with open(AXE) as script:
            browser.execute_script(script.read())
        self.assertEqual(browser.execute_script(VIOLATIONS), [], f"axe-core's violations {where}")
        self.assertTrue(browser.execute_script(OPEN_MENU), "the menu did not open")
        self.assertEqual(browser.execute_script(VIOLATIONS), [], f"axe-core's violations {where}, the menu open")

    def test_the_score_and_game_over_in_a_live_region(self):
        browser = self.Open(phone=False)
        browser.execute_cdp_cmd("Accessibility.enable", {})
        polite = lambda: [texts for live, texts in LiveRegions(browser) if live == "polite" and texts]
        # The score first; on a slow start the game may already have ended under it.
        [first] = WaitUntil(polite, 30, "a polite live region with text")
        self.assertEqual(first[0], "Score: 0")
        # The snake heads right along the top row into the wall.
        WaitUntil(lambda: polite() == [["Score: 0", "Game Over!"]], 30, "'Game Over!' in the live region")
        self.assertEqual(browser.execute_script("return document.getElementById('client').getAttribute('aria-label')"), "Slithergrid")

    def test_axe_finds_nothing_on_a_desktop_window(self):
        self.CheckAxe(self.Open(phone=False), "on a desktop window")

    def test_axe_finds_nothing_on_a_phone(self):
        self.CheckAxe(self.Open(phone=True), "on a phone")


if __name__ == "__main__":
    unittest.main()
